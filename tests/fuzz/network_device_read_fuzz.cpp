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
#include "tests/support/loopback_listener.h"

namespace {

using norvane::serial::TNetworkDevice;

void Check(bool condition, const char* what) {
    if (!condition) {
        std::fprintf(stderr, "network_device_read_fuzz: %s\n", what);
        std::abort();
    }
}

void DrainWhatTheDeviceSent(int server) {
    char sink[4096];
    while (::recv(server, sink, sizeof sink, MSG_DONTWAIT) > 0) {
    }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    // One listener for the whole run; its port goes into the device's name.
    static const norvane::test::TLoopbackListener listener;
    FuzzedDataProvider input(data, size);

    int server = -1;
    std::thread accepter([&server] {
        server = ::accept4(listener.Fd(), nullptr, nullptr, SOCK_CLOEXEC);
        const std::uint8_t accept[] = {255, 253, 44};  // IAC DO COM-PORT-OPTION
        Check(server >= 0 && ::send(server, accept, sizeof accept, MSG_NOSIGNAL) == 3,
              "cannot answer the device");
    });
    TNetworkDevice device;
    const int opened = device.Open(listener.Url("rfc2217"));
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
