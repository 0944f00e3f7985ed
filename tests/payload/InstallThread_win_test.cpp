#include <windows.h>

#include <gtest/gtest.h>

#include <vector>

#include "tests/payload/PayloadWinFixture.h"

namespace {

class InstallRunTest : public PayloadWinTest {
protected:
    // Drives the window's side with the status tick until the run ends.
    // Returns the last state seen ("Done" is already Idle when Finished ran).
    bool RunToEnd(int timeoutMs = 20000) {
        bool ended = false;
        TStatusTickActions actions;
        actions.Progress = [this](int32_t position, uint8_t component) {
            Progress.push_back({position, component});
        };
        actions.Finished = [&] {
            ended = true;
            Finished = true;
        };
        actions.Failed = [&] {
            ended = true;
            Failed = true;
        };
        const DWORD start = GetTickCount();
        while (!ended && GetTickCount() - start < DWORD(timeoutMs)) {
            Status.InstallStatusTick(actions);
            Sleep(1);
        }
        Status.WaitForInstallThread();
        return ended;
    }

    void Queue(const std::string& name, int component) {
        ASSERT_TRUE(Files->AddFile(name, Dir, component, TOverwriteMode::Always)) << name;
    }

    bool Start() {
        Status.SetState(TInstallState::Running);
        return Status.StartInstallThread(*Files);
    }

    int CountWritten() const {
        int n = 0;
        for (const auto& list : Files->InstallLists)
            for (const TFileToInstall& f : list)
                if (GetFileAttributesA(f.Target.c_str()) != INVALID_FILE_ATTRIBUTES) ++n;
        return n;
    }

    // Keeps `path` open without sharing, so that writing it fails.
    static TUniqueHandle HoldOpen(const std::string& path) {
        return TUniqueHandle(
            CreateFileA(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr));
    }

