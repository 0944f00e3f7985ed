#include "wizard/ControlDraw_win.h"

TGdiObject LoadGlyph(const char* name) {
    return TGdiObject(
        LoadImageA(GetModuleHandleA(nullptr), name, IMAGE_BITMAP, 0, 0, LR_CREATEDIBSECTION));
}

SIZE GlyphSize(HGDIOBJ bitmap) {
    BITMAP info{};
    if (!bitmap || !GetObjectA(bitmap, sizeof info, &info)) return SIZE{0, 0};
    return SIZE{info.bmWidth, info.bmHeight < 0 ? -info.bmHeight : info.bmHeight};
}

SIZE ShownGlyphSize(HGDIOBJ bitmap, int dpi) {
    SIZE size = GlyphSize(bitmap);
    return SIZE{ScaleForDpi(size.cx, dpi), ScaleForDpi(size.cy, dpi)};
}

void DrawGlyphTransparent(HDC dc, HGDIOBJ bitmap, int x, int y, int dpi) {
    SIZE size = GlyphSize(bitmap);
    if (size.cx <= 0 || size.cy <= 0) return;
    SIZE shown = ShownGlyphSize(bitmap, dpi);
    TMemoryDC image(CreateCompatibleDC(dc));
    TMemoryDC mask(CreateCompatibleDC(dc));
    TGdiObject maskBitmap(CreateBitmap(size.cx, size.cy, 1, 1, nullptr));
    if (!image.Get() || !mask.Get() || !maskBitmap) return;
    TSelectObject selImage(image.Get(), bitmap);
    TSelectObject selMask(mask.Get(), maskBitmap.Get());
    // Mask: white where the image has the key colour, black elsewhere.
    COLORREF key = GetPixel(image.Get(), 0, size.cy - 1);
    SetBkColor(image.Get(), key);
    BitBlt(mask.Get(), 0, 0, size.cx, size.cy, image.Get(), 0, 0, SRCCOPY);
    COLORREF oldText = SetTextColor(dc, RGB(0, 0, 0));
    COLORREF oldBack = SetBkColor(dc, RGB(255, 255, 255));
    // Whole pixels when scaled up: pixel art stays crisp instead of smeared.
    int oldMode = SetStretchBltMode(dc, COLORONCOLOR);
    // dst ^ img, masked to the key area, ^ img again: the key area keeps dst,
    // the rest becomes the image.
    StretchBlt(dc, x, y, shown.cx, shown.cy, image.Get(), 0, 0, size.cx, size.cy, SRCINVERT);
    StretchBlt(dc, x, y, shown.cx, shown.cy, mask.Get(), 0, 0, size.cx, size.cy, SRCAND);
    StretchBlt(dc, x, y, shown.cx, shown.cy, image.Get(), 0, 0, size.cx, size.cy, SRCINVERT);
    SetStretchBltMode(dc, oldMode);
    SetTextColor(dc, oldText);
    SetBkColor(dc, oldBack);
}

int FontTextHeight(HWND window, HFONT font, int dpi) {
    TClientDC dc(window);
    if (!dc.Get()) return ScaleForDpi(13, dpi);
    TSelectObject sel(dc.Get(), font ? font : GetStockObject(DEFAULT_GUI_FONT));
    TEXTMETRICA tm{};
    GetTextMetricsA(dc.Get(), &tm);
    return tm.tmHeight;
}
