// The program's message box as a real window: what it shows and which
// button Enter, Escape and the close box press.

#include <gtest/gtest.h>

#include <windows.h>

#include <algorithm>
#include <functional>
#include <string>
#include <vector>

#include "payload/InstallThread.h"
#include "wizard/GdiHandle_win.h"
#include "wizard/MessageDlg_win.h"

namespace {

struct Seen {
    std::string Title, Text;
    std::vector<std::string> Buttons;  // left to right
    std::string Focused;
    bool OwnerEnabled = true;
};

HWND OpenBox() { return FindWindowA(MessageDlgClassName, nullptr); }

std::string TextOf(HWND w) {
    char buf[512] = "";
    GetWindowTextA(w, buf, sizeof buf);
    return buf;
}

Seen Inspect(HWND box, HWND owner) {
    Seen s;
    s.Title = TextOf(box);
    s.Text = TextOf(GetDlgItem(box, MessageDlgTextId));
    std::vector<std::pair<int, HWND>> buttons;
    for (HWND c = GetWindow(box, GW_CHILD); c; c = GetWindow(c, GW_HWNDNEXT)) {
        char cls[32] = "";
        GetClassNameA(c, cls, sizeof cls);
        RECT r;
        GetWindowRect(c, &r);
        if (lstrcmpiA(cls, "Button") == 0) buttons.push_back({r.left, c});
    }
    std::sort(buttons.begin(), buttons.end(), [](auto& a, auto& b) { return a.first < b.first; });
    for (auto& b : buttons) s.Buttons.push_back(TextOf(b.second));
    s.Focused = TextOf(GetFocus());
    s.OwnerEnabled = owner ? IsWindowEnabled(owner) != FALSE : true;
    return s;
}

// Runs `act` on the box from inside its own modal loop (a timer on this
// thread), after recording what it shows.
struct BoxScript {
    std::function<void(HWND box)> Act;
    HWND Owner = nullptr;
    Seen Shown;
    bool Found = false;
};
BoxScript* Current = nullptr;

void CALLBACK OnTimer(HWND, UINT, UINT_PTR id, DWORD) {
    HWND box = OpenBox();
    if (!box || !Current) return;
    KillTimer(nullptr, id);
    Current->Found = true;
    Current->Shown = Inspect(box, Current->Owner);
    Current->Act(box);
}

TModalResult ShowScripted(BoxScript& script, const std::string& text, TMsgKind kind,
                          TMsgButtons buttons) {
    Current = &script;
    const UINT_PTR timer = SetTimer(nullptr, 0, 30, OnTimer);
    const TModalResult result = MessageDlg(script.Owner, text, kind, buttons);
    KillTimer(nullptr, timer);
    Current = nullptr;
    return result;
}

// Result of the last button of a set, as the box orders them.
TModalResult DlgButtonsOfForTest(TMsgButtons set) {
    const TModalResult order[] = {TModalResult::Yes,    TModalResult::No,    TModalResult::Ok,
                                  TModalResult::Cancel, TModalResult::Abort, TModalResult::Retry,
                                  TModalResult::Ignore, TModalResult::All};
    TModalResult last = TModalResult::None;
    for (int i = 0; i < 8; ++i)
        if (Has(set, static_cast<TMsgButtons>(1 << i))) last = order[i];
    return last;
}

// A box's buttons have their results as control IDs.
HWND Button(HWND box, TModalResult result) { return GetDlgItem(box, static_cast<int>(result)); }

void PostKey(HWND box, WPARAM key) {
    HWND target = GetFocus();
    PostMessageA(target ? target : box, WM_KEYDOWN, key, 0);
}

TEST(MessageDlg, ShowsKindTitleTextAndButtonsInFixedOrder) {
    BoxScript s;
    s.Act = [](HWND box) { PostMessageA(box, WM_CLOSE, 0, 0); };
    EXPECT_EQ(ShowScripted(s, "first line\rsecond line", TMsgKind::Confirmation,
                           TMsgButtons::Abort | TMsgButtons::No | TMsgButtons::All),
              TModalResult::Cancel);
    ASSERT_TRUE(s.Found);
    EXPECT_EQ(s.Shown.Title, "Confirm");
    EXPECT_EQ(s.Shown.Text, "first line\r\nsecond line");
    EXPECT_EQ(s.Shown.Buttons, (std::vector<std::string>{"&No", "&Abort", "&All"}));
    EXPECT_EQ(OpenBox(), nullptr) << "the box is gone after it returned";

    const char* titles[] = {"Warning", "Error", "Information", "Confirm"};
    for (int kind = 0; kind < 4; ++kind) {
        BoxScript k;
        k.Act = [](HWND box) { PostMessageA(box, WM_CLOSE, 0, 0); };
        ShowScripted(k, "x", static_cast<TMsgKind>(kind), TMsgButtons::Ok);
        EXPECT_EQ(k.Shown.Title, titles[kind]);
        EXPECT_EQ(k.Shown.Buttons, std::vector<std::string>{"OK"});
    }
}

TEST(MessageDlg, EnterAndEscapePressTheRuleButtonsOrNothing) {
    // Enter: the default button; without one, the focused first button.
    struct Case {
        TMsgButtons Set;
        TModalResult Enter, Escape;
    } cases[] = {
        {TMsgButtons::Ok, TModalResult::Ok, TModalResult::Ok},
        {TMsgButtons::Yes | TMsgButtons::No, TModalResult::Yes, TModalResult::No},
        {TMsgButtons::Ok | TMsgButtons::Cancel, TModalResult::Ok, TModalResult::Cancel},
        {TMsgButtons::Abort | TMsgButtons::Retry | TMsgButtons::Ignore, TModalResult::Retry,
         TModalResult::None},
        {TMsgButtons::No | TMsgButtons::Abort, TModalResult::No, TModalResult::No},
        {TMsgButtons::Yes | TMsgButtons::No | TMsgButtons::Cancel, TModalResult::Yes,
         TModalResult::Cancel},
        {TMsgButtons::Ignore | TMsgButtons::All, TModalResult::Ignore, TModalResult::None},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(static_cast<int>(c.Set));
        // After the key, a click on the last button: it decides only when
        // the key did nothing.
        const TModalResult last = DlgButtonsOfForTest(c.Set);
        for (WPARAM key : {WPARAM(VK_RETURN), WPARAM(VK_ESCAPE)}) {
            const TModalResult want = key == VK_RETURN ? c.Enter : c.Escape;
            BoxScript s;
            s.Act = [&](HWND box) {
                PostKey(box, key);
                PostMessageA(Button(box, last), BM_CLICK, 0, 0);
            };
            EXPECT_EQ(ShowScripted(s, "question", TMsgKind::Warning, c.Set),
                      want == TModalResult::None ? last : want)
                << (key == VK_RETURN ? "Enter" : "Escape");
        }
    }
}

TEST(MessageDlg, EnterPressesTheFocusedButtonAfterTab) {
    BoxScript s;
    s.Act = [](HWND box) {
        // From the default (Yes) one Tab on: No.
        SetFocus(Button(box, TModalResult::No));
        PostKey(box, VK_RETURN);
    };
    EXPECT_EQ(ShowScripted(s, "q", TMsgKind::Confirmation, TMsgButtons::Yes | TMsgButtons::No),
              TModalResult::No);
    EXPECT_EQ(s.Shown.Focused, "&Yes");
}

TEST(MessageDlg, ClickedButtonGivesItsResultAndOwnerIsDisabledMeanwhile) {
    TWindowHandle window(CreateWindowExA(0, "STATIC", "owner", WS_OVERLAPPEDWINDOW | WS_VISIBLE, 10,
                                         10, 200, 100, nullptr, nullptr, GetModuleHandleA(nullptr),
                                         nullptr));
    const HWND owner = window.Get();
    ASSERT_NE(owner, nullptr);
    const struct {
        TMsgButtons Set;
        TModalResult Click;
    } cases[] = {
        {TMsgButtons::Abort | TMsgButtons::Retry | TMsgButtons::Ignore, TModalResult::Ignore},
        {TMsgButtons::Abort | TMsgButtons::Retry | TMsgButtons::Ignore, TModalResult::Abort},
        {TMsgButtons::Yes | TMsgButtons::No | TMsgButtons::All, TModalResult::All},
        {TMsgButtons::Ok | TMsgButtons::Cancel, TModalResult::Cancel},
    };
    for (const auto& c : cases) {
        BoxScript s;
        s.Owner = owner;
        s.Act = [&](HWND box) { SendMessageA(Button(box, c.Click), BM_CLICK, 0, 0); };
        EXPECT_EQ(ShowScripted(s, "file error", TMsgKind::Error, c.Set), c.Click);
        EXPECT_FALSE(s.Shown.OwnerEnabled);
        EXPECT_TRUE(IsWindowEnabled(owner));
    }
}

TEST(MessageDlg, BoxGrowsWithItsText) {
    RECT small{}, large{};
    BoxScript a;
    a.Act = [&](HWND box) {
        GetWindowRect(box, &small);
        PostMessageA(box, WM_CLOSE, 0, 0);
    };
    ShowScripted(a, "short", TMsgKind::Warning, TMsgButtons::Ok);
    BoxScript b;
    b.Act = [&](HWND box) {
        GetWindowRect(box, &large);
        PostMessageA(box, WM_CLOSE, 0, 0);
    };
    ShowScripted(b, std::string(120, 'w') + "\r2\r3\r4\r5\r6", TMsgKind::Warning, TMsgButtons::Ok);
    EXPECT_GT(large.right - large.left, small.right - small.left);
    EXPECT_GT(large.bottom - large.top, small.bottom - small.top);
}

TEST(MessageDlg, InstalledAsTheHandlerOfQuestionsOnTheMainThread) {
    SetMainThread();
    InstallMessageDlg();
    BoxScript s;
    s.Act = [](HWND box) { SendMessageA(Button(box, TModalResult::Retry), BM_CLICK, 0, 0); };
    Current = &s;
    const UINT_PTR timer = SetTimer(nullptr, 0, 30, OnTimer);
    const TModalResult got = AskUser("retry?", TMsgKind::Error,
                                     TMsgButtons::Abort | TMsgButtons::Retry | TMsgButtons::Ignore);
    KillTimer(nullptr, timer);
    Current = nullptr;
    EXPECT_EQ(got, TModalResult::Retry);
    EXPECT_EQ(s.Shown.Title, "Error");
    SetMessageDlgHandler(nullptr);
}

}  // namespace
