#pragma once
// A payload with the release's record layout: the same names in the same
// order (parv.exe, License.txt, the spellchecker files, 19 templates, 242 clip
// images, Basic.asn, Hyphenation.dat). Full size gives the release's data
// sizes; otherwise the sizes are small except where tests rely on them.

#include <zlib.h>

#include <cstdint>
#include <string>
#include <vector>

#include "instutils/DayCount.h"
#include "payload/PayloadFormat.h"

namespace shaped {

struct TRecordSpec {
    std::string Name;
    size_t Size;
};

inline std::vector<TRecordSpec> Records(bool fullSize) {
    const auto pick = [fullSize](size_t full, size_t small) { return fullSize ? full : small; };
    std::vector<TRecordSpec> r = {
        {"parv.exe", pick(4534096, 3000)},
        {"License.txt", 2228},
        {"English (American).asc", 150},
        {"English (British).asc", 150},
        {"us.zlx", pick(87354, 870)},
        {"uk.zlx", pick(33216, 330)},
        {"userdicen.tlx", 0},
        {"English (American).cache", 8022},
        {"english.zlx", pick(326738, 3200)},
    };
    const char* templateFolders[] = {"Business", "Faxes", "Letters", "Reports"};
    const int perFolder[] = {5, 3, 5, 6};
    size_t left = 203064, count = 19;
    for (int f = 0; f < 4; ++f) {
        for (int i = 1; i <= perFolder[f]; ++i) {
            const size_t size = pick(left / count, 100 + 7 * count);
            std::string name = std::string("Templates\\") + templateFolders[f] + "\\";
            name += f == 1 ? "Fax " + std::to_string(i) + ".rtf"
                           : "Template " + std::to_string(i) + ".rtf";
            r.push_back({name, size});
            left -= fullSize ? size : 0;
            --count;
        }
    }
    left = 183038;
    for (int i = 0; i < 242; ++i) {
        const size_t size = pick(left / size_t(242 - i), 10 + i % 50);
        left -= fullSize ? size : 0;
        r.push_back({"Clip Library\\Group " + std::to_string(i / 20) + "\\clip" +
                         std::to_string(i) + ".png",
                     size});
    }
    r.push_back({"Basic.asn", pick(62503, 600)});
    r.push_back({"Hyphenation.dat", 182700});
    return r;
}

// Content that compresses about as well as the release's (roughly half).
inline std::string Content(size_t size, uint32_t seed) {
    std::string s(size, '\0');
    uint32_t x = seed * 2654435761u + 1;
    for (size_t i = 0; i < size; ++i) {
        x = x * 1103515245u + 12345u;
        s[i] = (i / 64) % 2 ? static_cast<char>(x >> 24) : static_cast<char>('a' + (i % 64) % 26);
    }
    return s;
}

// The stamp every record carries: 2012-02-26 12:59:04 local time.
inline double Stamp() {
    TDateTime t;
    t.Year = 2012;
    t.Month = 2;
    t.Day = 26;
    t.Hour = 12;
    t.Minute = 59;
    t.Second = 4;
    return EncodeDayCount(t);
}

inline std::string Build(bool fullSize) {
    std::string raw;
    uint32_t seed = 1;
    for (const TRecordSpec& r : Records(fullSize))
        AppendRecord(raw, r.Name, Stamp(), Content(r.Size, seed++));
    uLongf len = compressBound(static_cast<uLong>(raw.size()));
    std::string packed(len, '\0');
    compress2(reinterpret_cast<Bytef*>(packed.data()), &len,
              reinterpret_cast<const Bytef*>(raw.data()), static_cast<uLong>(raw.size()), 9);
    packed.resize(len);
    return packed;
}

}  // namespace shaped
