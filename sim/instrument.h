#pragma once
// The instrument's side of the conversation, without any I/O: one command line in (CR and
// LF already stripped), at most one reply line out.

#include <optional>
#include <string_view>

#include "sim/cell_table.h"
#include "sim/fault_plan.h"

namespace norvane::sim {

class TInstrument {
  public:
    TInstrument(TCellTable cells, TFaultPlan faults);

    TReply Answer(std::string_view command);

    const TCellTable& Cells() const { return Cells_; }

  private:
    TReply AnswerLineClear() const;
    TReply AnswerQuery(std::string_view cellNumber) const;
    TReply AnswerStore(std::string_view line);

    TCellTable Cells_;
    TFaultPlan Faults_;
    std::optional<TRandomReplies> Noise_;
};

}  // namespace norvane::sim
