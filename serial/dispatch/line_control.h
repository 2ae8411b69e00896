#pragma once
// TLineControl: line settings, DTR and RTS, flow control and RS-485 mode of one open port,
// kept in the device control block the dispatcher last applied.
//
// Each change reads the device's present block, changes it and writes it back; the block is
// remembered only once the device took it, so after a failure the device and the stored
// block are both as they were. DTR and RTS follow the wishes recorded by SetDtrLine and
// SetRtsLine, except while flow control (or RS-485 transmit switching) owns the line; every
// block written re-applies the wishes.
//
// Threads and locks: any thread. Guarded by the dispatcher's data lock, which every
// operation takes itself (it is recursive, so a caller may already hold it). The device is
// called with it held, except in the transmit-drain wait, which holds it only to read the
// present rate.
//
// Results follow the serial layer's convention: 0 or a positive value on success, a negated
// code of error_codes.h on failure.

#include <chrono>
#include <cstdint>
#include <functional>
#include <mutex>

#include "serial/dispatch/device_control_block.h"
#include "serial/dispatch/open_device.h"

namespace norvane::serial {

class TLineControl {
  public:
    // Line flags of an open.
    static constexpr std::uint32_t kLineDtrOn = 0x01;
    static constexpr std::uint32_t kLineRtsOn = 0x02;
    static constexpr std::uint32_t kLineDtrByFlow = 0x10;  // DTR belongs to hardware flow control
    static constexpr std::uint32_t kLineRtsByFlow = 0x20;  // RTS belongs to hardware flow control

    // ChangeLine's sentinels: keep what the device has.
    static constexpr std::uint32_t kKeepBaud = 0;
    static constexpr std::uint8_t kKeepParity = 5;
    static constexpr std::uint8_t kKeepDataBits = 9;
    static constexpr std::uint8_t kKeepStopBits = 3;

    // ConfigureHardwareFlow options.
    static constexpr std::uint32_t kFlowUseDtr = 0x01;
    static constexpr std::uint32_t kFlowUseRts = 0x02;
    static constexpr std::uint32_t kFlowRequireDsr = 0x04;
    static constexpr std::uint32_t kFlowRequireCts = 0x08;
    // ConfigureSoftwareFlow options.
    static constexpr std::uint32_t kFlowXonXoffOut = 0x01;  // stop sending on XOFF
    static constexpr std::uint32_t kFlowXonXoffIn = 0x02;   // send XOFF when our input fills

    struct TDeviceLine {
        std::uint32_t Baud = 0;  // coded rates translated
        std::uint8_t Parity = pcNone;
        std::uint8_t DataBits = 8;
        std::uint8_t StopBits = 1;  // 1, or 2 for one and a half and two
    };

    struct TFlowSettings {
        std::uint32_t Hardware = 0;  // kFlowUseDtr ... kFlowRequireCts
        std::uint32_t Software = 0;  // kFlowXonXoffOut, kFlowXonXoffIn
        char XonChar = 17;
        char XoffChar = 19;
    };

    using TSleepFunction = std::function<void(std::chrono::milliseconds)>;
    // Bytes queued for sending that the device has not taken yet. Called without the data
    // lock.
    using TOutputPending = std::function<std::uint32_t()>;

    // device and dataLock are not owned; both must outlive this object.
    TLineControl(TOpenDevice& device, std::recursive_mutex& dataLock, TOutputPending outputPending);

    // The first step of an open, on a device that is open but not yet configured: RS-485
    // off, the stored block refreshed from the device where it can be read, DTR and RTS set
    // as lineFlags say (or left to flow control), the drain rate set to the opening's, and
    // the input queue size the flow limits must fit in.
    void PrepareOpen(std::uint32_t lineFlags, std::uint32_t inQueueSize);
    // Sets baud (a rate, or one of the old rate codes), parity (TParityCode), data bits
    // (5..8) and stop bits (1 or 2; 0 counts as 1, above 2 as 2), each kept where its
    // sentinel above is given. Five data bits always get one and a half stop bits. When
    // nothing changes, returns 0 without touching the device unless opening. Otherwise first
    // waits until queued output has left the line (see TransmitDrainMilliseconds), so that
    // no byte goes out half in the old settings; opening also writes the block raw and
    // without flow control. -ecBadArgument for a parity above kKeepParity, -ecByteSize for
    // data bits outside 5..9; else 0 or the device's error, with its settings unchanged.
    std::int32_t ChangeLine(std::uint32_t baud, std::uint8_t parity, std::uint8_t dataBits,
                            std::uint8_t stopBits, bool opening);
    // The line settings the device has now. 0 or the device's error.
    std::int32_t QueryLine(TDeviceLine& line);

