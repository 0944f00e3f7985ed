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
        SetMessageDlgHandler(nullptr);
        InstallThreadStatus.Reset();
    }
};

TEST_F(StatusProtocol, QuestionFromAnotherThreadTravelsThroughTheStatus) {
    std::vector<std::string> shown;
    SetMessageDlgHandler([&](const std::string& text, uint8_t kind, uint16_t buttons) {
        shown.push_back(text);
        EXPECT_EQ(mtError, kind);
        EXPECT_EQ(mbAbort | mbRetry | mbIgnore, buttons);
        EXPECT_EQ(isPaused, InstallThreadStatus.GetState());
        return mrIgnore;
    });
    InstallThreadStatus.SetState(isRunning);
    int32_t answer = 0;
    uint8_t stateAfter = 0;
    std::thread asker([&] {
        answer = MessageDlgFromThread("question", mtError, mbAbort | mbRetry | mbIgnore);
        stateAfter = InstallThreadStatus.GetState();
    });
    // Ticks before the question arrives do nothing but report progress.
    InstallThreadStatus.WaitFor(isAskPending);
    EXPECT_EQ("question", InstallThreadStatus.Message);
    InstallStatusTick({});
    asker.join();
    EXPECT_EQ(mrIgnore, answer);
    EXPECT_EQ(isRunning, stateAfter);
    EXPECT_EQ(std::vector<std::string>{"question"}, shown);
}

TEST_F(StatusProtocol, MainThreadAsksDirectlyAndWithoutAHandlerStops) {
    SetMessageDlgHandler([](const std::string&, uint8_t, uint16_t) { return mrRetry; });
    EXPECT_EQ(mrRetry, MessageDlgFromThread("q", mtError, mbAbort | mbRetry | mbIgnore));
    EXPECT_EQ(isIdle, InstallThreadStatus.GetState());
    SetMessageDlgHandler(nullptr);
    EXPECT_EQ(mrAbort, MessageDlgFromThread("q", mtError, mbAbort | mbRetry | mbIgnore))
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
    int32_t answer = 0;
    install_thread_detail::BodyStarting();
    std::thread body([&] {
        install_thread_detail::MarkThisThreadAsInstallThread();
        answer = MessageDlgFromThread("q", mtError, mbAbort | mbRetry | mbIgnore);
        InstallThreadStatus.SetState(answer == mrAbort ? isFailed : isDone);
        install_thread_detail::BodyEnded();
    });
    WaitForInstallThread();
    body.join();
    EXPECT_EQ(mrAbort, answer);
    EXPECT_EQ(isFailed, InstallThreadStatus.GetState());
}

}  // namespace
