#pragma once
// A bitmap of the screen's format selected into a memory DC: what a test
// draws a control's item into to read its pixels back.

#include <windows.h>

#include "instutils/WinHandles.h"

class TOffscreen {
public:
    TOffscreen(int width, int height) : TOffscreen(TClientDC(nullptr), width, height) {}
    HDC Dc() const { return Memory.Get(); }

private:
    TOffscreen(const TClientDC& screen, int width, int height)
        : Memory(CreateCompatibleDC(screen.Get())),
          Bitmap(CreateCompatibleBitmap(screen.Get(), width, height)),
          Selected(Memory.Get(), Bitmap.Get()) {}

    // Declared in the order they are made; the selection is undone first.
    TMemoryDC Memory;
    TGdiHandle<HBITMAP> Bitmap;
    TSelectObject Selected;
};
