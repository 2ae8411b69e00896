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
