#pragma once
// GTForm: the form sizer a window carries (by convention as `GTSizer`). It sizes the window
// for the screen it runs on from the screen it was laid out on, and whenever the window is
// resized it moves and resizes every control in proportion and scales their font heights,
// keeping the window's height-to-width ratio.
//
// The sizer takes over twenty of the window's event handler slots at construction (keeping
// the window's own handlers as GTOn... and forwarding to them) and gives them back at
// destruction. It then runs only inside those handlers, on the user-interface thread.
//
// Files: gt_form.cpp (properties, take-over, lifecycle), gt_form_snapshot.cpp (measuring,
// capture, snapshot), gt_form_scaling.cpp (proportional scaling, special control),
// gt_form_create.cpp (creation, initial scaling, show, activation, screen changes),
// gt_form_resize.cpp (the resize pipeline, limits, labels).
//
// Only run time is supported: there is no form designer, so the design values arrive through
// the setters (see sizing/stored_values.h) and are never recaptured into the design strings.

#include <string>
#include <string_view>
#include <vector>

#include "sizing/toolkit.h"

namespace norvane::sizing {

// One snapshot record. Record 0 describes the window (client size in Right and Bottom, its
// font height); record i + 1 the window's component i (all zero for non-controls).
struct TObjs {
    TRect SavedBounds;
    int FontHeight = 0;
    int TabFontHeight = 0;  // tabbed notebooks only
};

// Minimum client height every caller of ScaleAll passes; below it fonts keep their height.
inline constexpr int kMinimumClientHeight = 100;
// The ScaleFont factors that save the font heights into the current record and restore them.
inline constexpr double kSaveFonts = 450.0;
inline constexpr double kRestoreFonts = -450.0;

class GTForm {
  public:
    // owner and screen must outlive the sizer. Takes over owner's event handler slots (the
    // window's own handlers become the GTOn... handlers) and becomes owner's receiver of
    // component notifications. Resets the process-wide InitialScalingDone and
    // FirstApplyPending.
    GTForm(IForm& owner, IScreen& screen);
    // Disables the sizer and gives the window its own handlers back (those in
    // SavedHandlers() now).
    virtual ~GTForm();
    GTForm(const GTForm&) = delete;
    GTForm& operator=(const GTForm&) = delete;

    // Published properties -------------------------------------------------------------

    // A design-time command; at run time setting it does nothing and it always reads false.
    bool GTUpdate() const { return false; }
    void SetGTUpdate(bool update);

    // Client size limits for user resizes (0 = none) and the client size to show the window
    // with at start (used only when both are non-zero). In design-screen pixels when SameSize,
    // in plain pixels otherwise.
    int RtMaximumHeight() const { return RtMaximumHeight_; }
    void SetRtMaximumHeight(int value) { RtMaximumHeight_ = value; }
    int RtMinimumHeight() const { return RtMinimumHeight_; }
    void SetRtMinimumHeight(int value) { RtMinimumHeight_ = value; }
    int RtMaximumWidth() const { return RtMaximumWidth_; }
    void SetRtMaximumWidth(int value) { RtMaximumWidth_ = value; }
    int RtMinimumWidth() const { return RtMinimumWidth_; }
    void SetRtMinimumWidth(int value) { RtMinimumWidth_ = value; }
    int RtDisplayHeight() const { return RtDisplayHeight_; }
    void SetRtDisplayHeight(int value) { RtDisplayHeight_ = value; }
    int RtDisplayWidth() const { return RtDisplayWidth_; }
    void SetRtDisplayWidth(int value) { RtDisplayWidth_ = value; }

    // true: the window keeps its share of the screen; false: controls keep their design
    // pixel sizes and only the right and bottom margins follow the screen. Setting it
    // recaptures the design values.
    bool SameSize() const { return SameSize_; }
    void SetSameSize(bool sameSize);

