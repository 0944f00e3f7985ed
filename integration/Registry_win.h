#pragma once
// The settings' registry access: one root key and at most one open key.
// Failures are silent by design: a key that cannot be opened makes every
// later read find nothing and every later write a no-op.

#include <windows.h>

#include <cstdint>
#include <string>

#include "instutils/WinHandles.h"  // TRegKey

class TRegistry {
public:
    TRegistry() = default;  // root HKEY_CURRENT_USER, no key open

    HKEY RootKey() const { return Root; }
    // Closes the open key first.
    void SetRootKey(HKEY root);

    // Opens `path`, creating it when missing. A leading backslash starts from
    // the root key; otherwise from the open key when there is one. The new key
    // replaces the open one. Returns whether a key is open afterwards.
    bool OpenKey(const std::string& path);
    void CloseKey() { Current.Reset(); }
    HKEY CurrentKey() const { return Current.Get(); }

    bool ValueExists(const std::string& name) const;
    std::string ReadString(const std::string& name) const;  // "" when absent
    int32_t ReadInteger(const std::string& name) const;     // 0 when absent
    bool ReadBool(const std::string& name) const { return ReadInteger(name) != 0; }

    void WriteString(const std::string& name, const std::string& value);
    void WriteInteger(const std::string& name, int32_t value);
    void WriteBool(const std::string& name, bool value) { WriteInteger(name, value ? 1 : 0); }

private:
    // Names the value in the run log.
    void LogWrite(const std::string& name, const std::string& value) const;

    HKEY Root = HKEY_CURRENT_USER;
    TRegKey Current;
    std::string CurrentPath;  // for the run log
};
