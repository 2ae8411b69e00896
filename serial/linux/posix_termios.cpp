// Only the kernel's termbits here: <termios.h> defines a different struct termios with
// the same name, and the two cannot meet in one translation unit.
#include "serial/linux/posix_termios.h"

#include <asm/termbits.h>
#include <sys/ioctl.h>

#include <array>
#include <cerrno>
#include <cstring>
#include <utility>

namespace norvane::serial {

namespace {

static_assert(sizeof(termios2) <= sizeof(TSavedTermios::Bytes));

// Every code the kernel has: it answers a rate equal to one of them with the code, even
// when the rate was asked for as a number.
constexpr std::array<std::pair<std::uint32_t, tcflag_t>, 30> kStandardRates{{
    {50, B50},           {75, B75},           {110, B110},         {134, B134},
    {150, B150},         {200, B200},         {300, B300},         {600, B600},
    {1200, B1200},       {1800, B1800},       {2400, B2400},       {4800, B4800},
    {9600, B9600},       {19200, B19200},     {38400, B38400},     {57600, B57600},
    {115200, B115200},   {230400, B230400},   {460800, B460800},   {500000, B500000},
    {576000, B576000},   {921600, B921600},   {1000000, B1000000}, {1152000, B1152000},
    {1500000, B1500000}, {2000000, B2000000}, {2500000, B2500000}, {3000000, B3000000},
    {3500000, B3500000}, {4000000, B4000000},
}};

void EncodeBaud(std::uint32_t baud, termios2& tio) {
    tio.c_cflag &= ~(CBAUD | (CBAUD << IBSHIFT));
    for (const auto& [rate, code] : kStandardRates) {
        if (rate == baud) {
            tio.c_cflag |= code;
            tio.c_ispeed = tio.c_ospeed = baud;
            return;
        }
    }
    tio.c_cflag |= BOTHER;
    tio.c_ispeed = tio.c_ospeed = baud;
}

std::uint32_t DecodeBaud(const termios2& tio) {
    const tcflag_t code = tio.c_cflag & CBAUD;
    if (code == BOTHER) {
        return tio.c_ospeed;
    }
    for (const auto& [rate, standard] : kStandardRates) {
        if (standard == code) {
            return rate;
        }
    }
    return 0;
}

tcflag_t ByteSizeFlag(std::uint8_t byteSize) {
    switch (byteSize) {
        case 5:
            return CS5;
        case 6:
            return CS6;
        case 7:
            return CS7;
        default:
            return CS8;
    }
}

std::uint8_t ByteSizeOf(tcflag_t cflag) {
    switch (cflag & CSIZE) {
        case CS5:
            return 5;
        case CS6:
            return 6;
        case CS7:
            return 7;
        default:
            return 8;
    }
}

tcflag_t ParityFlags(std::uint8_t parity) {
    switch (parity) {
        case pcOdd:
            return PARENB | PARODD;
        case pcEven:
            return PARENB;
        case pcMark:
            return PARENB | CMSPAR | PARODD;
        case pcSpace:
            return PARENB | CMSPAR;
        default:
            return 0;
    }
}

std::uint8_t ParityOf(tcflag_t cflag) {
    if (!(cflag & PARENB)) {
        return pcNone;
    }
    if (cflag & CMSPAR) {
        return (cflag & PARODD) ? pcMark : pcSpace;
    }
    return (cflag & PARODD) ? pcOdd : pcEven;
}

void MakeRaw(termios2& tio) {
    tio.c_iflag &= ~(IGNBRK | BRKINT | PARMRK | ISTRIP | INLCR | IGNCR | ICRNL | IXANY);
    tio.c_oflag &= ~OPOST;
    tio.c_lflag &= ~(ECHO | ECHONL | ICANON | ISIG | IEXTEN);
    tio.c_cflag |= CLOCAL | CREAD;
    tio.c_cc[VMIN] = 0;
    tio.c_cc[VTIME] = 0;
}

void SetFlag(tcflag_t& flags, tcflag_t flag, bool on) {
    flags = on ? (flags | flag) : (flags & ~flag);
}

int IoctlResult(int result) {
    return result == 0 ? 0 : -errno;
}

}  // namespace

int ControlBlockToTermios(const TDeviceControlBlock& dcb, termios2& tio) {
    const std::uint32_t baud = TranslateCodedBaud(dcb.BaudRate);
    if (baud == 0 || dcb.ByteSize < 5 || dcb.ByteSize > 8) {
        return -EINVAL;
    }
    MakeRaw(tio);
    EncodeBaud(baud, tio);
    tio.c_cflag &= ~(CSIZE | PARENB | PARODD | CMSPAR | CSTOPB | CRTSCTS);
    tio.c_cflag |= ByteSizeFlag(dcb.ByteSize) | ParityFlags(dcb.Parity);
    SetFlag(tio.c_cflag, CSTOPB, dcb.StopBits != ONESTOPBIT);
    SetFlag(tio.c_cflag, CRTSCTS, dcb.fOutxCtsFlow || dcb.fRtsControl == RTS_CONTROL_HANDSHAKE);
    SetFlag(tio.c_iflag, INPCK, dcb.fParity);
    SetFlag(tio.c_iflag, IXON, dcb.fOutX);
    SetFlag(tio.c_iflag, IXOFF, dcb.fInX);
    tio.c_cc[VSTART] = static_cast<cc_t>(dcb.XonChar);
    tio.c_cc[VSTOP] = static_cast<cc_t>(dcb.XoffChar);
    return 0;
}

void TermiosToControlBlock(const termios2& tio, TDeviceControlBlock& dcb) {
    dcb.BaudRate = DecodeBaud(tio);
    dcb.ByteSize = ByteSizeOf(tio.c_cflag);
    dcb.Parity = ParityOf(tio.c_cflag);
    // Two stop bits at five data bits are one and a half on the wire.
    if (!(tio.c_cflag & CSTOPB)) {
        dcb.StopBits = ONESTOPBIT;
    } else {
        dcb.StopBits = dcb.ByteSize == 5 ? ONE5STOPBITS : TWOSTOPBITS;
    }
    // CRTSCTS is both directions at once; keep whichever half the caller asked for.
    const bool ctsRts = (tio.c_cflag & CRTSCTS) != 0;
    if (ctsRts && !dcb.fOutxCtsFlow && dcb.fRtsControl != RTS_CONTROL_HANDSHAKE) {
        dcb.fOutxCtsFlow = true;
        dcb.fRtsControl = RTS_CONTROL_HANDSHAKE;
    } else if (!ctsRts) {
        dcb.fOutxCtsFlow = false;
        if (dcb.fRtsControl == RTS_CONTROL_HANDSHAKE) {
            dcb.fRtsControl = RTS_CONTROL_ENABLE;
        }
    }
    dcb.fParity = (tio.c_iflag & INPCK) != 0;
    dcb.fOutX = (tio.c_iflag & IXON) != 0;
    dcb.fInX = (tio.c_iflag & IXOFF) != 0;
    dcb.XonChar = static_cast<char>(tio.c_cc[VSTART]);
    dcb.XoffChar = static_cast<char>(tio.c_cc[VSTOP]);
}

bool BaudRateTaken(std::uint32_t asked, std::uint32_t inForce) {
    const std::uint64_t difference = asked > inForce ? asked - inForce : inForce - asked;
    return inForce != 0 && difference * 100 <= std::uint64_t{asked} * kBaudTolerancePercent;
}

int ReadControlBlock(int fd, TDeviceControlBlock& dcb) {
    termios2 tio{};
    if (::ioctl(fd, TCGETS2, &tio) != 0) {
        return -errno;
    }
    TermiosToControlBlock(tio, dcb);
    return 0;
}

int WriteControlBlock(int fd, const TDeviceControlBlock& dcb, std::uint32_t& baudInForce) {
    termios2 tio{};
    if (::ioctl(fd, TCGETS2, &tio) != 0) {
        return -errno;
    }
    if (const int invalid = ControlBlockToTermios(dcb, tio); invalid != 0) {
        return invalid;
    }
    if (::ioctl(fd, TCSETS2, &tio) != 0 || ::ioctl(fd, TCGETS2, &tio) != 0) {
        return -errno;
    }
    baudInForce = DecodeBaud(tio);
    return 0;
}

int SaveTermios(int fd, TSavedTermios& saved) {
    termios2 tio{};
    if (::ioctl(fd, TCGETS2, &tio) != 0) {
        return -errno;
    }
    std::memcpy(saved.Bytes, &tio, sizeof tio);
    saved.Valid = true;
    return 0;
}

int RestoreTermios(int fd, const TSavedTermios& saved) {
    if (!saved.Valid) {
        return 0;
    }
    termios2 tio{};
    std::memcpy(&tio, saved.Bytes, sizeof tio);
    return IoctlResult(::ioctl(fd, TCSETS2, &tio));
}

}  // namespace norvane::serial
