#include "tools/mkpayload/ReleaseFolder.h"

#include <sys/stat.h>

#include <algorithm>
#include <climits>
#include <cstdio>
#include <ctime>
#include <filesystem>
#include <set>

#include "instutils/InstUtils.h"
#include "instutils/ResConst.h"
#include "integration/FileSet.h"
#include "payload/PayloadFormat.h"

namespace {

// Windows-1252 bytes 0x80..0x9F; 0 where the code page leaves a byte unused.
const uint16_t Cp1252High[32] = {
    0x20AC, 0,      0x201A, 0x0192, 0x201E, 0x2026, 0x2020, 0x2021, 0x02C6, 0x2030, 0x0160,
    0x2039, 0x0152, 0,      0x017D, 0,      0,      0x2018, 0x2019, 0x201C, 0x201D, 0x2022,
    0x2013, 0x2014, 0x02DC, 0x2122, 0x0161, 0x203A, 0x0153, 0,      0x017E, 0x0178,
};

// Decodes one UTF-8 sequence at `at`; false on malformed, overlong or
// surrogate sequences.
bool NextCodePoint(const std::string& s, size_t& at, uint32_t& cp) {
    const unsigned char lead = static_cast<unsigned char>(s[at]);
    int more = lead < 0x80                   ? 0
               : lead >= 0xC2 && lead < 0xE0 ? 1
               : lead >= 0xE0 && lead < 0xF0 ? 2
               : lead >= 0xF0 && lead < 0xF5 ? 3
                                             : -1;
    if (more < 0 || s.size() - at <= size_t(more)) return false;
    cp = more == 0 ? lead : lead & (0x3F >> more);
    for (int i = 1; i <= more; ++i) {
        const unsigned char c = static_cast<unsigned char>(s[at + i]);
        if ((c & 0xC0) != 0x80) return false;
        cp = cp << 6 | (c & 0x3F);
    }
    static const uint32_t least[] = {0, 0x80, 0x800, 0x10000};
    if (cp < least[more] || cp > 0x10FFFF || (cp >= 0xD800 && cp <= 0xDFFF)) return false;
    at += more + 1;
    return true;
}

bool ToCp1252(uint32_t cp, char& out) {
    if (cp < 0x80 || (cp >= 0xA0 && cp <= 0xFF)) {
        out = static_cast<char>(cp);
        return true;
    }
    for (int i = 0; i < 32; ++i)
        if (Cp1252High[i] != 0 && Cp1252High[i] == cp) {
            out = static_cast<char>(0x80 + i);
            return true;
        }
    return false;
}

// Windows-1252 upper case, so that names Windows would take for one are
// caught even where they differ in an accented letter.
std::string UpperCp1252(std::string s) {
    for (char& ch : s) {
        const unsigned char c = static_cast<unsigned char>(ch);
        if ((c >= 'a' && c <= 'z') || (c >= 0xE0 && c <= 0xFE && c != 0xF7))
            ch = static_cast<char>(c - 0x20);
        else if (c == 0x9A || c == 0x9C || c == 0x9E)
            ch = static_cast<char>(c - 0x10);
        else if (c == 0xFF)
            ch = static_cast<char>(0x9F);
    }
    return s;
}

std::string DiskPath(std::string payloadName) {
    std::replace(payloadName.begin(), payloadName.end(), '\\', '/');
    return payloadName;
}

// The file's time as the payload stores it: even seconds (the grain of file
// times on FAT media), within the years the format allows.
bool StampOf(TDateTime t, double& dayCount, std::string& why) {
    t.Second -= t.Second % 2;
    t.Millisecond = 0;
    char text[64];
    std::snprintf(text, sizeof text, "%04d-%02d-%02d %02d:%02d:%02d", t.Year, t.Month, t.Day,
                  t.Hour, t.Minute, t.Second);
    if (ParseStampText(text, dayCount, why)) return true;
    why = std::string("last written ") + text + ": " + why + "; give the file a later time";
    return false;
}

}  // namespace

std::string PayloadNameOf(const std::string& path, std::string& why) {
    std::string name;
    for (size_t at = 0; at < path.size();) {
        uint32_t cp = 0;
        char c = 0;
        if (!NextCodePoint(path, at, cp) || !ToCp1252(cp, c)) {
            why = "the name holds characters outside Windows code page 1252; rename it";
            return {};
        }
        if (c == '\\') {
            why =
                "the name holds a backslash, which the setup program reads as a folder separator; "
                "rename it";
            return {};
        }
        if (static_cast<unsigned char>(c) < 0x20 ||
            std::string_view("<>:\"|?*").find(c) != std::string_view::npos) {
            why =
                "the name holds a character Windows does not allow in file names (< > : \" | ? * "
                "or a control character); rename it";
            return {};
        }
        name += c == '/' ? '\\' : c;
    }
    for (size_t start = 0; start <= name.size();) {
        size_t end = name.find('\\', start);
        if (end == std::string::npos) end = name.size();
        if (end > start && (name[end - 1] == '.' || name[end - 1] == ' ')) {
            why = "a part of the name ends in a dot or a blank, which Windows drops; rename it";
            return {};
        }
        start = end + 1;
    }
    if (name.size() > 255) {
        why = "the name takes " + std::to_string(name.size()) +
              " bytes in the payload, more than the 255 it can hold; shorten it";
        return {};
    }
    // The reader's own rules have the last word: what it would refuse at
    // start must not be packed.
    if (!IsSafePayloadName(name)) {
        why = "the setup program refuses this name; rename it";
        return {};
    }
    return name;
}

