// The smallest window program: one class, one window, one label and a
// message loop. The start-up benchmark starts it the way it starts the setup
// program and takes its time to a painted window as the floor to compare with.
// Built with THEMED_WINDOW (and a manifest asking for the common controls of
// version 6) it also has a button: the floor for any program with the
// system's themed controls, which the setup program is.
#include <windows.h>
#ifdef THEMED_WINDOW
#include <commctrl.h>
#endif

namespace {

LRESULT CALLBACK WindowProc(HWND wnd, UINT msg, WPARAM wp, LPARAM lp) {
    if (msg == WM_DESTROY) {
        PostQuitMessage(0);
        return 0;
    }
    return DefWindowProcA(wnd, msg, wp, lp);
}

}  // namespace

#ifdef THEMED_WINDOW
constexpr const char* Caption = "Themed Window";
#else
constexpr const char* Caption = "Bare Window";
#endif

int WINAPI WinMain(HINSTANCE instance, HINSTANCE, LPSTR, int show) {
#ifdef THEMED_WINDOW
    INITCOMMONCONTROLSEX icc{sizeof icc, ICC_STANDARD_CLASSES};
    InitCommonControlsEx(&icc);
#endif
    WNDCLASSA wc{};
    wc.lpfnWndProc = WindowProc;
    wc.hInstance = instance;
    wc.hCursor = LoadCursor(nullptr, IDC_ARROW);
    wc.hbrBackground = reinterpret_cast<HBRUSH>(COLOR_BTNFACE + 1);
    wc.lpszClassName = "BareWindow";
    if (!RegisterClassA(&wc)) return 1;
    HWND wnd = CreateWindowExA(0, wc.lpszClassName, Caption,
                               WS_OVERLAPPED | WS_CAPTION | WS_SYSMENU, CW_USEDEFAULT,
                               CW_USEDEFAULT, 500, 390, nullptr, nullptr, instance, nullptr);
    if (!wnd) return 1;
    CreateWindowExA(0, "STATIC", "Hello", WS_CHILD | WS_VISIBLE, 20, 20, 200, 20, wnd, nullptr,
                    instance, nullptr);
#ifdef THEMED_WINDOW
    CreateWindowExA(0, "BUTTON", "Next", WS_CHILD | WS_VISIBLE | WS_TABSTOP | BS_DEFPUSHBUTTON, 300,
                    320, 85, 22, wnd, nullptr, instance, nullptr);
#endif
    ShowWindow(wnd, show);
    UpdateWindow(wnd);
    MSG m;
    while (GetMessageA(&m, nullptr, 0, 0) > 0) {
        TranslateMessage(&m);
        DispatchMessageA(&m);
    }
    return 0;
}
