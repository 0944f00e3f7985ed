#include "tests/e2e/Walk.h"

#include <thread>

#include "instutils/AppInterface.h"
#include "tests/e2e/Driver.h"
#include "tests/e2e/Machine.h"
#include "wizard/Layout.h"

namespace e2e {

namespace {

const char* const* const Titles = PageTitles;
constexpr int InstallingPage = 5;
constexpr int LastPage = 7;

int PageIndex(const std::string& title) {
    for (int i = 0; i <= LastPage; ++i)
        if (title == Titles[i]) return i;
    return -1;
}

std::string OneLine(std::string s) {
    for (char& c : s)
        if (c == '\r' || c == '\n') c = ' ';
    return s;
}

class Walker {
public:
    Walker(const WalkOptions& o, const std::function<void(const std::string&)>& log)
        : o_(o), log_(log) {}

    WalkResult Run() {
        std::string error;
        Process p = Process::Start(o_.exe, o_.args, &error);
        if (!p.Started()) return Stop(error);
        auto wiz = Wizard::Attach(p, Ms(30000));
        if (!wiz) {
            if (auto box = WaitMessageBox(p.Id(), nullptr, Ms(3000))) TakeBox(*box, "start", "OK");
            res_.stopped = "the wizard window did not appear";
        } else {
            if (o_.dpiChange > 0 &&
                !SendDpiChanged(wiz->Window(), o_.dpiChange, FormClientWidth, FormClientHeight))
                Log("the window did not take the DPI change");
            Walk(*wiz);
        }
        if (auto code = p.WaitExit(Ms(30000))) {
            res_.exitCode = static_cast<int>(*code);
            Log("exit code " + std::to_string(*code));
        } else {
            Log("the program did not end within 30 s; stopping it");
        }
        return res_;
    }

    WalkResult Uninstall() {
        const auto command = UninstallCommand();
        if (!command) return Stop("there is no uninstall entry");
        CloseApplications();
        Log("uninstall command: \"" + command->first + "\" " + command->second);
        std::string error;
        Process ui = Process::Start(command->first, command->second, &error);
        if (!ui.Started()) return Stop(error);
        auto confirm = WaitMessageBox(ui.Id(), nullptr, Ms(o_.pageSeconds * 1000));
        if (!confirm) return Stop("no confirmation appeared");
        TakeBox(*confirm, "uninstall", "&Yes", "08-uninstall-confirm.bmp");
        if (auto code = ui.WaitExit(Ms(30000))) Log("exit code " + std::to_string(*code));
        // The removal itself runs in a copy of the program: its box may
        // belong to any process.
        auto final = WaitMessageBox(0, nullptr, Ms(o_.installSeconds * 1000));
        if (!final) return Stop("no final message appeared");
        TUniqueHandle copy(OpenProcess(SYNCHRONIZE, FALSE, ProcessOf(final->window)));
        TakeBox(*final, "uninstall", "OK", "09-uninstall-done.bmp");
        res_.exitCode =
            copy.Valid() && WaitForSingleObject(copy.Get(), 30000) == WAIT_OBJECT_0 ? 0 : -1;
        return res_;
    }

private:
    // As a user does before removing a program: its windows are closed.
    void CloseApplications() {
        EnumWindows(
            [](HWND w, LPARAM) -> BOOL {
                if (GetPropA(w, app::RunningProperty)) RequestClose(w);
                return TRUE;
            },
            0);
        if (!WaitUntil([] { return !AnyMarkedApplication(); }, Ms(10000))) {
            Log("the application did not close; stopping it");
            KillMarkedApplications();
        }
    }

