// The wizard as a user meets it before anything is installed.
#include "tests/e2e/SetupTest.h"
#include "tests/e2e/Walk.h"

#include "payload/PayloadBuilder.h"
#include "payload/PayloadFormat.h"

using namespace e2e;

namespace {

// Nothing of a run that never reached the installing page may remain.
void ExpectNothingWritten() {
    const InstallPlaces p = DefaultPlaces();
    // Loading the settings may create the two keys, but nothing goes in.
    EXPECT_LE(RegValueCount(HKEY_CURRENT_USER, std::string(InstallKeyPath) + "\\Install"), 0);
    EXPECT_LE(RegValueCount(HKEY_CURRENT_USER, std::string(InstallKeyPath) + "\\Internal"), 0);
    EXPECT_FALSE(RegKeyExists(HKEY_LOCAL_MACHINE, UninstallKeyPath));
    EXPECT_FALSE(FileExists(p.mainDir + "\\Install.log"));
    EXPECT_FALSE(FolderExists(p.mainDir));
    EXPECT_FALSE(FileExists(p.sharedData + "Update.log"));
}

}  // namespace

TEST_F(SetupTest, WindowOpensWithItsCaptionSizeAndWelcomePage) {
    const Wizard w = Start();
    ASSERT_TRUE(w.Alive());
    EXPECT_EQ(GetText(w.Window()), WizardCaption);
    // The layout is given at 96 DPI and scales with the system's DPI.
    const int dpi = GetDeviceCaps(TClientDC(nullptr).Get(), LOGPIXELSX);
    const SIZE client = ClientSize(w.Window());
    EXPECT_EQ(client.cx, MulDiv(FormClientWidth, dpi, 96));
    EXPECT_EQ(client.cy, MulDiv(FormClientHeight, dpi, 96));
    // Only a close box: no minimise or maximise, and no resizing frame.
    const LONG style = GetWindowLongA(w.Window(), GWL_STYLE);
    EXPECT_TRUE(style & WS_SYSMENU);
    EXPECT_FALSE(style & (WS_MINIMIZEBOX | WS_MAXIMIZEBOX | WS_THICKFRAME));

    EXPECT_EQ(w.PageTitle(), PageTitle[0]);
    EXPECT_EQ(GetText(Ctl(w, ctl_id::TopLbl)), PageTitle[0]);
    EXPECT_EQ(Plain(GetText(Ctl(w, ctl_id::WelcomeLbl))),
              "This program will install Parvela Word Processor Lite (version 4.0.3.2) on your "
              "computer.\r\r\r\r\r"
              "Click Next to continue. Click Cancel to quit Setup.");
    EXPECT_FALSE(IsShown(Ctl(w, ctl_id::BackBtn)));
    EXPECT_EQ(GetText(Ctl(w, ctl_id::NextBtn)), "&Next >");
    EXPECT_TRUE(IsEnabledWindow(Ctl(w, ctl_id::NextBtn)));
    EXPECT_EQ(GetText(Ctl(w, ctl_id::CancelBtn)), "Cancel");
    // Every other page exists, hidden.
    for (int page = 1; page < 8; ++page) {
        HWND sheet = Ctl(w, ctl_id::PageBase + page);
        ASSERT_NE(sheet, nullptr) << page;
        EXPECT_FALSE(IsShown(sheet)) << page;
    }
    Quit(w);
}

TEST_F(SetupTest, WalksToTheReadyPageWithTheDefaultsAndBackAgain) {
    const Wizard w = Start();
    ASSERT_TRUE(NextTo(w, 1));
    EXPECT_FALSE(GetText(Ctl(w, ctl_id::LicenseMemo)).empty());
    EXPECT_EQ(CheckState(Ctl(w, ctl_id::LicenseChkBx)), BST_CHECKED);
    EXPECT_TRUE(IsShown(Ctl(w, ctl_id::BackBtn)));

    ASSERT_TRUE(NextTo(w, 2));
    EXPECT_EQ(GetText(Ctl(w, ctl_id::DestDirEdt)), DefaultPlaces().mainDir);

    ASSERT_TRUE(NextTo(w, 3));
    EXPECT_TRUE(IsEnabledWindow(Ctl(w, ctl_id::NextBtn)));
    EXPECT_FALSE(GetText(Ctl(w, ctl_id::SelCompDiskSpaceReqLbl2)).empty());
    EXPECT_FALSE(GetText(Ctl(w, ctl_id::SelCompDiskSpaceAvailLbl2)).empty());

    ASSERT_TRUE(NextTo(w, 4));
    for (int id : {ctl_id::InstallToAllChkBx, ctl_id::DesktopChkBx}) {
        EXPECT_TRUE(IsShown(Ctl(w, id))) << id;
        EXPECT_EQ(CheckState(Ctl(w, id)), BST_CHECKED) << id;
    }
    EXPECT_TRUE(IsEnabledWindow(Ctl(w, ctl_id::BackBtn)));
    EXPECT_EQ(GetText(Ctl(w, ctl_id::NextBtn)), "&Next >");

    for (int page = 3; page >= 0; --page) {
        ASSERT_TRUE(w.Back());
        ASSERT_TRUE(w.WaitPage(PageTitle[page], PageTimeout)) << page;
    }
    EXPECT_FALSE(IsShown(Ctl(w, ctl_id::BackBtn)));
    // The licence is not loaded twice: the memo keeps its text.
    ASSERT_TRUE(NextTo(w, 1));
    EXPECT_FALSE(GetText(Ctl(w, ctl_id::LicenseMemo)).empty());
    Quit(w);
    ExpectNothingWritten();
    EXPECT_EQ(TempLeftovers(), std::vector<std::string>{})
        << "the licence's temporary file was left";
}

