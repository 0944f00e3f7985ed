// Whole installation runs: what lands on disk and in the registry.
#include <cmath>
#include <cstring>
#include <algorithm>

#include "tests/e2e/SetupTest.h"

using namespace e2e;

namespace {

const std::string InstallKey = std::string(InstallKeyPath) + "\\Install";

std::string Hex(const std::string& bytes) {
    static const char* digits = "0123456789ABCDEF";
    std::string out;
    for (unsigned char c : bytes) {
        out += digits[c >> 4];
        out += digits[c & 15];
    }
    return out;
}

// Days since 1899-12-30 of the local time now.
double LocalDayCountNow() {
    SYSTEMTIME st;
    GetLocalTime(&st);
    FILETIME ft;
    SystemTimeToFileTime(&st, &ft);
    const ULONGLONG t = (static_cast<ULONGLONG>(ft.dwHighDateTime) << 32) | ft.dwLowDateTime;
    // 1601-01-01 is day -109205 of that count.
    return static_cast<double>(t) / 864000000000.0 - 109205.0;
}

bool HasLineStartingWith(const std::vector<std::string>& lines, const std::string& prefix) {
    for (const std::string& l : lines)
        if (l.compare(0, prefix.size(), prefix) == 0) return true;
    return false;
}

int CountLinesStartingWith(const std::vector<std::string>& lines, const std::string& prefix) {
    int n = 0;
    for (const std::string& l : lines) n += l.compare(0, prefix.size(), prefix) == 0;
    return n;
}

// The stand-in application's command log, waited for: the setup program
// starts it without waiting.
std::vector<std::string> CommandsContaining(const std::string& part, Ms timeout) {
    std::vector<std::string> hits;
    WaitUntil(
        [&] {
            hits.clear();
            for (const std::string& l : ReadLines(TempFolder() + StandInCommandLog))
                if (l.find(part) != std::string::npos) hits.push_back(l);
            return !hits.empty();
        },
        timeout);
    return hits;
}

// Files and folders below `folder`, all levels.
size_t CountEntries(const std::string& folder) {
    size_t n = 0;
    for (const std::string& name : ListFolder(folder)) {
        ++n;
        if (FolderExists(folder + "\\" + name)) n += CountEntries(folder + "\\" + name);
    }
    return n;
}

void ExpectCommonDataFile(const std::string& path) {
    const auto data = ReadWholeFile(path);
    ASSERT_TRUE(data.has_value()) << path;
    ASSERT_EQ(data->size(), 25u);
    int32_t ints[2];
    memcpy(ints, data->data(), 8);
    EXPECT_EQ(ints[0], 1);
    EXPECT_EQ(ints[1], 8);
    double when;
    memcpy(&when, data->data() + 8, 8);
    EXPECT_LT(std::fabs(when - LocalDayCountNow()), 1.0 / 24) << "not the local time of writing";
    memcpy(ints, data->data() + 16, 8);
    EXPECT_EQ(ints[0], 2);
    EXPECT_EQ(ints[1], 1);
    EXPECT_EQ((*data)[24], '1');
}

}  // namespace

class InstallTest : public SetupTest {
protected:
    // Welcome to the installing page with the defaults, then waits for the
    // page after it.
    void InstallUpTo(const Wizard& w, int after) {
        ASSERT_TRUE(WalkTo(w, 4));
        ASSERT_TRUE(w.Next());
        ASSERT_TRUE(w.WaitPage(PageTitle[after], InstallTimeout)) << "stuck on " << w.PageTitle();
    }
};

