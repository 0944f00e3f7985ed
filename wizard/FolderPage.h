#pragma once
// Rules of the destination-folder page that need no window: the clean-up of
// the typed folder, the folder list's rows and moves, and the drive polling
// decision. The window side lives in FolderPage_win.cpp.

#include <cstdint>
#include <functional>
#include <string>
#include <vector>

using TFolderExists = std::function<bool(const std::string&)>;
// The full, long form of a path; empty when the system cannot give one.
using TFullPath = std::function<std::string(const std::string&)>;

// The edit's text made into a main folder: spaces (only ' ') trimmed at both
// ends; a text without a drive part becomes `driveLetter` + ":"; any other
// text but a drive-relative one is resolved by `fullPath` (when given); one
// trailing backslash dropped; a drive root, an empty last component or the
// Program Files folder itself (case-insensitive) gets "\Parvela" appended.
std::string NormalizeDestDirText(const std::string& text, char driveLetter,
                                 const std::string& programFiles,
                                 const TFullPath& fullPath = nullptr);
// "C:name": a drive letter and colon followed by anything but a separator.
bool IsDriveRelative(const std::string& text);

// Why a main folder cannot be installed into.
enum class TFolderProblem {
    None,
    Quote,
    ForbiddenCharacter,
    NotInCodePage,
    DriveRelative,
    DeviceName,
    TooLong,
    NamesFile,
    NotWritable,
    DevicePath,     // "\\.\..." or "\\?\...": a device, not a share
    TrailingDot,    // a part the system would open without its trailing dots or blanks
    WindowsFolder,  // the Windows folder or a folder inside it
    ForeignFiles,   // not a refusal: the folder holds files but no installation of ours
};
struct TFolderCheck {
    TFolderProblem Problem = TFolderProblem::None;
    std::string Detail;  // the character, name, path or length the message names
};
// The typed text (spaces around it ignored) before it is normalised: quotes,
// characters Windows forbids in names, a drive-relative path, device names.
TFolderCheck CheckTypedFolder(const std::string& typed);
// The normalised, resolved folder: no part may end in a dot or a blank (nor
// be made of dots only).
TFolderCheck CheckResolvedFolder(const std::string& folder);
// True when `path` is `folder` or lies below it (case-insensitive).
bool IsSameOrBelow(const std::string& path, const std::string& folder);
// The normalised folder against the path limits, given the longest name
// that will be written below it; both lengths in characters.
TFolderCheck CheckFolderLength(size_t folderLength, size_t longestName);

// ---- Folder list ---------------------------------------------------------------
// The path with a trailing backslash dropped, except for a drive root ("C:\").
std::string StripFolderSlash(const std::string& path);
// Number of backslashes once a trailing backslash is removed ("C:\" is 0).
int FolderDepth(const std::string& path);
// Walks up from `path` to the nearest folder that `exists` accepts, stopping
// at the drive root. Empty when the path has no drive part.
std::string WalkUpToExisting(const std::string& path, const TFolderExists& exists);
// The folder the list moves to when drive `letter` is chosen while it shows
// `current`; empty when the letter is to be ignored (control character,
// space, or the current folder's own drive).
std::string FolderForDrive(char letter, const std::string& current, const std::string& programFiles,
                           const TFolderExists& exists);

struct TFolderRow {
    std::string Path;   // full path, no trailing backslash except for a root
    std::string Text;   // what the row shows
    int Level = 0;      // indent = 12 * Level + 3 (in 96-DPI pixels)
    bool Open = false;  // chain row (open glyph) or sub-folder row (closed glyph)
};
// Indent of a row in 96-DPI pixels.
int FolderRowIndent(const TFolderRow& row);
// The chain from the root down to `current`, then `subFolders` (names only)
// sorted without regard to case. Texts are lower-cased unless the file
// system preserves case.
std::vector<TFolderRow> BuildFolderRows(const std::string& current,
                                        std::vector<std::string> subFolders, bool casePreserved);
// Index of the current folder's row: the last row of the chain (-1 for
// none). Not FolderDepth: a network root is one row for several backslashes.
int CurrentFolderRow(const std::vector<TFolderRow>& rows);
// Equality of two folders as the list compares them.
bool SameFolder(const std::string& a, const std::string& b, bool caseSensitive);

// ---- Drive polling ---------------------------------------------------------------
enum class TDriveTimerAction {
    Nothing,          // mask unchanged: no rebuild
    Reselect,         // rebuild, then select the item showing the remembered text
    SetDrive,         // rebuild, then set the drive box to Drive
    LeaveUnselected,  // rebuild, leave the box without a selected item
};
struct TDriveTimerStep {
    TDriveTimerAction Action = TDriveTimerAction::Nothing;
    char Drive = 0;  // lower-case letter for SetDrive
};
// What one tick of the drive timer does. `currentDrive` is the drive box's
// letter (0 when it has none); drives A: and B: are never chosen. When the
// shown drive went away, the Program Files drive is chosen, or the first
// present drive when that one is gone too. Only drives in `listed` (those the
// box shows: no CD-ROM) are proposed, so a new CD-ROM never moves the folder.
TDriveTimerStep DecideDriveTimerStep(uint32_t oldMask, uint32_t newMask, char currentDrive,
                                     const std::string& programFiles,
                                     uint32_t listed = 0xFFFFFFFFu);

// A drive box item's text: the letter in lower case, ": ", then the network
// connection name, or the volume label in square brackets, in lower case
// (nothing for an empty label).
std::string DriveItemText(char letter, const std::string& label, const std::string& connection);

// ASCII case helpers shared by the page's controls.
char LowerAscii(char c);
std::string LowerAsciiText(std::string text);
