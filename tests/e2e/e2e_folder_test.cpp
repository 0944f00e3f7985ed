// The folder page: typed folders and drives that come and go.
#include <algorithm>

#include "tests/e2e/SetupTest.h"

using namespace e2e;

namespace {

bool SamePath(const std::string& a, const std::string& b) {
    return a.size() == b.size() && _stricmp(a.c_str(), b.c_str()) == 0;
}

}  // namespace

TEST_F(SetupTest, TypedFoldersAreNormalisedWhenLeavingThePageWithNextAndInstalledInto) {
    const std::string programFiles = KnownFolder(CSIDL_PROGRAM_FILES);
    const struct {
        std::string typed, expected;
    } cases[] = {
        {"  C:\\Apps\\Editor  ", "C:\\Apps\\Editor"},
        {"C:\\Apps\\Editor\\", "C:\\Apps\\Editor"},
        {"C:\\", "C:\\Parvela"},
        {"C:", "C:\\Parvela"},
        // No drive part: the drive box's drive, and what was typed is dropped.
        {"Apps", "C:\\Parvela"},
        {programFiles, programFiles + "\\Parvela"},
        {programFiles + "\\", programFiles + "\\Parvela"},
        {"R:\\Stick Apps\\Parvela", "R:\\Stick Apps\\Parvela"},
    };
    const Wizard w = Start();
    ASSERT_TRUE(WalkTo(w, 2));
    HWND edit = Ctl(w, ctl_id::DestDirEdt);
    for (const auto& c : cases) {
        ASSERT_TRUE(SetText(edit, c.typed));
        ASSERT_TRUE(NextTo(w, 3)) << c.typed;
        ASSERT_TRUE(w.Back());
        ASSERT_TRUE(w.WaitPage(PageTitle[2], PageTimeout));
        EXPECT_TRUE(SamePath(GetText(edit), c.expected))
            << "typed \"" << c.typed << "\", got \"" << GetText(edit) << "\"";
    }
    // The normalised folder is the one installed into and remembered.
    ASSERT_TRUE(SetText(edit, "  C:\\Apps\\Editor\\ "));
    ASSERT_TRUE(NextTo(w, 3));
    ASSERT_TRUE(NextTo(w, 4));
    ASSERT_TRUE(w.Next());
    ASSERT_TRUE(w.WaitPage(PageTitle[6], InstallTimeout)) << w.PageTitle();
    ASSERT_TRUE(NextTo(w, 7));
    SetBox(w, ctl_id::FinishChkBx, false);
    Finish(w);
    EXPECT_TRUE(FileExists("C:\\Apps\\Editor\\parv.exe"));
    EXPECT_TRUE(FileExists("C:\\Apps\\Editor\\Install.log"));
    EXPECT_EQ(RegString(HKEY_CURRENT_USER, std::string(InstallKeyPath) + "\\Install", "MAINDIR"),
              "C:\\Apps\\Editor");
    EXPECT_EQ(RegString(HKEY_LOCAL_MACHINE, UninstallKeyPath, "DisplayIcon"),
              "C:\\Apps\\Editor\\parv.exe");
}

// First letters of the drive box's items.
std::string DriveLetters(HWND driveBox) {
    std::string letters;
    for (HWND combo : FindByClass(driveBox, "ComboBox")) {
        const LRESULT n = SendMessageA(combo, CB_GETCOUNT, 0, 0);
        for (LRESULT i = 0; i < n; ++i) {
            char text[256] = {};
            if (SendMessageA(combo, CB_GETLBTEXTLEN, i, 0) < static_cast<LRESULT>(sizeof text) &&
                SendMessageA(combo, CB_GETLBTEXT, i, reinterpret_cast<LPARAM>(text)) > 0)
                letters += text[0];
        }
    }
    return letters;
}

class DriveTest : public SetupTest {
protected:
    void SetUp() override {
        SetupTest::SetUp();
        UnlinkDrive('S');
        char full[MAX_PATH] = {};
        GetFullPathNameA((BinDir + "\\..\\e2e_drive_s").c_str(), MAX_PATH, full, nullptr);
        folder = full;
        DeleteTree(folder);
        ASSERT_TRUE(CreateDirectoryA(folder.c_str(), nullptr));
    }
    void TearDown() override {
        UnlinkDrive('S');
        UnlinkDrive('T');
        DeleteTree(folder);
        SetupTest::TearDown();
    }
    std::string folder;
};

TEST_F(DriveTest, ADriveLinkedWhileTheFolderPageShowsIsProposedAndDropped) {
    const Wizard w = Start();
    ASSERT_TRUE(WalkTo(w, 2));
    HWND edit = Ctl(w, ctl_id::DestDirEdt);
    const std::string proposed = DefaultPlaces().mainDir;
    ASSERT_EQ(GetText(edit), proposed);

    ASSERT_TRUE(LinkRemovableDrive('S', UnixPathOf(folder)));
    // The drive timer looks once a second.
    EXPECT_TRUE(WaitUntil([&] { return SamePath(GetText(edit), "S:\\Parvela"); }, PageTimeout))
        << GetText(edit);
    ASSERT_TRUE(UnlinkDrive('S'));
    EXPECT_TRUE(WaitUntil([&] { return SamePath(GetText(edit), proposed); }, PageTimeout))
        << GetText(edit);

    // With the same folder present on the new drive, that folder is proposed.
    ASSERT_TRUE(CreateDirectoryA((folder + "\\Program Files").c_str(), nullptr));
    ASSERT_TRUE(LinkRemovableDrive('S', UnixPathOf(folder)));
    std::string onStick = KnownFolder(CSIDL_PROGRAM_FILES);
    onStick[0] = 'S';
    EXPECT_TRUE(WaitUntil([&] { return SamePath(GetText(edit), onStick); }, PageTimeout))
        << GetText(edit);
    Quit(w);
}

