#include "demo/parv/ParvSystem.h"

#include "instutils/AppInterface.h"
#include "instutils/WinHandles.h"
#include "uninstall/Uninstall_win.h"

#include <shlobj.h>

#include <cstring>

namespace parv {

namespace {

constexpr const char* ClassesKey = "Software\\Classes";

// The shared header names the key the way the setup program opens it, with
// a leading separator; the registry functions want it without.
const char* InternalKeyPath() {
    const char* k = app::InternalKey;
    while (*k == '\\') ++k;
    return k;
}

bool SetString(HKEY key, const char* name, const std::string& value) {
    return RegSetValueExA(key, name, 0, REG_SZ, reinterpret_cast<const BYTE*>(value.c_str()),
                          static_cast<DWORD>(value.size() + 1)) == ERROR_SUCCESS;
}

bool CreateKey(HKEY root, const std::string& path, TRegKey& key) {
    return RegCreateKeyExA(root, path.c_str(), 0, nullptr, 0, KEY_READ | KEY_WRITE, nullptr,
                           key.OutPtr(), nullptr) == ERROR_SUCCESS;
}

bool RegisterProgId(const std::string& exePath) {
    const std::string base = std::string(ClassesKey) + "\\" + app::AssocProgId;
    TRegKey progId, icon, command;
    if (!CreateKey(HKEY_CURRENT_USER, base, progId) ||
        !SetString(progId.Get(), nullptr, app::AssocProgIdName))
        return false;
    if (!CreateKey(HKEY_CURRENT_USER, base + "\\DefaultIcon", icon) ||
        !SetString(icon.Get(), nullptr, exePath + ",0"))
        return false;
    return CreateKey(HKEY_CURRENT_USER, base + "\\shell\\open\\command", command) &&
           SetString(command.Get(), nullptr, "\"" + exePath + "\" \"%1\"");
}

bool Associate(const char* ext) {
    TRegKey key;
    return CreateKey(HKEY_CURRENT_USER, std::string(ClassesKey) + "\\" + ext, key) &&
           SetString(key.Get(), nullptr, app::AssocProgId);
}

}  // namespace

std::string ExePath() {
    char buf[MAX_PATH + 1];
    DWORD n = GetModuleFileNameA(nullptr, buf, sizeof(buf));
    if (n == 0 || n >= sizeof(buf)) return {};
    return std::string(buf, n);
}

bool WriteLastRunVersion() {
    TRegKey key;
    if (!CreateKey(HKEY_CURRENT_USER, InternalKeyPath(), key)) return false;
    DWORD value = static_cast<DWORD>(app::ThisVersionCode);
    return RegSetValueExA(key.Get(), app::LastRunVerValue, 0, REG_DWORD,
                          reinterpret_cast<const BYTE*>(&value), sizeof(value)) == ERROR_SUCCESS;
}

bool AppendCommandLog(const std::string& commandLine) {
    char dir[MAX_PATH + 1];
    DWORD n = GetTempPathA(sizeof(dir), dir);
    if (n == 0 || n >= sizeof(dir)) return false;
    std::string path(dir, n);
    if (path.back() != '\\') path += '\\';
    path += app::CommandLogFile;
    // FILE_APPEND_DATA alone makes every write land at the end, also when
    // two copies start at once.
    TUniqueHandle file(CreateFileA(path.c_str(), FILE_APPEND_DATA,
                                   FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr, OPEN_ALWAYS,
                                   FILE_ATTRIBUTE_NORMAL, nullptr));
    if (!file.Valid()) return false;
    const std::string line = commandLine + "\r\n";
    DWORD written = 0;
    return WriteFile(file.Get(), line.data(), static_cast<DWORD>(line.size()), &written, nullptr) &&
           written == line.size();
}

bool ApplyAssociations(const std::string& exePath, const std::array<bool, 4>& types) {
    bool ok = true;
    bool any = false;
    for (bool t : types) any = any || t;
    if (any) ok = RegisterProgId(exePath);
    for (size_t i = 0; i < types.size(); ++i) {
        if (types[i])
            ok = Associate(app::AssocExtensions[i]) && ok;
        else
            uninst::TakeBackAssociation(app::AssocExtensions[i], app::AssocProgId);
    }
    SHChangeNotify(SHCNE_ASSOCCHANGED, SHCNF_IDLIST, nullptr, nullptr);
    return ok;
}

}  // namespace parv
