#pragma once
// Owners for the fonts, windows and screen DCs the wizard window creates.

#include <windows.h>

#include <utility>

#include "png/PNGBitmap.h"       // TBitmapHandle
#include "wizard/ControlDraw_win.h"  // TSelectObject

// Deletes its GDI object (font, bitmap, brush, pen) when released.
template <class H>
class TGdiHandle {
public:
    TGdiHandle() = default;
    explicit TGdiHandle(H h) : Handle(h) {}
    TGdiHandle(const TGdiHandle&) = delete;
    TGdiHandle& operator=(const TGdiHandle&) = delete;
    TGdiHandle(TGdiHandle&& o) noexcept : Handle(std::exchange(o.Handle, nullptr)) {}
    TGdiHandle& operator=(TGdiHandle&& o) noexcept {
        if (this != &o) Reset(std::exchange(o.Handle, nullptr));
        return *this;
    }
    ~TGdiHandle() { Reset(); }

    void Reset(H h = nullptr) {
        if (Handle) DeleteObject(Handle);
        Handle = h;
    }
    H Get() const { return Handle; }
    explicit operator bool() const { return Handle != nullptr; }

private:
    H Handle = nullptr;
};

using TFontHandle = TGdiHandle<HFONT>;
using TBrushHandle = TGdiHandle<HBRUSH>;

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

// A screen device context for measuring, released on scope exit.
class TScreenDC {
public:
    TScreenDC() : DC(GetDC(nullptr)) {}
    TScreenDC(const TScreenDC&) = delete;
    TScreenDC& operator=(const TScreenDC&) = delete;
    ~TScreenDC() { if (DC) ReleaseDC(nullptr, DC); }
    HDC Get() const { return DC; }

private:
    HDC DC;
};

// Pixels per logical inch of the screen (96 when unknown).
inline int ScreenDpi() {
    TScreenDC dc;
    int dpi = dc.Get() ? GetDeviceCaps(dc.Get(), LOGPIXELSY) : 96;
    return dpi > 0 ? dpi : 96;
}
