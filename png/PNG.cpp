#include "png/PNG.h"

#include <zlib.h>

#include <algorithm>
#include <climits>
#include <cstring>
#include <utility>

namespace {

const uint8_t Signature[8] = {137, 80, 78, 71, 13, 10, 26, 10};

[[noreturn]] void Abort(const char* why) { throw EAbort(why); }

uint32_t BigEndian32(const uint8_t* p) {
    return uint32_t(p[0]) << 24 | uint32_t(p[1]) << 16 | uint32_t(p[2]) << 8 | p[3];
}

template <class T>
std::unique_ptr<TChunk> Make(TChunkList& owner) {
    return std::make_unique<T>(owner);
}

TChunkClasses MakeRegistry() {
    TChunkClasses r;
    r.Register({'I', 'E', 'N', 'D'}, typeid(TChunkIEND), Make<TChunkIEND>);
    r.Register({'I', 'H', 'D', 'R'}, typeid(TChunkIHDR), Make<TChunkIHDR>);
    r.Register({'I', 'D', 'A', 'T'}, typeid(TChunkIDAT), Make<TChunkIDAT>);
    r.Register({'P', 'L', 'T', 'E'}, typeid(TChunkPLTE), Make<TChunkPLTE>);
    return r;
}

// Owns one zlib inflater over a fixed input; hands out exact byte counts.
class TInflater {
public:
    TInflater(const uint8_t* data, size_t size) {
        if (size > UINT_MAX) Abort("image data too large");
        Z.next_in = const_cast<Bytef*>(data);
        Z.avail_in = static_cast<uInt>(size);
        if (inflateInit(&Z) != Z_OK) Abort("inflate init");
    }
    ~TInflater() { inflateEnd(&Z); }
    TInflater(const TInflater&) = delete;
    TInflater& operator=(const TInflater&) = delete;

    // Fills dest with exactly count inflated bytes, else aborts.
    void Read(uint8_t* dest, size_t count) {
        Z.next_out = dest;
        Z.avail_out = static_cast<uInt>(count);
        while (Z.avail_out > 0) {
            int rc = inflate(&Z, Z_NO_FLUSH);
            if (rc == Z_STREAM_END && Z.avail_out > 0) Abort("image data too short");
            if (rc == Z_BUF_ERROR && Z.avail_in == 0) Abort("image data truncated");
            if (rc != Z_OK && rc != Z_STREAM_END && rc != Z_BUF_ERROR) Abort("image data damaged");
        }
    }

private:
    z_stream Z{};
};

uint8_t Paeth(uint8_t a, uint8_t b, uint8_t c) {
    int p = int(a) + int(b) - int(c);
    int pa = p > a ? p - a : a - p;
    int pb = p > b ? p - b : b - p;
    int pc = p > c ? p - c : c - p;
    if (pa <= pb && pa <= pc) return a;
    return pb <= pc ? b : c;
}

// Undoes the row filter in place; cur[0] and prev[0] are the filter bytes,
// the row proper starts at index 1. The unit is one byte for every depth.
void Unfilter(uint8_t* cur, const uint8_t* prev, size_t rowSize) {
    uint8_t* row = cur + 1;
    const uint8_t* up = prev + 1;
    switch (cur[0]) {
    case 0: break;
    case 1:
        for (size_t i = 1; i < rowSize; ++i) row[i] = uint8_t(row[i] + row[i - 1]);
        break;
    case 2:
        for (size_t i = 0; i < rowSize; ++i) row[i] = uint8_t(row[i] + up[i]);
        break;
    case 3:
        for (size_t i = 0; i < rowSize; ++i) {
            unsigned left = i ? row[i - 1] : 0;
            row[i] = uint8_t(row[i] + (left + up[i]) / 2);
        }
        break;
    case 4:
        for (size_t i = 0; i < rowSize; ++i) {
            uint8_t left = i ? row[i - 1] : 0;
            uint8_t upLeft = i ? up[i - 1] : 0;
            row[i] = uint8_t(row[i] + Paeth(left, up[i], upLeft));
        }
        break;
    default: Abort("unknown row filter");
    }
}

// 2-bit indices become 4-bit pixels, leftmost pixel in the high nibble.
void Widen2To4(const uint8_t* src, uint8_t* dest, uint32_t width) {
    for (uint32_t x = 0; x < width; ++x) {
        uint8_t index = (src[x / 4] >> (6 - 2 * (x % 4))) & 3;
        dest[x / 2] |= (x % 2) ? index : uint8_t(index << 4);
    }
}

}  // namespace

