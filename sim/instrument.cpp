#include "sim/instrument.h"

#include <string>

#include "sim/replies.h"

namespace norvane::sim {

namespace {

constexpr std::string_view kQueryPrefix = "?B1/";
constexpr std::string_view kStorePrefix = "=";

TReply ReplyOf(std::string_view text) {
    return std::string(text);
}

}  // namespace

TInstrument::TInstrument(TCellTable cells, TFaultPlan faults)
    : Cells_(std::move(cells)), Faults_(std::move(faults)) {
    if (const auto seed = Faults_.RandomSeed()) {
        Noise_.emplace(*seed);
    }
}

TReply TInstrument::Answer(std::string_view command) {
    if (Noise_) {
        return Noise_->Next();
    }
    if (command.empty()) {
        return AnswerLineClear();
    }
    if (command.starts_with(kQueryPrefix)) {
        return AnswerQuery(command.substr(kQueryPrefix.size()));
    }
    if (command.starts_with(kStorePrefix)) {
        return AnswerStore(command.substr(kStorePrefix.size()));
    }
    return ReplyOf(reply::kSyntaxError);
}

TReply TInstrument::AnswerLineClear() const {
    return Faults_.LineClearReply();
}

TReply TInstrument::AnswerQuery(std::string_view cellNumber) const {
    const auto number = ParseDecimal(cellNumber);
    if (!number) {
        return ReplyOf(reply::kSyntaxError);
    }
    if (!IsValidCell(*number)) {
        return ReplyOf(reply::kCellNotAvailable);
    }
    const int cell = static_cast<int>(*number);
    if (const auto fault = Faults_.CellFault(cell)) {
        return fault->Reply;
    }
    const auto definition = Cells_.Definition(cell);
    if (!definition) {
        return ReplyOf(reply::kCellNotAvailable);
    }
    return std::string(reply::kOk) + *definition;
}

TReply TInstrument::AnswerStore(std::string_view line) {
    if (auto rejected = Faults_.StoreRejectionReply(line)) {
        return *rejected;
    }
    const TCellReference reference = CellOfDefinition(line);
    switch (reference.Kind) {
        case TCellReference::TKind::Missing:
            return ReplyOf(reply::kCellIdMissing);
        case TCellReference::TKind::OutOfRange:
            return ReplyOf(reply::kDeviceNumberOutOfRange);
        case TCellReference::TKind::Valid:
            break;
    }
    if (const auto fault = Faults_.CellFault(reference.Cell)) {
        return fault->Reply;
    }
    Cells_.Store(reference.Cell, Faults_.StoredForm(line));
    return ReplyOf(reply::kOk);
}

}  // namespace norvane::sim
