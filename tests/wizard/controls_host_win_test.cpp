// What the drive box, folder list and check list share through their host
// class: the font, focus, enabled state and size reach the inner control,
// and each window hands out only the object of its own class.
#include "tests/wizard/controls_fixture_win.h"

namespace {

int ListItemHeight(HWND list) {
    return static_cast<int>(SendMessageA(list, LB_GETITEMHEIGHT, 0, 0));
}

int WidthOf(HWND w) {
    RECT rc{};
    GetWindowRect(w, &rc);
    return rc.right - rc.left;
}

int HeightOf(HWND w) {
    RECT rc{};
    GetWindowRect(w, &rc);
    return rc.bottom - rc.top;
}

TEST(HostedControls, InnerControlTakesFontFocusStateAndSize) {
    TControlHost host;
    ShowWindow(host.Window, SW_SHOW);
    const char* const classes[] = {TCheckListBox::ClassName, TDirectoryListBox::ClassName,
                                   TDriveBox::ClassName};
    for (const char* cls : classes) {
        SCOPED_TRACE(cls);
        HWND w = host.Child(cls, 10, 10, 200, 100);
        THostedControl* control = THostedControl::From(w, cls);
        ASSERT_NE(control, nullptr);
        HWND inner = control->Inner();
        ASSERT_NE(inner, nullptr);
        EXPECT_EQ(GetParent(inner), w);

        const LRESULT font = SendMessageA(w, WM_GETFONT, 0, 0);
        EXPECT_NE(font, 0);
        EXPECT_EQ(SendMessageA(inner, WM_GETFONT, 0, 0), font);

        SetFocus(w);
        EXPECT_EQ(GetFocus(), inner);
        EnableWindow(w, FALSE);
        EXPECT_FALSE(IsWindowEnabled(inner));
        EnableWindow(w, TRUE);
        EXPECT_TRUE(IsWindowEnabled(inner));

        // A drop-down box keeps its own closed height; a list fills its host.
        SetWindowPos(w, nullptr, 0, 0, 260, 150, SWP_NOMOVE | SWP_NOZORDER);
        EXPECT_EQ(WidthOf(inner), 260);
        if (std::string(cls) != TDriveBox::ClassName) {
            EXPECT_EQ(HeightOf(inner), HeightOf(w));
        }
        DestroyWindow(w);
    }
}

TEST(HostedControls, EachWindowHandsOutOnlyItsOwnClass) {
    TControlHost host;
    HWND list = host.Child(TCheckListBox::ClassName, 10, 10, 200, 100);
    HWND box = host.Child(TDriveBox::ClassName, 10, 120, 200, 20);
    HWND edit = host.Child("EDIT", 10, 150, 200, 20);
    EXPECT_NE(TCheckListBox::From(list), nullptr);
    EXPECT_EQ(TCheckListBox::From(box), nullptr);
    EXPECT_EQ(TDirectoryListBox::From(list), nullptr);
    EXPECT_NE(TDriveBox::From(box), nullptr);
    EXPECT_EQ(TDriveBox::From(edit), nullptr);
    EXPECT_EQ(TDriveBox::From(nullptr), nullptr);
}

TEST(HostedControls, ListRowsFollowTheDpi) {
    TControlHost host;
    auto* checks = TCheckListBox::From(host.Child(TCheckListBox::ClassName, 10, 10, 200, 100));
    auto* folders =
        TDirectoryListBox::From(host.Child(TDirectoryListBox::ClassName, 10, 120, 200, 100));
    ASSERT_NE(checks, nullptr);
    ASSERT_NE(folders, nullptr);
    checks->SetDpi(96);
    const int glyphAt96 = checks->GlyphSize();
    for (THostedControl* list :
         {static_cast<THostedControl*>(checks), static_cast<THostedControl*>(folders)}) {
        list->SetDpi(96);
        const int at96 = ListItemHeight(list->Inner());
        list->SetDpi(192);
        EXPECT_EQ(ListItemHeight(list->Inner()), 2 * at96);
        // A new font keeps the scale.
        SendMessageA(list->Handle(), WM_SETFONT,
                     reinterpret_cast<WPARAM>(GetStockObject(DEFAULT_GUI_FONT)), TRUE);
        EXPECT_EQ(ListItemHeight(list->Inner()), 2 * at96);
    }
    EXPECT_EQ(checks->GlyphSize(), 2 * glyphAt96);
}

}  // namespace
