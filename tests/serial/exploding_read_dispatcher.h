#pragma once
// A driver whose reads blow up, as a bug below the dispatcher would.

#include <memory>
#include <stdexcept>
#include <string>

#include "serial/linux/posix_dispatcher.h"
#include "serial/linux/posix_serial_device.h"

namespace norvane::serial {

class TExplodingReadDispatcher final : public TVexaPosixDispatcher {
  public:
    using TVexaPosixDispatcher::TVexaPosixDispatcher;
    ~TExplodingReadDispatcher() override { CloseComPort(); }

  protected:
    std::unique_ptr<TLineDevice> MakeDevice(const std::string&) override {
        return std::make_unique<TExplodingReadDevice>();
    }

  private:
    class TExplodingReadDevice final : public TPosixSerialDevice {
      public:
        int Read(void*, int) override { throw std::runtime_error("read exploded"); }
    };
};

}  // namespace norvane::serial