TReleaseCheck CheckReleaseFiles(const std::vector<TReleaseFile>& files, const std::string& root) {
    TReleaseCheck out;
    const std::string at = root.empty() ? "" : root + "/";
    struct TGood {
        std::string Name, Upper;
        const TReleaseFile* File;
        double Time;
        bool Taken;
        bool Refused;
    };
    std::vector<TGood> good;
    for (const TReleaseFile& f : files) {
        std::string why;
        const std::string name = PayloadNameOf(f.Path, why);
        double time = 0;
        if (name.empty()) {
            out.Problems.push_back(at + f.Path + ": " + why);
            continue;  // cannot stand for any name the setup program asks for
        }
        if (f.Kind == TReleaseFile::TKind::Link)
            why = "a symbolic link; links are not followed, put the file itself in the folder";
        else if (f.Kind == TReleaseFile::TKind::Other)
            why = "not a regular file; the payload holds files only";
        else if (f.Size > uint64_t(INT32_MAX))
            why = "larger than 2 GB, which the payload cannot hold";
        else
            StampOf(f.Time, time, why);
        // Refused, but present: it is not reported missing as well.
        if (!why.empty()) out.Problems.push_back(at + f.Path + ": " + why);
        good.push_back({name, UpperCp1252(name), &f, time, false, !why.empty()});
    }
    std::sort(good.begin(), good.end(), [](const TGood& a, const TGood& b) {
        return a.Upper != b.Upper ? a.Upper < b.Upper : a.Name < b.Name;
    });

    // Windows keeps one of two names that differ in letter case only, and a
    // file cannot share its name with a folder.
    std::set<std::string> folders;
    for (const TGood& g : good)
        for (size_t sep = g.Upper.find('\\'); sep != std::string::npos;
             sep = g.Upper.find('\\', sep + 1))
            folders.insert(g.Upper.substr(0, sep));
    for (size_t i = 0; i < good.size(); ++i) {
        if (i > 0 && good[i].Upper == good[i - 1].Upper)
            out.Problems.push_back(
                at + good[i].File->Path + ": differs from " + good[i - 1].File->Path +
                " in letter case only; Windows would keep one of them, rename one");
        if (folders.count(good[i].Upper))
            out.Problems.push_back(
                at + good[i].File->Path +
                ": a file of the same name as a folder; Windows cannot hold both, rename one");
    }

    auto take = [&](TGood& g) {
        g.Taken = true;
        TManifestEntry e;
        e.Name = g.Name;
        e.Source = g.File->Path;
        e.Time = g.Time;
        out.Entries.push_back(std::move(e));
    };
    std::set<std::string> asked;  // a row may install the same file again under another name
    for (const TFileSetRow& row : FileSetRows) {
        if (!asked.insert(row.Name).second) continue;
        const bool group = LastChar(row.Name) == '\\';
        bool found = false;
        for (TGood& g : good) {
            if (!MatchesEntry(row.Name, g.Name)) continue;
            found = true;
            if (!g.Taken) take(g);
            if (!group) break;
        }
        if (!found)
            out.Problems.push_back(
                at + DiskPath(row.Name) +
                (group ? ": holds no file; the setup program installs this folder's files, put at "
                         "least one in it"
                       : ": missing; the setup program installs this file, add it"));
    }
    for (TGood& g : good) {
        if (g.Taken) continue;
        if (!g.Refused)
            out.Warnings.push_back(
                at + g.File->Path +
                ": no file-set row selects it; it would be packed but never installed");
        take(g);
    }

    uint64_t total = 0;
    for (const TGood& g : good)
        if (g.File->Size <= uint64_t(INT32_MAX)) total += 13 + g.Name.size() + g.File->Size;
    if (total > uint64_t(INT32_MAX))
        out.Problems.push_back((root.empty() ? "." : root) + ": the files come to " +
                               std::to_string(total) +
                               " bytes in the payload, more than the 2,147,483,647 it can hold");
    return out;
}

std::vector<TReleaseFile> ListReleaseFolder(const std::string& root,
                                            std::vector<std::string>& problems) {
    namespace fs = std::filesystem;
    std::vector<TReleaseFile> files;
    std::error_code ec;
    if (!fs::is_directory(root, ec)) {
        problems.push_back(root + ": not a folder");
        return files;
    }
    fs::recursive_directory_iterator it(root, fs::directory_options::none, ec), end;
    for (; !ec && it != end; it.increment(ec)) {
        const fs::path& p = it->path();
        TReleaseFile f;
        f.Path = p.lexically_relative(root).generic_string();
        struct stat st;
        if (::lstat(p.c_str(), &st) != 0) {
            problems.push_back(root + "/" + f.Path + ": cannot be read");
            continue;
        }
        if (S_ISDIR(st.st_mode)) continue;
        f.Kind = S_ISLNK(st.st_mode)   ? TReleaseFile::TKind::Link
                 : S_ISREG(st.st_mode) ? TReleaseFile::TKind::Regular
                                       : TReleaseFile::TKind::Other;
        f.Size = static_cast<uint64_t>(st.st_size);
        struct tm local;
        const time_t mtime = st.st_mtim.tv_sec;
        if (!::localtime_r(&mtime, &local)) {
            problems.push_back(root + "/" + f.Path + ": its time cannot be read");
            continue;
        }
        f.Time.Year = local.tm_year + 1900;
        f.Time.Month = local.tm_mon + 1;
        f.Time.Day = local.tm_mday;
        f.Time.Hour = local.tm_hour;
        f.Time.Minute = local.tm_min;
        f.Time.Second = std::min(local.tm_sec, 59);  // no leap second in a day count
        files.push_back(std::move(f));
    }
    if (ec) problems.push_back(root + ": cannot be read: " + ec.message());
    return files;
}