// Moved onto a monitor of another scale, the program lays itself out again
// from its table and takes the rectangle the system suggests.
TEST_F(SetupTest, MovedToA144DpiMonitorTheWindowIsLaidOutAgain) {
    const Wizard w = Start();
    ASSERT_TRUE(WalkTo(w, 3));
    const int before = GetDeviceCaps(TClientDC(nullptr).Get(), LOGPIXELSX);
    for (int dpi : {144, before}) {
        ASSERT_TRUE(SendDpiChanged(w.Window(), dpi, FormClientWidth, FormClientHeight)) << dpi;
        const SIZE client = ClientSize(w.Window());
        EXPECT_EQ(client.cx, MulDiv(FormClientWidth, dpi, 96));
        EXPECT_EQ(client.cy, MulDiv(FormClientHeight, dpi, 96));
        const RECT next = RectIn(Ctl(w, ctl_id::NextBtn), w.Window());
        EXPECT_EQ(next.left, MulDiv(295, dpi, 96));
        EXPECT_EQ(next.right - next.left, MulDiv(85, dpi, 96));
        EXPECT_EQ(w.PageTitle(), PageTitle[3]);
    }
    Quit(w);
}

TEST_F(SetupTest, CancelOnTheWelcomePageAsksAndWritesNothing) {
    const Wizard w = Start();
    ASSERT_TRUE(w.Cancel());
    MessageBoxInfo box = Box(w);
    EXPECT_EQ(box.title, "Confirm");
    EXPECT_EQ(box.text, QuitQuestion);
    EXPECT_EQ(box.buttons, (std::vector<std::string>{"&No", "&Abort"}));
    ASSERT_TRUE(Answer(box, "&No"));
    EXPECT_TRUE(w.Alive());
    EXPECT_EQ(w.PageTitle(), PageTitle[0]);

    // The close box asks the same question.
    ASSERT_TRUE(RequestClose(w.Window()));
    box = Box(w);
    EXPECT_EQ(box.text, QuitQuestion);
    ASSERT_TRUE(Answer(box, "&Abort"));
    EXPECT_EQ(setup.WaitExit(ExitTimeout), ExitWith(TExitCode::Cancelled));
    ExpectNothingWritten();
}

TEST_F(SetupTest, RunningApplicationHoldsTheWelcomePageUntilItIsClosed) {
    Process app = Process::Start(StandInExe);
    ASSERT_TRUE(app.Started());
    ASSERT_TRUE(WaitUntil(AnyMarkedApplication, StartTimeout))
        << "the stand-in application did not mark its window";

    const Wizard w = Start();
    for (int attempt = 0; attempt < 2; ++attempt) {
        ASSERT_TRUE(w.Next());
        const MessageBoxInfo box = Box(w);
        EXPECT_EQ(box.title, "Information");
        EXPECT_EQ(box.text, RunningCopyMessage);
        EXPECT_EQ(box.buttons, std::vector<std::string>{"OK"});
        ASSERT_TRUE(Answer(box, "OK"));
        EXPECT_EQ(w.PageTitle(), PageTitle[0]) << attempt;
        EXPECT_TRUE(GetText(Ctl(w, ctl_id::LicenseMemo)).empty());
    }
    app.Kill();
    ASSERT_TRUE(NextTo(w, 1));
    EXPECT_FALSE(GetText(Ctl(w, ctl_id::LicenseMemo)).empty());
    Quit(w);
}

namespace {

// A copy of the program whose payload cannot be installed from: an error box
// and exit code 1, before any page of the wizard.
void ExpectRefusedBeforeTheWizard(const std::string& copy) {
    std::string error;
    {
        Process p = Process::Start(copy, "", &error);
        ASSERT_TRUE(p.Started()) << error;
        const auto box = WaitMessageBox(p.Id(), nullptr, StartTimeout);
        ASSERT_TRUE(box.has_value()) << "no error box";
        EXPECT_FALSE(box->text.empty());
        for (HWND top : TopLevelWindows(p.Id(), true))
            EXPECT_EQ(FindByText(top, "&Next >", "Button"), nullptr) << "the wizard was shown";
        ASSERT_TRUE(Answer(*box, "OK"));
        EXPECT_EQ(p.WaitExit(ExitTimeout), ExitWith(TExitCode::CouldNotStart));
    }
    EXPECT_TRUE(DeleteTree(copy));
    ExpectNothingWritten();
}

}  // namespace

