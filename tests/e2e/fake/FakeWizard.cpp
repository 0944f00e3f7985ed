// A small window program for the driver's own tests: a wizard-like window
// with a banner title, buttons, a check box, an edit, a hidden control, an
// owner-drawn check list and a message box of its own class.
//   (no arguments)  the window; Cancel or the close box asks, Abort ends
//                   the program with exit code 3
//   -hang           no window; waits forever
//   -exit N         ends at once with exit code N
#include <windows.h>

#include <cstdlib>
#include <cstring>
#include <initializer_list>

namespace {

constexpr const char* Caption = "Parvela Word Processor Lite - Setup";
namespace ctl_id {
constexpr int Title = 1001;
constexpr int Back = 1002;
constexpr int Next = 1003;
constexpr int Cancel = 1004;
constexpr int Hidden = 1200;
constexpr int Tick = 1300;
constexpr int Disabled = 1301;
constexpr int List = 1400;
constexpr int Edit = 1500;
}  // namespace ctl_id
constexpr int GlyphWidth = 16;

HINSTANCE instance;
HWND mainWindow, title, list;
WNDPROC listProc;
int boxAnswer;

HWND Child(HWND parent, const char* cls, const char* text, DWORD style, int x, int y, int w, int h,
           int id) {
    return CreateWindowExA(0, cls, text, WS_CHILD | style, x, y, w, h, parent,
                           reinterpret_cast<HMENU>(static_cast<INT_PTR>(id)), instance, nullptr);
}

void ToggleRow(int row) {
    if (row < 0) return;
    const LRESULT ticked = SendMessageA(list, LB_GETITEMDATA, row, 0);
    SendMessageA(list, LB_SETITEMDATA, row, ticked ? 0 : 1);
    InvalidateRect(list, nullptr, TRUE);
}

LRESULT CALLBACK ListProc(HWND w, UINT msg, WPARAM wp, LPARAM lp) {
    if (msg == WM_LBUTTONDOWN && static_cast<short>(LOWORD(lp)) < GlyphWidth) {
        const LRESULT hit = SendMessageA(w, LB_ITEMFROMPOINT, 0, lp);
        if (!HIWORD(hit)) ToggleRow(LOWORD(hit));
    } else if (msg == WM_KEYDOWN && wp == VK_SPACE) {
        ToggleRow(static_cast<int>(SendMessageA(w, LB_GETCURSEL, 0, 0)));
        return 0;
    }
    return CallWindowProcA(listProc, w, msg, wp, lp);
}

LRESULT CALLBACK BoxProc(HWND w, UINT msg, WPARAM wp, LPARAM lp) {
    if (msg == WM_COMMAND) {
        boxAnswer = LOWORD(wp);
        return 0;
    }
    if (msg == WM_CLOSE) {
        boxAnswer = IDCANCEL;
        return 0;
    }
    return DefWindowProcA(w, msg, wp, lp);
}

int AskToQuit() {
    HWND box = CreateWindowExA(WS_EX_DLGMODALFRAME, "E2EFakeBox", "Confirm",
                               WS_POPUP | WS_CAPTION | WS_SYSMENU, 200, 200, 320, 140, mainWindow,
                               nullptr, instance, nullptr);
    Child(box, "STATIC", "Setup is not complete.\rReally quit?", WS_VISIBLE, 10, 10, 290, 40,
          0xFFFF);
    Child(box, "BUTTON", "&Abort", WS_VISIBLE | BS_PUSHBUTTON, 170, 70, 70, 24, IDABORT);
    Child(box, "BUTTON", "&No", WS_VISIBLE | BS_DEFPUSHBUTTON, 90, 70, 70, 24, IDNO);
    ShowWindow(box, SW_SHOW);
    EnableWindow(mainWindow, FALSE);
    boxAnswer = 0;
    MSG m;
    while (!boxAnswer && GetMessageA(&m, nullptr, 0, 0) > 0) {
        TranslateMessage(&m);
        DispatchMessageA(&m);
    }
    EnableWindow(mainWindow, TRUE);
    DestroyWindow(box);
    return boxAnswer;
}

LRESULT CALLBACK MainProc(HWND w, UINT msg, WPARAM wp, LPARAM lp) {
    switch (msg) {
    case WM_COMMAND:
        if (LOWORD(wp) == ctl_id::Next) SetWindowTextA(title, "Page Two");
        if (LOWORD(wp) == ctl_id::Back) SetWindowTextA(title, "Page One");
        if (LOWORD(wp) == ctl_id::Cancel) PostMessageA(w, WM_CLOSE, 0, 0);
        return 0;
    case WM_MEASUREITEM: reinterpret_cast<MEASUREITEMSTRUCT*>(lp)->itemHeight = 18; return TRUE;
    case WM_DRAWITEM: {
        auto* d = reinterpret_cast<DRAWITEMSTRUCT*>(lp);
        if (d->itemID == static_cast<UINT>(-1)) return TRUE;
        FillRect(d->hDC, &d->rcItem, GetSysColorBrush(COLOR_WINDOW));
        RECT glyph{d->rcItem.left + 2, d->rcItem.top + 2, d->rcItem.left + 15, d->rcItem.top + 15};
        DrawFrameControl(d->hDC, &glyph, DFC_BUTTON,
                         DFCS_BUTTONCHECK | (d->itemData ? DFCS_CHECKED : 0));
        char text[64] = {};
        SendMessageA(d->hwndItem, LB_GETTEXT, d->itemID, reinterpret_cast<LPARAM>(text));
        TextOutA(d->hDC, d->rcItem.left + GlyphWidth + 4, d->rcItem.top + 2, text,
                 static_cast<int>(strlen(text)));
        return TRUE;
    }
    case WM_CLOSE:
        if (AskToQuit() == IDABORT) DestroyWindow(w);
        return 0;
    case WM_DESTROY: PostQuitMessage(3); return 0;
    }
    return DefWindowProcA(w, msg, wp, lp);
}

}  // namespace

