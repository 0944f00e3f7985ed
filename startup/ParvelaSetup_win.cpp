// The program entry: refuses old systems, opens the payload before any
// window, runs the wizard, and makes a started run's results permanent.

#include <windows.h>
#include <commctrl.h>
#include <ole2.h>

#include <memory>
#include <thread>

#include "instutils/FolderStack.h"
#include "instutils/InstUtils.h"
#include "instutils/SetupLock_win.h"
#include "integration/Options.h"
#include "integration/RunState.h"
#include "payload/AttachFiles.h"
#include "payload/InstallThread.h"
#include "wizard/MainDlg_win.h"
#include "wizard/MessageDlg_win.h"
#include "wizard/PageFlow.h"

namespace {

// COM for the main thread, for the whole run.
class TOleScope {
public:
    TOleScope() : Ok(SUCCEEDED(OleInitialize(nullptr))) {}
    TOleScope(const TOleScope&) = delete;
    TOleScope& operator=(const TOleScope&) = delete;
    ~TOleScope() {
        if (Ok) OleUninitialize();
    }

private:
    bool Ok;
};

bool RunsOnWindows2000OrLater() {
    OSVERSIONINFOA info{};
    info.dwOSVersionInfoSize = sizeof info;
    if (!GetVersionExA(&info)) return false;
    return IsWindows2000OrLater(info.dwPlatformId, info.dwMajorVersion);
}

int RunSetup() {
    // The payload is inflated and indexed on a thread of its own while the
    // window is built hidden; the window is shown only once the payload has
    // proved whole. That loads no DLL, so it need not wait for the
    // restriction below.
    std::unique_ptr<TAttachedFiles> files;
    std::jthread opening;
    const bool supported = RunsOnWindows2000OrLater();
    if (supported)
        opening = std::jthread([&files] {
            try {
                files = TAttachedFiles::CreateFromResource();
            } catch (...) {
                // No reader: the damaged-payload path below.
            }
        });
    RestrictDllSearchToSystem();
    if (!supported) {
        MessageBoxA(nullptr, MsgNeedsWindows2000, nullptr, MB_ICONEXCLAMATION | MB_OK);
        return 0;
    }
    INITCOMMONCONTROLSEX icc{sizeof icc,
                             ICC_WIN95_CLASSES | ICC_STANDARD_CLASSES | ICC_PROGRESS_CLASS};
    InitCommonControlsEx(&icc);
    SetMainThread();
    InstallMessageDlg();
    // Two setups would write the same files and the same install log.
    if (!ClaimSetupInstance()) {
        MessageDlg(nullptr, MsgSetupAlreadyRunning, mtInformation, mbOK);
        return 1;
    }
    TOleScope ole;

    {
        // The entry owns the run: it outlives the window, and the install
        // thread's end and the saves below come after the window has gone.
        TRunState run;
        auto form = std::make_unique<TMainDlgForm>(run);
        opening.join();
        if (!files || CheckSetupPayload(*files) != PayloadError::Ok) {
            form.reset();  // never shown: only the error box appears
            MessageDlg(nullptr, MsgPayloadDamaged, mtError, mbOK);
            return 1;
        }
        run.SetFiles(std::move(files));
        if (!form->Handle()) return 1;
        form->ShowModal();
        // A cancelled run's thread may still be writing from the payload and
        // adding its last log line: let it finish before anything is saved.
        run.InstallThreadStatus.WaitForInstallThread();
        if (run.Log.InstallStarted()) {
            run.SaveOptions(*form);
            // A failed save is not reported.
            if (!run.IsPortable()) run.Log.SaveInstallLog(run.Log.LogFilePath());
        }
    }
    ReleaseFolderStack();
    return 0;
}

}  // namespace

int WINAPI WinMain(HINSTANCE, HINSTANCE, LPSTR, int) {
    try {
        return RunSetup();
    } catch (...) {
        return 1;
    }
}
