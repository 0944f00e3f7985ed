// The driver against a small window program of known behaviour.
#include <gtest/gtest.h>

#include <chrono>

#include "tests/e2e/Driver.h"
#include "tests/e2e/Machine.h"
#include "tests/e2e/Walk.h"
#include "tests/e2e/WineWindows.h"

using namespace e2e;

namespace {

const std::string Fake = std::string(PARVELA_BIN_DIR) + "\\e2e_fake_wizard.exe";
// The fake wizard's control IDs.
namespace ctl_id {
constexpr int Title = 1001, Hidden = 1200, Tick = 1300, Disabled = 1301, List = 1400, Edit = 1500;
}  // namespace ctl_id

LRESULT RowData(HWND list, int row) { return SendMessageA(list, LB_GETITEMDATA, row, 0); }

class FakeWizard : public ::testing::Test {
protected:
    void SetUp() override {
        std::string error;
        proc = Process::Start(Fake, "", &error);
        ASSERT_TRUE(proc.Started()) << error;
        auto w = Wizard::Attach(proc, Ms(20000));
        ASSERT_TRUE(w.has_value()) << "no window";
        wiz.emplace(*w);
    }
    Process proc;
    std::optional<Wizard> wiz;
};

}  // namespace

TEST(DriverProcess, ReportsExitCodesAndBoundsEveryWait) {
    std::string error;
    Process missing =
        Process::Start(std::string(PARVELA_BIN_DIR) + "\\no-such-program.exe", "", &error);
    EXPECT_FALSE(missing.Started());
    EXPECT_NE(error.find("no-such-program.exe"), std::string::npos);
    EXPECT_FALSE(missing.WaitExit(Ms(10)).has_value());

    Process quick = Process::Start(Fake, "-exit 7");
    ASSERT_TRUE(quick.Started());
    EXPECT_EQ(quick.WaitExit(Ms(20000)), std::optional<DWORD>(7));

    // A program that never shows a window fails the attach in bounded time
    // and is ended by its owner.
    Process hung = Process::Start(Fake, "-hang");
    ASSERT_TRUE(hung.Started());
    const auto t0 = std::chrono::steady_clock::now();
    EXPECT_FALSE(Wizard::Attach(hung, Ms(500)).has_value());
    EXPECT_FALSE(hung.WaitExit(Ms(200)).has_value());
    EXPECT_LT(std::chrono::steady_clock::now() - t0, Ms(5000));
    EXPECT_TRUE(hung.Running());
    hung.Kill();
    EXPECT_FALSE(hung.Running());
    EXPECT_EQ(hung.WaitExit(Ms(1000)), std::optional<DWORD>(255));
}

TEST_F(FakeWizard, FindsTheWindowAndItsControlsIncludingHiddenOnes) {
    EXPECT_EQ(GetText(wiz->Window()), WizardCaption);
    const SIZE size = ClientSize(wiz->Window());
    EXPECT_EQ(size.cx, 492);
    EXPECT_EQ(size.cy, 351);

    HWND hidden = FindById(wiz->Window(), ctl_id::Hidden);
    ASSERT_NE(hidden, nullptr);
    EXPECT_FALSE(IsShown(hidden));
    EXPECT_EQ(FindByText(wiz->Window(), "Hidden text"), hidden);
    EXPECT_EQ(FindByText(wiz->Window(), "Hidden text", "Button"), nullptr);
    EXPECT_EQ(FindByText(wiz->Window(), "&Tick me", "button"),
              FindById(wiz->Window(), ctl_id::Tick));
    EXPECT_EQ(FindByClass(wiz->Window(), "ListBox").size(), 1u);

    const RECT title = RectIn(FindById(wiz->Window(), ctl_id::Title), wiz->Window());
    EXPECT_EQ(title.left, 20);
    EXPECT_EQ(title.top, 14);
}

TEST_F(FakeWizard, ClicksOnlyWhatAUserCouldClick) {
    HWND tick = FindById(wiz->Window(), ctl_id::Tick);
    EXPECT_EQ(CheckState(tick), BST_UNCHECKED);
    ASSERT_TRUE(Click(tick));
    EXPECT_TRUE(WaitUntil([&] { return CheckState(tick) == BST_CHECKED; }, Ms(3000)));
    ASSERT_TRUE(Click(tick));
    EXPECT_TRUE(WaitUntil([&] { return CheckState(tick) == BST_UNCHECKED; }, Ms(3000)));

    EXPECT_FALSE(IsEnabledWindow(FindById(wiz->Window(), ctl_id::Disabled)));
    EXPECT_FALSE(Click(FindById(wiz->Window(), ctl_id::Disabled)));
    EXPECT_FALSE(Click(FindById(wiz->Window(), ctl_id::Hidden)));
    EXPECT_FALSE(Click(nullptr));

    HWND edit = FindById(wiz->Window(), ctl_id::Edit);
    EXPECT_EQ(GetText(edit), "initial");
    EXPECT_TRUE(SetText(edit, "  D:\\Somewhere\\ "));
    EXPECT_EQ(GetText(edit), "  D:\\Somewhere\\ ");
}

