// The two waits a user feels, timed from outside the programs the way the
// end-to-end driver sees them:
//   start_to_first_page_ms  process start until the wizard's first page is painted
//   bare_window_ms          the same for the smallest window program (BareWindow.cpp)
//   themed_window_ms        the same for it with a button and the themed common
//                           controls the setup program uses (a reference, not a goal)
//   install_run_ms          Next on "Ready to Install" until the next page is painted
//   nsis_install_ms         an NSIS installer of the same files, minus an empty one
//   upgrade_run_ms          the install run of a second setup over the first, same
//                           folder (remembered settings, existing files and data)
//   nsis_upgrade_ms         the NSIS installer's /S over its own previous installation,
//                           minus the empty one
//   silent_install_ms       the whole process of a /VERYSILENT run into a fresh folder
//   nsis_silent_ms          the whole process of the NSIS installer's /S run
// The variants are interleaved (their order alternates) and every figure and
// ratio comes from this one run. Each run installs into fresh folders; the
// trees are moved aside, not deleted, until the end.
#include <windows.h>
#include <shlobj.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <functional>
#include <string>
#include <vector>

#include "bench/BenchClock.h"
#include "instutils/ResConst.h"
#include "tests/e2e/Driver.h"
#include "tests/e2e/Machine.h"
#include "tests/e2e/Walk.h"
#include "wizard/Layout.h"

