// The program entry: refuses old systems, checks the payload before any
// window, runs the wizard, and makes a started run's results permanent.

#include <windows.h>

#include <memory>
#include <string>

#include "instutils/FolderStack.h"
#include "instutils/AppInterface.h"
#include "instutils/ExitCodes.h"
#include "instutils/InstUtils.h"
#include "instutils/RunLog.h"
#include "instutils/SetupLock_win.h"
#include "instutils/Switches.h"
#include "instutils/WinHandles.h"
#include "integration/Options.h"
#include "integration/RunState.h"
#include "payload/AttachFiles.h"
#include "payload/InstallThread.h"
#include "payload/PayloadOpening.h"
#include "wizard/CommonControls_win.h"
#include "wizard/MainDlg_win.h"
#include "wizard/MessageDlg_win.h"
#include "wizard/InstallRun.h"
#include "wizard/PageFlow.h"
#include "wizard/SilentRun_win.h"
#include "wizard/Texts.h"

namespace {

bool RunsOnWindows2000OrLater() {
    OSVERSIONINFOA info{};
    info.dwOSVersionInfoSize = sizeof info;
    if (!GetVersionExA(&info)) return false;
    return IsWindows2000OrLater(info.dwPlatformId, info.dwMajorVersion);
}

// Where a person can read: a console the program was started from (or
// its redirected output), for /? and refusals.
void WriteToConsole(const std::string& text) {
    HANDLE out = GetStdHandle(STD_OUTPUT_HANDLE);
    TUniqueHandle console;
    if ((out == nullptr || out == INVALID_HANDLE_VALUE) && AttachConsole(ATTACH_PARENT_PROCESS)) {
        console.Reset(CreateFileA("CONOUT$", GENERIC_WRITE, FILE_SHARE_WRITE, nullptr,
                                  OPEN_EXISTING, 0, nullptr));
        out = console.Get();
    }
    if (out == nullptr || out == INVALID_HANDLE_VALUE) return;
    DWORD done = 0;
    WriteFile(out, text.data(), static_cast<DWORD>(text.size()), &done, nullptr);
}

// A refusal before any run: on the console and in the log always, in a box
// only when someone is meant to be at the screen.
void Refuse(const TSetupCommand& command, const std::string& text, TMsgKind kind,
            TCommonControlsLoad& controls) {
    RunLogLine(text);
    std::string line = text;
    for (char& c : line)
        if (c == '\r') c = ' ';
    WriteToConsole(line + "\r\n");
    if (command.Mode == TRunMode::Wizard) {
        controls.Wait();
        MessageDlg(nullptr, text, kind, TMsgButtons::Ok);
    }
}

TExitCode WizardExitCode(TModalResult modalResult, const TRunState& run) {
    if (run.Outcome) return *run.Outcome;
    if (modalResult == TModalResult::Ok) return TExitCode::Success;
    // A cancel is never a success; after the first file it has changed things.
    return run.Log.InstallStarted() ? TExitCode::CancelledDuringInstall : TExitCode::Cancelled;
}

TExitCode RunSetup(const TSetupCommand& command) {
    // The payload's packed bytes are checked against the build's CRC, then
    // inflated and indexed, on a thread of its own: the window is shown once
    // the CRC matched, and whatever needs the files waits for them. None of
    // it loads a DLL, so it need not wait for the restriction below.
    std::unique_ptr<TPayloadOpening> opening;
    const bool supported = RunsOnWindows2000OrLater();
    const bool wizard = command.Mode == TRunMode::Wizard;
    if (supported && command.Error.empty() && !command.Help)
        opening = std::make_unique<TPayloadOpening>(CheckResourcePayloadCrc, [] {
            std::unique_ptr<TAttachedFiles> files = TAttachedFiles::CreateFromResource();
            if (files && CheckSetupPayload(*files) != TPayloadError::Ok) files.reset();
            return files;
        });
    RestrictDllSearchToSystem();
    if (!supported) {
        RunLogLine(MsgNeedsWindows2000);
        if (wizard) MessageBoxA(nullptr, MsgNeedsWindows2000, nullptr, MB_ICONEXCLAMATION | MB_OK);
        return TExitCode::CouldNotStart;
    }
    // Every window below but the wizard's waits for it first; the wizard
    // builds its frame meanwhile, its classes registered before.
    if (wizard) RegisterWizardWindowClasses(GetModuleHandleA(nullptr));
    TCommonControlsLoad commonControls;
    SetMainThread();
    InstallMessageDlg();
    if (!command.LogFile.empty() && !OpenRunLog(command.LogFile)) {
        Refuse(command, LogFileNotCreatedMessage(command.LogFile), TMsgKind::Error, commonControls);
        if (!wizard) return TExitCode::CouldNotStart;
    }
    RunLogLine(std::string(SetupTitle) + " " + app::ProductVersion);
    RunLogLine("Command line: " + StrictCommandLine());
    if (!command.Error.empty()) {
        Refuse(command, command.Error + MsgSeeSwitches, TMsgKind::Error, commonControls);
        return TExitCode::CouldNotStart;
    }
    if (command.Help) {
        WriteToConsole(SetupHelpText);
        if (wizard) {
            commonControls.Wait();
            MessageDlg(nullptr, SetupHelpText, TMsgKind::Information, TMsgButtons::Ok);
        }
        return TExitCode::Success;
    }
    // Two setups would write the same files and the same install log.
    if (!ClaimSetupInstance()) {
        Refuse(command, MsgSetupAlreadyRunning, TMsgKind::Information, commonControls);
        return TExitCode::AnotherSetupRunning;
    }
    // COM starts where first needed (the later pages, the shortcuts) and
    // ends here, after the window.
    struct TOleEnd {
        ~TOleEnd() { EndOle(); }
    } oleEnd;

    TExitCode code = TExitCode::Success;
    {
        // The entry owns the run: it outlives the window, and the install
        // thread's end and the saves below come after the window has gone.
        TRunState run;
        run.Command = command;
        std::unique_ptr<TMainDlgForm> form;
        if (wizard) form = std::make_unique<TMainDlgForm>(run, 0, [&] { commonControls.Wait(); });
        if (opening->Checked() != TPayloadError::Ok) {
            form.reset();  // never shown: only the error box appears
            Refuse(command, MsgPayloadDamaged, TMsgKind::Error, commonControls);
            return TExitCode::CouldNotStart;
        }
        run.SetFiles(std::move(opening));
        TOptionValues values;
        if (form) {
            if (!form->Handle()) return TExitCode::CouldNotStart;
            code = WizardExitCode(form->ShowModal(), run);
        } else {
            // The person who chose a silent switch accepts the licence.
            commonControls.Wait();  // the progress window
            InstallSilentAnswers();
            code = RunSilentInstall(run, values);
        }
        // What the run started for the types goes on beside the saves; a
        // deployment reads them once this process has ended.
        struct TAwaitAssoc {
            TRunState& Run;
            ~TAwaitAssoc() {
                if (auto* process = static_cast<TUniqueHandle*>(Run.AssocProcess.get()))
                    WaitForSingleObject(process->Get(), 30000);
            }
        } awaitAssoc{run};
        // A cancelled run's thread may still be writing from the payload and
        // adding its last log line: let it finish before anything is saved.
        run.InstallThreadStatus.WaitForInstallThread();
        if (run.Log.InstallStarted()) {
            run.SaveOptions(form ? static_cast<const IOptionControls&>(*form) : values);
            // Without it the installation cannot be removed: not a success.
            if (!SaveRunInstallLog(run)) {
                RunLogLine("Install.log could not be written: " + run.Log.LogFilePath());
                if (code == TExitCode::Success) code = TExitCode::Failed;
            }
        }
    }
    ReleaseFolderStack();
    return code;
}

}  // namespace

int WINAPI WinMain(HINSTANCE, HINSTANCE, LPSTR, int) {
    TExitCode code = TExitCode::CouldNotStart;
    try {
        code = RunSetup(ParseSetupCommand(StrictCommandLine()));
    } catch (...) {
        RunLogLine("Setup stopped on an unexpected error.");
    }
    RunLogLine("Exit code: " + std::to_string(ExitCodeOf(code)));
    CloseRunLog();
    return ExitCodeOf(code);
}
