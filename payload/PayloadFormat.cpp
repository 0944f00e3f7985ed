#include "payload/PayloadFormat.h"

#include <zlib.h>

#include <algorithm>
#include <climits>
#include <cstdlib>
#include <cstring>
#include <utility>

const char* PayloadErrorText(TPayloadError e) {
    switch (e) {
    case TPayloadError::Ok: return "no error";
    case TPayloadError::Empty: return "the payload is missing";
    case TPayloadError::BadStream: return "the compressed data is damaged";
    case TPayloadError::Truncated: return "the compressed data is cut short";
    case TPayloadError::BadChecksum: return "the checksum of the data does not match";
    case TPayloadError::TrailingBytes: return "there are extra bytes after the compressed data";
    case TPayloadError::TooLarge: return "the data is too large";
    case TPayloadError::RecordPastEnd: return "a file record runs past the end of the data";
    case TPayloadError::NegativeSize: return "a file record has an invalid size";
    case TPayloadError::BadName: return "a file record has an invalid name";
    case TPayloadError::OutOfMemory: return "there is not enough memory";
    case TPayloadError::NoLicence: return "the licence text is missing";
    case TPayloadError::OutsideImage: return "the payload lies outside the program file";
    case TPayloadError::PackedCrc: return "the checksum of the packed data does not match";
    }
    return "unknown error";
}

uint32_t PackedCrc32(const uint8_t* packed, size_t len) {
    uLong crc = crc32(0, nullptr, 0);
    // zlib takes at most a uInt at a time.
    while (len > 0) {
        const uInt n = len > UINT_MAX ? UINT_MAX : static_cast<uInt>(len);
        crc = crc32(crc, packed, n);
        packed += n;
        len -= n;
    }
    return static_cast<uint32_t>(crc);
}

std::string StoredCrc(uint32_t crc) {
    std::string out(4, '\0');
    for (size_t i = 0; i < 4; ++i) out[i] = static_cast<char>(crc >> (8 * i) & 0xFF);
    return out;
}

TPayloadError CheckPackedCrc(const uint8_t* packed, size_t len, const uint8_t* stored,
                             size_t storedLen) {
    if (packed == nullptr || len == 0) return TPayloadError::Empty;
    if (stored == nullptr || storedLen != 4) return TPayloadError::PackedCrc;
    const std::string expected = StoredCrc(PackedCrc32(packed, len));
    return std::memcmp(expected.data(), stored, 4) == 0 ? TPayloadError::Ok
                                                        : TPayloadError::PackedCrc;
}

TPayloadBlock::TPayloadBlock(TPayloadBlock&& o) noexcept
    : Data(std::exchange(o.Data, nullptr)), Size(std::exchange(o.Size, 0)) {}

TPayloadBlock& TPayloadBlock::operator=(TPayloadBlock&& o) noexcept {
    if (this != &o) {
        std::free(Data);
        Data = std::exchange(o.Data, nullptr);
        Size = std::exchange(o.Size, 0);
    }
    return *this;
}

TPayloadBlock::~TPayloadBlock() { std::free(Data); }

