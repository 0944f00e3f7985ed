#pragma once
// What the drive box, folder list and check list have in common: each is a
// container window whose C++ object lives in the window's first extra slot
// and which wraps one inner control that takes its font, focus, state and
// size.

#include <windows.h>

#include "wizard/GdiHandle_win.h"

// Registers the drive box, folder list and check list window classes.
// Idempotent; call once before the layout creates the controls.
void RegisterWizardControls(HINSTANCE instance);

class THostedControl {
public:
    THostedControl(const THostedControl&) = delete;
    THostedControl& operator=(const THostedControl&) = delete;
    virtual ~THostedControl() = default;

    HWND Handle() const { return Window; }
    // The inner control; null before WM_CREATE.
    virtual HWND Inner() const = 0;
    // Pixels per inch to draw and measure at: the wizard window's, the
    // screen's until the window says otherwise.
    void SetDpi(int dpi);

    // The object of `window` when it is of class `className`; null otherwise.
    static THostedControl* From(HWND window, const char* className);
    // Window procedure of a host class: makes the object with `make` at
    // WM_NCCREATE, deletes it at WM_NCDESTROY and handles the rest.
    static LRESULT WindowProc(HWND w, UINT msg, WPARAM wp, LPARAM lp,
                              THostedControl* (*make)(HWND));

protected:
    explicit THostedControl(HWND window) : Window(window) {}

    // Makes the inner control (WM_CREATE).
    virtual void Create() = 0;
    // Follows a new font or DPI (item heights, glyph sizes).
    virtual void UpdateMetrics() = 0;
    // Height of an owner-drawn item at the current font and DPI.
    virtual int ItemHeight() const = 0;
    virtual void Draw(const DRAWITEMSTRUCT& dis) = 0;
    // Pixels the inner control reaches below the host (a drop-down list).
    virtual int DropDownHeight() const { return 0; }
    // A WM_COMMAND notification `code` from the inner control; true when
    // handled, false leaves it to the default handling.
    virtual bool InnerCommand(WORD code) {
        (void)code;
        return false;
    }

    // Creates the inner control over the host's client area plus the
    // drop-down height.
    HWND CreateInnerControl(DWORD exStyle, const char* className, DWORD style);

    HWND Window = nullptr;
    HFONT Font = nullptr;  // the parent's font, not owned
    int Dpi = ScreenDpi();

private:
    LRESULT Dispatch(UINT msg, WPARAM wp, LPARAM lp);
    void FitInner();
};
