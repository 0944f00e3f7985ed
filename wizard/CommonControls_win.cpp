#include "wizard/CommonControls_win.h"

#include <windows.h>
#include <commctrl.h>

#include <system_error>

namespace {

void LoadCommonControls() {
    INITCOMMONCONTROLSEX icc{sizeof icc,
                             ICC_WIN95_CLASSES | ICC_STANDARD_CLASSES | ICC_PROGRESS_CLASS};
    InitCommonControlsEx(&icc);
}

}  // namespace

TCommonControlsLoad::TCommonControlsLoad() {
    try {
        Thread = std::thread(LoadCommonControls);
    } catch (const std::system_error&) {
        LoadCommonControls();  // no thread to spare: at once
    }
}

TCommonControlsLoad::~TCommonControlsLoad() { Wait(); }

void TCommonControlsLoad::Wait() {
    std::call_once(Joined, [this] {
        if (Thread.joinable()) Thread.join();
    });
}
