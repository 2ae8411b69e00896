#pragma once
// The values a window's layout stores for its sizer, and their arrival through the sizer's
// setters as a layout file would deliver them.

#include <string>

#include "sizing/gt_form.h"

namespace norvane::sizing {

struct TStoredSizerValues {
    std::string GTDesignH;
    std::string GTDesignW;
    int GTClientHeight = 0;
    int GTClientWidth = 0;
    int IgnoreTag = 1;
    bool SameSize = false;
    int RtMaximumHeight = 0;
    int RtMinimumHeight = 0;
    int RtMaximumWidth = 0;
    int RtMinimumWidth = 0;
    int RtDisplayHeight = 0;
    int RtDisplayWidth = 0;
};

// The main window's: laid out on a 1280 x 1024 screen with a 552 x 374 client area, 1 pixel
// right of its right-most control and 21 below its lowest; the user may not make the client
// area smaller than that.
TStoredSizerValues MainFormSizerValues();

// Sets every value through its setter, in the order a layout file delivers them. Setting
// the client size resizes the window.
void ApplyStoredValues(GTForm& sizer, const TStoredSizerValues& values);

}  // namespace norvane::sizing
