// The logo decoder over arbitrary bytes: EAbort is the only acceptable
// failure, and whatever it accepts must be a consistent picture.
//
// Input that starts with the PNG signature is decoded as it is. Any other
// input is a recipe for a well-formed file (size, depth, palette, chunk
// layout, then the raw filtered rows, compressed here), so that a short run
// without a corpus still spends its time in the row decoder; for those the
// outcome is known in advance and checked.

#include "png/PNG.h"

#include <zlib.h>

#include <cstdlib>
#include <cstring>
#include <vector>

namespace {

using Bytes = std::vector<uint8_t>;

void Put32(Bytes& out, uint32_t v) {
    for (int s = 24; s >= 0; s -= 8) out.push_back(uint8_t(v >> s));
}

void PutChunk(Bytes& out, const char* type, const uint8_t* data, size_t size) {
    Put32(out, uint32_t(size));
    out.insert(out.end(), type, type + 4);
    out.insert(out.end(), data, data + size);
    Put32(out, 0);  // never checked
}

void CheckConsistent(const TPNGImage& image) {
    const bool ok = image.Width > 0 && image.Height > 0 && image.Width <= int(MaxPNGDimension) &&
                    image.Height <= int(MaxPNGDimension) &&
                    (image.PixelFormat == 1 || image.PixelFormat == 4 || image.PixelFormat == 8) &&
                    image.Palette.size() <= 256 && image.ScanLines.size() == size_t(image.Height);
    if (!ok) std::abort();
    for (const auto& line : image.ScanLines)
        if (line.size() != (size_t(image.Width) * image.PixelFormat + 7) / 8) std::abort();
    if (image.ToBGRA().size() != size_t(image.Width) * size_t(image.Height)) std::abort();
}

// Returns whether the decoder accepted the bytes.
bool Decode(const uint8_t* data, size_t size, TPNGImage& image) {
    try {
        image.LoadFromBytes(data, size);
    } catch (const EAbort&) {
        return false;
    }
    CheckConsistent(image);
    return true;
}

void FromRecipe(const uint8_t* data, size_t size) {
    if (size < 5) return;
    const uint32_t width = 1 + data[0] % 64, height = 1 + data[1] % 64;
    const uint8_t depths[] = {1, 2, 4, 8};
    const uint8_t depth = depths[data[2] & 3];
    const size_t entries = size_t(data[3]) + 1;
    const uint8_t layout = data[4];
    const uint8_t* raw = data + 5;
    const size_t rawSize = size - 5;

    uLongf packedSize = compressBound(uLong(rawSize));
    Bytes packed(packedSize);
    if (compress2(packed.data(), &packedSize, raw, uLong(rawSize), 1) != Z_OK) std::abort();
    packed.resize(packedSize);

    Bytes header;
    Put32(header, width);
    Put32(header, height);
    header.insert(header.end(), {depth, 3, 0, 0, 0});
    Bytes palette(entries * 3);
    for (size_t i = 0; i < palette.size(); ++i) palette[i] = uint8_t(i * 37);

    Bytes file = {137, 80, 78, 71, 13, 10, 26, 10};
    PutChunk(file, "IHDR", header.data(), header.size());
    const bool paletteLast = layout & 1;
    if (!paletteLast) PutChunk(file, "PLTE", palette.data(), palette.size());
    if (layout & 2) PutChunk(file, "tEXt", raw, std::min<size_t>(rawSize, 16));
    const size_t pieces = 1 + (layout >> 2) % 8;
    const size_t step = packed.size() / pieces + 1;
    for (size_t at = 0; at < packed.size(); at += step)
        PutChunk(file, "IDAT", packed.data() + at, std::min(step, packed.size() - at));
    if (paletteLast) PutChunk(file, "PLTE", palette.data(), palette.size());
    PutChunk(file, "IEND", nullptr, 0);

    const size_t rowBytes = (size_t(width) * depth + 7) / 8 + 1;
    bool expectOk = rawSize >= rowBytes * height;
    for (uint32_t y = 0; expectOk && y < height; ++y) expectOk = raw[y * rowBytes] <= 4;

    TPNGImage image;
    if (Decode(file.data(), file.size(), image) != expectOk) std::abort();
    if (expectOk && (image.Width != int(width) || image.Height != int(height) ||
                     image.Palette.size() != entries))
        std::abort();
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    static const uint8_t signature[8] = {137, 80, 78, 71, 13, 10, 26, 10};
    if (size >= 8 && std::memcmp(data, signature, 8) == 0) {
        TPNGImage image;
        Decode(data, size, image);
    } else {
        FromRecipe(data, size);
    }
    return 0;
}
