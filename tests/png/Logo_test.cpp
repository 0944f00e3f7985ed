// The two logos the wizard shows must decode with the sizes and palettes its
// layout was drawn for.

#include "png/PNG.h"

#include <gtest/gtest.h>

#include <fstream>
#include <iterator>
#include <string>
#include <vector>

namespace {

std::vector<uint8_t> ReadFile(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

// The PLTE bytes of the last palette chunk, found by walking the file.
std::vector<uint8_t> RawPalette(const std::vector<uint8_t>& f) {
    std::vector<uint8_t> pal;
    for (size_t at = 8; at + 8 <= f.size();) {
        size_t len =
            size_t(f[at]) << 24 | size_t(f[at + 1]) << 16 | size_t(f[at + 2]) << 8 | f[at + 3];
        if (std::string(f.begin() + at + 4, f.begin() + at + 8) == "PLTE" &&
            at + 8 + len <= f.size())
            pal.assign(f.begin() + at + 8, f.begin() + at + 8 + len);
        at += len + 12;
    }
    return pal;
}

}  // namespace

TEST(Logos, DecodeToTheirSizesAndPalettes) {
    struct Case {
        const char* file;
        int width, height;
        size_t colours;
    } cases[] = {
        {"/res/logo.png", 120, 260, 256},
        {"/res/logosmall.png", 32, 32, 204},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.file);
        std::vector<uint8_t> bytes = ReadFile(std::string(PARVELA_SOURCE_DIR) + c.file);
        ASSERT_FALSE(bytes.empty()) << "logo file missing or empty";
        TPNGImage img;
        ASSERT_NO_THROW(img.LoadFromBytes(bytes.data(), bytes.size()));
        EXPECT_EQ(img.Width, c.width);
        EXPECT_EQ(img.Height, c.height);
        EXPECT_EQ(img.PixelFormat, 8);
        ASSERT_EQ(img.Palette.size(), c.colours);

        std::vector<uint8_t> raw = RawPalette(bytes);
        ASSERT_EQ(raw.size(), 3 * c.colours);
        for (size_t i = 0; i < c.colours; ++i) {
            ASSERT_EQ(img.Palette[i].Red, raw[3 * i]) << "entry " << i;
            ASSERT_EQ(img.Palette[i].Green, raw[3 * i + 1]) << "entry " << i;
            ASSERT_EQ(img.Palette[i].Blue, raw[3 * i + 2]) << "entry " << i;
        }
        // An index past the palette would show as black in the wizard.
        for (int y = 0; y < img.Height; ++y)
            for (int x = 0; x < img.Width; ++x)
                ASSERT_LT(img.PixelIndex(x, y), c.colours) << "pixel " << x << "," << y;
    }
}
