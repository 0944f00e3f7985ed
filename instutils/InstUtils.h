#pragma once
// The install utilities: path texts, folders, files, drives, special and
// temporary folders, the install log, shortcuts and size texts. None of them
// raises an error: failure shows only in the result (empty text, false, -1).
// Paths are ANSI texts in the system code page with "\" as separator.

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

// ---- Path texts (platform-free) -------------------------------------------
// Every scan for "\\", "/" or ":" below steps over the double-byte characters
// of the system code page, whose second byte may equal a separator.

// True for a byte that begins a double-byte character of the system code page.
bool IsLeadByte(char c);
// Position of the last character of `set` (single-byte characters only) in
// `text`; npos when there is none.
size_t FindLastPathChar(const std::string& text, const char* set);
// Position of the first `c` at or after `from` (a character boundary); npos
// when there is none.
size_t FindPathChar(const std::string& text, char c, size_t from = 0);
// True when the last character of `text` is a backslash.
bool EndsWithBackslash(const std::string& text);
void AppendPathSeparator(std::string& path);
std::string JoinPath(const std::string& folder, const std::string& name);
char LastChar(const std::string& text);  // '\0' for an empty text
void DropFirstChar(std::string& text);
void DropLastChar(std::string& text);
// "C:" for a drive path, "\\server\share" for a network path, else empty.
std::string DrivePart(const std::string& path);
// The folder a path lives in, as the folder chain walks upwards: the path
// without one trailing "\", cut after its last "\" or ":" (empty if none).
std::string ParentFolder(const std::string& path);
// Upper-cases both in the user's locale and compares the bytes.
bool TextEqualsIgnoreCase(const std::string& a, const std::string& b);

extern const char* const SetupTitle;  // "Parvela Word Processor Lite - Setup"
std::string TempNamePrefix();

// ---- Current folder --------------------------------------------------------
std::string GetCurrentFolder();
void PushCurrentFolder();
void PopCurrentFolder();

// ---- Folder, file and drive queries -----------------------------------------
bool FolderExists(const std::string& path);
// The path's full form ("." and ".." steps resolved, "/" as "\\") with the
// short names of its existing part made long; empty when the system cannot
// resolve it. Touches nothing on disk.
std::string GetFullFolderPath(const std::string& path);
int32_t ReadFileSize(const std::string& path);
double GetFileModifiedTime(const std::string& path);
// The local clock as a day count (what a missing file's time falls back to).
double LocalNowDayCount();
unsigned GetDriveKind(const std::string& path);
bool IsRemovableLocation(const std::string& path);
// The decision on a STORAGE_DEVICE_DESCRIPTOR returned by the storage
// property query (`len` bytes were returned): USB, IEEE 1394 or removable.
bool IsRemovableDescriptor(const uint8_t* descriptor, size_t len);
// Whether the system refuses this process files in `folder`, or (when it
// does not exist yet) folders in its nearest existing ancestor: one is made
// there and removed again. Refused means no rights or read-only media; a
// missing drive is not a refusal.
bool IsWriteRefused(const std::string& folder);
uint32_t GetClusterSize(const std::string& folder);
int32_t RoundUpToCluster(const std::string& folder, int32_t bytes);
// The rounding itself, for a known positive cluster size.
int32_t RoundUpToClusterSize(int32_t bytes, uint32_t clusterSize);

// ---- Links ------------------------------------------------------------------------
// True for the owner (a SID in its binary form) of a link the setup may write
// through: the system, the administrators, the installer service of Windows,
// or `self`, the account the setup runs as (through its own links it reaches
// nothing that account could not reach already).
bool IsTrustedOwner(const uint8_t* sid, size_t len, const std::vector<uint8_t>& self);
// The outermost of `folder` and the folders above it that is a link (a
// reparse point) with an owner IsTrustedOwner refuses, or whose owner cannot
// be read; empty when there is none. Such a link may have been planted to
// have this program write where its owner could not.
std::string FindForeignLink(const std::string& folder);
// The account FindForeignLink takes as `self`: the process token's user
// unless set here (tests; nullptr goes back to the token's).
void SetLinkOwnerSelf(const std::vector<uint8_t>* sid);

// ---- Special and temporary folders -------------------------------------------
// Looks SHGetFolderPathA up once (shell32.dll already loaded, else
// shfolder.dll from the system folder). Called by GetShellFolder on first use.
void InitShellFolders();
// Called first thing at start: keeps DLLs from being loaded out of the
// program's own or the current folder where Windows allows it.
void RestrictDllSearchToSystem();
std::string GetShellFolder(int csidl);
// The full path of `name` in the system folder, the one place a DLL that is
// not always loaded is taken from; empty when the folder cannot be read.
std::string SystemFolderFile(const char* name);
std::string GetTempFolder();
std::string MakeTempFileName();
void RemoveTempLeftovers();

// ---- Reading, creating, writing, removing -------------------------------------
enum class TFileRead { Read, Missing, Unreadable };
// The whole file in `bytes` (left as it was unless Read). Missing when the
// file or its folder does not exist; Unreadable for any other failure and for
// a file larger than `maxBytes` (at most 2 GiB - 1 are read).
TFileRead ReadWholeFile(const std::string& path, std::string& bytes, size_t maxBytes = 0x7FFFFFFF);

class TInstallLog;
// Each folder it makes is added to `log` (none: not logged).
void CreateFolderChain(const std::string& path, TInstallLog* log);
// Through a temporary file beside the target, moved over it at the end: a
// failed write leaves the old file as it was.
void WriteWholeFile(const std::string& path, const std::string& bytes);
// The same with a result: true when the target holds exactly the bytes.
bool ReplaceWholeFile(const std::string& path, const std::string& bytes);
void DeleteFolderTree(const std::string& path);

// ---- Install log text (the log itself: InstallLog.h) ---------------------------
// The log file's text form: every line followed by CR LF; and back, lines
// ending at CR, LF or CR LF (a final line without a break still counts).
std::string JoinLogLines(const std::vector<std::string>& lines);
std::vector<std::string> SplitLines(const std::string& text);
// The duplicate test of the log: equal apart from letter case in the
// user's locale.
bool LogLinesEqual(const std::string& a, const std::string& b);

// ---- Shortcuts and size texts ---------------------------------------------------
// COM on the calling (main) thread from the first NeedOle on, until EndOle:
// started where first needed, since loading it would delay the first page.
void NeedOle();
void EndOle();
// COM must be initialised on the calling thread. The link is added to `log`
// (none: not logged). True when the link was saved.
bool CreateShortcut(const std::string& linkPath, const std::string& target,
                    const std::string& workingFolder, const std::string& description,
                    TInstallLog* log);
std::string FormatSizeText(int64_t bytes);
std::string GroupDigits(uint64_t n);
std::string EscapeCaption(const std::string& text);

// CSIDL numbers the program uses.
enum : int {
    CSIDL_PROGRAMS_ = 2,
    CSIDL_PERSONAL_ = 5,
    CSIDL_DESKTOPDIRECTORY_ = 16,
    CSIDL_COMMON_PROGRAMS_ = 23,
    CSIDL_COMMON_DESKTOPDIRECTORY_ = 25,
    CSIDL_APPDATA_ = 26,
    CSIDL_LOCAL_APPDATA_ = 28,
    CSIDL_COMMON_APPDATA_ = 35,
    CSIDL_PROGRAM_FILES_ = 38,
};
