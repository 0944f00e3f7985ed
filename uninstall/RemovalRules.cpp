#include "uninstall/RemovalRules.h"

#include "instutils/AppInterface.h"
#include "instutils/InstUtils.h"

#include <algorithm>

namespace uninst {

namespace {

constexpr std::string_view MadeDirPrefix = "Made Dir: ";
constexpr std::string_view FileCopyPrefix = "File Copy: ";
constexpr size_t ListedAtMost = 10;

bool StartsWith(std::string_view s, std::string_view head) {
    return s.substr(0, head.size()) == head;
}

char AsciiUpper(char c) { return c >= 'a' && c <= 'z' ? char(c - 'a' + 'A') : c; }

bool SameNoCase(std::string_view a, std::string_view b) {
    return TextEqualsIgnoreCase(std::string(a), std::string(b));
}

std::string FolderForm(std::string path) {
    AppendPathSeparator(path);
    return path;
}

size_t Depth(const std::string& folder) {
    size_t n = 0;
    for (size_t at = FindPathChar(folder, '\\'); at != std::string::npos;
         at = FindPathChar(folder, '\\', at + 1))
        ++n;
    return n;
}

// A double-byte character's trail byte may equal '|' or '\\'; it is part of
// the name, not a forbidden character.
bool IsNamePart(std::string_view part) {
    if (part.empty() || part == "." || part == "..") return false;
    for (size_t i = 0; i < part.size(); ++i) {
        const char c = part[i];
        if (IsLeadByte(c) && i + 1 < part.size()) {
            ++i;
            continue;
        }
        if (static_cast<unsigned char>(c) < 32 ||
            std::string_view("<>:\"/|?*").find(c) != std::string_view::npos)
            return false;
    }
    return true;
}

// True when a character starts at `at`: only a walk from the start can tell
// a trail byte from a single-byte character.
bool IsCharStart(const std::string& text, size_t at) {
    size_t i = 0;
    while (i < at) i += IsLeadByte(text[i]) && i + 1 < text.size() ? 2 : 1;
    return i == at;
}

std::string Listed(const std::vector<std::string>& paths) {
    std::string out;
    for (size_t i = 0; i < paths.size() && i < ListedAtMost; ++i) out += "\r" + paths[i];
    if (paths.size() > ListedAtMost)
        out += "\r(and " + std::to_string(paths.size() - ListedAtMost) + " more)";
    return out;
}

}  // namespace

bool IsPlainAbsolutePath(std::string_view text) {
    const std::string path(text);
    std::string rest;
    if (path.size() >= 3 && ((AsciiUpper(path[0]) >= 'A' && AsciiUpper(path[0]) <= 'Z')) &&
        path[1] == ':' && path[2] == '\\') {
        rest = path.substr(3);
        if (rest.empty()) return true;  // a drive root
    } else if (StartsWith(path, "\\\\")) {
        // The server and share are the first two parts and must be there.
        rest = path.substr(2);
        const size_t server = FindPathChar(rest, '\\');
        if (server == std::string::npos) return false;
        const size_t share = FindPathChar(rest, '\\', server + 1);
        if (share == std::string::npos || !IsNamePart(rest.substr(0, server)) ||
            !IsNamePart(rest.substr(server + 1, share - server - 1)))
            return false;
        rest = rest.substr(share + 1);
        if (rest.empty()) return true;
    } else {
        return false;
    }
    // One trailing backslash is folder form; anything else empty is not.
    if (EndsWithBackslash(rest)) rest.pop_back();
    while (true) {
        const size_t cut = FindPathChar(rest, '\\');
        if (!IsNamePart(std::string_view(rest).substr(0, cut))) return false;
        if (cut == std::string::npos) return true;
        rest = rest.substr(cut + 1);
    }
}

TLogReading ReadInstallLog(std::string_view text) {
    TLogReading r;
    if (text.find('\0') != std::string_view::npos) {
        r.Damaged = true;
        r.BadLine = 1 + std::count(text.begin(), text.begin() + text.find('\0'), '\n');
        return r;
    }
    const std::vector<std::string> lines = SplitLines(std::string(text));
    for (size_t i = 0; i < lines.size(); ++i) {
        const std::string& line = lines[i];
        if (line.empty()) continue;
        std::string path;
        bool folder = false;
        if (StartsWith(line, MadeDirPrefix)) {
            path = line.substr(MadeDirPrefix.size());
            folder = true;
        } else if (StartsWith(line, FileCopyPrefix)) {
            path = line.substr(FileCopyPrefix.size());
        }
        // A file path in folder form names no file.
        if (!IsPlainAbsolutePath(path) || (!folder && EndsWithBackslash(path))) {
            r.Damaged = true;
            r.BadLine = i + 1;
            r.Record = {};
            return r;
        }
        if (folder)
            r.Record.Folders.push_back(FolderForm(path));
        else
            r.Record.Files.push_back(path);
    }
    if (r.Record.Files.empty() && r.Record.Folders.empty()) r.Damaged = true;
    return r;
}

bool IsInside(std::string_view path, std::string_view folder) {
    const std::string base = FolderForm(std::string(folder));
    return path.size() > base.size() && SameNoCase(path.substr(0, base.size()), base);
}

std::optional<std::vector<std::string>> FoldersOnTheWay(const std::string& path, bool isFolder,
                                                        const TSetupPlaces& places) {
    const std::string target = isFolder ? FolderForm(path) : path;
    for (const std::string& root : {places.MainDir, places.DataDir}) {
        if (root.empty()) continue;
        const std::string base = FolderForm(root);
        if (!IsInside(target, base) && !(isFolder && SameNoCase(target, base))) continue;
        std::vector<std::string> way{base};
        for (size_t at = FindPathChar(target, '\\', base.size()); at != std::string::npos;
             at = FindPathChar(target, '\\', at + 1))
            way.push_back(target.substr(0, at + 1));
        return way;
    }
    if (isFolder) {
        // What the setup made to reach the main folder; it goes only when
        // empty, and the folder itself must not be a link.
        if (!places.MainDir.empty() && IsInside(places.MainDir, target))
            return std::vector<std::string>{target};
        return std::nullopt;
    }
    for (const std::string& folder : places.ShortcutFolders)
        if (!folder.empty() && SameNoCase(target, JoinPath(folder, app::ShortcutFile)))
            return std::vector<std::string>{};
    return std::nullopt;
}

std::vector<std::string> FoldersDeepestFirst(const std::vector<std::string>& folders) {
    std::vector<std::string> out;
    for (const std::string& f : folders) {
        std::string form = FolderForm(f);
        const bool seen = std::any_of(out.begin(), out.end(),
                                      [&](const std::string& o) { return SameNoCase(o, form); });
        if (!seen) out.push_back(std::move(form));
    }
    std::stable_sort(out.begin(), out.end(), [](const std::string& a, const std::string& b) {
        return Depth(a) > Depth(b);
    });
    return out;
}

std::optional<double> RecordTimeOf(std::string_view path, const std::vector<TRecordTime>& table) {
    const TRecordTime* best = nullptr;
    for (const TRecordTime& r : table) {
        const size_t n = r.Name.size();
        if (n == 0 || path.size() <= n || path[path.size() - n - 1] != '\\') continue;
        if (!SameNoCase(path.substr(path.size() - n), r.Name)) continue;
        if (!IsCharStart(std::string(path), path.size() - n - 1)) continue;
        if (!best || n > best->Name.size()) best = &r;
    }
    if (!best) return std::nullopt;
    return best->Time;
}

TFileFate JudgeFile(const TFileFacts& facts) {
    if (!facts.Exists) return TFileFate::Gone;
    if (!facts.RecordTime) return facts.NewerThanLog ? TFileFate::Changed : TFileFate::Remove;
    // Day counts of whole seconds differ from an exact hour by far less than
    // a second when they are that hour apart.
    constexpr double Hour = 1.0 / 24, Slack = 0.5 / 86400;
    const double shift = facts.Modified - *facts.RecordTime;
    for (double h : {0.0, Hour, -Hour})
        if (shift - h < Slack && h - shift < Slack) return TFileFate::Remove;
    return TFileFate::Changed;
}

bool EntryNamesProgram(const std::string& displayIcon, const std::string& uninstallString,
                       const std::string& exePath) {
    if (!displayIcon.empty()) return SameNoCase(displayIcon, exePath);
    if (uninstallString.size() < 2 || uninstallString[0] != '"') return false;
    const size_t close = uninstallString.find('"', 1);
    return close != std::string::npos && SameNoCase(uninstallString.substr(1, close - 1), exePath);
}

const char* const ConfirmText =
    "Do you want to remove Parvela Word Processor from this computer?\rYour documents are not "
    "affected.";
const char* const FileInUseText =
    "Cannot remove \"%s\".\rAnother program might be using this file.\r\r"
    "Close that program, then click Retry. Click Ignore to leave the file in place.";
const char* const AppRunningText =
    "Parvela Word Processor is running.\rClose it, then remove Parvela Word Processor again.";
const char* const PortableText =
    "This is a portable copy of Parvela Word Processor in \"%s\"; it was not installed on this "
    "computer, so "
    "nothing was changed.\rTo remove it, close it and delete that folder.";
const char* const LogMissingText =
    "Parvela Word Processor cannot be removed: its list of installed files \"%s\" is missing.\r"
    "Nothing was changed. Run the setup program again into the same folder, then remove Parvela "
    "Word "
    "Processor.";
const char* const LogDamagedText =
    "Parvela Word Processor cannot be removed: its list of installed files \"%s\" is damaged.\r"
    "Nothing was changed. Delete that file, run the setup program again into the same folder, then "
    "remove "
    "Parvela Word Processor.";

const char* const AnotherSetupText =
    "Parvela Word Processor cannot be removed while its setup program or another removal is "
    "running.\r\rPlease finish or close it first, then try again.";

std::string FormatText(const char* pattern, const std::string& value) {
    std::string out = pattern;
    const size_t at = out.find("%s");
    if (at != std::string::npos) out.replace(at, 2, value);
    return out;
}

std::string LogProblemText(const std::string& logPath, const TLogReading& reading) {
    if (!reading.Damaged) return FormatText(LogMissingText, logPath);
    std::string text = FormatText(LogDamagedText, logPath);
    const std::string where =
        reading.BadLine ? " (line " + std::to_string(reading.BadLine) + ")" : " (it is empty)";
    text.insert(text.find(" is damaged") + 11, where);
    return text;
}

std::string FinalText(const TRemovalOutcome& outcome) {
    std::string text = "Parvela Word Processor has been removed from this computer.";
    if (!outcome.Changed.empty())
        text += "\r\rThese files were changed after the installation and were kept:" +
                Listed(outcome.Changed);
    if (!outcome.Failed.empty())
        text += "\r\rThese could not be removed; delete them yourself:" + Listed(outcome.Failed);
    if (!outcome.SharedData.empty())
        text += "\r\rThe shared dictionaries, templates and clip library in \"" +
                outcome.SharedData +
                "\" were kept for other users. Delete that folder if nobody needs them.";
    return text;
}

}  // namespace uninst
