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

void THostedControl::SetDpi(int dpi) {
    Dpi = dpi;
    UpdateMetrics();
    FitInner();
    InvalidateRect(Inner(), nullptr, TRUE);
}

THostedControl* THostedControl::From(HWND window, const char* className) {
    char cls[64] = {};
    if (!window || !GetClassNameA(window, cls, sizeof cls) || std::strcmp(cls, className) != 0)
        return nullptr;
    return reinterpret_cast<THostedControl*>(GetWindowLongPtrA(window, 0));
}

LRESULT THostedControl::WindowProc(HWND w, UINT msg, WPARAM wp, LPARAM lp,
                                   THostedControl* (*make)(HWND)) {
    try {
        if (msg == WM_NCCREATE) {
            SetWindowLongPtrA(w, 0, reinterpret_cast<LONG_PTR>(make(w)));
            // Tab and dialog keys reach the inner control.
            SetWindowLongPtrA(w, GWL_EXSTYLE,
                              GetWindowLongPtrA(w, GWL_EXSTYLE) | WS_EX_CONTROLPARENT);
        }
        auto* self = reinterpret_cast<THostedControl*>(GetWindowLongPtrA(w, 0));
        if (!self) return DefWindowProcA(w, msg, wp, lp);
        if (msg == WM_NCDESTROY) {
            SetWindowLongPtrA(w, 0, 0);
            delete self;
            return DefWindowProcA(w, msg, wp, lp);
        }
        return self->Dispatch(msg, wp, lp);
    } catch (...) {
        return DefWindowProcA(w, msg, wp, lp);
    }
}

LRESULT THostedControl::Dispatch(UINT msg, WPARAM wp, LPARAM lp) {
    switch (msg) {
    case WM_CREATE: Create(); return 0;
    case WM_SETFONT:
        Font = reinterpret_cast<HFONT>(wp);
        SendMessageA(Inner(), WM_SETFONT, wp, lp);
        UpdateMetrics();
        return 0;
    case WM_GETFONT: return reinterpret_cast<LRESULT>(Font);
    case WM_SETFOCUS: SetFocus(Inner()); return 0;
    case WM_ENABLE: EnableWindow(Inner(), static_cast<BOOL>(wp)); return 0;
    case WM_SIZE:
        SetWindowPos(Inner(), nullptr, 0, 0, LOWORD(lp), HIWORD(lp) + DropDownHeight(),
                     SWP_NOZORDER | SWP_NOACTIVATE);
        return 0;
    case WM_MEASUREITEM:
        reinterpret_cast<MEASUREITEMSTRUCT*>(lp)->itemHeight = static_cast<UINT>(ItemHeight());
        return TRUE;
    case WM_DRAWITEM: Draw(*reinterpret_cast<const DRAWITEMSTRUCT*>(lp)); return TRUE;
    case WM_COMMAND:
        if (reinterpret_cast<HWND>(lp) == Inner() && InnerCommand(HIWORD(wp))) return 0;
        break;
    }
    return DefWindowProcA(Window, msg, wp, lp);
}

void THostedControl::FitInner() {
    RECT own{};
    GetClientRect(Window, &own);
    SetWindowPos(Inner(), nullptr, 0, 0, own.right, own.bottom + DropDownHeight(),
                 SWP_NOZORDER | SWP_NOACTIVATE);
}

HWND THostedControl::CreateInnerControl(DWORD exStyle, const char* className, DWORD style) {
    RECT rc{};
    GetClientRect(Window, &rc);
    return CreateWindowExA(
        exStyle, className, "", style, 0, 0, rc.right, rc.bottom + DropDownHeight(), Window,
        reinterpret_cast<HMENU>(static_cast<INT_PTR>(InnerId)),
        reinterpret_cast<HINSTANCE>(GetWindowLongPtrA(Window, GWLP_HINSTANCE)), nullptr);
}
