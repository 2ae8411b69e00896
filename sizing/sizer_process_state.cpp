#include "sizing/sizer_process_state.h"

namespace norvane::sizing {
namespace {

TSizerProcessState State;

}  // namespace

TSizerProcessState& SizerProcessState() {
    return State;
}

void ResetSizerProcessStateForTesting() {
    State = TSizerProcessState{};
}

}  // namespace norvane::sizing
