// The wizard window as a real window under Wine: its frame, the page flow
// with its entry rules and buttons, the close request and the keyboard.
// Questions are answered by a scripted handler through the one seam that
// every message of the window goes through.

#include <gtest/gtest.h>

#include <windows.h>
#include <commctrl.h>

#include <algorithm>

#include <deque>
#include <functional>
#include <initializer_list>
#include <memory>
#include <string>
#include <vector>

#include <zlib.h>

#include "instutils/AppInterface.h"
#include "instutils/InstUtils.h"
#include "instutils/ResConst.h"
#include "instutils/WinHandles.h"
#include "integration/Options.h"
#include "integration/RunState.h"
#include "payload/AttachFiles.h"
#include "payload/InstallThread.h"
#include "payload/PayloadFormat.h"
#include "tests/wizard/controls_fixture_win.h"
#include "wizard/CheckList_win.h"
#include "wizard/DriveBox_win.h"
#include "wizard/FolderPage.h"
#include "wizard/GdiHandle_win.h"
#include "wizard/InstallRun.h"
#include "wizard/Layout.h"
#include "wizard/MainDlg_win.h"
#include "wizard/MessageDlg_win.h"
#include "wizard/Texts.h"
#include "wizard/PageFlow.h"
#include "wizard/SilentRun_win.h"

namespace {

const char* const LicenseBody = "Licence of the test payload.\r\nSecond line.\nThird line.\r\n";

std::string PackPayload(const std::vector<std::pair<std::string, std::string>>& files) {
    std::string records;
    for (const auto& [name, data] : files) AppendRecord(records, name, 40965.5, data);
    uLongf len = compressBound(static_cast<uLong>(records.size()));
    std::string packed(len, '\0');
    compress2(reinterpret_cast<Bytef*>(packed.data()), &len,
              reinterpret_cast<const Bytef*>(records.data()), static_cast<uLong>(records.size()),
              9);
    packed.resize(len);
    return packed;
}

std::string Text(HWND w) {
    std::string s(static_cast<size_t>(GetWindowTextLengthA(w)) + 1, '\0');
    s.resize(static_cast<size_t>(GetWindowTextA(w, s.data(), static_cast<int>(s.size()))));
    return s;
}

bool Visible(HWND w) { return IsWindowVisible(w) != FALSE; }
bool Enabled(HWND w) { return IsWindowEnabled(w) != FALSE; }
bool Ticked(HWND w) { return SendMessageA(w, BM_GETCHECK, 0, 0) == BST_CHECKED; }
void Tick(HWND w, bool on) { SendMessageA(w, BM_SETCHECK, on ? BST_CHECKED : BST_UNCHECKED, 0); }

struct Question {
    std::string Text;
    TMsgKind Kind;
    TMsgButtons Buttons;
};

// A top-level window that looks like a running copy of the application.
class TFakeRunningApp {
public:
    TFakeRunningApp() {
        Window = CreateWindowExA(0, "STATIC", app::WindowTitle, WS_OVERLAPPED, 0, 0, 50, 50,
                                 nullptr, nullptr, GetModuleHandleA(nullptr), nullptr);
        SetPropA(Window, app::RunningProperty, reinterpret_cast<HANDLE>(1));
    }
    ~TFakeRunningApp() {
        RemovePropA(Window, app::RunningProperty);
        DestroyWindow(Window);
    }

private:
    HWND Window;
};

void DeleteSettingsKey() { RegDeleteTreeA(HKEY_CURRENT_USER, "Software\\Parvela Word Processor"); }

int CountTempLeftovers() {
    int n = 0;
    TFileSearch found(GetTempFolder() + TempNamePrefix() + "*");
    if (!found.Valid()) return 0;
    do ++n;
    while (found.Next());
    return n;
}

class MainForm : public ::testing::Test {
protected:
    static void SetUpTestSuite() {
        INITCOMMONCONTROLSEX icc{sizeof icc,
                                 ICC_WIN95_CLASSES | ICC_STANDARD_CLASSES | ICC_PROGRESS_CLASS};
        InitCommonControlsEx(&icc);
        SetMainThread();
    }

    void SetUp() override {
        DeleteSettingsKey();
        const std::string packed = PackPayload({{"parv.exe", "MZ stand-in"},
                                                {"License.txt", LicenseBody},
                                                {"Basic.asn", std::string(5000, 's')}});
        Run.SetFiles(
            TAttachedFiles::Create(reinterpret_cast<const uint8_t*>(packed.data()), packed.size()));
        ASSERT_NE(Run.Files(), nullptr);
        SetMessageDlgHandler([this](const std::string& text, TMsgKind kind, TMsgButtons buttons) {
            Asked.push_back({text, kind, buttons});
            if (Answers.empty()) return TModalResult::Cancel;
            const TModalResult a = Answers.front();
            Answers.pop_front();
            return a;
        });
        Form = std::make_unique<TMainDlgForm>(Run);
        ASSERT_NE(Form->Handle(), nullptr);
        // As the modal loop does once the first page is painted.
        Form->CompletePages();
        ShowWindow(Form->Handle(), SW_SHOW);
    }

    void TearDown() override {
        Form.reset();
        SetMessageDlgHandler(nullptr);
        DeleteSettingsKey();
        EXPECT_TRUE(Answers.empty()) << "questions that were never asked";
    }

    void Next() { Form->BNClick(Form->NextBtn()); }
    void Back() { Form->BNClick(Form->BackBtn()); }

    // The visible pages (exactly one is expected).
    std::vector<TPage> ShownPages() const {
        std::vector<TPage> shown;
        for (TPage t = TPage::Welcome; t != TPage::FinishStep; t = NextPage(t))
            if (Visible(Form->PageByTag(t))) shown.push_back(t);
        return shown;
    }

    // Exactly one question so far: the running-copy box.
    void ExpectOnlyTheRunningCopyBox() {
        ASSERT_EQ(Asked.size(), 1u);
        EXPECT_EQ(Asked[0].Text, MsgAppRunning);
        EXPECT_EQ(Asked[0].Kind, TMsgKind::Information);
        EXPECT_EQ(Asked[0].Buttons, TMsgButtons::Ok);
    }

    void ExpectOnPage(TPage page) {
        EXPECT_EQ(Form->CurrentPage(), page);
        EXPECT_EQ(ShownPages(), std::vector<TPage>{page});
        EXPECT_EQ(Text(Form->TopLbl()), PageRow(page).Title);
    }

