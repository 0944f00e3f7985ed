#include "payload/PayloadBuilder.h"

#include <zlib.h>

#include <cctype>
#include <climits>
#include <cstdio>
#include <set>
#include <sstream>

#include "instutils/DayCount.h"
#include "instutils/InstUtils.h"
#include "payload/PayloadFormat.h"

namespace {

bool ReadNumber(std::string_view text, size_t at, size_t digits, int& value) {
    value = 0;
    for (size_t i = at; i < at + digits; ++i) {
        if (!std::isdigit(static_cast<unsigned char>(text[i]))) return false;
        value = value * 10 + (text[i] - '0');
    }
    return true;
}

int DaysInMonth(int year, int month) {
    static const int days[] = {31, 28, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31};
    const bool leap = (year % 4 == 0 && year % 100 != 0) || year % 400 == 0;
    return month == 2 && leap ? 29 : days[month - 1];
}

std::string FolderOf(const std::string& path) {
    const size_t slash = path.find_last_of("/\\");
    return slash == std::string::npos ? std::string() : path.substr(0, slash + 1);
}

std::string UpperAscii(std::string s) {
    for (char& c : s)
        if (c >= 'a' && c <= 'z') c = static_cast<char>(c - 'a' + 'A');
    return s;
}

}  // namespace

bool ParseStampText(std::string_view text, double& dayCount, std::string& error) {
    TDateTime t;
    if (text.size() != 19 || text[4] != '-' || text[7] != '-' || text[10] != ' ' ||
        text[13] != ':' || text[16] != ':' || !ReadNumber(text, 0, 4, t.Year) ||
        !ReadNumber(text, 5, 2, t.Month) || !ReadNumber(text, 8, 2, t.Day) ||
        !ReadNumber(text, 11, 2, t.Hour) || !ReadNumber(text, 14, 2, t.Minute) ||
        !ReadNumber(text, 17, 2, t.Second)) {
        error = "time stamp must be YYYY-MM-DD hh:mm:ss";
        return false;
    }
    if (t.Month < 1 || t.Month > 12 || t.Day < 1 || t.Day > DaysInMonth(t.Year, t.Month) ||
        t.Hour > 23 || t.Minute > 59 || t.Second > 59) {
        error = "no such date or time";
        return false;
    }
    if (t.Year < 1980 || t.Year > 2099) {
        error = "the year must lie between 1980 and 2099";
        return false;
    }
    if (t.Second % 2 != 0) {
        error = "seconds must be even (files keep a 2-second grain)";
        return false;
    }
    dayCount = EncodeDayCount(t);
    return true;
}

std::string FormatStampText(double dayCount) {
    TDateTime t;
    if (!DecodeDayCount(dayCount, t)) return "?";
    char buf[40];
    std::snprintf(buf, sizeof buf, "%04d-%02d-%02d %02d:%02d:%02d", t.Year, t.Month, t.Day, t.Hour,
                  t.Minute, t.Second);
    return buf;
}

bool ParseManifest(std::string_view text, std::vector<TManifestEntry>& entries,
                   std::string& error) {
    entries.clear();
    std::set<std::string> seen;
    int lineNo = 0;
    for (const std::string& whole : SplitLines(std::string(text))) {
        const std::string_view line = whole;
        ++lineNo;
        if (line.empty() || line[0] == '#') continue;

        auto fail = [&](const std::string& why) {
            error = "line " + std::to_string(lineNo) + ": " + why;
            return false;
        };
        const size_t tab1 = line.find('\t');
        const size_t tab2 = tab1 == std::string_view::npos ? tab1 : line.find('\t', tab1 + 1);
        if (tab2 == std::string_view::npos || line.find('\t', tab2 + 1) != std::string_view::npos)
            return fail("expected NAME<TAB>SOURCE<TAB>YYYY-MM-DD hh:mm:ss");
        TManifestEntry e;
        e.Line = lineNo;
        e.Name = std::string(line.substr(0, tab1));
        e.Source = std::string(line.substr(tab1 + 1, tab2 - tab1 - 1));
        if (e.Name.size() > 255) return fail("name longer than 255 bytes");
        if (!IsSafePayloadName(e.Name)) return fail("invalid name \"" + e.Name + "\"");
        if (e.Source.empty()) return fail("no source file");
        std::string why;
        if (!ParseStampText(line.substr(tab2 + 1), e.Time, why)) return fail(why);
        if (!seen.insert(UpperAscii(e.Name)).second)
            return fail("\"" + e.Name + "\" repeats an earlier name (letter case is ignored)");
        entries.push_back(std::move(e));
    }
    return true;
}

