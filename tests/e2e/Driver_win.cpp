#include "tests/e2e/Driver.h"

#include <algorithm>
#include <cstdio>
#include <cstring>
#include <thread>

namespace e2e {

namespace {

// A window that does not answer within this time counts as hung.
constexpr UINT SendTimeoutMs = 2000;

bool SendWithTimeout(HWND w, UINT msg, WPARAM wp, LPARAM lp, DWORD_PTR* result) {
    DWORD_PTR r = 0;
    if (!SendMessageTimeoutA(w, msg, wp, lp, SMTO_ABORTIFHUNG | SMTO_BLOCK, SendTimeoutMs, &r))
        return false;
    if (result) *result = r;
    return true;
}

std::string Upper(std::string s) {
    for (char& c : s) c = static_cast<char>(toupper(static_cast<unsigned char>(c)));
    return s;
}

}  // namespace

bool WaitUntil(const std::function<bool()>& done, Ms timeout, Ms step) {
    const auto end = std::chrono::steady_clock::now() + timeout;
    for (;;) {
        if (done()) return true;
        if (std::chrono::steady_clock::now() >= end) return false;
        std::this_thread::sleep_for(step);
    }
}

// --- processes ------------------------------------------------------------

Process Process::Start(const std::string& exe, const std::string& args, std::string* error,
                       const std::string& folder) {
    Process p;
    std::string cmd = "\"" + exe + "\"";
    if (!args.empty()) cmd += " " + args;
    std::vector<char> buf(cmd.begin(), cmd.end());
    buf.push_back('\0');
    STARTUPINFOA si{};
    si.cb = sizeof si;
    PROCESS_INFORMATION pi{};
    if (!CreateProcessA(exe.c_str(), buf.data(), nullptr, nullptr, FALSE, 0, nullptr,
                        folder.empty() ? nullptr : folder.c_str(), &si, &pi)) {
        if (error)
            *error = "CreateProcessA failed for " + exe + " (error " +
                     std::to_string(GetLastError()) + ")";
        return p;
    }
    Handle thread(pi.hThread);
    p.process_ = Handle(pi.hProcess);
    p.id_ = pi.dwProcessId;
    return p;
}

Process& Process::operator=(Process&& o) noexcept {
    if (this != &o) {
        Kill();
        process_ = std::move(o.process_);
        id_ = o.id_;
        o.id_ = 0;
    }
    return *this;
}

Process::~Process() { Kill(); }

bool Process::Running() const {
    return process_ && WaitForSingleObject(process_.Get(), 0) == WAIT_TIMEOUT;
}

std::optional<DWORD> Process::WaitExit(Ms timeout) const {
    if (!process_) return std::nullopt;
    if (WaitForSingleObject(process_.Get(), static_cast<DWORD>(timeout.count())) != WAIT_OBJECT_0)
        return std::nullopt;
    DWORD code = 0;
    if (!GetExitCodeProcess(process_.Get(), &code)) return std::nullopt;
    return code;
}

void Process::Kill() {
    if (Running()) {
        TerminateProcess(process_.Get(), 255);
        WaitForSingleObject(process_.Get(), 5000);
    }
}

bool KillProcessId(DWORD pid) {
    Handle h(OpenProcess(PROCESS_TERMINATE | SYNCHRONIZE, FALSE, pid));
    if (!h) return false;
    TerminateProcess(h.Get(), 255);
    return WaitForSingleObject(h.Get(), 5000) == WAIT_OBJECT_0;
}

// --- windows and controls -------------------------------------------------

std::string GetText(HWND w) {
    DWORD_PTR len = 0;
    if (!w || !SendWithTimeout(w, WM_GETTEXTLENGTH, 0, 0, &len)) return {};
    std::vector<char> buf(len + 2, '\0');
    DWORD_PTR got = 0;
    if (!SendWithTimeout(w, WM_GETTEXT, buf.size(), reinterpret_cast<LPARAM>(buf.data()), &got))
        return {};
    return std::string(buf.data(), std::min<size_t>(got, len));
}

bool SetText(HWND w, const std::string& text) {
    DWORD_PTR r = 0;
    return w && SendWithTimeout(w, WM_SETTEXT, 0, reinterpret_cast<LPARAM>(text.c_str()), &r) && r;
}

std::string ClassOf(HWND w) {
    char buf[256] = {};
    if (!w || !GetClassNameA(w, buf, sizeof buf)) return {};
    return buf;
}

DWORD ProcessOf(HWND w) {
    DWORD pid = 0;
    GetWindowThreadProcessId(w, &pid);
    return pid;
}

bool IsShown(HWND w) { return w && IsWindowVisible(w); }

bool IsEnabledWindow(HWND w) { return w && IsWindowEnabled(w); }

int CheckState(HWND w) {
    DWORD_PTR r = 0;
    if (!w || !SendWithTimeout(w, BM_GETCHECK, 0, 0, &r)) return -1;
    return static_cast<int>(r);
}

SIZE ClientSize(HWND w) {
    RECT r{};
    GetClientRect(w, &r);
    return SIZE{r.right - r.left, r.bottom - r.top};
}

RECT RectIn(HWND control, HWND top) {
    RECT r{};
    GetWindowRect(control, &r);
    MapWindowPoints(HWND_DESKTOP, top, reinterpret_cast<POINT*>(&r), 2);
    return r;
}

std::vector<HWND> TopLevelWindows(DWORD pid, bool includeHidden) {
    struct Ctx {
        DWORD pid;
        bool hidden;
        std::vector<HWND> out;
    } ctx{pid, includeHidden, {}};
    EnumWindows(
        [](HWND w, LPARAM lp) -> BOOL {
            auto* c = reinterpret_cast<Ctx*>(lp);
            if ((c->pid == 0 || ProcessOf(w) == c->pid) && (c->hidden || IsWindowVisible(w)))
                c->out.push_back(w);
            return TRUE;
        },
        reinterpret_cast<LPARAM>(&ctx));
    return ctx.out;
}

std::vector<HWND> Descendants(HWND parent) {
    std::vector<HWND> out;
    if (!parent) return out;
    EnumChildWindows(
        parent,
        [](HWND w, LPARAM lp) -> BOOL {
            reinterpret_cast<std::vector<HWND>*>(lp)->push_back(w);
            return TRUE;
        },
        reinterpret_cast<LPARAM>(&out));
    return out;
}

HWND FindById(HWND parent, int id) {
    for (HWND w : Descendants(parent))
        if (GetDlgCtrlID(w) == id) return w;
    return nullptr;
}

HWND FindByText(HWND parent, const std::string& text, const char* cls) {
    HWND hidden = nullptr;
    for (HWND w : Descendants(parent)) {
        if (cls && Upper(ClassOf(w)) != Upper(cls)) continue;
        if (GetText(w) != text) continue;
        if (IsShown(w)) return w;
        if (!hidden) hidden = w;
    }
    return hidden;
}

std::vector<HWND> FindByClass(HWND parent, const char* cls) {
    std::vector<HWND> out;
    for (HWND w : Descendants(parent))
        if (Upper(ClassOf(w)) == Upper(cls)) out.push_back(w);
    return out;
}

bool Click(HWND control) {
    if (!IsShown(control) || !IsEnabledWindow(control)) return false;
    if (Upper(ClassOf(control)) == "BUTTON") return PostMessageA(control, BM_CLICK, 0, 0) != FALSE;
    RECT r{};
    GetClientRect(control, &r);
    return ClickAt(control, (r.right - r.left) / 2, (r.bottom - r.top) / 2);
}

bool ClickAt(HWND w, int x, int y, bool doubleClick) {
    if (!IsShown(w) || !IsEnabledWindow(w)) return false;
    const LPARAM at = MAKELPARAM(x, y);
    bool ok =
        PostMessageA(w, WM_LBUTTONDOWN, MK_LBUTTON, at) && PostMessageA(w, WM_LBUTTONUP, 0, at);
    if (doubleClick)
        ok = ok && PostMessageA(w, WM_LBUTTONDBLCLK, MK_LBUTTON, at) &&
             PostMessageA(w, WM_LBUTTONUP, 0, at);
    return ok;
}

bool PressKey(HWND w, UINT vk) {
    if (!IsShown(w) || !IsEnabledWindow(w)) return false;
    const UINT scan = MapVirtualKeyA(vk, 0);
    const LPARAM down = 1 | (static_cast<LPARAM>(scan) << 16);
    const LPARAM up = down | (1L << 30) | (1L << 31);
    bool ok = PostMessageA(w, WM_KEYDOWN, vk, down) != FALSE;
    // Only keys that type a character produce WM_CHAR, as TranslateMessage does.
    const UINT ch = MapVirtualKeyA(vk, 2);
    if (ch >= ' ' || vk == VK_RETURN || vk == VK_ESCAPE)
        ok = ok && PostMessageA(w, WM_CHAR, ch, down);
    return ok && PostMessageA(w, WM_KEYUP, vk, up);
}

bool SendDpiChanged(HWND top, int dpi, int clientWidth96, int clientHeight96) {
    RECT was{};
    if (!GetWindowRect(top, &was)) return false;
    RECT r{0, 0, MulDiv(clientWidth96, dpi, 96), MulDiv(clientHeight96, dpi, 96)};
    AdjustWindowRectEx(&r, static_cast<DWORD>(GetWindowLongA(top, GWL_STYLE)), FALSE,
                       static_cast<DWORD>(GetWindowLongA(top, GWL_EXSTYLE)));
    OffsetRect(&r, was.left - r.left, was.top - r.top);
    // The rectangle must lie in the target's memory: the system does not
    // carry this message's pointer across processes.
    Handle process(OpenProcess(PROCESS_VM_OPERATION | PROCESS_VM_WRITE, FALSE, ProcessOf(top)));
    if (!process) return false;
    struct TRemote {
        HANDLE Process;
        void* At;
        ~TRemote() {
            if (At) VirtualFreeEx(Process, At, 0, MEM_RELEASE);
        }
    } remote{process.Get(),
             VirtualAllocEx(process.Get(), nullptr, sizeof r, MEM_COMMIT, PAGE_READWRITE)};
    if (!remote.At || !WriteProcessMemory(process.Get(), remote.At, &r, sizeof r, nullptr))
        return false;
    return SendWithTimeout(top, 0x02E0 /* WM_DPICHANGED */, MAKEWPARAM(dpi, dpi),
                           reinterpret_cast<LPARAM>(remote.At), nullptr);
}

HWND FocusedControl(HWND top) {
    GUITHREADINFO info{};
    info.cbSize = sizeof info;
    if (!GetGUIThreadInfo(GetWindowThreadProcessId(top, nullptr), &info)) return nullptr;
    return info.hwndFocus;
}

bool RequestClose(HWND w) { return w && PostMessageA(w, WM_SYSCOMMAND, SC_CLOSE, 0) != FALSE; }

// --- message boxes --------------------------------------------------------

namespace {

std::optional<MessageBoxInfo> ReadMessageBox(HWND w) {
    MessageBoxInfo box;
    box.window = w;
    box.title = GetText(w);
    std::vector<std::pair<int, std::string>> buttons;
    for (HWND c : Descendants(w)) {
        if (!IsShown(c)) continue;
        const std::string text = GetText(c);
        if (Upper(ClassOf(c)) == "BUTTON") {
            buttons.emplace_back(RectIn(c, w).left, text);
        } else if (text.size() > box.text.size()) {
            // The message is the longest text outside the buttons.
            box.text = text;
        }
    }
    // The setup program's own box names its message control.
    if (ClassOf(w) == MessageBoxClass)
        if (HWND message = FindById(w, MessageBoxTextId)) box.text = GetText(message);
    if (buttons.empty()) return std::nullopt;
    // Boxes show "\r" line breaks as CR LF; callers compare with "\r".
    for (size_t at; (at = box.text.find("\r\n")) != std::string::npos;) box.text.erase(at + 1, 1);
    std::sort(buttons.begin(), buttons.end());
    for (auto& b : buttons) box.buttons.push_back(b.second);
    return box;
}

}  // namespace

std::optional<MessageBoxInfo> WaitMessageBox(DWORD pid, HWND except, Ms timeout) {
    std::optional<MessageBoxInfo> found;
    WaitUntil(
        [&] {
            for (HWND w : TopLevelWindows(pid)) {
                // Across processes only the program's own box counts.
                if (w == except || (pid == 0 && ClassOf(w) != MessageBoxClass)) continue;
                if ((found = ReadMessageBox(w))) return true;
            }
            return false;
        },
        timeout);
    return found;
}

bool Answer(const MessageBoxInfo& box, const std::string& caption) {
    HWND b = FindByText(box.window, caption, "Button");
    if (!b) return false;
    if (!Click(b)) return false;
    // The box is gone once the answer has been taken.
    return WaitUntil([&] { return !IsWindow(box.window) || !IsWindowVisible(box.window); },
                     Ms(5000));
}

// --- screenshots ----------------------------------------------------------

bool SaveScreenshot(HWND w, const std::string& bmpPath) {
    RECT r{};
    if (!IsShown(w) || !GetWindowRect(w, &r)) return false;
    const int width = r.right - r.left, height = r.bottom - r.top;
    if (width <= 0 || height <= 0) return false;
    TClientDC screen(nullptr);
    TMemoryDC mem(CreateCompatibleDC(screen.Get()));
    TGdiHandle<HBITMAP> bitmap(CreateCompatibleBitmap(screen.Get(), width, height));
    if (!screen.Get() || !mem.Get() || !bitmap) return false;
    {
        TSelectObject sel(mem.Get(), bitmap.Get());
        if (!BitBlt(mem.Get(), 0, 0, width, height, screen.Get(), r.left, r.top, SRCCOPY))
            return false;
    }
    BITMAPINFOHEADER bih{};
    bih.biSize = sizeof bih;
    bih.biWidth = width;
    bih.biHeight = height;  // bottom-up, as BMP files store it
    bih.biPlanes = 1;
    bih.biBitCount = 24;
    bih.biCompression = BI_RGB;
    const DWORD stride = ((width * 3) + 3) & ~3u;
    std::vector<unsigned char> pixels(static_cast<size_t>(stride) * height);
    if (!GetDIBits(mem.Get(), bitmap.Get(), 0, height, pixels.data(),
                   reinterpret_cast<BITMAPINFO*>(&bih), DIB_RGB_COLORS))
        return false;
    BITMAPFILEHEADER bfh{};
    bfh.bfType = 0x4D42;  // "BM"
    bfh.bfOffBits = sizeof bfh + sizeof bih;
    bfh.bfSize = bfh.bfOffBits + static_cast<DWORD>(pixels.size());
    Handle file(CreateFileA(bmpPath.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS,
                            FILE_ATTRIBUTE_NORMAL, nullptr));
    if (!file) return false;
    DWORD n = 0;
    return WriteFile(file.Get(), &bfh, sizeof bfh, &n, nullptr) && n == sizeof bfh &&
           WriteFile(file.Get(), &bih, sizeof bih, &n, nullptr) && n == sizeof bih &&
           WriteFile(file.Get(), pixels.data(), static_cast<DWORD>(pixels.size()), &n, nullptr) &&
           n == pixels.size();
}

// --- the wizard -----------------------------------------------------------

std::optional<Wizard> Wizard::Attach(const Process& p, Ms timeout) {
    HWND found = nullptr;
    WaitUntil(
        [&] {
            for (HWND w : TopLevelWindows(p.Id()))
                if (GetText(w) == WizardCaption && IsWindowEnabled(w)) {
                    found = w;
                    return true;
                }
            return !p.Running();
        },
        timeout);
    if (!found) return std::nullopt;
    return Wizard(found, p.Id());
}

std::string Wizard::PageTitle() const {
    if (HWND title = FindById(window_, TitleId); IsShown(title)) return GetText(title);
    // The banner is the 46-pixel band at the top of the client area; its
    // title is the leftmost shown control there that carries text.
    HWND best = nullptr;
    LONG bestLeft = 0;
    for (HWND c : Descendants(window_)) {
        if (!IsShown(c)) continue;
        const RECT r = RectIn(c, window_);
        if (r.top < 0 || r.bottom > 46 || Upper(ClassOf(c)) == "BUTTON") continue;
        if (GetText(c).empty()) continue;
        if (!best || r.left < bestLeft) {
            best = c;
            bestLeft = r.left;
        }
    }
    return best ? GetText(best) : std::string();
}

bool Wizard::WaitPage(const std::string& title, Ms timeout) const {
    return WaitUntil([&] { return PageTitle() == title; }, timeout);
}

HWND Wizard::NextButton() const {
    HWND b = Control("&Next >", "Button");
    return b ? b : Control("&Finish", "Button");
}

}  // namespace e2e