    TRunState Run;  // outlives the window, as in the program
    std::unique_ptr<TMainDlgForm> Form;
    std::deque<TModalResult> Answers;
    std::vector<Question> Asked;
};

TEST_F(MainForm, FixedSizeWindowWithCaptionAndCloseBoxOnly) {
    HWND w = Form->Handle();
    EXPECT_EQ(Text(w), "Parvela Word Processor Lite - Setup");
    RECT rc;
    GetClientRect(w, &rc);
    const int dpi = GetDeviceCaps(TClientDC(nullptr).Get(), LOGPIXELSY);
    EXPECT_EQ(rc.right, MulDiv(492, dpi, 96));
    EXPECT_EQ(rc.bottom, MulDiv(351, dpi, 96));
    const LONG style = GetWindowLongA(w, GWL_STYLE);
    EXPECT_TRUE(style & WS_SYSMENU);
    EXPECT_TRUE(style & WS_CAPTION);
    EXPECT_FALSE(style & (WS_THICKFRAME | WS_MINIMIZEBOX | WS_MAXIMIZEBOX));
    // Centred on the work area.
    RECT wr, area;
    GetWindowRect(w, &wr);
    SystemParametersInfoA(SPI_GETWORKAREA, 0, &area, 0);
    EXPECT_LE(std::abs((wr.left - area.left) - (area.right - wr.right)), 1);
    EXPECT_LE(std::abs((wr.top - area.top) - (area.bottom - wr.bottom)), 1);
    // The controls the end-to-end driver finds by ID.
    EXPECT_EQ(GetDlgCtrlID(Form->NextBtn()), ctl_id::NextBtn);
    EXPECT_EQ(GetDlgCtrlID(Form->CancelBtn()), ctl_id::CancelBtn);
    EXPECT_EQ(GetDlgCtrlID(Form->TopLbl()), ctl_id::TopLbl);
}

TEST_F(MainForm, OneLineLabelsShowTheirWholeTextInsideTheirPage) {
    int checked = 0;
    for (const TControlDef& d : WizardLayout()) {
        if (d.Kind != TCtlKind::Label || d.W != 0) continue;
        SCOPED_TRACE(d.Name);
        HWND label = Form->Control(d.Name);
        ASSERT_NE(label, nullptr);
        RECT need{};
        {
            TClientDC dc(label);
            TSelectObject font(dc.Get(),
                               reinterpret_cast<HGDIOBJ>(SendMessageA(label, WM_GETFONT, 0, 0)));
            DrawTextA(dc.Get(), d.Text, -1, &need, DT_CALCRECT | DT_SINGLELINE);
        }
        RECT have, parent;
        GetClientRect(label, &have);
        GetClientRect(GetParent(label), &parent);
        EXPECT_GE(have.right, need.right - need.left);
        POINT corner{have.right, 0};
        MapWindowPoints(label, GetParent(label), &corner, 1);
        EXPECT_LE(corner.x, parent.right);
        ++checked;
    }
    EXPECT_GE(checked, 5);
}

// A glyph drawn against the border (and under the caret) reads as cut off.
TEST_F(MainForm, EditsKeepTheirTextOffBothBorders) {
    const int dpi = GetDeviceCaps(TClientDC(nullptr).Get(), LOGPIXELSY);
    const int least = MulDiv(2, dpi, 96);
    int checked = 0;
    for (const TControlDef& d : WizardLayout()) {
        if (d.Kind != TCtlKind::Edit && d.Kind != TCtlKind::Memo) continue;
        SCOPED_TRACE(d.Name);
        HWND edit = Form->Control(d.Name);
        ASSERT_NE(edit, nullptr);
        SetWindowTextA(edit, "C:\\Program Files\\Parvela");
        RECT client, format;
        GetClientRect(edit, &client);
        SendMessageA(edit, EM_GETRECT, 0, reinterpret_cast<LPARAM>(&format));
        EXPECT_GE(format.left - client.left, least);
        EXPECT_GE(client.right - format.right, least);
        const LRESULT first = SendMessageA(edit, EM_POSFROMCHAR, 0, 0);
        EXPECT_GE(static_cast<short>(LOWORD(first)), least);
        ++checked;
    }
    EXPECT_EQ(checked, 2);
}

TEST_F(MainForm, ConstructionShowsTheWelcomePageWithDefaults) {
    ExpectOnPage(TPage::Welcome);
    EXPECT_FALSE(Visible(Form->BackBtn()));
    EXPECT_TRUE(Enabled(Form->NextBtn()));
    EXPECT_EQ(Text(Form->NextBtn()), "&Next >");
    EXPECT_EQ(Text(Form->CancelBtn()), "Cancel");
    EXPECT_EQ(Text(Form->WelcomeLbl()), FormatProductText(FindControlDef("WelcomeLbl")->Text));
    EXPECT_EQ(Text(Form->FinishLbl()), FormatProductText(FindControlDef("FinishLbl")->Text));
    EXPECT_EQ(Text(Form->SelCompLbl()), SelCompLblText);
    EXPECT_TRUE(Ticked(Form->LicenseChkBx()));
    EXPECT_EQ(Text(Form->LicenseMemo()), "");
    EXPECT_TRUE(Form->Ready);
    EXPECT_FALSE(Form->CloseAllowed);
    // First run: every option ticked, all component rows ticked, the
    // application's row greyed, the default folder in the edit.
    EXPECT_TRUE(Ticked(Form->InstallToAllChkBx()));
    EXPECT_TRUE(Ticked(Form->DesktopChkBx()));
    EXPECT_TRUE(Ticked(Form->FinishChkBx()));
    ASSERT_EQ(Form->RowCount(), 6);
    EXPECT_EQ(Form->GetRow(0), TCheckState::Grayed);
    for (int r = 1; r < 6; ++r) EXPECT_EQ(Form->GetRow(r), TCheckState::Checked) << r;
    EXPECT_EQ(Text(Form->DestDirEdt()), Run.Options.MainDir);
    EXPECT_EQ(Run.Options.MainDir, JoinPath(GetShellFolder(CSIDL_PROGRAM_FILES_), "Parvela"));
    EXPECT_TRUE(Asked.empty());
}

// The entry loads the common controls beside the window: the form asks for
// them once, with its window made and none of its controls yet.
TEST_F(MainForm, WaitsForTheCommonControlsBetweenItsWindowAndItsControls) {
    int calls = 0;
    std::vector<HWND> childless;  // forms without controls at the call
    TRunState run;
    TMainDlgForm form(run, 96, [&] {
        ++calls;
        for (HWND w = nullptr; (w = FindWindowExA(nullptr, w, "ParvelaSetupForm", nullptr));)
            if (!GetWindow(w, GW_CHILD)) childless.push_back(w);
    });
    EXPECT_EQ(calls, 1);
    EXPECT_EQ(childless, std::vector<HWND>{form.Handle()});
    EXPECT_NE(form.NextBtn(), nullptr);
}

TEST_F(MainForm, WalkForwardAndBackWithButtonStates) {
    for (TPage page = TPage::License; page <= TPage::Start; page = NextPage(page)) {
        Next();
        ExpectOnPage(page);
        EXPECT_TRUE(Visible(Form->BackBtn()));
        EXPECT_TRUE(Enabled(Form->BackBtn()));
        EXPECT_EQ(Text(Form->BackBtn()), "< &Back");
        EXPECT_EQ(Text(Form->NextBtn()), "&Next >");
        EXPECT_TRUE(Enabled(Form->CancelBtn()));
    }
    // The ready page keeps the focus on Next; the option boxes show for a
    // normal installation.
    EXPECT_EQ(GetFocus(), Form->NextBtn());
    EXPECT_TRUE(Visible(Form->InstallToAllChkBx()));
    EXPECT_TRUE(Visible(Form->DesktopChkBx()));
    for (int page = PageIndex(TPage::SelComp); page >= 0; --page) {
        Back();
        ExpectOnPage(static_cast<TPage>(page));
    }
    EXPECT_FALSE(Visible(Form->BackBtn()));
    EXPECT_TRUE(Asked.empty());
    EXPECT_EQ(Form->ModalResult, TModalResult::None);
}

TEST_F(MainForm, TabVisitsTheShownPageThenTheButtons) {
    Form->ShowPage(TPage::SelComp, TPage::Start);
    ExpectOnPage(TPage::Start);
    std::vector<HWND> order;
    HWND at = Form->InstallToAllChkBx();
    for (int i = 0; i < 6; ++i) {
        order.push_back(at);
        at = GetNextDlgTabItem(Form->Handle(), at, FALSE);
    }
    const std::vector<HWND> expected = {Form->InstallToAllChkBx(), Form->DesktopChkBx(),
                                        Form->BackBtn(),           Form->NextBtn(),
                                        Form->CancelBtn(),         Form->InstallToAllChkBx()};
    EXPECT_EQ(order, expected);
}

TEST_F(MainForm, LicenceLoadedOnceThroughATemporaryFile) {
    const int leftovers = CountTempLeftovers();
    Next();
    ExpectOnPage(TPage::License);
    EXPECT_EQ(Text(Form->LicenseMemo()),
              "Licence of the test payload.\r\nSecond line.\r\nThird line.");
    EXPECT_EQ(GetFocus(), Form->LicenseMemo());
    EXPECT_EQ(CountTempLeftovers(), leftovers) << "the temporary copy is deleted";
    EXPECT_EQ(GetWindowLongA(Form->LicenseMemo(), GWL_STYLE) & ES_READONLY, ES_READONLY);
    EXPECT_TRUE(Enabled(Form->NextBtn()));
    EXPECT_TRUE(Enabled(Form->CancelBtn()));

    // Back and Next again: neither reloaded nor the running-copy test repeated.
    SetWindowTextA(Form->LicenseMemo(), "marker");
    Back();
    {
        TFakeRunningApp running;
        Next();
    }
    ExpectOnPage(TPage::License);
    EXPECT_EQ(Text(Form->LicenseMemo()), "marker");
    EXPECT_TRUE(Asked.empty());
}

TEST_F(MainForm, LicenceWithoutLinesIsLoadedAgainEachTime) {
    Next();
    SetWindowTextA(Form->LicenseMemo(), "");  // as a licence file that yields no line
    Back();
    {
        TFakeRunningApp running;
        Answers = {TModalResult::Ok};
        Next();
        ExpectOnPage(TPage::Welcome);
        ASSERT_EQ(Asked.size(), 1u);
        EXPECT_EQ(Asked[0].Text, MsgAppRunning);
    }
    Next();
    ExpectOnPage(TPage::License);
    EXPECT_NE(Text(Form->LicenseMemo()), "");
}

TEST_F(MainForm, RunningCopyBlocksTheLicencePageWithAnInformationBox) {
    {
        TFakeRunningApp running;
        Answers = {TModalResult::Ok};
        Next();
        ExpectOnPage(TPage::Welcome);
        ExpectOnlyTheRunningCopyBox();
        EXPECT_EQ(Text(Form->LicenseMemo()), "");
    }
    Next();
    ExpectOnPage(TPage::License);
    EXPECT_EQ(Asked.size(), 1u);
}

TEST_F(MainForm, DecliningTheLicence) {
    Next();
    Tick(Form->LicenseChkBx(), false);
    // No: stay, box still unticked, nothing ends.
    Answers = {TModalResult::No};
    Next();
    ExpectOnPage(TPage::License);
    EXPECT_FALSE(Ticked(Form->LicenseChkBx()));
    EXPECT_EQ(Form->ModalResult, TModalResult::None);
    ASSERT_EQ(Asked.size(), 1u);
    EXPECT_EQ(Asked[0].Text, MsgLicenseDeclined);
    EXPECT_EQ(Asked[0].Kind, TMsgKind::Information);
    EXPECT_EQ(Asked[0].Buttons, TMsgButtons::Yes | TMsgButtons::No);
    // Yes: the wizard ends with Cancel and the quit question is not asked.
    Answers = {TModalResult::Yes};
    Next();
    EXPECT_EQ(Form->ModalResult, TModalResult::Cancel);
    EXPECT_TRUE(Form->CloseAllowed);
    EXPECT_EQ(Asked.size(), 2u);
    ExpectOnPage(TPage::License);
    // Back to the licence page from the folder page never asks.
}

TEST_F(MainForm, OnlyNextFromTheFolderPageTakesTheEditIntoTheMainFolder) {
    Next();
    Next();
    ExpectOnPage(TPage::DestDir);
    EXPECT_EQ(GetFocus(), Form->DestDirEdt());
    SetWindowTextA(Form->DestDirEdt(), "  C:\\Apps\\Editor\\  ");
    Next();
    ExpectOnPage(TPage::SelComp);
    EXPECT_EQ(Run.Options.MainDir, "C:\\Apps\\Editor");
    EXPECT_EQ(Text(Form->DestDirEdt()), "C:\\Apps\\Editor");

    Back();
    SetWindowTextA(Form->DestDirEdt(), "C:\\Elsewhere");
    Back();
    ExpectOnPage(TPage::License);
    EXPECT_EQ(Run.Options.MainDir, "C:\\Apps\\Editor");
    // Back from the ready page to the components page keeps it too.
    Next();
    Next();
    Next();
    ExpectOnPage(TPage::Start);
    SetWindowTextA(Form->DestDirEdt(), "C:\\Third");
    Back();
    ExpectOnPage(TPage::SelComp);
    EXPECT_EQ(Run.Options.MainDir, "C:\\Elsewhere");
}

// Entering the folder page selects the whole folder, each time: typing
// replaces it, and the caret does not sit on its first letter.
TEST_F(MainForm, FolderPageEntrySelectsTheWholeFolder) {
    auto selection = [this] {
        DWORD from = 1, to = 0;
        SendMessageA(Form->DestDirEdt(), EM_GETSEL, reinterpret_cast<WPARAM>(&from),
                     reinterpret_cast<LPARAM>(&to));
        return std::make_pair(from, to);
    };
    Next();
    Next();
    ExpectOnPage(TPage::DestDir);
    const DWORD length = static_cast<DWORD>(Text(Form->DestDirEdt()).size());
    ASSERT_GT(length, 0u);
    EXPECT_EQ(selection(), std::make_pair(DWORD{0}, length));

    SendMessageA(Form->DestDirEdt(), EM_SETSEL, 2, 2);
    Back();
    Next();
    ExpectOnPage(TPage::DestDir);
    EXPECT_EQ(selection(), std::make_pair(DWORD{0}, length));
    SendMessageA(Form->DestDirEdt(), WM_CHAR, 'D', 1);
    EXPECT_EQ(Text(Form->DestDirEdt()), "D");
}

TEST_F(MainForm, ComponentsPageShowsFiguresAndFollowsTheDiskSpaceRule) {
    Next();
    Next();
    Next();
    ExpectOnPage(TPage::SelComp);
    EXPECT_NE(Text(Form->SelCompDiskSpaceReqLbl2()), "");
    EXPECT_NE(Text(Form->SelCompDiskSpaceAvailLbl2()), "");
    EXPECT_TRUE(Enabled(Form->NextBtn()));
    // A folder on a drive that does not exist has no free space to offer.
    Back();
    SetWindowTextA(Form->DestDirEdt(), "Q:\\Nowhere");
    Next();
    ExpectOnPage(TPage::SelComp);
    EXPECT_FALSE(Enabled(Form->NextBtn()));
    EXPECT_TRUE(Enabled(Form->BackBtn()));
}

TEST_F(MainForm, PortableFolderHidesTheOptionBoxesAndSkipsTheAssociationPage) {
    Run.Options.MainDir = "R:\\Parvela";
    Form->ShowPage(TPage::SelComp, TPage::Start);
    ExpectOnPage(TPage::Start);
    EXPECT_FALSE(Visible(Form->InstallToAllChkBx()));
    EXPECT_FALSE(Visible(Form->DesktopChkBx()));
    // 6 becomes 7; the finish page of a portable installation only writes
    // the common data file into the main folder.
    Form->ShowPage(TPage::Installing, TPage::Assoc);
    ExpectOnPage(TPage::Finish);
    EXPECT_EQ(Text(Form->NextBtn()), "&Finish");
    EXPECT_FALSE(Enabled(Form->CancelBtn()));
    EXPECT_FALSE(Enabled(Form->BackBtn()));
    EXPECT_NE(GetFileAttributesA("R:\\Parvela\\parv_common.dat"), INVALID_FILE_ATTRIBUTES);
    DeleteFileA("R:\\Parvela\\parv_common.dat");
    RemoveDirectoryA("R:\\Parvela");
    // Normal folder again: the boxes come back.
    Run.Options.MainDir = "C:\\Parvela";
    Form->ShowPage(TPage::SelComp, TPage::Start);
    EXPECT_TRUE(Visible(Form->InstallToAllChkBx()));
}

TEST_F(MainForm, AssociationPageTicksTheBoxesOfTheStoredLetters) {
    Run.Options.Extensions = "DB";
    Form->ShowPage(TPage::Installing, TPage::Assoc);
    ExpectOnPage(TPage::Assoc);
    EXPECT_FALSE(Ticked(Form->AssocChkBx(0)));
    EXPECT_TRUE(Ticked(Form->AssocChkBx(1)));
    EXPECT_FALSE(Ticked(Form->AssocChkBx(2)));
    EXPECT_TRUE(Ticked(Form->AssocChkBx(3)));
    EXPECT_EQ(GetFocus(), Form->AssocChkBx(0));
    EXPECT_FALSE(Enabled(Form->BackBtn()));
    EXPECT_TRUE(Enabled(Form->NextBtn()));
    EXPECT_TRUE(Enabled(Form->CancelBtn()));
    // The progress bar is full.
    SendMessageA(Form->InstallingProgressBar(), PBM_SETRANGE32, 0, 1000);
    Form->ShowPage(TPage::Installing, TPage::Assoc);
    EXPECT_EQ(SendMessageA(Form->InstallingProgressBar(), PBM_GETPOS, 0, 0), 1000);
}

TEST_F(MainForm, CancelAsksTheQuitQuestion) {
    Answers = {TModalResult::No};
    Form->CancelBtnClick();
    ASSERT_EQ(Asked.size(), 1u);
    EXPECT_EQ(Asked[0].Text, MsgQuitSetup);
    EXPECT_EQ(Asked[0].Kind, TMsgKind::Confirmation);
    EXPECT_EQ(Asked[0].Buttons, TMsgButtons::No | TMsgButtons::Abort);
    EXPECT_EQ(Form->ModalResult, TModalResult::None);
    EXPECT_FALSE(Form->CloseAllowed);
    ExpectOnPage(TPage::Welcome);

    // The close box takes the same way.
    Answers = {TModalResult::Abort};
    SendMessageA(Form->Handle(), WM_CLOSE, 0, 0);
    EXPECT_EQ(Asked.size(), 2u);
    EXPECT_EQ(Form->ModalResult, TModalResult::Cancel);
    EXPECT_TRUE(Form->CloseAllowed);
    EXPECT_EQ(Run.InstallThreadStatus.GetState(), TInstallState::Idle);
}

TEST_F(MainForm, KeyboardEnterIsNextAndEscapeIsCancelWhileEnabled) {
    EXPECT_TRUE(Form->HandleDialogKey(VK_RETURN));
    ExpectOnPage(TPage::License);
    SetFocus(Form->BackBtn());
    EXPECT_TRUE(Form->HandleDialogKey(VK_RETURN));  // a focused button is pressed
    ExpectOnPage(TPage::Welcome);
    Answers = {TModalResult::No};
    EXPECT_TRUE(Form->HandleDialogKey(VK_ESCAPE));
    EXPECT_EQ(Asked.size(), 1u);

    // On the last page Cancel is disabled: Escape does nothing, the close
    // box still asks.
    Run.Options.MainDir = "R:\\Parvela";
    Form->ShowPage(TPage::Installing, TPage::Assoc);
    ExpectOnPage(TPage::Finish);
    EXPECT_TRUE(Form->HandleDialogKey(VK_ESCAPE));
    EXPECT_EQ(Asked.size(), 1u);
    EXPECT_EQ(Form->ModalResult, TModalResult::None);
    Answers = {TModalResult::Abort};
    SendMessageA(Form->Handle(), WM_CLOSE, 0, 0);
    EXPECT_EQ(Asked.size(), 2u);
    EXPECT_EQ(Form->ModalResult, TModalResult::Cancel);
    DeleteFileA("R:\\Parvela\\parv_common.dat");
    RemoveDirectoryA("R:\\Parvela");
}

TEST_F(MainForm, PageByTagFindsEachPageAndNothingElse) {
    for (int t = 0; t < 8; ++t) {
        HWND page = Form->PageByTag(static_cast<TPage>(t));
        ASSERT_NE(page, nullptr);
        EXPECT_EQ(GetDlgCtrlID(page), ctl_id::PageBase + t);
    }
    EXPECT_EQ(Form->PageByTag(TPage::FinishStep), nullptr);
    EXPECT_EQ(Form->PageByTag(TPage::None), nullptr);
}

TEST_F(MainForm, OptionControlsReadAndWriteTheBoxesAndRows) {
    Form->SetBox(TOptionBox::Desktop, false);
    EXPECT_FALSE(Ticked(Form->DesktopChkBx()));
    EXPECT_FALSE(Form->GetBox(TOptionBox::Desktop));
    EXPECT_TRUE(Form->GetBox(TOptionBox::InstallToAll));
    Form->SetBox(TOptionBox::Launch, false);
    EXPECT_FALSE(Ticked(Form->FinishChkBx()));
    Form->SetRow(3, TCheckState::Unchecked);
    EXPECT_EQ(Form->GetRow(3), TCheckState::Unchecked);
    Form->SetCurrentRow(2);
    EXPECT_EQ(Form->SelCompLstBx()->CurrentRow(), 2);
}

// ---- Keyboard input through the window's own loop ---------------------------------

// Real key presses, through the system's input queue.
void PressKeys(std::initializer_list<WORD> keys, bool alt = false) {
    std::vector<INPUT> in;
    auto key = [&in](WORD vk, bool up) {
        INPUT i{};
        i.type = INPUT_KEYBOARD;
        i.ki.wVk = vk;
        i.ki.dwFlags = up ? KEYEVENTF_KEYUP : 0;
        in.push_back(i);
    };
    if (alt) key(VK_MENU, false);
    for (WORD k : keys) {
        key(k, false);
        key(k, true);
    }
    if (alt) key(VK_MENU, true);
    SendInput(static_cast<UINT>(in.size()), in.data(), sizeof(INPUT));
}

// Runs the window's modal loop; `steps` run one at a time from a timer, each
// after the input the one before sent has been handled (timers come last in
// the queue). Then the wizard ends without a question.
struct TModalScript {
    std::vector<std::function<void()>> Steps;
    size_t Next = 0;
    TMainDlgForm* Form = nullptr;
};
TModalScript* Script = nullptr;

void CALLBACK ScriptTick(HWND, UINT, UINT_PTR, DWORD) {
    if (!Script) return;
    if (Script->Next < Script->Steps.size()) {
        Script->Steps[Script->Next++]();
        return;
    }
    Script->Form->CloseAllowed = true;
    Script->Form->ModalResult = TModalResult::Cancel;
}

void RunModal(TMainDlgForm& form, std::vector<std::function<void()>> steps) {
    TModalScript script{std::move(steps), 0, &form};
    Script = &script;
    const UINT_PTR timer = SetTimer(nullptr, 0, 40, ScriptTick);
    form.ShowModal();
    KillTimer(nullptr, timer);
    Script = nullptr;
    EXPECT_EQ(script.Next, script.Steps.size()) << "the loop ended early";
}

// While the drive list is open Enter and Escape belong to it: Enter takes
// the highlighted drive, Escape keeps the old one; neither is Next or Cancel.
// Arrows on the closed box move to the next drive.
TEST_F(MainForm, OpenDriveListTakesEnterAndEscapeArrowsMoveTheClosedBox) {
    Form->ShowPage(TPage::License, TPage::DestDir);
    TDriveBox& box = *Form->DestDirCmbBx();
    HWND combo = box.Inner();
    // The page shows its drives, the main folder's selected, without being asked.
    EXPECT_GE(SendMessageA(combo, CB_GETCOUNT, 0, 0), 3);
    EXPECT_GE(SendMessageA(combo, CB_GETCURSEL, 0, 0), 0);
    box.SetDrive('c');
    ASSERT_EQ(box.ItemText(0).substr(0, 2), "c:");
    ASSERT_GE(box.ItemCount(), 3) << "c:, r: and z: in the test prefix";
    const std::string second = box.ItemText(1).substr(0, 1), third = box.ItemText(2).substr(0, 1);
    const std::string folder = Text(Form->DestDirEdt());
    auto dropped = [combo] { return SendMessageA(combo, CB_GETDROPPEDSTATE, 0, 0) != 0; };
    RunModal(*Form, {
                        [&] {
                            SetFocus(combo);
                            PressKeys({VK_F4});
                        },
                        [&] {
                            EXPECT_TRUE(dropped());
                            PressKeys({VK_DOWN});
                        },
                        [&] { PressKeys({VK_ESCAPE}); },
                        [&] {
                            EXPECT_FALSE(dropped());
                            EXPECT_EQ(box.SelectedText().substr(0, 2), "c:");
                            EXPECT_EQ(box.Drive(), 'c');
                            EXPECT_EQ(Text(Form->DestDirEdt()), folder);
                            PressKeys({VK_F4});
                        },
                        [&] { PressKeys({VK_DOWN}); },
                        [&] { PressKeys({VK_RETURN}); },
                        [&] {
                            EXPECT_FALSE(dropped());
                            EXPECT_EQ(std::string(1, box.Drive()), second);
                            EXPECT_EQ(box.SelectedText().substr(0, 1), second);
                            EXPECT_TRUE(TextEqualsIgnoreCase(Text(Form->DestDirEdt()).substr(0, 3),
                                                             second + ":\\"))
                                << Text(Form->DestDirEdt());
                            PressKeys({VK_DOWN});
                        },
                        [&] {
                            EXPECT_EQ(std::string(1, box.Drive()), third);
                            EXPECT_TRUE(TextEqualsIgnoreCase(Text(Form->DestDirEdt()).substr(0, 3),
                                                             third + ":\\"))
                                << Text(Form->DestDirEdt());
                            PressKeys({VK_UP});
                        },
                        [&] { EXPECT_EQ(std::string(1, box.Drive()), second); },
                    });
    EXPECT_TRUE(Asked.empty()) << Asked[0].Text;
    EXPECT_EQ(Form->CurrentPage(), TPage::DestDir);
}

// The labels' accelerators focus the control they name; the buttons' still
// press them.
TEST_F(MainForm, LabelAcceleratorsFocusTheirControls) {
    Form->ShowPage(TPage::License, TPage::DestDir);
    RunModal(*Form, {
                        [&] {
                            SetFocus(Form->NextBtn());
                            PressKeys({'F'}, true);
                        },
                        [&] {
                            EXPECT_EQ(GetFocus(), Form->DestDirEdt());
                            DWORD from = 1, to = 0;
                            SendMessageA(Form->DestDirEdt(), EM_GETSEL,
                                         reinterpret_cast<WPARAM>(&from),
                                         reinterpret_cast<LPARAM>(&to));
                            EXPECT_EQ(from, 0u);
                            EXPECT_EQ(to, Text(Form->DestDirEdt()).size());
                            PressKeys({'N'}, true);
                        },
                        [&] {
                            EXPECT_EQ(Form->CurrentPage(), TPage::SelComp);
                            SetFocus(Form->NextBtn());
                            PressKeys({'C'}, true);
                        },
                        [&] {
                            EXPECT_EQ(GetFocus(), Form->SelCompLstBx()->Inner());
                            PressKeys({'F'}, true);  // the folder page's label is hidden now
                        },
                        [&] {
                            EXPECT_EQ(GetFocus(), Form->SelCompLstBx()->Inner());
                            PressKeys({'B'}, true);
                        },
                        [&] { EXPECT_EQ(Form->CurrentPage(), TPage::DestDir); },
                    });
    EXPECT_TRUE(Asked.empty());
}

// ---- Any DPI ---------------------------------------------------------------------------

// Every control at its layout place for `dpi`, with fonts and rows to match.
void ExpectLaidOutAt(const TMainDlgForm& form, int dpi) {
    SCOPED_TRACE(dpi);
    auto s = [dpi](int v) { return MulDiv(v, dpi, 96); };
    EXPECT_EQ(form.CurrentDpi(), dpi);
    RECT client;
    GetClientRect(form.Handle(), &client);
    EXPECT_EQ(client.right, s(FormClientWidth));
    EXPECT_EQ(client.bottom, s(FormClientHeight));
    for (const TControlDef& d : WizardLayout()) {
        SCOPED_TRACE(d.Name);
        if (!MadeAsWindow(d)) continue;
        HWND w = form.Control(d.Name);
        ASSERT_NE(w, nullptr);
        RECT r;
        GetWindowRect(w, &r);
        MapWindowPoints(nullptr, GetParent(w), reinterpret_cast<POINT*>(&r), 2);
        EXPECT_EQ((TLayoutPoint{r.left, r.top}), PlaceInWindow(d, dpi));
        if (d.W) {
            EXPECT_EQ(r.right - r.left, s(d.W));
        }
        if (d.Kind != TCtlKind::DriveBox) {  // the box is as tall as its closed list
            EXPECT_EQ(r.bottom - r.top, s(d.H));
        }
        if (d.Kind == TCtlKind::Panel || d.Kind == TCtlKind::Bevel ||
            d.Kind == TCtlKind::ProgressBar)
            continue;
        LOGFONTA font{};
        ASSERT_TRUE(GetObjectA(reinterpret_cast<HGDIOBJ>(SendMessageA(w, WM_GETFONT, 0, 0)),
                               sizeof font, &font));
        const int height = d.Font == TCtlFont::Title  ? s(15)
                           : d.Font == TCtlFont::Bold ? s(11)
                                                      : MulDiv(8, dpi, 72);
        EXPECT_EQ(font.lfHeight, -height);
    }
    EXPECT_EQ(form.SelCompLstBx()->GlyphSize(), s(13));
    EXPECT_EQ(SendMessageA(form.SelCompLstBx()->Inner(), LB_GETITEMHEIGHT, 0, 0), s(16));
    EXPECT_EQ(SendMessageA(form.DestDirLstBx()->Inner(), LB_GETITEMHEIGHT, 0, 0), s(17));
    EXPECT_GE(SendMessageA(form.DestDirCmbBx()->Inner(), CB_GETITEMHEIGHT, 0, 0),
              MulDiv(8, dpi, 72) + s(4));
}

TEST_F(MainForm, BuiltAtAGivenDpiEveryControlScales) {
    for (int dpi : {96, 120, 144, 192}) {
        Form.reset();
        Form = std::make_unique<TMainDlgForm>(Run, dpi);
        Form->CompletePages();
        ExpectLaidOutAt(*Form, dpi);
    }
}

// Moved to a monitor of another scale: the window is made again from the
// layout at the new DPI and takes the rectangle the system suggests.
TEST_F(MainForm, DpiChangeRebuildsTheLayoutAndTakesTheSuggestedRectangle) {
    Next();
    Next();
    Next();
    ExpectOnPage(TPage::SelComp);
    const int start = Form->CurrentDpi();
    for (int dpi : {120, 144, 192, 96, start}) {
        RECT was;
        GetWindowRect(Form->Handle(), &was);
        // What a move onto such a monitor suggests: the client scaled, the
        // frame around it, the corner on that monitor.
        RECT suggested{0, 0, MulDiv(FormClientWidth, dpi, 96), MulDiv(FormClientHeight, dpi, 96)};
        AdjustWindowRectEx(&suggested, GetWindowLongA(Form->Handle(), GWL_STYLE), FALSE,
                           GetWindowLongA(Form->Handle(), GWL_EXSTYLE));
        OffsetRect(&suggested, was.left + 7 - suggested.left, was.top + 5 - suggested.top);
        SendMessageA(Form->Handle(), 0x02E0 /* WM_DPICHANGED */, MAKEWPARAM(dpi, dpi),
                     reinterpret_cast<LPARAM>(&suggested));
        ExpectLaidOutAt(*Form, dpi);
        RECT now;
        GetWindowRect(Form->Handle(), &now);
        EXPECT_TRUE(EqualRect(&now, &suggested)) << dpi;
        // Still the same page, rows and figures.
        ExpectOnPage(TPage::SelComp);
        EXPECT_EQ(Form->SelCompLstBx()->RowCount(), 6);
    }
}

// ---- The first page first -------------------------------------------------------------

// A window as the program makes it: the welcome page only, until the wizard
// leaves that page or its modal loop has nothing else to do.
class FirstPageFirst : public MainForm {
protected:
    void SetUp() override {
        MainForm::SetUp();
        Form.reset();
        Run.Options = TOptions{};
        Form = std::make_unique<TMainDlgForm>(Run);
        ShowWindow(Form->Handle(), SW_SHOW);
    }

