#pragma once
// A tiny PNG writer for the tests: chunks with real CRCs (or deliberately
// wrong ones), zlib-compressed image data, and an encoder for indexed
// images with a chosen row filter per row.

#include <zlib.h>

#include <cstdint>
#include <cstdlib>
#include <string>
#include <vector>

#include "png/PNG.h"

namespace pngtest {

using Bytes = std::vector<uint8_t>;

struct Chunk {
    std::string Type;
    Bytes Data;
    bool BadCrc = false;
};

inline void Put32(Bytes& out, uint32_t v) {
    for (int s = 24; s >= 0; s -= 8) out.push_back(uint8_t(v >> s));
}

inline Bytes Signature() { return {137, 80, 78, 71, 13, 10, 26, 10}; }

inline void PutChunk(Bytes& out, const Chunk& c) {
    Put32(out, uint32_t(c.Data.size()));
    Bytes typed(c.Type.begin(), c.Type.end());
    typed.insert(typed.end(), c.Data.begin(), c.Data.end());
    out.insert(out.end(), typed.begin(), typed.end());
    uint32_t crc = uint32_t(crc32(0, typed.data(), uInt(typed.size())));
    Put32(out, c.BadCrc ? ~crc : crc);
}

inline Bytes File(const std::vector<Chunk>& chunks) {
    Bytes out = Signature();
    for (const Chunk& c : chunks) PutChunk(out, c);
    return out;
}

inline Bytes Zlib(const Bytes& raw, int level = 9) {
    uLongf size = compressBound(uLong(raw.size()));
    Bytes out(size);
    if (compress2(out.data(), &size, raw.data(), uLong(raw.size()), level) != Z_OK) std::abort();
    out.resize(size);
    return out;
}

inline Bytes Header(uint32_t w, uint32_t h, uint8_t depth, uint8_t colorType = 3,
                    uint8_t interlace = 0) {
    Bytes d;
    Put32(d, w);
    Put32(d, h);
    d.insert(d.end(), {depth, colorType, 0, 0, interlace});
    return d;
}

inline Bytes Gray(int entries) {
    Bytes d;
    for (int i = 0; i < entries; ++i)
        for (uint8_t v : {uint8_t(i), uint8_t(255 - i), uint8_t(i * 7)}) d.push_back(v);
    return d;
}

inline uint8_t PaethPredict(int a, int b, int c) {
    int p = a + b - c, pa = std::abs(p - a), pb = std::abs(p - b), pc = std::abs(p - c);
    return uint8_t(pa <= pb && pa <= pc ? a : pb <= pc ? b : c);
}

// Packs rows of palette indices at the given depth and filters each row with
// filters[y % filters.size()]; returns the raw (uncompressed) image data.
inline Bytes Encode(const std::vector<Bytes>& rows, int depth,
                    const std::vector<uint8_t>& filters) {
    Bytes raw, prev;
    for (size_t y = 0; y < rows.size(); ++y) {
        const Bytes& px = rows[y];
        Bytes row((px.size() * depth + 7) / 8, 0);
        for (size_t x = 0; x < px.size(); ++x) {
            size_t bit = x * depth;
            row[bit / 8] |= uint8_t(px[x] << (8 - depth - bit % 8));
        }
        if (prev.empty()) prev.assign(row.size(), 0);
        uint8_t f = filters[y % filters.size()];
        raw.push_back(f);
        for (size_t i = 0; i < row.size(); ++i) {
            int a = i ? row[i - 1] : 0, b = prev[i], c = i ? prev[i - 1] : 0;
            int pred = f == 1   ? a
                       : f == 2 ? b
                       : f == 3 ? (a + b) / 2
                       : f == 4 ? PaethPredict(a, b, c)
                                : 0;
            raw.push_back(uint8_t(row[i] - pred));
        }
        prev = row;
    }
    return raw;
}

// A complete file: IHDR, PLTE, one IDAT, IEND.
inline Bytes Image(const std::vector<Bytes>& rows, int depth, const std::vector<uint8_t>& filters,
                   int paletteEntries) {
    return File({{"IHDR", Header(uint32_t(rows[0].size()), uint32_t(rows.size()), uint8_t(depth))},
                 {"PLTE", Gray(paletteEntries)},
                 {"IDAT", Zlib(Encode(rows, depth, filters))},
                 {"IEND", {}}});
}

// What the decoder under test makes of a file.
inline TPNGImage Decode(const Bytes& file) {
    TPNGImage img;
    img.LoadFromBytes(file.data(), file.size());
    return img;
}

}  // namespace pngtest
