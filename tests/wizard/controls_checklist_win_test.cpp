// The component check list: toggling by mouse and keyboard, and drawing.
#include "tests/support/Offscreen_win.h"
#include "tests/wizard/controls_fixture_win.h"

#include <oleacc.h>

#include "instutils/WinHandles.h"

namespace {

struct CheckListTest : ::testing::Test {
    TControlHost host;
    TCheckListBox* list = nullptr;
    int clicks = 0;
    void SetUp() override {
        list = TCheckListBox::From(host.Child(TCheckListBox::ClassName, 10, 10, 345, 148));
        ASSERT_NE(list, nullptr);
        for (const char* name : {"first", "second", "third"}) list->AddRow(name);
        list->OnClickCheck = [this] { ++clicks; };
    }
    void ClickRow(int row, int x) {
        RECT rc = ItemRect(list->Inner(), row);
        ClickAt(list->Inner(), rc.left + x, (rc.top + rc.bottom) / 2);
    }
    void Space() { SendMessageA(list->Inner(), WM_KEYDOWN, VK_SPACE, 0); }
};

TEST_F(CheckListTest, MouseOnTheGlyphToggles) {
    ClickRow(2, 1);
    EXPECT_EQ(list->State(2), TCheckState::Checked);
    EXPECT_EQ(clicks, 1);
    EXPECT_EQ(list->CurrentRow(), 2);
    ClickRow(2, list->GlyphSize() + 1);  // still within glyph + 2
    EXPECT_EQ(list->State(2), TCheckState::Unchecked);
    EXPECT_EQ(clicks, 2);
    // On the text only the current row moves.
    ClickRow(1, list->GlyphSize() + 20);
    EXPECT_EQ(list->State(1), TCheckState::Unchecked);
    EXPECT_EQ(list->CurrentRow(), 1);
    EXPECT_EQ(clicks, 2);
    // A greyed row becomes unticked.
    list->SetState(0, TCheckState::Grayed);
    ClickRow(0, 2);
    EXPECT_EQ(list->State(0), TCheckState::Unchecked);
    EXPECT_EQ(clicks, 3);
}

TEST_F(CheckListTest, SpaceTogglesTheCurrentRow) {
    list->SetCurrentRow(1);
    Space();
    EXPECT_EQ(list->State(1), TCheckState::Checked);
    Space();
    EXPECT_EQ(list->State(1), TCheckState::Unchecked);
    EXPECT_EQ(clicks, 2);
    EXPECT_EQ(list->State(0), TCheckState::Unchecked);
    // Without a current row nothing happens.
    list->SetCurrentRow(-1);
    Space();
    EXPECT_EQ(clicks, 2);
}

TEST_F(CheckListTest, RowTextIsDrawnRightOfTheGlyph) {
    // Draw row 0 into a bitmap through the list's own drawing.
    TOffscreen image(300, 16);
    const HDC dc = image.Dc();
    std::vector<RECT> seen;
    list->OnDrawText = [&](HDC, int row, const RECT& rc) {
        EXPECT_EQ(row, 0);
        seen.push_back(rc);
    };
    DRAWITEMSTRUCT dis{};
    dis.CtlType = ODT_LISTBOX;
    dis.itemID = 0;
    dis.itemAction = ODA_DRAWENTIRE;
    dis.hwndItem = list->Inner();
    dis.hDC = dc;
    dis.rcItem = RECT{0, 0, 300, 16};
    SendMessageA(list->Handle(), WM_DRAWITEM, 0, reinterpret_cast<LPARAM>(&dis));
    ASSERT_EQ(seen.size(), 1u);
    EXPECT_EQ(seen[0].left, list->GlyphSize() + 2);
    EXPECT_EQ(seen[0].right, 300);
    // The glyph area is not plain window colour.
    bool glyphDrawn = false;
    for (int x = 0; x < list->GlyphSize() && !glyphDrawn; ++x)
        glyphDrawn = GetPixel(dc, x, 8) != GetSysColor(COLOR_WINDOW);
    EXPECT_TRUE(glyphDrawn);
}

// What a screen reader asks through the accessibility client calls: each
// row's name, and as a check box whether it is ticked and, when greyed,
// that it cannot be changed.
TEST_F(CheckListTest, ScreenReadersHearRowNamesAndCheckStates) {
    ASSERT_TRUE(SUCCEEDED(CoInitialize(nullptr)));
    list->SetState(0, TCheckState::Grayed);
    list->SetState(1, TCheckState::Checked);
    {
        TComPtr<IAccessible> acc;
        ASSERT_EQ(AccessibleObjectFromWindow(list->Inner(), OBJID_CLIENT, __uuidof(IAccessible),
                                             acc.OutPtr()),
                  S_OK);
        ASSERT_TRUE(acc);
        LONG count = 0;
        EXPECT_EQ(acc->get_accChildCount(&count), S_OK);
        EXPECT_EQ(count, 3);
        auto child = [](LONG id) {
            VARIANT v;
            VariantInit(&v);
            v.vt = VT_I4;
            v.lVal = id;
            return v;
        };
        auto state = [&](LONG id) {
            VARIANT s;
            VariantInit(&s);
            EXPECT_EQ(acc->get_accState(child(id), &s), S_OK);
            return s.vt == VT_I4 ? s.lVal : -1;
        };
        const char* names[] = {"first", "second", "third"};
        for (LONG id = 1; id <= 3; ++id) {
            BSTR name = nullptr;
            ASSERT_EQ(acc->get_accName(child(id), &name), S_OK);
            char text[64] = {};
            WideCharToMultiByte(CP_ACP, 0, name, -1, text, sizeof text, nullptr, nullptr);
            SysFreeString(name);
            EXPECT_STREQ(text, names[id - 1]);
            VARIANT role;
            VariantInit(&role);
            EXPECT_EQ(acc->get_accRole(child(id), &role), S_OK);
            EXPECT_EQ(role.lVal, ROLE_SYSTEM_CHECKBUTTON);
        }
        EXPECT_EQ(state(1) & (STATE_SYSTEM_CHECKED | STATE_SYSTEM_READONLY),
                  STATE_SYSTEM_CHECKED | STATE_SYSTEM_READONLY);
        EXPECT_EQ(state(2) & (STATE_SYSTEM_CHECKED | STATE_SYSTEM_READONLY), STATE_SYSTEM_CHECKED);
        EXPECT_EQ(state(3) & (STATE_SYSTEM_CHECKED | STATE_SYSTEM_READONLY), 0);
        // The states follow the list, also through an object already handed out.
        list->SetCurrentRow(2);
        Space();
        EXPECT_EQ(state(3) & STATE_SYSTEM_CHECKED, STATE_SYSTEM_CHECKED);
        EXPECT_EQ(state(3) & STATE_SYSTEM_SELECTED, STATE_SYSTEM_SELECTED);
        // Beyond the rows and for the list itself the system's object answers.
        VARIANT none;
        VariantInit(&none);
        EXPECT_NE(acc->get_accState(child(4), &none), S_OK);
    }
    CoUninitialize();
}

}  // namespace
