#pragma once
// A sizer on a window held in memory, started the way a window starts: the sizer is created,
// the stored values arrive through its setters, then the window is created, shown and
// activated.

#include <gtest/gtest.h>

#include <memory>
#include <ostream>

#include "memory_toolkit.h"
#include "sizing/gt_form.h"
#include "sizing/sizer_process_state.h"
#include "sizing/stored_values.h"

namespace norvane::sizing::testing {

struct TSize {
    int Width = 0;
    int Height = 0;
    friend bool operator==(const TSize&, const TSize&) = default;
    friend std::ostream& operator<<(std::ostream& out, const TSize& size) {
        return out << size.Width << " x " << size.Height;
    }
};

class SizerTest : public ::testing::Test {
  protected:
    SizerTest() { ResetSizerProcessStateForTesting(); }

    // Creates the sizer without stored values.
    void Construct() { Sizer = std::make_unique<GTForm>(Form, Screen); }
    // Creates the sizer with values; the window's own handlers must be in place before.
    void Attach(const TStoredSizerValues& values) {
        Sizer = std::make_unique<GTForm>(Form, Screen);
        // The values arrive while the window loads its layout.
        Form.SetState(csLoading);
        ApplyStoredValues(*Sizer, values);
        Form.SetState(0);
    }
    void Start(const TStoredSizerValues& values) {
        Attach(values);
        Form.Create();
        Form.Show();
        Form.Activate();
    }
    TSize Client() const { return {Form.ClientWidth(), Form.ClientHeight()}; }

    TMemoryScreen Screen{1280, 1024};
    TMemoryForm Form{552, 374, 13};
    std::unique_ptr<GTForm> Sizer;
};

// The main window as laid out, with its stored values.
class MainWindowTest : public SizerTest {
  protected:
    // The sizer's own rules at work on the main window's layout, without the size limits
    // the program gives that window (tested with the window itself, tests/app/).
    void StartMainWindow() {
        TStoredSizerValues values = MainFormSizerValues();
        values.RtMinimumWidth = 0;
        values.RtMinimumHeight = 0;
        Start(values);
    }

    TMainWindowLayout Layout{Form};
};

inline TRect At(int left, int top, int width, int height) {
    return {left, top, left + width, top + height};
}

}  // namespace norvane::sizing::testing
