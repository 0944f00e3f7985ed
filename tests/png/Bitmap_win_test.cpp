#include "png/PNGBitmap_win.h"

#include <gtest/gtest.h>

#include "tests/png/PngWriter.h"

using namespace pngtest;

namespace {

// A memory DC with one bitmap selected, for reading its pixels back.
struct TSelectedBitmap {
    explicit TSelectedBitmap(HBITMAP bitmap)
        : Memory(CreateCompatibleDC(nullptr)), Selected(Memory.Get(), bitmap), Dc(Memory.Get()) {}
    TMemoryDC Memory;
    TSelectObject Selected;
    HDC Dc;
};

std::vector<Bytes> Pattern(int w, int h, int depth) {
    std::vector<Bytes> rows(h, Bytes(w));
    for (int y = 0; y < h; ++y)
        for (int x = 0; x < w; ++x) rows[y][x] = uint8_t((x * 7 + y * 3) % (1 << depth));
    return rows;
}

COLORREF Expected(const TPNGImage& img, int x, int y) {
    const TPaletteEntry& e = img.Palette[img.PixelIndex(x, y)];
    return RGB(e.Red, e.Green, e.Blue);
}

}  // namespace

// Every pixel read back through GDI shows the right colour the right way up,
// and the colour table holds the palette.
TEST(PngBitmap, PaletteBitmapMatchesTheImage) {
    struct Case {
        int depth, bits;
    } cases[] = {{1, 1}, {2, 4}, {4, 4}, {8, 8}};
    for (const Case& c : cases) {
        SCOPED_TRACE(c.depth);
        // Width 13 makes every format need row padding to whole DWORDs.
        TPNGImage img = Decode(Image(Pattern(13, 5, c.depth), c.depth, {0, 4}, 1 << c.depth));
        TBitmapHandle bmp = CreatePaletteBitmap(img);
        ASSERT_TRUE(bmp);

        DIBSECTION ds{};
        ASSERT_EQ(GetObjectA(bmp.Get(), sizeof ds, &ds), int(sizeof ds));
        EXPECT_EQ(ds.dsBm.bmWidth, 13);
        EXPECT_EQ(ds.dsBm.bmHeight, 5);
        EXPECT_EQ(ds.dsBm.bmBitsPixel, c.bits);

        TSelectedBitmap sel(bmp.Get());
        RGBQUAD table[256];
        const UINT n = GetDIBColorTable(sel.Dc, 0, 256, table);
        ASSERT_EQ(n, 1u << c.bits);
        for (UINT i = 0; i < n; ++i) {
            TPaletteEntry want =
                i < img.Palette.size() ? img.Palette[i] : TPaletteEntry{0, 0, 0, 0};
            ASSERT_EQ(table[i].rgbRed, want.Red) << i;
            ASSERT_EQ(table[i].rgbGreen, want.Green) << i;
            ASSERT_EQ(table[i].rgbBlue, want.Blue) << i;
        }
        for (int y = 0; y < 5; ++y)
            for (int x = 0; x < 13; ++x)
                ASSERT_EQ(GetPixel(sel.Dc, x, y), Expected(img, x, y)) << x << "," << y;
    }
}

TEST(PngBitmap, TrueColorBitmapMatchesTheImage) {
    TPNGImage img = Decode(Image(Pattern(7, 9, 4), 4, {1, 2}, 16));
    TBitmapHandle bmp = CreateTrueColorBitmap(img);
    ASSERT_TRUE(bmp);
    BITMAP bm{};
    ASSERT_NE(GetObjectA(bmp.Get(), sizeof bm, &bm), 0);
    EXPECT_EQ(bm.bmBitsPixel, 32);
    EXPECT_EQ(bm.bmWidth, 7);
    EXPECT_EQ(bm.bmHeight, 9);
    TSelectedBitmap sel(bmp.Get());
    for (int y = 0; y < 9; ++y)
        for (int x = 0; x < 7; ++x)
            ASSERT_EQ(GetPixel(sel.Dc, x, y), Expected(img, x, y)) << x << "," << y;
}

TEST(PngBitmap, EmptyImageRefused) {
    TPNGImage empty;
    EXPECT_THROW(CreatePaletteBitmap(empty), EAbort);
    EXPECT_THROW(CreateTrueColorBitmap(empty), EAbort);
}

TEST(PngBitmap, HandleOwnershipMoves) {
    TPNGImage img = Decode(Image(Pattern(2, 2, 1), 1, {0}, 2));
    TBitmapHandle a = CreatePaletteBitmap(img);
    HBITMAP raw = a.Get();
    TBitmapHandle b = std::move(a);
    EXPECT_FALSE(a);
    EXPECT_EQ(b.Get(), raw);
    b.Reset();
    EXPECT_EQ(GetObjectType(raw), 0u) << "bitmap not deleted";
}

// The test program carries a "PNG" resource TESTLOGO (5 x 3, 2-bit, red,
// green, blue, white) and NOTAPNG with text in it.
TEST(PngResource, LoadsTheProgramsOwnResource) {
    TPNGImage img;
    LoadPNGResource("TESTLOGO", img);
    EXPECT_EQ(img.Width, 5);
    EXPECT_EQ(img.Height, 3);
    EXPECT_EQ(img.PixelFormat, 4);
    ASSERT_EQ(img.Palette.size(), 4u);
    EXPECT_EQ(img.Palette[3].Red, 255);
    EXPECT_EQ(img.Palette[3].Blue, 255);
    const uint8_t rows[3][5] = {{0, 1, 2, 3, 0}, {3, 2, 1, 0, 1}, {1, 1, 2, 2, 3}};
    for (int y = 0; y < 3; ++y)
        for (int x = 0; x < 5; ++x) EXPECT_EQ(img.PixelIndex(x, y), rows[y][x]) << x << "," << y;
}

TEST(PngResource, MissingOrBrokenResourceAborts) {
    TPNGImage img;
    LoadPNGResource("TESTLOGO", img);
    EXPECT_THROW(LoadPNGResource("NOSUCHLOGO", img), EAbort);
    EXPECT_THROW(LoadPNGResource("NOTAPNG", img), EAbort);
    EXPECT_EQ(img.Width, 5) << "a failed load must keep the earlier picture";
}
