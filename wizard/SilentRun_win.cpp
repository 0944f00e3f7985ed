#include "wizard/SilentRun_win.h"

#include <windows.h>
#include <commctrl.h>

#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "instutils/AppInterface.h"
#include "instutils/InstUtils.h"
#include "instutils/ResConst.h"
#include "instutils/RunLog.h"
#include "instutils/WinHandles.h"
#include "integration/Options.h"
#include "integration/RunState.h"
#include "wizard/FolderPage.h"
#include "wizard/FolderPage_win.h"
#include "wizard/ProgressWindow_win.h"
#include "wizard/InstallRun.h"
#include "wizard/MessageDlg_win.h"
#include "wizard/Page.h"
#include "wizard/PageFlow.h"
#include "wizard/Texts.h"

namespace {

constexpr int AppCloseTimeoutMs = 15000;

BOOL CALLBACK CloseMarkedWindow(HWND window, LPARAM) {
    if (GetPropA(window, app::RunningProperty) != nullptr) PostMessageA(window, WM_CLOSE, 0, 0);
    return TRUE;
}

// Runs the install thread to its end; the messages of this thread are
// handled meanwhile (the progress window, the system's own). Returns the
// thread's result: Success, or Failed after an abort.
TExitCode RunInstallThread(TRunState& run, TProgressWindow* window) {
    TInstallThreadStatus& status = run.InstallThreadStatus;
    TAttachedFiles* files = run.Files();
    if (window) window->SetRange(files->GetTotalSize());
    // The thread's questions and its end wake this loop at once.
    const DWORD self = GetCurrentThreadId();
    status.SetInstallStateNotifier([self] { PostThreadMessageA(self, WM_NULL, 0, 0); });
    status.SetState(TInstallState::Running);
    if (!status.StartInstallThread(*files)) {
        status.SetState(TInstallState::Idle);
        RunLogLine("The install thread could not be started.");
        return TExitCode::Failed;
    }
    std::optional<TExitCode> result;
    TStatusTickActions actions;
    if (window)
        actions.Progress = [window](int32_t position, uint8_t component) {
            if (component < ComponentCount) window->Show(position, ComponentNames[component]);
        };
    actions.Finished = [&result] { result = TExitCode::Success; };
    actions.Failed = [&result] { result = TExitCode::Failed; };
    while (!result) {
        MsgWaitForMultipleObjects(0, nullptr, FALSE, 100, QS_ALLINPUT);
        MSG m;
        while (PeekMessageA(&m, nullptr, 0, 0, PM_REMOVE)) {
            TranslateMessage(&m);
            DispatchMessageA(&m);
        }
        status.InstallStatusTick(actions);
    }
    status.SetInstallStateNotifier(nullptr);
    return *result;
}

const char* ModeName(TRunMode mode) {
    return mode == TRunMode::Silent ? "silent (progress window)" : "very silent (no window)";
}

}  // namespace

void InstallSilentAnswers(int retries, int pauseMs) {
    struct TRetries {
        std::string Text;
        int Count = 0;
    };
    auto last = std::make_shared<TRetries>();
    SetMessageDlgHandler([retries, pauseMs, last](const std::string& text, TMsgKind,
                                                  TMsgButtons buttons) -> TModalResult {
        if (Has(buttons, TMsgButtons::Retry)) {
            // The same question again is the same file still refused.
            if (last->Text != text) *last = {text, 0};
            if (last->Count++ < retries) {
                Sleep(static_cast<DWORD>(pauseMs));
                return TModalResult::Retry;
            }
        }
        if (Has(buttons, TMsgButtons::Abort)) return TModalResult::Abort;
        if (Has(buttons, TMsgButtons::Cancel)) return TModalResult::Cancel;
        if (Has(buttons, TMsgButtons::No)) return TModalResult::No;
        return TModalResult::Ok;
    });
}

bool CloseRunningApp(int timeoutMs) {
    EnumWindows(CloseMarkedWindow, 0);
    const DWORD start = GetTickCount();
    while (IsAppRunning()) {
        if (GetTickCount() - start >= static_cast<DWORD>(timeoutMs)) return false;
        Sleep(100);
    }
    return true;
}

