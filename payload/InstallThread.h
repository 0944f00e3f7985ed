#pragma once
// The install thread, the status record it shares with the window, and the
// one way code on either thread asks the user a question.

#include <atomic>
#include <condition_variable>
#include <cstdint>
#include <functional>
#include <mutex>
#include <string>

// Dialog kinds, buttons (bit i of a set) and results of the program's
// message boxes.
enum : uint8_t { mtWarning = 0, mtError = 1, mtInformation = 2, mtConfirmation = 3 };
enum : uint16_t {
    mbYes = 1 << 0,
    mbNo = 1 << 1,
    mbOK = 1 << 2,
    mbCancel = 1 << 3,
    mbAbort = 1 << 4,
    mbRetry = 1 << 5,
    mbIgnore = 1 << 6,
    mbAll = 1 << 7,
};
enum : int32_t {
    mrNone = 0,
    mrOk = 1,
    mrCancel = 2,
    mrAbort = 3,
    mrRetry = 4,
    mrIgnore = 5,
    mrYes = 6,
    mrNo = 7,
    mrAll = 8,
};

enum : uint8_t {
    isIdle = 0,
    isRunning = 1,
    isPaused = 2,
    isDone = 3,
    isFailed = 4,
    isAskPending = 5,
    isAskAnswered = 6,
};

// Shared by the window and the install thread. The state is the only
// synchronisation: a side writes its other fields before it publishes a state
// (release) and reads them after it has seen that state (acquire).
struct TInstallThreadStatus {
    std::atomic<uint8_t> State{isIdle};
    std::atomic<uint8_t> Component{255};
    std::atomic<int32_t> Position{0};
    // Set with Done by a confirmed quit; the thread honours it even when the
    // window has already turned Done into Idle.
    std::atomic<bool> StopRequested{false};
    std::string Message;
    uint8_t DlgType = 0;
    uint16_t Buttons = 0;
    int32_t Answer = 0;

    uint8_t GetState() const { return State.load(std::memory_order_acquire); }
    // Publishes a state and wakes a thread waiting for a change.
    void SetState(uint8_t s);
    // Publishes `to` only if the state is still `from` (the other side may
    // have moved on meanwhile); true when it did.
    bool ChangeState(uint8_t from, uint8_t to);
    // Blocks (without spinning) while the state equals `s`; returns the new one.
    uint8_t WaitWhile(uint8_t s);
    // Blocks until the state equals `s`.
    void WaitFor(uint8_t s);
    void Reset();  // back to the initial values (tests)

    // Waiting without spinning; also signalled when an install thread ends.
    std::mutex WaitLock;
    std::condition_variable Changed;
};

extern TInstallThreadStatus InstallThreadStatus;

// Shows a message box on the main thread: installed by the wizard (its
// MessageDlg), by tests a scripted answerer. Returns a result (mr*).
using TMessageDlgFunc =
    std::function<int32_t(const std::string& text, uint8_t kind, uint16_t buttons)>;
void SetMessageDlgHandler(TMessageDlgFunc handler);

// Marks the calling thread as the main (user-interface) thread.
void SetMainThread();

// On the main thread: shows the dialog directly, status untouched. On the
// install thread: posts the question in the status (AskPending), waits for
// AskAnswered, sets Running and returns the answer.
int32_t MessageDlgFromThread(const std::string& text, uint8_t kind, uint16_t buttons);

// Starts the install thread over AttachedFiles->InstallLists. The caller has
// set the state to Running. The thread is detached: it ends on its own after
// setting Done or Failed. WaitForInstallThread blocks until no install thread
// body is running any more (program end, before the reader is released).
// If the thread is blocked on a question or a pause when the program ends,
// WaitForInstallThread answers Abort or stops it, so that the end cannot hang.
bool StartInstallThread();
void WaitForInstallThread();
bool InstallThreadActive();

// Called on the install thread right after it has published a state the
// window acts on (a question, Done, Failed), so that the window need not wait
// for its next status tick. Set before the run starts; empty for none.
void SetInstallStateNotifier(std::function<void()> notify);

// The window's side of the protocol, so that the wizard only calls these and
// tests can drive them without a window.
struct TStatusTickActions {
    // Running with a component: show this position and component.
    std::function<void(int32_t position, uint8_t component)> Progress;
    // Done: the run finished (the state is already Idle).
    std::function<void()> Finished;
    // Failed: close the wizard without asking.
    std::function<void()> Failed;
};
// One tick of the 100 ms status timer: reads the state once and acts on it;
// AskPending shows the question through the message-dialog handler.
void InstallStatusTick(const TStatusTickActions& actions);

// The close request while a run may be going on. `askQuit` shows the quit
// question and returns true to quit; it is not called when closeAllowed is
// already true. Returns the decision (CanClose).
bool InstallCloseRequest(bool closeAllowed, const std::function<bool()>& askQuit);
