#pragma once
// Small drawing helpers shared by the folder page's and components page's
// own controls: DPI scaling and glyph bitmaps.

#include <windows.h>

#include <string>

#include "wizard/GdiHandle_win.h"

// 96-DPI pixels at `dpi`.
inline int ScaleForDpi(int pixels96, int dpi) { return MulDiv(pixels96, dpi, 96); }

// Keeps the system's critical-error boxes (no disk in drive) away.
class TErrorModeScope {
public:
    TErrorModeScope() : Old(SetErrorMode(SEM_FAILCRITICALERRORS)) {}
    ~TErrorModeScope() { SetErrorMode(Old); }
    TErrorModeScope(const TErrorModeScope&) = delete;
    TErrorModeScope& operator=(const TErrorModeScope&) = delete;

private:
    UINT Old;
};

// Bitmap resource `name` of the running program; empty when it has none.
TGdiObject LoadGlyph(const char* name);
SIZE GlyphSize(HGDIOBJ bitmap);  // 0 x 0 for none
// The size a glyph is drawn at: the bitmap is drawn for 96 DPI and scaled.
SIZE ShownGlyphSize(HGDIOBJ bitmap, int dpi);
// Draws `bitmap` at x, y, scaled to ShownGlyphSize, with the colour of its
// bottom-left pixel left out.
void DrawGlyphTransparent(HDC dc, HGDIOBJ bitmap, int x, int y, int dpi);
// Height of a line of text in `font` (the system font when null).
int FontTextHeight(HWND window, HFONT font, int dpi);
