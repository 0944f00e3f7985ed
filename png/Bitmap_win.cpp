#include "png/PNGBitmap_win.h"

#include <cstring>
#include <vector>

namespace {

// BITMAPINFO followed by room for a full 256-colour table.
struct TBitmapInfo {
    BITMAPINFOHEADER Header;
    RGBQUAD Colors[256];
};

TBitmapHandle CreateSection(const TPNGImage& image, int bitCount, const RGBQUAD* colors,
                            int colorCount, void** bits) {
    if (image.Width <= 0 || image.Height <= 0 || image.ScanLines.size() != size_t(image.Height))
        throw EAbort("empty image");
    TBitmapInfo info{};
    info.Header.biSize = sizeof(BITMAPINFOHEADER);
    info.Header.biWidth = image.Width;
    info.Header.biHeight = -image.Height;  // top-down, like the scan lines
    info.Header.biPlanes = 1;
    info.Header.biBitCount = WORD(bitCount);
    info.Header.biCompression = BI_RGB;
    info.Header.biClrUsed = DWORD(colorCount);
    if (colorCount) std::memcpy(info.Colors, colors, sizeof(RGBQUAD) * size_t(colorCount));
    TBitmapHandle bitmap(CreateDIBSection(nullptr, reinterpret_cast<BITMAPINFO*>(&info),
                                          DIB_RGB_COLORS, bits, nullptr, 0));
    if (!bitmap || !*bits) throw EAbort("CreateDIBSection failed");
    return bitmap;
}

size_t Stride(int width, int bitCount) { return (size_t(width) * bitCount + 31) / 32 * 4; }

}  // namespace

TBitmapHandle CreatePaletteBitmap(const TPNGImage& image) {
    const int bpp = image.PixelFormat;
    if (bpp != 1 && bpp != 4 && bpp != 8) throw EAbort("pixel format");
    // The full table, so that an index past a short palette shows black
    // rather than whatever GDI would pick.
    RGBQUAD colors[256] = {};
    const int count = 1 << bpp;
    for (int i = 0; i < count && size_t(i) < image.Palette.size(); ++i)
        colors[i] = {image.Palette[i].Blue, image.Palette[i].Green, image.Palette[i].Red, 0};
    void* bits = nullptr;
    TBitmapHandle bitmap = CreateSection(image, bpp, colors, count, &bits);
    const size_t stride = Stride(image.Width, bpp);
    const size_t lineSize = (size_t(image.Width) * bpp + 7) / 8;
    for (int y = 0; y < image.Height; ++y) {
        const std::vector<uint8_t>& line = image.ScanLines[size_t(y)];
        if (line.size() < lineSize) throw EAbort("short scan line");
        std::memcpy(static_cast<uint8_t*>(bits) + stride * size_t(y), line.data(), lineSize);
    }
    GdiFlush();
    return bitmap;
}

TBitmapHandle CreateTrueColorBitmap(const TPNGImage& image) {
    if (image.PixelFormat != 1 && image.PixelFormat != 4 && image.PixelFormat != 8)
        throw EAbort("pixel format");
    void* bits = nullptr;
    TBitmapHandle bitmap = CreateSection(image, 32, nullptr, 0, &bits);
    for (int y = 0; y < image.Height; ++y)
        if (image.ScanLines[size_t(y)].size() < (size_t(image.Width) * image.PixelFormat + 7) / 8)
            throw EAbort("short scan line");
    const std::vector<uint32_t> pixels = image.ToBGRA();
    std::memcpy(bits, pixels.data(), pixels.size() * sizeof(uint32_t));
    GdiFlush();
    return bitmap;
}