namespace {

class TInflater {
public:
    TInflater() { std::memset(&Strm, 0, sizeof Strm); }
    ~TInflater() {
        if (Ready) inflateEnd(&Strm);
    }
    TInflater(const TInflater&) = delete;
    TInflater& operator=(const TInflater&) = delete;
    int Init() {
        const int rc = inflateInit(&Strm);
        Ready = rc == Z_OK;
        return rc;
    }
    z_stream Strm;

private:
    bool Ready = false;
};

// Owns the growing block until it is handed over.
struct TGrowingBlock {
    uint8_t* Data = nullptr;
    size_t Capacity = 0;
    ~TGrowingBlock() { std::free(Data); }
};

constexpr size_t kMaxData = INT32_MAX;

uint32_t ReadLe32(const uint8_t* p) {
    return uint32_t(p[0]) | uint32_t(p[1]) << 8 | uint32_t(p[2]) << 16 | uint32_t(p[3]) << 24;
}

// Follows the record headers through the bytes inflated so far.
class TRecordScan {
public:
    TPayloadError Feed(const uint8_t* data, size_t available) {
        while (Next < available && available - Next >= 13 + size_t(data[Next])) {
            const size_t nameLen = data[Next];
            const std::string_view name(reinterpret_cast<const char*>(data + Next + 1), nameLen);
            if (!IsSafePayloadName(name)) return TPayloadError::BadName;
            const uint32_t len = ReadLe32(data + Next + 9 + nameLen);
            if (len > uint32_t(INT32_MAX)) return TPayloadError::NegativeSize;
            const size_t end = Next + 13 + nameLen + len;
            if (end > kMaxData) return TPayloadError::TooLarge;
            Next = end;
        }
        return TPayloadError::Ok;
    }

private:
    size_t Next = 0;
};

// Bytes inflated per call while the records are checked: small enough to
// refuse a bad header early, large enough to cost nothing measurable.
constexpr size_t kCheckedChunk = size_t(1) << 20;

}  // namespace

TPayloadError InflatePayload(const uint8_t* packed, size_t packedLen, TPayloadBlock& out,
                             bool checkRecords) {
    out = TPayloadBlock();
    if (packed == nullptr || packedLen == 0) return TPayloadError::Empty;
    if (packedLen > kMaxData) return TPayloadError::TooLarge;

    const size_t step = (packedLen + 255) / 256 * 256;
    TGrowingBlock block;
    block.Capacity = packedLen > kMaxData / 5 ? kMaxData : packedLen * 5;
    block.Data = static_cast<uint8_t*>(std::malloc(block.Capacity));
    if (block.Data == nullptr) return TPayloadError::OutOfMemory;

    TInflater inf;
    z_stream& z = inf.Strm;
    // zlib reads through a non-const pointer but never writes the input.
    z.next_in = const_cast<Bytef*>(packed);
    z.avail_in = static_cast<uInt>(packedLen);
    if (const int rc = inf.Init(); rc != Z_OK)
        return rc == Z_MEM_ERROR ? TPayloadError::OutOfMemory : TPayloadError::BadStream;

    TRecordScan scan;
    size_t used = 0;
    for (;;) {
        if (used == block.Capacity) {
            if (block.Capacity >= kMaxData) return TPayloadError::TooLarge;
            // Doubling keeps the copies of a large stream to a few, where
            // growing by a fixed step copied the block once per step.
            size_t grown = std::max(block.Capacity * 2, block.Capacity + step);
            if (grown > kMaxData) grown = kMaxData;
            auto* p = static_cast<uint8_t*>(std::realloc(block.Data, grown));
            if (p == nullptr) return TPayloadError::OutOfMemory;
            block.Data = p;
            block.Capacity = grown;
        }
        size_t room = block.Capacity - used;
        if (checkRecords && room > kCheckedChunk) room = kCheckedChunk;
        z.next_out = block.Data + used;
        z.avail_out = static_cast<uInt>(room);
        const int rc = inflate(&z, Z_NO_FLUSH);
        used += room - z.avail_out;
        if (checkRecords)
            if (const TPayloadError e = scan.Feed(block.Data, used); e != TPayloadError::Ok)
                return e;
        if (rc == Z_STREAM_END) break;
        if (rc == Z_DATA_ERROR) {
            // zlib checks the Adler-32 itself; its message tells the cases apart.
            if (z.msg != nullptr && std::strcmp(z.msg, "incorrect data check") == 0)
                return TPayloadError::BadChecksum;
            return TPayloadError::BadStream;
        }
        if (rc == Z_NEED_DICT || rc == Z_STREAM_ERROR) return TPayloadError::BadStream;
        if (rc == Z_MEM_ERROR) return TPayloadError::OutOfMemory;
        // Z_OK or Z_BUF_ERROR: out of output space, or out of input.
        if (z.avail_out != 0 && z.avail_in == 0) return TPayloadError::Truncated;
    }
    if (z.avail_in != 0) return TPayloadError::TrailingBytes;

    const size_t size = used;
    if (size == 0) {
        std::free(std::exchange(block.Data, nullptr));
    } else if (size < block.Capacity) {
        // Shrinking keeps the block in place; only the tail is given back.
        if (auto* p = static_cast<uint8_t*>(std::realloc(block.Data, size))) block.Data = p;
    }
    out.Data = std::exchange(block.Data, nullptr);
    out.Size = static_cast<int32_t>(size);
    return TPayloadError::Ok;
}

