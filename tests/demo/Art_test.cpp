// The artwork files as the wizard's loaders and the resource compiler see
// them: the logos' PNG structure, the icon directory, the glyph bitmaps and
// the application manifest.

#include <gtest/gtest.h>
#include <zlib.h>

#include <algorithm>
#include <cstdint>
#include <cstdlib>
#include <fstream>
#include <iterator>
#include <map>
#include <set>
#include <string>
#include <utility>
#include <vector>

namespace {

using Bytes = std::vector<uint8_t>;

Bytes ReadArt(const std::string& name) {
    std::string path = std::string(PARVELA_SOURCE_DIR) + "/res/" + name;
    std::ifstream in(path, std::ios::binary);
    return Bytes(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

uint32_t Be32(const Bytes& b, size_t at) {
    return uint32_t(b[at]) << 24 | uint32_t(b[at + 1]) << 16 | uint32_t(b[at + 2]) << 8 | b[at + 3];
}
uint32_t Le32(const Bytes& b, size_t at) {
    return uint32_t(b[at]) | uint32_t(b[at + 1]) << 8 | uint32_t(b[at + 2]) << 16 |
           uint32_t(b[at + 3]) << 24;
}
uint16_t Le16(const Bytes& b, size_t at) { return uint16_t(b[at] | b[at + 1] << 8); }

struct Png {
    std::string error;
    uint32_t width = 0, height = 0;
    int depth = 0, colourType = -1, interlace = -1;
    size_t paletteEntries = 0;
    Bytes pixels;  // inflated IDAT: height rows of (1 filter byte + width)
};

Png Failed(std::string why) {
    Png p;
    p.error = std::move(why);
    return p;
}

// Walks the chunks the way a strict reader does: CRCs, order, one PLTE.
Png ParsePng(const Bytes& b) {
    Png p;
    static const uint8_t sig[8] = {137, 80, 78, 71, 13, 10, 26, 10};
    if (b.size() < 8 || !std::equal(sig, sig + 8, b.begin())) return Failed("signature");
    size_t at = 8;
    Bytes idat;
    bool sawEnd = false;
    std::vector<std::string> order;
    while (at + 12 <= b.size() && !sawEnd) {
        uint32_t len = Be32(b, at);
        if (at + 12 + len > b.size()) return Failed("chunk past the end");
        std::string type(b.begin() + at + 4, b.begin() + at + 8);
        uint32_t crc = crc32(0, &b[at + 4], 4 + len);
        if (crc != Be32(b, at + 8 + len)) return Failed("bad CRC in " + type);
        const uint8_t* d = &b[at + 8];
        order.push_back(type);
        if (type == "IHDR") {
            if (len != 13) return Failed("IHDR length");
            p.width = Be32(b, at + 8);
            p.height = Be32(b, at + 12);
            p.depth = d[8];
            p.colourType = d[9];
            p.interlace = d[12];
        } else if (type == "PLTE") {
            if (len % 3 || p.paletteEntries) return Failed("PLTE");
            p.paletteEntries = len / 3;
        } else if (type == "IDAT") {
            idat.insert(idat.end(), d, d + len);
        } else if (type == "IEND") {
            sawEnd = true;
        }
        at += 12 + len;
    }
    if (order.empty() || order.front() != "IHDR" || !sawEnd || at != b.size())
        return Failed("chunk order");
    uLongf outLen = uLongf(p.height) * (p.width + 1) + 1;
    p.pixels.resize(outLen);
    if (uncompress(p.pixels.data(), &outLen, idat.data(), idat.size()) != Z_OK)
        return Failed("IDAT");
    p.pixels.resize(outLen);
    return p;
}

TEST(Logos, HaveTheShapeTheWizardDecoderExpects) {
    struct Case {
        const char* file;
        uint32_t w, h;
        size_t palette;
    };
    const Case cases[] = {{"logo.png", 120, 260, 256}, {"logosmall.png", 32, 32, 204}};
    for (const Case& c : cases) {
        SCOPED_TRACE(c.file);
        Png p = ParsePng(ReadArt(c.file));
        ASSERT_EQ(p.error, "");
        EXPECT_EQ(p.width, c.w);
        EXPECT_EQ(p.height, c.h);
        EXPECT_EQ(p.depth, 8);
        EXPECT_EQ(p.colourType, 3);
        EXPECT_EQ(p.interlace, 0);
        EXPECT_EQ(p.paletteEntries, c.palette);
        ASSERT_EQ(p.pixels.size(), size_t(c.h) * (c.w + 1));
        // Undo the row filters, then every index must lie inside the
        // palette, or the wizard would paint a missing colour.
        std::set<uint8_t> used;
        std::vector<uint8_t> prev(c.w + 1, 0), cur(c.w + 1, 0);
        for (uint32_t y = 0; y < c.h; ++y) {
            const uint8_t* row = &p.pixels[size_t(y) * (c.w + 1)];
            ASSERT_LE(row[0], 4) << "row " << y;
            for (uint32_t x = 1; x <= c.w; ++x) {
                int a = x > 1 ? cur[x - 1] : 0, up = prev[x], ul = x > 1 ? prev[x - 1] : 0;
                int pr = a + up - ul, pa = std::abs(pr - a), pb = std::abs(pr - up),
                    pc = std::abs(pr - ul);
                int pred[5] = {0, a, up, (a + up) / 2,
                               pa <= pb && pa <= pc ? a
                               : pb <= pc           ? up
                                                    : ul};
                cur[x] = uint8_t(row[x] + pred[row[0]]);
                ASSERT_LT(cur[x], c.palette) << x << "," << y;
                used.insert(cur[x]);
            }
            std::swap(prev, cur);
        }
        // A picture, not a flat fill.
        EXPECT_GT(used.size(), 16u);
    }
}

TEST(Logos, SmallLogoSitsOnWhite) {
    // Its corners meet the white banner; a coloured frame would show there.
    Png p = ParsePng(ReadArt("logosmall.png"));
    ASSERT_EQ(p.error, "");
    Bytes raw = ReadArt("logosmall.png");
    // Find the palette again to read the corner colours.
    size_t at = 8;
    Bytes pal;
    while (at + 12 <= raw.size()) {
        uint32_t len = Be32(raw, at);
        if (std::string(raw.begin() + at + 4, raw.begin() + at + 8) == "PLTE")
            pal.assign(raw.begin() + at + 8, raw.begin() + at + 8 + len);
        at += 12 + len;
    }
    const size_t stride = 33;
    for (size_t idx : {size_t(1), size_t(32), 31 * stride + 1, 31 * stride + 32}) {
        uint8_t i = p.pixels[idx];
        EXPECT_GE(pal[i * 3] + pal[i * 3 + 1] + pal[i * 3 + 2], 3 * 240) << "pixel " << idx;
    }
}

TEST(Icon, HoldsFourSizesOfOneMark) {
    Bytes b = ReadArt("parvela.ico");
    ASSERT_GE(b.size(), 6u);
    EXPECT_EQ(Le16(b, 0), 0);
    EXPECT_EQ(Le16(b, 2), 1);  // icon, not cursor
    const int n = Le16(b, 4);
    ASSERT_EQ(n, 4);
    ASSERT_GE(b.size(), 6u + 16u * n);
    std::set<int> sizes;
    for (int i = 0; i < n; ++i) {
        size_t e = 6 + 16 * i;
        int w = b[e] ? b[e] : 256, h = b[e + 1] ? b[e + 1] : 256;
        uint32_t bytes = Le32(b, e + 8), off = Le32(b, e + 12);
        SCOPED_TRACE(w);
        EXPECT_EQ(w, h);
        sizes.insert(w);
        ASSERT_LE(uint64_t(off) + bytes, b.size());
        // Each image is a DIB of twice the height (colour + AND mask) whose
        // declared size fills its directory entry exactly.
        ASSERT_GE(bytes, 40u);
        EXPECT_EQ(Le32(b, off), 40u);
        EXPECT_EQ(int32_t(Le32(b, off + 4)), w);
        EXPECT_EQ(int32_t(Le32(b, off + 8)), 2 * h);
        const int bpp = Le16(b, off + 14);
        EXPECT_EQ(bpp, Le16(b, e + 6));
        const uint32_t colour = uint32_t(w) * h * bpp / 8;
        const uint32_t mask = ((w + 31) / 32) * 4 * h;
        EXPECT_EQ(bytes, 40 + colour + mask);
    }
    EXPECT_EQ(sizes, (std::set<int>{16, 24, 32, 48}));
}

TEST(Glyphs, AreSmallBitmapsWithATransparentCorner) {
    for (const char* name :
         {"fixeddrive.bmp", "removabledrive.bmp", "openfolder.bmp", "closedfolder.bmp"}) {
        SCOPED_TRACE(name);
        Bytes b = ReadArt(name);
        ASSERT_GE(b.size(), 54u);
        EXPECT_EQ(b[0], 'B');
        EXPECT_EQ(b[1], 'M');
        EXPECT_EQ(Le32(b, 2), b.size());
        const uint32_t dataAt = Le32(b, 10);
        EXPECT_EQ(Le32(b, 14), 40u);
        const int32_t w = int32_t(Le32(b, 18)), h = int32_t(Le32(b, 22));
        EXPECT_GE(w, 8);
        EXPECT_LE(w, 32);
        // Bottom-up rows, so that "bottom-left" is the first pixel stored.
        ASSERT_GE(h, 8);
        EXPECT_LE(h, 32);
        ASSERT_EQ(Le16(b, 28), 24);
        EXPECT_EQ(Le32(b, 30), 0u);  // uncompressed
        const size_t stride = (size_t(w) * 3 + 3) & ~size_t(3);
        ASSERT_EQ(b.size(), dataAt + stride * h);
        auto pixel = [&](int x, int y) {  // y from the bottom
            size_t at = dataAt + stride * y + 3 * x;
            return uint32_t(b[at]) | uint32_t(b[at + 1]) << 8 | uint32_t(b[at + 2]) << 16;
        };
        const uint32_t transparent = pixel(0, 0);
        int ink = 0;
        for (int y = 0; y < h; ++y)
            for (int x = 0; x < w; ++x) ink += pixel(x, y) != transparent;
        // Drawn with the key colour as background: a real glyph, and a key
        // colour that the drawing does not use for anything else.
        EXPECT_GT(ink, w * h / 5);
        EXPECT_LT(ink, w * h);
    }
}

TEST(Manifest, AsksForHighestRightsCommonControlsAndDpiAwareness) {
    Bytes b = ReadArt("ParvelaSetup.manifest");
    std::string m(b.begin(), b.end());
    ASSERT_FALSE(m.empty());
    EXPECT_EQ(m.rfind("<?xml", 0), 0u);
    for (const char* needle :
         {"level=\"highestAvailable\"", "name=\"Microsoft.Windows.Common-Controls\"",
          "version=\"6.0.0.0\"", "publicKeyToken=\"6595b64144ccf1df\"", "<dpiAware", "true/PM",
          "</assembly>"})
        EXPECT_NE(m.find(needle), std::string::npos) << needle;
    // Every element that opens is closed (a broken manifest stops the
    // program from starting at all on Windows).
    std::map<std::string, int> depth;
    size_t at = 0;
    while ((at = m.find('<', at)) != std::string::npos) {
        size_t end = m.find('>', at);
        ASSERT_NE(end, std::string::npos);
        std::string tag = m.substr(at + 1, end - at - 1);
        at = end;
        if (tag[0] == '?' || tag[0] == '!') continue;
        bool closing = tag[0] == '/';
        bool selfClosing = tag.back() == '/';
        std::string name =
            tag.substr(closing ? 1 : 0, tag.find_first_of(" \t\r\n/", 1) - (closing ? 1 : 0));
        if (closing)
            --depth[name];
        else if (!selfClosing)
            ++depth[name];
    }
    for (const auto& [name, d] : depth) EXPECT_EQ(d, 0) << name;
}

}  // namespace