namespace {

using namespace e2e;
using bench::Median;
using bench::NowMs;

const std::string Bin = PARVELA_BIN_DIR;
const std::string SetupExe = Bin + "\\ParvelaSetup.exe";
const std::string BareExe = Bin + "\\bare_window.exe";
const std::string ThemedExe = Bin + "\\themed_window.exe";
const std::string NsisFilesExe = Bin + "\\nsis_files.exe";
const std::string NsisEmptyExe = Bin + "\\nsis_empty.exe";
constexpr const char* BareCaption = "Bare Window";
constexpr const char* ThemedCaption = "Themed Window";

// Polls every millisecond: the figures are tens of milliseconds apart.
bool Poll(const std::function<bool()>& done, DWORD timeoutMs) {
    const double end = NowMs() + timeoutMs;
    while (!done()) {
        if (NowMs() > end) return false;
        Sleep(1);
    }
    return true;
}

// The shown top-level window of `pid` with this caption, or null.
HWND ShownWindow(DWORD pid, const char* caption) {
    for (HWND w = nullptr; (w = FindWindowExA(nullptr, w, nullptr, caption)) != nullptr;)
        if (ProcessOf(w) == pid && IsWindowVisible(w)) return w;
    return nullptr;
}

// A window's thread takes a sent message only when it asks for messages, so
// the answer comes after whatever it was doing: after ShowWindow and
// UpdateWindow that is the first paint.
bool BackInMessageLoop(HWND w) {
    DWORD_PTR r = 0;
    return SendMessageTimeoutA(w, WM_NULL, 0, 0, SMTO_BLOCK, 10000, &r) != 0;
}

// Nothing of these windows waits to be painted. Paints come after every
// other message, so this is the last thing to wait for.
bool Painted(const std::vector<HWND>& windows) {
    for (HWND w : windows)
        if (IsWindowVisible(w) && GetUpdateRect(w, nullptr, FALSE)) return false;
    return true;
}

// `top` and its descendants.
std::vector<HWND> WindowTree(HWND top) {
    std::vector<HWND> all = Descendants(top);
    all.push_back(top);
    return all;
}

struct Started {
    Process process;
    HWND window = nullptr;
    double ms = -1;
};

// Starts `exe` and times it until its window `caption` is shown and painted.
Started StartShown(const std::string& exe, const char* caption) {
    Started s;
    const double t0 = NowMs();
    s.process = Process::Start(exe);
    if (!s.process.Started()) return s;
    const DWORD pid = s.process.Id();
    if (!Poll([&] { return (s.window = ShownWindow(pid, caption)) != nullptr; }, 60000)) return s;
    if (!BackInMessageLoop(s.window)) return s;
    const std::vector<HWND> parts = WindowTree(s.window);
    Poll([&] { return Painted(parts); }, 5000);
    s.ms = NowMs() - t0;
    return s;
}

// Whole process time of a silent installer.
double TimeProcess(const std::string& exe, const std::string& args) {
    const double t0 = NowMs();
    Process p = Process::Start(exe, args);
    const auto code = p.WaitExit(Ms(120000));
    const double ms = NowMs() - t0;
    return code && *code == 0 ? ms : -1;
}

bool NextTo(const Wizard& w, int page) {
    return w.Next() && w.WaitPage(PageTitles[page], Ms(15000));
}

// From the welcome page to "Ready to Install", installing into `mainDir`.
bool WalkToReady(const Wizard& w, const std::string& mainDir) {
    return NextTo(w, 1) && NextTo(w, 2) &&
           SetText(FindById(w.Window(), ctl_id::DestDirEdt), mainDir) && NextTo(w, 3) &&
           NextTo(w, 4);
}

// Next on "Ready to Install" until the association page is shown and painted.
double InstallRun(const Wizard& w) {
    HWND page = FindById(w.Window(), ctl_id::PageBase + 6);
    if (!page) return -1;
    const std::vector<HWND> parts = WindowTree(w.Window());
    // Found before the clock starts: looking for it by caption takes the
    // driver tens of milliseconds, which is not the program's time.
    HWND next = w.NextButton();
    const double t0 = NowMs();
    if (!Click(next)) return -1;
    if (!Poll([&] { return IsWindowVisible(page) != FALSE; }, 180000)) return -1;
    if (!BackInMessageLoop(w.Window())) return -1;
    Poll([&] { return Painted(parts); }, 5000);
    return NowMs() - t0;
}

bool Quit(Process& p, const Wizard& w) {
    if (!w.Cancel()) return false;
    const auto box = w.WaitMessageBox(Ms(15000));
    return box && Answer(*box, "&Abort") && p.WaitExit(Ms(30000)).has_value();
}

std::string SharedDataRoot() { return KnownFolder(CSIDL_COMMON_APPDATA) + "\\Parvela"; }

// A first installation each time: the settings and the uninstall entry go,
// the shared data moves aside (deleting trees between runs slows the disk).
void ForgetInstallation(const std::string& aside) {
    RegDeleteKeyTree(HKEY_CURRENT_USER, InstallKeyPath);
    RegDeleteKeyTree(HKEY_LOCAL_MACHINE, UninstallKeyPath);
    if (FolderExists(SharedDataRoot())) MoveFileA(SharedDataRoot().c_str(), aside.c_str());
}

// Says which step of a run failed; false for the caller to return.
bool Failed(const char* step) {
    std::fprintf(stderr, "bench: %s\n", step);
    return false;
}

struct Figures {
    std::vector<double> firstPage, bare, themed, installRun, nsisFiles, nsisEmpty, silent;
    std::vector<double> upgradeRun, nsisUpgrade;
};

// One round of every variant; `counted` false for the warm-up.
bool Round(int i, const std::string& root, Figures& f, bool counted) {
    const std::string tag = std::to_string(i);
    auto window = [&](const std::string& exe, const char* caption, std::vector<double>& into) {
        Started s = StartShown(exe, caption);
        if (s.ms < 0) return Failed("a reference window did not show");
        if (counted) into.push_back(s.ms);
        PostMessageA(s.window, WM_CLOSE, 0, 0);
        return s.process.WaitExit(Ms(10000)).has_value() ||
               Failed("a reference window did not end");
    };
    auto bare = [&] {
        return window(BareExe, BareCaption, f.bare) && window(ThemedExe, ThemedCaption, f.themed);
    };
    // One wizard from its start to the end of its install run into `mainDir`.
    auto wizardRun = [&](const std::string& mainDir, double& firstPage, double& run) {
        Started s = StartShown(SetupExe, WizardCaption);
        if (s.ms < 0) return Failed("the wizard did not show");
        const Wizard w(s.window, s.process.Id());
        if (!w.WaitPage(PageTitles[0], Ms(15000)) || !WalkToReady(w, mainDir))
            return Failed("the walk to \"Ready to Install\" stopped");
        run = InstallRun(w);
        if (run < 0) return Failed("the install run did not reach the next page");
        if (!Quit(s.process, w)) return Failed("the wizard did not quit");
        firstPage = s.ms;
        return true;
    };
    auto setup = [&] {
        const std::string mainDir = root + "s" + tag + "\\Parvela";
        double first = 0, run = 0, upgradeFirst = 0, upgrade = 0;
        if (!wizardRun(mainDir, first, run) || !wizardRun(mainDir, upgradeFirst, upgrade))
            return false;
        if (counted) {
            f.firstPage.push_back(first);
            f.installRun.push_back(run);
            f.upgradeRun.push_back(upgrade);
        }
        ForgetInstallation(root + "d" + tag);
        return true;
    };
    auto nsis = [&](bool files) {
        if (!FileExists(NsisFilesExe) || !FileExists(NsisEmptyExe)) return true;
        const double ms = files ? TimeProcess(NsisFilesExe, "/D=" + root + "n" + tag)
                                : TimeProcess(NsisEmptyExe, "/D=" + root + "e" + tag);
        if (ms < 0) return Failed("an NSIS installer failed");
        if (counted) (files ? f.nsisFiles : f.nsisEmpty).push_back(ms);
        if (!files) return true;
        // Again over its own installation, as an update runs.
        const double again = TimeProcess(NsisFilesExe, "/D=" + root + "n" + tag);
        if (again < 0) return Failed("the NSIS installer failed over its own installation");
        if (counted) f.nsisUpgrade.push_back(again);
        return true;
    };
    auto silent = [&] {
        const double ms =
            TimeProcess(SetupExe, "/VERYSILENT /DIR=" + root + "v" + tag + "\\Parvela");
        if (ms < 0) return Failed("the silent run failed");
        if (counted) f.silent.push_back(ms);
        ForgetInstallation(root + "w" + tag);
        return true;
    };
    if (i % 2) return setup() && silent() && bare() && nsis(true) && nsis(false);
    return bare() && nsis(false) && nsis(true) && silent() && setup();
}

std::string Samples(const std::vector<double>& v) {
    std::string s;
    for (double x : v) {
        char buf[32];
        std::snprintf(buf, sizeof buf, "%s%.0f", s.empty() ? "" : " ", x);
        s += buf;
    }
    return s;
}

}  // namespace

