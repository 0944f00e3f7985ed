#pragma once
// What the setup program and the installed application exchange. Both
// ParvelaSetup.exe and the stand-in application (demo/parv) use these.

#include <cstdint>

namespace app {

constexpr const char* ExeName = "parv.exe";
constexpr const char* ProductName = "Parvela Word Processor";
constexpr const char* ProductVersion = "4.0.3.2";
constexpr const char* Publisher = "The Parvela Word Processor Team";
constexpr const char* RunningProperty = "1.x Korvane";  // non-zero on its windows
constexpr const char* WindowTitle = "Parvela Word Processor";

// Association command: "<main>\parv.exe" -assoc adpr[_rtf][_cod][_doc][_docx]
constexpr const char* AssocSwitch = "-assoc";
constexpr const char* AssocCommand = "adpr";
constexpr const char* AssocSuffixes[4] = {"_rtf", "_cod", "_doc", "_docx"};
constexpr const char* AssocExtensions[4] = {".rtf", ".cod", ".doc", ".docx"};
constexpr const char* AssocLetters = "ABCD";
constexpr const char* UninstallSwitch = "-ui";
// What the application registers for the associated types (per user, under
// HKEY_CURRENT_USER\Software\Classes): each extension's default value names
// this ProgID, whose open command starts the application with the document.
constexpr const char* AssocProgId = "Parvela.Document";
constexpr const char* AssocProgIdName = "Parvela Word Processor Document";
// The application appends each command line it is started with to this file
// in the user's temporary folder (one line, CR LF), so tests can see what the
// setup program asked of it.
constexpr const char* CommandLogFile = "parv-commands.log";

// Registry (HKEY_CURRENT_USER).
constexpr const char* InstallKey = "Software\\Parvela Word Processor\\Install";
constexpr const char* InternalKey = "\\Software\\Parvela Word Processor\\Internal";
constexpr const char* LastRunVerValue = "LastRunVer";
// The uninstall entry (HKEY_LOCAL_MACHINE); its command is the application's
// UninstallSwitch.
constexpr const char* UninstallKey =
    "Software\\Microsoft\\Windows\\CurrentVersion\\Uninstall\\Parvela Word Processor";
constexpr int32_t LastRunVerUnknown = 0x7FFFFFFF;
constexpr int32_t ThisVersionCode = 40003002;  // 4.0.3.2
// Below these last-run codes the clip library is forced / old clips removed.
constexpr int32_t ForceClipLibraryBelow = 20004000;
constexpr int32_t CleanOldClipsBelow = 30000000;

// Files.
constexpr const char* CommonDataFile = "parv_common.dat";
constexpr const char* UpdateLogFile = "Update.log";
constexpr const char* InstallStampFile = "install_stamp";
constexpr const char* InstallLogFile = "Install.log";

// Shortcuts made by the setup program in the programs menu and on the desktop.
constexpr const char* ShortcutFile = "Parvela Word Processor.lnk";
constexpr const char* ShortcutDescription =
    "Compact, fast-loading, but still powerful and efficient word processor.";

}  // namespace app
