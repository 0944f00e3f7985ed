// Install with the real setup program, then remove the installation the way
// the system's list of programs does: the command of the uninstall entry,
// its boxes answered, and the machine compared with its state before.
#include <algorithm>
#include <iterator>

#include "tests/e2e/SetupTest.h"

using namespace e2e;

namespace {

const char* const PendingKey = "System\\CurrentControlSet\\Control\\Session Manager";

// What an installation can touch: files outside Windows' own folder and the
// temporary folder, the user's software settings and the uninstall list.
struct MachineState {
    std::vector<std::string> files, registry;
};

MachineState Capture() {
    MachineState s;
    s.files =
        TreeOf({KnownFolder(CSIDL_PROGRAM_FILES), KnownFolder(CSIDL_COMMON_APPDATA), "C:\\users"},
               TempFolder());
    s.registry = RegistryTreeOf(HKEY_CURRENT_USER, "Software");
    const std::vector<std::string> uninstall = RegistryTreeOf(
        HKEY_LOCAL_MACHINE, "Software\\Microsoft\\Windows\\CurrentVersion\\Uninstall");
    s.registry.insert(s.registry.end(), uninstall.begin(), uninstall.end());
    std::sort(s.registry.begin(), s.registry.end());
    return s;
}

std::vector<std::string> Minus(const std::vector<std::string>& a,
                               const std::vector<std::string>& b) {
    std::vector<std::string> out;
    std::set_difference(a.begin(), a.end(), b.begin(), b.end(), std::back_inserter(out));
    return out;
}

std::vector<std::string> PendingDeletions() {
    std::vector<std::string> out;
    TRegKey k;
    if (RegOpenKeyExA(HKEY_LOCAL_MACHINE, PendingKey, 0, KEY_READ, k.OutPtr()) != ERROR_SUCCESS)
        return out;
    std::string data(65536, '\0');
    DWORD size = DWORD(data.size());
    if (RegQueryValueExA(k.Get(), "PendingFileRenameOperations", nullptr, nullptr,
                         reinterpret_cast<BYTE*>(data.data()), &size) != ERROR_SUCCESS)
        return out;
    data.resize(size);
    // Pairs of source and target; an empty target deletes the source.
    std::vector<std::string> parts;
    for (size_t at = 0; at < data.size();) {
        const size_t end = data.find('\0', at);
        parts.push_back(data.substr(at, end - at));
        if (end == std::string::npos) break;
        at = end + 1;
    }
    for (size_t i = 0; i + 1 < parts.size(); i += 2)
        if (!parts[i].empty() && parts[i + 1].empty()) out.push_back(parts[i]);
    return out;
}

}  // namespace

class UninstallTest : public SetupTest {
protected:
    void SetUp() override {
        SetupTest::SetUp();
        RegDeleteValueOf(HKEY_LOCAL_MACHINE, PendingKey, "PendingFileRenameOperations");
    }
    void TearDown() override {
        RegDeleteValueOf(HKEY_LOCAL_MACHINE, PendingKey, "PendingFileRenameOperations");
        SetupTest::TearDown();
    }

    // A whole run with the defaults but the launch; `ready` changes the
    // ready page's choices first.
    void Install(const std::function<void(const Wizard&)>& ready = {}) {
        const Wizard w = Start();
        ASSERT_TRUE(WalkTo(w, 4));
        if (ready) ready(w);
        ASSERT_TRUE(w.Next());
        ASSERT_TRUE(w.WaitPage(PageTitle[6], InstallTimeout)) << w.PageTitle();
        ASSERT_TRUE(NextTo(w, 7));
        SetBox(w, ctl_id::FinishChkBx, false);
        Finish(w);
    }

    // Starts the entry's command, confirms, and returns the final message.
    MessageBoxInfo Uninstall() {
        const auto command = UninstallCommand();
        if (!command) {
            ADD_FAILURE() << "no uninstall entry";
            return {};
        }
        EXPECT_EQ(command->second, "-ui");
        std::string error;
        Process ui = Process::Start(command->first, command->second, &error);
        EXPECT_TRUE(ui.Started()) << error;
        const auto confirm = WaitMessageBox(ui.Id(), nullptr, PageTimeout);
        if (!confirm) {
            ADD_FAILURE() << "no confirmation";
            return {};
        }
        EXPECT_EQ(confirm->title, "Confirm");
        EXPECT_EQ(confirm->text,
                  "Do you want to remove Parvela Word Processor from this computer?\rYour "
                  "documents are not affected.");
        EXPECT_EQ(confirm->buttons, (std::vector<std::string>{"&Yes", "&No"}));
        HWND no = FindByText(confirm->window, "&No", "Button");
        EXPECT_TRUE(GetWindowLongA(no, GWL_STYLE) & BS_DEFPUSHBUTTON) << "No is not the default";
        EXPECT_TRUE(Answer(*confirm, "&Yes"));
        // The removal goes on in a copy of the program: its box, any process.
        auto final = WaitMessageBox(0, nullptr, InstallTimeout);
        if (!final) {
            ADD_FAILURE() << "no final message";
            return {};
        }
        const DWORD copy = ProcessOf(final->window);
        Handle copyProcess(OpenProcess(SYNCHRONIZE, FALSE, copy));
        EXPECT_TRUE(Answer(*final, "OK"));
        // The started process waits for the removal and ends with its result.
        EXPECT_EQ(ui.WaitExit(ExitTimeout), ExitWith(TExitCode::Success));
        EXPECT_TRUE(copyProcess &&
                    WaitForSingleObject(copyProcess.Get(), DWORD(ExitTimeout.count())) ==
                        WAIT_OBJECT_0);
        return *final;
    }

