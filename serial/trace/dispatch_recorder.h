#pragma once
// Where a dispatcher reports what it does, for the byte trace and the dispatch log.
//
// The dispatcher calls a recorder only when one is attached (TVexaBaseDispatcher::
// AttachRecorder); without one the hooks cost a null check and record nothing. Whether an
// entry is kept (recording on, paused or off) is the recorder's business, not the caller's.
// Every call is made with the dispatcher's data lock held, from whichever thread did the
// work: the dispatch thread for device reads and notifications, the user-interface thread
// for bytes taken or queued and for trigger and handler changes.

#include <cstdint>
#include <span>

namespace norvane::serial {

// Kind of a trace entry: a byte the application queued for sending or took from the ring.
enum TTraceKind : std::uint8_t {
    tkTransmit = 'T',
    tkReceive = 'R',
};

// Type of a dispatch log entry. The number is what the log stores; the log file shows the
// name given with each value.
enum TLogType : std::uint8_t {
    ltNoEvent = 0,   // "No event"
    ltDispatch = 1,  // "Dispatch": device reads and writes
    ltTrigger = 2,   // "Trigger": a notification was issued
    ltError = 3,     // "Error"
    ltThread = 4,    // "Thread"
    ltTrigAllc = 5,  // "TrigAllc": a trigger was added
    ltTrigDisp = 6,  // "TrigDisp": a trigger was removed
    ltTrgHdAlc = 7,  // "TrgHdAlc": a handler was attached
    ltTrgHdDsp = 8,  // "TrgHdDsp": a handler was detached
    ltTrDatChg = 9,  // "TrDatChg": trigger data changed
    ltTelnet = 10,   // "Telnet"
    ltFax = 11,      // "Fax"
    ltXModem = 12,   // "XModem"
    ltYModem = 13,   // "YModem"
    ltZModem = 14,   // "ZModem"
    ltKermit = 15,   // "Kermit"
    ltAscii = 16,    // "Ascii"
    ltBPlus = 17,    // "BPlus"
    ltPacket = 18,   // "Packet"
    ltUser = 19,     // "User": data bytes are shown as characters
};

// Subtype of a dispatch log entry. Four names occur twice in the log file: the first group
// (5 to 8) qualifies notifications, the second (13 to 16) trigger additions and changes.
enum TLogSubtype : std::uint8_t {
    lsNone = 0,
    lsReadCom = 1,         // "ReadCom"
    lsWriteCom = 2,        // "WriteCom"
    lsLineStatus = 3,      // "Line status"
    lsModemStatus = 4,     // "Modem status"
    lsAvail = 5,           // "Avail"
    lsTimer = 6,           // "Timer"
    lsData = 7,            // "Data"
    lsStatus = 8,          // "Status"
    lsStart = 9,           // "Start"
    lsExit = 10,           // "Exit"
    lsSleep = 11,          // "Sleep"
    lsWake = 12,           // "Wake"
    lsDataTrigger = 13,    // "Data"
    lsTimerTrigger = 14,   // "Timer"
    lsStatusTrigger = 15,  // "Status"
    lsAvailTrigger = 16,   // "Avail"
    lsWindow = 17,         // "Window"
    lsProcedure = 18,      // "Procedure"
    lsMethod = 19,         // "Method"
};

class IDispatchRecorder {
  public:
    virtual ~IDispatchRecorder() = default;

    // One byte taken by the application (tkReceive) or queued for sending (tkTransmit).
    virtual void AddTraceEntry(TTraceKind kind, std::uint8_t byte) = 0;

    // One log entry: `data` is the count, handle or window the entry is about, `bytes` the
    // data that goes with it (may be empty). The bytes are only valid during the call.
    virtual void AddLogEntry(TLogType type, TLogSubtype subtype, std::uint32_t data,
                             std::span<const std::uint8_t> bytes) = 0;
};

}  // namespace norvane::serial
