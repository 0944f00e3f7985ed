#include "instutils/WinHandles.h"

#include <string>

bool ReadLogFileText(const std::string& path, std::string& text)
{
    UniqueHandle file(CreateFileA(path.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr,
                                  OPEN_EXISTING, FILE_FLAG_SEQUENTIAL_SCAN, nullptr));
    if (!file.Valid())
        return false;
    LARGE_INTEGER size;
    if (!GetFileSizeEx(file.Get(), &size) || size.QuadPart > 64 * 1024 * 1024)
        return false;
    std::string bytes(size_t(size.QuadPart), '\0');
    DWORD got = 0;
    if (!bytes.empty() && (!ReadFile(file.Get(), bytes.data(), DWORD(bytes.size()), &got, nullptr) ||
                           got != bytes.size()))
        return false;
    text = std::move(bytes);
    return true;
}

bool WriteLogFileText(const std::string& path, const std::string& text)
{
    UniqueHandle file(CreateFileA(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS,
                                  FILE_ATTRIBUTE_NORMAL, nullptr));
    if (!file.Valid())
        return false;
    DWORD written = 0;
    return WriteFile(file.Get(), text.data(), DWORD(text.size()), &written, nullptr) &&
           written == text.size();
}
