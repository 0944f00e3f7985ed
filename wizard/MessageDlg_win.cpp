#include "wizard/MessageDlg_win.h"

#include <algorithm>
#include <mutex>
#include <optional>
#include <vector>

#include "instutils/RunLog.h"
#include "payload/InstallThread.h"
#include "wizard/DlgRules.h"
#include "wizard/InstallRun.h"
#include "wizard/GdiHandle_win.h"
#include "wizard/Texts.h"

namespace {

HWND RegisteredOwner = nullptr;

struct TDlgState {
    TMsgButtons Buttons = TMsgButtons::None;
    TModalResult Default = TModalResult::None;
    TModalResult Result = TModalResult::Cancel;
    bool Done = false;
};

std::string WithLineBreaks(const std::string& text) {
    std::string out;
    for (size_t i = 0; i < text.size(); ++i) {
        out += text[i];
        if (text[i] == '\r' && (i + 1 >= text.size() || text[i + 1] != '\n')) out += '\n';
    }
    return out;
}

bool IsResultButton(const TDlgState& state, TModalResult id) {
    for (const TDlgButton& b : DlgButtonsOf(state.Buttons))
        if (b.Result == id) return true;
    return false;
}

LRESULT CALLBACK DlgProc(HWND wnd, UINT msg, WPARAM wp, LPARAM lp) {
    auto* state = reinterpret_cast<TDlgState*>(GetWindowLongPtrA(wnd, GWLP_USERDATA));
    switch (msg) {
    case WM_NCCREATE:
        SetWindowLongPtrA(
            wnd, GWLP_USERDATA,
            reinterpret_cast<LONG_PTR>(reinterpret_cast<CREATESTRUCTA*>(lp)->lpCreateParams));
        break;
    case WM_COMMAND:
        if (state && HIWORD(wp) == BN_CLICKED &&
            IsResultButton(*state, static_cast<TModalResult>(LOWORD(wp)))) {
            state->Result = static_cast<TModalResult>(LOWORD(wp));
            state->Done = true;
        }
        return 0;
    case WM_CLOSE:
        if (state) {
            state->Result = TModalResult::Cancel;
            state->Done = true;
        }
        return 0;
    case WM_CTLCOLORSTATIC:
        SetBkMode(reinterpret_cast<HDC>(wp), TRANSPARENT);
        return reinterpret_cast<LRESULT>(GetSysColorBrush(COLOR_BTNFACE));
    }
    return DefWindowProcA(wnd, msg, wp, lp);
}

void RegisterDlgClass(HINSTANCE instance) {
    WNDCLASSA wc{};
    if (GetClassInfoA(instance, MessageDlgClassName, &wc)) return;
    wc.lpfnWndProc = DlgProc;
    wc.hInstance = instance;
    wc.hCursor = LoadCursor(nullptr, IDC_ARROW);
    wc.hbrBackground = reinterpret_cast<HBRUSH>(COLOR_BTNFACE + 1);
    wc.lpszClassName = MessageDlgClassName;
    RegisterClassA(&wc);
}

LPCSTR KindIcon(TMsgKind kind) {
    switch (kind) {
    case TMsgKind::Error: return IDI_HAND;
    case TMsgKind::Information: return IDI_ASTERISK;
    case TMsgKind::Confirmation: return IDI_QUESTION;
    default: return IDI_EXCLAMATION;
    }
}

HFONT CreateMessageFont() {
    NONCLIENTMETRICSA ncm{};
    ncm.cbSize = sizeof ncm;
    if (SystemParametersInfoA(SPI_GETNONCLIENTMETRICS, sizeof ncm, &ncm, 0))
        return CreateFontIndirectA(&ncm.lfMessageFont);
    return nullptr;
}

// Enter presses the focused button, else the default one; Escape the
// escape button. Both do nothing when there is no such button.
bool HandleKey(HWND dlg, const MSG& m, TDlgState& state) {
    if (m.message != WM_KEYDOWN || (m.hwnd != dlg && !IsChild(dlg, m.hwnd))) return false;
    TModalResult result = TModalResult::None;
    if (m.wParam == VK_ESCAPE) {
        result = EscapeDlgResult(state.Buttons);
    } else if (m.wParam == VK_RETURN) {
        HWND focus = GetFocus();
        const auto id =
            static_cast<TModalResult>(focus && GetParent(focus) == dlg ? GetDlgCtrlID(focus) : 0);
        result = IsResultButton(state, id) ? id : state.Default;
    } else {
        return false;
    }
    if (result != TModalResult::None) {
        state.Result = result;
        state.Done = true;
    }
    return true;
}

constexpr DWORD DlgStyle = WS_POPUP | WS_CAPTION | WS_SYSMENU | WS_CLIPCHILDREN;

DWORD DlgExStyle(HWND owner) {
    return WS_EX_DLGMODALFRAME | WS_EX_CONTROLPARENT | (owner ? 0 : WS_EX_APPWINDOW);
}

// Text extent, wrapped at half the screen width at most. Measured on the
// text's own DC, plus a little slack: a screen DC can measure a few pixels
// short, which cut the end off the longest line.
SIZE MeasureDlgText(HWND textCtl, HFONT font, const std::string& shown, int minWidth) {
    RECT rc{0, 0, std::max(minWidth, GetSystemMetrics(SM_CXSCREEN) / 2), 0};
    {
        TClientDC dc(textCtl);
        TSelectObject sel(dc.Get(), font);
        DrawTextA(dc.Get(), shown.c_str(), -1, &rc,
                  DT_CALCRECT | DT_WORDBREAK | DT_NOPREFIX | DT_EXPANDTABS);
    }
    return {rc.right - rc.left, rc.bottom - rc.top};
}

// Sizes the box to a client area of `clientW` x `clientH`, centred on its
// owner when that is shown, else on the work area.
void CentreDlg(HWND box, HWND owner, int clientW, int clientH) {
    RECT frame{0, 0, clientW, clientH};
    AdjustWindowRectEx(&frame, DlgStyle, FALSE, DlgExStyle(owner));
    const int winW = frame.right - frame.left, winH = frame.bottom - frame.top;
    RECT area{};
    if (!(owner && IsWindowVisible(owner) && GetWindowRect(owner, &area)))
        SystemParametersInfoA(SPI_GETWORKAREA, 0, &area, 0);
    const int x = area.left + (area.right - area.left - winW) / 2;
    const int y = area.top + (area.bottom - area.top - winH) / 2;
    SetWindowPos(box, nullptr, x, y, winW, winH, SWP_NOZORDER | SWP_NOACTIVATE);
}

// The buttons in a row from `at`, each `size` with `gap` between them;
// returns the one that takes the focus: the default one, else the first.
HWND CreateDlgButtons(HWND box, const std::vector<TDlgButton>& list, TModalResult defResult,
                      POINT at, SIZE size, int gap, HFONT font) {
    HINSTANCE instance = GetModuleHandleA(nullptr);
    HWND focus = nullptr;
    int bx = at.x;
    for (const TDlgButton& b : list) {
        DWORD bs = WS_CHILD | WS_VISIBLE | WS_TABSTOP |
                   (b.Result == defResult ? BS_DEFPUSHBUTTON : BS_PUSHBUTTON);
        HWND w = CreateWindowExA(0, "BUTTON", b.Caption, bs, bx, at.y, size.cx, size.cy, box,
                                 reinterpret_cast<HMENU>(static_cast<INT_PTR>(b.Result)), instance,
                                 nullptr);
        SendMessageA(w, WM_SETFONT, reinterpret_cast<WPARAM>(font), FALSE);
        if (!focus || b.Result == defResult) focus = w;
        bx += size.cx + gap;
    }
    return focus;
}

// Makes the text, the icon and the buttons and sizes the box around them;
// returns the button that takes the focus.
HWND FillDlg(HWND box, HWND owner, const std::string& text, TMsgKind kind, const TDlgState& state,
             HFONT font) {
    HINSTANCE instance = GetModuleHandleA(nullptr);
    const int dpi = ScreenDpi();
    auto px = [dpi](int v) { return MulDiv(v, dpi, 96); };
    const std::vector<TDlgButton> list = DlgButtonsOf(state.Buttons);
    const std::string shown = WithLineBreaks(text);
    HWND textCtl = CreateWindowExA(
        0, "STATIC", shown.c_str(), WS_CHILD | WS_VISIBLE | SS_LEFT | SS_NOPREFIX, 0, 0, px(200),
        px(20), box, reinterpret_cast<HMENU>(MessageDlgTextId), instance, nullptr);
    SendMessageA(textCtl, WM_SETFONT, reinterpret_cast<WPARAM>(font), FALSE);

    const SIZE textSize = MeasureDlgText(textCtl, font, shown, px(200));
    const int margin = px(12), iconSize = GetSystemMetrics(SM_CXICON);
    const int btnW = px(75), btnH = px(25), btnGap = px(6);
    const int textX = margin + iconSize + px(12);
    const int textW = textSize.cx + px(2), textH = textSize.cy;
    const int textY = margin + std::max(0, (iconSize - textH) / 2);
    const int rowW = static_cast<int>(list.size()) * btnW +
                     std::max(0, static_cast<int>(list.size()) - 1) * btnGap;
    const int clientW = std::max(textX + textW + margin, rowW + 2 * margin);
    const int btnY = std::max(textY + textH, margin + iconSize) + px(16);
    const int clientH = btnY + btnH + margin;
    CentreDlg(box, owner, clientW, clientH);
    SetWindowPos(textCtl, nullptr, textX, textY, textW, textH, SWP_NOZORDER | SWP_NOACTIVATE);

    HWND icon = CreateWindowExA(0, "STATIC", "", WS_CHILD | WS_VISIBLE | SS_ICON, margin, margin,
                                iconSize, iconSize, box, reinterpret_cast<HMENU>(MessageDlgIconId),
                                instance, nullptr);
    SendMessageA(icon, STM_SETICON, reinterpret_cast<WPARAM>(LoadIconA(nullptr, KindIcon(kind))),
                 0);

    return CreateDlgButtons(box, list, state.Default, {(clientW - rowW) / 2, btnY}, {btnW, btnH},
                            btnGap, font);
}

// Runs the box's own message loop until a button ends it. A WM_QUIT seen
// on the way ends the loop too; its exit code is returned so that the
// caller can post it again once the box is gone.
std::optional<WPARAM> RunDlgLoop(HWND box, TDlgState& state) {
    MSG m;
    while (!state.Done) {
        BOOL got = GetMessageA(&m, nullptr, 0, 0);
        if (got == 0) return m.wParam;
        if (got < 0) break;
        if (HandleKey(box, m, state)) continue;
        if (!IsDialogMessageA(box, &m)) {
            TranslateMessage(&m);
            DispatchMessageA(&m);
        }
    }
    return std::nullopt;
}

}  // namespace