    // The pages lie in page order and before the buttons, however late
    // they were made: tabbing follows that order.
    void ExpectPagesInOrder() {
        std::vector<HWND> expected, order;
        for (TPage t = TPage::Welcome; t != TPage::FinishStep; t = NextPage(t))
            expected.push_back(Form->PageByTag(t));
        for (HWND b : {Form->BackBtn(), Form->NextBtn(), Form->CancelBtn()}) expected.push_back(b);
        for (HWND w = GetWindow(Form->Handle(), GW_CHILD); w; w = GetWindow(w, GW_HWNDNEXT))
            if (std::find(expected.begin(), expected.end(), w) != expected.end())
                order.push_back(w);
        EXPECT_EQ(order, expected);
    }
};

TEST_F(FirstPageFirst, NextBuildsTheOtherPagesAndFillsThemFromTheSettings) {
    ExpectOnPage(TPage::Welcome);
    EXPECT_NE(Form->NextBtn(), nullptr);
    EXPECT_EQ(Form->PageByTag(TPage::License), nullptr);
    Next();
    ExpectOnPage(TPage::License);
    ExpectPagesInOrder();
    EXPECT_EQ(Text(Form->LicenseMemo()),
              "Licence of the test payload.\r\nSecond line.\r\nThird line.");
    EXPECT_TRUE(Ticked(Form->LicenseChkBx()));
    Next();
    ExpectOnPage(TPage::DestDir);
    EXPECT_EQ(Text(Form->DestDirEdt()), JoinPath(GetShellFolder(CSIDL_PROGRAM_FILES_), "Parvela"));
    Next();
    ExpectOnPage(TPage::SelComp);
    ASSERT_EQ(Form->RowCount(), 6);
    EXPECT_EQ(Form->GetRow(0), TCheckState::Grayed);
    EXPECT_TRUE(Asked.empty());
}

TEST_F(FirstPageFirst, ModalLoopBuildsThemWhileTheFirstPageStays) {
    // The check waits a tick: on a slow machine the first paint may still be
    // going on when the first one is due.
    RunModal(*Form, {[] {},
                     [&] {
                         ASSERT_NE(Form->PageByTag(TPage::Finish), nullptr);
                         ExpectOnPage(TPage::Welcome);
                         ExpectPagesInOrder();
                         EXPECT_TRUE(Ticked(Form->InstallToAllChkBx()));
                         EXPECT_TRUE(Form->Ready);
                     }});
}

// Moved to a monitor of another scale before the other pages exist: they
// are made at the scale the window has then.
TEST_F(FirstPageFirst, PagesBuiltAfterADpiChangeTakeTheNewScale) {
    const int dpi = Form->CurrentDpi() == 144 ? 120 : 144;
    RECT suggested{0, 0, MulDiv(FormClientWidth, dpi, 96), MulDiv(FormClientHeight, dpi, 96)};
    AdjustWindowRectEx(&suggested, GetWindowLongA(Form->Handle(), GWL_STYLE), FALSE,
                       GetWindowLongA(Form->Handle(), GWL_EXSTYLE));
    SendMessageA(Form->Handle(), 0x02E0 /* WM_DPICHANGED */, MAKEWPARAM(dpi, dpi),
                 reinterpret_cast<LPARAM>(&suggested));
    Form->CompletePages();
    ExpectLaidOutAt(*Form, dpi);
}

bool InternalKeyExists() {
    HKEY key = nullptr;
    const bool found =
        RegOpenKeyExA(HKEY_CURRENT_USER, app::InternalKey + 1, 0, KEY_READ, &key) == ERROR_SUCCESS;
    TRegKey owner(key);
    return found;
}

// A close request handled before the loop's first idle moment (so before the
// other pages are built) still loads the settings, which makes their keys.
TEST_F(FirstPageFirst, CloseBeforeTheFirstIdleMomentStillLoadsTheSettings) {
    DeleteSettingsKey();  // the fixture's first window made it
    ASSERT_FALSE(InternalKeyExists());
    PostMessageA(Form->Handle(), WM_CLOSE, 0, 0);
    Answers = {TModalResult::Abort};
    EXPECT_EQ(Form->ShowModal(), TModalResult::Cancel);
    ASSERT_EQ(Asked.size(), 1u);
    EXPECT_EQ(Asked[0].Text, MsgQuitSetup);
    EXPECT_TRUE(InternalKeyExists());
}

// The payload's bytes matched the CRC but the reader could not be made after
// all (only memory can do that): exit code 1 before anything is written, with
// the damaged-payload box in the wizard, once, and only a log line silently.
TEST_F(FirstPageFirst, ReaderThatFailsAfterAGoodCrcEndsTheRunBeforeAnythingIsWritten) {
    auto failingReader = [] {
        return std::make_unique<TPayloadOpening>([] { return TPayloadError::Ok; },
                                                 [] { return std::unique_ptr<TAttachedFiles>(); });
    };
    Run.SetFiles(failingReader());
    Answers = {TModalResult::Ok};
    Next();
    ASSERT_EQ(Asked.size(), 1u);
    EXPECT_EQ(Asked[0].Text, MsgPayloadDamaged);
    EXPECT_EQ(Asked[0].Kind, TMsgKind::Error);
    EXPECT_EQ(Form->ModalResult, TModalResult::Cancel);
    EXPECT_TRUE(Form->CloseAllowed);
    EXPECT_EQ(Run.Outcome, TExitCode::CouldNotStart);
    EXPECT_FALSE(Run.Log.InstallStarted());
    EXPECT_EQ(CountTempLeftovers(), 0);

    Form.reset();
    DeleteSettingsKey();
    Run.SetFiles(failingReader());
    TOptionValues values;
    EXPECT_EQ(RunSilentInstall(Run, values), TExitCode::CouldNotStart);
    EXPECT_EQ(Asked.size(), 1u);
    EXPECT_FALSE(InternalKeyExists()) << "the silent run went on without its files";
}

// ---- Rules the page flow leans on ---------------------------------------------------

TEST_F(MainForm, RunningCopyOnLeavingTheReadyPageKeepsTheRunFromStarting) {
    Run.Log.ReleaseInstallLog();
    Form->ShowPage(TPage::SelComp, TPage::Start);
    {
        TFakeRunningApp running;
        Answers = {TModalResult::Ok};
        Next();
    }
    ExpectOnPage(TPage::Start);
    ExpectOnlyTheRunningCopyBox();
    EXPECT_FALSE(Run.Log.InstallLogExists()) << "the run has not started";
    EXPECT_EQ(Run.InstallThreadStatus.GetState(), TInstallState::Idle);
    EXPECT_TRUE(Enabled(Form->BackBtn()));
}

// Back in the wizard after freeing space elsewhere, the figures are new.
TEST_F(MainForm, ActivatingTheProgramAgainOnTheComponentsPageRefreshesTheFigures) {
    Form->ShowPage(TPage::DestDir, TPage::SelComp);
    const std::string required = Text(Form->SelCompDiskSpaceReqLbl2());
    auto stale = [this] {
        SetWindowTextA(Form->SelCompDiskSpaceReqLbl2(), "stale");
        SetWindowTextA(Form->SelCompDiskSpaceAvailLbl2(), "stale");
        EnableWindow(Form->NextBtn(), FALSE);
    };
    stale();
    SendMessageA(Form->Handle(), WM_ACTIVATEAPP, FALSE, 0);
    EXPECT_EQ(Text(Form->SelCompDiskSpaceAvailLbl2()), "stale");
    SendMessageA(Form->Handle(), WM_ACTIVATEAPP, TRUE, 0);
    EXPECT_EQ(Text(Form->SelCompDiskSpaceReqLbl2()), required);
    EXPECT_NE(Text(Form->SelCompDiskSpaceAvailLbl2()), "stale");
    EXPECT_TRUE(Enabled(Form->NextBtn()));
    // On another page the labels are left alone.
    Form->ShowPage(TPage::SelComp, TPage::Start);
    stale();
    SendMessageA(Form->Handle(), WM_ACTIVATEAPP, TRUE, 0);
    EXPECT_EQ(Text(Form->SelCompDiskSpaceAvailLbl2()), "stale");
}

// Row sizes are the payload's bytes raised to whole clusters of the main
// folder's drive, made again on every entry for the folder then chosen.
TEST_F(MainForm, RowSizesComeFromThePayloadInClustersOfTheMainFolder) {
    auto expectSizes = [this] {
        const int32_t cluster = static_cast<int32_t>(GetClusterSize(Run.Options.MainDir));
        EXPECT_EQ(Form->SelCompLstBx()->Size(0), 2 * cluster) << "parv.exe and License.txt";
        EXPECT_EQ(Form->SelCompLstBx()->Size(5), RoundUpToClusterSize(5000, cluster));
        EXPECT_EQ(Form->SelCompLstBx()->Size(1), 0) << "no payload entry";
    };
    auto spoil = [this] {
        for (int row = 0; row < 6; ++row) Form->SelCompLstBx()->SetSize(row, 1);
    };
    Form->ShowPage(TPage::DestDir, TPage::SelComp);
    expectSizes();
    spoil();
    Back();
    SetWindowTextA(Form->DestDirEdt(), "R:\\Elsewhere");
    Next();
    EXPECT_EQ(Run.Options.MainDir, "R:\\Elsewhere");
    expectSizes();
    // From the ready page too.
    Next();
    spoil();
    Back();
    expectSizes();
}

// A licence that cannot be extracted asks Abort, Retry or Ignore: Abort
// ends the wizard without the quit question, Ignore goes on to the page.
TEST_F(MainForm, LicenceThatCannotBeExtractedAbortEndsIgnoreGoesOn) {
    // A folder where the temporary copy would go: it cannot be created.
    const std::string blocked = MakeTempFileName();
    ASSERT_TRUE(CreateDirectoryA(blocked.c_str(), nullptr));
    Answers = {TModalResult::Abort};
    Next();
    ASSERT_EQ(Asked.size(), 1u);
    EXPECT_EQ(Asked[0].Kind, TMsgKind::Error);
    EXPECT_EQ(Asked[0].Buttons, TMsgButtons::Abort | TMsgButtons::Retry | TMsgButtons::Ignore);
    EXPECT_EQ(Form->ModalResult, TModalResult::Cancel);
    EXPECT_TRUE(Form->CloseAllowed);

    // A new window, the same blocked file: Ignore shows the page, empty.
    Form.reset();
    Form = std::make_unique<TMainDlgForm>(Run);
    ShowWindow(Form->Handle(), SW_SHOW);
    Answers = {TModalResult::Ignore};
    Next();
    ASSERT_EQ(Asked.size(), 2u);
    EXPECT_EQ(Asked[1].Kind, TMsgKind::Error);
    ExpectOnPage(TPage::License);
    EXPECT_EQ(Form->ModalResult, TModalResult::None);
    EXPECT_EQ(Text(Form->LicenseMemo()), "");
    EXPECT_TRUE(Enabled(Form->NextBtn()));
    EXPECT_TRUE(Enabled(Form->CancelBtn()));
    RemoveDirectoryA(blocked.c_str());
}

// The drive timer runs on every page: a new drive moves the edit, but the
// main folder only changes with Next on the folder page.
TEST_F(MainForm, DrivePollingOnALaterPageChangesTheEditNotTheMainFolder) {
    TTempTree stickFolder(GetTempFolder(), "formstick");
    Form->ShowPage(TPage::DestDir, TPage::SelComp);
    const std::string mainDir = Run.Options.MainDir;
    const char letter = FreeDriveLetter();
    ASSERT_NE(letter, 0);
    TTestDrive stick(letter, stickFolder.Root);
    ASSERT_TRUE(stick.Defined);
    SendMessageA(Form->Handle(), WM_TIMER, 2, 0);
    const std::string proposed = std::string(1, letter) + ":\\Parvela";
    EXPECT_TRUE(TextEqualsIgnoreCase(Text(Form->DestDirEdt()), proposed))
        << Text(Form->DestDirEdt());
    EXPECT_EQ(Run.Options.MainDir, mainDir);
    Next();
    EXPECT_EQ(Run.Options.MainDir, mainDir);
    Back();
    Back();
    ExpectOnPage(TPage::DestDir);
    EXPECT_EQ(Run.Options.MainDir, mainDir);
    Next();
    EXPECT_TRUE(TextEqualsIgnoreCase(Run.Options.MainDir, proposed)) << Run.Options.MainDir;
}

// ---- The window's side of an installation run -------------------------------------

bool PumpUntil(const std::function<bool()>& done, DWORD timeoutMs) {
    const DWORD start = GetTickCount();
    while (!done()) {
        MSG m;
        while (PeekMessageA(&m, nullptr, 0, 0, PM_REMOVE)) {
            TranslateMessage(&m);
            DispatchMessageA(&m);
        }
        if (GetTickCount() - start > timeoutMs) return false;
        MsgWaitForMultipleObjects(0, nullptr, FALSE, 20, QS_ALLINPUT);
    }
    return true;
}

bool FileExists(const std::string& path) {
    const DWORD a = GetFileAttributesA(path.c_str());
    return a != INVALID_FILE_ATTRIBUTES && !(a & FILE_ATTRIBUTE_DIRECTORY);
}

TEST_F(MainForm, PortableRunGoesFromInstallingStraightToTheLastPage) {
    const std::string dir = "R:\\WizardRun";
    DeleteFolderTree(dir);
    Run.Options.MainDir = dir;
    Form->ShowPage(TPage::Start, TPage::Installing);
    ExpectOnPage(TPage::Installing);
    EXPECT_FALSE(Enabled(Form->BackBtn()));
    EXPECT_FALSE(Enabled(Form->NextBtn()));
    EXPECT_TRUE(Enabled(Form->CancelBtn()));
    EXPECT_TRUE(Run.Log.InstallStarted());
    EXPECT_EQ(Form->SelectedComps, 0x3F);
    int lo = -1, hi = -1;
    {
        PBRANGE range{};
        SendMessageA(Form->InstallingProgressBar(), PBM_GETRANGE, FALSE,
                     reinterpret_cast<LPARAM>(&range));
        lo = range.iLow;
        hi = range.iHigh;
    }
    EXPECT_EQ(lo, 0);
    EXPECT_EQ(hi, Run.Files()->GetTotalSize());
    EXPECT_GT(hi, 0);

    ASSERT_TRUE(PumpUntil([&] { return Form->CurrentPage() == TPage::Finish; }, 20000))
        << "stuck on page " << PageIndex(Form->CurrentPage());
    Run.InstallThreadStatus.WaitForInstallThread();
    ExpectOnPage(TPage::Finish);
    EXPECT_EQ(Run.InstallThreadStatus.GetState(), TInstallState::Idle);
    EXPECT_TRUE(FileExists(dir + "\\parv.exe"));
    EXPECT_TRUE(FileExists(dir + "\\License.txt"));
    EXPECT_TRUE(FileExists(dir + "\\parv_common.dat"));
    EXPECT_TRUE(Asked.empty());
    EXPECT_EQ(Form->ModalResult, TModalResult::None);
    DeleteFolderTree(dir);
}

// The page follows the thread's own message; the status timer is not needed.
TEST_F(MainForm, RunMovesOnWhenTheThreadSaysItIsDone) {
    const std::string dir = "R:\\WizardNotice";
    DeleteFolderTree(dir);
    Run.Options.MainDir = dir;
    ASSERT_TRUE(KillTimer(Form->Handle(), 1));
    Form->ShowPage(TPage::Start, TPage::Installing);
    ASSERT_TRUE(PumpUntil([&] { return Form->CurrentPage() == TPage::Finish; }, 20000))
        << "stuck on page " << PageIndex(Form->CurrentPage());
    Run.InstallThreadStatus.WaitForInstallThread();
    EXPECT_EQ(Run.InstallThreadStatus.GetState(), TInstallState::Idle);
    DeleteFolderTree(dir);
}

TEST_F(MainForm, AbortOnAFileErrorEndsTheWizardWithoutTheQuitQuestion) {
    const std::string dir = "R:\\WizardFail";
    DeleteFolderTree(dir);
    // A folder where the application file should go: it cannot be created.
    CreateFolderChain(dir + "\\parv.exe\\", &Run.Log);
    Run.Options.MainDir = dir;
    Answers = {TModalResult::Abort};
    Form->ShowPage(TPage::Start, TPage::Installing);
    ASSERT_TRUE(PumpUntil([&] { return Form->ModalResult != TModalResult::None; }, 20000));
    Run.InstallThreadStatus.WaitForInstallThread();
    EXPECT_EQ(Form->ModalResult, TModalResult::Cancel);
    EXPECT_TRUE(Form->CloseAllowed);
    ASSERT_EQ(Asked.size(), 1u);
    EXPECT_EQ(Asked[0].Kind, TMsgKind::Error);
    EXPECT_EQ(Asked[0].Buttons, TMsgButtons::Abort | TMsgButtons::Retry | TMsgButtons::Ignore);
    EXPECT_NE(Asked[0].Text.find("parv.exe"), std::string::npos);
    EXPECT_EQ(Run.InstallThreadStatus.GetState(), TInstallState::Failed);
    ExpectOnPage(TPage::Installing);
    Run.InstallThreadStatus.Reset();
    DeleteFolderTree(dir);
}

// The skipped file is named in a warning before the completion page.
TEST_F(MainForm, IgnoreOnAFileErrorGoesOnToTheEnd) {
    const std::string dir = "R:\\WizardIgnore";
    DeleteFolderTree(dir);
    CreateFolderChain(dir + "\\parv.exe\\", &Run.Log);
    Run.Options.MainDir = dir;
    Answers = {TModalResult::Ignore, TModalResult::Ok};
    Form->ShowPage(TPage::Start, TPage::Installing);
    ASSERT_TRUE(PumpUntil([&] { return Form->CurrentPage() == TPage::Finish; }, 20000));
    Run.InstallThreadStatus.WaitForInstallThread();
    ASSERT_EQ(Asked.size(), 2u);
    EXPECT_EQ(Asked[1].Kind, TMsgKind::Warning);
    EXPECT_EQ(Asked[1].Buttons, TMsgButtons::Ok);
    EXPECT_EQ(Asked[1].Text, SkippedFilesMessage({dir + "\\parv.exe"}));
    EXPECT_EQ(Form->ModalResult, TModalResult::None);
    EXPECT_TRUE(FileExists(dir + "\\License.txt"));
    DeleteFolderTree(dir);
}

TEST_F(MainForm, FinishEndsTheWizardWithOkWithoutAsking) {
    Run.Options.MainDir = "R:\\WizardFinish";
    Tick(Form->FinishChkBx(), false);
    Form->ShowPage(TPage::Installing, TPage::Assoc);
    ExpectOnPage(TPage::Finish);
    Form->BNClick(Form->NextBtn());
    EXPECT_EQ(Form->ModalResult, TModalResult::Ok);
    EXPECT_TRUE(Form->CloseAllowed);
    EXPECT_TRUE(Asked.empty());
    DeleteFolderTree("R:\\WizardFinish");
}

TEST_F(MainForm, FinishThatCannotWriteTheUpdateRecordShowsAnErrorAndStays) {
    // A folder where the update record should be: it can be neither read
    // nor written.
    const std::string record = Run.GetDataDir(TDataDir::Shared) + "Update.log";
    Run.Files()->UpdateList.push_back("parv.exe");  // as a run leaves it
    ASSERT_TRUE(CreateDirectoryA(record.c_str(), nullptr) ||
                GetLastError() == ERROR_ALREADY_EXISTS);
    Run.Options.MainDir = "C:\\WizardFinishFails";
    Tick(Form->FinishChkBx(), false);
    Form->ShowPage(TPage::Finish, TPage::FinishStep);
    ASSERT_EQ(Asked.size(), 1u);
    EXPECT_EQ(Asked[0].Kind, TMsgKind::Error);
    EXPECT_EQ(Asked[0].Buttons, TMsgButtons::Ok);
    EXPECT_FALSE(Asked[0].Text.empty());
    EXPECT_EQ(Form->ModalResult, TModalResult::None);
    EXPECT_FALSE(Form->CloseAllowed);
    RemoveDirectoryA(record.c_str());
    DeleteFolderTree(Run.GetDataDir(TDataDir::Shared));
}

// A run long enough to be interrupted: many clip images.
class MainFormLongRun : public MainForm {
protected:
    static constexpr int ClipCount = 600;
    static constexpr int ClipSize = 8192;

