#pragma once
// Shared set-up of the Windows payload tests: a reader over a payload of the
// release's shape, a fresh folder under the temporary folder, an empty install
// log, and every program-wide switch back at its start value afterwards.

#include <windows.h>

#include <gtest/gtest.h>

#include <memory>
#include <string>

#include "instutils/InstUtils.h"
#include "instutils/WinHandles.h"
#include "payload/AttachFiles.h"
#include "payload/InstallThread.h"
#include "tests/payload/ShapedPayload.h"
#include "tests/support/Files_win.h"

class PayloadWinTest : public ::testing::Test {
protected:
    void SetUp() override {
        static const std::string packed = shaped::Build(false);
        PayloadError e = PayloadError::BadName;
        Files = TAttachedFiles::Create(reinterpret_cast<const uint8_t*>(packed.data()),
                                       packed.size(), &e);
        ASSERT_TRUE(Files) << PayloadErrorText(e);
        AttachedFiles = Files.get();
        char tmp[MAX_PATH];
        GetTempPathA(MAX_PATH, tmp);
        Dir = std::string(tmp) + "payload_test_" + std::to_string(GetCurrentProcessId()) + "_" +
              std::to_string(++Counter) + "\\";
        DeleteFolderTree(Dir);
        ASSERT_TRUE(CreateDirectoryA(Dir.c_str(), nullptr));
        CreateInstallLog();
        SetMainThread();
        InstallThreadStatus.Reset();
    }

    void TearDown() override {
        WaitForInstallThread();
        SetThreadQuestionHandler(nullptr);
        InstallThreadStatus.Reset();
        while (LogSuspensionCount() > 0) ResumeLogging();
        ReleaseInstallLog();
        AttachedFiles = nullptr;
        Files.reset();
        DeleteFolderTree(Dir);
        EXPECT_EQ(INVALID_FILE_ATTRIBUTES, GetFileAttributesA(Dir.c_str()))
            << "left behind: " << Dir;
    }

    const TAttachedFile& Entry(const std::string& name) const {
        for (const TAttachedFile& e : Files->Entries)
            if (e.Name == name) return e;
        ADD_FAILURE() << "no entry " << name;
        return Files->Entries.front();
    }

    static std::string ReadAll(const std::string& path) { return testfiles::ReadAll(path); }

    std::string DataOf(const TAttachedFile& e) const {
        return std::string(reinterpret_cast<const char*>(Files->Data()) + e.Offset, e.Size);
    }

    // Moves a file's last-write time by a number of seconds.
    static bool ShiftWriteTime(const std::string& path, int seconds) {
        TUniqueHandle h(CreateFileA(path.c_str(), FILE_WRITE_ATTRIBUTES | GENERIC_READ,
                                    FILE_SHARE_READ, nullptr, OPEN_EXISTING, 0, nullptr));
        if (!h.Valid()) return false;
        FILETIME ft;
        bool ok = GetFileTime(h.Get(), nullptr, nullptr, &ft);
        ULARGE_INTEGER v;
        v.LowPart = ft.dwLowDateTime;
        v.HighPart = ft.dwHighDateTime;
        v.QuadPart += static_cast<ULONGLONG>(static_cast<LONGLONG>(seconds) * 10000000LL);
        ft.dwLowDateTime = v.LowPart;
        ft.dwHighDateTime = v.HighPart;
        return ok && SetFileTime(h.Get(), nullptr, nullptr, &ft);
    }

    std::unique_ptr<TAttachedFiles> Files;
    std::string Dir;
    static inline int Counter = 0;
};
