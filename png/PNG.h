#pragma once
// A small PNG reader for the wizard's logos: indexed colour (type 3), bit
// depths 1, 2, 4 and 8, not interlaced. Platform-free; png/PNGBitmap_win.h turns
// an image into a bitmap and reads the program's "PNG" resources.

#include <array>
#include <cstddef>
#include <cstdint>
#include <memory>
#include <stdexcept>
#include <string>
#include <typeindex>
#include <vector>

// The program's silent abort: ends the operation without a message.
class EAbort : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;
};

struct TPaletteEntry {
    uint8_t Red, Green, Blue, Flags;
};

class TByteStream;

class TPNGImage {
public:
    int Width = 0, Height = 0;
    int PixelFormat = 0;                 // bits per pixel: 1, 4 or 8
    std::vector<TPaletteEntry> Palette;  // up to 256 entries
    // Top row first; each line holds exactly (Width * PixelFormat + 7) / 8
    // bytes, pixels packed from the high bits, unused low bits of the last
    // byte zero.
    std::vector<std::vector<uint8_t>> ScanLines;

    // Reads one PNG image from the bytes; throws EAbort on any failure. On
    // failure the image keeps exactly what it held before the call.
    void LoadFromBytes(const uint8_t* data, size_t size);
    // Same, starting at the stream's position; the position afterwards is
    // just past the IEND chunk (or at the end of the stream).
    void LoadFromStream(TByteStream& stream);
    void SaveToBytes(std::string&) const {}  // saving writes nothing

    // Palette index of the pixel at column x of row y (both inside the image).
    uint8_t PixelIndex(int x, int y) const;
    // Width * Height pixels, top row first, each 0x00RRGGBB (little-endian,
    // so the bytes are B, G, R, 0 as a 32-bit DIB wants them). An index past
    // the end of the palette gives black.
    std::vector<uint32_t> ToBGRA() const;
};

// Largest width or height accepted. The logos are far smaller; the limit
// keeps row arithmetic and memory bounded for hostile input.
constexpr uint32_t MaxPNGDimension = 16384;

// Read cursor over a byte span that the caller keeps alive. Any read or skip
// past the end throws EAbort: a stream that ends inside a chunk is a failure.
class TByteStream {
public:
    TByteStream(const uint8_t* data, size_t size) : Data(data), Size_(size) {}
    size_t Position() const { return Pos; }
    size_t Size() const { return Size_; }
    void Read(void* dest, size_t count);
    uint32_t ReadBigEndian32();
    void Skip(size_t count);

private:
    const uint8_t* Data;
    size_t Size_;
    size_t Pos = 0;
};

using TChunkCode = std::array<char, 4>;

class TChunkList;

// Base of all chunk classes. The type code is the one registered for the
// object's class in ChunkClasses(); a class that is not registered keeps
// four zero bytes.
class TChunk {
public:
    virtual ~TChunk() = default;
    TChunk(const TChunk&) = delete;
    TChunk& operator=(const TChunk&) = delete;

    virtual void Process() {}

    TChunkList& Owner;
    std::vector<uint8_t> Data;
    TChunkCode TypeCode{};

protected:
    TChunk(TChunkList& owner, std::type_index cls);
};

// Header. The accessors read the first 13 bytes; callers check
// HasFullHeader() first.
class TChunkIHDR : public TChunk {
public:
    explicit TChunkIHDR(TChunkList& owner);
    bool HasFullHeader() const { return Data.size() >= 13; }
    uint32_t Width() const;
    uint32_t Height() const;
    uint8_t BitDepth() const { return Data[8]; }
    uint8_t ColorType() const { return Data[9]; }
    uint8_t CompressionMethod() const { return Data[10]; }
    uint8_t FilterMethod() const { return Data[11]; }
    uint8_t InterlaceMethod() const { return Data[12]; }
};

// Palette. Entries beyond the 256th are cut off, as are trailing bytes that
// do not make a whole entry.
class TChunkPLTE : public TChunk {
public:
    explicit TChunkPLTE(TChunkList& owner);
    std::vector<TPaletteEntry> Palette() const;
};

// Image data; Process decodes the whole picture into the list's image.
class TChunkIDAT : public TChunk {
public:
    explicit TChunkIDAT(TChunkList& owner);
    void Process() override;
};

class TChunkIEND : public TChunk {
public:
    explicit TChunkIEND(TChunkList& owner);
};

// The chunks of one image being loaded, in file order; owns them.
class TChunkList {
public:
    explicit TChunkList(TPNGImage& image) : Image(image) {}
    TPNGImage& Image;

    void Add(std::unique_ptr<TChunk> chunk);
    size_t Count() const { return Items.size(); }
    TChunk& operator[](size_t index) const { return *Items[index]; }
    // Index of the last chunk whose class is exactly cls, or -1.
    int FindLast(std::type_index cls) const;
    // Reads the next chunk: unregistered types are skipped, the data of a
    // second IDAT is appended to the first. The CRC is not checked. Returns
    // false once an IEND chunk has been read.
    bool ReadChunk(TByteStream& stream);

private:
    std::vector<std::unique_ptr<TChunk>> Items;
};

using TChunkFactory = std::unique_ptr<TChunk> (*)(TChunkList&);

struct TChunkClass {
    TChunkCode Code;
    std::type_index Class;
    TChunkFactory Create;
};

// Registry of chunk type codes and the classes that read them.
class TChunkClasses {
public:
    void Register(const TChunkCode& code, std::type_index cls, TChunkFactory create);
    // First pair with that class, or nullptr.
    const TChunkClass* FindByClass(std::type_index cls) const;
    // First pair whose code equals code byte for byte (case matters), or nullptr.
    const TChunkClass* FindByCode(const TChunkCode& code) const;
    size_t Count() const { return Items.size(); }
    const TChunkClass& operator[](size_t index) const { return Items[index]; }

private:
    std::vector<TChunkClass> Items;
};

// The program-wide registry, filled on first use with IEND, IHDR, IDAT, PLTE.
const TChunkClasses& ChunkClasses();
