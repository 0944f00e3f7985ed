#pragma once
// What an uninstallation removes, decided without touching the system: the
// install log read into files and folders, folders ordered deepest first,
// which files stay, and the texts the user reads. Uninstall_win gathers the
// facts from the system and does the removing.

#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace uninst {

// The switch that starts the uninstaller's copy of the application (see
// StartRemovalCopy); only that copy is given it.
constexpr const char* RemovalCopySwitch = "-uicopy";

// What the setup recorded in Install.log.
struct TInstallRecord {
    std::vector<std::string> Files;    // "File Copy: " paths, in log order
    std::vector<std::string> Folders;  // "Made Dir: " paths in folder form, in log order
};

struct TLogReading {
    bool Damaged = false;
    // The first line that cannot be trusted (1-based); 0 with Damaged set
    // means the log holds no entry at all.
    size_t BadLine = 0;
    TInstallRecord Record;
};

// Every non-empty line must be a "Made Dir: " or "File Copy: " line naming
// a plain absolute path; one that is not makes the whole log damaged, so a
// garbled or foreign file never steers a deletion.
TLogReading ReadInstallLog(std::string_view text);

// A drive letter, a colon and a backslash, or \\server\share\, followed by
// parts that Windows accepts as names: none empty, ".", "..", or holding a
// control character or one of <>:"/|?*.
bool IsPlainAbsolutePath(std::string_view path);

// True when `path` lies inside `folder` (folder form or not), compared
// without regard to case; a folder is not inside itself.
bool IsInside(std::string_view path, std::string_view folder);

// Where the setup writes: the main folder, its data folder (the "Parvela"
// folder beside other programs' shared data) and the folders that get its
// shortcut, all as the system names them now.
struct TSetupPlaces {
    std::string MainDir;
    std::string DataDir;
    std::vector<std::string> ShortcutFolders;
};

// Nothing when the setup could not have written `path`: then it stays
// whatever the log says. A file is the setup's inside the main or data
// folder, or as the setup's own shortcut directly in a shortcut folder; a
// folder is inside those two, one of them, or above the main folder (the
// chain the setup made to reach it). Otherwise the folders a removal of
// `path` passes through, from the setup's folder down to `path` itself when
// it is a folder: if any is a link, the removal would reach somewhere else.
std::optional<std::vector<std::string>> FoldersOnTheWay(const std::string& path, bool isFolder,
                                                        const TSetupPlaces& places);

// Each folder once (in folder form, case ignored), the deepest first; folders
// of equal depth keep their log order.
std::vector<std::string> FoldersDeepestFirst(const std::vector<std::string>& folders);

// The time the setup gave a payload file: its record's stamp in the payload.
struct TRecordTime {
    std::string Name;  // payload name, e.g. "parv.exe" or "Templates\Letter.dot"
    double Time = 0;   // day count
};
// The record time of the payload entry whose name ends the path after a
// backslash (the longest such name); nothing for files not from the payload.
std::optional<double> RecordTimeOf(std::string_view path, const std::vector<TRecordTime>& table);

struct TFileFacts {
    bool Exists = false;
    double Modified = 0;               // last write, local day count (2-second grain)
    std::optional<double> RecordTime;  // payload files only
    bool NewerThanLog = false;         // last write after Install.log's
};
enum class TFileFate { Remove, Gone, Changed };
// A payload file is the setup's while its last write is its record time; a
// shift of exactly one hour is a daylight-saving change between installing
// and removing, not an edit. Any other file (a shortcut) is the setup's
// while it is not newer than Install.log, which the setup writes last.
TFileFate JudgeFile(const TFileFacts& facts);

// True when the uninstall entry's program is `exePath`: "DisplayIcon", else
// the quoted path that starts "UninstallString"; case ignored.
bool EntryNamesProgram(const std::string& displayIcon, const std::string& uninstallString,
                       const std::string& exePath);

// What the removal could not do, for the final message.
struct TRemovalOutcome {
    std::vector<std::string> Changed;  // kept: changed since the installation
    std::vector<std::string> Failed;   // could not be removed
    std::string SharedData;            // shared data folder kept, "" when there is none
};

// ---- Texts -------------------------------------------------------------------
extern const char* const ConfirmText;
// "%s" is the file; Retry tries again, Ignore leaves the file.
extern const char* const FileInUseText;
extern const char* const AppRunningText;
// "%s" is the main folder.
extern const char* const PortableText;
// "%s" is the log path; damaged adds the line number.
extern const char* const LogMissingText;
extern const char* const LogDamagedText;
// Another setup program or uninstaller holds the machine's claim.
extern const char* const AnotherSetupText;

std::string FormatText(const char* pattern, const std::string& value);
std::string LogProblemText(const std::string& logPath, const TLogReading& reading);
// The closing message: removed, or removed with files listed that stayed.
std::string FinalText(const TRemovalOutcome& outcome);

}  // namespace uninst
