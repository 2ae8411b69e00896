// Run inside the guest by uart.guest (not by CTest on the host): the 16550's modem lines and
// error counters read through the serial device, where a pseudo-terminal has neither and
// the device falls back to "no lines, no errors". NORVANE_VM_UART names the UART, and
// NORVANE_VM_MONITOR the file through which the host's monitor is asked for a break.

#include <sys/ioctl.h>

#include <gtest/gtest.h>

#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>
#include <thread>

#include "serial/dispatch/line_status_bits.h"
#include "serial/linux/posix_serial_device.h"

namespace norvane::serial {
namespace {

using namespace std::chrono_literals;

// TIOCM_LOOP of <asm-generic/termios.h>, which cannot share a unit with <sys/ioctl.h>.
constexpr int kModemLoop = 0x8000;

// Only a guard against a stalled guest; no outcome depends on it.
constexpr auto kHangGuard = 60s;

std::string Setting(const char* name) {
    const char* value = std::getenv(name);
    return value != nullptr ? value : "";
}

class UartLinesProbe : public ::testing::Test {
  protected:
    void SetUp() override {
        ASSERT_FALSE(Setting("NORVANE_VM_UART").empty()) << "run by uart.guest in the guest";
        ASSERT_EQ(Device.Open(Setting("NORVANE_VM_UART")), 0);
    }

    TPosixSerialDevice Device;
};

TEST_F(UartLinesProbe, ModemStatusFollowsTheLinesLoopedBackInTheUart) {
    // In loopback the UART wires DTR to DSR and RTS to CTS inside the chip.
    int loop = kModemLoop;
    ASSERT_EQ(::ioctl(Device.Fd(), TIOCMBIS, &loop), 0);
    const std::uint8_t both = kModemDsr | kModemCts;
    ASSERT_EQ(Device.SetDtr(true), 0);
    ASSERT_EQ(Device.SetRts(false), 0);
    EXPECT_EQ(Device.ModemStatus() & both, kModemDsr);
    ASSERT_EQ(Device.SetDtr(false), 0);
    ASSERT_EQ(Device.SetRts(true), 0);
    EXPECT_EQ(Device.ModemStatus() & both, kModemCts);
    ::ioctl(Device.Fd(), TIOCMBIC, &loop);
}

TEST_F(UartLinesProbe, ABreakFromTheFarEndIsCountedOnce) {
    EXPECT_EQ(Device.TakeLineErrors(), 0u) << "counting starts at the open";
    const std::filesystem::path request = Setting("NORVANE_VM_MONITOR");
    std::ofstream(request.string() + ".new") << "chardev-send-break s1\n";
    std::filesystem::rename(request.string() + ".new", request);
    std::uint32_t errors = 0;
    for (auto deadline = std::chrono::steady_clock::now() + kHangGuard;
         (errors & kLineErrorBreak) == 0 && std::chrono::steady_clock::now() < deadline;) {
        std::this_thread::sleep_for(50ms);
        errors |= Device.TakeLineErrors();
    }
    EXPECT_EQ(errors, kLineErrorBreak);
    EXPECT_EQ(Device.TakeLineErrors(), 0u) << "taken once";
}

}  // namespace
}  // namespace norvane::serial
