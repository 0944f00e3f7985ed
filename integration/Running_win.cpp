#include <windows.h>

#include "instutils/AppInterface.h"
#include "instutils/WinHandles.h"
#include "integration/Options.h"

namespace {

BOOL CALLBACK FindMarkedWindow(HWND window, LPARAM found) {
    if (GetPropA(window, app::RunningProperty) != nullptr) {
        *reinterpret_cast<bool*>(found) = true;
        return FALSE;
    }
    return TRUE;
}

}  // namespace

bool IsAppRunning() {
    bool found = false;
    EnumWindows(FindMarkedWindow, reinterpret_cast<LPARAM>(&found));
    return found;
}

bool ClaimSetupInstance() {
    // Held until the process ends, whatever way it ends; Windows then frees
    // the name. "Global\\" spans every session, so a second user's setup
    // waits too.
    static TUniqueHandle claim;
    if (claim) return true;
    TUniqueHandle mutex(CreateMutexA(nullptr, FALSE, SetupInstanceName));
    // Access denied means another user's setup made it.
    if (!mutex || GetLastError() == ERROR_ALREADY_EXISTS) return false;
    claim = std::move(mutex);
    return true;
}