TEST_F(FakeWizard, FollowsThePageTitleThroughNextAndBack) {
    EXPECT_EQ(wiz->PageTitle(), "Page One");
    ASSERT_TRUE(wiz->Next());
    EXPECT_TRUE(wiz->WaitPage("Page Two", Ms(3000)));
    ASSERT_TRUE(wiz->Back());
    EXPECT_TRUE(wiz->WaitPage("Page One", Ms(3000)));
    EXPECT_FALSE(wiz->WaitPage("Page Three", Ms(200)));
}

TEST_F(FakeWizard, TogglesOwnerDrawnRowsAtTheGlyphOrWithSpace) {
    HWND list = FindById(wiz->Window(), ctl_id::List);
    ASSERT_NE(list, nullptr);
    const int rowHeight = static_cast<int>(SendMessageA(list, LB_GETITEMHEIGHT, 0, 0));
    ASSERT_GT(rowHeight, 0);
    // On the glyph of row 2: toggles; on its text: selects only.
    ASSERT_TRUE(ClickAt(list, 6, 2 * rowHeight + rowHeight / 2));
    EXPECT_TRUE(WaitUntil([&] { return RowData(list, 2) == 1; }, Ms(3000)));
    ASSERT_TRUE(ClickAt(list, 100, 2 * rowHeight + rowHeight / 2));
    Sleep(300);
    EXPECT_EQ(RowData(list, 2), 1);
    EXPECT_EQ(RowData(list, 0), 0);
    // Space toggles the current row, which the click above made row 2.
    ASSERT_TRUE(PressKey(list, VK_SPACE));
    EXPECT_TRUE(WaitUntil([&] { return RowData(list, 2) == 0; }, Ms(3000)));
}

TEST_F(FakeWizard, ReadsAndAnswersItsMessageBoxByCaption) {
    EXPECT_FALSE(wiz->WaitMessageBox(Ms(100)).has_value());
    ASSERT_TRUE(wiz->Cancel());
    auto box = wiz->WaitMessageBox(Ms(5000));
    ASSERT_TRUE(box.has_value());
    EXPECT_EQ(box->title, "Confirm");
    EXPECT_EQ(box->text, "Setup is not complete.\rReally quit?");
    EXPECT_EQ(box->buttons, (std::vector<std::string>{"&No", "&Abort"}));
    EXPECT_FALSE(IsEnabledWindow(wiz->Window()));

    EXPECT_FALSE(Answer(*box, "&Retry"));
    ASSERT_TRUE(Answer(*box, "&No"));
    EXPECT_TRUE(WaitUntil([&] { return IsEnabledWindow(wiz->Window()); }, Ms(3000)));
    EXPECT_TRUE(proc.Running());

    // The close box leads to the same question; Abort ends the program.
    ASSERT_TRUE(RequestClose(wiz->Window()));
    box = wiz->WaitMessageBox(Ms(5000));
    ASSERT_TRUE(box.has_value());
    ASSERT_TRUE(Answer(*box, "&Abort"));
    EXPECT_EQ(proc.WaitExit(Ms(10000)), std::optional<DWORD>(3));
    EXPECT_FALSE(wiz->Alive());
}

TEST_F(FakeWizard, ScreenshotIsABitmapOfTheWholeWindow) {
    const std::string path = TempFolder() + "e2e-driver-shot.bmp";
    Sleep(300);
    ASSERT_TRUE(wiz->Screenshot(path));
    const auto data = ReadWholeFile(path);
    DeleteTree(path);
    ASSERT_TRUE(data.has_value());
    ASSERT_GT(data->size(), sizeof(BITMAPFILEHEADER) + sizeof(BITMAPINFOHEADER));
    EXPECT_EQ(data->substr(0, 2), "BM");
    BITMAPINFOHEADER bih;
    memcpy(&bih, data->data() + sizeof(BITMAPFILEHEADER), sizeof bih);
    RECT r;
    GetWindowRect(wiz->Window(), &r);
    EXPECT_EQ(bih.biWidth, r.right - r.left);
    EXPECT_EQ(bih.biHeight, r.bottom - r.top);
    EXPECT_EQ(bih.biBitCount, 24);
    // A blank capture would be one colour; the window has text and frames.
    const std::string pixels = data->substr(sizeof(BITMAPFILEHEADER) + sizeof bih);
    EXPECT_NE(pixels.find_first_not_of(pixels[0]), std::string::npos);

    EXPECT_FALSE(SaveScreenshot(FindById(wiz->Window(), ctl_id::Hidden), path));
}

