// Special folders, the temporary folder and the program's temporary names.
#include "instutils/InstUtils.h"
#include "instutils/WinHandles.h"

#include <delayimp.h>

#include <iterator>
#include <mutex>

namespace {

using SHGetFolderPathAProc = HRESULT(WINAPI*)(HWND, int, HANDLE, DWORD, LPSTR);

struct ShellFolderEntry {
    std::once_flag once;
    SHGetFolderPathAProc proc = nullptr;
    TLoadedModule shfolder;  // only when shell32 did not offer the entry
};

ShellFolderEntry& Entry() {
    static ShellFolderEntry entry;
    return entry;
}

// Never by bare name: a planted copy beside the program would be loaded
// instead of the system's.
HMODULE LoadSystemDll(const char* name) {
    const std::string path = SystemFolderFile(name);
    if (path.empty()) return nullptr;
    // The altered search makes the DLL's own imports come from the system
    // folder too.
    return LoadLibraryExA(path.c_str(), nullptr, LOAD_WITH_ALTERED_SEARCH_PATH);
}

template <class Proc>
Proc LookUp(HMODULE module, const char* name) {
    if (!module) return nullptr;
    return reinterpret_cast<Proc>(reinterpret_cast<void*>(GetProcAddress(module, name)));
}

// Delay-loaded DLLs (see cmake/DelayImports.cmake) come from the system
// folder by full path; comctl32 by name, so that the manifest's version 6
// assembly is the one found (the side-by-side lookup comes before any folder).
FARPROC WINAPI LoadDelayed(unsigned notification, PDelayLoadInfo info) {
    if (notification != dliNotePreLoadLibrary || !info || !info->szDll) return nullptr;
    if (lstrcmpiA(info->szDll, "comctl32.dll") == 0) return nullptr;
    return reinterpret_cast<FARPROC>(LoadSystemDll(info->szDll));
}

}  // namespace

std::string SystemFolderFile(const char* name) {
    char folder[MAX_PATH + 1] = {};
    const UINT len = GetSystemDirectoryA(folder, MAX_PATH);
    if (len == 0 || len >= MAX_PATH) return std::string();
    return JoinPath(std::string(folder, len), name);
}

void RestrictDllSearchToSystem() {
    HMODULE kernel = GetModuleHandleA("kernel32.dll");
    using SetDefaultDllDirectoriesProc = BOOL(WINAPI*)(DWORD);
    using SetDllDirectoryAProc = BOOL(WINAPI*)(LPCSTR);
    constexpr DWORD searchSystem32 = 0x00000800;  // LOAD_LIBRARY_SEARCH_SYSTEM32
    // Older systems: at least take the current folder out of the search.
    if (auto setDir = LookUp<SetDllDirectoryAProc>(kernel, "SetDllDirectoryA")) setDir("");
    auto restrict = LookUp<SetDefaultDllDirectoriesProc>(kernel, "SetDefaultDllDirectories");
    const bool restricted = restrict&& restrict(searchSystem32);
    // DLLs that system components load by name, taken from the system folder
    // now so that later requests find them loaded. The first two every window
    // needs, and some loaders (Wine's delay loads) search past the
    // restriction; the rest matter where the program's own folder still
    // comes first.
    static const char* const usedBySystem[] = {
        "uxtheme.dll", "msimg32.dll", "userenv.dll", "setupapi.dll",  "version.dll", "oleacc.dll",
        "clbcatq.dll", "ntmarta.dll", "profapi.dll", "cryptbase.dll", "dwmapi.dll",  "propsys.dll"};
    static TLoadedModule kept[std::size(usedBySystem)];
    const size_t count = restricted ? 2 : std::size(usedBySystem);
    for (size_t i = 0; i < count; ++i)
        if (!kept[i].Get()) kept[i] = TLoadedModule(LoadSystemDll(usedBySystem[i]));
}

extern "C" {
PfnDliHook __pfnDliNotifyHook2 = LoadDelayed;
}

void InitShellFolders() {
    ShellFolderEntry& e = Entry();
    std::call_once(e.once, [&e] {
        e.proc = LookUp<SHGetFolderPathAProc>(GetModuleHandleA("shell32.dll"), "SHGetFolderPathA");
        if (e.proc) return;
        e.shfolder = TLoadedModule(LoadSystemDll("shfolder.dll"));
        e.proc = LookUp<SHGetFolderPathAProc>(e.shfolder.Get(), "SHGetFolderPathA");
    });
}

std::string GetShellFolder(int csidl) {
    InitShellFolders();
    SHGetFolderPathAProc proc = Entry().proc;
    if (!proc) return std::string();
    char buffer[MAX_PATH + 1] = {};
    if (FAILED(proc(nullptr, csidl, nullptr, 0, buffer))) return std::string();
    buffer[MAX_PATH] = '\0';
    return std::string(buffer);
}

std::string GetTempFolder() {
    std::string folder;
    const DWORD needed = GetTempPathA(0, nullptr);
    if (needed != 0) {
        folder.assign(needed + 1, '\0');
        const DWORD got = GetTempPathA(needed + 1, folder.data());
        folder.resize(got <= needed ? got : 0);
        folder.resize(folder.find('\0') == std::string::npos ? folder.size() : folder.find('\0'));
    }
    if (!FolderExists(folder)) folder = GetShellFolder(CSIDL_PERSONAL_);
    AppendPathSeparator(folder);
    return folder;
}

static bool FileOccupies(const std::string& path) {
    TFileSearch found(path);
    return found.Valid() && (found.Entry().dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) == 0;
}

std::string MakeTempFileName() {
    const std::string stem = GetTempFolder() + TempNamePrefix();
    for (uint64_t n = 0;; ++n) {
        std::string candidate = stem + std::to_string(n) + ".tmp";
        if (!FileOccupies(candidate)) return candidate;
    }
}

void RemoveTempLeftovers() {
    const std::string folder = GetTempFolder();
    // Without a temporary folder the walk below would run over the current one.
    if (folder.empty()) return;
    const std::string prefix = TempNamePrefix();
    TFileSearch entry(folder + "*.*");
    for (bool more = entry.Valid(); more; more = entry.Next()) {
        const std::string name = entry.Entry().cFileName;
        if (name.compare(0, prefix.size(), prefix) != 0) continue;
        if ((entry.Entry().dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) != 0)
            DeleteFolderTree(folder + name);
        else
            DeleteFileA((folder + name).c_str());
    }
}
