#pragma once
// Shared set-up of the Windows payload tests: a reader over a payload of the
// release's shape that logs into an empty install log of the test's own, the
// test's own install thread status, and a fresh folder under the temporary
// folder.

#include <windows.h>

#include <gtest/gtest.h>

#include <memory>
#include <string>

#include "instutils/InstUtils.h"
#include "instutils/InstallLog.h"
#include "instutils/WinHandles.h"
#include "payload/AttachFiles.h"
#include "payload/InstallThread.h"
#include "tests/payload/ShapedPayload.h"
#include "tests/support/Files_win.h"

class PayloadWinTest : public ::testing::Test {
protected:
    void SetUp() override {
        static const std::string packed = shaped::Build(false);
        TPayloadError e = TPayloadError::BadName;
        Files = TAttachedFiles::Create(reinterpret_cast<const uint8_t*>(packed.data()),
                                       packed.size(), &e);
        ASSERT_TRUE(Files) << PayloadErrorText(e);
        Files->Log = &Log;
        char tmp[MAX_PATH];
        GetTempPathA(MAX_PATH, tmp);
        Dir = std::string(tmp) + "payload_test_" + std::to_string(GetCurrentProcessId()) + "_" +
              std::to_string(++Counter) + "\\";
        DeleteFolderTree(Dir);
        ASSERT_TRUE(CreateDirectoryA(Dir.c_str(), nullptr));
        Log.CreateInstallLog();
        SetMainThread();
    }

    void TearDown() override {
        Status.WaitForInstallThread();
        SetThreadQuestionHandler(nullptr);
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

    TInstallLog Log;
    TInstallThreadStatus Status;
    std::unique_ptr<TAttachedFiles> Files;
    std::string Dir;
    static inline int Counter = 0;
};
