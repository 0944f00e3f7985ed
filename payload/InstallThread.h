#pragma once
// The install thread, the status record it shares with the window, and the
// one way the thread asks the user a question.

#include <atomic>
#include <condition_variable>
#include <cstdint>
#include <functional>
#include <mutex>
#include <string>

// What the install thread needs the user to decide: it says what happened,
// the window chooses the words and the buttons.
enum class TThreadQuestionKind : uint8_t {
    CannotCreate,  // the target cannot be created or replaced
    CannotWrite,   // the target did not take all its bytes
    LinkedFolder,  // Path is a folder link that nobody trusted made
};
struct TThreadQuestion {
    TThreadQuestionKind Kind = TThreadQuestionKind::CannotCreate;
    std::string Path;    // the target file (LinkedFolder: the link)
    std::string Reason;  // CannotWrite: the system's words for the failure
};
enum class TThreadAnswer : uint8_t { Abort, Retry, Ignore };

enum class TInstallState : uint8_t {
    Idle = 0,
    Running = 1,
    Paused = 2,
    Done = 3,
    Failed = 4,
    AskPending = 5,
    AskAnswered = 6,
};

class TAttachedFiles;

// The window's side of the protocol, so that the wizard only calls
// InstallStatusTick and tests can drive it without a window.
struct TStatusTickActions {
    // Running with a component: show this position and component.
    std::function<void(int32_t position, uint8_t component)> Progress;
    // Done: the run finished (the state is already Idle).
    std::function<void()> Finished;
    // Failed: close the wizard without asking.
    std::function<void()> Failed;
};

// One run's install thread and the record it shares with the window. The
// state is the only synchronisation: a side writes its other fields before it
// publishes a state (release) and reads them after it has seen that state
// (acquire).
struct TInstallThreadStatus {
    std::atomic<TInstallState> State{TInstallState::Idle};
    std::atomic<uint8_t> Component{255};
    std::atomic<int32_t> Position{0};
    // Set with Done by a confirmed quit; the thread honours it even when the
    // window has already turned Done into Idle.
    std::atomic<bool> StopRequested{false};
    TThreadQuestion Question;
    TThreadAnswer Answer = TThreadAnswer::Abort;

    TInstallState GetState() const { return State.load(std::memory_order_acquire); }
    // Publishes a state and wakes a thread waiting for a change.
    void SetState(TInstallState s);
    // Publishes `to` only if the state is still `from` (the other side may
    // have moved on meanwhile); true when it did.
    bool ChangeState(TInstallState from, TInstallState to);
    // Blocks (without spinning) while the state equals `s`; returns the new one.
    TInstallState WaitWhile(TInstallState s);
    // Blocks until the state equals `s`.
    void WaitFor(TInstallState s);
    void Reset();  // back to the initial values (tests)

    // Starts the install thread over `files`' install lists; the reader must
    // outlive the thread. The caller has set the state to Running. The thread
    // is detached: it ends on its own after setting Done or Failed.
    // WaitForInstallThread blocks until no install thread body of this run is
    // running any more (program end, before the reader is released). If the
    // thread is blocked on a question or a pause then, WaitForInstallThread
    // answers Abort or stops it, so that the end cannot hang.
    bool StartInstallThread(TAttachedFiles& files);
    void WaitForInstallThread();
    bool InstallThreadActive() const;

    // Called on the install thread right after it has published a state the
    // window acts on (a question, Done, Failed), so that the window need not
    // wait for its next status tick. Set before the run starts; empty for none.
    void SetInstallStateNotifier(std::function<void()> notify);

    // One tick of the 100 ms status timer: reads the state once and acts on
    // it; AskPending asks the question through the question handler.
    void InstallStatusTick(const TStatusTickActions& actions);

    // The close request while a run may be going on. `askQuit` shows the quit
    // question and returns true to quit; it is not called when closeAllowed
    // is already true. Returns the decision (canClose).
    bool InstallCloseRequest(bool closeAllowed, const std::function<bool()>& askQuit);

    // Waiting without spinning; also signalled when an install thread ends.
    std::mutex WaitLock;
    std::condition_variable Changed;
    // Install thread bodies started and not yet returned.
    std::atomic<int> ActiveBodies{0};
    std::mutex NotifierLock;
    std::function<void()> StateNotifier;
};

// Asks the user on the main thread: installed by the wizard, by tests a
// scripted answerer.
using TThreadQuestionFunc = std::function<TThreadAnswer(const TThreadQuestion& question)>;
void SetThreadQuestionHandler(TThreadQuestionFunc handler);

// Marks the calling thread as the main (user-interface) thread.
void SetMainThread();

// On the main thread: asks through the handler directly, status untouched.
// On an install thread: posts the question in its run's status (AskPending),
// waits for AskAnswered, sets Running and returns the answer. With no
// handler, or on any other thread, the answer is Abort: nobody to ask must
// not mean retry for ever.
TThreadAnswer AskFromThread(const TThreadQuestion& question);