TModalResult MessageDlg(HWND owner, const std::string& text, TMsgKind kind, TMsgButtons buttons,
                        TModalResult defaultResult) {
    HINSTANCE instance = GetModuleHandleA(nullptr);
    RegisterDlgClass(instance);
    TDlgState state;
    state.Buttons = buttons;
    state.Default =
        IsResultButton(state, defaultResult) ? defaultResult : DefaultDlgResult(buttons);

    TFontHandle font(CreateMessageFont());
    const int dpi = ScreenDpi();
    TWindowHandle dlg(CreateWindowExA(DlgExStyle(owner), MessageDlgClassName, DlgTitle(kind),
                                      DlgStyle, 0, 0, MulDiv(200, dpi, 96), MulDiv(100, dpi, 96),
                                      owner, nullptr, instance, &state));
    if (!dlg.Get()) return TModalResult::Cancel;
    HWND box = dlg.Get();
    HWND focus = FillDlg(box, owner, text, kind, state, font.Get());

    const bool disableOwner = owner && IsWindowEnabled(owner);
    if (disableOwner) EnableWindow(owner, FALSE);
    ShowWindow(box, SW_SHOW);
    SetForegroundWindow(box);
    if (focus) SetFocus(focus);
    const std::optional<WPARAM> quit = RunDlgLoop(box, state);
    // The owner gets its activation back before the box goes away.
    if (disableOwner) EnableWindow(owner, TRUE);
    dlg.Reset();
    if (quit) PostQuitMessage(static_cast<int>(*quit));
    return state.Result;
}

