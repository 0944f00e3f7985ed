#include <windows.h>

#include <memory>

#include "instutils/AppInterface.h"
#include "instutils/DayCount.h"
#include "instutils/InstUtils.h"
#include "instutils/WinHandles.h"
#include "integration/RunState.h"
#include "wizard/InstallRun.h"
#include "wizard/Texts.h"

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

// WinExec's start, or CreateProcess's when the caller keeps the process to
// wait for: a run nobody watches must not end before what it started has
// done its work.
std::shared_ptr<void> StartCommand(const std::string& command, bool keep) {
    if (!keep) {
        WinExec(command.c_str(), SW_SHOW);
        return nullptr;
    }
    std::string line = command;
    STARTUPINFOA si{};
    si.cb = sizeof si;
    PROCESS_INFORMATION pi{};
    if (!CreateProcessA(nullptr, line.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr, &si,
                        &pi))
        return nullptr;
    TUniqueHandle thread(pi.hThread);
    return std::make_shared<TUniqueHandle>(pi.hProcess);
}

}  // namespace

bool SaveRunInstallLog(TRunState& run) {
    return run.IsPortable() || run.Log.SaveInstallLog(run.Log.LogFilePath());
}

void StartInstallRun(TRunState& run, uint8_t selectedComponents) {
    TInstallLog& log = run.Log;
    log.CreateInstallLog();
    // Every later use takes this answer.
    run.DecidePortable();
    if (!run.IsPortable()) {
        std::string logPath = run.GetMainDirFile(app::InstallLogFile);
        log.SetLogFilePath(logPath);
        if (FileExists(logPath)) log.LoadInstallLog(logPath);
    }
    log.SetInstallStarted();
    if (TAttachedFiles* files = run.Files()) files->FileSetMode = true;
    run.PrepareFileSet(selectedComponents);
}

void FinishPageEntry(TRunState& run, const bool assoc[4], bool installToAll, bool desktop,
                     bool keepAssoc) {
    WriteWholeFile(run.GetDataDir(TDataDir::Shared) + app::CommonDataFile,
                   CommonDataBytes(LocalNowDayCount()));
    if (run.IsPortable()) return;

    TOptions& options = run.Options;
    options.Extensions = ExtensionsFromBoxes(assoc[0], assoc[1], assoc[2], assoc[3]);
    run.AssocProcess =
        StartCommand(BuildAssocCommand(options.MainDir, options.Extensions), keepAssoc);

    const std::string target = run.GetMainDirFile(app::ExeName);
    NeedOle();
    for (const TShortcutPass& pass : ShortcutPasses) {
        const TShortcutFolders f = ChooseShortcutFolders(
            GetShellFolder(pass.AllUsers), GetShellFolder(pass.CurrentUser), installToAll);
        if (!f.Other.empty()) DeleteFileA(JoinPath(f.Other, app::ShortcutFile).c_str());
        if (!(pass.Always || desktop) || f.Primary.empty()) continue;
        const bool made = CreateShortcut(JoinPath(f.Primary, app::ShortcutFile), target,
                                         options.MainDir, app::ShortcutDescription, &run.Log);
        // A standard user may not write the all-users folders: their own then.
        if (!made && installToAll && !f.Other.empty())
            CreateShortcut(JoinPath(f.Other, app::ShortcutFile), target, options.MainDir,
                           app::ShortcutDescription, &run.Log);
    }
}

bool FinishActions(TRunState& run, bool launch, std::string* error) {
    std::string failedPath;
    if (!run.IsPortable() && !run.WriteUpdateLog(&failedPath)) {
        if (error) *error = UpdateLogNotWrittenMessage(failedPath);
        return false;
    }
    if (launch) WinExec(BuildLaunchCommand(run.Options.MainDir).c_str(), SW_SHOW);
    return true;
}
