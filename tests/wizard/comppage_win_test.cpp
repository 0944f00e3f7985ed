// The components page wired to a real check list, labels and Next button:
// the application row and the disk-space figures.
#include "tests/support/Offscreen_win.h"
#include "tests/wizard/controls_fixture_win.h"

#include "instutils/ResConst.h"
#include "wizard/CompPage_win.h"

namespace {

// The components page wired to real labels and a Next button.
struct CompPageTest : ::testing::Test {
    TControlHost host;
    TSelCompControls page;
    std::string mainDir;
    void SetUp() override {
        page.List = TCheckListBox::From(host.Child(TCheckListBox::ClassName, 10, 10, 345, 148));
        ASSERT_NE(page.List, nullptr);
        page.ReqLbl = host.Child("STATIC", 10, 170, 150, 13);
        page.AvailLbl = host.Child("STATIC", 10, 190, 150, 13);
        page.NextBtn = host.Child("BUTTON", 200, 170, 85, 22, "&Next >");
        page.MainDir = [this] { return mainDir; };
        page.RowToComponent = {0, 1, 2, 3, 4, 5};
        mainDir = GetTempFolder() + "Parvela";
        InitSelCompList(page);
        // As the settings load them on a first run.
        for (int row = 1; row < 6; ++row) page.List->SetState(row, TCheckState::Checked);
        page.List->SetState(0, TCheckState::Grayed);
        page.List->SetCurrentRow(1);
        const int32_t sizes[] = {3 << 20, 4096, 8192, 1 << 20, 20480, 0};
        for (int row = 0; row < 6; ++row) page.List->SetSize(row, sizes[row]);
    }
    void ClickGlyph(int row) {
        RECT rc = ItemRect(page.List->Inner(), row);
        ClickAt(page.List->Inner(), rc.left + 2, (rc.top + rc.bottom) / 2);
    }
};

TEST_F(CompPageTest, RowsCarryTheCatalogueNames) {
    ASSERT_EQ(page.List->RowCount(), ComponentCount);
    for (int row = 0; row < ComponentCount; ++row)
        EXPECT_EQ(page.List->RowText(row), ComponentNames[row]);
}

TEST_F(CompPageTest, FiguresFollowTheTicks) {
    EnterSelCompPage(page, nullptr);
    EXPECT_EQ(WindowTextOf(page.ReqLbl), "4 128 KB");
    auto free = QueryFreeSpace(mainDir);
    ASSERT_TRUE(free.has_value());
    EXPECT_EQ(WindowTextOf(page.AvailLbl), FormatSizeText(*free));
    EXPECT_TRUE(IsWindowEnabled(page.NextBtn));

    ClickGlyph(3);  // untick the 1 MB row
    EXPECT_EQ(page.List->State(3), TCheckState::Unchecked);
    EXPECT_EQ(WindowTextOf(page.ReqLbl), "3 104 KB");
    ClickGlyph(3);
    EXPECT_EQ(WindowTextOf(page.ReqLbl), "4 128 KB");
}

TEST_F(CompPageTest, TheApplicationRowCannotBeDeselected) {
    EnterSelCompPage(page, nullptr);
    const std::string shown = WindowTextOf(page.ReqLbl);
    // Change a size behind the page's back: a recompute would show it.
    page.List->SetSize(1, 10 << 20);
    ClickGlyph(0);
    EXPECT_EQ(page.List->State(0), TCheckState::Grayed);
    EXPECT_EQ(WindowTextOf(page.ReqLbl), shown);
    page.List->SetCurrentRow(0);
    SendMessageA(page.List->Inner(), WM_KEYDOWN, VK_SPACE, 0);
    EXPECT_EQ(page.List->State(0), TCheckState::Grayed);
    EXPECT_EQ(WindowTextOf(page.ReqLbl), shown);
    // Any other toggle recomputes with the current sizes.
    ClickGlyph(5);
    EXPECT_NE(WindowTextOf(page.ReqLbl), shown);
}

TEST_F(CompPageTest, UnknownDriveShowsNoSpaceAndBlocksNext) {
    mainDir = "Q:\\Parvela";  // no such drive in the prefix
    EnterSelCompPage(page, nullptr);
    EXPECT_EQ(WindowTextOf(page.AvailLbl), "0 KB");
    EXPECT_FALSE(IsWindowEnabled(page.NextBtn));
    EXPECT_FALSE(QueryFreeSpace("Apps").has_value());
    // Back on a real drive Next comes back.
    mainDir = GetTempFolder() + "Parvela";
    UpdateDiskSpace(page);
    EXPECT_TRUE(IsWindowEnabled(page.NextBtn));
}

// Draws the text part of `row` on white and reports the colours and the
// inked columns it used.
struct TDrawnRow {
    bool Grey = false, Black = false;
    int FirstInk = -1, LastInk = -1;
};
TDrawnRow DrawRow(const TCheckListBox& list, int row, int component) {
    constexpr int w = 300, h = 16;
    TOffscreen image(w, h);
    const HDC dc = image.Dc();
    TSelectObject font(dc, GetStockObject(DEFAULT_GUI_FONT));
    RECT rc{0, 0, w, h};
    FillRect(dc, &rc, static_cast<HBRUSH>(GetStockObject(WHITE_BRUSH)));
    SetBkMode(dc, TRANSPARENT);
    SetTextColor(dc, RGB(0, 0, 0));
    SelCompLstBxDrawItem(dc, list, row, rc, component);
    TDrawnRow out;
    for (int x = 0; x < w; ++x)
        for (int y = 0; y < h; ++y) {
            COLORREF c = GetPixel(dc, x, y);
            if (c == RGB(255, 255, 255)) continue;
            if (out.FirstInk < 0) out.FirstInk = x;
            out.LastInk = x;
            if (c == GetSysColor(COLOR_GRAYTEXT)) out.Grey = true;
            if (c == RGB(0, 0, 0)) out.Black = true;
        }
    return out;
}

TEST_F(CompPageTest, ApplicationRowIsGreyAndSizesSitAtTheRight) {
    ASSERT_NE(GetSysColor(COLOR_GRAYTEXT), RGB(0, 0, 0));
    TDrawnRow app = DrawRow(*page.List, 0, 0);
    EXPECT_TRUE(app.Grey);
    EXPECT_FALSE(app.Black);
    TDrawnRow other = DrawRow(*page.List, 1, 1);
    EXPECT_TRUE(other.Black);
    EXPECT_FALSE(other.Grey);
    // Name from left + 2, size text ending 2 pixels before the right edge.
    for (const TDrawnRow& r : {app, other}) {
        EXPECT_GE(r.FirstInk, 2);
        EXPECT_LT(r.FirstInk, 6);
        EXPECT_LE(r.LastInk, 300 - 3);
        EXPECT_GE(r.LastInk, 300 - 8);
    }
}

}  // namespace