    // The copy and its folder are all the removal leaves in the temporary
    // folder, and both go when Windows next starts (Wine's restart of the
    // prefix does what Windows does at start).
    void ExpectOnlyTheCopyPendingInTemp() {
        std::vector<std::string> copies;
        for (const std::string& name : TempLeftovers()) {
            EXPECT_EQ(name.rfind(RemovalCopyPrefix, 0), 0u) << name;
            copies.push_back(TempFolder() + name);
        }
        ASSERT_EQ(copies.size(), 1u);
        // The original's file was moved beside the copy while it ran.
        const std::string exe = copies[0] + "\\parv.exe";
        const std::string original = copies[0] + "\\original.exe";
        EXPECT_EQ(PendingDeletions(), (std::vector<std::string>{"\\??\\" + original, "\\??\\" + exe,
                                                                 "\\??\\" + copies[0]}));
        char system[MAX_PATH] = {};
        GetSystemDirectoryA(system, MAX_PATH);
        Process restart = Process::Start(std::string(system) + "\\wineboot.exe", "-r");
        ASSERT_TRUE(restart.WaitExit(ExitTimeout).has_value());
        EXPECT_EQ(TempLeftovers(), std::vector<std::string>{});
    }

    void ExpectMachineAsBefore(const MachineState& before,
                               const std::vector<std::string>& changed) {
        const MachineState after = Capture();
        const InstallPlaces p = DefaultPlaces();
        EXPECT_EQ(Minus(before.files, after.files), std::vector<std::string>{})
            << "files removed that were there";
        std::vector<std::string> extra;
        for (const std::string& f : Minus(after.files, before.files))
            if (f.rfind(p.sharedData, 0) != 0 && f + "\\" != p.sharedData) extra.push_back(f);
        EXPECT_EQ(extra, changed);
        EXPECT_EQ(Minus(after.registry, before.registry), std::vector<std::string>{});
        EXPECT_EQ(Minus(before.registry, after.registry), std::vector<std::string>{});
    }
};

TEST_F(UninstallTest, DefaultInstallationLeavesOnlyTheSharedDataAndTheChangedFile) {
    const MachineState before = Capture();
    const Wizard w = Start();
    ASSERT_TRUE(WalkTo(w, 4));
    ASSERT_TRUE(w.Next());
    ASSERT_TRUE(w.WaitPage(PageTitle[6], InstallTimeout));
    ASSERT_TRUE(NextTo(w, 7));
    Finish(w);
    // The launched application is closed, as a user would before removing it.
    ASSERT_TRUE(WaitUntil(AnyMarkedApplication, StartTimeout));
    KillMarkedApplications();

    const InstallPlaces p = DefaultPlaces();
    const std::string licence = p.mainDir + "\\License.txt";
    const auto text = ReadWholeFile(licence);
    ASSERT_TRUE(text.has_value());
    ASSERT_TRUE(WriteWholeFile(licence, *text + "\r\nRead on 8 December.\r\n"));

    const MessageBoxInfo final = Uninstall();
    EXPECT_EQ(final.title, "Information");
    std::string shared = p.sharedData;
    shared.pop_back();
    EXPECT_EQ(final.text,
              "Parvela Word Processor has been removed from this computer.\r\r"
              "These files were changed after the installation and were kept:\r" +
                  licence +
                  "\r\r"
                  "The shared dictionaries, templates and clip library in \"" +
                  shared +
                  "\" were kept for other users. Delete that folder if nobody needs them.");
    ExpectMachineAsBefore(before, {p.mainDir, p.mainDir + "\\Install.log", licence});
    ExpectOnlyTheCopyPendingInTemp();
}

