#pragma once
// The one window of a run in /SILENT mode: a heading, what is being done
// and a progress bar. It has no close box: nobody is meant to answer the
// run, so there is nothing to ask before stopping it.

#include <windows.h>

#include <cstdint>

#include "wizard/GdiHandle_win.h"

constexpr const char* ProgressClassName = "ParvelaSetupProgress";

class TProgressWindow {
public:
    // Shown at once, centred, with the setup's title.
    explicit TProgressWindow(const char* heading);
    void SetRange(int32_t total);
    void Show(int32_t position, const char* doing);

private:
    TWindowHandle Window;
    HWND Doing = nullptr;
    HWND Bar = nullptr;
};
