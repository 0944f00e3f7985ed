#include <windows.h>

#include "instutils/AppInterface.h"
#include "instutils/DayCount.h"
#include "instutils/InstUtils.h"
#include "integration/FileSet.h"
#include "integration/Options.h"
#include "payload/AttachFiles.h"
#include "wizard/InstallRun.h"

namespace {

bool FileExists(const std::string& path) {
    DWORD a = GetFileAttributesA(path.c_str());
    return a != INVALID_FILE_ATTRIBUTES && !(a & FILE_ATTRIBUTE_DIRECTORY);
}

struct TShortcutPass {
    int AllUsers;
    int CurrentUser;
    bool Always;  // else only with the desktop box ticked
};
constexpr TShortcutPass ShortcutPasses[] = {
    {CSIDL_COMMON_PROGRAMS_, CSIDL_PROGRAMS_, true},
    {CSIDL_COMMON_DESKTOPDIRECTORY_, CSIDL_DESKTOPDIRECTORY_, false},
};

}  // namespace

void StartInstallRun(uint8_t selectedComponents) {
    CreateInstallLog();
    // The first thing the run asks: every later use takes this answer.
    if (!IsPortable()) {
        std::string logPath = GetMainDirFile(app::InstallLogFile);
        SetLogFilePath(logPath);
        if (FileExists(logPath)) LoadInstallLog(logPath);
    }
    SetInstallStarted();
    if (AttachedFiles) AttachedFiles->FileSetMode = true;
    PrepareFileSet(selectedComponents);
}

void FinishPageEntry(const bool assoc[4], bool installToAll, bool desktop) {
    WriteWholeFile(GetDataDir(ddShared) + app::CommonDataFile, CommonDataBytes(LocalNowDayCount()));
    if (IsPortable()) return;

    Options.Extensions = ExtensionsFromBoxes(assoc[0], assoc[1], assoc[2], assoc[3]);
    WinExec(BuildAssocCommand(Options.MainDir, Options.Extensions).c_str(), SW_SHOW);

    const std::string target = GetMainDirFile(app::ExeName);
    for (const TShortcutPass& pass : ShortcutPasses) {
        const TShortcutFolders f = ChooseShortcutFolders(
            GetShellFolder(pass.AllUsers), GetShellFolder(pass.CurrentUser), installToAll);
        if (!f.Other.empty()) DeleteFileA(JoinPath(f.Other, app::ShortcutFile).c_str());
        if ((pass.Always || desktop) && !f.Primary.empty())
            CreateShortcut(JoinPath(f.Primary, app::ShortcutFile), target, Options.MainDir,
                           app::ShortcutDescription);
    }
}

bool FinishActions(bool launch, std::string* error) {
    if (!IsPortable() && !WriteUpdateLog(error)) return false;
    if (launch) WinExec(BuildLaunchCommand(Options.MainDir).c_str(), SW_SHOW);
    return true;
}
