#include "png/PNG.h"

#include <gtest/gtest.h>

#include "tests/png/PngWriter.h"

using namespace pngtest;

namespace {

// Deterministic pixel pattern that uses every index a depth allows.
std::vector<Bytes> Pattern(int w, int h, int depth) {
    std::vector<Bytes> rows(h, Bytes(w));
    uint32_t s = 12345;
    for (auto& r : rows)
        for (auto& p : r) {
            s = s * 1103515245 + 12345;
            p = uint8_t((s >> 16) % (1u << depth));
        }
    return rows;
}

void ExpectPixels(const TPNGImage& img, const std::vector<Bytes>& rows) {
    ASSERT_EQ(img.Height, int(rows.size()));
    ASSERT_EQ(img.Width, int(rows[0].size()));
    ASSERT_EQ(img.ScanLines.size(), rows.size());
    for (int y = 0; y < img.Height; ++y) {
        ASSERT_EQ(img.ScanLines[y].size(), size_t(img.Width * img.PixelFormat + 7) / 8);
        for (int x = 0; x < img.Width; ++x)
            ASSERT_EQ(img.PixelIndex(x, y), rows[y][x]) << "pixel " << x << "," << y;
    }
}

const std::vector<uint8_t> AllFilters = {0, 1, 2, 3, 4};

}  // namespace

// Odd widths leave partial bytes at the row end, where packing mistakes show.
TEST(PngDecode, EveryBitDepthGivesItsPixelsAndFormat) {
    struct Case {
        int depth, width, format;
    } cases[] = {
        {1, 13, 1}, {2, 7, 4}, {2, 1, 4}, {2, 6, 4}, {4, 9, 4}, {8, 5, 8},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE("depth " + std::to_string(c.depth) + " width " + std::to_string(c.width));
        auto rows = Pattern(c.width, 4, c.depth);
        TPNGImage img = Decode(Image(rows, c.depth, AllFilters, 1 << c.depth));
        EXPECT_EQ(img.PixelFormat, c.format);
        EXPECT_EQ(img.Palette.size(), size_t(1) << c.depth);
        ExpectPixels(img, rows);
        // Bits past the last pixel are zero, so the bitmap shows no stray pixels.
        int used = c.width * c.format % 8;
        if (used) {
            for (auto& line : img.ScanLines) EXPECT_EQ(line.back() & (0xFF >> used), 0);
        }
    }
}

TEST(PngDecode, TwoBitIndicesWidenWithLeftPixelHigh) {
    // Indices 3,2,1,0 | 1 packed as 0b11100100 0b01000000.
    Bytes raw = {0, 0xE4, 0x40};
    TPNGImage img = Decode(
        File({{"IHDR", Header(5, 1, 2)}, {"PLTE", Gray(4)}, {"IDAT", Zlib(raw)}, {"IEND", {}}}));
    ASSERT_EQ(img.PixelFormat, 4);
    EXPECT_EQ(img.ScanLines[0], (Bytes{0x32, 0x10, 0x10}));
}