TEST_F(InstallTest, FirstInstallationWithTheDefaults) {
    const Wizard w = Start();
    InstallUpTo(w, 6);
    // Only "Encrypted COD Documents" is ticked on a first run.
    const int expected[4] = {BST_UNCHECKED, BST_CHECKED, BST_UNCHECKED, BST_UNCHECKED};
    for (int i = 0; i < 4; ++i)
        EXPECT_EQ(CheckState(Ctl(w, ctl_id::AssocChkBx1 + i)), expected[i]) << i;
    EXPECT_FALSE(IsEnabledWindow(Ctl(w, ctl_id::BackBtn)));
    ASSERT_TRUE(NextTo(w, 7));
    EXPECT_EQ(GetText(Ctl(w, ctl_id::NextBtn)), "&Finish");
    EXPECT_FALSE(IsEnabledWindow(Ctl(w, ctl_id::CancelBtn)));
    EXPECT_EQ(CheckState(Ctl(w, ctl_id::FinishChkBx)), BST_CHECKED);
    Finish(w);
    EXPECT_EQ(TempLeftovers(), std::vector<std::string>{});

    const InstallPlaces p = DefaultPlaces();
    const std::string main = p.mainDir + "\\";
    for (const char* f : {"parv.exe", "License.txt", "Hyphenation.dat", "Install.log"})
        EXPECT_TRUE(FileExists(main + f)) << f;
    for (const char* f :
         {"Spellcheck\\english.zlx", "Spellcheck\\English (British).cache", "Basic.asn"})
        EXPECT_TRUE(FileExists(p.publicData + f)) << f;
    EXPECT_TRUE(FolderExists(p.publicData + "Templates"));
    EXPECT_TRUE(FolderExists(p.publicData + "Clip Library"));
    EXPECT_EQ(ReadWholeFile(p.publicData + "Spellcheck\\English (British).cache"),
              ReadWholeFile(p.publicData + "Spellcheck\\English (American).cache"));

    const std::vector<std::string> log = ReadLines(main + "Install.log");
    EXPECT_TRUE(HasLineStartingWith(log, "Made Dir: "));
    EXPECT_TRUE(HasLineStartingWith(log, "File Copy: " + main + "parv.exe"));

    const auto stamp = ReadWholeFile(p.hiddenData + "install_stamp");
    ASSERT_TRUE(stamp.has_value());
    ASSERT_EQ(stamp->size(), 8u);
    const std::vector<std::string> update = ReadLines(p.sharedData + "Update.log");
    ASSERT_FALSE(update.empty());
    EXPECT_EQ(update[0], std::string("*") + Hex(*stamp));
    EXPECT_EQ(CountLinesStartingWith(update, "*"), 1);
    EXPECT_TRUE(HasLineStartingWith(update, p.publicData + "Spellcheck\\"));
    ExpectCommonDataFile(p.sharedData + "parv_common.dat");

    EXPECT_EQ(RegString(HKEY_CURRENT_USER, InstallKey, "MAINDIR"), p.mainDir);
    EXPECT_EQ(RegDword(HKEY_CURRENT_USER, InstallKey, "COMPS (1.6.6.2)"), 0x7FFFFFFEu);
    EXPECT_EQ(RegDword(HKEY_CURRENT_USER, InstallKey, "INSTALLTOALL"), 1u);
    EXPECT_EQ(RegDword(HKEY_CURRENT_USER, InstallKey, "DSKSHORTCUT"), 1u);
    EXPECT_EQ(RegDword(HKEY_CURRENT_USER, InstallKey, "LAUNCH"), 1u);
    EXPECT_EQ(RegString(HKEY_CURRENT_USER, InstallKey, "EXTENSIONS"), "B");

    EXPECT_EQ(RegString(HKEY_LOCAL_MACHINE, UninstallKeyPath, "DisplayName"),
              "Parvela Word Processor");
    EXPECT_EQ(RegString(HKEY_LOCAL_MACHINE, UninstallKeyPath, "DisplayVersion"), "4.0.3.2");
    EXPECT_EQ(RegString(HKEY_LOCAL_MACHINE, UninstallKeyPath, "Publisher"),
              "The Parvela Word Processor Team");
    EXPECT_EQ(RegString(HKEY_LOCAL_MACHINE, UninstallKeyPath, "DisplayIcon"), main + "parv.exe");
    EXPECT_EQ(RegString(HKEY_LOCAL_MACHINE, UninstallKeyPath, "UninstallString"),
              "\"" + main + "parv.exe\" -ui");
    EXPECT_GT(RegDword(HKEY_LOCAL_MACHINE, UninstallKeyPath, "EstimatedSize").value_or(0), 4000u);

    // "Install for anyone" ticked: both shortcuts in the all-users folders.
    for (int csidl : {CSIDL_COMMON_PROGRAMS, CSIDL_COMMON_DESKTOPDIRECTORY})
        EXPECT_TRUE(FileExists(KnownFolder(csidl) + "\\" + ShortcutName)) << csidl;

    // The association command, then the launch; the stand-in applies the
    // association for the current user.
    const auto assoc = CommandsContaining("-assoc", PageTimeout);
    ASSERT_EQ(assoc.size(), 1u);
    EXPECT_EQ(assoc[0], "\"" + main + "parv.exe\" -assoc adpr_cod");
    EXPECT_EQ(CommandsContaining("\"" + main + "parv.exe\"", PageTimeout).size(), 2u);
    EXPECT_TRUE(WaitUntil(
        [] {
            return RegString(HKEY_CURRENT_USER, "Software\\Classes\\.cod", nullptr) ==
                   std::string("Parvela.Document");
        },
        PageTimeout));
    // The launched application marks its window; then it may be ended.
    EXPECT_TRUE(WaitUntil(AnyMarkedApplication, StartTimeout));
}