std::string CompressPayload(const std::string& records) {
    uLongf len = compressBound(static_cast<uLong>(records.size()));
    std::string out(len, '\0');
    if (compress2(reinterpret_cast<Bytef*>(out.data()), &len,
                  reinterpret_cast<const Bytef*>(records.data()),
                  static_cast<uLong>(records.size()), 9) != Z_OK)
        return std::string();
    out.resize(len);
    return out;
}

bool PackEntries(const std::vector<TManifestEntry>& entries, std::string& packed,
                 std::string& error) {
    std::string records;
    for (const TManifestEntry& e : entries) {
        const std::string where = e.Line > 0 ? "line " + std::to_string(e.Line) + ": " : "";
        std::string bytes;
        if (ReadWholeFile(e.Source, bytes) != TFileRead::Read) {
            error = where + "cannot read " + e.Source;
            return false;
        }
        if (bytes.size() > size_t(INT32_MAX) ||
            records.size() + 13 + e.Name.size() + bytes.size() > size_t(INT32_MAX)) {
            error = where + e.Source + ": the payload would exceed 2 GB";
            return false;
        }
        AppendRecord(records, e.Name, e.Time, bytes);
    }
    packed = CompressPayload(records);
    if (packed.empty()) {
        error = "compression failed";
        return false;
    }
    return true;
}

bool BuildPayloadFromManifest(const std::string& manifestPath, std::string& packed,
                              std::string& error) {
    std::string text;
    if (ReadWholeFile(manifestPath, text) != TFileRead::Read) {
        error = manifestPath + ": cannot read the manifest";
        return false;
    }
    std::vector<TManifestEntry> entries;
    if (!ParseManifest(text, entries, error)) {
        error = manifestPath + ": " + error;
        return false;
    }
    const std::string base = FolderOf(manifestPath);
    for (TManifestEntry& e : entries) {
        const bool absolute = e.Source[0] == '/' || e.Source[0] == '\\' ||
                              (e.Source.size() > 1 && e.Source[1] == ':');
        if (!absolute) e.Source = base + e.Source;
    }
    if (!PackEntries(entries, packed, error)) {
        error = manifestPath + ": " + error;
        return false;
    }
    return true;
}

bool ListPayload(std::string_view packed, std::string& listing, std::string& error) {
    TPayloadBlock block;
    TPayloadError e =
        InflatePayload(reinterpret_cast<const uint8_t*>(packed.data()), packed.size(), block);
    std::vector<TPayloadRecord> records;
    if (e == TPayloadError::Ok)
        e = WalkRecords(block.data(), static_cast<size_t>(block.size()), records);
    if (e != TPayloadError::Ok) {
        error = PayloadErrorText(e);
        if (e >= TPayloadError::RecordPastEnd && e <= TPayloadError::BadName)
            error += " (record " + std::to_string(records.size() + 1) + ")";
        return false;
    }
    std::ostringstream out;
    long long bytes = 0;
    for (const TPayloadRecord& r : records) {
        out << r.Name << '\t' << r.Size << '\t' << FormatStampText(r.Time) << '\n';
        bytes += r.Size;
    }
    out << records.size() << " records, " << bytes << " bytes\n";
    listing = out.str();
    return true;
}
