#pragma once
// The sizer's scope classes, shared by its implementation files only.

#include "sizing/gt_form.h"

namespace norvane::sizing {

class GTForm::TBusyScope {
  public:
    explicit TBusyScope(GTForm& sizer) : Sizer_(sizer) {
        if (Sizer_.BusyDepth_++ == 0) {
            Sizer_.Owner().SetRedrawSuspended(true);
            Sizer_.Screen().SetCursor(TCursor::HourGlass);
        }
    }
    ~TBusyScope() {
        if (--Sizer_.BusyDepth_ == 0) {
            Sizer_.Owner().SetRedrawSuspended(false);
            Sizer_.Screen().SetCursor(TCursor::Default);
        }
    }
    TBusyScope(const TBusyScope&) = delete;
    TBusyScope& operator=(const TBusyScope&) = delete;

  private:
    GTForm& Sizer_;
};

}  // namespace norvane::sizing
