#pragma once
// Turning decoded logos into bitmaps a window can show, and reading the
// program's own "PNG" resources. Windows only.

#ifdef _WIN32
#include <windows.h>

#include "instutils/WinHandles.h"
#include "png/PNG.h"

// Owns one GDI bitmap and deletes it; move-only.
using TBitmapHandle = TGdiHandle<HBITMAP>;

// A DIB section in the image's own pixel format (1, 4 or 8 bits) whose
// colour table is the image's palette, padded with black to the full
// 2, 16 or 256 entries. Throws EAbort for an empty image or when GDI fails.
TBitmapHandle CreatePaletteBitmap(const TPNGImage& image);

// A 32-bit DIB section of the image's colours (top-down, BGR0), convenient
// for StretchBlt at higher DPI. Throws EAbort like CreatePaletteBitmap.
TBitmapHandle CreateTrueColorBitmap(const TPNGImage& image);

// Loads the resource of type "PNG" with that name from the program's own
// module into image. Throws EAbort when it is missing or malformed; image
// then keeps what it held.
void LoadPNGResource(const char* name, TPNGImage& image);
// Same, from the given module.
void LoadPNGResource(HMODULE module, const char* name, TPNGImage& image);

#endif
