#pragma once
// The fixture of the end-to-end tests: every test starts the real
// ParvelaSetup.exe from a machine without any trace of an installation and
// leaves the machine that way.

#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <string_view>
#include <vector>

#include "tests/e2e/Driver.h"
#include "tests/e2e/Machine.h"
#include "tests/e2e/Walk.h"
#include "tests/e2e/WineWindows.h"
#include "instutils/ExitCodes.h"
#include "instutils/ResConst.h"
#include "wizard/Layout.h"
#include "wizard/MessageDlg_win.h"

namespace e2e {

static_assert(Wizard::TitleId == ctl_id::TopLbl, "the driver reads the banner title by this ID");
static_assert(std::string_view(MessageBoxClass) == MessageDlgClassName &&
                  MessageBoxTextId == MessageDlgTextId,
              "the driver reads the message box by these");

inline const std::string BinDir = PARVELA_BIN_DIR;
inline const std::string SetupExe = BinDir + "\\ParvelaSetup.exe";
inline const std::string StandInExe = BinDir + "\\parv.exe";

inline const char* const* const PageTitle = PageTitles;

inline const std::string QuitQuestion =
    "Setup is not complete. If you quit this setup program now,\rParvela will not be correctly "
    "installed.\r\r"
    "You may relaunch the setup program at a later time\rto complete the installation of "
    "Parvela.\r\r"
    "To continue installing, click No.\rTo quit this setup program, click Abort.";
inline const std::string RunningCopyMessage =
    "A copy of Parvela Word Processor is already running on your system.\rPlease close any running "
    "instance(s) of Parvela Word Processor, then click OK in this dialog.";

// A control's text with CR LF line breaks read as the single "\r" of the
// texts the program is given.
inline std::string Plain(std::string text) {
    for (size_t at; (at = text.find("\r\n")) != std::string::npos;) text.erase(at + 1, 1);
    return text;
}

// What Process::WaitExit gives for a run that ended with `code`.
inline std::optional<DWORD> ExitWith(TExitCode code) { return DWORD(ExitCodeOf(code)); }

constexpr Ms StartTimeout{30000};
constexpr Ms PageTimeout{15000};
constexpr Ms InstallTimeout{180000};
constexpr Ms ExitTimeout{30000};

// The removable test drive that scripts/wine-up links, from the build tree.
inline std::string DriveRFolder() {
    char full[MAX_PATH] = {};
    GetFullPathNameA((BinDir + "\\..\\drive_r").c_str(), MAX_PATH, full, nullptr);
    return full;
}

class SetupTest : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(FileExists(SetupExe)) << SetupExe << " is not built";
        // A drive linked after the prefix booted is not seen by every
        // service; the mount manager makes it a real removable drive.
        if (!DrivePresent('R') || GetDriveTypeA("R:\\") != DRIVE_REMOVABLE) {
            CreateDirectoryA(DriveRFolder().c_str(), nullptr);
            LinkRemovableDrive('R', UnixPathOf(DriveRFolder()));
        }
        CleanInstallState(ExtraRoots());
        tempBefore = ListFolder(TempFolder());
    }
    void TearDown() override {
        setup = Process();
        CleanInstallState(ExtraRoots());
    }
    // Folders that single tests make, removed also when such a test fails.
    static std::vector<std::string> ExtraRoots() {
        return {"R:\\Parvela", "R:\\Stick Apps", "R:\\Apps", "C:\\Existing Parvela", "C:\\Apps"};
    }

    // Starts the setup program and waits for its welcome page.
    Wizard Start(const std::string& args = "") {
        std::string error;
        setup = Process::Start(SetupExe, args, &error);
        EXPECT_TRUE(setup.Started()) << error;
        auto w = Wizard::Attach(setup, StartTimeout);
        if (!w) {
            ADD_FAILURE() << "the wizard window did not appear";
            return Wizard(nullptr, setup.Id());
        }
        EXPECT_TRUE(w->WaitPage(PageTitle[0], PageTimeout)) << w->PageTitle();
        return *w;
    }

    HWND Ctl(const Wizard& w, int id) const { return FindById(w.Window(), id); }

    // Next, and the page that follows must show.
    static bool NextTo(const Wizard& w, int page) {
        return w.Next() &&
               w.WaitPage(PageTitle[page], page == 6 || page == 7 ? InstallTimeout : PageTimeout);
    }
    // From the welcome page to `page` (at most 4) with the defaults.
    static bool WalkTo(const Wizard& w, int page) {
        for (int p = 1; p <= page; ++p)
            if (!NextTo(w, p)) return false;
        return true;
    }
    // The message box that must be shown now.
    static MessageBoxInfo Box(const Wizard& w) {
        auto b = w.WaitMessageBox(PageTimeout);
        if (!b) {
            ADD_FAILURE() << "no message box on \"" << w.PageTitle() << "\"";
            return {};
        }
        return *b;
    }
    // Cancel, M3, Abort before the run; the program ends with code 2.
    void Quit(const Wizard& w) {
        ASSERT_TRUE(w.Cancel() || RequestClose(w.Window()));
        const MessageBoxInfo b = Box(w);
        EXPECT_EQ(b.title, "Confirm");
        ASSERT_TRUE(Answer(b, "&Abort"));
        EXPECT_EQ(setup.WaitExit(ExitTimeout), ExitWith(TExitCode::Cancelled));
    }
    // Finish on the last page; the program ends with code 0.
    void Finish(const Wizard& w) {
        ASSERT_EQ(w.PageTitle(), PageTitle[7]);
        ASSERT_TRUE(w.Next());
        EXPECT_EQ(setup.WaitExit(ExitTimeout), ExitWith(TExitCode::Success));
    }
    // Ticks or unticks a check box of the wizard.
    void SetBox(const Wizard& w, int id, bool ticked) {
        HWND b = Ctl(w, id);
        ASSERT_NE(b, nullptr) << id;
        if ((CheckState(b) == BST_CHECKED) != ticked) {
            ASSERT_TRUE(Click(b));
        }
        ASSERT_TRUE(
            WaitUntil([&] { return (CheckState(b) == BST_CHECKED) == ticked; }, PageTimeout));
    }

    // Temporary files of the program ("~" names) that were not there before
    // the test: the program must remove its own at its end.
    std::vector<std::string> TempLeftovers() const {
        std::vector<std::string> left;
        for (const std::string& name : ListFolder(TempFolder()))
            if (name[0] == '~' &&
                std::find(tempBefore.begin(), tempBefore.end(), name) == tempBefore.end())
                left.push_back(name);
        return left;
    }

    Process setup;
    std::vector<std::string> tempBefore;
};

}  // namespace e2e