TEST_F(UninstallTest, UpgradeOverAnEarlierInstallationIsRemovedWhole) {
    const MachineState before = Capture();
    // The earlier run: for this user only.
    Install([&](const Wizard& w) { SetBox(w, ctl_id::InstallToAllChkBx, false); });
    const InstallPlaces p = DefaultPlaces();
    const size_t firstLines = ReadLines(p.mainDir + "\\Install.log").size();
    ASSERT_TRUE(FileExists(KnownFolder(CSIDL_PROGRAMS) + "\\" + ShortcutName));
    // The upgrade: for everyone.
    Install([&](const Wizard& w) { SetBox(w, ctl_id::InstallToAllChkBx, true); });
    ASSERT_TRUE(FileExists(KnownFolder(CSIDL_COMMON_PROGRAMS) + "\\" + ShortcutName));
    ASSERT_GT(ReadLines(p.mainDir + "\\Install.log").size(), firstLines)
        << "the log is not the union of both runs";

    const MessageBoxInfo final = Uninstall();
    EXPECT_EQ(final.title, "Information");
    EXPECT_EQ(final.text.find("were changed"), std::string::npos) << final.text;
    for (int csidl : {CSIDL_PROGRAMS, CSIDL_DESKTOPDIRECTORY, CSIDL_COMMON_PROGRAMS,
                      CSIDL_COMMON_DESKTOPDIRECTORY})
        EXPECT_FALSE(FileExists(KnownFolder(csidl) + "\\" + ShortcutName)) << csidl;
    ExpectMachineAsBefore(before, {});
    ExpectOnlyTheCopyPendingInTemp();
}

// What a deployment tool does with the entry's quiet command: start it, wait
// for it, read its exit code, and expect the removal to be over by then.
TEST_F(UninstallTest, QuietCommandRemovesEverythingBeforeItEnds) {
    const MachineState before = Capture();
    ASSERT_EQ(Process::Start(SetupExe, "/VERYSILENT").WaitExit(InstallTimeout),
              ExitWith(TExitCode::Success));
    const auto quiet = RegString(HKEY_LOCAL_MACHINE, UninstallKeyPath, "QuietUninstallString");
    ASSERT_TRUE(quiet.has_value());
    const std::string exe = DefaultPlaces().mainDir + "\\parv.exe";
    ASSERT_EQ(*quiet, "\"" + exe + "\" -ui /VERYSILENT");
    Process ui = Process::Start(exe, "-ui /VERYSILENT");
    EXPECT_EQ(ui.WaitExit(InstallTimeout), ExitWith(TExitCode::Success));
    ExpectMachineAsBefore(before, {});
    ExpectOnlyTheCopyPendingInTemp();
}

TEST_F(UninstallTest, UnattendedRemovalEndsWithItsResult) {
    const std::string log = TempFolder() + "parvela-removal.log";
    const InstallPlaces p = DefaultPlaces();
    Handle held;
    struct Case {
        const char* What;
        std::string Dir, Args;
        std::function<void()> Before;
        TExitCode Code;
        const char* Logged;  // a line of the log holds this
        bool ExeStays;
    };
    const Case cases[] = {
        {"a file in use", p.mainDir, "-ui /S /LOG=\"" + log + "\"",
         [&] {
             held = Handle(CreateFileA((p.mainDir + "\\Hyphenation.dat").c_str(), GENERIC_READ, 0,
                                       nullptr, OPEN_EXISTING, 0, nullptr));
             ASSERT_TRUE(held);
         },
         TExitCode::Failed, "Left (could not be removed): ", false},
        {"a portable copy", "R:\\Parvela", "-ui /S /LOG=\"" + log + "\"", {},
         TExitCode::NothingToRemove, "portable copy", true},
        {"an unknown switch", p.mainDir, "-ui /VERYSLIENT", {}, TExitCode::CouldNotStart, "", true},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.What);
        ASSERT_EQ(Process::Start(SetupExe, "/VERYSILENT /DIR=\"" + c.Dir + "\"").WaitExit(InstallTimeout),
                  ExitWith(TExitCode::Success));
        if (c.Before) c.Before();
        const std::string exe = c.Dir + "\\parv.exe";
        EXPECT_EQ(Process::Start(exe, c.Args).WaitExit(InstallTimeout), ExitWith(c.Code));
        bool logged = !*c.Logged;
        for (const std::string& line : ReadLines(log))
            logged = logged || line.find(c.Logged) != std::string::npos;
        EXPECT_TRUE(logged) << c.Logged;
        EXPECT_EQ(FileExists(exe), c.ExeStays);
        held = Handle();
        DeleteFileA(log.c_str());
        CleanInstallState(ExtraRoots());
    }
}

TEST_F(UninstallTest, NoToTheQuestionChangesNothingAndSaysSo) {
    Install();
    const MachineState installed = Capture();
    const auto command = UninstallCommand();
    ASSERT_TRUE(command.has_value());
    Process ui = Process::Start(command->first, command->second);
    const auto confirm = WaitMessageBox(ui.Id(), nullptr, PageTimeout);
    ASSERT_TRUE(confirm.has_value());
    ASSERT_TRUE(Answer(*confirm, "&No"));
    EXPECT_EQ(ui.WaitExit(ExitTimeout), ExitWith(TExitCode::Cancelled));
    const MachineState after = Capture();
    EXPECT_EQ(after.files, installed.files);
    EXPECT_EQ(after.registry, installed.registry);
}
