// Runs nobody answers: what a deployment tool starts, waits for and reads.
#include <algorithm>
#include <functional>
#include <set>

#include "tests/e2e/SetupTest.h"

using namespace e2e;

namespace {

const std::string InstallKey = std::string(InstallKeyPath) + "\\Install";

// Everything a run leaves that two runs with the same answers must share:
// the files and folders (names), Install.log's lines, the settings and the
// uninstall entry, the shortcuts.
std::vector<std::string> InstalledState() {
    const InstallPlaces p = DefaultPlaces();
    std::vector<std::string> roots = {p.mainDir, p.sharedData, p.docsParvela};
    std::vector<std::string> state = TreeOf(roots);
    for (const std::string& folder : p.shortcutFolders)
        if (FileExists(folder + "\\" + ShortcutName)) state.push_back(folder + "\\" + ShortcutName);
    std::vector<std::string> log = ReadLines(p.mainDir + "\\Install.log");
    std::sort(log.begin(), log.end());
    state.insert(state.end(), log.begin(), log.end());
    for (const auto& tree : {RegistryTreeOf(HKEY_CURRENT_USER, InstallKey),
                             RegistryTreeOf(HKEY_LOCAL_MACHINE, UninstallKeyPath)})
        state.insert(state.end(), tree.begin(), tree.end());
    return state;
}

}  // namespace

class SilentTest : public SetupTest {
protected:
    // Starts the setup with `args` and waits for its end, noting the class of
    // every visible top-level window it shows meanwhile; `meanwhile` runs at
    // each look.
    std::optional<DWORD> RunQuietly(const std::string& args, std::set<std::string>* shown = nullptr,
                                    const std::function<void()>& meanwhile = {}) {
        std::string error;
        setup = Process::Start(SetupExe, args, &error);
        EXPECT_TRUE(setup.Started()) << error;
        std::optional<DWORD> code;
        WaitUntil(
            [&] {
                if (meanwhile) meanwhile();
                if (shown)
                    for (HWND top : TopLevelWindows(setup.Id())) shown->insert(ClassOf(top));
                return (code = setup.WaitExit(Ms(0))).has_value();
            },
            InstallTimeout, Ms(5));
        return code;
    }
    // A parv.exe in the main folder that another program holds open.
    static Handle HoldParvExe() {
        const std::string exe = DefaultPlaces().mainDir + "\\parv.exe";
        CreateDirectoryA(DefaultPlaces().mainDir.c_str(), nullptr);
        EXPECT_TRUE(WriteWholeFile(exe, "held"));
        return Handle(
            CreateFileA(exe.c_str(), GENERIC_READ, 0, nullptr, OPEN_EXISTING, 0, nullptr));
    }
    std::string LogPath() const { return TempFolder() + "parvela-silent.log"; }
    std::vector<std::string> LogLines() const { return ReadLines(LogPath()); }
    bool Logged(const std::string& part) const {
        for (const std::string& l : LogLines())
            if (l.find(part) != std::string::npos) return true;
        return false;
    }
    void TearDown() override {
        DeleteFileA(LogPath().c_str());
        SetupTest::TearDown();
    }
};

TEST_F(SilentTest, VerySilentInstallsWhatTheDefaultWizardInstallsAndShowsNoWindow) {
    const Wizard w = Start();
    ASSERT_TRUE(WalkTo(w, 4));
    ASSERT_TRUE(w.Next());
    ASSERT_TRUE(w.WaitPage(PageTitle[6], InstallTimeout)) << w.PageTitle();
    ASSERT_TRUE(NextTo(w, 7));
    Finish(w);
    ASSERT_TRUE(WaitUntil(AnyMarkedApplication, StartTimeout));
    KillMarkedApplications();
    const std::vector<std::string> byWizard = InstalledState();
    CleanInstallState(ExtraRoots());

    std::set<std::string> shown;
    EXPECT_EQ(RunQuietly("/VERYSILENT /DIR=\"" + DefaultPlaces().mainDir + "\" /LOG=\"" +
                             LogPath() + "\"",
                         &shown),
              ExitWith(TExitCode::Success));
    EXPECT_EQ(shown, std::set<std::string>{});
    EXPECT_EQ(InstalledState(), byWizard);
    EXPECT_EQ(TempLeftovers(), std::vector<std::string>{});
    // The run log tells a deployer what happened, to the exit code.
    for (const char* part : {"Command line: ", "Folder: ", "Written: ", "Registry: HKLM\\",
                             "Document types: cod", "Exit code: 0"})
        EXPECT_TRUE(Logged(part)) << part;
    EXPECT_FALSE(AnyMarkedApplication()) << "a silent run launched the application";
}

