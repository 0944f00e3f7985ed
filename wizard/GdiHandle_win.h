#pragma once
// Owners for the GDI objects, windows and device contexts the wizard makes.

#include <windows.h>

#include "instutils/WinHandles.h"  // TGdiHandle, TClientDC
#include "png/PNGBitmap_win.h"     // TBitmapHandle

using TFontHandle = TGdiHandle<HFONT>;
using TBrushHandle = TGdiHandle<HBRUSH>;
using TGdiObject = TGdiHandle<HGDIOBJ>;  // any of them, e.g. a loaded glyph

// A window destroyed with its owner object.
class TWindowHandle {
public:
    TWindowHandle() = default;
    explicit TWindowHandle(HWND h) : Handle(h) {}
    TWindowHandle(const TWindowHandle&) = delete;
    TWindowHandle& operator=(const TWindowHandle&) = delete;
    ~TWindowHandle() { Reset(); }
    void Reset(HWND h = nullptr) {
        if (Handle && IsWindow(Handle)) DestroyWindow(Handle);
        Handle = h;
    }
    HWND Get() const { return Handle; }

private:
    HWND Handle = nullptr;
};

// The screen's device context, for measuring.
class TScreenDC : public TClientDC {
public:
    TScreenDC() : TClientDC(nullptr) {}
};

// Pixels per logical inch of the screen (96 when unknown).
inline int ScreenDpi() {
    TScreenDC dc;
    int dpi = dc.Get() ? GetDeviceCaps(dc.Get(), LOGPIXELSY) : 96;
    return dpi > 0 ? dpi : 96;
}
