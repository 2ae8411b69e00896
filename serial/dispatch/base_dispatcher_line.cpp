// TVexaBaseDispatcher: the open sequence, the line operations (forwarded to its line
// control), and the window services the driver needs.
#include <system_error>
#include <vector>

#include "serial/dispatch/base_dispatcher.h"
#include "serial/errors/error_codes.h"

namespace norvane::serial {

// ---- Opening ----

std::int32_t TVexaBaseDispatcher::OpenComPort(const std::string& deviceName, std::uint32_t baud,
                                              std::uint8_t parity, std::uint8_t dataBits,
                                              std::uint8_t stopBits, std::uint32_t inSize,
                                              std::uint32_t outSize, std::uint32_t lineFlags) {
    if (PortOpen()) {
        return -ecAlreadyOpen;  // undoing a failed second open would close the first
    }
    if (const std::int32_t handle = OpenComHandle(deviceName, inSize, outSize); handle < 0) {
        return FailOpen(handle);
    }
    PrepareOpen();
    Line_.PrepareOpen(lineFlags, inSize);
    RefreshModemStatus(0xF0);
    if (const std::int32_t line = Line_.ChangeLine(baud, parity, dataBits, stopBits, true);
        line < 0) {
        return FailOpen(line);
    }
    ReadLineStatus();
    try {
        Device_.SetReadByThreads(true);
        StartThreads();
    } catch (const std::system_error&) {
        return FailOpen(-ecOutOfMemory);
    }
    return 0;
}

std::int32_t TVexaBaseDispatcher::FailOpen(std::int32_t result) {
    CloseComPort();
    return result;
}

// ---- Line settings ----

std::int32_t TVexaBaseDispatcher::ConfigureLine(std::uint32_t baud, std::uint8_t parity,
                                                std::uint8_t dataBits, std::uint8_t stopBits) {
    return Line_.ChangeLine(baud, parity, dataBits, stopBits, false);
}

std::int32_t TVexaBaseDispatcher::QueryLine(TDeviceLine& line) {
    return Line_.QueryLine(line);
}

void TVexaBaseDispatcher::SetSleepFunction(TSleepFunction sleep) {
    Line_.SetSleepFunction(std::move(sleep));
}

std::int32_t TVexaBaseDispatcher::SetDtrLine(bool on) {
    return Line_.SetDtrLine(on);
}

std::int32_t TVexaBaseDispatcher::SetRtsLine(bool on) {
    return Line_.SetRtsLine(on);
}

// ---- Flow control ----

std::int32_t TVexaBaseDispatcher::ConfigureHardwareFlow(std::uint32_t bufferFull,
                                                        std::uint32_t bufferResume,
                                                        std::uint32_t options) {
    return Line_.ConfigureHardwareFlow(bufferFull, bufferResume, options);
}

std::int32_t TVexaBaseDispatcher::ConfigureSoftwareFlow(std::uint32_t bufferFull,
                                                        std::uint32_t bufferResume,
                                                        std::uint32_t options) {
    return Line_.ConfigureSoftwareFlow(bufferFull, bufferResume, options);
}

std::int32_t TVexaBaseDispatcher::DisableFlow() {
    return Line_.DisableFlow();
}

std::int32_t TVexaBaseDispatcher::SetFlowChars(char xon, char xoff) {
    return Line_.SetFlowChars(xon, xoff);
}

std::int32_t TVexaBaseDispatcher::QueryFlow(TFlowSettings& flow) {
    return Line_.QueryFlow(flow);
}

// ---- Queue sizes, RS-485, priorities ----

std::int32_t TVexaBaseDispatcher::SetInQueueSize(std::uint32_t) {
    return 0;
}

std::int32_t TVexaBaseDispatcher::SetOutQueueSize(std::uint32_t) {
    return 0;
}

std::int32_t TVexaBaseDispatcher::SetQueueSizes(std::uint32_t, std::uint32_t) {
    return 0;
}

std::int32_t TVexaBaseDispatcher::SetRs485Mode(bool on) {
    std::lock_guard lock(DataLock_);
    const std::int32_t result = Line_.SetRs485Mode(on);
    ApplyThreadPriorities();
    return result;
}

bool TVexaBaseDispatcher::Rs485Mode() {
    return Line_.Rs485Mode();
}

void TVexaBaseDispatcher::SetThreadPriority(std::uint8_t base) {
    std::lock_guard lock(DataLock_);
    if (base == PriorityBase_) {
        return;
    }
    PriorityBase_ = base;
    ApplyThreadPriorities();
}

std::uint8_t TVexaBaseDispatcher::ThreadPriorityBase() {
    std::lock_guard lock(DataLock_);
    return PriorityBase_;
}

// ---- Windows, for the driver ----

void TVexaBaseDispatcher::PostToWindows(const TMessage& message) {
    std::lock_guard lock(DataLock_);
    for (const TWindowHandler& handler : Windows_) {
        if (!handler.Deleted) {
            handler.Window->Post(message);
        }
    }
}

std::size_t TVexaBaseDispatcher::DeliverPendingToWindows() {
    std::vector<IMessageTarget*> windows;
    {
        std::lock_guard lock(DataLock_);
        for (const TWindowHandler& handler : Windows_) {
            if (!handler.Deleted) {
                windows.push_back(handler.Window);
            }
        }
    }
    std::size_t delivered = 0;
    for (IMessageTarget* window : windows) {
        delivered += window->DeliverPending();
    }
    return delivered;
}

// ---- What a driver without threads leaves to these bodies ----

std::optional<std::string> TVexaBaseDispatcher::TakeWorkerFailure() {
    return std::nullopt;
}

bool TVexaBaseDispatcher::ThreadsStarted() const {
    return false;
}

void TVexaBaseDispatcher::ApplyThreadPriorities() {}

}  // namespace norvane::serial
