#include "payload/PayloadFormat.h"

#include <gtest/gtest.h>
#include <zlib.h>

#include <cstring>
#include <random>
#include <string>
#include <vector>

#include "instutils/DayCount.h"
#include "payload/AttachFiles.h"

namespace {

std::string Deflate(const std::string& raw, int level = 9) {
    uLongf len = compressBound(static_cast<uLong>(raw.size()));
    std::string out(len, '\0');
    EXPECT_EQ(Z_OK, compress2(reinterpret_cast<Bytef*>(out.data()), &len,
                              reinterpret_cast<const Bytef*>(raw.data()),
                              static_cast<uLong>(raw.size()), level));
    out.resize(len);
    return out;
}

TPayloadError Inflate(const std::string& packed, std::string* result = nullptr) {
    TPayloadBlock block;
    const TPayloadError e =
        InflatePayload(reinterpret_cast<const uint8_t*>(packed.data()), packed.size(), block);
    if (result) result->assign(reinterpret_cast<const char*>(block.data()), block.size());
    if (e != TPayloadError::Ok) {
        EXPECT_EQ(nullptr, block.data());
    }
    return e;
}

TPayloadError Walk(const std::string& raw, std::vector<TPayloadRecord>& out) {
    return WalkRecords(reinterpret_cast<const uint8_t*>(raw.data()), raw.size(), out);
}

std::string Bytes(std::initializer_list<int> b) {
    std::string s;
    for (int c : b) s.push_back(static_cast<char>(c));
    return s;
}

TEST(PayloadFormat, LicenceRecordBytes) {
    TDateTime t;
    t.Year = 2012;
    t.Month = 2;
    t.Day = 26;
    t.Hour = 12;
    t.Minute = 59;
    t.Second = 4;
    const std::string text(2228, 'x');
    std::string rec;
    AppendRecord(rec, "License.txt", EncodeDayCount(t), text);
    const std::string head =
        Bytes({0x0B}) + "License.txt" +
        Bytes({0x72, 0x11, 0x06, 0x50, 0xB1, 0x00, 0xE4, 0x40, 0xB4, 0x08, 0x00, 0x00});
    ASSERT_EQ(13u + 11 + 2228, rec.size());
    EXPECT_EQ(head, rec.substr(0, head.size()));
    EXPECT_EQ(text, rec.substr(head.size()));
}

TEST(PayloadFormat, WalksRecordsToTheExactEnd) {
    std::string raw;
    AppendRecord(raw, "parv.exe", 40000.5, std::string(1000, 'p'));
    AppendRecord(raw, "userdicen.tlx", 40001.0, "");  // size 0: next record follows at once
    AppendRecord(raw, "Templates\\Faxes\\Fax 1.rtf", 40002.25, "fax");
    std::vector<TPayloadRecord> recs;
    ASSERT_EQ(TPayloadError::Ok, Walk(raw, recs));
    ASSERT_EQ(3u, recs.size());
    EXPECT_EQ("parv.exe", recs[0].Name);
    EXPECT_EQ(1000, recs[0].Size);
    EXPECT_EQ(13 + 8, recs[0].Offset);
    EXPECT_EQ(40000.5, recs[0].Time);
    EXPECT_EQ("userdicen.tlx", recs[1].Name);
    EXPECT_EQ(0, recs[1].Size);
    EXPECT_EQ(recs[0].Offset + 1000 + 13 + 13, recs[1].Offset);
    EXPECT_EQ("Templates\\Faxes\\Fax 1.rtf", recs[2].Name);
    EXPECT_EQ(recs[1].Offset + 13 + 25, recs[2].Offset);
    EXPECT_EQ("fax", raw.substr(recs[2].Offset, 3));
    EXPECT_EQ(raw.size(), size_t(recs[2].Offset + recs[2].Size));

    std::vector<TPayloadRecord> none;
    EXPECT_EQ(TPayloadError::Ok, Walk("", none));
    EXPECT_TRUE(none.empty());
}

TEST(PayloadFormat, RecordDamage) {
    std::string good;
    AppendRecord(good, "a.txt", 40000.0, "abc");
    const std::string oversize = Bytes({1, 'b', 0, 0, 0, 0, 0, 0, 0, 0, 0x00, 0x00, 0x00, 0x80});
    struct Case {
        const char* what;
        std::string tail;
        TPayloadError expected;
    } cases[] = {
        {"only a length byte", Bytes({5}), TPayloadError::RecordPastEnd},
        {"name cut short", Bytes({5, 'a', 'b'}), TPayloadError::RecordPastEnd},
        {"size field cut short", Bytes({1, 'b', 0, 0, 0, 0, 0, 0, 0, 0, 1, 0}),
         TPayloadError::RecordPastEnd},
        {"data cut short", Bytes({1, 'b', 0, 0, 0, 0, 0, 0, 0, 0, 4, 0, 0, 0, 'x', 'y'}),
         TPayloadError::RecordPastEnd},
        {"size above 2^31-1", oversize, TPayloadError::NegativeSize},
        {"size 0xFFFFFFFF", Bytes({1, 'b', 0, 0, 0, 0, 0, 0, 0, 0, 0xFF, 0xFF, 0xFF, 0xFF}),
         TPayloadError::NegativeSize},
        {"size just past the end", Bytes({1, 'b', 0, 0, 0, 0, 0, 0, 0, 0, 1, 0, 0, 0}),
         TPayloadError::RecordPastEnd},
    };
    for (const Case& c : cases) {
        std::vector<TPayloadRecord> recs;
        EXPECT_EQ(c.expected, Walk(good + c.tail, recs)) << c.what;
        ASSERT_EQ(1u, recs.size()) << c.what << ": records before the damage are kept";
        EXPECT_EQ("a.txt", recs[0].Name);
    }
}

TEST(PayloadFormat, NameRules) {
    const char* bad[] = {
        "",
        "C:\\x.txt",
        "C:x.txt",
        "\\x.txt",
        "/x.txt",
        "x\\",
        "a\\\\b",
        ".",
        "..",
        "a\\..\\b",
        "a\\.\\b",
        "..\\x",
        "a/../b",
        "a\\...",
        "a\\. .\\b",
        "x.txt:stream",
        "a\tb",
        "\\\\srv\\share\\x",
        // Device names, whatever the extension or case, in any part.
        "NUL",
        "Templates\\NUL",
        "Templates\\AUX.rtf",
        "con",
        "prn.txt",
        "COM1",
        "lpt9.x.y",
        "Clip\\COM0 .gif",
        "CONOUT$",
        "aux\\x.txt",
        "COM\xB9",
    };
    for (const char* n : bad) {
        EXPECT_FALSE(IsSafePayloadName(n)) << n;
        std::string raw;
        AppendRecord(raw, n, 40000.0, "z");
        std::vector<TPayloadRecord> recs;
        EXPECT_EQ(TPayloadError::BadName, Walk(raw, recs)) << n;
    }
    EXPECT_FALSE(IsSafePayloadName(std::string("a\0b", 3)));
    const char* good[] = {
        "parv.exe",
        "Templates\\Faxes\\Fax 1.rtf",
        "English (American).cache",
        "..hidden",
        "a.b.c",
        "Clip Library\\Animals\\cat.png",
        "CONSOLE.txt",
        "COM10",
        "nul1",
        "auxiliary.rtf",
        "LPT",
        "Templates\\prn_form.rtf",
    };
    for (const char* n : good) EXPECT_TRUE(IsSafePayloadName(n)) << n;
}

TEST(PayloadFormat, InflateMatchesZlibAcrossSizes) {
    std::mt19937 rng(7);
    // Sizes around the first-block and growth boundaries, random and repetitive
    // data (the latter forces several growth steps).
    for (size_t n :
         {size_t(1), size_t(255), size_t(256), size_t(5000), size_t(70000), size_t(1) << 20}) {
        for (int kind = 0; kind < 3; ++kind) {
            std::string raw(n, '\0');
            for (size_t i = 0; i < n; ++i)
                raw[i] = kind == 0 ? char(rng()) : kind == 1 ? char(i / 1000) : char('a' + i % 3);
            const std::string packed = Deflate(raw);
            std::string out;
            ASSERT_EQ(TPayloadError::Ok, Inflate(packed, &out)) << n << " kind " << kind;
            ASSERT_EQ(raw, out) << n << " kind " << kind;
        }
    }
}

TEST(PayloadFormat, EmptyStreamInflatesToNothing) {
    std::string out = "x";
    EXPECT_EQ(TPayloadError::Ok, Inflate(Deflate(""), &out));
    EXPECT_TRUE(out.empty());
}

TEST(PayloadFormat, StreamDamage) {
    std::string raw;
    for (int i = 0; i < 3000; ++i) raw += "line " + std::to_string(i * 7919 % 1000) + "\n";
    const std::string packed = Deflate(raw);
    ASSERT_EQ("\x78\xDA", packed.substr(0, 2));

    auto flip = [&](size_t at, int mask) {
        std::string s = packed;
        s[at] = char(s[at] ^ mask);
        return s;
    };
    struct Case {
        const char* what;
        std::string bytes;
        TPayloadError expected;
    } cases[] = {
        {"no bytes", "", TPayloadError::Empty},
        {"bad header check", flip(1, 1), TPayloadError::BadStream},
        {"not deflate", flip(0, 0x0F), TPayloadError::BadStream},
        {"preset dictionary", Bytes({0x78, 0xBB, 0, 0, 0, 1, 3, 0}), TPayloadError::BadStream},
        {"checksum byte", flip(packed.size() - 1, 0x40), TPayloadError::BadChecksum},
        {"checksum missing", packed.substr(0, packed.size() - 4), TPayloadError::Truncated},
        {"cut in the middle", packed.substr(0, packed.size() / 2), TPayloadError::Truncated},
        {"trailing byte", packed + '\0', TPayloadError::TrailingBytes},
        {"second stream after", packed + packed, TPayloadError::TrailingBytes},
        {"garbage", std::string(100, '\xAB'), TPayloadError::BadStream},
    };
    for (const Case& c : cases) EXPECT_EQ(c.expected, Inflate(c.bytes)) << c.what;

    // Every prefix is refused, never accepted as a shorter payload.
    for (size_t len = 1; len < packed.size(); len += len < 64 ? 1 : 97) {
        const TPayloadError e = Inflate(packed.substr(0, len));
        EXPECT_TRUE(e == TPayloadError::Truncated || e == TPayloadError::BadStream) << len;
    }
    // A flipped bit anywhere in the body is caught by the stream or the checksum.
    for (size_t at = 2; at < packed.size(); at += 13) {
        EXPECT_NE(TPayloadError::Ok, Inflate(flip(at, 0x10))) << at;
    }
}

TEST(PayloadFormat, ReaderReportsDamageAndIndexesGoodPayloads) {
    std::string raw;
    AppendRecord(raw, "parv.exe", 40000.5, "exe");
    AppendRecord(raw, "License.txt", 40965.54101851852, "licence");
    const std::string packed = Deflate(raw);
    TPayloadError e = TPayloadError::BadName;
    auto files =
        TAttachedFiles::Create(reinterpret_cast<const uint8_t*>(packed.data()), packed.size(), &e);
    ASSERT_TRUE(files);
    EXPECT_EQ(TPayloadError::Ok, e);
    ASSERT_EQ(2u, files->Entries.size());
    EXPECT_EQ("License.txt", files->Entries[1].Name);
    EXPECT_EQ(int32_t(raw.size()), files->DataSize());
    EXPECT_EQ("licence",
              std::string(reinterpret_cast<const char*>(files->Data()) + files->Entries[1].Offset,
                          files->Entries[1].Size));
    EXPECT_EQ(0, files->GetTotalSize());

    std::string damaged = raw;
    damaged.pop_back();
    const std::string p2 = Deflate(damaged);
    EXPECT_FALSE(
        TAttachedFiles::Create(reinterpret_cast<const uint8_t*>(p2.data()), p2.size(), &e));
    EXPECT_EQ(TPayloadError::RecordPastEnd, e);
    EXPECT_FALSE(TAttachedFiles::Create(nullptr, 0, &e));
    EXPECT_EQ(TPayloadError::Empty, e);
}

// A stream that inflates far past what a signed 32-bit size can index, made
// by repeating one fully flushed block of zeros: about 2 MB packed, 2.2 GB
// inflated, with a valid checksum.
std::string Bomb(const std::string& head) {
    constexpr size_t chunk = size_t(1) << 20;
    constexpr int chunks = 2100;
    const std::string zeros(chunk, '\0');
    z_stream z{};
    EXPECT_EQ(Z_OK, deflateInit(&z, 9));
    auto pump = [&](const std::string& in, int flush) {
        std::string out(compressBound(uLong(in.size())) + 64, '\0');
        z.next_in = reinterpret_cast<Bytef*>(const_cast<char*>(in.data()));
        z.avail_in = uInt(in.size());
        z.next_out = reinterpret_cast<Bytef*>(out.data());
        z.avail_out = uInt(out.size());
        deflate(&z, flush);
        out.resize(out.size() - z.avail_out);
        return out;
    };
    std::string packed = pump(head, Z_FULL_FLUSH);
    const std::string first = pump(zeros, Z_FULL_FLUSH);
    const std::string block = pump(zeros, Z_FULL_FLUSH);
    EXPECT_EQ(first, block) << "a full flush makes each block independent";
    for (int i = 0; i < chunks; ++i) packed += block;
    std::string tail = pump("", Z_FINISH);
    deflateEnd(&z);
    tail.resize(tail.size() - 4);
    uLong adler = adler32(1, reinterpret_cast<const Bytef*>(head.data()), uInt(head.size()));
    const uLong zeroAdler = adler32(1, reinterpret_cast<const Bytef*>(zeros.data()), uInt(chunk));
    for (int i = 0; i < chunks; ++i) adler = adler32_combine(adler, zeroAdler, z_off_t(chunk));
    packed += tail;
    for (int shift = 24; shift >= 0; shift -= 8) packed += char((adler >> shift) & 0xFF);
    return packed;
}

// Refused from the first record header, long before the zeros are inflated.
TEST(PayloadFormat, DecompressionBombsAreRefusedAtTheirFirstRecord) {
    std::string head;
    AppendRecord(head, "parv.exe", 40000.5, "");
    head.replace(head.size() - 4, 4, "\xF0\xFF\xFF\x7F");  // 2,147,483,632 bytes of data
    struct Case {
        const char* what;
        std::string head;
        TPayloadError expected;
    } cases[] = {
        {"a record that ends past 2 GiB", head, TPayloadError::TooLarge},
        {"zeros only", "", TPayloadError::BadName},
    };
    for (const Case& c : cases) {
        const std::string packed = Bomb(c.head);
        EXPECT_LT(packed.size(), size_t(3) << 20) << c.what;
        TPayloadError e = TPayloadError::Ok;
        EXPECT_FALSE(TAttachedFiles::Create(reinterpret_cast<const uint8_t*>(packed.data()),
                                            packed.size(), &e));
        EXPECT_EQ(c.expected, e) << c.what;
    }
}

}  // namespace

