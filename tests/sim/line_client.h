#pragma once
// The computer's end of the simulator's line, for tests: opens the pseudo-terminal raw,
// writes commands, and reads reply lines the way the program's reader does (every CR
// dropped, LF ends a line). Every wait has a deadline, a guard against hangs only.

#include <chrono>
#include <optional>
#include <string>

namespace norvane::test {

inline constexpr std::chrono::milliseconds kReplyTimeout{5000};

class TLineClient {
  public:
    // Throws with the cause.
    explicit TLineClient(const std::string& path);
    ~TLineClient();
    TLineClient(const TLineClient&) = delete;
    TLineClient& operator=(const TLineClient&) = delete;

    void Send(const std::string& bytes);

    // The next line with CRs dropped, or nothing if none completes in time.
    std::optional<std::string> ReadLine(std::chrono::milliseconds timeout = kReplyTimeout);

    // Sends command + CR LF and reads one line.
    std::optional<std::string> Ask(const std::string& command);

    // Every byte that arrives within the period, unaltered.
    std::string ReadRawFor(std::chrono::milliseconds period);

    // Reads raw bytes until `count` have arrived or the time-out passes.
    std::string ReadRaw(std::size_t count, std::chrono::milliseconds timeout = kReplyTimeout);

  private:
    int Fd_ = -1;
    std::string Received_;  // raw bytes not yet handed out
};

}  // namespace norvane::test