    void SetUp() override {
        MainForm::SetUp();
        std::vector<std::pair<std::string, std::string>> files = {{"parv.exe", "MZ"},
                                                                  {"License.txt", LicenseBody}};
        for (int i = 0; i < ClipCount; ++i)
            files.push_back({"Clip Library\\Images\\clip" + std::to_string(i) + ".gif",
                             std::string(ClipSize, 'g')});
        const std::string packed = PackPayload(files);
        Form.reset();
        Run.SetFiles(
            TAttachedFiles::Create(reinterpret_cast<const uint8_t*>(packed.data()), packed.size()));
        ASSERT_NE(Run.Files(), nullptr);
        Form = std::make_unique<TMainDlgForm>(Run);
        Form->CompletePages();
        ShowWindow(Form->Handle(), SW_SHOW);
        DeleteFolderTree(Dir);
        Run.Options.MainDir = Dir;
    }
    void TearDown() override {
        Run.InstallThreadStatus.WaitForInstallThread();
        Run.InstallThreadStatus.Reset();
        DeleteFolderTree(Dir);
        MainForm::TearDown();
    }

    int WrittenClips() const {
        int n = 0;
        for (int i = 0; i < ClipCount; ++i)
            n += FileExists(Dir + "\\Clip Library\\Images\\clip" + std::to_string(i) + ".gif");
        return n;
    }

