#include "wizard/ProgressWindow_win.h"

#include <commctrl.h>

#include "instutils/InstUtils.h"

TProgressWindow::TProgressWindow(const char* heading) {
    HINSTANCE instance = GetModuleHandleA(nullptr);
    WNDCLASSA wc{};
    wc.lpfnWndProc = DefWindowProcA;
    wc.hInstance = instance;
    wc.hCursor = LoadCursor(nullptr, IDC_ARROW);
    wc.hbrBackground = GetSysColorBrush(COLOR_BTNFACE);
    wc.lpszClassName = ProgressClassName;
    wc.hIcon = LoadIconA(instance, MAKEINTRESOURCEA(1));
    RegisterClassA(&wc);  // a second run in one process finds it registered
    const int dpi = ScreenDpi();
    auto scale = [dpi](int v) { return MulDiv(v, dpi, 96); };
    RECT r{0, 0, scale(380), scale(100)};
    const DWORD style = WS_OVERLAPPED | WS_CAPTION;
    AdjustWindowRect(&r, style, FALSE);
    const int w = r.right - r.left, h = r.bottom - r.top;
    Window.Reset(CreateWindowExA(0, ProgressClassName, SetupTitle, style,
                                 (GetSystemMetrics(SM_CXSCREEN) - w) / 2,
                                 (GetSystemMetrics(SM_CYSCREEN) - h) / 2, w, h, nullptr,
                                 nullptr, instance, nullptr));
    if (!Window.Get()) return;
    HFONT font = static_cast<HFONT>(GetStockObject(DEFAULT_GUI_FONT));
    auto child = [&](const char* cls, const char* text, DWORD st, int y, int height) {
        HWND c = CreateWindowExA(0, cls, text, WS_CHILD | WS_VISIBLE | st, scale(16), scale(y),
                                 scale(348), scale(height), Window.Get(), nullptr, instance,
                                 nullptr);
        SendMessageA(c, WM_SETFONT, reinterpret_cast<WPARAM>(font), FALSE);
        return c;
    };
    child("STATIC", heading, SS_LEFT | SS_NOPREFIX, 12, 16);
    Doing = child("STATIC", "", SS_LEFT | SS_NOPREFIX, 32, 16);
    Bar = child(PROGRESS_CLASSA, "", 0, 58, 18);
    ShowWindow(Window.Get(), SW_SHOWNORMAL);
    UpdateWindow(Window.Get());
}

void TProgressWindow::SetRange(int32_t total) { SendMessageA(Bar, PBM_SETRANGE32, 0, total); }

void TProgressWindow::Show(int32_t position, const char* doing) {
    SendMessageA(Bar, PBM_SETPOS, static_cast<WPARAM>(position), 0);
    if (doing) SetWindowTextA(Doing, doing);
}