TEST(PngDecode, EachRowFilterUndoneExactly) {
    // Second row filtered; expected values worked out by hand, including
    // wrap-around, an Average whose sum exceeds 255, and every Paeth choice.
    struct Case {
        uint8_t filter;
        Bytes first, raw, expected;
    } cases[] = {
        {0, {10, 20, 30, 250, 200, 255}, {1, 2, 3, 4, 5, 6}, {1, 2, 3, 4, 5, 6}},
        {1, {10, 20, 30, 250, 200, 255}, {5, 5, 5, 10, 250, 6}, {5, 10, 15, 25, 19, 25}},
        {2, {10, 20, 30, 250, 200, 255}, {1, 2, 3, 10, 56, 1}, {11, 22, 33, 4, 0, 0}},
        {3, {10, 20, 30, 250, 200, 255}, {0, 0, 0, 0, 1, 255}, {5, 12, 21, 135, 168, 210}},
        {4, {50, 50, 90, 10, 100, 0}, {7, 1, 2, 3, 60, 9}, {57, 58, 92, 13, 160, 109}},
        // Second pixel: above and upper-left equally near, above wins.
        {4, {10, 30, 200, 100, 40, 40}, {246, 5, 0, 0, 0, 0}, {0, 35, 200, 100, 40, 40}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE("filter " + std::to_string(c.filter));
        Bytes raw;
        for (const Bytes* part : {&c.first, &c.raw}) {
            raw.push_back(part == &c.first ? 0 : c.filter);
            for (uint8_t b : *part) raw.push_back(b);
        }
        TPNGImage img = Decode(File(
            {{"IHDR", Header(6, 2, 8)}, {"PLTE", Gray(256)}, {"IDAT", Zlib(raw)}, {"IEND", {}}}));
        EXPECT_EQ(img.ScanLines[0], c.first);
        EXPECT_EQ(img.ScanLines[1], c.expected);
    }
}

TEST(PngDecode, FiltersOnFirstRowSeeZeroAbove) {
    for (uint8_t f : AllFilters) {
        SCOPED_TRACE(int(f));
        auto rows = Pattern(11, 1, 8);
        ExpectPixels(Decode(Image(rows, 8, {f}, 256)), rows);
    }
}

TEST(PngDecode, MixedFiltersOverLargerImageRoundTrip) {
    for (int depth : {1, 2, 4, 8}) {
        SCOPED_TRACE(depth);
        auto rows = Pattern(37, 23, depth);
        ExpectPixels(Decode(Image(rows, depth, {4, 3, 0, 2, 1, 4, 4, 3}, 1 << depth)), rows);
    }
}

TEST(PngChunks, LayoutVariantsDecodeLikeThePlainFile) {
    auto rows = Pattern(19, 9, 8);
    Bytes ihdr = Header(19, 9, 8), plte = Gray(200), data = Zlib(Encode(rows, 8, AllFilters));
    const TPNGImage plain =
        Decode(File({{"IHDR", ihdr}, {"PLTE", plte}, {"IDAT", data}, {"IEND", {}}}));

    auto split = [&](size_t pieces) {
        std::vector<Chunk> idats;
        size_t step = (data.size() + pieces - 1) / pieces;
        for (size_t at = 0; at < data.size(); at += step)
            idats.push_back({"IDAT", Bytes(data.begin() + at,
                                           data.begin() + std::min(data.size(), at + step))});
        return idats;
    };
    auto with = [&](std::vector<Chunk> head, std::vector<Chunk> idats, std::vector<Chunk> tail) {
        head.insert(head.end(), idats.begin(), idats.end());
        head.insert(head.end(), tail.begin(), tail.end());
        return File(head);
    };
    Bytes text = {'C', 'o', 'm', 'm', 'e', 'n', 't', 0, 'x'};
    struct Case {
        const char* name;
        Bytes file;
    } cases[] = {
        {"three IDATs", with({{"IHDR", ihdr}, {"PLTE", plte}}, split(3), {{"IEND", {}}})},
        {"one-byte IDATs",
         with({{"IHDR", ihdr}, {"PLTE", plte}}, split(data.size()), {{"IEND", {}}})},
        {"empty IDAT between", with({{"IHDR", ihdr}, {"PLTE", plte}},
                                    {{"IDAT", {}}, {"IDAT", data}, {"IDAT", {}}}, {{"IEND", {}}})},
        {"ancillary chunks", File({{"IHDR", ihdr},
                                   {"gAMA", {0, 0, 0xB1, 0x8F}},
                                   {"tEXt", text},
                                   {"PLTE", plte},
                                   {"tRNS", {0, 1, 2}},
                                   {"IDAT", data},
                                   {"zzZz", Bytes(1000, 7)},
                                   {"IEND", {}}})},
        {"IDATs interrupted by ancillary", with({{"IHDR", ihdr}, {"PLTE", plte}},
                                                {{"IDAT", Bytes(data.begin(), data.begin() + 5)},
                                                 {"tEXt", text},
                                                 {"IDAT", Bytes(data.begin() + 5, data.end())}},
                                                {{"IEND", {}}})},
        {"wrong CRCs", File({{"IHDR", ihdr, true},
                             {"PLTE", plte, true},
                             {"IDAT", data, true},
                             {"IEND", {}, true}})},
        {"PLTE after IDAT", File({{"IHDR", ihdr}, {"IDAT", data}, {"PLTE", plte}, {"IEND", {}}})},
        {"last PLTE wins",
         File({{"IHDR", ihdr}, {"PLTE", Gray(3)}, {"IDAT", data}, {"PLTE", plte}, {"IEND", {}}})},
        {"no IEND", File({{"IHDR", ihdr}, {"PLTE", plte}, {"IDAT", data}})},
        {"garbage after IEND",
         [&] {
             Bytes f = File({{"IHDR", ihdr}, {"PLTE", plte}, {"IDAT", data}, {"IEND", {}}});
             f.insert(f.end(), {0xFF, 0xFF, 0xFF, 0xFF, 'I', 'D', 'A', 'T', 1});
             return f;
         }()},
        {"chunks after IEND ignored", File({{"IHDR", ihdr},
                                            {"PLTE", plte},
                                            {"IDAT", data},
                                            {"IEND", {}},
                                            {"PLTE", Gray(2)},
                                            {"IDAT", {1, 2}}})},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        TPNGImage img = Decode(c.file);
        EXPECT_EQ(img.Width, plain.Width);
        EXPECT_EQ(img.PixelFormat, plain.PixelFormat);
        ASSERT_EQ(img.Palette.size(), 200u);
        EXPECT_EQ(img.Palette[199].Green, 255 - 199);
        EXPECT_EQ(img.ScanLines, plain.ScanLines);
    }
}

TEST(PngChunks, PaletteEntriesInOrderAndCutAt256) {
    auto rows = Pattern(3, 1, 8);
    Bytes data = Zlib(Encode(rows, 8, {0}));
    for (int entries : {1, 2, 204, 256, 300}) {
        SCOPED_TRACE(entries);
        Bytes plte = Gray(entries);
        plte.push_back(42);  // a partial entry is ignored
        TPNGImage img =
            Decode(File({{"IHDR", Header(3, 1, 8)}, {"PLTE", plte}, {"IDAT", data}, {"IEND", {}}}));
        ASSERT_EQ(img.Palette.size(), size_t(std::min(entries, 256)));
        for (size_t i = 0; i < img.Palette.size(); ++i) {
            const TPaletteEntry& e = img.Palette[i];
            ASSERT_EQ(e.Red, uint8_t(i));
            ASSERT_EQ(e.Green, uint8_t(255 - i));
            ASSERT_EQ(e.Blue, uint8_t(i * 7));
            ASSERT_EQ(e.Flags, 0);
        }
    }
}

namespace {

struct Bad {
    const char* name;
    Bytes file;
};

Bytes Valid() { return Image(Pattern(8, 4, 8), 8, AllFilters, 256); }

std::vector<Bad> Malformed() {
    auto rows = Pattern(8, 4, 8);
    Bytes data = Zlib(Encode(rows, 8, AllFilters));
    Bytes plte = Gray(256);
    auto withHeader = [&](Bytes ihdr) {
        return File({{"IHDR", ihdr}, {"PLTE", plte}, {"IDAT", data}, {"IEND", {}}});
    };
    Bytes raw5 = Encode(rows, 8, {0});
    raw5[2 * 9] = 5;  // third row's filter byte
    Bytes wrongSig = Valid();
    wrongSig[1] = 'p';
    Bytes badZlib = data;
    badZlib[0] = 0x79;
    Bytes damaged = data;
    for (size_t i = 2; i < damaged.size(); ++i) damaged[i] ^= 0x5A;
    Bytes hugeLen = File({{"IHDR", Header(8, 4, 8)}, {"PLTE", plte}});
    Put32(hugeLen, 0xFFFFFFFF);
    hugeLen.insert(hugeLen.end(), {'I', 'D', 'A', 'T', 1, 2, 3});
    Bytes hugeSkip = File({{"IHDR", Header(8, 4, 8)}, {"PLTE", plte}, {"IDAT", data}});
    Put32(hugeSkip, 0xFFFFFFFF);
    hugeSkip.insert(hugeSkip.end(), {'t', 'E', 'X', 't', 1, 2, 3});
    Bytes noCrc = Valid();
    noCrc.resize(noCrc.size() - 4);
    return {
        {"empty input", {}},
        {"signature only", Signature()},
        {"signature cut", {137, 80, 78, 71, 13}},
        {"wrong signature", wrongSig},
        {"no IHDR", File({{"PLTE", plte}, {"IDAT", data}, {"IEND", {}}})},
        {"IHDR not first",
         File({{"PLTE", plte}, {"IHDR", Header(8, 4, 8)}, {"IDAT", data}, {"IEND", {}}})},
        {"lower-case ihdr is not a header",
         File({{"ihdr", Header(8, 4, 8)}, {"PLTE", plte}, {"IDAT", data}, {"IEND", {}}})},
        {"no IDAT", File({{"IHDR", Header(8, 4, 8)}, {"PLTE", plte}, {"IEND", {}}})},
        {"IDAT only after IEND",
         File({{"IHDR", Header(8, 4, 8)}, {"PLTE", plte}, {"IEND", {}}, {"IDAT", data}})},
        {"no PLTE", File({{"IHDR", Header(8, 4, 8)}, {"IDAT", data}, {"IEND", {}}})},
        {"only IEND", File({{"IEND", {}}})},
        {"filter type 5",
         File({{"IHDR", Header(8, 4, 8)}, {"PLTE", plte}, {"IDAT", Zlib(raw5)}, {"IEND", {}}})},
        {"zlib header wrong",
         File({{"IHDR", Header(8, 4, 8)}, {"PLTE", plte}, {"IDAT", badZlib}, {"IEND", {}}})},
        {"zlib data damaged",
         File({{"IHDR", Header(8, 4, 8)}, {"PLTE", plte}, {"IDAT", damaged}, {"IEND", {}}})},
        {"image data one row short", withHeader(Header(8, 5, 8))},
        {"image data cut", File({{"IHDR", Header(8, 4, 8)},
                                 {"PLTE", plte},
                                 {"IDAT", Bytes(data.begin(), data.end() - 8)},
                                 {"IEND", {}}})},
        {"empty image data",
         File({{"IHDR", Header(8, 4, 8)}, {"PLTE", plte}, {"IDAT", {}}, {"IEND", {}}})},
        {"width 0", withHeader(Header(0, 4, 8))},
        {"height 0", withHeader(Header(8, 0, 8))},
        {"width too large", withHeader(Header(16385, 4, 8))},
        {"height 2^32-1", withHeader(Header(8, 0xFFFFFFFF, 8))},
        {"width 2^31", withHeader(Header(0x80000000, 4, 8))},
        {"bit depth 0", withHeader(Header(8, 4, 0))},
        {"bit depth 3", withHeader(Header(8, 4, 3))},
        {"bit depth 16", withHeader(Header(8, 4, 16))},
        {"true colour", withHeader(Header(8, 4, 8, 2))},
        {"grey scale", withHeader(Header(8, 4, 8, 0))},
        {"interlaced", withHeader(Header(8, 4, 8, 3, 1))},
        {"short IHDR", withHeader(Bytes{0, 0, 0, 8, 0, 0, 0, 4, 8})},
        {"empty IHDR", withHeader(Bytes{})},
        {"chunk length past the end", hugeLen},
        {"skipped chunk length past the end", hugeSkip},
        {"last CRC missing", noCrc},
    };
}

}  // namespace

TEST(PngFailures, MalformedInputAbortsSilently) {
    for (const Bad& b : Malformed()) {
        SCOPED_TRACE(b.name);
        TPNGImage img;
        EXPECT_THROW(img.LoadFromBytes(b.file.data(), b.file.size()), EAbort);
    }
}

TEST(PngFailures, FailedLoadLeavesThePreviousPicture) {
    Bytes good = Valid();
    TPNGImage img;
    img.LoadFromBytes(good.data(), good.size());
    const TPNGImage before = img;
    for (const Bad& b : Malformed()) {
        SCOPED_TRACE(b.name);
        EXPECT_THROW(img.LoadFromBytes(b.file.data(), b.file.size()), EAbort);
        EXPECT_EQ(img.Width, before.Width);
        EXPECT_EQ(img.Height, before.Height);
        EXPECT_EQ(img.PixelFormat, before.PixelFormat);
        EXPECT_EQ(img.Palette.size(), before.Palette.size());
        EXPECT_EQ(img.ScanLines, before.ScanLines);
    }
}

// A cut anywhere inside a chunk fails; a cut exactly before IEND leaves a
// complete image, which loads because reading also stops at the end.
TEST(PngFailures, EveryTruncationInsideAChunkFails) {
    Bytes full = Valid();
    for (size_t cut = 0; cut < full.size(); ++cut) {
        SCOPED_TRACE(cut);
        TPNGImage img;
        if (cut == full.size() - 12)
            EXPECT_NO_THROW(img.LoadFromBytes(full.data(), cut));
        else
            EXPECT_THROW(img.LoadFromBytes(full.data(), cut), EAbort);
    }
}

TEST(PngLimits, LargestSizeAcceptedAndEmptyPromiseFails) {
    // 16384 x 2 at 1 bit: the limit itself is fine.
    std::vector<Bytes> rows(2, Bytes(MaxPNGDimension, 1));
    TPNGImage img = Decode(Image(rows, 1, {0}, 2));
    EXPECT_EQ(img.Width, int(MaxPNGDimension));
    EXPECT_EQ(img.PixelIndex(int(MaxPNGDimension) - 1, 1), 1);

    // A header promising 16384 x 16384 with two rows of data fails (and,
    // under ASan's allocation limits, without claiming the full picture).
    Bytes raw(2 * (MaxPNGDimension + 1), 0);
    Bytes f = File({{"IHDR", Header(MaxPNGDimension, MaxPNGDimension, 8)},
                    {"PLTE", Gray(2)},
                    {"IDAT", Zlib(raw)},
                    {"IEND", {}}});
    EXPECT_THROW(img.LoadFromBytes(f.data(), f.size()), EAbort);
}

TEST(PngPixels, BGRAFollowsThePaletteAndBlackPastIt) {
    Bytes raw = {0, 0, 1, 5};
    Bytes plte = {0x11, 0x22, 0x33, 0xAA, 0xBB, 0xCC};
    TPNGImage img = Decode(
        File({{"IHDR", Header(3, 1, 8)}, {"PLTE", plte}, {"IDAT", Zlib(raw)}, {"IEND", {}}}));
    EXPECT_EQ(img.ToBGRA(), (std::vector<uint32_t>{0x112233, 0xAABBCC, 0}));
}

TEST(PngRegistry, OrderLookupsAndChunkCodes) {
    const TChunkClasses& reg = ChunkClasses();
    ASSERT_EQ(reg.Count(), 4u);
    const char* order[] = {"IEND", "IHDR", "IDAT", "PLTE"};
    for (size_t i = 0; i < 4; ++i) EXPECT_EQ(std::string(reg[i].Code.data(), 4), order[i]);

    EXPECT_EQ(reg.FindByCode({'I', 'D', 'A', 'T'})->Class, std::type_index(typeid(TChunkIDAT)));
    EXPECT_EQ(reg.FindByCode({'I', 'd', 'A', 'T'}), nullptr);
    EXPECT_EQ(reg.FindByCode({'t', 'E', 'X', 't'}), nullptr);
    EXPECT_EQ(reg.FindByClass(typeid(TChunk)), nullptr);

    TPNGImage img;
    TChunkList list(img);
    for (size_t i = 0; i < 4; ++i) {
        auto chunk = reg[i].Create(list);
        const TChunk& made = *chunk;
        EXPECT_EQ(std::type_index(typeid(made)), reg[i].Class);
        EXPECT_EQ(chunk->TypeCode, reg[i].Code);
        EXPECT_EQ(&chunk->Owner, &list);
        list.Add(std::move(chunk));
    }
    EXPECT_EQ(list.FindLast(typeid(TChunkIHDR)), 1);
    EXPECT_EQ(list.FindLast(typeid(TChunk)), -1);
    list.Add(reg[1].Create(list));
    EXPECT_EQ(list.FindLast(typeid(TChunkIHDR)), 4);
}