    const std::string Dir = "R:\\WizardLong";
};

TEST_F(MainFormLongRun, QuitQuestionDuringTheRunPausesItAndNoResumes) {
    int32_t during = -1, after = -1;
    TInstallState stateWhileAsked{};
    SetMessageDlgHandler([&](const std::string& text, TMsgKind kind, TMsgButtons buttons) {
        Asked.push_back({text, kind, buttons});
        stateWhileAsked = Run.InstallThreadStatus.GetState();
        during = Run.InstallThreadStatus.Position.load();
        Sleep(300);
        after = Run.InstallThreadStatus.Position.load();
        return TModalResult::No;
    });
    Form->ShowPage(TPage::Start, TPage::Installing);
    Form->CancelBtnClick();
    ASSERT_EQ(Asked.size(), 1u);
    EXPECT_EQ(Asked[0].Text, MsgQuitSetup);
    EXPECT_EQ(stateWhileAsked, TInstallState::Paused);
    EXPECT_LE(after - during, ClipSize)
        << "at most the file in progress is finished while the question is open";
    EXPECT_EQ(Form->ModalResult, TModalResult::None);
    ASSERT_TRUE(PumpUntil([&] { return Form->CurrentPage() == TPage::Finish; }, 60000));
    EXPECT_EQ(WrittenClips(), ClipCount);
}

TEST_F(MainFormLongRun, AbortDuringTheRunStopsAfterTheCurrentFileAndCloses) {
    Answers = {TModalResult::Abort};
    Form->ShowPage(TPage::Start, TPage::Installing);
    Form->CancelBtnClick();
    EXPECT_EQ(Form->ModalResult, TModalResult::Cancel);
    EXPECT_TRUE(Form->CloseAllowed);
    Run.InstallThreadStatus.WaitForInstallThread();
    EXPECT_EQ(Run.InstallThreadStatus.GetState(), TInstallState::Done);
    EXPECT_LT(WrittenClips(), ClipCount);
    EXPECT_TRUE(Run.Log.InstallStarted()) << "a cancelled run still counts as started";
    // No further page: the association page never comes.
    PumpUntil([] { return false; }, 300);
    EXPECT_EQ(Form->CurrentPage(), TPage::Installing);
}

// The window's questions in the program's own box: the text shows whole
// on its own DC, and icon, text and buttons neither overlap nor leave the box.
struct TBoxGeometry {
    bool Found = false;
    int TextWidth = 0, TextHeight = 0;
    RECT Needed{};
    RECT Icon{}, Text{}, Client{};
    std::vector<RECT> Buttons;
};
TBoxGeometry* Measuring = nullptr;

RECT ChildRect(HWND box, HWND child) {
    RECT r;
    GetWindowRect(child, &r);
    MapWindowPoints(nullptr, box, reinterpret_cast<POINT*>(&r), 2);
    return r;
}

bool Overlap(const RECT& a, const RECT& b) {
    RECT both;
    return IntersectRect(&both, &a, &b) != FALSE;
}

void CALLBACK MeasureOpenBox(HWND, UINT, UINT_PTR id, DWORD) {
    HWND box = FindWindowA(MessageDlgClassName, nullptr);
    if (!box || !Measuring) return;
    KillTimer(nullptr, id);
    TBoxGeometry& g = *Measuring;
    g.Found = true;
    HWND text = GetDlgItem(box, MessageDlgTextId);
    GetClientRect(box, &g.Client);
    g.Icon = ChildRect(box, GetDlgItem(box, MessageDlgIconId));
    g.Text = ChildRect(box, text);
    RECT client;
    GetClientRect(text, &client);
    g.TextWidth = client.right;
    g.TextHeight = client.bottom;
    const std::string all = Text(text);
    TClientDC dc(text);
    TSelectObject font(dc.Get(), reinterpret_cast<HGDIOBJ>(SendMessageA(text, WM_GETFONT, 0, 0)));
    RECT need{0, 0, client.right, 0};
    DrawTextA(dc.Get(), all.c_str(), -1, &need,
              DT_CALCRECT | DT_WORDBREAK | DT_NOPREFIX | DT_EXPANDTABS);
    g.Needed = need;
    for (HWND c = GetWindow(box, GW_CHILD); c; c = GetWindow(c, GW_HWNDNEXT)) {
        char cls[16] = "";
        GetClassNameA(c, cls, sizeof cls);
        if (lstrcmpiA(cls, "Button") == 0) g.Buttons.push_back(ChildRect(box, c));
    }
    PostMessageA(box, WM_CLOSE, 0, 0);
}

TEST(WizardMessageBoxes, TextIconAndButtonsFitWithoutOverlap) {
    // The install run's file error with a long path, its widest line.
    const std::string fileError =
        "Cannot create file \"C:\\Program Files\\Parvela\\Templates\\Letters\\Business "
        "letter.tpl\".\r"
        "Another application might already be using this file.\r\r"
        "Please make sure that the setup of Parvela Word Processor is not blocked by your "
        "security software (firewall/antivirus) in any way.\r"
        "You might want to temporarily disable your security software and try again.";
    const struct {
        const char* Name;
        std::string Text;
        TMsgKind Kind;
        TMsgButtons Buttons;
    } boxes[] = {
        {"running copy", MsgAppRunning, TMsgKind::Information, TMsgButtons::Ok},
        {"licence declined", MsgLicenseDeclined, TMsgKind::Information,
         TMsgButtons::Yes | TMsgButtons::No},
        {"quit question", MsgQuitSetup, TMsgKind::Confirmation,
         TMsgButtons::No | TMsgButtons::Abort},
        {"file error", fileError, TMsgKind::Error,
         TMsgButtons::Abort | TMsgButtons::Retry | TMsgButtons::Ignore},
    };
    for (const auto& b : boxes) {
        SCOPED_TRACE(b.Name);
        TBoxGeometry g;
        Measuring = &g;
        const UINT_PTR timer = SetTimer(nullptr, 0, 20, MeasureOpenBox);
        MessageDlg(nullptr, b.Text, b.Kind, b.Buttons);
        KillTimer(nullptr, timer);
        Measuring = nullptr;
        ASSERT_TRUE(g.Found);
        // Wrapped at the text's own width, nothing runs past its right or
        // bottom edge.
        EXPECT_GT(g.Needed.right, 0);
        EXPECT_LE(g.Needed.right, g.TextWidth);
        EXPECT_LE(g.Needed.bottom, g.TextHeight);
        EXPECT_FALSE(Overlap(g.Icon, g.Text));
        ASSERT_FALSE(g.Buttons.empty());
        for (const RECT& r : g.Buttons) {
            EXPECT_FALSE(Overlap(r, g.Text));
            EXPECT_FALSE(Overlap(r, g.Icon));
            EXPECT_GE(r.left, 0);
            EXPECT_LE(r.right, g.Client.right);
            EXPECT_LE(r.bottom, g.Client.bottom);
        }
        EXPECT_LE(g.Text.right, g.Client.right);
    }
}

}  // namespace

