// The stand-in application: a small window that shows a document, and the
// command-line services the setup program relies on (file associations,
// the uninstall switch, the running-copy mark and the last-run version).

#include "demo/parv/ParvCommand.h"
#include "demo/parv/ParvSystem.h"
#include "instutils/AppInterface.h"
#include "instutils/CommandLine.h"
#include "instutils/DayCount.h"
#include "instutils/ExitCodes.h"
#include "instutils/InstUtils.h"
#include "instutils/RunLog.h"
#include "instutils/WinHandles.h"
#include "uninstall/Uninstall_win.h"
#include "wizard/MessageDlg_win.h"
#include "wizard/ProgressWindow_win.h"

#include <windows.h>
#include <richedit.h>

#include <cstdio>
#include <optional>
#include <string>
#include <vector>

namespace {

constexpr const char* WindowClass = "ParvelaWordProcessorMain";
constexpr int EditorId = 100;

constexpr int ExitOk = 0;
constexpr int ExitFailed = 1;
constexpr int ExitBadCommand = 2;

struct AppState {
    TLoadedModule richEdit;
    HWND editor = nullptr;
};
AppState g_app;

// Rich edit from the system folder only, so that a planted DLL beside a
// document cannot be loaded in its place.
void LoadRichEdit() {
    char dir[MAX_PATH + 1];
    UINT n = GetSystemDirectoryA(dir, sizeof(dir));
    if (n == 0 || n >= sizeof(dir)) return;
    std::string path(dir, n);
    path += "\\riched20.dll";
    g_app.richEdit = TLoadedModule(LoadLibraryA(path.c_str()));
}

struct StreamSource {
    HANDLE file;
};

DWORD CALLBACK ReadDocument(DWORD_PTR cookie, LPBYTE buf, LONG want, LONG* got) {
    auto* src = reinterpret_cast<StreamSource*>(cookie);
    DWORD n = 0;
    if (!ReadFile(src->file, buf, static_cast<DWORD>(want), &n, nullptr)) return 1;
    *got = static_cast<LONG>(n);
    return 0;
}

bool EndsWithNoCase(const std::string& s, const char* tail) {
    size_t n = lstrlenA(tail);
    return s.size() >= n && lstrcmpiA(s.c_str() + s.size() - n, tail) == 0;
}

// A document that cannot be read leaves an empty page; the window still
// opens, as a word processor's does.
void ShowDocument(HWND editor, const std::string& document) {
    if (document.empty()) return;
    TUniqueHandle file(CreateFileA(document.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr,
                                   OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr));
    if (!file.Valid()) return;
    StreamSource src{file.Get()};
    EDITSTREAM es{};
    es.dwCookie = reinterpret_cast<DWORD_PTR>(&src);
    es.pfnCallback = ReadDocument;
    const WPARAM format = EndsWithNoCase(document, ".rtf") ? SF_RTF : SF_TEXT;
    SendMessageA(editor, EM_STREAMIN, format, reinterpret_cast<LPARAM>(&es));
}

LRESULT HandleMessage(HWND wnd, UINT msg, WPARAM wp, LPARAM lp) {
    switch (msg) {
    case WM_CREATE: {
        const char* cls = g_app.richEdit.Get() ? RICHEDIT_CLASSA : "EDIT";
        g_app.editor = CreateWindowExA(
            WS_EX_CLIENTEDGE, cls, "",
            WS_CHILD | WS_VISIBLE | WS_VSCROLL | ES_MULTILINE | ES_AUTOVSCROLL | ES_WANTRETURN, 0,
            0, 0, 0, wnd, reinterpret_cast<HMENU>(static_cast<INT_PTR>(EditorId)),
            GetModuleHandleA(nullptr), nullptr);
        if (g_app.editor)
            SendMessageA(g_app.editor, WM_SETFONT,
                         reinterpret_cast<WPARAM>(GetStockObject(DEFAULT_GUI_FONT)), FALSE);
        return 0;
    }
    case WM_SIZE:
        if (g_app.editor) MoveWindow(g_app.editor, 0, 0, LOWORD(lp), HIWORD(lp), TRUE);
        return 0;
    case WM_SETFOCUS:
        if (g_app.editor) SetFocus(g_app.editor);
        return 0;
    case WM_DESTROY:
        // Properties must go before the window does.
        RemovePropA(wnd, app::RunningProperty);
        PostQuitMessage(0);
        return 0;
    default: return DefWindowProcA(wnd, msg, wp, lp);
    }
}

LRESULT CALLBACK MainWndProc(HWND wnd, UINT msg, WPARAM wp, LPARAM lp) {
    try {
        return HandleMessage(wnd, msg, wp, lp);
    } catch (...) {
        return DefWindowProcA(wnd, msg, wp, lp);
    }
}

int RunWindow(HINSTANCE inst, const std::string& document, int show) {
    parv::WriteLastRunVersion();
    LoadRichEdit();

    WNDCLASSEXA wc{};
    wc.cbSize = sizeof(wc);
    wc.lpfnWndProc = MainWndProc;
    wc.hInstance = inst;
    wc.hIcon = LoadIconA(inst, MAKEINTRESOURCEA(1));
    wc.hIconSm = static_cast<HICON>(LoadImageA(inst, MAKEINTRESOURCEA(1), IMAGE_ICON,
                                               GetSystemMetrics(SM_CXSMICON),
                                               GetSystemMetrics(SM_CYSMICON), 0));
    wc.hCursor = LoadCursorA(nullptr, MAKEINTRESOURCEA(32512));  // IDC_ARROW
    wc.hbrBackground = reinterpret_cast<HBRUSH>(COLOR_WINDOW + 1);
    wc.lpszClassName = WindowClass;
    if (!RegisterClassExA(&wc)) return ExitFailed;

    const std::string caption = parv::WindowCaption(document);
    HWND wnd = CreateWindowExA(0, WindowClass, caption.c_str(), WS_OVERLAPPEDWINDOW, CW_USEDEFAULT,
                               CW_USEDEFAULT, 720, 540, nullptr, nullptr, inst, nullptr);
    if (!wnd) return ExitFailed;
    ShowWindow(wnd, show);
    // Loaded once the editor has its size: streamed into an empty control,
    // the text comes up scrolled past its first line.
    if (g_app.editor) {
        ShowDocument(g_app.editor, document);
        SendMessageA(g_app.editor, EM_SETSEL, 0, 0);
    }
    UpdateWindow(wnd);
    // Any non-zero value marks a running copy for the setup program; set once
    // the window is up, so whoever finds the mark finds a usable window.
    SetPropA(wnd, app::RunningProperty, reinterpret_cast<HANDLE>(static_cast<INT_PTR>(1)));

    MSG msg;
    int rc;
    while ((rc = GetMessageA(&msg, nullptr, 0, 0)) > 0) {
        TranslateMessage(&msg);
        DispatchMessageA(&msg);
    }
    g_app.editor = nullptr;
    return rc < 0 ? ExitFailed : static_cast<int>(msg.wParam);
}

std::vector<uninst::TRecordTime> RecordTimes() {
    struct Raw {
        const char* name;
        const char* stamp;
    };
    static const Raw raw[] = {
#include "ParvRecordTimes.inc"
    };
    // The stamps are the manifest's "YYYY-MM-DD hh:mm:ss", which the build
    // has checked already.
    std::vector<uninst::TRecordTime> table;
    for (const Raw& r : raw) {
        TDateTime t;
        if (sscanf(r.stamp, "%d-%d-%d %d:%d:%d", &t.Year, &t.Month, &t.Day, &t.Hour, &t.Minute,
                   &t.Second) == 6)
            table.push_back({r.name, EncodeDayCount(t)});
    }
    return table;
}

uninst::TUninstallContext UninstallContext(const std::string& exePath,
                                           const TUninstallCommand& command) {
    uninst::TUninstallContext ctx;
    ctx.ExePath = exePath;
    ctx.MainDir = ParentFolder(exePath);
    ctx.RecordTimes = RecordTimes();
    ctx.DataDir = uninst::DataFolder();
    ctx.ShortcutFolders = uninst::ShortcutFolders();
    ctx.Quiet = command.Mode != TRunMode::Wizard;
    ctx.Switches = parv::CopySwitches(command);
    if (ctx.Quiet) {
        ctx.Ask = uninst::SilentAnswers();
    } else {
        ctx.Ask = [](const std::string& text, TMsgKind kind, TMsgButtons buttons,
                     TModalResult defaultResult) {
            const TModalResult answer = MessageDlg(nullptr, text, kind, buttons, defaultResult);
            RunLogLine("Question: " + text);
            RunLogLine("Answer: " + std::to_string(static_cast<int32_t>(answer)));
            return answer;
        };
    }
    return ctx;
}

// A removal with its run log: opened by the original, continued by the
// removal copy; /SILENT shows the copy's progress window.
int RunRemoval(const parv::Command& cmd, const std::string& exe) {
    const bool copy = cmd.mode == parv::Mode::RemovalCopy;
    if (!cmd.uninstall.LogFile.empty() && !OpenRunLog(cmd.uninstall.LogFile, copy) &&
        cmd.uninstall.Mode != TRunMode::Wizard)
        return ExitCodeOf(TExitCode::CouldNotStart);
    if (!copy) {
        RunLogLine(std::string(app::ProductName) + " " + app::ProductVersion + " uninstaller");
        RunLogLine("Command line: " + std::string(GetCommandLineA()));
    }
    uninst::TUninstallContext ctx = UninstallContext(exe, cmd.uninstall);
    std::optional<TProgressWindow> window;
    if (copy && cmd.uninstall.Mode == TRunMode::Silent) {
        window.emplace("Removing Parvela Word Processor");
        ctx.Progress = [&window](size_t done, size_t total) {
            window->SetRange(static_cast<int32_t>(total));
            window->Show(static_cast<int32_t>(done), nullptr);
            MSG m;
            while (PeekMessageA(&m, nullptr, 0, 0, PM_REMOVE)) DispatchMessageA(&m);
        };
    }
    const int code =
        copy ? uninst::RunRemovalCopy(ctx, cmd.waitHandle) : uninst::RunUninstall(ctx, true);
    if (!copy) RunLogLine("Exit code: " + std::to_string(code));
    return code;
}

int Run(HINSTANCE inst, int show) {
    const std::string line = GetCommandLineA();
    parv::AppendCommandLog(line);
    const parv::Command cmd = parv::ParseCommand(SplitCommandLine(line));
    switch (cmd.mode) {
    case parv::Mode::Window: return RunWindow(inst, cmd.document, show);
    case parv::Mode::Associate: {
        const std::string exe = parv::ExePath();
        if (exe.empty()) return ExitFailed;
        return parv::ApplyAssociations(exe, cmd.types) ? ExitOk : ExitFailed;
    }
    case parv::Mode::Uninstall: {
        const std::string exe = parv::ExePath();
        if (exe.empty()) return ExitFailed;
        return RunRemoval(cmd, exe);
    }
    case parv::Mode::RemovalCopy: return RunRemoval(cmd, cmd.original);
    case parv::Mode::Invalid: break;
    }
    // An uninstaller refuses a switch it does not know, as the setup does.
    return cmd.uninstall.Error.empty() ? ExitBadCommand : ExitCodeOf(TExitCode::CouldNotStart);
}

}  // namespace

int WINAPI WinMain(HINSTANCE inst, HINSTANCE, LPSTR, int show) {
    // Elevated as the uninstaller, and its removal copy runs from the
    // temporary folder: no DLL may come from beside it.
    RestrictDllSearchToSystem();
    try {
        return Run(inst, show);
    } catch (...) {
        return ExitFailed;
    }
}