bool IsDeviceName(std::string_view part) {
    std::string base(part.substr(0, part.find('.')));
    while (!base.empty() && base.back() == ' ') base.pop_back();
    for (char& c : base)
        if (c >= 'a' && c <= 'z') c = char(c - 'a' + 'A');
    for (const char* device : {"CON", "PRN", "AUX", "NUL", "CONIN$", "CONOUT$", "CLOCK$"})
        if (base == device) return true;
    if (base.size() != 4 || (base.compare(0, 3, "COM") != 0 && base.compare(0, 3, "LPT") != 0))
        return false;
    // The superscript digits of the Latin code pages count as well.
    const unsigned char n = static_cast<unsigned char>(base[3]);
    return (n >= '0' && n <= '9') || n == 0xB9 || n == 0xB2 || n == 0xB3;
}

bool IsSafePayloadName(std::string_view name) {
    if (name.empty()) return false;
    size_t start = 0;
    for (;;) {
        size_t end = start;
        bool onlyDotsAndBlanks = true;
        while (end < name.size() && name[end] != '\\' && name[end] != '/') {
            const unsigned char c = static_cast<unsigned char>(name[end]);
            if (c < 0x20 || c == ':') return false;  // control bytes, drives, streams
            if (c != '.' && c != ' ') onlyDotsAndBlanks = false;
            ++end;
        }
        // Empty parts (leading, trailing or doubled separators) and parts that
        // the system would read as "." or "..".
        if (end == start || onlyDotsAndBlanks) return false;
        if (IsDeviceName(name.substr(start, end - start))) return false;
        if (end == name.size()) return true;
        start = end + 1;
    }
}

TPayloadError WalkRecords(const uint8_t* data, size_t size, std::vector<TPayloadRecord>& out) {
    out.clear();
    if (size > kMaxData) return TPayloadError::TooLarge;
    size_t pos = 0;
    while (pos < size) {
        const size_t nameLen = data[pos];
        // Name length byte, name, 8-byte stamp, 4-byte size.
        if (size - pos < 13 + nameLen) return TPayloadError::RecordPastEnd;
        const char* name = reinterpret_cast<const char*>(data + pos + 1);
        TPayloadRecord r;
        r.Name.assign(name, nameLen);
        if (!IsSafePayloadName(r.Name)) return TPayloadError::BadName;
        std::memcpy(&r.Time, data + pos + 1 + nameLen, 8);  // little-endian targets only
        const uint32_t len = ReadLe32(data + pos + 9 + nameLen);
        if (len > uint32_t(INT32_MAX)) return TPayloadError::NegativeSize;
        const size_t dataStart = pos + 13 + nameLen;
        if (size - dataStart < len) return TPayloadError::RecordPastEnd;
        r.Size = static_cast<int32_t>(len);
        r.Offset = static_cast<int32_t>(dataStart);
        out.push_back(std::move(r));
        pos = dataStart + len;
    }
    return TPayloadError::Ok;
}

void AppendRecord(std::string& out, std::string_view name, double time, std::string_view data) {
    const auto nameLen = static_cast<uint8_t>(name.size());
    out.push_back(static_cast<char>(nameLen));
    out.append(name.data(), nameLen);
    char stamp[8];
    std::memcpy(stamp, &time, 8);
    out.append(stamp, 8);
    const auto len = static_cast<uint32_t>(data.size());
    const char size[4] = {char(len & 0xFF), char(len >> 8 & 0xFF), char(len >> 16 & 0xFF),
                          char(len >> 24 & 0xFF)};
    out.append(size, 4);
    out.append(data.data(), data.size());
}