    struct Sample {
        int32_t position;
        uint8_t component;
    };
    std::vector<Sample> Progress;
    bool Finished = false;
    bool Failed = false;
};

TEST_F(InstallRunTest, AllListsEmptyEndsDoneWithoutComponent) {
    ASSERT_TRUE(Start());
    ASSERT_TRUE(RunToEnd());
    EXPECT_TRUE(Finished);
    EXPECT_FALSE(Failed);
    EXPECT_EQ(TInstallState::Idle, Status.GetState());
    EXPECT_EQ(255, Status.Component.load());
    EXPECT_EQ(0, Status.Position.load());
    EXPECT_FALSE(Status.InstallThreadActive());
}

TEST_F(InstallRunTest, WritesEveryListInComponentOrderAndLogsOnlyLoggedFiles) {
    Queue("parv.exe", 0);
    Queue("License.txt", 0);
    Log.SuspendLogging();
    Queue("Templates\\", 3);  // queued while logging is suspended
    Log.ResumeLogging();
    Queue("Hyphenation.dat", 2);
    ASSERT_TRUE(Start());
    ASSERT_TRUE(RunToEnd());
    EXPECT_TRUE(Finished);
    EXPECT_EQ(Files->GetTotalSize(), Status.Position.load());
    EXPECT_EQ(3, Status.Component.load()) << "the last non-empty list";
    EXPECT_EQ(22, CountWritten());
    for (const Sample& s : Progress)
        EXPECT_TRUE(s.component == 0 || s.component == 2 || s.component == 3);
    for (size_t i = 1; i < Progress.size(); ++i) {
        EXPECT_GE(Progress[i].component, Progress[i - 1].component);
        EXPECT_GE(Progress[i].position, Progress[i - 1].position);
    }
    const std::vector<std::string> expected = {"File Copy: " + Dir + "parv.exe",
                                               "File Copy: " + Dir + "License.txt",
                                               "File Copy: " + Dir + "Hyphenation.dat"};
    EXPECT_EQ(expected, Log.InstallLogLines()) << "templates were selected with logging suspended";
    EXPECT_EQ(0, Log.LogSuspensionCount());
    EXPECT_EQ(DataOf(Entry("Hyphenation.dat")), ReadAll(Dir + "Hyphenation.dat"));
}

// A file that fails twice and then succeeds is written once and counted once;
// the question travels through the status to the window's tick.
TEST_F(InstallRunTest, FailingTwiceThenSucceedingCountsOnce) {
    Queue("parv.exe", 0);
    Queue("License.txt", 0);
    const std::string target = Dir + "License.txt";
    TUniqueHandle held = HoldOpen(target);
    ASSERT_TRUE(held.Valid());
    int asked = 0;
    DWORD askingThread = 0;
    SetThreadQuestionHandler([&](const TThreadQuestion& q) {
        askingThread = GetCurrentThreadId();
        EXPECT_EQ(TInstallState::Paused, Status.GetState()) << "the window pauses while it asks";
        EXPECT_EQ(target, q.Path);
        if (++asked == 2) held.Reset();
        return TThreadAnswer::Retry;
    });
    ASSERT_TRUE(Start());
    ASSERT_TRUE(RunToEnd());
    held.Reset();
    EXPECT_TRUE(Finished);
    EXPECT_EQ(2, asked);
    EXPECT_EQ(GetCurrentThreadId(), askingThread) << "questions are shown on the window's thread";
    EXPECT_EQ(Entry("parv.exe").Size + Entry("License.txt").Size, Status.Position.load());
    EXPECT_EQ(DataOf(Entry("License.txt")), ReadAll(target));
}

TEST_F(InstallRunTest, IgnoreCountsTheFileAndAbortStopsTheRun) {
    Queue("parv.exe", 0);
    Queue("Templates\\Faxes\\Fax 1.rtf", 3);
    Queue("Templates\\Faxes\\Fax 2.rtf", 3);
    Queue("Clip Library\\Group 0\\", 4);
    Queue("Basic.asn", 5);
    const std::string fax1 = Dir + "Templates\\Faxes\\Fax 1.rtf";
    ASSERT_TRUE(CreateDirectoryA((Dir + "Templates").c_str(), nullptr));
    ASSERT_TRUE(CreateDirectoryA((Dir + "Templates\\Faxes").c_str(), nullptr));
    // A folder where the file should go: it cannot be created.
    ASSERT_TRUE(CreateDirectoryA(fax1.c_str(), nullptr));

    SetThreadQuestionHandler([](const TThreadQuestion&) { return TThreadAnswer::Ignore; });
    ASSERT_TRUE(Start());
    ASSERT_TRUE(RunToEnd());
    EXPECT_TRUE(Finished);
    EXPECT_EQ(Files->GetTotalSize(), Status.Position.load()) << "position reaches the maximum";

    Status.Reset();
    DeleteFileA((Dir + "Templates\\Faxes\\Fax 2.rtf").c_str());
    DeleteFolderTree(Dir + "Clip Library");
    DeleteFileA((Dir + "Basic.asn").c_str());
    SetThreadQuestionHandler([](const TThreadQuestion&) { return TThreadAnswer::Abort; });
    Finished = false;
    ASSERT_TRUE(Start());
    ASSERT_TRUE(RunToEnd());
    EXPECT_TRUE(Failed);
    EXPECT_FALSE(Finished);
    EXPECT_EQ(TInstallState::Failed, Status.GetState());
    EXPECT_EQ(3, Status.Component.load());
    EXPECT_EQ(Entry("parv.exe").Size, Status.Position.load());
    EXPECT_EQ(INVALID_FILE_ATTRIBUTES,
              GetFileAttributesA((Dir + "Templates\\Faxes\\Fax 2.rtf").c_str()));
    EXPECT_EQ(INVALID_FILE_ATTRIBUTES, GetFileAttributesA((Dir + "Clip Library").c_str()));
    EXPECT_EQ(INVALID_FILE_ATTRIBUTES, GetFileAttributesA((Dir + "Basic.asn").c_str()));
}

// The close request pauses the thread at its next check point; quitting
// finishes the file in progress only, staying lets the run go on.
TEST_F(InstallRunTest, StopRequestFinishesTheCurrentFileOnly) {
    Queue("parv.exe", 0);
    Queue("Clip Library\\", 4);
    const int total = int(Files->InstallLists[0].size() + Files->InstallLists[4].size());
    ASSERT_EQ(243, total);
    Status.SetState(TInstallState::Running);
    bool asked = false;
    // The request comes while the first file is being written; the thread
    // completes it and holds at its check point while the question is open.
    const bool quit = Status.InstallCloseRequest(false, [&] {
        asked = true;
        EXPECT_TRUE(Status.StartInstallThread(*Files));
        const DWORD t0 = GetTickCount();
        while (Status.Position.load() == 0 && GetTickCount() - t0 < 10000) Sleep(1);
        Sleep(200);
        EXPECT_EQ(TInstallState::Paused, Status.GetState());
        EXPECT_EQ(Entry("parv.exe").Size, Status.Position.load()) << "one file, then it waits";
        return true;
    });
    EXPECT_TRUE(asked);
    EXPECT_TRUE(quit);
    // One more status tick before the window is gone turns Done into Idle;
    // the thread must still stop. The program end waits for it.
    bool finished = false;
    TStatusTickActions actions;
    actions.Finished = [&] { finished = true; };
    Status.InstallStatusTick(actions);
    EXPECT_TRUE(finished);
    Status.WaitForInstallThread();
    EXPECT_EQ(TInstallState::Idle, Status.GetState()) << "a stopped thread publishes nothing more";
    EXPECT_EQ(1, CountWritten());
    EXPECT_EQ(0, Status.Component.load());

    // The same with "stay": the run goes on to the end.
    DeleteFileA((Dir + "parv.exe").c_str());
    Status.Reset();
    Status.SetState(TInstallState::Running);
    EXPECT_FALSE(Status.InstallCloseRequest(false, [&] {
        EXPECT_TRUE(Status.StartInstallThread(*Files));
        Sleep(100);
        EXPECT_EQ(TInstallState::Paused, Status.GetState());
        return false;
    }));
    ASSERT_TRUE(RunToEnd());
    EXPECT_TRUE(Finished);
    EXPECT_EQ(total, CountWritten());
    EXPECT_EQ(Files->GetTotalSize(), Status.Position.load());

    // Closing when closing is already allowed asks nothing and leaves an idle run alone.
    EXPECT_TRUE(Status.InstallCloseRequest(true, [] {
        ADD_FAILURE() << "asked";
        return false;
    }));
    EXPECT_EQ(TInstallState::Idle, Status.GetState());
}

// The window acts only when the thread tells it: a question, then Done; on a
// second run Abort, then Failed. Without the notice the wait below runs out.
TEST_F(InstallRunTest, ThreadTellsTheWindowOfEachStateItMustActOn) {
    TUniqueHandle notice(CreateEventA(nullptr, FALSE, FALSE, nullptr));
    Status.SetInstallStateNotifier([&] { SetEvent(notice.Get()); });
    bool ended = false;
    TStatusTickActions actions;
    actions.Finished = [&] { ended = Finished = true; };
    actions.Failed = [&] { ended = Failed = true; };
    auto runOnNotices = [&] {
        ended = false;
        while (!ended && WaitForSingleObject(notice.Get(), 20000) == WAIT_OBJECT_0)
            Status.InstallStatusTick(actions);
        Status.WaitForInstallThread();
        return ended;
    };
    Queue("License.txt", 0);
    Queue("parv.exe", 0);
    const std::string target = Dir + "License.txt";
    TUniqueHandle held = HoldOpen(target);
    ASSERT_TRUE(held.Valid());
    int asked = 0;
    SetThreadQuestionHandler([&](const TThreadQuestion&) {
        held.Reset();
        return ++asked == 1 ? TThreadAnswer::Retry : TThreadAnswer::Abort;
    });
    ASSERT_TRUE(Start());
    EXPECT_TRUE(runOnNotices());
    EXPECT_TRUE(Finished);
    EXPECT_EQ(1, asked);

    Status.Reset();
    held = HoldOpen(target);
    ASSERT_TRUE(held.Valid());
    ASSERT_TRUE(Start());
    EXPECT_TRUE(runOnNotices());
    EXPECT_TRUE(Failed);
    EXPECT_EQ(2, asked);
    Status.SetInstallStateNotifier(nullptr);
}

// The program end must not hang on a thread that waits for an answer.
TEST_F(InstallRunTest, ProgramEndAnswersAPendingQuestionWithAbort) {
    Queue("License.txt", 0);
    Queue("parv.exe", 0);
    const std::string target = Dir + "License.txt";
    TUniqueHandle held = HoldOpen(target);
    ASSERT_TRUE(held.Valid());
    ASSERT_TRUE(Start());
    const DWORD start = GetTickCount();
    while (Status.GetState() != TInstallState::AskPending && GetTickCount() - start < 10000)
        Sleep(1);
    ASSERT_EQ(TInstallState::AskPending, Status.GetState());
    Status.WaitForInstallThread();
    held.Reset();
    EXPECT_FALSE(Status.InstallThreadActive());
    EXPECT_EQ(TInstallState::Failed, Status.GetState());
    EXPECT_EQ(INVALID_FILE_ATTRIBUTES, GetFileAttributesA((Dir + "parv.exe").c_str()));
}

}  // namespace
