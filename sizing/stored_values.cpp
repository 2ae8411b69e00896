#include "sizing/stored_values.h"

namespace norvane::sizing {

TStoredSizerValues MainFormSizerValues() {
    TStoredSizerValues values;
    values.GTDesignH = "1024-21";
    values.GTDesignW = "1280-1";
    values.GTClientHeight = 374;
    values.GTClientWidth = 552;
    values.IgnoreTag = 1;
    values.SameSize = false;
    // Dragged smaller than the design size, the text fell under the design font's 13 pixels
    // and the tool buttons under their 16-pixel pictures; at 300 pixels wide the log read in
    // 7-pixel letters. The window grows from its design width but does not shrink below it.
    // The height's limit is the design's on a 1024 x 768 screen, the smallest the window is
    // laid out for, so that start-up there still fits the window to the screen.
    values.RtMinimumWidth = values.GTClientWidth;
    values.RtMinimumHeight = 369;
    return values;
}

void ApplyStoredValues(GTForm& sizer, const TStoredSizerValues& values) {
    sizer.SetRtMaximumHeight(values.RtMaximumHeight);
    sizer.SetRtMinimumHeight(values.RtMinimumHeight);
    sizer.SetRtMaximumWidth(values.RtMaximumWidth);
    sizer.SetRtMinimumWidth(values.RtMinimumWidth);
    sizer.SetRtDisplayHeight(values.RtDisplayHeight);
    sizer.SetRtDisplayWidth(values.RtDisplayWidth);
    sizer.SetSameSize(values.SameSize);
    sizer.SetGTDesignH(values.GTDesignH);
    sizer.SetGTDesignW(values.GTDesignW);
    sizer.SetGTClientHeight(values.GTClientHeight);
    sizer.SetGTClientWidth(values.GTClientWidth);
    sizer.SetIgnoreTag(values.IgnoreTag);
}

}  // namespace norvane::sizing
