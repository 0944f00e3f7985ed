#pragma once
// Owners for the GDI objects, windows and device contexts the wizard makes.

#include <windows.h>

#include "instutils/WinHandles.h"  // TGdiHandle, TClientDC, TWindowHandle
#include "png/PNGBitmap_win.h"     // TBitmapHandle

using TFontHandle = TGdiHandle<HFONT>;
using TBrushHandle = TGdiHandle<HBRUSH>;
using TGdiObject = TGdiHandle<HGDIOBJ>;  // any of them, e.g. a loaded glyph

// Pixels per logical inch of the screen (96 when unknown).
inline int ScreenDpi() {
    TClientDC dc(nullptr);
    int dpi = dc.Get() ? GetDeviceCaps(dc.Get(), LOGPIXELSY) : 96;
    return dpi > 0 ? dpi : 96;
}
