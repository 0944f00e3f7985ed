// The destination-folder page put together: edit, folder list, drive box and
// the drive timer, on real folders and on a drive that comes and goes.
#include "tests/support/ImportPatch_win.h"
#include "tests/wizard/controls_fixture_win.h"

#include "wizard/FolderPage.h"
#include "wizard/Texts.h"
#include "wizard/FolderPage_win.h"

namespace {

struct FolderPageTest : ::testing::Test {
    TControlHost host;
    HWND edit = nullptr;
    TDirectoryListBox* list = nullptr;
    TDriveBox* box = nullptr;
    bool ready = false;
    const std::string pf = ProgramFilesFolder();
    void SetUp() override {
        edit = host.Child("EDIT", 10, 10, 345, 21, "", ES_AUTOHSCROLL);
        list = TDirectoryListBox::From(host.Child(TDirectoryListBox::ClassName, 10, 40, 345, 174));
        box = TDriveBox::From(host.Child(TDriveBox::ClassName, 10, 220, 345, 19));
        ASSERT_NE(list, nullptr);
        ASSERT_NE(box, nullptr);
        ASSERT_FALSE(pf.empty());
    }
    void Init(const std::string& mainDir) {
        InitDestDirPage(edit, *box, *list, mainDir, [this] { return ready; });
        ready = true;  // the window sets it as the last step of its construction
    }
    std::string Edit() const { return WindowTextOf(edit); }
};

// The rules an unattended run shares with the page, on real folders.
TEST(CheckMainFolder, RefusesTheWindowsFolderAndFlagsSomeoneElsesFiles) {
    char windows[MAX_PATH] = {};
    ASSERT_GT(GetSystemWindowsDirectoryA(windows, MAX_PATH), 0u);
    const std::string pf = ProgramFilesFolder(), scratch = GetTempFolder() + "checkmainfolder";
    for (const char* sub : {"", "\\foreign", "\\ours", "\\empty"})
        CreateDirectoryA((scratch + sub).c_str(), nullptr);
    for (const char* file : {"\\foreign\\License.txt", "\\ours\\Install.log"})
        TUniqueHandle(CreateFileA((scratch + file).c_str(), GENERIC_WRITE, 0, nullptr,
                                  CREATE_ALWAYS, 0, nullptr));
    const struct {
        std::string text;
        TFolderProblem problem;
    } cases[] = {
        {pf + "\\..\\" + std::string(windows + 3) + "\\System32", TFolderProblem::WindowsFolder},
        {LowerAsciiText(windows), TFolderProblem::WindowsFolder},
        {std::string(windows) + "Apps", TFolderProblem::None},
        {pf + "\\...\\Parv3", TFolderProblem::TrailingDot},
        {scratch + "\\foreign", TFolderProblem::ForeignFiles},
        {scratch + "\\ours", TFolderProblem::None},
        {scratch + "\\empty", TFolderProblem::None},
        {scratch + "\\new", TFolderProblem::None},
    };
    for (const auto& c : cases) {
        std::string mainDir;
        EXPECT_EQ(CheckMainFolder(c.text, 'c', nullptr, mainDir).Problem, c.problem) << c.text;
    }
    std::string mainDir;
    EXPECT_EQ(CheckMainFolder(scratch + "\\foreign\\", 'c', nullptr, mainDir).Detail,
              scratch + "\\foreign");
    EXPECT_EQ(mainDir, scratch + "\\foreign");
    for (const char* file : {"\\foreign\\License.txt", "\\ours\\Install.log"})
        DeleteFileA((scratch + file).c_str());
    for (const char* sub : {"\\foreign", "\\ours", "\\empty", ""})
        RemoveDirectoryA((scratch + sub).c_str());
}

TEST_F(FolderPageTest, ConstructionKeepsTheFullMainFolder) {
    TTempTree tree(GetTempFolder(), "init");
    const std::string mainDir = tree.Root + "\\Not\\Yet\\Parvela";
    Init(mainDir);
    EXPECT_EQ(Edit(), mainDir);
    EXPECT_EQ(list->Directory(), tree.Root);
    EXPECT_EQ(box->Drive(), LowerAscii(tree.Root[0]));

    // Once ready, picking a folder in the list writes it, normalised.
    tree.Make("Sub");
    list->SetDirectory(tree.Root + "\\Sub\\");
    EXPECT_EQ(Edit(), tree.Root + "\\Sub");
    // The drive root proposes the product folder on it.
    list->SetDirectory(tree.Root.substr(0, 3));
    EXPECT_EQ(Edit(), tree.Root.substr(0, 2) + "\\Parvela");
}

// Construction reads only the drive mask; listed later, the box shows the
// drive of the main folder, as if it had been listed from the start.
TEST_F(FolderPageTest, DrivesListedLaterShowTheMainFolderDrive) {
    Init(pf + "\\Parvela");
    HWND combo = box->Inner();
    EXPECT_EQ(SendMessageA(combo, CB_GETCOUNT, 0, 0), 0);
    EXPECT_EQ(box->Mask(), GetLogicalDrives());
    box->ListDrives();
    ASSERT_GT(SendMessageA(combo, CB_GETCOUNT, 0, 0), 0);
    const LRESULT shown = SendMessageA(combo, CB_GETCURSEL, 0, 0);
    ASSERT_GE(shown, 0);
    char text[MAX_PATH + 8] = {};
    ASSERT_LT(SendMessageA(combo, CB_GETLBTEXTLEN, static_cast<WPARAM>(shown), 0),
              static_cast<LRESULT>(sizeof text));
    SendMessageA(combo, CB_GETLBTEXT, static_cast<WPARAM>(shown), reinterpret_cast<LPARAM>(text));
    EXPECT_EQ(std::string(text, 2), std::string(1, LowerAscii(pf[0])) + ":");
    EXPECT_EQ(box->SelectedText(), text);
}

TEST_F(FolderPageTest, TypedTextIsNormalisedWithTheBoxDrive) {
    Init(pf + "\\Parvela");
    struct Case {
        const char* typed;
        std::string expected;
    };
    const Case cases[] = {
        {"  Apps  ", std::string(1, box->Drive()) + ":\\Parvela"},
        {"  E:\\Apps\\Editor\\ ", "E:\\Apps\\Editor"},
        {"D:\\", "D:\\Parvela"},
    };
    for (const Case& c : cases) {
        SetWindowTextA(edit, c.typed);
        NormalizeDestDir(edit, *box);
        EXPECT_EQ(Edit(), c.expected) << c.typed;
    }
    SetWindowTextA(edit, pf.c_str());
    NormalizeDestDir(edit, *box);
    EXPECT_EQ(Edit(), pf + "\\Parvela");
}

TEST_F(FolderPageTest, ChoosingTheRemovableDriveProposesItsRoot) {
    Init(pf + "\\Parvela");
    box->SetDrive('r');
    EXPECT_TRUE(TextEqualsIgnoreCase(Edit(), "R:\\Parvela")) << Edit();
    box->SetDrive(pf[0]);
    EXPECT_TRUE(TextEqualsIgnoreCase(list->Directory(), pf) ||
                TextEqualsIgnoreCase(list->Directory(), pf + "\\Parvela"))
        << list->Directory();
    EXPECT_TRUE(TextEqualsIgnoreCase(Edit(), pf + "\\Parvela")) << Edit();
}

TEST_F(FolderPageTest, DriveTimerFollowsAStickThatComesAndGoes) {
    TTempTree stickFolder(GetTempFolder(), "stick");
    TTempTree shown(GetTempFolder(), "shown");
    Init(shown.Root);
    const std::string before = Edit();
    DriveTimerTick(*box);  // nothing changed: nothing moves
    EXPECT_EQ(Edit(), before);
    EXPECT_EQ(list->Directory(), shown.Root);

    const char letter = FreeDriveLetter();
    ASSERT_NE(letter, 0);
    TTestDrive stick(letter, stickFolder.Root);
    ASSERT_TRUE(stick.Defined);
    DriveTimerTick(*box);
    EXPECT_EQ(box->Drive(), LowerAscii(letter));
    EXPECT_EQ(box->SelectedText().substr(0, 2), std::string(1, LowerAscii(letter)) + ":");
    EXPECT_TRUE(TextEqualsIgnoreCase(Edit(), std::string(1, letter) + ":\\Parvela")) << Edit();

    stick.Remove();
    DriveTimerTick(*box);
    EXPECT_EQ(box->Drive(), LowerAscii(pf[0]));
    EXPECT_TRUE(TextEqualsIgnoreCase(Edit(), pf + "\\Parvela")) << Edit();
    for (int i = 0; i < box->ItemCount(); ++i) EXPECT_NE(box->ItemText(i)[0], LowerAscii(letter));
}

TEST_F(FolderPageTest, DriveTimerKeepsTheShownDriveWhenAnotherGoes) {
    TTempTree stickFolder(GetTempFolder(), "other");
    Init(GetTempFolder());
    const char letter = FreeDriveLetter();
    ASSERT_NE(letter, 0);
    TTestDrive stick(letter, stickFolder.Root);
    ASSERT_TRUE(stick.Defined);
    DriveTimerTick(*box);  // moves to the new drive
    box->SetDrive('r');    // the user goes to R:
    const std::string shownText = box->SelectedText();
    const std::string folder = list->Directory();
    stick.Remove();
    DriveTimerTick(*box);
    EXPECT_EQ(box->Drive(), 'r');
    EXPECT_EQ(box->SelectedText(), shownText);
    EXPECT_EQ(list->Directory(), folder);
}

}  // namespace

namespace {

// A standard user's refusals, made here as the system reports them (Wine
// lets every process write everywhere).
BOOL WINAPI RefuseFolders(LPCSTR, LPSECURITY_ATTRIBUTES) {
    SetLastError(ERROR_ACCESS_DENIED);
    return FALSE;
}

TEST(FolderPlace, AFolderThatCannotBeMadeIsRefusedBeforeTheRun) {
    char temp[MAX_PATH];
    ASSERT_GT(GetTempPathA(MAX_PATH, temp), 0u);
    const std::string folder = std::string(temp) + "not made yet\\Parvela";
    EXPECT_EQ(CheckMainDirPlace(folder, nullptr).Problem, TFolderProblem::None);
    ImportPatch refuse("kernel32.dll", "CreateDirectoryA", reinterpret_cast<void*>(RefuseFolders));
    ASSERT_TRUE(refuse.Active());
    const TFolderCheck check = CheckMainDirPlace(folder, nullptr);
    EXPECT_EQ(check.Problem, TFolderProblem::NotWritable);
    EXPECT_NE(FolderProblemMessage(check).find("administrator"), std::string::npos);
}

}  // namespace
