// e2e_driver walk [--dpi-change DPI] SETUP.EXE SHOT_FOLDER [ARGS...]
// Walks the setup wizard with its default answers, saves a BMP screenshot of
// every page and message box into SHOT_FOLDER, and reports what it did and
// where the installation went. Exit code 0 when the wizard was walked to its
// end and the program ended with code 0. --dpi-change first tells the window
// that it moved onto a monitor of that DPI.
// e2e_driver uninstall SHOT_FOLDER
// Removes the installation through its uninstall entry, answering Yes and
// OK, with a screenshot of both boxes, and reports what is left.
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>

#include "tests/e2e/Machine.h"
#include "tests/e2e/Walk.h"

namespace {

int Usage() {
    fprintf(stderr,
            "usage: e2e_driver walk [--dpi-change DPI] SETUP.EXE SHOT_FOLDER [ARGS...]\n"
            "       e2e_driver uninstall SHOT_FOLDER\n");
    return 2;
}

void Print(const std::string& line) {
    printf("%s\n", line.c_str());
    fflush(stdout);
}

int Uninstall(const char* shotDir) {
    e2e::WalkOptions o;
    o.shotDir = shotDir;
    const e2e::WalkResult r = e2e::WalkUninstall(o, Print);
    if (!r.stopped.empty()) printf("the uninstall stopped early: %s\n", r.stopped.c_str());
    const e2e::InstallPlaces p = e2e::DefaultPlaces();
    printf("main folder %s: %s\n", p.mainDir.c_str(),
           e2e::FolderExists(p.mainDir) ? "still there" : "removed");
    printf("uninstall entry: %s\n", e2e::RegKeyExists(HKEY_LOCAL_MACHINE, e2e::UninstallKeyPath)
                                        ? "still there"
                                        : "removed");
    return r.stopped.empty() && r.exitCode == 0 ? 0 : 1;
}

void ReportPlaces() {
    using namespace e2e;
    const auto mainDir =
        RegString(HKEY_CURRENT_USER, std::string(InstallKeyPath) + "\\Install", "MAINDIR");
    if (!mainDir) {
        printf("nothing was installed (no settings were saved)\n");
        return;
    }
    printf("main folder: %s (%zu entries)\n", mainDir->c_str(), ListFolder(*mainDir).size());
    const std::string log = *mainDir + "\\Install.log";
    if (FileExists(log))
        printf("install log: %s (%zu lines)\n", log.c_str(), ReadLines(log).size());
    const InstallPlaces p = DefaultPlaces();
    if (FolderExists(p.sharedData)) printf("shared data: %s\n", p.sharedData.c_str());
    const auto uninstall = RegString(HKEY_LOCAL_MACHINE, UninstallKeyPath, "UninstallString");
    printf("uninstall entry: %s\n", uninstall ? uninstall->c_str() : "(none)");
    for (const std::string& f : p.shortcutFolders)
        if (FileExists(f + "\\" + ShortcutName))
            printf("shortcut: %s\\%s\n", f.c_str(), ShortcutName);
}

}  // namespace

int main(int argc, char** argv) {
    if (argc == 3 && strcmp(argv[1], "uninstall") == 0) return Uninstall(argv[2]);
    if (argc < 2 || strcmp(argv[1], "walk") != 0) return Usage();
    e2e::WalkOptions o;
    int at = 2;
    if (argc > at + 1 && strcmp(argv[at], "--dpi-change") == 0) {
        o.dpiChange = atoi(argv[at + 1]);
        at += 2;
    }
    if (argc < at + 2) return Usage();
    o.exe = argv[at];
    o.shotDir = argv[at + 1];
    for (int i = at + 2; i < argc; ++i) {
        if (!o.args.empty()) o.args += ' ';
        o.args += argv[i];
    }
    CreateDirectoryA(o.shotDir.c_str(), nullptr);
    const e2e::WalkResult r = e2e::WalkWizard(o, Print);
    printf("pages passed: %zu, screenshots: %zu, message boxes: %zu\n", r.pages.size(),
           r.shots.size(), r.boxes.size());
    if (!r.stopped.empty()) printf("the walk stopped early: %s\n", r.stopped.c_str());
    ReportPlaces();
    return r.stopped.empty() && r.exitCode == 0 ? 0 : 1;
}
