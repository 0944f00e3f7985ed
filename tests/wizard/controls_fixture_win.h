#pragma once
// A plain host window for the wizard's own controls, plus throw-away folder
// trees, for the in-process tests under Wine.

#include <windows.h>

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "instutils/InstUtils.h"
#include "wizard/CheckList_win.h"
#include "wizard/DriveBox_win.h"
#include "wizard/FolderList_win.h"

class TControlHost {
public:
    TControlHost() {
        HINSTANCE inst = GetModuleHandleA(nullptr);
        RegisterWizardControls(inst);
        WNDCLASSA wc{};
        if (!GetClassInfoA(inst, "ParvelaControlTestHost", &wc)) {
            wc.lpfnWndProc = DefWindowProcA;
            wc.hInstance = inst;
            wc.hbrBackground = reinterpret_cast<HBRUSH>(COLOR_BTNFACE + 1);
            wc.lpszClassName = "ParvelaControlTestHost";
            RegisterClassA(&wc);
        }
        Window = CreateWindowExA(0, "ParvelaControlTestHost", "controls", WS_OVERLAPPEDWINDOW, 0, 0,
                                 640, 520, nullptr, nullptr, inst, nullptr);
        Font = static_cast<HFONT>(GetStockObject(DEFAULT_GUI_FONT));
    }
    ~TControlHost() {
        if (Window) DestroyWindow(Window);
        Pump();
    }
    TControlHost(const TControlHost&) = delete;
    TControlHost& operator=(const TControlHost&) = delete;

    HWND Child(const char* cls, int x, int y, int w, int h, const char* text = "",
               DWORD style = 0) {
        HWND c = CreateWindowExA(0, cls, text, WS_CHILD | WS_VISIBLE | WS_TABSTOP | style, x, y, w,
                                 h, Window, reinterpret_cast<HMENU>(static_cast<INT_PTR>(++LastId)),
                                 GetModuleHandleA(nullptr), nullptr);
        if (c) SendMessageA(c, WM_SETFONT, reinterpret_cast<WPARAM>(Font), TRUE);
        return c;
    }
    static void Pump() {
        MSG m;
        while (PeekMessageA(&m, nullptr, 0, 0, PM_REMOVE)) {
            TranslateMessage(&m);
            DispatchMessageA(&m);
        }
    }
    HWND Window = nullptr;

private:
    HFONT Font = nullptr;
    int LastId = 1000;
};

inline std::string WindowTextOf(HWND w) {
    char buf[1024] = {};
    GetWindowTextA(w, buf, sizeof buf);
    return buf;
}

// Folders made for one test under `Root` and removed afterwards.
class TTempTree {
public:
    explicit TTempTree(const std::string& base, const std::string& tag) {
        Root = base;
        AppendPathSeparator(Root);
        Root += "pvt_" + tag + "_" + std::to_string(GetCurrentProcessId());
        DeleteFolderTree(Root);
        CreateDirectoryA(Root.c_str(), nullptr);
    }
    ~TTempTree() { DeleteFolderTree(Root); }
    TTempTree(const TTempTree&) = delete;
    TTempTree& operator=(const TTempTree&) = delete;
    std::string Make(const std::string& relative) {
        std::string path = Root;
        size_t pos = 0;
        while (pos <= relative.size()) {
            size_t next = relative.find('\\', pos);
            if (next == std::string::npos) next = relative.size();
            path += '\\';
            path.append(relative, pos, next - pos);
            CreateDirectoryA(path.c_str(), nullptr);
            pos = next + 1;
        }
        return path;
    }
    std::string Root;  // no trailing backslash
};

// A drive letter mapped onto a folder for the life of the object.
class TTestDrive {
public:
    TTestDrive(char letter, const std::string& folder) : Name{letter, ':', 0} {
        std::string target = "\\??\\" + folder;
        Defined = DefineDosDeviceA(DDD_RAW_TARGET_PATH, Name, target.c_str()) != 0;
    }
    ~TTestDrive() { Remove(); }
    TTestDrive(const TTestDrive&) = delete;
    TTestDrive& operator=(const TTestDrive&) = delete;
    void Remove() {
        if (Defined) DefineDosDeviceA(DDD_REMOVE_DEFINITION, Name, nullptr);
        Defined = false;
    }
    bool Defined = false;

private:
    char Name[3];
};

// A letter no drive uses now, from S: on; 0 when none is free.
inline char FreeDriveLetter() {
    for (char d = 'S'; d <= 'Y'; ++d)
        if (!(GetLogicalDrives() >> (d - 'A') & 1)) return d;
    return 0;
}

// Mouse messages as a click at client point x, y of `w` produces them.
inline void ClickAt(HWND w, int x, int y, bool twice = false) {
    LPARAM at = MAKELPARAM(x, y);
    SendMessageA(w, WM_LBUTTONDOWN, MK_LBUTTON, at);
    SendMessageA(w, WM_LBUTTONUP, 0, at);
    if (twice) {
        SendMessageA(w, WM_LBUTTONDBLCLK, MK_LBUTTON, at);
        SendMessageA(w, WM_LBUTTONUP, 0, at);
    }
}

inline RECT ItemRect(HWND list, int row) {
    RECT rc{};
    SendMessageA(list, LB_GETITEMRECT, static_cast<WPARAM>(row), reinterpret_cast<LPARAM>(&rc));
    return rc;
}