// An argument sets the number of counted runs (9 by default).
int main(int argc, char** argv) {
    const int runs = argc > 1 ? std::max(1, std::atoi(argv[1])) : 9;
    // Wine's desktop process lives while some program has a window, and a
    // start without it pays for starting it. Windows' shell always runs: a
    // window kept here gives every start that, whichever variant ran before.
    const TWindowHandle keeper(CreateWindowExA(0, "STATIC", "", WS_POPUP, 0, 0, 0, 0, nullptr,
                                               nullptr, nullptr, nullptr));
    CleanInstallState();
    const std::string root = "C:\\ParvelaBench" + std::to_string(GetCurrentProcessId()) + "\\";
    CreateDirectoryA(root.c_str(), nullptr);

    Figures f;
    bool ok = Round(-1, root, f, false);
    for (int i = 0; ok && i < runs; ++i) ok = Round(i, root, f, true);
    CleanInstallState();
    DeleteTree(root);
    if (!ok) {
        std::fprintf(stderr, "bench: a run did not complete\n");
        return 1;
    }

    const double first = Median(f.firstPage), bare = Median(f.bare), themed = Median(f.themed),
                 run = Median(f.installRun);
    std::printf("runs: %d\n", runs);
    std::printf("start_to_first_page_ms: %.1f\n", first);
    std::printf("bare_window_ms: %.1f\n", bare);
    std::printf("first_page_vs_bare_window: %.2f\n", first / bare);
    std::printf("themed_window_ms: %.1f\n", themed);
    std::printf("first_page_vs_themed_window: %.2f\n", first / themed);
    std::printf("install_run_ms: %.1f\n", run);
    if (!f.nsisFiles.empty()) {
        // The installer's own start and end are those of the empty one.
        std::vector<double> nsis;
        for (size_t i = 0; i < f.nsisFiles.size(); ++i)
            nsis.push_back(f.nsisFiles[i] - f.nsisEmpty[i]);
        const double n = Median(nsis);
        std::printf("nsis_process_ms: %.1f\n", Median(f.nsisFiles));
        std::printf("nsis_empty_ms: %.1f\n", Median(f.nsisEmpty));
        std::printf("nsis_install_ms: %.1f\n", n);
        std::printf("install_run_vs_nsis: %.2f\n", run / n);
        std::vector<double> nsisUpgrade;
        for (size_t i = 0; i < f.nsisUpgrade.size(); ++i)
            nsisUpgrade.push_back(f.nsisUpgrade[i] - f.nsisEmpty[i]);
        const double u = Median(nsisUpgrade);
        std::printf("upgrade_run_ms: %.1f\n", Median(f.upgradeRun));
        std::printf("nsis_upgrade_ms: %.1f\n", u);
        std::printf("upgrade_run_vs_nsis: %.2f\n", Median(f.upgradeRun) / u);
        std::printf("silent_install_ms: %.1f\n", Median(f.silent));
        std::printf("nsis_silent_ms: %.1f\n", Median(f.nsisFiles));
        std::printf("silent_vs_nsis: %.2f\n", Median(f.silent) / Median(f.nsisFiles));
    } else {
        std::printf("nsis_install_ms: not measured (the NSIS installers are not built)\n");
        std::printf("upgrade_run_ms: %.1f\n", Median(f.upgradeRun));
    }
    std::printf("samples_first_page_ms: %s\n", Samples(f.firstPage).c_str());
    std::printf("samples_bare_window_ms: %s\n", Samples(f.bare).c_str());
    std::printf("samples_themed_window_ms: %s\n", Samples(f.themed).c_str());
    std::printf("samples_install_run_ms: %s\n", Samples(f.installRun).c_str());
    std::printf("samples_upgrade_run_ms: %s\n", Samples(f.upgradeRun).c_str());
    std::printf("samples_silent_ms: %s\n", Samples(f.silent).c_str());
    if (!f.nsisFiles.empty()) {
        std::printf("samples_nsis_ms: %s\n", Samples(f.nsisFiles).c_str());
        std::printf("samples_nsis_empty_ms: %s\n", Samples(f.nsisEmpty).c_str());
        std::printf("samples_nsis_upgrade_ms: %s\n", Samples(f.nsisUpgrade).c_str());
    }
    return 0;
}
