#pragma once
// Helpers for the serial driver's tests: the far end of a pseudo-terminal, and a message
// target owned by the test thread that collects what the dispatcher offers.

#include <asm/termbits.h>
#include <fcntl.h>
#include <poll.h>
#include <sys/ioctl.h>
#include <unistd.h>

#include <chrono>
#include <functional>
#include <stdexcept>
#include <string>
#include <vector>

#include "serial/dispatch/notification_messages.h"
#include "serial/dispatch/plain_message_target.h"
#include "serial/linux/posix_dispatcher.h"

namespace norvane::serial::testing {

// Only a guard against a hung test; no outcome depends on it.
inline constexpr std::chrono::seconds kHangGuard{20};

// The controlling side of a pseudo-terminal; the driver opens Path.
class TPtyController {
  public:
    TPtyController() : Fd_(::posix_openpt(O_RDWR | O_NOCTTY | O_CLOEXEC)) {
        if (Fd_ < 0 || ::grantpt(Fd_) != 0 || ::unlockpt(Fd_) != 0) {
            throw std::runtime_error("no pseudo-terminal");
        }
        Path_ = ::ptsname(Fd_);
    }
    ~TPtyController() { Close(); }
    TPtyController(const TPtyController&) = delete;
    TPtyController& operator=(const TPtyController&) = delete;

    const std::string& Path() const { return Path_; }
    int Fd() const { return Fd_; }

    // Closing the controller is what unplugging an adapter looks like from the tty's side.
    void Close() {
        if (Fd_ >= 0) {
            ::close(Fd_);
            Fd_ = -1;
        }
    }

    // The settings of the terminal side, as its driver set them.
    termios2 LineSettings() const {
        termios2 tio{};
        ::ioctl(Fd_, TCGETS2, &tio);
        return tio;
    }

    void Send(const std::string& bytes) const {
        std::size_t done = 0;
        while (done < bytes.size()) {
            const ssize_t n = ::write(Fd_, bytes.data() + done, bytes.size() - done);
            if (n < 0) {
                throw std::runtime_error("write to the pseudo-terminal failed");
            }
            done += static_cast<std::size_t>(n);
        }
    }

    // Reads until `count` bytes have come (or the hang guard ends the wait).
    std::string Receive(std::size_t count) const {
        std::string bytes;
        const auto deadline = std::chrono::steady_clock::now() + kHangGuard;
        while (bytes.size() < count && std::chrono::steady_clock::now() < deadline) {
            pollfd in{Fd_, POLLIN, 0};
            if (::poll(&in, 1, 100) <= 0) {
                continue;
            }
            char chunk[4096];
            const ssize_t n = ::read(Fd_, chunk, std::min(sizeof chunk, count - bytes.size()));
            if (n <= 0) {
                break;
            }
            bytes.append(chunk, static_cast<std::size_t>(n));
        }
        return bytes;
    }

  private:
    int Fd_;
    std::string Path_;
};

// Attached to a dispatcher as its one notification window, served like the port
// component's: avail handlers take what they are offered.
class TReceiver {
  public:
    explicit TReceiver(TVexaBaseDispatcher& dispatcher)
        : Dispatcher_(dispatcher), Target_([this](const TMessage& m) { return Handle(m); }) {}
    ~TReceiver() { Detach(); }

    // After the open (which clears the triggers): attach, offer every byte, report LF.
    void Attach() {
        Dispatcher_.AttachWindow(&Target_);
        Attached_ = true;
        Dispatcher_.SetHandlerFlags(TVexaBaseDispatcher::kHandlersInstalled);
        Dispatcher_.SetAvailThreshold(1);
        const std::uint8_t lineFeed = '\n';
        LineFeedHandle_ = Dispatcher_.NewDataTrigger(&lineFeed, 1, false);
    }

    // Before the dispatcher goes, when it goes first.
    void Detach() {
        if (Attached_) {
            Dispatcher_.DetachWindow(&Target_);
            Attached_ = false;
        }
    }

    // Runs with every message, after the bytes of an avail have been taken.
    std::function<void(const TMessage&)> OnMessage;

    // Delivers messages until done() holds. False when the hang guard ran out.
    bool WaitUntil(const std::function<bool()>& done) {
        const auto deadline = std::chrono::steady_clock::now() + kHangGuard;
        while (!done()) {
            if (std::chrono::steady_clock::now() > deadline) {
                return false;
            }
            Target_.WaitAndDeliver(std::chrono::milliseconds(20));
        }
        return true;
    }
    bool WaitForReceived(std::size_t count) {
        return WaitUntil([&] { return Received.size() >= count; });
    }
    bool WaitForMessage(std::uint32_t id) {
        return WaitUntil([&] { return Count(id) > 0; });
    }

    int Count(std::uint32_t id) const {
        int n = 0;
        for (const TMessage& m : Messages) {
            n += m.Id == id ? 1 : 0;
        }
        return n;
    }

    TPlainMessageTarget& Target() { return Target_; }
    std::int32_t LineFeedHandle() const { return LineFeedHandle_; }

    std::string Received;
    std::vector<TMessage> Messages;

  private:
    std::int32_t Handle(const TMessage& message) {
        Messages.push_back(message);
        if (message.Id == MsgTriggerAvail) {
            for (std::uint32_t i = 0; i < message.First; ++i) {
                const std::int32_t byte = Dispatcher_.TakeChar();
                if (byte >= 0) {
                    Received.push_back(static_cast<char>(byte));
                }
            }
        }
        if (OnMessage) {
            OnMessage(message);
        }
        return 0;
    }

    TVexaBaseDispatcher& Dispatcher_;
    TPlainMessageTarget Target_;
    std::int32_t LineFeedHandle_ = 0;
    bool Attached_ = false;
};

// Closes as the port component does: a close that meets a notification on its way to us
// completes once the dispatch thread has delivered it, so deliver until the threads are gone
// before the receiver may go.
inline bool CloseAndSettle(TVexaPosixDispatcher& dispatcher, TReceiver& receiver) {
    dispatcher.CloseComPort();
    return receiver.WaitUntil([&] { return !dispatcher.ThreadsStarted(); });
}

// Opens at 9600 baud, 8 data bits, no parity, one stop bit, DTR and RTS on.
inline std::int32_t OpenPlain(TVexaBaseDispatcher& dispatcher, const std::string& path,
                              std::uint32_t outSize = 4096) {
    return dispatcher.OpenComPort(
        path, 9600, pcNone, 8, 1, 4096, outSize,
        TVexaBaseDispatcher::kLineDtrOn | TVexaBaseDispatcher::kLineRtsOn);
}

}  // namespace norvane::serial::testing
