#pragma once
// Drives a running program through its windows from another process: starts
// it, finds its windows and controls, clicks, types, reads texts and states,
// answers its message boxes and takes screenshots. Every wait is bounded, so a
// hung program fails a test instead of hanging it.

#include <windows.h>

#include <chrono>
#include <functional>
#include <optional>
#include <string>
#include <vector>

#include "instutils/WinHandles.h"

namespace e2e {

using Ms = std::chrono::milliseconds;

// Caption of the setup program's wizard window.
constexpr const char* WizardCaption = "Parvela Word Processor Lite - Setup";

// Owns one kernel handle.
using Handle = TUniqueHandle;

// Polls `done` every `step` until it holds or `timeout` has passed; returns
// whether it held.
bool WaitUntil(const std::function<bool()>& done, Ms timeout, Ms step = Ms(25));

// A started program. Destruction terminates it if it still runs, so a failed
// test leaves nothing behind.
class Process {
public:
    // Starts `exe` with the command line tail `args`, in `folder` when given
    // (else in this process's current folder). On failure the result is not
    // running and `error` (if given) says why.
    static Process Start(const std::string& exe, const std::string& args = "",
                         std::string* error = nullptr, const std::string& folder = "");
    Process() = default;
    Process(Process&&) noexcept = default;
    Process& operator=(Process&& o) noexcept;
    ~Process();

    bool Started() const { return static_cast<bool>(process_); }
    bool Running() const;
    DWORD Id() const { return id_; }
    // The exit code once it has ended within `timeout`, else nothing.
    std::optional<DWORD> WaitExit(Ms timeout) const;
    void Kill();

private:
    Handle process_;
    DWORD id_ = 0;
};

// Terminates a process of another owner by id (for programs that the program
// under test started); true when it is gone.
bool KillProcessId(DWORD pid);

// --- windows and controls -------------------------------------------------

std::string GetText(HWND w);  // WM_GETTEXT, also across processes
bool SetText(HWND w, const std::string& text);
std::string ClassOf(HWND w);
DWORD ProcessOf(HWND w);
bool IsShown(HWND w);  // the window and all its parents visible
bool IsEnabledWindow(HWND w);
// BM_GETCHECK: BST_UNCHECKED, BST_CHECKED, BST_INDETERMINATE; -1 on failure.
int CheckState(HWND w);
SIZE ClientSize(HWND w);
// The control's rectangle in the client coordinates of `top`.
RECT RectIn(HWND control, HWND top);

// Top-level windows of a process, of every process for pid 0 (hidden ones
// only when asked).
std::vector<HWND> TopLevelWindows(DWORD pid, bool includeHidden = false);
// Every descendant, hidden ones included, in Z order per parent.
std::vector<HWND> Descendants(HWND parent);
// First descendant with this control id.
HWND FindById(HWND parent, int id);
// First descendant whose text equals `text` (and whose class equals `cls`
// case-insensitively when given); a shown one is preferred over hidden ones.
HWND FindByText(HWND parent, const std::string& text, const char* cls = nullptr);
// Every descendant of class `cls`.
std::vector<HWND> FindByClass(HWND parent, const char* cls);

// Presses a push button, check box or radio button the way a click does
// (BM_CLICK, posted so that a modal box it opens does not block the caller).
// Refuses (false) when the control is hidden or disabled, like a real mouse.
bool Click(HWND control);
// A posted left click at client point (x, y) of `w`; for controls that draw
// and hit-test themselves, like an owner-drawn check list.
bool ClickAt(HWND w, int x, int y, bool doubleClick = false);
// A posted key press (down, char for printable keys, up) to `w`.
bool PressKey(HWND w, UINT vk);
// WM_DPICHANGED as a move onto a monitor of `dpi` sends it: the client area
// of `clientWidth96` x `clientHeight96` at 96 DPI scaled, the frame around it,
// the corner where it was. False when the window does not answer. The
// window must belong to another process.
bool SendDpiChanged(HWND top, int dpi, int clientWidth96, int clientHeight96);
// The control that has the keyboard focus in the thread of `top`.
HWND FocusedControl(HWND top);
// Asks the window to close, as its close box does.
bool RequestClose(HWND w);

// --- message boxes --------------------------------------------------------

// The setup program's message box: its window class and message control.
constexpr const char* MessageBoxClass = "ParvelaMessageDlg";
constexpr int MessageBoxTextId = 100;

struct MessageBoxInfo {
    HWND window = nullptr;
    std::string title;
    std::string text;                  // the message; line breaks as "\r" (CR LF read as one)
    std::vector<std::string> buttons;  // captions, left to right
};

// A shown top-level window of `pid`, other than `except`, that holds at
// least one button: the program's message box. Waits up to `timeout`; pid 0
// takes a box of the program's own class from any process.
std::optional<MessageBoxInfo> WaitMessageBox(DWORD pid, HWND except, Ms timeout);
// Presses the box's button with this caption; false when it has none.
bool Answer(const MessageBoxInfo& box, const std::string& caption);

// --- screenshots ----------------------------------------------------------

// Copies the window as it is on the screen (frame included) into a 24-bit
// BMP file. False when the window is not on the screen or the file fails.
bool SaveScreenshot(HWND w, const std::string& bmpPath);

// --- the wizard -----------------------------------------------------------

// The setup program's wizard window of one process.
class Wizard {
public:
    // Waits for the process's top-level window captioned WizardCaption.
    static std::optional<Wizard> Attach(const Process& p, Ms timeout);
    explicit Wizard(HWND w, DWORD pid) : window_(w), pid_(pid) {}

    HWND Window() const { return window_; }
    DWORD Pid() const { return pid_; }
    bool Alive() const { return IsWindow(window_) != FALSE; }

    // The banner title: the control with the title's ID, or else the
    // leftmost shown text control in the banner at the top of the window.
    std::string PageTitle() const;
    static constexpr int TitleId = 1001;
    bool WaitPage(const std::string& title, Ms timeout) const;

    HWND Control(const std::string& text, const char* cls = nullptr) const {
        return FindByText(window_, text, cls);
    }
    HWND BackButton() const { return Control("< &Back", "Button"); }
    HWND NextButton() const;  // "&Next >" or "&Finish"
    HWND CancelButton() const { return Control("Cancel", "Button"); }
    bool Next() const { return Click(NextButton()); }
    bool Back() const { return Click(BackButton()); }
    bool Cancel() const { return Click(CancelButton()); }

    std::optional<MessageBoxInfo> WaitMessageBox(Ms timeout) const {
        return e2e::WaitMessageBox(pid_, window_, timeout);
    }
    bool Screenshot(const std::string& bmpPath) const { return SaveScreenshot(window_, bmpPath); }

private:
    HWND window_;
    DWORD pid_;
};

}  // namespace e2e
