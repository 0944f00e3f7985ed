#include "instutils/InstUtils.h"
#include "instutils/LogLines.h"
#include "instutils/WinHandles.h"

#include <string>

TLogFileRead ReadLogFileText(const std::string& path, std::string& text) {
    UniqueHandle file(CreateFileA(path.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr,
                                  OPEN_EXISTING, FILE_FLAG_SEQUENTIAL_SCAN, nullptr));
    if (!file.Valid()) {
        const DWORD error = GetLastError();
        return error == ERROR_FILE_NOT_FOUND || error == ERROR_PATH_NOT_FOUND
                   ? TLogFileRead::Missing
                   : TLogFileRead::Unreadable;
    }
    LARGE_INTEGER size;
    if (!GetFileSizeEx(file.Get(), &size) || size.QuadPart > 64 * 1024 * 1024)
        return TLogFileRead::Unreadable;
    std::string bytes(size_t(size.QuadPart), '\0');
    DWORD got = 0;
    if (!bytes.empty() &&
        (!ReadFile(file.Get(), bytes.data(), DWORD(bytes.size()), &got, nullptr) ||
         got != bytes.size()))
        return TLogFileRead::Unreadable;
    text = std::move(bytes);
    return TLogFileRead::Read;
}

bool WriteLogFileText(const std::string& path, const std::string& text) {
    return ReplaceWholeFile(path, text);
}
