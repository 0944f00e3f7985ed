#include "payload/InstallThread.h"

#include <gtest/gtest.h>

#include <chrono>
#include <thread>

#include "payload/InstallThreadDetail.h"

namespace {

class StatusProtocol : public ::testing::Test {
protected:
    void SetUp() override {
        SetMainThread();
        InstallThreadStatus.Reset();
    }
    void TearDown() override {
        SetThreadQuestionHandler(nullptr);
        InstallThreadStatus.Reset();
    }
};

TEST_F(StatusProtocol, QuestionFromAnotherThreadTravelsThroughTheStatus) {
    std::vector<std::string> shown;
    SetThreadQuestionHandler([&](const TThreadQuestion& q) {
        shown.push_back(q.Path);
        EXPECT_EQ(TThreadQuestionKind::CannotWrite, q.Kind);
        EXPECT_EQ("disk full", q.Reason);
        EXPECT_EQ(isPaused, InstallThreadStatus.GetState());
        return TThreadAnswer::Ignore;
    });
    InstallThreadStatus.SetState(isRunning);
    TThreadAnswer answer = TThreadAnswer::Abort;
    uint8_t stateAfter = 0;
    std::thread asker([&] {
        answer = AskFromThread({TThreadQuestionKind::CannotWrite, "C:\\question", "disk full"});
        stateAfter = InstallThreadStatus.GetState();
    });
    // Ticks before the question arrives do nothing but report progress.
    InstallThreadStatus.WaitFor(isAskPending);
    EXPECT_EQ("C:\\question", InstallThreadStatus.Question.Path);
    InstallStatusTick({});
    asker.join();
    EXPECT_EQ(TThreadAnswer::Ignore, answer);
    EXPECT_EQ(isRunning, stateAfter);
    EXPECT_EQ(std::vector<std::string>{"C:\\question"}, shown);
}

TEST_F(StatusProtocol, MainThreadAsksDirectlyAndWithoutAHandlerStops) {
    SetThreadQuestionHandler([](const TThreadQuestion&) { return TThreadAnswer::Retry; });
    EXPECT_EQ(TThreadAnswer::Retry, AskFromThread({}));
    EXPECT_EQ(isIdle, InstallThreadStatus.GetState());
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
    InstallThreadStatus.SetState(isRunning);
    InstallStatusTick(a);
    EXPECT_EQ(0, progress) << "no component yet";
    InstallThreadStatus.Component = 2;
    InstallThreadStatus.Position = 500;
    InstallStatusTick(a);
    EXPECT_EQ(1, progress);
    InstallThreadStatus.SetState(isDone);
    InstallStatusTick(a);
    EXPECT_EQ(1, finished);
    EXPECT_EQ(isIdle, InstallThreadStatus.GetState());
    InstallStatusTick(a);
    EXPECT_EQ(1, finished);
    InstallThreadStatus.SetState(isFailed);
    InstallStatusTick(a);
    EXPECT_EQ(1, failed);
    EXPECT_EQ(isFailed, InstallThreadStatus.GetState());
}

// The close request must not overwrite what the thread published meanwhile.
TEST_F(StatusProtocol, CloseRequestKeepsAQuestionOrAFinishedRun) {
    for (uint8_t s : {isAskPending, isDone, isFailed, isIdle}) {
        InstallThreadStatus.SetState(s);
        EXPECT_TRUE(InstallCloseRequest(false, [] { return true; }));
        EXPECT_EQ(s, InstallThreadStatus.GetState());
    }
    InstallThreadStatus.SetState(isRunning);
    EXPECT_FALSE(InstallCloseRequest(false, [] {
        EXPECT_EQ(isPaused, InstallThreadStatus.GetState());
        InstallThreadStatus.SetState(isAskPending);  // the thread asked meanwhile
        return false;
    }));
    EXPECT_EQ(isAskPending, InstallThreadStatus.GetState());
    InstallThreadStatus.SetState(isRunning);
    EXPECT_TRUE(InstallCloseRequest(false, [] { return true; }));
    EXPECT_EQ(isDone, InstallThreadStatus.GetState());
}

TEST_F(StatusProtocol, WaitingWakesOnTheChangeAndProgramEndAnswersAbort) {
    InstallThreadStatus.SetState(isPaused);
    uint8_t seen = 0;
    std::thread waiter([&] { seen = InstallThreadStatus.WaitWhile(isPaused); });
    std::this_thread::sleep_for(std::chrono::milliseconds(50));
    InstallThreadStatus.SetState(isDone);
    waiter.join();
    EXPECT_EQ(isDone, seen);

    EXPECT_FALSE(InstallThreadActive());
    WaitForInstallThread();  // nothing running: returns at once

    InstallThreadStatus.SetState(isRunning);
    TThreadAnswer answer = TThreadAnswer::Retry;
    install_thread_detail::BodyStarting();
    std::thread body([&] {
        install_thread_detail::MarkThisThreadAsInstallThread();
        answer = AskFromThread({});
        InstallThreadStatus.SetState(answer == TThreadAnswer::Abort ? isFailed : isDone);
        install_thread_detail::BodyEnded();
    });
    WaitForInstallThread();
    body.join();
    EXPECT_EQ(TThreadAnswer::Abort, answer);
    EXPECT_EQ(isFailed, InstallThreadStatus.GetState());
}

}  // namespace