namespace {

// The folder page refuses, with the reason, a main folder that cannot be
// installed into, and keeps the one it had; "." steps and short names end
// where their plain spelling ends.
TEST_F(MainForm, NextFromTheFolderPageRefusesFoldersThatCannotBeInstalledInto) {
    const std::string file = GetTempFolder() + "mainform_not_a_folder.txt";
    {
        TUniqueHandle f(
            CreateFileA(file.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr));
    }
    Next();
    Next();
    const std::string kept = Run.Options.MainDir;
    auto refused = [&](auto setText, const TFolderCheck& expected) {
        Asked.clear();
        setText();
        Next();
        ExpectOnPage(TPage::DestDir);
        ASSERT_EQ(Asked.size(), 1u);
        EXPECT_EQ(Asked[0].Kind, TMsgKind::Error);
        EXPECT_EQ(Asked[0].Text, FolderProblemMessage(expected));
        EXPECT_EQ(Run.Options.MainDir, kept);
        EXPECT_EQ(GetFocus(), Form->DestDirEdt());
    };
    refused([&] { SetWindowTextA(Form->DestDirEdt(), "C:\\x\" C:\\evil"); },
            {TFolderProblem::Quote, "\""});
    refused([&] { SetWindowTextA(Form->DestDirEdt(), (file + "\\Parvela").c_str()); },
            {TFolderProblem::NamesFile, file});
    // Room for "Install.log.~tmp99", the longest name a normal installation
    // of the test payload writes below the folder.
    refused([&] { SetWindowTextA(Form->DestDirEdt(), ("C:\\" + std::string(240, 'a')).c_str()); },
            {TFolderProblem::TooLong, "240"});
    // "C:\ソフト": not in code page 1252.
    refused([&] { SetWindowTextW(Form->DestDirEdt(), L"C:\\\x30bd\x30d5\x30c8"); },
            {TFolderProblem::NotInCodePage, ""});
    DeleteFileA(file.c_str());

    const std::string programFiles = GetShellFolder(CSIDL_PROGRAM_FILES_);
    char shortName[MAX_PATH] = {};
    ASSERT_GT(GetShortPathNameA(programFiles.c_str(), shortName, MAX_PATH), 0u);
    ASSERT_NE(shortName, programFiles);
    Asked.clear();
    for (const auto& [typed, expected] : std::vector<std::pair<std::string, std::string>>{
             {"C:\\Apps\\..", "C:\\Parvela"}, {shortName, programFiles + "\\Parvela"}}) {
        SetWindowTextA(Form->DestDirEdt(), typed.c_str());
        Next();
        ExpectOnPage(TPage::SelComp);
        EXPECT_EQ(Run.Options.MainDir, expected) << typed;
        Back();
    }
    EXPECT_TRUE(Asked.empty());
}

// A folder holding someone else's files is taken only when the user says so.
TEST_F(MainForm, NextAsksBeforeInstallingAmongSomeoneElsesFiles) {
    const std::string folder = GetTempFolder() + "mainform_foreign";
    CreateDirectoryA(folder.c_str(), nullptr);
    const std::string file = folder + "\\License.txt";
    TUniqueHandle(CreateFileA(file.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr));
    Next();
    Next();
    const std::string kept = Run.Options.MainDir;
    SetWindowTextA(Form->DestDirEdt(), folder.c_str());
    Answers = {TModalResult::No};
    Next();
    ExpectOnPage(TPage::DestDir);
    EXPECT_EQ(Run.Options.MainDir, kept);
    ASSERT_EQ(Asked.size(), 1u);
    EXPECT_EQ(Asked[0].Kind, TMsgKind::Confirmation);
    EXPECT_EQ(Asked[0].Buttons, TMsgButtons::Yes | TMsgButtons::No);
    EXPECT_EQ(Asked[0].Text, FolderProblemMessage({TFolderProblem::ForeignFiles, folder}));
    Answers = {TModalResult::Yes};
    Next();
    ExpectOnPage(TPage::SelComp);
    EXPECT_EQ(Run.Options.MainDir, folder);
    DeleteFileA(file.c_str());
    RemoveDirectoryA(folder.c_str());
}

}  // namespace
