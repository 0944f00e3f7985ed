#pragma once
// Helpers shared by the Windows tests of this folder: scratch folders,
// registry clean-up, small file writers and a plain option-controls object.

#include <windows.h>

#include <cstring>
#include <string>

#include "instutils/InstUtils.h"
#include "instutils/WinHandles.h"
#include "integration/Options.h"
#include "integration/Registry_win.h"
#include "tests/support/Files_win.h"

namespace testsupport {

constexpr const char* ProductKey = "Software\\Parvela Word Processor";
constexpr const char* UninstallKey =
    "Software\\Microsoft\\Windows\\CurrentVersion\\Uninstall\\Parvela Word Processor";

// A fresh folder under the temporary folder, removed with its content.
class TScratchFolder {
public:
    explicit TScratchFolder(const std::string& tag) {
        char buf[MAX_PATH];
        GetTempPathA(MAX_PATH, buf);
        Path = std::string(buf) + "parvela-" + tag + "-" + std::to_string(GetCurrentProcessId());
        DeleteFolderTree(Path);
        CreateDirectoryA(Path.c_str(), nullptr);
    }
    TScratchFolder(const TScratchFolder&) = delete;
    TScratchFolder& operator=(const TScratchFolder&) = delete;
    ~TScratchFolder() { DeleteFolderTree(Path); }
    std::string operator/(const std::string& name) const { return Path + "\\" + name; }
    std::string Path;
};

using testfiles::Exists;
using testfiles::ReadAll;

inline void WriteBytes(const std::string& path, size_t size,
                       DWORD attributes = FILE_ATTRIBUTE_NORMAL) {
    testfiles::WriteAll(path, std::string(size, 'x'), attributes);
}

inline void DeleteKeys() {
    RegDeleteTreeA(HKEY_CURRENT_USER, ProductKey);
    RegDeleteKeyA(HKEY_CURRENT_USER, ProductKey);
    for (HKEY root : {HKEY_LOCAL_MACHINE, HKEY_CURRENT_USER}) {
        RegDeleteTreeA(root, UninstallKey);
        RegDeleteKeyA(root, UninstallKey);
    }
}

inline TRegKey OpenExisting(HKEY root, const std::string& path) {
    HKEY k = nullptr;
    if (RegOpenKeyExA(root, path.c_str(), 0, KEY_READ, &k) != ERROR_SUCCESS) return TRegKey();
    return TRegKey(k);
}
inline bool KeyExists(HKEY root, const std::string& path) {
    return static_cast<bool>(OpenExisting(root, path));
}

struct TValue {
    bool Found = false;
    DWORD Type = 0;
    std::string Data;
};
inline TValue ReadValue(HKEY root, const std::string& key, const std::string& name) {
    TValue v;
    TRegKey k = OpenExisting(root, key);
    if (!k) return v;
    char buf[2048];
    DWORD size = sizeof buf;
    if (RegQueryValueExA(k.Get(), name.c_str(), nullptr, &v.Type, reinterpret_cast<BYTE*>(buf),
                         &size) == ERROR_SUCCESS) {
        v.Found = true;
        v.Data.assign(buf, size);
    }
    return v;
}
inline DWORD Dword(const TValue& v) {
    DWORD d = 0;
    if (v.Data.size() == 4) memcpy(&d, v.Data.data(), 4);
    return d;
}
inline std::string Sz(const std::string& s) { return std::string(s.c_str(), s.size() + 1); }

inline void SetValue(HKEY root, const std::string& key, const std::string& name, DWORD type,
                     const std::string& data) {
    HKEY raw = nullptr;
    if (RegCreateKeyExA(root, key.c_str(), 0, nullptr, 0, KEY_ALL_ACCESS, nullptr, &raw, nullptr) !=
        ERROR_SUCCESS)
        return;
    TRegKey k(raw);
    RegSetValueExA(k.Get(), name.c_str(), 0, type, reinterpret_cast<const BYTE*>(data.data()),
                   static_cast<DWORD>(data.size()));
}
inline void SetDword(HKEY root, const std::string& key, const std::string& name, DWORD d) {
    SetValue(root, key, name, REG_DWORD, std::string(reinterpret_cast<const char*>(&d), 4));
}

// The controls LoadOptions fills and SaveOptions reads.
using TPlainControls = TOptionValues;

}  // namespace testsupport