TEST_F(InstallTest, PortableInstallationKeepsEverythingOnTheStick) {
    const Wizard w = Start("-dR:\\Parvela");
    ASSERT_TRUE(WalkTo(w, 2));
    EXPECT_EQ(GetText(Ctl(w, ctl_id::DestDirEdt)), "R:\\Parvela");
    ASSERT_TRUE(NextTo(w, 3));
    ASSERT_TRUE(NextTo(w, 4));
    EXPECT_FALSE(IsShown(Ctl(w, ctl_id::InstallToAllChkBx)));
    EXPECT_FALSE(IsShown(Ctl(w, ctl_id::DesktopChkBx)));
    ASSERT_TRUE(w.Next());
    // No association page.
    ASSERT_TRUE(w.WaitPage(PageTitle[7], InstallTimeout)) << w.PageTitle();
    SetBox(w, ctl_id::FinishChkBx, false);
    Finish(w);

    const std::string main = "R:\\Parvela\\";
    for (const char* f : {"parv.exe", "License.txt", "Hyphenation.dat", "Basic.asn",
                          "parv_common.dat", "Spellcheck\\english.zlx"})
        EXPECT_TRUE(FileExists(main + f)) << f;
    EXPECT_TRUE(FolderExists(main + "Templates"));
    ExpectCommonDataFile(main + "parv_common.dat");
    for (const char* f : {"Install.log", "Update.log", "install_stamp"})
        EXPECT_FALSE(FileExists(main + f)) << f;

    const InstallPlaces p = DefaultPlaces();
    EXPECT_FALSE(FolderExists(p.mainDir));
    EXPECT_FALSE(FileExists(p.sharedData + "Update.log"));
    EXPECT_FALSE(RegKeyExists(HKEY_LOCAL_MACHINE, UninstallKeyPath));
    EXPECT_EQ(RegString(HKEY_CURRENT_USER, InstallKey, "MAINDIR"), "R:\\Parvela");
    // Extensions keep their loaded value: nothing was saved before, so "B".
    EXPECT_EQ(RegString(HKEY_CURRENT_USER, InstallKey, "EXTENSIONS"), "B");
    for (const std::string& f : p.shortcutFolders)
        EXPECT_FALSE(FileExists(f + "\\" + ShortcutName)) << f;
    Sleep(500);
    EXPECT_TRUE(ReadLines(TempFolder() + StandInCommandLog).empty());
}

