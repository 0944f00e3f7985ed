#pragma once
// What the end-to-end tests look at and reset on the machine (the Wine
// prefix): files, folders, registry, known folders, drives, and a damaged
// copy of a program.

#include <windows.h>
#include <shlobj.h>

#include <optional>
#include <utility>
#include <string>
#include <vector>

namespace e2e {

// Known folder by CSIDL, without a trailing backslash; empty on failure.
std::string KnownFolder(int csidl);
// The temporary folder, with a trailing backslash.
std::string TempFolder();

bool FileExists(const std::string& path);
bool FolderExists(const std::string& path);
std::optional<std::string> ReadWholeFile(const std::string& path);
// Lines without their CR LF; an empty list when the file is missing.
std::vector<std::string> ReadLines(const std::string& path);
bool WriteWholeFile(const std::string& path, const std::string& bytes);
// Deletes a file or a whole folder tree (read-only entries too); true when
// nothing is left at `path`.
bool DeleteTree(const std::string& path);
// Names of the entries of a folder (files and folders, without "." and "..").
std::vector<std::string> ListFolder(const std::string& folder);

bool RegKeyExists(HKEY root, const std::string& key);
std::optional<std::string> RegString(HKEY root, const std::string& key, const char* value);
std::optional<DWORD> RegDword(HKEY root, const std::string& key, const char* value);
// Number of values of a key; -1 when the key does not exist.
int RegValueCount(HKEY root, const std::string& key);
bool RegSetDword(HKEY root, const std::string& key, const char* value, DWORD data);
bool RegSetString(HKEY root, const std::string& key, const char* value, const std::string& data);
bool RegDeleteValueOf(HKEY root, const std::string& key, const char* value);
bool RegDeleteKeyTree(HKEY root, const std::string& key);

// Every file and folder below each root, all levels, as full paths; nothing
// below `except` (a folder) and nothing through a link. Sorted.
std::vector<std::string> TreeOf(const std::vector<std::string>& roots,
                                const std::string& except = "");
// Every key below `key` and every value in them, one line each: the key
// path, then for a value its name, type and data bytes in hex. Sorted.
std::vector<std::string> RegistryTreeOf(HKEY root, const std::string& key);

// The uninstall command of the uninstall entry split into the program and
// the rest; nothing when there is no entry or it is not a quoted path.
std::optional<std::pair<std::string, std::string>> UninstallCommand();
// The removal copies that the stand-in's "-ui" leaves in the temporary
// folder until Windows next starts.
constexpr const char* RemovalCopyPrefix = "~ParvelaWordProcessorLiteSetup-ui";

// Where the setup program puts things on this machine for a normal
// installation with the defaults.
struct InstallPlaces {
    std::string mainDir;      // Program Files\Parvela
    std::string sharedData;   // common application data\Parvela\ (trailing backslash)
    std::string hiddenData;   // ...\Hidden\ (trailing backslash)
    std::string publicData;   // ...\Public\ (trailing backslash)
    std::string docsParvela;  // documents\Parvela (old clip images)
    std::vector<std::string> shortcutFolders;  // programs menus and desktops
};
InstallPlaces DefaultPlaces();

constexpr const char* InstallKeyPath = "Software\\Parvela Word Processor";
constexpr const char* UninstallKeyPath =
    "Software\\Microsoft\\Windows\\CurrentVersion\\Uninstall\\Parvela Word Processor";
constexpr const char* ShortcutName = "Parvela Word Processor.lnk";
// The stand-in application appends each command line it gets to this file
// in the temporary folder.
constexpr const char* StandInCommandLog = "parv-commands.log";

// Removes every trace an installation or a stand-in application may have
// left: registry keys, folders, shortcuts, logs, files on `extraRoots`.
void CleanInstallState(const std::vector<std::string>& extraRoots = {});

// Ends the stand-in applications that the program under test started: every
// process owning a top-level window marked with the running-copy property.
void KillMarkedApplications();
// True once a top-level window carries the running-copy property.
bool AnyMarkedApplication();

// --- drives (Wine's mount manager) ------------------------------------------

// The Linux path behind a Z: path ("Z:\a\b" -> "/a/b"); empty otherwise.
std::string UnixPathOf(const std::string& zPath);
// Links drive `letter` to the Linux folder `unixPath` as a removable drive,
// as plugging in a stick does; false when the mount manager refuses.
bool LinkRemovableDrive(char letter, const std::string& unixPath);
// The same with another drive type (DRIVE_CDROM, DRIVE_FIXED, ...).
bool LinkDrive(char letter, const std::string& unixPath, UINT type);
// Removes drive `letter` again.
bool UnlinkDrive(char letter);
bool DrivePresent(char letter);

// --- damaged programs --------------------------------------------------------

// Copies `exe` to `copy` and inverts `count` bytes in the middle of its
// resource (`type`, `name`). The resource is found with the resource API on
// the copy loaded as a data file, and then located in the file by its bytes.
bool CorruptResourceCopy(const std::string& exe, const std::string& copy, const char* type,
                         const char* name, size_t count, std::string* error);
// Copies `exe` to `copy` with the resource (`type`, `name`) holding `bytes`.
bool ReplaceResourceCopy(const std::string& exe, const std::string& copy, const char* type,
                         const char* name, const std::string& bytes, std::string* error);
// The bytes of a resource of a program file; empty when it has none.
std::string ReadResource(const std::string& exe, const char* type, const char* name);

}  // namespace e2e