void SetMessageDlgOwner(HWND owner) { RegisteredOwner = owner; }
HWND MessageDlgOwner() { return RegisteredOwner; }

namespace {

std::mutex HandlerLock;
TMessageDlgFunc Handler;

TThreadAnswer AskThreadQuestion(const TThreadQuestion& question) {
    return ThreadAnswerOf(
        AskUser(ThreadQuestionText(question), ThreadQuestionDlgKind, ThreadQuestionDlgButtons));
}

}  // namespace

void SetMessageDlgHandler(TMessageDlgFunc handler) {
    const bool any = static_cast<bool>(handler);
    {
        std::lock_guard<std::mutex> lock(HandlerLock);
        Handler = std::move(handler);
    }
    SetThreadQuestionHandler(any ? AskThreadQuestion : TThreadQuestionFunc());
}

TModalResult AskUser(const std::string& text, TMsgKind kind, TMsgButtons buttons) {
    TMessageDlgFunc handler;
    {
        std::lock_guard<std::mutex> lock(HandlerLock);
        handler = Handler;
    }
    const TModalResult answer = handler                               ? handler(text, kind, buttons)
                                : (Has(buttons, TMsgButtons::Abort))  ? TModalResult::Abort
                                : (Has(buttons, TMsgButtons::Cancel)) ? TModalResult::Cancel
                                                                      : TModalResult::None;
    if (RunLogOpen()) {
        static const char* const names[] = {"none",   "OK",  "Cancel", "Abort", "Retry",
                                            "Ignore", "Yes", "No",     "All"};
        RunLogLine("Question: " + text);
        RunLogLine(std::string("Answer: ") +
                   (answer >= TModalResult::None && answer <= TModalResult::All
                        ? names[static_cast<int>(answer)]
                        : "none"));
    }
    return answer;
}

void InstallMessageDlg() {
    SetMessageDlgHandler([](const std::string& text, TMsgKind kind, TMsgButtons buttons) {
        return MessageDlg(RegisteredOwner, text, kind, buttons);
    });
}
