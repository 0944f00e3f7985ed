#include "payload/InstallThread.h"

#include <gtest/gtest.h>

#include <chrono>
#include <thread>

#include "payload/InstallThreadDetail.h"

namespace {

class StatusProtocol : public ::testing::Test {
protected:
    void SetUp() override { SetMainThread(); }
    void TearDown() override { SetThreadQuestionHandler(nullptr); }
    TInstallThreadStatus Status;
};

TEST_F(StatusProtocol, QuestionFromAnotherThreadTravelsThroughTheStatus) {
    std::vector<std::string> shown;
    SetThreadQuestionHandler([&](const TThreadQuestion& q) {
        shown.push_back(q.Path);
        EXPECT_EQ(TThreadQuestionKind::CannotWrite, q.Kind);
        EXPECT_EQ("disk full", q.Reason);
        EXPECT_EQ(isPaused, Status.GetState());
        return TThreadAnswer::Ignore;
    });
    Status.SetState(isRunning);
    TThreadAnswer answer = TThreadAnswer::Abort;
    uint8_t stateAfter = 0;
    std::thread asker([&] {
        install_thread_detail::MarkThisThreadAsInstallThread(Status);
        answer = AskFromThread({TThreadQuestionKind::CannotWrite, "C:\\question", "disk full"});
        stateAfter = Status.GetState();
    });
    // Ticks before the question arrives do nothing but report progress.
    Status.WaitFor(isAskPending);
    EXPECT_EQ("C:\\question", Status.Question.Path);
    Status.InstallStatusTick({});
    asker.join();
    EXPECT_EQ(TThreadAnswer::Ignore, answer);
    EXPECT_EQ(isRunning, stateAfter);
    EXPECT_EQ(std::vector<std::string>{"C:\\question"}, shown);
}

TEST_F(StatusProtocol, MainThreadAsksDirectlyAndWithoutAHandlerStops) {
    SetThreadQuestionHandler([](const TThreadQuestion&) { return TThreadAnswer::Retry; });
    EXPECT_EQ(TThreadAnswer::Retry, AskFromThread({}));
    // A thread of no run has nobody to carry its question to the window.
    TThreadAnswer stray = TThreadAnswer::Retry;
    std::thread other([&] { stray = AskFromThread({}); });
    other.join();
    EXPECT_EQ(TThreadAnswer::Abort, stray);
    SetThreadQuestionHandler(nullptr);
    EXPECT_EQ(TThreadAnswer::Abort, AskFromThread({}))
        << "nobody to ask must not mean retry for ever";
}

TEST_F(StatusProtocol, TickActsOnEachState) {
    int progress = 0, finished = 0, failed = 0;
    TStatusTickActions a;
    a.Progress = [&](int32_t pos, uint8_t comp) {
        ++progress;
        EXPECT_EQ(500, pos);
        EXPECT_EQ(2, comp);
    };
    a.Finished = [&] { ++finished; };
    a.Failed = [&] { ++failed; };
    Status.SetState(isRunning);
    Status.InstallStatusTick(a);
    EXPECT_EQ(0, progress) << "no component yet";
    Status.Component = 2;
    Status.Position = 500;
    Status.InstallStatusTick(a);
    EXPECT_EQ(1, progress);
    Status.SetState(isDone);
    Status.InstallStatusTick(a);
    EXPECT_EQ(1, finished);
    EXPECT_EQ(isIdle, Status.GetState());
    Status.InstallStatusTick(a);
    EXPECT_EQ(1, finished);
    Status.SetState(isFailed);
    Status.InstallStatusTick(a);
    EXPECT_EQ(1, failed);
    EXPECT_EQ(isFailed, Status.GetState());
}

// The close request must not overwrite what the thread published meanwhile.
TEST_F(StatusProtocol, CloseRequestKeepsAQuestionOrAFinishedRun) {
    for (uint8_t s : {isAskPending, isDone, isFailed, isIdle}) {
        Status.SetState(s);
        EXPECT_TRUE(Status.InstallCloseRequest(false, [] { return true; }));
        EXPECT_EQ(s, Status.GetState());
    }
    Status.SetState(isRunning);
    EXPECT_FALSE(Status.InstallCloseRequest(false, [this] {
        EXPECT_EQ(isPaused, Status.GetState());
        Status.SetState(isAskPending);  // the thread asked meanwhile
        return false;
    }));
    EXPECT_EQ(isAskPending, Status.GetState());
    Status.SetState(isRunning);
    EXPECT_TRUE(Status.InstallCloseRequest(false, [] { return true; }));
    EXPECT_EQ(isDone, Status.GetState());
}

TEST_F(StatusProtocol, WaitingWakesOnTheChangeAndProgramEndAnswersAbort) {
    Status.SetState(isPaused);
    uint8_t seen = 0;
    std::thread waiter([&] { seen = Status.WaitWhile(isPaused); });
    std::this_thread::sleep_for(std::chrono::milliseconds(50));
    Status.SetState(isDone);
    waiter.join();
    EXPECT_EQ(isDone, seen);

    EXPECT_FALSE(Status.InstallThreadActive());
    Status.WaitForInstallThread();  // nothing running: returns at once

    Status.SetState(isRunning);
    TThreadAnswer answer = TThreadAnswer::Retry;
    install_thread_detail::BodyStarting(Status);
    std::thread body([&] {
        install_thread_detail::MarkThisThreadAsInstallThread(Status);
        answer = AskFromThread({});
        Status.SetState(answer == TThreadAnswer::Abort ? isFailed : isDone);
        install_thread_detail::BodyEnded(Status);
    });
    Status.WaitForInstallThread();
    body.join();
    EXPECT_EQ(TThreadAnswer::Abort, answer);
    EXPECT_EQ(isFailed, Status.GetState());
}

}  // namespace
