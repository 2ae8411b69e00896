#pragma once
// Sole owner of a POSIX file descriptor: closes it when it goes.

#include <unistd.h>

#include <utility>

namespace norvane::sim {

class TFileDescriptor {
  public:
    TFileDescriptor() = default;
    explicit TFileDescriptor(int fd) : Fd_(fd) {}
    ~TFileDescriptor() { Reset(); }

    TFileDescriptor(TFileDescriptor&& other) noexcept : Fd_(std::exchange(other.Fd_, -1)) {}
    TFileDescriptor& operator=(TFileDescriptor&& other) noexcept {
        if (this != &other) {
            Reset();
            Fd_ = std::exchange(other.Fd_, -1);
        }
        return *this;
    }
    TFileDescriptor(const TFileDescriptor&) = delete;
    TFileDescriptor& operator=(const TFileDescriptor&) = delete;

    int Get() const { return Fd_; }
    bool IsOpen() const { return Fd_ >= 0; }

    void Reset() {
        if (Fd_ >= 0) {
            ::close(Fd_);
            Fd_ = -1;
        }
    }

  private:
    int Fd_ = -1;
};

}  // namespace norvane::sim
