#pragma once

namespace norvane::device {

// Sets a flag for the lifetime of a scope and clears it on every way out, exceptions
// included: the "a command is outstanding" and "a transfer is running" marks must never
// stay set after a failure, or the next attempt would be refused for good.
class TFlagGuard {
  public:
    explicit TFlagGuard(bool& flag) : Flag_(flag) { Flag_ = true; }
    ~TFlagGuard() { Flag_ = false; }
    TFlagGuard(const TFlagGuard&) = delete;
    TFlagGuard& operator=(const TFlagGuard&) = delete;

  private:
    bool& Flag_;
};

}  // namespace norvane::device