TEST_F(SetupTest, ProposedFolderComesFromTheArgumentThenTheSettingsThenTheDefault) {
    const std::string existing = "C:\\Existing Parvela";
    ASSERT_TRUE(CreateDirectoryA(existing.c_str(), nullptr) || FolderExists(existing));
    const std::string installKey = std::string(InstallKeyPath) + "\\Install";
    const struct {
        const char* remembered;  // MAINDIR, or none
        const char* args;
        std::string proposed;
    } cases[] = {
        {nullptr, "", DefaultPlaces().mainDir},
        {"C:\\Existing Parvela", "", existing},
        {"C:\\Gone Parvela", "", DefaultPlaces().mainDir},
        // The argument wins even for a folder that does not exist.
        {"C:\\Existing Parvela", "-dR:\\Apps\\Parvela", "R:\\Apps\\Parvela"},
        {nullptr, "\"-dC:\\Typed Anyhow\"", "C:\\Typed Anyhow"},
    };
    for (const auto& c : cases) {
        RegDeleteKeyTree(HKEY_CURRENT_USER, InstallKeyPath);
        if (c.remembered) {
            ASSERT_TRUE(RegSetString(HKEY_CURRENT_USER, installKey, "MAINDIR", c.remembered));
        }
        const Wizard w = Start(c.args);
        ASSERT_TRUE(WalkTo(w, 3)) << c.args;
        ASSERT_TRUE(w.Back());
        ASSERT_TRUE(w.WaitPage(PageTitle[2], PageTimeout));
        EXPECT_TRUE(SamePath(GetText(Ctl(w, ctl_id::DestDirEdt)), c.proposed))
            << (c.remembered ? c.remembered : "(none)") << " " << c.args << ": "
            << GetText(Ctl(w, ctl_id::DestDirEdt));
        Quit(w);
    }
    EXPECT_TRUE(DeleteTree(existing));
}

TEST_F(DriveTest, CdRomDrivesAreNotListed) {
    const Wizard w = Start();
    ASSERT_TRUE(WalkTo(w, 2));
    HWND box = Ctl(w, ctl_id::DestDirCmbBx);
    HWND edit = Ctl(w, ctl_id::DestDirEdt);
    const std::string before = DriveLetters(box);
    EXPECT_NE(before.find('c'), std::string::npos) << before;
    EXPECT_NE(before.find('r'), std::string::npos)
        << "the removable test drive is missing: " << before;
    EXPECT_TRUE(std::is_sorted(before.begin(), before.end())) << before;
    for (char letter : before) {
        const char root[] = {letter, ':', '\\', 0};
        EXPECT_NE(GetDriveTypeA(root), static_cast<UINT>(DRIVE_CDROM)) << letter;
        EXPECT_GE(letter, 'c');
    }

    UnlinkDrive('T');
    ASSERT_TRUE(LinkDrive('T', UnixPathOf(folder), DRIVE_CDROM));
    Sleep(2500);  // two ticks of the drive timer
    EXPECT_EQ(DriveLetters(box), before);

    // A removable drive that comes after it is listed and proposed.
    ASSERT_TRUE(LinkRemovableDrive('S', UnixPathOf(folder)));
    EXPECT_TRUE(WaitUntil([&] { return SamePath(GetText(edit), "S:\\Parvela"); }, PageTimeout))
        << GetText(edit);
    EXPECT_NE(DriveLetters(box).find('s'), std::string::npos);
    EXPECT_EQ(DriveLetters(box).find('t'), std::string::npos);
    Quit(w);
}

// One setup program per machine: a second one says so before any window of
// its own and ends; once the first has ended, setup starts again.
TEST_F(SetupTest, ASecondSetupSaysSoAndEnds) {
    const Wizard first = Start();
    std::string error;
    Process second = Process::Start(SetupExe, "", &error);
    ASSERT_TRUE(second.Started()) << error;
    auto b = WaitMessageBox(second.Id(), nullptr, StartTimeout);
    ASSERT_TRUE(b.has_value());
    EXPECT_EQ(b->title, "Information");
    EXPECT_NE(b->text.find("Setup is already running"), std::string::npos) << b->text;
    EXPECT_EQ(b->buttons, std::vector<std::string>{"OK"});
    for (HWND top : TopLevelWindows(second.Id(), true))
        EXPECT_NE(GetText(top), WizardCaption) << "the second setup made its wizard window";
    ASSERT_TRUE(Answer(*b, "OK"));
    EXPECT_EQ(second.WaitExit(ExitTimeout), ExitWith(TExitCode::AnotherSetupRunning));
    EXPECT_TRUE(first.Alive());
    Quit(first);

    const Wizard again = Start();
    Quit(again);
}
