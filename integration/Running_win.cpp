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
