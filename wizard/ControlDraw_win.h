#pragma once
// Small drawing helpers shared by the folder page's and components page's
// own controls: DPI scaling, glyph bitmaps and scoped GDI state.

#include <windows.h>

#include <string>

// 96-DPI pixels at the screen's DPI.
int ScaleForDpi(int pixels96);

// Owns a GDI object (bitmap, brush, font) and deletes it.
class TGdiObject {
public:
    TGdiObject() = default;
    explicit TGdiObject(HGDIOBJ object) : Object(object) {}
    TGdiObject(TGdiObject&& other) noexcept : Object(other.Object) { other.Object = nullptr; }
    TGdiObject& operator=(TGdiObject&& other) noexcept;
    TGdiObject(const TGdiObject&) = delete;
    TGdiObject& operator=(const TGdiObject&) = delete;
    ~TGdiObject() { Reset(); }
    void Reset(HGDIOBJ object = nullptr);
    HGDIOBJ Get() const { return Object; }
    explicit operator bool() const { return Object != nullptr; }
private:
    HGDIOBJ Object = nullptr;
};

// A memory DC compatible with another DC, deleted at scope end.
class TMemoryDC {
public:
    explicit TMemoryDC(HDC compatible) : Dc(CreateCompatibleDC(compatible)) {}
    ~TMemoryDC() { if (Dc) DeleteDC(Dc); }
    TMemoryDC(const TMemoryDC&) = delete;
    TMemoryDC& operator=(const TMemoryDC&) = delete;
    HDC Get() const { return Dc; }
private:
    HDC Dc;
};

// Selects an object into a DC for the scope.
class TSelectObject {
public:
    TSelectObject(HDC dc, HGDIOBJ object) : Dc(dc), Old(object ? SelectObject(dc, object) : nullptr) {}
    ~TSelectObject() { if (Old) SelectObject(Dc, Old); }
    TSelectObject(const TSelectObject&) = delete;
    TSelectObject& operator=(const TSelectObject&) = delete;
private:
    HDC Dc;
    HGDIOBJ Old;
};

// A client DC released at scope end.
class TClientDC {
public:
    explicit TClientDC(HWND window) : Window(window), Dc(GetDC(window)) {}
    ~TClientDC() { if (Dc) ReleaseDC(Window, Dc); }
    TClientDC(const TClientDC&) = delete;
    TClientDC& operator=(const TClientDC&) = delete;
    HDC Get() const { return Dc; }
private:
    HWND Window;
    HDC Dc;
};

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
SIZE GlyphSize(HGDIOBJ bitmap);   // 0 x 0 for none
// Draws `bitmap` at x, y with the colour of its bottom-left pixel left out.
void DrawGlyphTransparent(HDC dc, HGDIOBJ bitmap, int x, int y);
// Height of a line of text in `font` (the system font when null).
int FontTextHeight(HWND window, HFONT font);
