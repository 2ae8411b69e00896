#include "sim/command_framer.h"

namespace norvane::sim {

std::vector<std::string> TCommandFramer::Feed(std::string_view bytes) {
    std::vector<std::string> commands;
    for (const char byte : bytes) {
        if (byte == '\n') {
            commands.push_back(std::move(Pending_));
            Pending_.clear();
        } else if (byte != '\r' && Pending_.size() < kMaxCommandLength) {
            Pending_.push_back(byte);
        }
    }
    return commands;
}

}  // namespace norvane::sim
