#include "payload/InstallThread.h"

#include <thread>

#include "payload/InstallThreadDetail.h"

void TInstallThreadStatus::SetState(TInstallState s) {
    {
        // Taking the lock orders the store with a waiter's check of the state,
        // so a wake-up cannot fall between its check and its sleep.
        std::lock_guard<std::mutex> lock(WaitLock);
        State.store(s, std::memory_order_release);
    }
    Changed.notify_all();
}

bool TInstallThreadStatus::ChangeState(TInstallState from, TInstallState to) {
    bool changed;
    {
        std::lock_guard<std::mutex> lock(WaitLock);
        changed = State.compare_exchange_strong(from, to, std::memory_order_acq_rel,
                                                std::memory_order_acquire);
    }
    if (changed) Changed.notify_all();
    return changed;
}

TInstallState TInstallThreadStatus::WaitWhile(TInstallState s) {
    std::unique_lock<std::mutex> lock(WaitLock);
    Changed.wait(lock, [&] { return State.load(std::memory_order_acquire) != s; });
    return State.load(std::memory_order_acquire);
}

void TInstallThreadStatus::WaitFor(TInstallState s) {
    std::unique_lock<std::mutex> lock(WaitLock);
    Changed.wait(lock, [&] { return State.load(std::memory_order_acquire) == s; });
}

void TInstallThreadStatus::Reset() {
    Question = TThreadQuestion();
    Answer = TThreadAnswer::Abort;
    Component.store(255, std::memory_order_relaxed);
    Position.store(0, std::memory_order_relaxed);
    StopRequested.store(false, std::memory_order_relaxed);
    SetState(TInstallState::Idle);
}

namespace {

TThreadQuestionFunc QuestionHandler;
std::mutex HandlerLock;
// The thread that runs static initialisation is the program's main thread
// unless SetMainThread names another one.
std::atomic<std::thread::id> MainThreadId{std::this_thread::get_id()};
// The run whose install thread this is; null on every other thread.
thread_local TInstallThreadStatus* ThreadStatus = nullptr;

TThreadAnswer Ask(const TThreadQuestion& question) {
    TThreadQuestionFunc handler;
    {
        std::lock_guard<std::mutex> lock(HandlerLock);
        handler = QuestionHandler;
    }
    // With nobody to ask, the safe answer stops whatever asked.
    if (!handler) return TThreadAnswer::Abort;
    return handler(question);
}

}  // namespace

void SetThreadQuestionHandler(TThreadQuestionFunc handler) {
    std::lock_guard<std::mutex> lock(HandlerLock);
    QuestionHandler = std::move(handler);
}

void TInstallThreadStatus::SetInstallStateNotifier(std::function<void()> notify) {
    std::lock_guard<std::mutex> lock(NotifierLock);
    StateNotifier = std::move(notify);
}

void SetMainThread() { MainThreadId.store(std::this_thread::get_id()); }

TThreadAnswer AskFromThread(const TThreadQuestion& question) {
    if (ThreadStatus == nullptr) {
        if (std::this_thread::get_id() == MainThreadId.load()) return Ask(question);
        return TThreadAnswer::Abort;
    }
    TInstallThreadStatus& st = *ThreadStatus;
    st.Question = question;
    install_thread_detail::PublishFromThread(st,
                                             TInstallState::AskPending);  // publishes the question
    st.WaitFor(TInstallState::AskAnswered);
    const TThreadAnswer answer = st.Answer;
    st.SetState(TInstallState::Running);
    return answer;
}

void TInstallThreadStatus::InstallStatusTick(const TStatusTickActions& actions) {
    TInstallThreadStatus& st = *this;
    switch (st.GetState()) {
    case TInstallState::Running: {
        const uint8_t component = st.Component.load(std::memory_order_relaxed);
        if (component != 255 && actions.Progress)
            actions.Progress(st.Position.load(std::memory_order_relaxed), component);
        break;
    }
    case TInstallState::AskPending: {
        // The thread waits for the answer; the dialog's own message loop may
        // run this tick again, which then finds Paused and does nothing.
        if (!st.ChangeState(TInstallState::AskPending, TInstallState::Paused)) break;
        const TThreadQuestion question = st.Question;
        st.Answer = Ask(question);
        st.SetState(TInstallState::AskAnswered);  // publishes the answer
        break;
    }
    case TInstallState::Done:
        st.SetState(TInstallState::Idle);
        if (actions.Finished) actions.Finished();
        break;
    case TInstallState::Failed:
        if (actions.Failed) actions.Failed();
        break;
    default: break;
    }
}

bool TInstallThreadStatus::InstallCloseRequest(bool closeAllowed,
                                               const std::function<bool()>& askQuit) {
    TInstallThreadStatus& st = *this;
    // Only a running thread is paused; if it has just asked a question or
    // finished, that state is kept.
    const bool paused = st.ChangeState(TInstallState::Running, TInstallState::Paused);
    const bool quit = closeAllowed || (askQuit && askQuit());
    if (paused) {
        if (quit) st.StopRequested.store(true, std::memory_order_relaxed);
        st.ChangeState(TInstallState::Paused, quit ? TInstallState::Done : TInstallState::Running);
    }
    return quit;
}

bool TInstallThreadStatus::InstallThreadActive() const {
    return ActiveBodies.load(std::memory_order_acquire) > 0;
}

void TInstallThreadStatus::WaitForInstallThread() {
    TInstallThreadStatus& st = *this;
    for (;;) {
        TInstallState s;
        {
            std::unique_lock<std::mutex> lock(st.WaitLock);
            st.Changed.wait(lock, [&] {
                const TInstallState now = st.State.load(std::memory_order_acquire);
                return st.ActiveBodies.load(std::memory_order_acquire) == 0 ||
                       now == TInstallState::AskPending || now == TInstallState::Paused;
            });
            if (st.ActiveBodies.load(std::memory_order_acquire) == 0) return;
            s = st.State.load(std::memory_order_acquire);
        }
        // Nobody is left to answer: stop the run instead of waiting forever.
        if (s == TInstallState::AskPending &&
            st.ChangeState(TInstallState::AskPending, TInstallState::Paused)) {
            st.Answer = TThreadAnswer::Abort;
            st.SetState(TInstallState::AskAnswered);
        } else if (s == TInstallState::Paused) {
            st.ChangeState(TInstallState::Paused, TInstallState::Done);
        }
    }
}

namespace install_thread_detail {

void BodyStarting(TInstallThreadStatus& status) {
    status.ActiveBodies.fetch_add(1, std::memory_order_acq_rel);
}

void BodyEnded(TInstallThreadStatus& status) {
    {
        std::lock_guard<std::mutex> lock(status.WaitLock);
        status.ActiveBodies.fetch_sub(1, std::memory_order_acq_rel);
    }
    status.Changed.notify_all();
}

void MarkThisThreadAsInstallThread(TInstallThreadStatus& status) { ThreadStatus = &status; }

void PublishFromThread(TInstallThreadStatus& status, TInstallState state) {
    status.SetState(state);
    try {
        std::function<void()> notify;
        {
            std::lock_guard<std::mutex> lock(status.NotifierLock);
            notify = status.StateNotifier;
        }
        if (notify) notify();
    } catch (...) {
        // The status tick finds the state all the same.
    }
}

}  // namespace install_thread_detail
