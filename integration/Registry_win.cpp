#include "integration/Registry_win.h"

#include "instutils/RunLog.h"

void TRegistry::SetRootKey(HKEY root) {
    CloseKey();
    Root = root;
}

bool TRegistry::OpenKey(const std::string& path) {
    HKEY base = Root;
    std::string sub = path;
    if (!sub.empty() && sub[0] == '\\') {
        sub.erase(0, 1);
        CurrentPath = sub;
    } else if (Current) {
        base = Current.Get();
        CurrentPath += "\\" + sub;
    } else {
        CurrentPath = sub;
    }
    HKEY key = nullptr;
    LONG rc = RegCreateKeyExA(base, sub.c_str(), 0, nullptr, REG_OPTION_NON_VOLATILE,
                              KEY_ALL_ACCESS, nullptr, &key, nullptr);
    // Whatever happened, the previous key is no longer the open one.
    Current.Reset(rc == ERROR_SUCCESS ? key : nullptr);
    return static_cast<bool>(Current);
}

bool TRegistry::ValueExists(const std::string& name) const {
    if (!Current) return false;
    return RegQueryValueExA(Current.Get(), name.c_str(), nullptr, nullptr, nullptr, nullptr) ==
           ERROR_SUCCESS;
}

std::string TRegistry::ReadString(const std::string& name) const {
    if (!Current) return {};
    DWORD size = 0;
    if (RegQueryValueExA(Current.Get(), name.c_str(), nullptr, nullptr, nullptr, &size) !=
            ERROR_SUCCESS ||
        size == 0)
        return {};
    std::string data(size, '\0');
    // The value may grow between the two queries; then it reads as absent.
    if (RegQueryValueExA(Current.Get(), name.c_str(), nullptr, nullptr,
                         reinterpret_cast<BYTE*>(data.data()), &size) != ERROR_SUCCESS)
        return {};
    data.resize(size);
    size_t nul = data.find('\0');
    if (nul != std::string::npos) data.resize(nul);
    return data;
}

int32_t TRegistry::ReadInteger(const std::string& name) const {
    if (!Current) return 0;
    int32_t value = 0;
    DWORD size = sizeof value;
    if (RegQueryValueExA(Current.Get(), name.c_str(), nullptr, nullptr,
                         reinterpret_cast<BYTE*>(&value), &size) != ERROR_SUCCESS)
        return 0;
    return value;
}

void TRegistry::LogWrite(const std::string& name, const std::string& value) const {
    if (!RunLogOpen()) return;
    const char* root = Root == HKEY_LOCAL_MACHINE ? "HKLM" : Root == HKEY_CURRENT_USER ? "HKCU" : "HK?";
    RunLogLine(std::string("Registry: ") + root + "\\" + CurrentPath + ": " + name + " = " + value);
}

void TRegistry::WriteString(const std::string& name, const std::string& value) {
    if (!Current) return;
    LogWrite(name, value);
    RegSetValueExA(Current.Get(), name.c_str(), 0, REG_SZ,
                   reinterpret_cast<const BYTE*>(value.c_str()),
                   static_cast<DWORD>(value.size() + 1));
}

void TRegistry::WriteInteger(const std::string& name, int32_t value) {
    if (!Current) return;
    LogWrite(name, std::to_string(value));
    DWORD v = static_cast<DWORD>(value);
    RegSetValueExA(Current.Get(), name.c_str(), 0, REG_DWORD, reinterpret_cast<const BYTE*>(&v),
                   sizeof v);
}
