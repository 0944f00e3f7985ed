#include "png/PNGBitmap_win.h"

void LoadPNGResource(HMODULE module, const char* name, TPNGImage& image) {
    // Resource handles need no release: they live as long as the module.
    HRSRC info = FindResourceA(module, name, "PNG");
    if (!info) throw EAbort("PNG resource missing");
    HGLOBAL loaded = LoadResource(module, info);
    const void* data = loaded ? LockResource(loaded) : nullptr;
    const DWORD size = SizeofResource(module, info);
    if (!data || size == 0) throw EAbort("PNG resource unreadable");
    image.LoadFromBytes(static_cast<const uint8_t*>(data), size);
}

void LoadPNGResource(const char* name, TPNGImage& image) {
    LoadPNGResource(GetModuleHandleA(nullptr), name, image);
}
