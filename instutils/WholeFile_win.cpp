#include "instutils/InstUtils.h"
#include "instutils/LogLines.h"
#include "instutils/WinHandles.h"

#include <string>

TFileRead ReadWholeFile(const std::string& path, std::string& bytes, size_t maxBytes) {
    TUniqueHandle file(CreateFileA(path.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr,
                                   OPEN_EXISTING, FILE_FLAG_SEQUENTIAL_SCAN, nullptr));
    if (!file.Valid()) {
        const DWORD error = GetLastError();
        return error == ERROR_FILE_NOT_FOUND || error == ERROR_PATH_NOT_FOUND
                   ? TFileRead::Missing
                   : TFileRead::Unreadable;
    }
    // One ReadFile call takes at most a DWORD's worth.
    LARGE_INTEGER size;
    if (!GetFileSizeEx(file.Get(), &size) || uint64_t(size.QuadPart) > maxBytes ||
        size.QuadPart > 0x7FFFFFFF)
        return TFileRead::Unreadable;
    std::string text(size_t(size.QuadPart), '\0');
    DWORD got = 0;
    if (!text.empty() && (!ReadFile(file.Get(), text.data(), DWORD(text.size()), &got, nullptr) ||
                          got != text.size()))
        return TFileRead::Unreadable;
    bytes = std::move(text);
    return TFileRead::Read;
}

bool WriteLogFileText(const std::string& path, const std::string& text) {
    return ReplaceWholeFile(path, text);
}
