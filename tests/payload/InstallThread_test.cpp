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
        EXPECT_EQ(TInstallState::Paused, Status.GetState());
        return TThreadAnswer::Ignore;
    });
    Status.SetState(TInstallState::Running);
    TThreadAnswer answer = TThreadAnswer::Abort;
    TInstallState stateAfter{};
    std::thread asker([&] {
        install_thread_detail::MarkThisThreadAsInstallThread(Status);
        answer = AskFromThread({TThreadQuestionKind::CannotWrite, "C:\\question", "disk full"});
        stateAfter = Status.GetState();
    });
    // Ticks before the question arrives do nothing but report progress.
    Status.WaitFor(TInstallState::AskPending);
    EXPECT_EQ("C:\\question", Status.Question.Path);
    Status.InstallStatusTick({});
    asker.join();
    EXPECT_EQ(TThreadAnswer::Ignore, answer);
    EXPECT_EQ(TInstallState::Running, stateAfter);
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
    Status.SetState(TInstallState::Running);
    Status.InstallStatusTick(a);
    EXPECT_EQ(0, progress) << "no component yet";
    Status.Component = 2;
    Status.Position = 500;
    Status.InstallStatusTick(a);
    EXPECT_EQ(1, progress);
    Status.SetState(TInstallState::Done);
    Status.InstallStatusTick(a);
    EXPECT_EQ(1, finished);
    EXPECT_EQ(TInstallState::Idle, Status.GetState());
    Status.InstallStatusTick(a);
    EXPECT_EQ(1, finished);
    Status.SetState(TInstallState::Failed);
    Status.InstallStatusTick(a);
    EXPECT_EQ(1, failed);
    EXPECT_EQ(TInstallState::Failed, Status.GetState());
}

// The close request must not overwrite what the thread published meanwhile.
TEST_F(StatusProtocol, CloseRequestKeepsAQuestionOrAFinishedRun) {
    for (TInstallState s : {TInstallState::AskPending, TInstallState::Done, TInstallState::Failed,
                            TInstallState::Idle}) {
        Status.SetState(s);
        EXPECT_TRUE(Status.InstallCloseRequest(false, [] { return true; }));
        EXPECT_EQ(s, Status.GetState());
    }
    Status.SetState(TInstallState::Running);
    EXPECT_FALSE(Status.InstallCloseRequest(false, [this] {
        EXPECT_EQ(TInstallState::Paused, Status.GetState());
        Status.SetState(TInstallState::AskPending);  // the thread asked meanwhile
        return false;
    }));
    EXPECT_EQ(TInstallState::AskPending, Status.GetState());
    Status.SetState(TInstallState::Running);
    EXPECT_TRUE(Status.InstallCloseRequest(false, [] { return true; }));
    EXPECT_EQ(TInstallState::Done, Status.GetState());
}

TEST_F(StatusProtocol, WaitingWakesOnTheChangeAndProgramEndAnswersAbort) {
    Status.SetState(TInstallState::Paused);
    TInstallState seen{};
    std::thread waiter([&] { seen = Status.WaitWhile(TInstallState::Paused); });
    std::this_thread::sleep_for(std::chrono::milliseconds(50));
    Status.SetState(TInstallState::Done);
    waiter.join();
    EXPECT_EQ(TInstallState::Done, seen);

    EXPECT_FALSE(Status.InstallThreadActive());
    Status.WaitForInstallThread();  // nothing running: returns at once

    Status.SetState(TInstallState::Running);
    TThreadAnswer answer = TThreadAnswer::Retry;
    install_thread_detail::BodyStarting(Status);
    std::thread body([&] {
        install_thread_detail::MarkThisThreadAsInstallThread(Status);
        answer = AskFromThread({});
        Status.SetState(answer == TThreadAnswer::Abort ? TInstallState::Failed
                                                       : TInstallState::Done);
        install_thread_detail::BodyEnded(Status);
    });
    Status.WaitForInstallThread();
    body.join();
    EXPECT_EQ(TThreadAnswer::Abort, answer);
    EXPECT_EQ(TInstallState::Failed, Status.GetState());
}

}  // namespace