TEST(DriverMachine, DamagesOnlyTheMiddleOfAResource) {
    const std::string copy = TempFolder() + "e2e-damaged-copy.exe";
    const std::string original = ReadResource(Fake, "FILES", "FILES");
    ASSERT_GT(original.size(), 100u);
    std::string error;
    ASSERT_TRUE(CorruptResourceCopy(Fake, copy, "FILES", "FILES", 8, &error)) << error;
    const std::string damaged = ReadResource(copy, "FILES", "FILES");
    ASSERT_EQ(damaged.size(), original.size());
    size_t first = std::string::npos, last = 0, changed = 0;
    for (size_t i = 0; i < original.size(); ++i)
        if (original[i] != damaged[i]) {
            first = std::min(first, i);
            last = i;
            ++changed;
        }
    EXPECT_EQ(changed, 8u);
    EXPECT_EQ(last - first, 7u);
    EXPECT_GT(first, original.size() / 4);
    EXPECT_LT(last, original.size() * 3 / 4);

    EXPECT_FALSE(CorruptResourceCopy(Fake, copy, "FILES", "NOSUCH", 8, &error));
    EXPECT_FALSE(error.empty());
    EXPECT_TRUE(DeleteTree(copy));
}

TEST(DriverMachine, DeletesTreesWithReadOnlyEntries) {
    const std::string root = TempFolder() + "e2e-tree";
    ASSERT_TRUE(DeleteTree(root));
    ASSERT_TRUE(CreateDirectoryA(root.c_str(), nullptr));
    ASSERT_TRUE(CreateDirectoryA((root + "\\sub").c_str(), nullptr));
    ASSERT_TRUE(WriteWholeFile(root + "\\sub\\a.txt", "a\r\nb\r\n"));
    ASSERT_TRUE(SetFileAttributesA((root + "\\sub\\a.txt").c_str(), FILE_ATTRIBUTE_READONLY));
    EXPECT_EQ(ReadLines(root + "\\sub\\a.txt"), (std::vector<std::string>{"a", "b"}));
    EXPECT_EQ(ListFolder(root), std::vector<std::string>{"sub"});
    EXPECT_TRUE(DeleteTree(root));
    EXPECT_FALSE(FolderExists(root));
}

TEST(DriverMachine, LinksAndUnlinksARemovableDrive) {
    // A folder of the Linux side, reached through Z:, becomes drive S:.
    const std::string folder = std::string(PARVELA_BIN_DIR) + "\\..\\e2e_drive_s";
    CreateDirectoryA(folder.c_str(), nullptr);
    char full[MAX_PATH];
    ASSERT_TRUE(GetFullPathNameA(folder.c_str(), MAX_PATH, full, nullptr));
    const std::string unix = UnixPathOf(full);
    ASSERT_FALSE(unix.empty()) << full;
    EXPECT_EQ(UnixPathOf("C:\\x"), "");

    UnlinkDrive('S');
    ASSERT_FALSE(DrivePresent('S'));
    ASSERT_TRUE(LinkRemovableDrive('S', unix));
    EXPECT_TRUE(DrivePresent('S'));
    EXPECT_EQ(GetDriveTypeA("S:\\"), static_cast<UINT>(DRIVE_REMOVABLE));
    EXPECT_TRUE(WriteWholeFile("S:\\probe.txt", "x"));
    EXPECT_TRUE(FileExists(std::string(full) + "\\probe.txt"));
    EXPECT_TRUE(DeleteTree("S:\\probe.txt"));
    EXPECT_TRUE(UnlinkDrive('S'));
    EXPECT_FALSE(DrivePresent('S'));
    EXPECT_TRUE(DeleteTree(full));
}

TEST(DriverWalk, StopsWhereNextLeadsNowhereAndQuitsThroughTheQuestion) {
    const std::string shots = TempFolder() + "e2e-fake-walk";
    DeleteTree(shots);
    ASSERT_TRUE(CreateDirectoryA(shots.c_str(), nullptr));
    WalkOptions o;
    o.exe = Fake;
    o.shotDir = shots;
    o.pageSeconds = 2;
    std::vector<std::string> log;
    const WalkResult r = WalkWizard(o, [&](const std::string& line) { log.push_back(line); });
    EXPECT_EQ(r.pages, (std::vector<std::string>{"Page One", "Page Two"}));
    EXPECT_EQ(r.stopped, "Next did not leave \"Page Two\"");
    ASSERT_EQ(r.boxes.size(), 1u);
    EXPECT_EQ(r.boxes[0], "Confirm: Setup is not complete. Really quit?");
    EXPECT_EQ(r.exitCode, 3);
    EXPECT_EQ(ListFolder(shots),
              (std::vector<std::string>{"99-Page One.bmp", "99-Page Two.bmp", "box-1-quit.bmp"}));
    EXPECT_FALSE(log.empty());
    EXPECT_TRUE(DeleteTree(shots));

    // A program that cannot be started ends the walk at once.
    o.exe = std::string(PARVELA_BIN_DIR) + "\\no-such-program.exe";
    const WalkResult none = WalkWizard(o, nullptr);
    EXPECT_TRUE(none.pages.empty());
    EXPECT_NE(none.stopped.find("no-such-program.exe"), std::string::npos);
    EXPECT_EQ(none.exitCode, -1);
}