    // Design strings ("1024-21", "1280-1"). Write-once: a value is cut to 15 characters and
    // stored only while the property is still empty.
    const std::string& GTDesignH() const { return GTDesignH_; }
    void SetGTDesignH(std::string_view value);
    const std::string& GTDesignW() const { return GTDesignW_; }
    void SetGTDesignW(std::string_view value);

    // The window's client size at design time; setting one also sets the window's.
    int GTClientHeight() const { return GTClientHeight_; }
    void SetGTClientHeight(int height);
    int GTClientWidth() const { return GTClientWidth_; }
    void SetGTClientWidth(int width);

    // Controls whose Tag equals this keep their font height (their bounds still scale).
    int IgnoreTag() const { return IgnoreTag_; }
    void SetIgnoreTag(int tag) { IgnoreTag_ = tag; }

    // Whether the sizer handles the window's resize event; it enables itself at creation.
    bool Enabled() const { return Enabled_; }
    void SetEnabled(bool enabled);

    // The window's own handlers for the events the sizer took over (GTOnActivate ...
    // GTOnShow). Assigning to them is a plain store.
    TFormEventSlots& SavedHandlers() { return Saved_; }

    // Toolkit hook: a component was inserted into or removed from the window.
    void OwnerNotification(IComponent& component, TOperation operation);

    // Operations -----------------------------------------------------------------------
    // All act on the owner window and run on the user-interface thread.

    // The window is loading, reading, writing or being destroyed.
    bool IsBusy() const;
    // Auto-scroll off; keep-aspect resizing on or off; switching it on also enables.
    void SetAutoMode(bool on);

    // From the design strings: the design screen size (0: none or unreadable) and margins.
    int DesignScreenWidth() const;
    int DesignScreenHeight() const;
    void ParseDesignMargins();

    void MeasureExtent();
    void CorrectOverflow();
    void MeasureMargins();
    void CaptureDesign();

    void SetReferenceSize();
    void TakeSnapshot();
    void ClearSnapshot();
    void RebuildSnapshot();
    // Puts the window's client size, every control's bounds and every saved font height back
    // to the snapshot. Nothing when there is no snapshot yet. Redrawing resumes and the
    // cursor returns to normal also when a step throws; the exception propagates.
    void RestoreSnapshot();

    void ScaleAll(int minimumHeight);
    void ScaleEachControl(double factor);
    // Saves (kSaveFonts) or restores (kRestoreFonts) the control's font heights in the
    // current record, or multiplies them by factor. Nothing for a control that takes its
    // parent's font.
    virtual void ScaleFont(IControl& control, double factor);

    void MeasureSpecialControl();
    void EnforceSpecialMinimum();

    // Event handlers the sizer installs.
    void HandleCreate();
    void HandleResize();
    // Activation also applies a client size the window was given while it was inactive (and
    // the sizer off), once the first apply has happened: its controls would otherwise keep
    // their old layout until the next resize.
    void HandleActivate();
    void HandleDeactivate();
    void HandleShow();

    void FitToMargins();
    void InitialScale();
    void InitialScaleKeep();
    void InitialScaleSameSize();
    void ApplyResize();
    void KeepAspect();
    void CheckScreenChange();
    void CheckShowScreen();
    // Springs a too low window back to its reference size; returns the minimum height.
    int EnforceMinimumClient();
    void PlaceLabels();
    void AlignPages();

    // State, for diagnostics and tests ----------------------------------------------------
    int RefClientWidth() const { return RefClientWidth_; }
    int RefClientHeight() const { return RefClientHeight_; }
    double RefFontHeight() const { return RefFontHeight_; }
    double AspectRatio() const { return AspectRatio_; }
    int RightMargin() const { return RightMargin_; }
    int BottomMargin() const { return BottomMargin_; }
    int MeasuredRightMargin() const { return MeasuredRightMargin_; }
    int MeasuredBottomMargin() const { return MeasuredBottomMargin_; }
    int LastScreenWidth() const { return LastScreenWidth_; }
    int LastScreenHeight() const { return LastScreenHeight_; }
    int NonClientHeight() const { return NonClientHeight_; }
    bool AutoMode() const { return AutoMode_; }
    const TRect& SpecialRect() const { return SpecialRect_; }
    int SpecialMinWidth() const { return SpecialMinWidth_; }
    int SpecialMinHeight() const { return SpecialMinHeight_; }
    const std::vector<TObjs>& Snapshot() const { return Snapshot_; }
    const std::vector<TAlignment>& LabelAlignments() const { return LabelAligns_; }