TEST_F(InstallTest, SecondRunRemembersTheChoicesAndMergesTheLogs) {
    {
        const Wizard w = Start();
        ASSERT_TRUE(WalkTo(w, 4));
        SetBox(w, ctl_id::DesktopChkBx, false);
        ASSERT_TRUE(w.Next());
        ASSERT_TRUE(w.WaitPage(PageTitle[6], InstallTimeout));
        SetBox(w, ctl_id::AssocChkBx1, true);
        ASSERT_TRUE(NextTo(w, 7));
        SetBox(w, ctl_id::FinishChkBx, false);
        Finish(w);
    }
    const InstallPlaces p = DefaultPlaces();
    const std::vector<std::string> firstLog = ReadLines(p.mainDir + "\\Install.log");
    ASSERT_FALSE(firstLog.empty());
    const auto firstStamp = ReadWholeFile(p.hiddenData + "install_stamp");
    ASSERT_TRUE(firstStamp.has_value());
    EXPECT_EQ(RegString(HKEY_CURRENT_USER, InstallKey, "EXTENSIONS"), "AB");
    EXPECT_EQ(RegDword(HKEY_CURRENT_USER, InstallKey, "DSKSHORTCUT"), 0u);
    EXPECT_FALSE(FileExists(KnownFolder(CSIDL_COMMON_DESKTOPDIRECTORY) + "\\" + ShortcutName));

    {
        const Wizard w = Start();
        ASSERT_TRUE(WalkTo(w, 4));
        EXPECT_EQ(CheckState(Ctl(w, ctl_id::DesktopChkBx)), BST_UNCHECKED);
        EXPECT_EQ(CheckState(Ctl(w, ctl_id::InstallToAllChkBx)), BST_CHECKED);
        ASSERT_TRUE(w.Next());
        ASSERT_TRUE(w.WaitPage(PageTitle[6], InstallTimeout));
        const int expected[4] = {BST_CHECKED, BST_CHECKED, BST_UNCHECKED, BST_UNCHECKED};
        for (int i = 0; i < 4; ++i)
            EXPECT_EQ(CheckState(Ctl(w, ctl_id::AssocChkBx1 + i)), expected[i]) << i;
        ASSERT_TRUE(NextTo(w, 7));
        EXPECT_EQ(CheckState(Ctl(w, ctl_id::FinishChkBx)), BST_UNCHECKED);
        Finish(w);
    }
    // The log keeps the first run's lines in order and adds no duplicates.
    const std::vector<std::string> log = ReadLines(p.mainDir + "\\Install.log");
    ASSERT_GE(log.size(), firstLog.size());
    EXPECT_TRUE(std::equal(firstLog.begin(), firstLog.end(), log.begin()));
    std::vector<std::string> sorted = log;
    std::sort(sorted.begin(), sorted.end());
    EXPECT_EQ(std::adjacent_find(sorted.begin(), sorted.end()), sorted.end())
        << "duplicate log line";

    // Every file of the first group was written again, so only the new
    // stamp remains, with each file once.
    const auto stamp = ReadWholeFile(p.hiddenData + "install_stamp");
    ASSERT_TRUE(stamp.has_value());
    EXPECT_NE(*stamp, *firstStamp);
    const std::vector<std::string> update = ReadLines(p.sharedData + "Update.log");
    ASSERT_FALSE(update.empty());
    EXPECT_EQ(update[0], std::string("*") + Hex(*stamp));
    EXPECT_EQ(CountLinesStartingWith(update, "*"), 1);
    sorted = update;
    std::sort(sorted.begin(), sorted.end());
    EXPECT_EQ(std::adjacent_find(sorted.begin(), sorted.end()), sorted.end())
        << "duplicate update line";

    EXPECT_EQ(CommandsContaining("-assoc", PageTimeout),
              (std::vector<std::string>{"\"" + p.mainDir + "\\parv.exe\" -assoc adpr_rtf_cod",
                                        "\"" + p.mainDir + "\\parv.exe\" -assoc adpr_rtf_cod"}));
}