TExitCode RunSilentInstall(TRunState& run, TOptionValues& values) {
    const TSetupCommand& command = run.Command;
    RunLogLine(std::string("Mode: ") + ModeName(command.Mode));
    // Its bytes matched the CRC, so only memory can fail it now; nothing is
    // written before it is there.
    if (!run.Files()) {
        RunLogLine(MsgPayloadDamaged);
        return TExitCode::CouldNotStart;
    }
    run.LoadOptions(values);
    RunLogLine(run.LastRunVersion == app::LastRunVerUnknown
                   ? std::string("Earlier version: none known")
                   : "Earlier version: " + std::to_string(run.LastRunVersion));

    std::string folder;
    const TFolderCheck check = CheckUnattendedFolder(run.Options.MainDir, run.Files(), folder);
    if (check.Problem != TFolderProblem::None) {
        // The page's question about someone else's files is a refusal here.
        RunLogLine("Folder refused: " + run.Options.MainDir + ": " +
                   (check.Problem == TFolderProblem::ForeignFiles
                        ? "it holds other files and no earlier installation of Parvela Word "
                          "Processor."
                        : FolderProblemMessage(check)));
        return TExitCode::FolderRefused;
    }
    run.Options.MainDir = folder;
    RunLogLine("Folder: " + folder);

    if (IsAppRunning()) {
        if (!command.CloseApplications) {
            RunLogLine(
                "Parvela Word Processor is running; nothing was installed "
                "(/CLOSEAPPLICATIONS closes it first).");
            return TExitCode::AppRunning;
        }
        RunLogLine("Parvela Word Processor is running: asking it to close.");
        if (!CloseRunningApp(AppCloseTimeoutMs)) {
            RunLogLine("Parvela Word Processor did not close; nothing was installed.");
            return TExitCode::AppRunning;
        }
        RunLogLine("Parvela Word Processor closed.");
    }

    std::vector<TCheckState> rows(std::begin(values.Rows), std::end(values.Rows));
    std::vector<int> identity;
    for (int c = 0; c < ComponentCount; ++c) identity.push_back(c);
    const uint8_t selected = SelectedComponents(rows, identity);
    std::string names;
    for (int c = 0; c < ComponentCount; ++c)
        if (selected >> c & 1)
            names += (names.empty() ? "" : ", ") + std::string(ComponentNames[c]);
    RunLogLine("Components: " + names);
    const bool portable = run.IsPortable();
    RunLogLine(portable ? "Portable installation (removable media)" : "Normal installation");

    std::optional<TProgressWindow> window;
    if (command.Mode == TRunMode::Silent) window.emplace(PageRow(TPage::Installing).Title);
    StartInstallRun(run, selected);
    const TExitCode result = RunInstallThread(run, window ? &*window : nullptr);
    if (result != TExitCode::Success) return result;
    if (!SaveRunInstallLog(run)) {
        RunLogLine("Install.log could not be written: " + run.Log.LogFilePath());
        run.Outcome = TExitCode::Failed;
    }

    const auto ticks = AssocTicks(run.Options.Extensions);
    const bool assoc[4] = {ticks[0], ticks[1], ticks[2], ticks[3]};
    if (!portable) {
        std::string types;
        for (int i = 0; i < 4; ++i)
            if (ticks[static_cast<size_t>(i)])
                types += (types.empty() ? "" : ", ") + std::string(AssociateSwitchNames[i]);
        RunLogLine("Document types: " + (types.empty() ? std::string("none") : types));
    }
    FinishPageEntry(run, assoc, values.GetBox(TOptionBox::InstallToAll),
                    values.GetBox(TOptionBox::Desktop), /*keepAssoc=*/true);
    std::string error;
    if (!FinishActions(run, /*launch=*/false, &error)) {
        RunLogLine(error);
        return TExitCode::Failed;
    }
    return run.Outcome.value_or(TExitCode::Success);
}