  protected:
    IForm& Owner() { return *Owner_; }
    const IForm& Owner() const { return *Owner_; }
    IScreen& Screen() { return Screen_; }

  private:
    // Redrawing suspended and the busy cursor shown for as long as one of these lives;
    // nested scopes change nothing, the outermost one restores.
    class TBusyScope;
    friend class TBusyScope;
    // The resize handler's part between removing and reinstalling itself.
    class TResizeHandlerScope;

    void SaveHandlers();
    void InstallHandlers();
    // The client size differs from the one the last apply scaled to.
    bool ResizedWhileInactive() const;
    void InstallResizeHandler(TNotifyEvent handler);
    void RestoreHandlers();

    void RestorePass();
    void CaptureLabelAlignments();
    void RestoreActiveControl();
    void ResizeBody();
    void CompensateNonClient();
    struct TLimits {
        int MinWidth = 0;
        int MaxWidth = 0;
        int MinHeight = 0;
        int MaxHeight = 0;
    };
    TLimits CurrentLimits() const;
    void ApplyLimits(const TLimits& limits);
    void KeepLimitsWithAspect(const TLimits& limits);
    bool HasSnapshot() const { return !Snapshot_.empty(); }
    int SnapshotClientWidth() const;
    int SnapshotClientHeight() const;
    // index of the control among the window's components, or -1.
    int ComponentIndexOf(const IControl& control);
    // value scaled from the design screen to the current one along one direction; value
    // itself when there is no design screen size to scale from.
    int FromDesignScreen(double value, int designScreen, int screen) const;

    IForm* Owner_;
    IScreen& Screen_;

    int RtMaximumHeight_ = 0;
    int RtMinimumHeight_ = 0;
    int RtMaximumWidth_ = 0;
    int RtMinimumWidth_ = 0;
    int RtDisplayHeight_ = 0;
    int RtDisplayWidth_ = 0;
    bool SameSize_ = false;
    std::string GTDesignH_;
    std::string GTDesignW_;
    int GTClientHeight_ = 0;
    int GTClientWidth_ = 0;
    int IgnoreTag_ = 1;
    bool Enabled_ = false;
    TFormEventSlots Saved_;

    int RefClientWidth_ = 0;
    int RefClientHeight_ = 0;
    double RefFontHeight_ = 0.0;
    double AspectRatio_ = 0.0;
    int RightMargin_ = 0;
    int BottomMargin_ = 0;
    int MeasuredRightMargin_ = 0;
    int MeasuredBottomMargin_ = 0;
    int LastScreenWidth_ = 0;
    int LastScreenHeight_ = 0;
    int NonClientHeight_ = 0;
    int ExtraNonClient_ = 0;
    bool AutoMode_ = false;
    bool InApply_ = false;
    bool AspectBusy_ = false;
    bool Maximizing_ = false;
    bool AspectToggle_ = false;
    bool ScreenChanged_ = false;
    bool SpecialMinApplied_ = false;
    bool CorrectingOverflow_ = false;
    IControl* SavedActiveControl_ = nullptr;
    TRect SpecialRect_;
    int SpecialMinWidth_ = 0;
    int SpecialMinHeight_ = 0;
    double MaxRatioWidth_ = 0.0;
    double MaxRatioHeight_ = 0.0;
    bool MediaPlayerSeen_ = false;
    bool NavigatorSeen_ = false;

    std::vector<TObjs> Snapshot_;
    std::vector<TAlignment> LabelAligns_;
    TObjs* CurrentRecord_ = nullptr;
    int BusyDepth_ = 0;
};

}  // namespace norvane::sizing