// --- stream ---------------------------------------------------------------

void TByteStream::Read(void* dest, size_t count) {
    if (count > Size_ - Pos) Abort("stream ends inside a chunk");
    if (count) std::memcpy(dest, Data + Pos, count);
    Pos += count;
}

uint32_t TByteStream::ReadBigEndian32() {
    uint8_t b[4];
    Read(b, 4);
    return BigEndian32(b);
}

void TByteStream::Skip(size_t count) {
    if (count > Size_ - Pos) Abort("stream ends inside a chunk");
    Pos += count;
}

// --- registry ---------------------------------------------------------------

void TChunkClasses::Register(const TChunkCode& code, std::type_index cls, TChunkFactory create) {
    Items.push_back({code, cls, create});
}

const TChunkClass* TChunkClasses::FindByClass(std::type_index cls) const {
    for (const TChunkClass& c : Items)
        if (c.Class == cls) return &c;
    return nullptr;
}

const TChunkClass* TChunkClasses::FindByCode(const TChunkCode& code) const {
    for (const TChunkClass& c : Items)
        if (c.Code == code) return &c;
    return nullptr;
}

const TChunkClasses& ChunkClasses() {
    static const TChunkClasses registry = MakeRegistry();
    return registry;
}

// --- chunks -----------------------------------------------------------------

TChunk::TChunk(TChunkList& owner, std::type_index cls) : Owner(owner) {
    if (const TChunkClass* c = ChunkClasses().FindByClass(cls)) TypeCode = c->Code;
}

TChunkIHDR::TChunkIHDR(TChunkList& owner) : TChunk(owner, typeid(TChunkIHDR)) { Data.resize(13); }

uint32_t TChunkIHDR::Width() const { return BigEndian32(&Data[0]); }
uint32_t TChunkIHDR::Height() const { return BigEndian32(&Data[4]); }

TChunkPLTE::TChunkPLTE(TChunkList& owner) : TChunk(owner, typeid(TChunkPLTE)) {}

std::vector<TPaletteEntry> TChunkPLTE::Palette() const {
    size_t n = std::min<size_t>(Data.size() / 3, 256);
    std::vector<TPaletteEntry> pal(n);
    for (size_t i = 0; i < n; ++i) pal[i] = {Data[3 * i], Data[3 * i + 1], Data[3 * i + 2], 0};
    return pal;
}

TChunkIDAT::TChunkIDAT(TChunkList& owner) : TChunk(owner, typeid(TChunkIDAT)) {}

TChunkIEND::TChunkIEND(TChunkList& owner) : TChunk(owner, typeid(TChunkIEND)) {}

void TChunkIDAT::Process() {
    if (Owner.Count() == 0) Abort("no header");
    const auto* hdrChunk = &Owner[0];
    if (typeid(*hdrChunk) != typeid(TChunkIHDR)) Abort("no header");
    const auto& hdr = static_cast<const TChunkIHDR&>(*hdrChunk);
    if (!hdr.HasFullHeader()) Abort("short header");

    // Only what the reader can show correctly gets through: anything else
    // would decode into a wrong picture or unbounded memory.
    const uint32_t width = hdr.Width(), height = hdr.Height();
    const uint8_t depth = hdr.BitDepth();
    if (width == 0 || height == 0 || width > MaxPNGDimension || height > MaxPNGDimension)
        Abort("image size");
    if (depth != 1 && depth != 2 && depth != 4 && depth != 8) Abort("bit depth");
    if (hdr.ColorType() != 3 || hdr.CompressionMethod() != 0 || hdr.FilterMethod() != 0 ||
        hdr.InterlaceMethod() != 0)
        Abort("unsupported image kind");

    const size_t rowSize = (size_t(width) * depth + 7) / 8;
    const int format = depth == 2 ? 4 : depth;
    const size_t lineSize = (size_t(width) * format + 7) / 8;

    int plte = Owner.FindLast(typeid(TChunkPLTE));
    if (plte < 0) Abort("no palette");

    TPNGImage& image = Owner.Image;
    image.Width = int(width);
    image.Height = int(height);
    image.PixelFormat = format;
    image.Palette = static_cast<const TChunkPLTE&>(Owner[size_t(plte)]).Palette();
    image.ScanLines.clear();

    TInflater inflater(Data.data(), Data.size());
    std::vector<uint8_t> cur(rowSize + 1), prev(rowSize + 1, 0);
    // Lines are added as rows arrive, so a header that promises far more
    // than the data holds costs no more memory than the data.
    image.ScanLines.reserve(height);
    for (uint32_t y = 0; y < height; ++y) {
        inflater.Read(cur.data(), cur.size());
        Unfilter(cur.data(), prev.data(), rowSize);
        std::vector<uint8_t> line(lineSize, 0);
        if (depth == 2)
            Widen2To4(cur.data() + 1, line.data(), width);
        else
            std::copy_n(cur.begin() + 1, lineSize, line.begin());
        image.ScanLines.push_back(std::move(line));
        std::swap(cur, prev);
    }
}

