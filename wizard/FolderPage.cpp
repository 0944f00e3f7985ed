#include "wizard/FolderPage.h"

#include <algorithm>
#include <cstring>

#include "instutils/InstUtils.h"
#include "payload/PayloadFormat.h"

char LowerAscii(char c) { return (c >= 'A' && c <= 'Z') ? static_cast<char>(c - 'A' + 'a') : c; }

std::string LowerAsciiText(std::string text) {
    for (char& c : text) c = LowerAscii(c);
    return text;
}

namespace {

bool IsAsciiLetter(char c) { return (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z'); }

char UpperAscii(char c) { return (c >= 'a' && c <= 'z') ? static_cast<char>(c - 'a' + 'A') : c; }

// The letter of a "X:..." path, 0 for any other path.
char DriveLetterOf(const std::string& path) {
    return (path.size() >= 2 && path[1] == ':' && IsAsciiLetter(path[0])) ? path[0] : 0;
}

bool SameLetter(char a, char b) { return LowerAscii(a) == LowerAscii(b); }

std::string TrimSpaces(const std::string& text) {
    size_t first = text.find_first_not_of(' ');
    if (first == std::string::npos) return {};
    size_t last = text.find_last_not_of(' ');
    return text.substr(first, last - first + 1);
}

// A letter and colon, or a network server and share ("\\server" alone is not).
bool HasDrivePart(const std::string& text) {
    if (DriveLetterOf(text)) return true;
    if (text.size() < 3 || text[0] != '\\' || text[1] != '\\') return false;
    size_t afterServer = FindPathChar(text, '\\', 2);
    return afterServer != std::string::npos && afterServer > 2 && afterServer + 1 < text.size() &&
           text[afterServer + 1] != '\\';
}

}  // namespace

std::string NormalizeDestDirText(const std::string& typed, char driveLetter,
                                 const std::string& programFiles, const TFullPath& fullPath) {
    std::string text = TrimSpaces(typed);
    if (!HasDrivePart(text)) {
        // A box without a drive yet must not produce a path with a stray byte.
        if (!IsAsciiLetter(driveLetter))
            driveLetter = DriveLetterOf(programFiles) ? LowerAscii(programFiles[0]) : 'c';
        text.assign(1, driveLetter);
        text += ':';
    } else if (fullPath && text.size() > 2 && !IsDriveRelative(text)) {
        // "C:\.", "C:\Apps\.." and short names meet the rule below in the
        // form they will be installed into. A bare "C:" would resolve to that
        // drive's current folder, so it is left to the rule.
        std::string full = fullPath(text);
        if (!full.empty()) text = full;
    }
    if (EndsWithBackslash(text)) text.pop_back();
    size_t cut = FindLastPathChar(text, "\\:");
    bool emptyLast = cut == std::string::npos ? text.empty() : cut + 1 == text.size();
    if (emptyLast || (!programFiles.empty() && TextEqualsIgnoreCase(text, programFiles))) {
        if (!EndsWithBackslash(text)) text += '\\';
        text += "Parvela";
    }
    return text;
}

bool IsDriveRelative(const std::string& text) {
    return DriveLetterOf(text) && text.size() > 2 && text[2] != '\\' && text[2] != '/';
}

TFolderCheck CheckTypedFolder(const std::string& typed) {
    const std::string text = TrimSpaces(typed);
    for (size_t i = 0; i < text.size(); i = IsLeadByte(text[i]) ? i + 2 : i + 1) {
        const unsigned char c = static_cast<unsigned char>(text[i]);
        if (c == '"') return {TFolderProblem::Quote, "\""};
        // The drive's colon is the only one a path may hold.
        if (c < 32 || std::strchr("<>|?*", c) || (c == ':' && !(i == 1 && DriveLetterOf(text))))
            return {TFolderProblem::ForbiddenCharacter, std::string(1, static_cast<char>(c))};
    }
    if (IsDriveRelative(text)) return {TFolderProblem::DriveRelative, text};
    // Device names stand for devices in any folder and with any extension.
    // No double-byte character has "/" as its second byte.
    std::string path = text;
    std::replace(path.begin(), path.end(), '/', '\\');
    // "\\.\" and "\\?\" reach the system's devices, not a share.
    if (path.compare(0, 4, "\\\\.\\") == 0 || path.compare(0, 4, "\\\\?\\") == 0)
        return {TFolderProblem::DevicePath, text};
    size_t start = 0;
    while (start <= path.size()) {
        size_t end = FindPathChar(path, '\\', start);
        if (end == std::string::npos) end = path.size();
        std::string name = path.substr(start, end - start);
        const size_t first = name.find_first_not_of(' ');
        if (first != std::string::npos && IsDeviceName(std::string_view(name).substr(first)))
            return {TFolderProblem::DeviceName, name};
        start = end + 1;
    }
    return {};
}

TFolderCheck CheckResolvedFolder(const std::string& folder) {
    // The system drops a part's trailing dots and blanks when it opens the
    // path, so such a folder would be made under one name and logged under
    // another.
    const size_t from = DrivePart(folder).size();
    size_t start = from < folder.size() && folder[from] == '\\' ? from + 1 : from;
    while (start < folder.size()) {
        size_t end = FindPathChar(folder, '\\', start);
        if (end == std::string::npos) end = folder.size();
        const std::string part = folder.substr(start, end - start);
        if (!part.empty() && (part.back() == '.' || part.back() == ' '))
            return {TFolderProblem::TrailingDot, part};
        start = end + 1;
    }
    return {};
}

bool IsSameOrBelow(const std::string& path, const std::string& folder) {
    std::string base = folder;
    if (base.empty()) return false;
    AppendPathSeparator(base);
    std::string p = path;
    AppendPathSeparator(p);
    return p.size() >= base.size() && TextEqualsIgnoreCase(p.substr(0, base.size()), base);
}

TFolderCheck CheckFolderLength(size_t folderLength, size_t longestName) {
    // CreateDirectoryA takes at most MAX_PATH - 12 characters, and every file
    // below the folder must still fit in MAX_PATH with its terminator.
    constexpr size_t maxPath = 260, maxFolder = maxPath - 12 - 1;
    const size_t forFiles = longestName + 2 < maxPath ? maxPath - 2 - longestName : 0;
    const size_t allowed = std::min(maxFolder, forFiles);
    if (folderLength > allowed) return {TFolderProblem::TooLong, std::to_string(allowed)};
    return {};
}

std::string DriveItemText(char letter, const std::string& label, const std::string& connection) {
    std::string text(1, LowerAscii(letter));
    text += ": ";
    if (!connection.empty()) {
        text += LowerAsciiText(connection);
    } else if (!label.empty()) {
        text += '[';
        text += LowerAsciiText(label);
        text += ']';
    }
    return text;
}

std::string StripFolderSlash(const std::string& path) {
    if (path.size() > DrivePart(path).size() + 1 && EndsWithBackslash(path))
        return path.substr(0, path.size() - 1);
    return path;
}

int FolderDepth(const std::string& path) {
    std::string p = path;
    if (EndsWithBackslash(p)) p.pop_back();
    int depth = 0;
    for (size_t at = FindPathChar(p, '\\'); at != std::string::npos;
         at = FindPathChar(p, '\\', at + 1))
        ++depth;
    return depth;
}

std::string WalkUpToExisting(const std::string& path, const TFolderExists& exists) {
    const std::string drive = DrivePart(path);
    if (drive.empty()) return {};
    std::string p = path;
    while (p.size() > drive.size() + 1 && !exists(p)) {
        if (EndsWithBackslash(p)) p.pop_back();
        size_t slash = FindLastPathChar(p, "\\");
        if (slash == std::string::npos || slash < drive.size()) {
            p = drive + "\\";  // "C:name": nothing left above but the root
            break;
        }
        p.erase(slash + 1);
    }
    if (p.size() <= drive.size()) p = drive + "\\";
    return StripFolderSlash(p);
}

std::string FolderForDrive(char letter, const std::string& current, const std::string& programFiles,
                           const TFolderExists& exists) {
    if (!IsAsciiLetter(letter)) return {};
    char currentLetter = DriveLetterOf(current);
    if (currentLetter && SameLetter(currentLetter, letter)) return {};
    char pfLetter = DriveLetterOf(programFiles);
    if (pfLetter && SameLetter(pfLetter, letter)) {
        std::string preferred = JoinPath(StripFolderSlash(programFiles), "Parvela");
        return exists(preferred) ? preferred : StripFolderSlash(programFiles);
    }
    size_t colon = current.find(':');
    if (colon != std::string::npos) {
        std::string same(1, letter);
        same.append(current, colon, std::string::npos);
        if (exists(same)) return StripFolderSlash(same);
    }
    std::string root(1, letter);
    return root += ":\\";
}

int FolderRowIndent(const TFolderRow& row) { return 12 * row.Level + 3; }

bool SameFolder(const std::string& a, const std::string& b, bool caseSensitive) {
    std::string x = StripFolderSlash(a), y = StripFolderSlash(b);
    return caseSensitive ? x == y : TextEqualsIgnoreCase(x, y);
}

std::vector<TFolderRow> BuildFolderRows(const std::string& current,
                                        std::vector<std::string> subFolders, bool casePreserved) {
    std::vector<TFolderRow> rows;
    const std::string folder = StripFolderSlash(current);
    const std::string drive = DrivePart(folder);
    if (drive.empty()) return rows;
    auto shown = [casePreserved](const std::string& text) {
        return casePreserved ? text : LowerAsciiText(text);
    };
    std::string path = drive + "\\";
    // A network root shows its server and share; a drive root its "X:".
    rows.push_back({path, shown(DriveLetterOf(path) ? path.substr(0, 2) : drive), 0, true});
    size_t pos = drive.size() + 1;
    int level = 0;
    while (pos < folder.size()) {
        size_t next = FindPathChar(folder, '\\', pos);
        if (next == std::string::npos) next = folder.size();
        if (next > pos) {
            path = folder.substr(0, next);
            rows.push_back({path, shown(folder.substr(pos, next - pos)), ++level, true});
        }
        pos = next + 1;
    }
    auto key = [](const std::string& s) {
        std::string k = s;
        for (char& c : k) c = UpperAscii(c);
        return k;
    };
    std::sort(subFolders.begin(), subFolders.end(),
              [&](const std::string& a, const std::string& b) {
                  std::string ka = key(a), kb = key(b);
                  return ka != kb ? ka < kb : a < b;
              });
    const std::string base = EndsWithBackslash(folder) ? folder : folder + "\\";
    for (const std::string& name : subFolders)
        rows.push_back({base + name, shown(name), level + 1, false});
    return rows;
}

int CurrentFolderRow(const std::vector<TFolderRow>& rows) {
    int row = -1;
    while (row + 1 < static_cast<int>(rows.size()) && rows[static_cast<size_t>(row) + 1].Open)
        ++row;
    return row;
}

TDriveTimerStep DecideDriveTimerStep(uint32_t oldMask, uint32_t newMask, char currentDrive,
                                     const std::string& programFiles, uint32_t listed) {
    using A = TDriveTimerAction;
    if (oldMask == newMask) return {};
    auto present = [newMask](char letter) {
        return IsAsciiLetter(letter) && (newMask >> (LowerAscii(letter) - 'a') & 1u) != 0;
    };
    if (static_cast<int32_t>(newMask) < static_cast<int32_t>(oldMask)) {
        if (present(currentDrive)) return {A::Reselect};
        // The Program Files drive, unless it is the one that went away.
        const char pf = DriveLetterOf(programFiles);
        if (present(pf)) return {A::SetDrive, LowerAscii(pf)};
        for (char d = 'c'; d <= 'z'; ++d) {
            if (present(d) && (listed >> (d - 'a') & 1u)) return {A::SetDrive, d};
        }
        return {A::LeaveUnselected};
    }
    for (char d = 'c'; d <= 'z'; ++d) {
        const uint32_t bit = 1u << (d - 'a');
        if ((newMask & bit) && !(oldMask & bit) && (listed & bit)) return {A::SetDrive, d};
    }
    // Only A:, B: or unlisted bits appeared: keep showing the drive the list is on.
    return {A::Reselect};
}
