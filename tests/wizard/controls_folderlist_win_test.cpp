// The folder list and the drive box on real folders and drives of the prefix.
#include "tests/wizard/controls_fixture_win.h"

#include "wizard/FolderPage.h"

namespace {

std::string CurrentProcessFolder() {
    char buf[MAX_PATH] = {};
    GetCurrentDirectoryA(sizeof buf, buf);
    return buf;
}

std::vector<std::string> ListTexts(HWND list) {
    std::vector<std::string> texts;
    int n = static_cast<int>(SendMessageA(list, LB_GETCOUNT, 0, 0));
    for (int i = 0; i < n; ++i) {
        char buf[MAX_PATH] = {};
        SendMessageA(list, LB_GETTEXT, i, reinterpret_cast<LPARAM>(buf));
        texts.emplace_back(buf);
    }
    return texts;
}

struct FolderListTest : ::testing::Test {
    TControlHost host;
    TDirectoryListBox* list = nullptr;
    TDriveBox* box = nullptr;
    int changes = 0;
    void SetUp() override {
        list = TDirectoryListBox::From(host.Child(TDirectoryListBox::ClassName, 10, 10, 345, 174));
        box = TDriveBox::From(host.Child(TDriveBox::ClassName, 10, 190, 345, 19));
        ASSERT_NE(list, nullptr);
        ASSERT_NE(box, nullptr);
        box->SetFolderList(list);
        list->SetDriveBox(box);
        list->OnChange = [this] { ++changes; };
    }
};

TEST_F(FolderListTest, ShowsTheChainAndSortedSubFolders) {
    TTempTree tree(GetTempFolder(), "rows");
    tree.Make("Gamma\\Inner");
    tree.Make("alpha");
    tree.Make("Beta");
    const std::string before = CurrentProcessFolder();

    list->SetDirectory(tree.Root);
    EXPECT_EQ(list->Directory(), tree.Root);
    EXPECT_EQ(changes, 1);
    const auto& rows = list->Rows();
    const int depth = FolderDepth(tree.Root);
    ASSERT_EQ(rows.size(), static_cast<size_t>(depth + 1 + 3));
    EXPECT_EQ(rows[0].Path, tree.Root.substr(0, 3));
    EXPECT_EQ(rows[depth].Path, tree.Root);
    std::vector<std::string> subs;
    for (size_t i = depth + 1; i < rows.size(); ++i) {
        EXPECT_FALSE(rows[i].Open);
        EXPECT_EQ(FolderRowIndent(rows[i]), 12 * depth + 15);
        subs.push_back(rows[i].Text);
    }
    for (int k = 0; k <= depth; ++k) EXPECT_EQ(FolderRowIndent(rows[k]), 12 * k + 3);
    if (list->CasePreserved())
        EXPECT_EQ(subs, (std::vector<std::string>{"alpha", "Beta", "Gamma"}));
    else
        EXPECT_EQ(subs, (std::vector<std::string>{"alpha", "beta", "gamma"}));
    // The window shows the same rows, with the current folder as current row.
    std::vector<std::string> texts;
    for (const auto& r : rows) texts.push_back(r.Text);
    EXPECT_EQ(ListTexts(list->Inner()), texts);
    EXPECT_EQ(list->CurrentRow(), depth);
    // The list keeps its folder to itself.
    EXPECT_EQ(CurrentProcessFolder(), before);

    // The same folder again, also with a trailing backslash, is no change.
    list->SetDirectory(tree.Root + "\\");
    if (!list->CaseSensitive()) list->SetDirectory(LowerAsciiText(tree.Root));
    EXPECT_EQ(changes, 1);

    list->SetDirectory(tree.Root + "\\Gamma");
    ASSERT_EQ(list->Rows().size(), static_cast<size_t>(depth + 3));
    EXPECT_EQ(list->Rows().back().Path, tree.Root + "\\Gamma\\Inner");
    EXPECT_EQ(list->CurrentRow(), depth + 1);
    EXPECT_EQ(changes, 2);
}

TEST_F(FolderListTest, MissingFoldersShowTheNearestExistingParent) {
    TTempTree tree(GetTempFolder(), "walk");
    tree.Make("Gamma");
    list->SetDirectory(tree.Root + "\\Gamma\\missing\\deeper\\");
    EXPECT_EQ(list->Directory(), tree.Root + "\\Gamma");
    // On a drive that does not exist only the root is left.
    list->SetDirectory("Q:\\nothing\\here");
    EXPECT_EQ(list->Directory(), "Q:\\");
    ASSERT_EQ(list->Rows().size(), 1u);
    // Texts without a drive do not move the list.
    int before = changes;
    list->SetDirectory("Apps");
    EXPECT_EQ(list->Directory(), "Q:\\");
    EXPECT_EQ(changes, before);
}

TEST_F(FolderListTest, DoubleClickOpensTheRowsFolder) {
    TTempTree tree(GetTempFolder(), "dbl");
    tree.Make("Inner");
    list->SetDirectory(tree.Root);
    const int depth = FolderDepth(tree.Root);
    RECT sub = ItemRect(list->Inner(), depth + 1);
    ClickAt(list->Inner(), sub.left + 40, (sub.top + sub.bottom) / 2, true);
    EXPECT_EQ(list->Directory(), tree.Root + "\\Inner");
    RECT root = ItemRect(list->Inner(), 0);
    ClickAt(list->Inner(), root.left + 20, (root.top + root.bottom) / 2, true);
    EXPECT_EQ(list->Directory(), tree.Root.substr(0, 3));
    EXPECT_EQ(list->CurrentRow(), 0);
}

TEST_F(FolderListTest, DriveBoxListsHardAndRemovableDrivesOnly) {
    const DWORD mask = GetLogicalDrives();
    ASSERT_TRUE(mask & (1u << ('R' - 'A'))) << "scripts/wine-up links R: as removable";
    int c = -1, r = -1;
    char previous = 0;
    for (int i = 0; i < box->ItemCount(); ++i) {
        std::string text = box->ItemText(i);
        ASSERT_GE(text.size(), 3u);
        EXPECT_EQ(text.substr(1, 2), ": ");
        EXPECT_EQ(text, LowerAsciiText(text));
        EXPECT_GT(text[0], previous) << "letter order";
        previous = text[0];
        EXPECT_TRUE(text[0] >= 'c' && text[0] <= 'z') << text;
        char root[4] = {text[0], ':', '\\', 0};
        EXPECT_NE(GetDriveTypeA(root), static_cast<UINT>(DRIVE_CDROM)) << text;
        if (text[0] == 'c') c = i;
        if (text[0] == 'r') r = i;
    }
    ASSERT_GE(c, 0);
    ASSERT_GE(r, 0);
    EXPECT_FALSE(box->ItemRemovable(c));
    EXPECT_TRUE(box->ItemRemovable(r));
    // Every present drive from C: on that is not a CD-ROM drive has its item.
    int expected = 0;
    for (char d = 'C'; d <= 'Z'; ++d) {
        char root[4] = {d, ':', '\\', 0};
        if ((mask >> (d - 'A') & 1) && GetDriveTypeA(root) != DRIVE_CDROM) ++expected;
    }
    EXPECT_EQ(box->ItemCount(), expected);
    EXPECT_EQ(box->Mask(), mask);
}

TEST_F(FolderListTest, DriveBoxAndListFollowEachOther) {
    TTempTree onC(GetTempFolder(), "follow");
    list->SetDirectory(onC.Root);
    EXPECT_EQ(box->Drive(), LowerAscii(onC.Root[0]));
    EXPECT_EQ(box->SelectedText().substr(0, 2), std::string(1, box->Drive()) + ":");
    // The box moved without moving the list back.
    EXPECT_EQ(list->Directory(), onC.Root);

    // R: has no such path: its root.
    int before = changes;
    box->SetDrive('R');
    EXPECT_EQ(box->Drive(), 'r');
    EXPECT_EQ(box->SelectedText().substr(0, 2), "r:");
    EXPECT_TRUE(TextEqualsIgnoreCase(list->Directory(), "R:\\")) << list->Directory();
    EXPECT_EQ(changes, before + 1);
    box->SetDrive('r');  // the shown drive again: nothing happens
    EXPECT_EQ(changes, before + 1);

    // The same path on the other drive when it exists there.
    TTempTree c("C:\\", "same"), r("R:\\", "same");
    list->SetDirectory(c.Root);
    box->SetDrive('r');
    EXPECT_TRUE(TextEqualsIgnoreCase(list->Directory(), r.Root)) << list->Directory();
}

TEST_F(FolderListTest, ChoosingTheProgramFilesDrivePrefersTheProductFolder) {
    const std::string pf = GetShellFolder(CSIDL_PROGRAM_FILES_);
    ASSERT_FALSE(pf.empty());
    const std::string product = pf + "\\Parvela";
    // An installation in this prefix may already have made the product folder.
    const bool existed = FolderExists(product);
    list->SetDirectory("R:\\");
    box->SetDrive(pf[0]);
    EXPECT_EQ(list->Directory(), existed ? product : pf);
    if (existed) return;

    struct Made {
        std::string Path;
        ~Made() { RemoveDirectoryA(Path.c_str()); }
    } made{product};
    ASSERT_TRUE(CreateDirectoryA(product.c_str(), nullptr));
    list->SetDirectory("R:\\");
    box->SetDrive(pf[0]);
    EXPECT_EQ(list->Directory(), product);
    list->SetDirectory("R:\\");  // not inside the folder when it goes
}

TEST_F(FolderListTest, ChoosingADriveInTheBoxMovesTheList) {
    list->SetDirectory(GetTempFolder());
    ASSERT_EQ(box->Drive(), 'c');
    // Keyboard down through the closed box until R: is shown.
    SetFocus(box->Inner());
    for (int i = 0; i < box->ItemCount() && box->Drive() != 'r'; ++i)
        SendMessageA(box->Inner(), WM_KEYDOWN, VK_DOWN, 0);
    EXPECT_EQ(box->Drive(), 'r');
    EXPECT_EQ(list->Directory().substr(0, 2), "r:");
}

}  // namespace