int WINAPI WinMain(HINSTANCE inst, HINSTANCE, LPSTR cmd, int) {
    instance = inst;
    if (strncmp(cmd, "-hang", 5) == 0) {
        Sleep(INFINITE);
        return 0;
    }
    if (strncmp(cmd, "-exit ", 6) == 0) return atoi(cmd + 6);

    WNDCLASSA wc{};
    wc.lpfnWndProc = MainProc;
    wc.hInstance = inst;
    wc.hCursor = LoadCursor(nullptr, IDC_ARROW);
    wc.hbrBackground = GetSysColorBrush(COLOR_BTNFACE);
    wc.lpszClassName = "E2EFakeWizard";
    RegisterClassA(&wc);
    wc.lpfnWndProc = BoxProc;
    wc.lpszClassName = "E2EFakeBox";
    RegisterClassA(&wc);

    const DWORD style = WS_CAPTION | WS_SYSMENU | WS_BORDER;
    RECT r{0, 0, 492, 351};
    AdjustWindowRect(&r, style, FALSE);
    mainWindow = CreateWindowExA(0, "E2EFakeWizard", Caption, style, 100, 100, r.right - r.left,
                                 r.bottom - r.top, nullptr, nullptr, inst, nullptr);
    title = Child(mainWindow, "STATIC", "Page One", WS_VISIBLE, 20, 14, 300, 18, ctl_id::Title);
    Child(mainWindow, "STATIC", "Hidden text", 0, 20, 60, 100, 18, ctl_id::Hidden);
    Child(mainWindow, "BUTTON", "&Tick me", WS_VISIBLE | BS_AUTOCHECKBOX, 140, 60, 120, 18,
          ctl_id::Tick);
    HWND disabled = Child(mainWindow, "BUTTON", "&Disabled", WS_VISIBLE | BS_PUSHBUTTON, 280, 60,
                          90, 22, ctl_id::Disabled);
    EnableWindow(disabled, FALSE);
    list = Child(mainWindow, "LISTBOX", "",
                 WS_VISIBLE | WS_BORDER | LBS_OWNERDRAWFIXED | LBS_HASSTRINGS | LBS_NOTIFY, 140, 90,
                 200, 80, ctl_id::List);
    for (const char* row : {"Row zero", "Row one", "Row two"})
        SendMessageA(list, LB_ADDSTRING, 0, reinterpret_cast<LPARAM>(row));
    SendMessageA(list, LB_SETCURSEL, 1, 0);
    listProc = reinterpret_cast<WNDPROC>(
        SetWindowLongPtrA(list, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(ListProc)));
    Child(mainWindow, "EDIT", "initial", WS_VISIBLE | WS_BORDER | ES_AUTOHSCROLL, 140, 180, 200, 20,
          ctl_id::Edit);
    Child(mainWindow, "BUTTON", "< &Back", WS_VISIBLE | BS_PUSHBUTTON, 210, 319, 85, 22,
          ctl_id::Back);
    Child(mainWindow, "BUTTON", "&Next >", WS_VISIBLE | BS_DEFPUSHBUTTON, 295, 319, 85, 22,
          ctl_id::Next);
    Child(mainWindow, "BUTTON", "Cancel", WS_VISIBLE | BS_PUSHBUTTON, 392, 319, 85, 22,
          ctl_id::Cancel);
    ShowWindow(mainWindow, SW_SHOW);
    UpdateWindow(mainWindow);

    MSG m;
    while (GetMessageA(&m, nullptr, 0, 0) > 0) {
        TranslateMessage(&m);
        DispatchMessageA(&m);
    }
    return static_cast<int>(m.wParam);
}