TEST_F(InstallTest, CancelDuringTheRunAnsweredNoThenAbort) {
    const Wizard w = Start();
    ASSERT_TRUE(WalkTo(w, 4));
    // Both clicks wait in one queue: Cancel is handled right after the run
    // has started, before the install thread can finish.
    ASSERT_TRUE(w.Next());
    ASSERT_TRUE(Click(Ctl(w, ctl_id::CancelBtn)));
    MessageBoxInfo box = Box(w);
    EXPECT_EQ(box.text, QuitQuestion);
    EXPECT_EQ(w.PageTitle(), PageTitle[5]);
    // The run holds still while the question is open.
    const InstallPlaces places = DefaultPlaces();
    const size_t before = CountEntries(places.mainDir) + CountEntries(places.sharedData);
    EXPECT_FALSE(FileExists(places.publicData + "Basic.asn"))
        << "the last file was written already";
    Sleep(700);
    EXPECT_EQ(CountEntries(places.mainDir) + CountEntries(places.sharedData), before);
    // No lets the run go on; the next close request comes in behind it.
    HWND no = FindByText(box.window, "&No", "Button");
    ASSERT_TRUE(Click(no));
    ASSERT_TRUE(Click(Ctl(w, ctl_id::CancelBtn)));
    ASSERT_TRUE(WaitUntil([&] { return !IsWindow(box.window); }, PageTimeout));
    box = Box(w);
    EXPECT_EQ(box.text, QuitQuestion);
    ASSERT_TRUE(Answer(box, "&Abort"));
    EXPECT_EQ(setup.WaitExit(ExitTimeout), ExitWith(TExitCode::CancelledDuringInstall));
    EXPECT_EQ(TempLeftovers(), std::vector<std::string>{});

    // The run counts as started: settings, uninstall entry and log are
    // saved; the finishing steps never ran.
    const InstallPlaces p = DefaultPlaces();
    EXPECT_EQ(RegString(HKEY_CURRENT_USER, InstallKey, "MAINDIR"), p.mainDir);
    EXPECT_TRUE(RegKeyExists(HKEY_LOCAL_MACHINE, UninstallKeyPath));
    EXPECT_TRUE(HasLineStartingWith(ReadLines(p.mainDir + "\\Install.log"), "Made Dir: "));
    EXPECT_TRUE(FileExists(p.hiddenData + "install_stamp"));
    EXPECT_FALSE(FileExists(p.sharedData + "parv_common.dat"));
    EXPECT_FALSE(FileExists(p.sharedData + "Update.log"));
    for (const std::string& f : p.shortcutFolders)
        EXPECT_FALSE(FileExists(f + "\\" + ShortcutName)) << f;
    EXPECT_TRUE(ReadLines(TempFolder() + StandInCommandLog).empty());
}

TEST_F(InstallTest, UntickedComponentIsNeitherCountedNorInstalled) {
    const Wizard w = Start();
    ASSERT_TRUE(WalkTo(w, 3));
    const std::vector<HWND> lists = FindByClass(Ctl(w, ctl_id::SelCompLstBx), "ListBox");
    ASSERT_EQ(lists.size(), 1u);
    HWND list = lists[0];
    HWND required = Ctl(w, ctl_id::SelCompDiskSpaceReqLbl2);
    const std::string all = GetText(required);
    ASSERT_FALSE(all.empty());
    const int rowHeight = static_cast<int>(SendMessageA(list, LB_GETITEMHEIGHT, 0, 0));
    const int top = static_cast<int>(SendMessageA(list, LB_GETTOPINDEX, 0, 0));
    ASSERT_GT(rowHeight, 0);
    auto glyphOf = [&](int row) { return (row - top) * rowHeight + rowHeight / 2; };

    // Space on the current row (the spellchecker) toggles it both ways.
    ASSERT_TRUE(PressKey(list, VK_SPACE));
    ASSERT_TRUE(WaitUntil([&] { return GetText(required) != all; }, PageTimeout));
    ASSERT_TRUE(PressKey(list, VK_SPACE));
    ASSERT_TRUE(WaitUntil([&] { return GetText(required) == all; }, PageTimeout));
    // The application's row stays selected whatever the user clicks.
    ASSERT_TRUE(ClickAt(list, 6, glyphOf(0)));
    Sleep(500);
    EXPECT_EQ(GetText(required), all);
    // A click on the spellchecker's glyph unticks it.
    ASSERT_TRUE(ClickAt(list, 6, glyphOf(1)));
    ASSERT_TRUE(WaitUntil([&] { return GetText(required) != all; }, PageTimeout));

    ASSERT_TRUE(NextTo(w, 4));
    ASSERT_TRUE(w.Next());
    ASSERT_TRUE(w.WaitPage(PageTitle[6], InstallTimeout));
    ASSERT_TRUE(NextTo(w, 7));
    SetBox(w, ctl_id::FinishChkBx, false);
    Finish(w);

    const InstallPlaces p = DefaultPlaces();
    EXPECT_TRUE(FileExists(p.mainDir + "\\parv.exe"));
    EXPECT_TRUE(FileExists(p.publicData + "Basic.asn"));
    EXPECT_FALSE(FolderExists(p.publicData + "Spellcheck"));
    EXPECT_EQ(RegDword(HKEY_CURRENT_USER, InstallKey, "COMPS (1.6.6.2)"), 0x7FFFFFFCu);
    for (const std::string& line : ReadLines(p.sharedData + "Update.log"))
        EXPECT_EQ(line.find("Spellcheck"), std::string::npos) << line;
}