namespace {

// The build's CRC against the packed bytes: any byte changed on either side,
// or a stored form that is not 4 bytes, is refused without inflating.
TEST(PackedCrc, MatchesOnlyTheBytesItWasWrittenFor) {
    const std::string packed = Deflate("the packed payload");
    const std::string stored =
        StoredCrc(PackedCrc32(reinterpret_cast<const uint8_t*>(packed.data()), packed.size()));
    auto flipped = [](std::string s, size_t at) {
        s[at] = static_cast<char>(s[at] ^ 0x01);
        return s;
    };
    struct Case {
        const char* What;
        std::string Packed;
        std::string Stored;
        TPayloadError Expected;
    } cases[] = {
        {"as written", packed, stored, TPayloadError::Ok},
        {"a packed bit changed", flipped(packed, packed.size() / 2), stored,
         TPayloadError::PackedCrc},
        {"the packed data cut short", packed.substr(0, packed.size() - 1), stored,
         TPayloadError::PackedCrc},
        {"the last stored byte changed", packed, flipped(stored, 3), TPayloadError::PackedCrc},
        {"no stored CRC", packed, "", TPayloadError::PackedCrc},
        {"a stored CRC too long", packed, stored + '\0', TPayloadError::PackedCrc},
        {"no packed data", "", stored, TPayloadError::Empty},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(
            c.Expected,
            CheckPackedCrc(reinterpret_cast<const uint8_t*>(c.Packed.data()), c.Packed.size(),
                           reinterpret_cast<const uint8_t*>(c.Stored.data()), c.Stored.size()))
            << c.What;
    }
    // The stored form is zlib's CRC-32, least significant byte first.
    EXPECT_EQ(StoredCrc(0xCBF43926u), std::string("\x26\x39\xF4\xCB"));
    EXPECT_EQ(PackedCrc32(reinterpret_cast<const uint8_t*>("123456789"), 9), 0xCBF43926u);
}

}  // namespace
