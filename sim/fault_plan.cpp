#include "sim/fault_plan.h"

namespace norvane::sim {

TStoreRejection MakeStoreRejection(const std::string& pattern, std::string reply) {
    return {pattern, std::regex(pattern, std::regex::ECMAScript), std::move(reply)};
}

void TFaultPlan::SetCellFault(int cell, TCellFault fault) {
    CellFaults_[cell] = std::move(fault);
}

void TFaultPlan::AddStoreRejection(TStoreRejection rejection) {
    StoreRejections_.push_back(std::move(rejection));
}

std::optional<TCellFault> TFaultPlan::CellFault(int cell) const {
    const auto found = CellFaults_.find(cell);
    if (found == CellFaults_.end()) {
        return std::nullopt;
    }
    return found->second;
}

std::optional<std::string> TFaultPlan::StoreRejectionReply(std::string_view line) const {
    for (const TStoreRejection& rejection : StoreRejections_) {
        if (std::regex_search(line.begin(), line.end(), rejection.Pattern)) {
            return rejection.Reply;
        }
    }
    return std::nullopt;
}

void TFaultPlan::AlterStores(const std::string& pattern, std::string replacement) {
    StoreAlterations_.emplace_back(std::regex(pattern, std::regex::ECMAScript),
                                   std::move(replacement));
}

std::string TFaultPlan::StoredForm(std::string_view line) const {
    std::string stored(line);
    for (const auto& [pattern, replacement] : StoreAlterations_) {
        stored = std::regex_replace(stored, pattern, replacement);
    }
    return stored;
}

std::string TRandomReplies::Next() {
    // The engine's raw output, not a distribution: those differ between standard
    // libraries, and a seed must mean the same replies everywhere.
    const std::size_t length = 1 + Engine_() % kMaxLength;
    std::string reply;
    while (reply.size() < length) {
        const auto byte = static_cast<char>(Engine_() & 0xFF);
        if (byte != '\n') {
            reply.push_back(byte);
        }
    }
    return reply;
}

}  // namespace norvane::sim