    // Raise or drop DTR / RTS and remember the wish (every block written keeps it). 1, with
    // nothing done, while flow control owns the line; else 0 or the device's error. The wish
    // is recorded even when the device fails.
    std::int32_t SetDtrLine(bool on);
    std::int32_t SetRtsLine(bool on);

    // Hardware flow control with the input-queue limits: flow stops when bufferFull bytes
    // are queued and resumes at bufferResume. Replaces the earlier hardware options; in
    // RS-485 mode RTS switches the transmitter instead. -ecBadArgument, with nothing
    // changed, when bufferFull is below bufferResume or above the input queue size. A
    // failed write leaves DTR and RTS with their previous owners.
    std::int32_t ConfigureHardwareFlow(std::uint32_t bufferFull, std::uint32_t bufferResume,
                                       std::uint32_t options);
    // XON/XOFF flow (characters 17 and 19) in the directions options names; a direction not
    // named keeps its setting. Same limits and argument check as ConfigureHardwareFlow.
    std::int32_t ConfigureSoftwareFlow(std::uint32_t bufferFull, std::uint32_t bufferResume,
                                       std::uint32_t options);
    // Switches XON/XOFF flow off in both directions.
    std::int32_t DisableFlow();
    std::int32_t SetFlowChars(char xon, char xoff);
    // The flow settings as set. DSR output flow and DTR handshake are reported as asked for
    // although Linux does not enforce them (see device_control_block.h). 0 or the error.
    std::int32_t QueryFlow(TFlowSettings& flow);

    // Records the mode (also when the device fails) and switches the device's own
    // transmitter control. 0 or the device's error.
    std::int32_t SetRs485Mode(bool on);
    bool Rs485Mode();

    // The block last applied to the device.
    TDeviceControlBlock StoredState();
    // Not while a ChangeLine runs.
    void SetSleepFunction(TSleepFunction sleep);

  private:
    std::int32_t ReadDeviceState(TDeviceControlBlock& state);
    std::uint32_t TransmitQueued();
    std::int32_t ApplyDeviceState(TDeviceControlBlock state);
    std::int32_t SetOutputLine(bool on, bool& wish, const bool& byFlow, bool dtr);
    std::int32_t ChangeFlow(const std::function<void(TDeviceControlBlock&)>& change);
    // ChangeFlow for a setting with thresholds: -ecBadArgument, with nothing changed, when
    // they do not fit the input queue; else `change` also gets the XOFF and XON limits.
    using TFlowLimitedChange =
        std::function<void(TDeviceControlBlock&, std::uint16_t xoffLimit, std::uint16_t xonLimit)>;
    std::int32_t ChangeFlowWithin(std::uint32_t bufferFull, std::uint32_t bufferResume,
                                  const TFlowLimitedChange& change);
    void WaitTransmitDrain();
    void Sleep(std::chrono::milliseconds duration);

    TOpenDevice& Device_;
    std::recursive_mutex& DataLock_;
    const TOutputPending OutputPending_;

    TDeviceControlBlock DeviceState_;
    std::uint32_t CurrentBaud_ = 115200;
    std::uint32_t InQueueSize_ = 0;
    bool DtrOn_ = false;
    bool DtrByFlow_ = false;
    bool RtsOn_ = false;
    bool RtsByFlow_ = false;
    bool Rs485Mode_ = false;
    TSleepFunction Sleep_;
};

}  // namespace norvane::serial
