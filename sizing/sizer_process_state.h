#pragma once
// The values every form sizer of the process shares: one set, not one per window. A sizer
// constructed later resets InitialScalingDone and FirstApplyPending for all. User-interface
// thread only; no lock.

namespace norvane::sizing {

struct TSizerProcessState {
    bool InitialScalingDone = false;  // the creation-time scaling has run
    bool CreatedMaximized = false;    // restore the layout once the window leaves maximized
    bool FirstApplyPending = false;   // not resized since creation
    int ExtentRight = 0;              // right-most control edge, from the last extent measure
    int ExtentBottom = 0;             // lowest control edge, from the last extent measure
    bool InResizeHandler = false;     // guards the resize handler against re-entry
};

TSizerProcessState& SizerProcessState();

// Back to the values a fresh process starts with, so that tests do not depend on each other.
void ResetSizerProcessStateForTesting();

}  // namespace norvane::sizing