TEST_F(SetupTest, DamagedPayloadStopsWithAnErrorBeforeTheWizard) {
    const std::string copy = TempFolder() + "ParvelaSetup-damaged.exe";
    std::string error;
    ASSERT_TRUE(CorruptResourceCopy(SetupExe, copy, "FILES", "FILES", 16, &error)) << error;
    ExpectRefusedBeforeTheWizard(copy);
}

// Without the licence text the wizard could not get past its first page. A
// payload put in after the build no longer matches the CRC the build wrote
// for the one it checked, so it is refused as damaged.
TEST_F(SetupTest, PayloadWithoutTheLicenceStopsWithAnErrorBeforeTheWizard) {
    std::string records;
    AppendRecord(records, "parv.exe", 40000.5, "a program");
    AppendRecord(records, "Templates\\Letter.rtf", 40000.5, "{\\rtf1}");
    const std::string copy = TempFolder() + "ParvelaSetup-nolicence.exe";
    std::string error;
    ASSERT_TRUE(
        ReplaceResourceCopy(SetupExe, copy, "FILES", "FILES", CompressPayload(records), &error))
        << error;
    ExpectRefusedBeforeTheWizard(copy);
}

// Whole packed bytes beside a CRC that does not match them: the program
// cannot tell which of the two was damaged.
TEST_F(SetupTest, PayloadCrcThatDoesNotMatchStopsWithAnErrorBeforeTheWizard) {
    const std::string copy = TempFolder() + "ParvelaSetup-badcrc.exe";
    std::string error;
    ASSERT_TRUE(ReplaceResourceCopy(SetupExe, copy, "FILES", "FILESCRC",
                                    std::string("\x01\x02\x03\x04"), &error))
        << error;
    ExpectRefusedBeforeTheWizard(copy);
}

TEST_F(SetupTest, RefusedLicenceAsksAndYesEndsWithoutTheQuitQuestion) {
    const std::string refusal =
        "To install this program, you need to agree to all the terms\rof the Parvela Word "
        "Processor License "
        "Agreement.\rDo you really want to cancel the Parvela install?";
    const Wizard w = Start();
    ASSERT_TRUE(NextTo(w, 1));
    SetBox(w, ctl_id::LicenseChkBx, false);
    ASSERT_TRUE(w.Next());
    MessageBoxInfo box = Box(w);
    EXPECT_EQ(box.title, "Information");
    EXPECT_EQ(box.text, refusal);
    EXPECT_EQ(box.buttons, (std::vector<std::string>{"&Yes", "&No"}));
    ASSERT_TRUE(Answer(box, "&No"));
    EXPECT_EQ(w.PageTitle(), PageTitle[1]);
    EXPECT_EQ(CheckState(Ctl(w, ctl_id::LicenseChkBx)), BST_UNCHECKED);

    ASSERT_TRUE(w.Next());
    box = Box(w);
    EXPECT_EQ(box.text, refusal);
    ASSERT_TRUE(Answer(box, "&Yes"));
    // No second question: the window closes at once.
    EXPECT_EQ(setup.WaitExit(ExitTimeout), ExitWith(TExitCode::Cancelled));
    ExpectNothingWritten();
}

TEST_F(SetupTest, EscapeAsksToQuitLikeCancel) {
    const Wizard w = Start();
    ASSERT_TRUE(NextTo(w, 1));
    HWND focus = FocusedControl(w.Window());
    ASSERT_NE(focus, nullptr);
    ASSERT_TRUE(PressKey(focus, VK_ESCAPE));
    const MessageBoxInfo box = Box(w);
    EXPECT_EQ(box.text, QuitQuestion);
    ASSERT_TRUE(Answer(box, "&Abort"));
    EXPECT_EQ(setup.WaitExit(ExitTimeout), ExitWith(TExitCode::Cancelled));
}

TEST_F(SetupTest, DefaultWalkOfMakeRunReachesTheEndWithAShotOfEveryPage) {
    const std::string shots = TempFolder() + "e2e-walk-shots";
    DeleteTree(shots);
    ASSERT_TRUE(CreateDirectoryA(shots.c_str(), nullptr));
    WalkOptions o;
    o.exe = SetupExe;
    o.shotDir = shots;
    std::vector<std::string> log;
    const WalkResult r = WalkWizard(o, [&](const std::string& line) { log.push_back(line); });
    EXPECT_EQ(r.stopped, "");
    EXPECT_EQ(r.exitCode, 0);
    EXPECT_EQ(r.pages, std::vector<std::string>(PageTitle, PageTitle + PageCount));
    EXPECT_TRUE(r.boxes.empty());
    EXPECT_EQ(r.shots.size(), 8u);
    EXPECT_EQ(ListFolder(shots).front(), ShotName(0, PageTitle[0]));
    for (const std::string& s : r.shots)
        EXPECT_GT(ReadWholeFile(s).value_or("").size(), 100000u) << s;
    EXPECT_TRUE(DeleteTree(shots));
    // The walk keeps "Launch" ticked; the application must be up before it
    // can be ended, or a later test would find it running.
    EXPECT_TRUE(WaitUntil(AnyMarkedApplication, StartTimeout));
}
