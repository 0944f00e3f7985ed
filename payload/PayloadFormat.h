#pragma once
// The payload's layers 2 and 3: one zlib stream whose inflated bytes are file
// records laid end to end (name length, name, day-count stamp, size, data).
// Platform-free: bytes in, results out.

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

enum class TPayloadError {
    Ok,
    Empty,          // no bytes at all (a missing resource)
    BadStream,      // zlib refused the stream (header, data)
    Truncated,      // the stream ends before its end marker / checksum
    BadChecksum,    // Adler-32 of the inflated bytes does not match
    TrailingBytes,  // bytes after the end of the zlib stream
    TooLarge,       // inflated data would not fit a signed 32-bit size
    RecordPastEnd,  // a record's header or data runs past the end
    NegativeSize,   // size field above 2,147,483,647
    BadName,        // empty, a drive, a leading backslash, "." or ".." parts
    OutOfMemory,
    NoLicence,     // no "License.txt" record: the wizard could not go on
    OutsideImage,  // the resource's bytes do not lie within the loaded program
    PackedCrc,     // the CRC-32 written by the build is missing or does not match
};

const char* PayloadErrorText(TPayloadError e);

// The CRC-32 (zlib's) of the packed bytes, and its stored form: 4 bytes,
// least significant first.
uint32_t PackedCrc32(const uint8_t* packed, size_t len);
std::string StoredCrc(uint32_t crc);
// Ok when `stored` is the stored form of the packed bytes' CRC-32; Empty
// without packed bytes, PackedCrc otherwise. The bytes are not inflated.
TPayloadError CheckPackedCrc(const uint8_t* packed, size_t len, const uint8_t* stored,
                             size_t storedLen);

// A memory block owned by malloc/realloc, so that the final shrink of the
// inflated payload does not copy it.
class TPayloadBlock {
public:
    TPayloadBlock() = default;
    TPayloadBlock(const TPayloadBlock&) = delete;
    TPayloadBlock& operator=(const TPayloadBlock&) = delete;
    TPayloadBlock(TPayloadBlock&& o) noexcept;
    TPayloadBlock& operator=(TPayloadBlock&& o) noexcept;
    ~TPayloadBlock();
    const uint8_t* data() const { return Data; }
    int32_t size() const { return Size; }
    // Internal use by the inflater.
    uint8_t* Data = nullptr;
    int32_t Size = 0;
};

// Inflates one whole zlib stream with the growth policy of the reader: a first
// block of five times the packed length, doubled whenever full (at least by
// the packed length rounded up to 256), never beyond what a signed 32-bit size
// indexes, shrunk to the inflated length at the end. With `checkRecords` the
// record headers are checked as the bytes arrive, so that a stream whose
// records cannot be indexed is refused before it has been inflated in full.
TPayloadError InflatePayload(const uint8_t* packed, size_t packedLen, TPayloadBlock& out,
                             bool checkRecords = false);

struct TPayloadRecord {
    std::string Name;
    double Time = 0;
    int32_t Size = 0;
    int32_t Offset = 0;  // of the first data byte, within the inflated bytes
};

// Walks the record sequence from offset 0 to the exact end. On any damage the
// result names it and `out` holds the records read before it.
TPayloadError WalkRecords(const uint8_t* data, size_t size, std::vector<TPayloadRecord>& out);

// True when the name obeys the payload's name rules checked on reading: no
// drive, stream, leading or doubled separator, "." or ".." part, control byte,
// and no part that Windows reads as a device (NUL, AUX.rtf, COM1 .txt, ...).
bool IsSafePayloadName(std::string_view name);
// A name Windows opens as a device whatever follows its first dot and with
// blanks before that dot ("NUL", "aux.rtf", "COM1 .txt", "CONIN$", "COM\xB9").
bool IsDeviceName(std::string_view part);

// Appends one record (13 + name length + data length bytes) to `out`.
// The name must be 0..255 bytes.
void AppendRecord(std::string& out, std::string_view name, double time, std::string_view data);