    void Walk(const Wizard& wiz) {
        for (int step = 0; step < 24 && wiz.Alive(); ++step) {
            const std::string title = wiz.PageTitle();
            const int index = PageIndex(title);
            res_.pages.push_back(title);
            Log("page " + std::to_string(index) + ": " + title);
            // The page paints after its title is set; the installing page
            // may be gone by then, so it is taken at once.
            if (index != InstallingPage) std::this_thread::sleep_for(Ms(400));
            Shot(wiz.Window(), ShotName(index, title));
            if (index == InstallingPage) {
                if (wiz.PageTitle() != title)
                    Log("  the installing page passed before its screenshot was taken");
                if (!WaitInstall(wiz)) return;
                continue;
            }
            if (!wiz.Next()) {
                Stop("Next is disabled on \"" + title + "\"");
                Quit(wiz);
                return;
            }
            if (index == LastPage) return;  // Finish
            std::optional<MessageBoxInfo> box;
            WaitUntil(
                [&] {
                    return !wiz.Alive() || wiz.PageTitle() != title ||
                           (box = e2e::WaitMessageBox(wiz.Pid(), wiz.Window(), Ms(0)));
                },
                Ms(o_.pageSeconds * 1000), Ms(5));
            if (box) {
                TakeBox(*box, title, "OK");
                Stop("a message box held the wizard on \"" + title + "\"");
                Quit(wiz);
                return;
            }
            if (wiz.Alive() && wiz.PageTitle() == title) {
                Stop("Next did not leave \"" + title + "\"");
                Quit(wiz);
                return;
            }
        }
    }

    // The installing page moves on by itself; a question of the install
    // run is answered with Abort, which ends the walk.
    bool WaitInstall(const Wizard& wiz) {
        std::optional<MessageBoxInfo> box;
        const bool moved = WaitUntil(
            [&] {
                return !wiz.Alive() || wiz.PageTitle() != Titles[InstallingPage] ||
                       (box = e2e::WaitMessageBox(wiz.Pid(), wiz.Window(), Ms(0)));
            },
            Ms(o_.installSeconds * 1000));
        if (box) {
            TakeBox(*box, Titles[InstallingPage], "&Abort");
            Stop("the install run asked a question");
            return false;
        }
        if (!moved) {
            Stop("the install run did not finish in time");
            Quit(wiz);
            return false;
        }
        return wiz.Alive();
    }

    void Quit(const Wizard& wiz) {
        if (!wiz.Alive()) return;
        if (!wiz.Cancel()) RequestClose(wiz.Window());
        if (auto box = wiz.WaitMessageBox(Ms(5000))) TakeBox(*box, "quit", "&Abort");
    }

    void TakeBox(const MessageBoxInfo& box, const std::string& where, const std::string& answer,
                 const std::string& shot = "") {
        res_.boxes.push_back(box.title + ": " + OneLine(box.text));
        Log("message box \"" + box.title + "\": " + OneLine(box.text));
        std::this_thread::sleep_for(Ms(300));
        Shot(box.window, shot.empty()
                             ? "box-" + std::to_string(res_.boxes.size()) + "-" + where + ".bmp"
                             : shot);
        const std::string pick =
            Answer(box, answer)
                ? answer
                : (!box.buttons.empty() && Answer(box, box.buttons.front()) ? box.buttons.front()
                                                                            : "nothing");
        Log("  answered " + pick);
    }

    void Shot(HWND w, const std::string& name) {
        if (o_.shotDir.empty()) return;
        std::string file;
        for (char c : name)
            file += (c == '\\' || c == '/' || c == ':' || c == '"' || c == '?' || c == '*' ||
                     c == '<' || c == '>' || c == '|')
                        ? '_'
                        : c;
        const std::string path = o_.shotDir + "\\" + file;
        if (SaveScreenshot(w, path))
            res_.shots.push_back(path);
        else
            Log("  screenshot failed: " + path);
    }

    WalkResult Stop(const std::string& why) {
        if (res_.stopped.empty()) res_.stopped = why;
        Log("stopped: " + why);
        return res_;
    }

    void Log(const std::string& line) {
        if (log_) log_(line);
    }

    const WalkOptions& o_;
    const std::function<void(const std::string&)>& log_;
    WalkResult res_;
};

}  // namespace

std::string ShotName(int index, const std::string& title) {
    char num[8];
    snprintf(num, sizeof num, "%02d", index < 0 ? 99 : index);
    return std::string(num) + "-" + (title.empty() ? "untitled" : title) + ".bmp";
}

WalkResult WalkWizard(const WalkOptions& options,
                      const std::function<void(const std::string&)>& log) {
    return Walker(options, log).Run();
}

WalkResult WalkUninstall(const WalkOptions& options,
                         const std::function<void(const std::string&)>& log) {
    return Walker(options, log).Uninstall();
}

}  // namespace e2e
