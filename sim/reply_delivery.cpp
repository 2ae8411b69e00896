#include "sim/reply_delivery.h"

namespace norvane::sim {

namespace {

constexpr long long kBitsPerByte = 10;

std::string ReplyBytes(std::string_view reply, const TStrayCr& strayCr) {
    std::string bytes;
    if (strayCr.BeforeFirst) {
        bytes += '\r';
    }
    if (strayCr.InMiddle) {
        const std::size_t middle = reply.size() / 2;
        bytes.append(reply.substr(0, middle));
        bytes += '\r';
        bytes.append(reply.substr(middle));
    } else {
        bytes.append(reply);
    }
    bytes += "\r\n";
    if (strayCr.AfterLf) {
        bytes += '\r';
    }
    return bytes;
}

}  // namespace

std::vector<std::string> ReplyFragments(std::string_view reply, const TReplyDelivery& delivery) {
    const std::string bytes = ReplyBytes(reply, delivery.StrayCr);
    if (delivery.FragmentBytes == 0) {
        return {bytes};
    }
    std::vector<std::string> fragments;
    for (std::size_t start = 0; start < bytes.size(); start += delivery.FragmentBytes) {
        fragments.push_back(bytes.substr(start, delivery.FragmentBytes));
    }
    return fragments;
}

std::string FloodBytes(std::size_t count) {
    std::string bytes(count, ' ');
    for (std::size_t i = 0; i < count; ++i) {
        bytes[i] = static_cast<char>('A' + i % 26);
    }
    return bytes;
}

std::chrono::nanoseconds ByteTime(unsigned baud) {
    if (baud == 0) {
        return std::chrono::nanoseconds{0};
    }
    return std::chrono::nanoseconds{kBitsPerByte * 1'000'000'000LL / baud};
}

}  // namespace norvane::sim
