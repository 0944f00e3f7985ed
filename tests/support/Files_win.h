#pragma once
// File helpers the Windows tests share. They work by their own means, not
// through the code under test.

#include <windows.h>

#include <string>

#include "instutils/WinHandles.h"

namespace testfiles {

inline bool Exists(const std::string& path) {
    return GetFileAttributesA(path.c_str()) != INVALID_FILE_ATTRIBUTES;
}

// The whole content, also of a file another process still writes; `missing`
// when it cannot be opened.
inline std::string ReadAll(const std::string& path, const char* missing = "<missing>") {
    TUniqueHandle h(CreateFileA(path.c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE,
                                nullptr, OPEN_EXISTING, 0, nullptr));
    if (!h.Valid()) return missing;
    std::string text;
    char buf[4096];
    DWORD got = 0;
    while (ReadFile(h.Get(), buf, sizeof buf, &got, nullptr) && got) text.append(buf, got);
    return text;
}

// Creates or truncates `path` to exactly `bytes`; false when it cannot.
inline bool WriteAll(const std::string& path, const std::string& bytes,
                     DWORD attributes = FILE_ATTRIBUTE_NORMAL) {
    TUniqueHandle h(
        CreateFileA(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, attributes, nullptr));
    if (!h.Valid()) return false;
    DWORD done = 0;
    return bytes.empty() ||
           (WriteFile(h.Get(), bytes.data(), static_cast<DWORD>(bytes.size()), &done, nullptr) &&
            done == bytes.size());
}

}  // namespace testfiles