TEST_F(SilentTest, SilentShowsOnlyItsProgressWindowAndRetriesAFileHeldForAMoment) {
    Handle held = HoldParvExe();
    ASSERT_TRUE(held);
    std::set<std::string> shown;
    // Released after the first refusal, as a virus scanner lets go.
    EXPECT_EQ(RunQuietly("/SILENT /LOG=\"" + LogPath() + "\"", &shown,
                         [&] {
                             if (held && Logged("Answer: Retry")) held = Handle();
                         }),
              ExitWith(TExitCode::Success));
    EXPECT_FALSE(held) << "the run never retried";
    EXPECT_EQ(shown, std::set<std::string>{"ParvelaSetupProgress"});
    EXPECT_EQ(ReadWholeFile(DefaultPlaces().mainDir + "\\parv.exe").value_or("").substr(0, 2),
              "MZ");
}

TEST_F(SilentTest, EachOutcomeHasItsExitCode) {
    const std::string main = DefaultPlaces().mainDir;
    const std::string log = " /LOG=\"" + LogPath() + "\"";
    struct Case {
        const char* What;
        std::function<void()> Before;
        std::string Args;
        TExitCode Code;
        const char* Logged;
        bool Installs;
    };
    Process app;
    Handle held;
    const Case cases[] = {
        {"a typo", {}, "/VERYSLIENT /S" + log, TExitCode::CouldNotStart, "/VERYSLIENT", false},
        {"a folder with a forbidden character", {}, "/S /DIR=C:\\Par|vela" + log,
         TExitCode::FolderRefused, "Folder refused: C:\\Par|vela", false},
        {"a running application",
         [&] {
             app = Process::Start(StandInExe);
             ASSERT_TRUE(WaitUntil(AnyMarkedApplication, StartTimeout));
         },
         "/S" + log, TExitCode::AppRunning, "is running", false},
        {"a running application asked to close",
         [&] {
             app = Process::Start(StandInExe);
             ASSERT_TRUE(WaitUntil(AnyMarkedApplication, StartTimeout));
         },
         "/S /CLOSEAPPLICATIONS" + log,
         TExitCode::Success, "Parvela Word Processor closed.", true},
        {"a file held for good", [&] { held = HoldParvExe(); },
         "/S" + log, TExitCode::Failed, "Answer: Abort", true},
        {"a log that cannot be created", {}, "/S /LOG=C:\\no\\such\\folder\\x.log",
         TExitCode::CouldNotStart, "", false},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.What);
        if (c.Before) c.Before();
        EXPECT_EQ(RunQuietly(c.Args), ExitWith(c.Code));
        if (*c.Logged) {
            EXPECT_TRUE(Logged(c.Logged)) << c.Logged;
        }
        EXPECT_EQ(FileExists(main + "\\Install.log"), c.Installs);
        held = Handle();
        CleanInstallState(ExtraRoots());
        DeleteFileA(LogPath().c_str());
    }
    EXPECT_FALSE(AnyMarkedApplication());
}

TEST_F(SilentTest, AnUpgradeKeepsTheRememberedChoices) {
    // An earlier run chose another folder, no clip library and only RTF.
    const std::string folder = "C:\\Apps\\Parvela";
    ASSERT_TRUE(CreateDirectoryA("C:\\Apps", nullptr));
    ASSERT_TRUE(CreateDirectoryA(folder.c_str(), nullptr));
    ASSERT_TRUE(RegSetString(HKEY_CURRENT_USER, InstallKey, "MAINDIR", folder));
    ASSERT_TRUE(RegSetDword(HKEY_CURRENT_USER, InstallKey, "COMPS (1.6.6.2)", 0x7FFFFFEE));
    ASSERT_TRUE(RegSetString(HKEY_CURRENT_USER, InstallKey, "EXTENSIONS", "A"));
    ASSERT_EQ(RunQuietly("/VERYSILENT"), ExitWith(TExitCode::Success));
    const InstallPlaces p = DefaultPlaces();
    EXPECT_TRUE(FileExists(folder + "\\parv.exe"));
    EXPECT_FALSE(FolderExists(p.publicData + "Clip Library"));
    EXPECT_TRUE(FolderExists(p.publicData + "Templates"));
    EXPECT_EQ(RegDword(HKEY_CURRENT_USER, InstallKey, "COMPS (1.6.6.2)"), 0x7FFFFFEEu);
    EXPECT_EQ(RegString(HKEY_CURRENT_USER, InstallKey, "EXTENSIONS"), "A");
    // The switches override what was remembered.
    ASSERT_EQ(RunQuietly("/VERYSILENT /COMPONENTS=clips /ASSOCIATE=none"),
              ExitWith(TExitCode::Success));
    EXPECT_TRUE(FolderExists(p.publicData + "Clip Library"));
    EXPECT_EQ(RegDword(HKEY_CURRENT_USER, InstallKey, "COMPS (1.6.6.2)"), 0x7FFFFFD0u);
    EXPECT_EQ(RegString(HKEY_CURRENT_USER, InstallKey, "EXTENSIONS"), "");
}
