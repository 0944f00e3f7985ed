#include <gtest/gtest.h>

#include <windows.h>
#include <tlhelp32.h>
#include <zlib.h>

#include <memory>
#include <string>

#include "WinTestSupport.h"
#include "integration/RunState.h"
#include "payload/PayloadFormat.h"

namespace {

using testsupport::TScratchFolder;

std::unique_ptr<TAttachedFiles> TwoFileReader() {
    std::string records;
    for (const char* n : {"License.txt", "parv.exe"}) AppendRecord(records, n, 45000.5, n);
    uLongf len = compressBound(records.size());
    std::string packed(len, '\0');
    compress2(reinterpret_cast<Bytef*>(packed.data()), &len,
              reinterpret_cast<const Bytef*>(records.data()), records.size(), 9);
    return TAttachedFiles::Create(reinterpret_cast<const uint8_t*>(packed.data()), len);
}

int ThreadsOfThisProcess() {
    TUniqueHandle snap(CreateToolhelp32Snapshot(TH32CS_SNAPTHREAD, 0));
    THREADENTRY32 e{};
    e.dwSize = sizeof e;
    int n = 0;
    for (BOOL more = Thread32First(snap.Get(), &e); more; more = Thread32Next(snap.Get(), &e))
        if (e.th32OwnerProcessID == GetCurrentProcessId()) ++n;
    return n;
}

// The program end releases the run while its install thread may still wait
// for an answer: the thread must be stopped and gone before the reader and
// the log it writes to are.
TEST(RunState, EndingTheRunStopsItsInstallThreadFirst) {
    TScratchFolder dir("runstate");
    const std::string held = dir / "License.txt";
    TUniqueHandle holder(
        CreateFileA(held.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr));
    ASSERT_TRUE(holder.Valid());

    auto run = std::make_unique<TRunState>();
    run->SetFiles(TwoFileReader());
    TAttachedFiles* files = run->Files();
    ASSERT_NE(files, nullptr);
    EXPECT_EQ(files->Log, &run->Log) << "what the reader writes goes into the run's log";
    run->Log.CreateInstallLog();
    ASSERT_TRUE(files->AddFile("License.txt", dir.Path, 0, TOverwriteMode::Always));
    ASSERT_TRUE(files->AddFile("parv.exe", dir.Path, 0, TOverwriteMode::Always));
    const int threadsBefore = ThreadsOfThisProcess();
    TInstallThreadStatus& status = run->InstallThreadStatus;
    status.SetState(TInstallState::Running);
    ASSERT_TRUE(status.StartInstallThread(*files));
    const DWORD start = GetTickCount();
    while (status.GetState() != TInstallState::AskPending && GetTickCount() - start < 10000)
        Sleep(1);
    ASSERT_EQ(status.GetState(), TInstallState::AskPending)
        << "the held file asks Abort/Retry/Ignore";

    run.reset();
    // Left waiting, the thread would never end; answered, it ends at once.
    const DWORD ending = GetTickCount();
    while (ThreadsOfThisProcess() > threadsBefore && GetTickCount() - ending < 5000) Sleep(5);
    EXPECT_LE(ThreadsOfThisProcess(), threadsBefore) << "the install thread outlived its run";
    holder.Reset();
    EXPECT_FALSE(testsupport::Exists(dir / "parv.exe")) << "the run went on after its end";
}

}  // namespace
