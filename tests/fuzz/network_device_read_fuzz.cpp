// The network device's read path on whatever a serial device server may send.
//
// Each input plays a server over loopback TCP: it accepts the com port option, then sends the
// input's chunks one by one; after each, the device is read dry through buffers of the sizes
// the input chooses, each allocated to its exact size so that a write past its end is caught
// by the sanitizer. Whatever the server's bytes say (compression it was never granted, floods
// of negotiation, subnegotiations that never end), no read may return more than its buffer
// holds, and the data read may never exceed the bytes sent: decoding Telnet only shrinks a
// stream. A broken invariant aborts, which libFuzzer reports as a crash.
#include <fuzzer/FuzzedDataProvider.h>
#include <netinet/in.h>
#include <sys/socket.h>
#include <unistd.h>

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <memory>
#include <string>
#include <thread>
#include <vector>

#include "serial/linux/network_device.h"

namespace {

using norvane::serial::TNetworkDevice;

void Check(bool condition, const char* what) {
    if (!condition) {
        std::fprintf(stderr, "network_device_read_fuzz: %s\n", what);
        std::abort();
    }
}

// One listening socket for the whole run; its port goes into the device's name.
struct TListener {
    int Fd = -1;
    std::uint16_t Port = 0;

    TListener() {
        Fd = ::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
        sockaddr_in address{};
        address.sin_family = AF_INET;
        address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
        socklen_t length = sizeof address;
        Check(Fd >= 0 && ::bind(Fd, reinterpret_cast<sockaddr*>(&address), length) == 0 &&
                  ::listen(Fd, 4) == 0 &&
                  ::getsockname(Fd, reinterpret_cast<sockaddr*>(&address), &length) == 0,
              "cannot listen on loopback");
        Port = ntohs(address.sin_port);
    }
};

void DrainWhatTheDeviceSent(int server) {
    char sink[4096];
    while (::recv(server, sink, sizeof sink, MSG_DONTWAIT) > 0) {
    }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    static const TListener listener;
    FuzzedDataProvider input(data, size);

    int server = -1;
    std::thread accepter([&server] {
        server = ::accept4(listener.Fd, nullptr, nullptr, SOCK_CLOEXEC);
        const std::uint8_t accept[] = {255, 253, 44};  // IAC DO COM-PORT-OPTION
        Check(server >= 0 && ::send(server, accept, sizeof accept, MSG_NOSIGNAL) == 3,
              "cannot answer the device");
    });
    TNetworkDevice device;
    const int opened = device.Open("rfc2217://127.0.0.1:" + std::to_string(listener.Port));
    accepter.join();
    Check(opened == 0, "the device did not open on a server that accepts the option");

    std::size_t sent = 0;
    std::size_t received = 0;
    while (input.remaining_bytes() > 0 && device.IsOpen()) {
        const std::vector<std::uint8_t> chunk =
            input.ConsumeBytes<std::uint8_t>(input.ConsumeIntegralInRange<std::size_t>(1, 512));
        if (::send(server, chunk.data(), chunk.size(), MSG_NOSIGNAL) !=
            static_cast<ssize_t>(chunk.size())) {
            break;
        }
        sent += chunk.size();
        if (input.ConsumeBool()) {
            device.DiscardInput();
            continue;
        }
        for (;;) {
            const int room = input.ConsumeIntegralInRange<int>(1, 256);
            const auto buffer = std::make_unique<std::uint8_t[]>(static_cast<std::size_t>(room));
            const int read = device.Read(buffer.get(), room);
            Check(read <= room, "a read returned more than its buffer holds");
            if (read <= 0) {
                break;
            }
            received += static_cast<std::size_t>(read);
            Check(received <= sent, "more data came out than the server sent");
        }
        DrainWhatTheDeviceSent(server);
    }
    device.Close();
    ::close(server);
    return 0;
}