TEST_F(InstallTest, LastPageIgnoresEscapeButItsCloseBoxSkipsTheFinishActions) {
    const Wizard w = Start();
    InstallUpTo(w, 6);
    ASSERT_TRUE(NextTo(w, 7));
    HWND focus = FocusedControl(w.Window());
    ASSERT_TRUE(PressKey(focus ? focus : w.Window(), VK_ESCAPE));
    EXPECT_FALSE(w.WaitMessageBox(Ms(1000)).has_value())
        << "Escape asked although Cancel is disabled";
    ASSERT_TRUE(RequestClose(w.Window()));
    const MessageBoxInfo box = Box(w);
    EXPECT_EQ(box.text, QuitQuestion);
    ASSERT_TRUE(Answer(box, "&Abort"));
    EXPECT_EQ(setup.WaitExit(ExitTimeout), ExitWith(TExitCode::CancelledDuringInstall));

    // Entering the last page made the common data file, the association and
    // the shortcuts; only Finish would write the update record and launch.
    const InstallPlaces p = DefaultPlaces();
    EXPECT_TRUE(FileExists(p.sharedData + "parv_common.dat"));
    EXPECT_TRUE(FileExists(KnownFolder(CSIDL_COMMON_PROGRAMS) + "\\" + ShortcutName));
    EXPECT_FALSE(FileExists(p.sharedData + "Update.log"));
    EXPECT_TRUE(FileExists(p.mainDir + "\\Install.log"));
    EXPECT_EQ(CommandsContaining("-assoc", PageTimeout).size(), 1u);
    Sleep(500);
    EXPECT_EQ(CommandsContaining("parv.exe", Ms(0)).size(), 1u) << "the application was launched";
}

TEST_F(InstallTest, NoOnTheQuitQuestionLetsTheRunFinish) {
    const Wizard w = Start();
    ASSERT_TRUE(WalkTo(w, 4));
    ASSERT_TRUE(w.Next());
    ASSERT_TRUE(Click(Ctl(w, ctl_id::CancelBtn)));
    const MessageBoxInfo box = Box(w);
    EXPECT_EQ(box.text, QuitQuestion);
    ASSERT_TRUE(Answer(box, "&No"));
    ASSERT_TRUE(w.WaitPage(PageTitle[6], InstallTimeout)) << "the run did not go on after No";
    ASSERT_TRUE(NextTo(w, 7));
    SetBox(w, ctl_id::FinishChkBx, false);
    Finish(w);
    const InstallPlaces p = DefaultPlaces();
    EXPECT_TRUE(FileExists(p.publicData + "Basic.asn"));
    EXPECT_TRUE(FileExists(p.sharedData + "Update.log"));
}

