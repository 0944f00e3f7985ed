#pragma once
// A private folder for one Wine test, removed with everything in it (read-only
// files too) when the test ends. Cleans up by its own means, not through the
// code under test.

#include "instutils/WinHandles.h"
#include "tests/support/Files_win.h"

#include <gtest/gtest.h>

#include <string>

class ScratchFolder {
public:
    ScratchFolder() {
        char temp[MAX_PATH + 1] = {};
        GetTempPathA(MAX_PATH, temp);
        static int counter = 0;
        path_ = std::string(temp) + "instutils_" + std::to_string(GetCurrentProcessId()) + "_" +
                std::to_string(++counter) + "\\";
        EXPECT_TRUE(CreateDirectoryA(path_.c_str(), nullptr)) << path_;
    }
    ScratchFolder(const ScratchFolder&) = delete;
    ScratchFolder& operator=(const ScratchFolder&) = delete;
    ~ScratchFolder() { Remove(path_); }

    // The folder in folder form ("...\").
    const std::string& Path() const { return path_; }
    std::string operator/(const std::string& name) const { return path_ + name; }

    static void Remove(const std::string& folder) {
        {
            TFileSearch found(folder + "*");
            for (bool more = found.Valid(); more; more = found.Next()) {
                const std::string name = found.Entry().cFileName;
                if (name == "." || name == "..") continue;
                const std::string full = folder + name;
                SetFileAttributesA(full.c_str(), FILE_ATTRIBUTE_NORMAL);
                const DWORD attributes = found.Entry().dwFileAttributes;
                if (attributes & FILE_ATTRIBUTE_REPARSE_POINT) {
                    // a link: remove it, never what it points at
                    if (!RemoveDirectoryA(full.c_str())) DeleteFileA(full.c_str());
                } else if (attributes & FILE_ATTRIBUTE_DIRECTORY)
                    Remove(full + "\\");
                else
                    DeleteFileA(full.c_str());
            }
        }
        RemoveDirectoryA(folder.c_str());
    }

private:
    std::string path_;
};

// Runs the body with the given folder current, then puts the old one back.
class CurrentFolderScope {
public:
    explicit CurrentFolderScope(const std::string& folder) {
        char saved[MAX_PATH + 1] = {};
        GetCurrentDirectoryA(MAX_PATH, saved);
        saved_ = saved;
        EXPECT_TRUE(SetCurrentDirectoryA(folder.c_str())) << folder;
    }
    ~CurrentFolderScope() { SetCurrentDirectoryA(saved_.c_str()); }

private:
    std::string saved_;
};

inline void MakeFile(const std::string& path, const std::string& bytes = "x") {
    TUniqueHandle h(CreateFileA(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS,
                                FILE_ATTRIBUTE_NORMAL, nullptr));
    ASSERT_TRUE(h.Valid()) << path;
    DWORD written = 0;
    ASSERT_TRUE(WriteFile(h.Get(), bytes.data(), DWORD(bytes.size()), &written, nullptr));
}

using testfiles::Exists;

inline std::string ReadBytes(const std::string& path) { return testfiles::ReadAll(path, ""); }

// Folder links for tests. Under Wine they are host symlinks (which Wine
// shows as linked folders but cannot remove); elsewhere the system's own.
namespace folder_link {

using UnixNameProc = char*(CDECL*)(LPCWSTR);

inline UnixNameProc WineUnixName() {
    return reinterpret_cast<UnixNameProc>(reinterpret_cast<void*>(
        GetProcAddress(GetModuleHandleA("kernel32.dll"), "wine_get_unix_file_name")));
}

inline std::string HostPath(const std::string& path) {
    const std::wstring wide(path.begin(), path.end());  // ASCII test paths
    char* name = WineUnixName()(wide.c_str());
    std::string result = name ? name : "";
    if (name) HeapFree(GetProcessHeap(), 0, name);
    return result;
}

// Runs a host program and waits until `done` holds (Wine may report a host
// process finished before it has run).
template <class Done>
bool RunOnHost(const char* program, std::string commandLine, Done done) {
    STARTUPINFOA si = {};
    si.cb = sizeof si;
    PROCESS_INFORMATION pi = {};
    if (!CreateProcessA(program, commandLine.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr,
                        &si, &pi))
        return false;
    TUniqueHandle process(pi.hProcess), thread(pi.hThread);
    WaitForSingleObject(process.Get(), 10000);
    for (int i = 0; i < 100 && !done(); ++i) Sleep(20);
    return done();
}

}  // namespace folder_link

// Makes `link` a link to the folder `target`; true when it shows as one.
inline bool MakeFolderLink(const std::string& link, const std::string& target) {
    auto isLink = [&link] {
        const DWORD a = GetFileAttributesA(link.c_str());
        return a != INVALID_FILE_ATTRIBUTES && (a & FILE_ATTRIBUTE_REPARSE_POINT) != 0;
    };
    if (!folder_link::WineUnixName())
        return CreateSymbolicLinkA(link.c_str(), target.c_str(), SYMBOLIC_LINK_FLAG_DIRECTORY) &&
               isLink();
    const std::string from = folder_link::HostPath(target), to = folder_link::HostPath(link);
    return !from.empty() && !to.empty() &&
           folder_link::RunOnHost("Z:\\bin\\ln", "/bin/ln -s \"" + from + "\" \"" + to + "\"",
                                  isLink);
}

// Makes `link` a link to the existing file `target`; true when it shows.
inline bool MakeFileLink(const std::string& link, const std::string& target) {
    auto shows = [&link] { return GetFileAttributesA(link.c_str()) != INVALID_FILE_ATTRIBUTES; };
    if (!folder_link::WineUnixName())
        return CreateSymbolicLinkA(link.c_str(), target.c_str(), 0) && shows();
    const std::string from = folder_link::HostPath(target), to = folder_link::HostPath(link);
    return !from.empty() && !to.empty() &&
           folder_link::RunOnHost("Z:\\bin\\ln", "/bin/ln -s \"" + from + "\" \"" + to + "\"",
                                  shows);
}

inline void RemoveFolderLink(const std::string& link) {
    auto gone = [&link] { return GetFileAttributesA(link.c_str()) == INVALID_FILE_ATTRIBUTES; };
    if (RemoveDirectoryA(link.c_str()) || !folder_link::WineUnixName()) return;
    folder_link::RunOnHost("Z:\\bin\\rm", "/bin/rm -f \"" + folder_link::HostPath(link) + "\"",
                           gone);
}
