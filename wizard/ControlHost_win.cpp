#include "wizard/ControlHost_win.h"

#include <cstring>

#include "wizard/CheckList_win.h"
#include "wizard/DriveBox_win.h"
#include "wizard/FolderList_win.h"

namespace {

constexpr int InnerId = 100;

}  // namespace

void RegisterWizardControls(HINSTANCE instance) {
    struct Entry {
        const char* Name;
        WNDPROC Proc;
    };
    const Entry entries[] = {
        {TDriveBox::ClassName, TDriveBox::WndProc},
        {TDirectoryListBox::ClassName, TDirectoryListBox::WndProc},
        {TCheckListBox::ClassName, TCheckListBox::WndProc},
    };
    for (const Entry& e : entries) {
        WNDCLASSA wc{};
        if (GetClassInfoA(instance, e.Name, &wc)) continue;
        wc.lpfnWndProc = e.Proc;
        wc.cbWndExtra = sizeof(void*);
        wc.hInstance = instance;
        wc.hCursor = LoadCursor(nullptr, IDC_ARROW);
        wc.hbrBackground = reinterpret_cast<HBRUSH>(COLOR_BTNFACE + 1);
        wc.lpszClassName = e.Name;
        RegisterClassA(&wc);
    }
}

void* HostedObject(HWND window, const char* className) {
    char cls[64] = {};
    if (!window || !GetClassNameA(window, cls, sizeof cls) || std::strcmp(cls, className) != 0)
        return nullptr;
    return reinterpret_cast<void*>(GetWindowLongPtrA(window, 0));
}

HWND CreateInnerControl(HWND host, DWORD exStyle, const char* className, DWORD style,
                        int extraHeight) {
    RECT rc{};
    GetClientRect(host, &rc);
    return CreateWindowExA(exStyle, className, "", style, 0, 0, rc.right, rc.bottom + extraHeight,
                           host, reinterpret_cast<HMENU>(static_cast<INT_PTR>(InnerId)),
                           reinterpret_cast<HINSTANCE>(GetWindowLongPtrA(host, GWLP_HINSTANCE)),
                           nullptr);
}

bool ForwardToInner(HWND inner, HFONT& font, UINT msg, WPARAM wp, LPARAM lp, LRESULT& result) {
    result = 0;
    switch (msg) {
    case WM_SETFONT:
        font = reinterpret_cast<HFONT>(wp);
        SendMessageA(inner, WM_SETFONT, wp, lp);
        return true;
    case WM_GETFONT: result = reinterpret_cast<LRESULT>(font); return true;
    case WM_SETFOCUS: SetFocus(inner); return true;
    case WM_ENABLE: EnableWindow(inner, static_cast<BOOL>(wp)); return true;
    }
    return false;
}