TEST_F(InstallTest, UserDictionaryIsKeptOnlyByAPortableInstallation) {
    const struct {
        std::string args, spellcheck;
        bool kept;
    } cases[] = {
        {"-dR:\\Parvela", "R:\\Parvela\\Spellcheck\\", true},
        {"", DefaultPlaces().publicData + "Spellcheck\\", false},
    };
    for (const auto& c : cases) {
        CleanInstallState(ExtraRoots());
        ASSERT_TRUE(SHCreateDirectoryExA(nullptr, c.spellcheck.c_str(), nullptr) == ERROR_SUCCESS);
        ASSERT_TRUE(WriteWholeFile(c.spellcheck + "userdicen.tlx", "my own words"));
        // The earlier portable installation those words belong to.
        if (c.kept) {
            ASSERT_TRUE(WriteWholeFile("R:\\Parvela\\parv.exe", "earlier"));
        }
        const Wizard w = Start(c.args);
        ASSERT_TRUE(WalkTo(w, 4));
        ASSERT_TRUE(w.Next());
        ASSERT_TRUE(w.WaitPage(PageTitle[c.kept ? 7 : 6], InstallTimeout)) << w.PageTitle();
        if (!c.kept) {
            ASSERT_TRUE(NextTo(w, 7));
        }
        SetBox(w, ctl_id::FinishChkBx, false);
        Finish(w);
        EXPECT_EQ(ReadWholeFile(c.spellcheck + "userdicen.tlx") == std::string("my own words"),
                  c.kept)
            << c.spellcheck;
        EXPECT_TRUE(FileExists(c.spellcheck + "english.zlx")) << c.spellcheck;
    }
}

class HeldFileTest : public InstallTest {
protected:
    // A parv.exe in the main folder that another program holds open.
    void HoldTarget() {
        const std::string main = DefaultPlaces().mainDir;
        ASSERT_TRUE(CreateDirectoryA(main.c_str(), nullptr));
        ASSERT_TRUE(WriteWholeFile(main + "\\parv.exe", "held"));
        held = Handle(CreateFileA((main + "\\parv.exe").c_str(), GENERIC_READ, 0, nullptr,
                                  OPEN_EXISTING, 0, nullptr));
        ASSERT_TRUE(held);
    }
    // Runs into the file error and returns its box.
    MessageBoxInfo RunIntoFileError(const Wizard& w) {
        EXPECT_TRUE(WalkTo(w, 4));
        EXPECT_TRUE(w.Next());
        auto box = w.WaitMessageBox(InstallTimeout);
        if (!box) {
            ADD_FAILURE() << "no question about the held file";
            return {};
        }
        EXPECT_EQ(box->title, "Error");
        EXPECT_EQ(box->buttons, (std::vector<std::string>{"&Abort", "&Retry", "&Ignore"}));
        EXPECT_EQ(
            box->text,
            "Cannot create file \"" + DefaultPlaces().mainDir +
                "\\parv.exe\".\r"
                "Another application might already be using this file.\r\r"
                "Please make sure that the setup of Parvela Word Processor is not blocked by your "
                "security software (firewall/antivirus) in any way.\r"
                "You might want to temporarily disable your security software and try again.");
        return *box;
    }
    Handle held;
};

TEST_F(HeldFileTest, RetryAfterTheFileWasReleasedWritesIt) {
    HoldTarget();
    const Wizard w = Start();
    const MessageBoxInfo box = RunIntoFileError(w);
    held = Handle();
    ASSERT_TRUE(Answer(box, "&Retry"));
    ASSERT_TRUE(w.WaitPage(PageTitle[6], InstallTimeout)) << w.PageTitle();
    ASSERT_TRUE(NextTo(w, 7));
    SetBox(w, ctl_id::FinishChkBx, false);
    Finish(w);
    const auto exe = ReadWholeFile(DefaultPlaces().mainDir + "\\parv.exe");
    ASSERT_TRUE(exe.has_value());
    EXPECT_EQ(exe->substr(0, 2), "MZ");
}

TEST_F(HeldFileTest, AbortEndsTheRunWithoutAnotherQuestion) {
    HoldTarget();
    const Wizard w = Start();
    const MessageBoxInfo box = RunIntoFileError(w);
    ASSERT_TRUE(Answer(box, "&Abort"));
    EXPECT_EQ(setup.WaitExit(ExitTimeout), ExitWith(TExitCode::Failed))
        << "the window did not close by itself";
    held = Handle();
    const InstallPlaces p = DefaultPlaces();
    EXPECT_EQ(ReadWholeFile(p.mainDir + "\\parv.exe"), std::string("held"));
    EXPECT_EQ(RegString(HKEY_CURRENT_USER, InstallKey, "MAINDIR"), p.mainDir);
    EXPECT_TRUE(FileExists(p.mainDir + "\\Install.log"));
    EXPECT_FALSE(FileExists(p.sharedData + "parv_common.dat"));
}
