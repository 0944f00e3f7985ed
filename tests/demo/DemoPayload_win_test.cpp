// The built demo payload, read with zlib directly (independently of the
// program's own reader): the release's record table, the name and stamp
// rules, and that every record carries what its name promises.

#include <gtest/gtest.h>
#include <zlib.h>

#include <algorithm>
#include <cctype>
#include <cmath>
#include <cstdint>
#include <cstring>
#include <fstream>
#include <iterator>
#include <set>
#include <string>
#include <vector>

namespace {

using Bytes = std::vector<uint8_t>;

Bytes ReadAll(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    return Bytes(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

struct Record {
    std::string name;
    double stamp = 0;
    uint32_t size = 0;
    size_t offset = 0;
};

struct Payload {
    Bytes packed, data;
    std::vector<Record> records;
    std::string error;
};

// Inflates the whole stream and walks the records; any damage is named in
// `error`. Computed once: the tests only read it.
const Payload& Demo() {
    static const Payload p = [] {
        Payload p;
        p.packed = ReadAll(PARVELA_DEMO_PAYLOAD);
        if (p.packed.size() < 6) {
            p.error = "payload missing or empty: " + std::string(PARVELA_DEMO_PAYLOAD);
            return p;
        }
        z_stream z{};
        inflateInit(&z);
        z.next_in = p.packed.data();
        z.avail_in = uInt(p.packed.size());
        uint8_t buf[1 << 16];
        int rc;
        do {
            z.next_out = buf;
            z.avail_out = sizeof(buf);
            rc = inflate(&z, Z_NO_FLUSH);
            p.data.insert(p.data.end(), buf, buf + (sizeof(buf) - z.avail_out));
        } while (rc == Z_OK);
        const bool whole = rc == Z_STREAM_END && z.avail_in == 0;
        inflateEnd(&z);
        if (!whole) {
            p.error = "not exactly one zlib stream";
            return p;
        }
        size_t at = 0;
        while (at < p.data.size()) {
            Record r;
            const size_t n = p.data[at];
            if (at + 13 + n > p.data.size()) {
                p.error = "record header past the end";
                return p;
            }
            r.name.assign(reinterpret_cast<const char*>(&p.data[at + 1]), n);
            std::memcpy(&r.stamp, &p.data[at + 1 + n], 8);
            std::memcpy(&r.size, &p.data[at + 9 + n], 4);
            r.offset = at + 13 + n;
            if (r.size > p.data.size() - r.offset) {
                p.error = "record data past the end: " + r.name;
                return p;
            }
            at = r.offset + r.size;
            p.records.push_back(r);
        }
        return p;
    }();
    return p;
}

std::string Upper(std::string s) {
    for (char& c : s) c = char(std::toupper(static_cast<unsigned char>(c)));
    return s;
}

bool StartsWith(const std::string& s, const std::string& head) { return s.rfind(head, 0) == 0; }

bool EndsWithNoCase(const std::string& s, const std::string& tail) {
    return s.size() >= tail.size() && Upper(s.substr(s.size() - tail.size())) == Upper(tail);
}

// Days from 1899-12-30 to a civil date (proleptic Gregorian).
int64_t DayNumber(int y, int m, int d) {
    y -= m <= 2;
    const int64_t era = (y >= 0 ? y : y - 399) / 400;
    const int64_t yoe = y - era * 400;
    const int64_t doy = (153 * (m + (m > 2 ? -3 : 9)) + 2) / 5 + d - 1;
    const int64_t doe = yoe * 365 + yoe / 4 - yoe / 100 + doy;
    return era * 146097 + doe - 719468 + 25569;  // 1970-01-01 is day 25569
}

TEST(DemoPayload, IsOneWholeMaxLevelZlibStream) {
    const Payload& p = Demo();
    ASSERT_EQ(p.error, "");
    EXPECT_EQ(p.packed[0], 0x78);
    EXPECT_EQ(p.packed[1], 0xDA);
    EXPECT_EQ(p.records.size(), 272u);
}

TEST(DemoPayload, FollowsTheReleaseTable) {
    const Payload& p = Demo();
    ASSERT_EQ(p.error, "");
    struct Group {
        const char* name;  // a file name, or a folder prefix ending in "\"
        size_t records;
        uint64_t bytes;
    };
    const Group groups[] = {
        {"parv.exe", 1, 4534096},
        {"License.txt", 1, 2228},
        {"English (American).asc", 1, 150},
        {"English (British).asc", 1, 150},
        {"us.zlx", 1, 87354},
        {"uk.zlx", 1, 33216},
        {"userdicen.tlx", 1, 0},
        {"English (American).cache", 1, 8022},
        {"english.zlx", 1, 326738},
        {"Templates\\", 19, 203064},
        {"Clip Library\\", 242, 183038},
        {"Basic.asn", 1, 62503},
        {"Hyphenation.dat", 1, 182700},
    };
    size_t i = 0;
    uint64_t total = 0;
    for (const Group& g : groups) {
        SCOPED_TRACE(g.name);
        const std::string name = g.name;
        const bool folder = name.back() == '\\';
        size_t count = 0;
        uint64_t bytes = 0;
        while (i < p.records.size() &&
               (folder ? StartsWith(p.records[i].name, name) : p.records[i].name == name)) {
            bytes += p.records[i].size;
            ++count;
            ++i;
        }
        EXPECT_EQ(count, g.records);
        EXPECT_EQ(bytes, g.bytes);
        total += bytes;
    }
    EXPECT_EQ(i, p.records.size()) << "records outside the table from " << i;
    EXPECT_EQ(total, 5623259u);
    // Records end to end with nothing between them or after the last one.
    EXPECT_EQ(
        p.data.size(), total + 13 * p.records.size() + [&] {
            size_t n = 0;
            for (const Record& r : p.records) n += r.name.size();
            return n;
        }());
}

TEST(DemoPayload, NamesObeyTheRules) {
    const Payload& p = Demo();
    ASSERT_EQ(p.error, "");
    std::set<std::string> folded;
    for (const Record& r : p.records) {
        SCOPED_TRACE(r.name);
        ASSERT_FALSE(r.name.empty());
        EXPECT_LE(r.name.size(), 61u);
        size_t separators = 0;
        for (char c : r.name) {
            EXPECT_TRUE(c >= 0x20 && c < 0x7F) << int(c);
            separators += c == '\\';
            EXPECT_NE(c, '/');
            EXPECT_NE(c, ':');
        }
        EXPECT_LE(separators, 3u);
        // Every part non-empty and not "." or "..": no leading, trailing or
        // doubled separators and no way out of the target folder.
        size_t start = 0;
        for (;;) {
            size_t cut = r.name.find('\\', start);
            std::string part =
                r.name.substr(start, cut == std::string::npos ? std::string::npos : cut - start);
            EXPECT_FALSE(part.empty() || part == "." || part == "..");
            if (cut == std::string::npos) break;
            start = cut + 1;
        }
        EXPECT_TRUE(folded.insert(Upper(r.name)).second)
            << "differs only in case from an earlier name";
    }
    // Names the install and clean-up rules rely on.
    for (const char* must :
         {"TEMPLATES\\FAXES\\FAX 1.RTF", "CLIP LIBRARY\\IMAGES\\BULLETS\\TARGET.GIF",
          "CLIP LIBRARY\\IMAGES\\BULLETS\\BULLET 1.GIF",
          "CLIP LIBRARY\\IMAGES\\CHECKMARKS\\CHECK 1.GIF"})
        EXPECT_TRUE(folded.count(must)) << must;
}

TEST(DemoPayload, StampsAreTheReleaseTime) {
    const Payload& p = Demo();
    ASSERT_EQ(p.error, "");
    // 2026-03-02 14:30:00, formed the way the reader forms a file's time.
    const double release = double(DayNumber(2026, 3, 2)) + (14 * 3600000 + 30 * 60000) / 86400000.0;
    EXPECT_EQ(DayNumber(2012, 2, 26), 40965);  // the licence example's day
    for (const Record& r : p.records) {
        SCOPED_TRACE(r.name);
        EXPECT_EQ(r.stamp, release);
        // Whole, even seconds and inside the DOS date range.
        const double seconds = (r.stamp - std::floor(r.stamp)) * 86400.0;
        EXPECT_NEAR(seconds, std::round(seconds), 1e-4);
        EXPECT_EQ(int64_t(std::round(seconds)) % 2, 0);
        EXPECT_GE(r.stamp, double(DayNumber(1980, 1, 1)));
        EXPECT_LT(r.stamp, double(DayNumber(2100, 1, 1)));
    }
}

TEST(DemoPayload, RecordsHoldWhatTheirNamesSay) {
    const Payload& p = Demo();
    ASSERT_EQ(p.error, "");
    const std::string content = std::string(PARVELA_SOURCE_DIR) + "\\demo\\content\\";
    for (const Record& r : p.records) {
        SCOPED_TRACE(r.name);
        const std::string data(reinterpret_cast<const char*>(p.data.data() + r.offset), r.size);
        if (r.name == "parv.exe") {
            // The padded build of the stand-in, byte for byte.
            const Bytes exe = ReadAll(std::string(PARVELA_BIN_DIR) + "\\parv.exe");
            EXPECT_TRUE(std::string(exe.begin(), exe.end()) == data)
                << "differs from the built parv.exe";
            EXPECT_TRUE(StartsWith(data, "MZ"));
            continue;
        }
        if (EndsWithNoCase(r.name, ".rtf")) {
            EXPECT_TRUE(StartsWith(data, "{\\rtf1")) << data.substr(0, 20);
            int depth = 0, least = 1;
            for (size_t k = 0; k < data.size(); ++k) {
                if (data[k] == '\\') {
                    ++k;  // escaped brace or control word start
                    continue;
                }
                depth += data[k] == '{';
                depth -= data[k] == '}';
                if (k + 3 < data.size()) least = std::min(least, depth);
            }
            EXPECT_EQ(depth, 0) << "unbalanced groups";
            EXPECT_GE(least, 1) << "document group closed early";
        } else if (EndsWithNoCase(r.name, ".png")) {
            EXPECT_TRUE(StartsWith(data, "\x89PNG\r\n\x1a\n"));
        } else if (EndsWithNoCase(r.name, ".gif")) {
            EXPECT_TRUE(StartsWith(data, "GIF89a") || StartsWith(data, "GIF87a"));
            EXPECT_EQ(data.back(), ';');
        }
        // Everything but the application comes from the committed content.
        std::string path = content + r.name;
        const Bytes file = ReadAll(path);
        EXPECT_TRUE(std::string(file.begin(), file.end()) == data) << "differs from " << path;
    }
}

}  // namespace
