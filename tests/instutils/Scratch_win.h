#pragma once
// A private folder for one Wine test, removed with everything in it (read-only
// files too) when the test ends. Cleans up by its own means, not through the
// code under test.

#include "instutils/WinHandles.h"

#include <gtest/gtest.h>

#include <string>

class ScratchFolder {
public:
    ScratchFolder()
    {
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

    static void Remove(const std::string& folder)
    {
        {
            FindHandle found(folder + "*");
            for (bool more = found.Valid(); more; more = found.Next()) {
                const std::string name = found.Entry().cFileName;
                if (name == "." || name == "..")
                    continue;
                const std::string full = folder + name;
                SetFileAttributesA(full.c_str(), FILE_ATTRIBUTE_NORMAL);
                if (found.Entry().dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY)
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

inline void MakeFile(const std::string& path, const std::string& bytes = "x")
{
    UniqueHandle h(CreateFileA(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS,
                               FILE_ATTRIBUTE_NORMAL, nullptr));
    ASSERT_TRUE(h.Valid()) << path;
    DWORD written = 0;
    ASSERT_TRUE(WriteFile(h.Get(), bytes.data(), DWORD(bytes.size()), &written, nullptr));
}

inline bool Exists(const std::string& path)
{
    return GetFileAttributesA(path.c_str()) != INVALID_FILE_ATTRIBUTES;
}

inline std::string ReadBytes(const std::string& path)
{
    std::string bytes;
    UniqueHandle h(CreateFileA(path.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr,
                               OPEN_EXISTING, 0, nullptr));
    char buffer[4096];
    DWORD got = 0;
    while (h.Valid() && ReadFile(h.Get(), buffer, sizeof buffer, &got, nullptr) && got > 0)
        bytes.append(buffer, got);
    return bytes;
}