// --- list -------------------------------------------------------------------

void TChunkList::Add(std::unique_ptr<TChunk> chunk) { Items.push_back(std::move(chunk)); }

int TChunkList::FindLast(std::type_index cls) const {
    for (size_t i = Items.size(); i-- > 0;) {
        const TChunk& chunk = *Items[i];
        if (std::type_index(typeid(chunk)) == cls) return int(i);
    }
    return -1;
}

bool TChunkList::ReadChunk(TByteStream& stream) {
    const uint32_t length = stream.ReadBigEndian32();
    TChunkCode code;
    stream.Read(code.data(), code.size());

    const TChunkClass* cls = ChunkClasses().FindByCode(code);
    if (!cls) {
        stream.Skip(length);  // two steps: length + 4 can wrap on 32-bit
        stream.Skip(4);
        return true;
    }
    // Checked before allocating, so a huge length costs nothing.
    if (length > stream.Size() - stream.Position()) Abort("stream ends inside a chunk");
    std::unique_ptr<TChunk> chunk = cls->Create(*this);
    if (length > 0) {
        chunk->Data.resize(length);
        stream.Read(chunk->Data.data(), length);
    }
    stream.Skip(4);

    const bool isEnd = cls->Class == typeid(TChunkIEND);
    if (cls->Class == typeid(TChunkIDAT)) {
        int first = -1;
        for (size_t i = 0; i < Items.size() && first < 0; ++i) {
            const TChunk& c = *Items[i];
            if (typeid(c) == typeid(TChunkIDAT)) first = int(i);
        }
        if (first >= 0) {
            std::vector<uint8_t>& data = Items[size_t(first)]->Data;
            data.insert(data.end(), chunk->Data.begin(), chunk->Data.end());
            return true;
        }
    }
    Add(std::move(chunk));
    return !isEnd;
}

// --- image ------------------------------------------------------------------

void TPNGImage::LoadFromStream(TByteStream& stream) {
    uint8_t sig[8];
    stream.Read(sig, sizeof sig);
    if (std::memcmp(sig, Signature, sizeof sig) != 0) Abort("not a PNG image");

    // Decoded into a fresh image so that a failure leaves this one untouched.
    TPNGImage fresh;
    TChunkList list(fresh);
    while (stream.Position() < stream.Size() && list.ReadChunk(stream)) {
    }
    if (list.Count() == 0 || list.FindLast(typeid(TChunkIDAT)) < 0) Abort("missing chunk");
    const TChunk& first = list[0];
    if (typeid(first) != typeid(TChunkIHDR)) Abort("first chunk is not the header");
    for (size_t i = 0; i < list.Count(); ++i) list[i].Process();
    *this = std::move(fresh);
}

void TPNGImage::LoadFromBytes(const uint8_t* data, size_t size) {
    TByteStream stream(data, size);
    LoadFromStream(stream);
}

uint8_t TPNGImage::PixelIndex(int x, int y) const {
    const std::vector<uint8_t>& line = ScanLines[size_t(y)];
    switch (PixelFormat) {
    case 1: return (line[size_t(x) / 8] >> (7 - x % 8)) & 1;
    case 4: return (line[size_t(x) / 2] >> (x % 2 ? 0 : 4)) & 15;
    default: return line[size_t(x)];
    }
}

std::vector<uint32_t> TPNGImage::ToBGRA() const {
    std::vector<uint32_t> out;
    out.reserve(size_t(Width) * size_t(Height));
    for (int y = 0; y < Height; ++y)
        for (int x = 0; x < Width; ++x) {
            uint8_t i = PixelIndex(x, y);
            uint32_t c = 0;
            if (i < Palette.size())
                c = uint32_t(Palette[i].Red) << 16 | uint32_t(Palette[i].Green) << 8 |
                    Palette[i].Blue;
            out.push_back(c);
        }
    return out;
}
