#include "payload/InstallThread.h"

#include <windows.h>

#include <memory>

#include "instutils/InstallLog.h"
#include "instutils/WinHandles.h"
#include "payload/AttachFiles.h"
#include "payload/InstallThreadDetail.h"

namespace {

// Pairs SuspendLogging with ResumeLogging even when the write throws.
class TQuietLog {
public:
    TQuietLog(TInstallLog* log, bool quiet) : Log(quiet ? log : nullptr) {
        if (Log) Log->SuspendLogging();
    }
    ~TQuietLog() {
        if (Log) Log->ResumeLogging();
    }
    TQuietLog(const TQuietLog&) = delete;
    TQuietLog& operator=(const TQuietLog&) = delete;

private:
    TInstallLog* Log;
};

// What the thread body works on; both outlive the thread.
struct TInstallRun {
    TInstallThreadStatus& Status;
    TAttachedFiles& Files;
};

// Waits out a pause; true when the run must stop (a quit was confirmed).
bool StopAtCheckPoint(TInstallThreadStatus& st) {
    return st.WaitWhile(TInstallState::Paused) == TInstallState::Done ||
           st.StopRequested.load(std::memory_order_acquire);
}

void RunInstallLists(TInstallThreadStatus& st, TAttachedFiles& files) {
    bool stopped = false;
    for (size_t k = 0; k < files.InstallLists.size(); ++k) {
        const auto& list = files.InstallLists[k];
        if (!list.empty()) {
            st.Component.store(static_cast<uint8_t>(k), std::memory_order_relaxed);
            for (const TFileToInstall& f : list) {
                {
                    TQuietLog quiet(files.Log, !f.Logged);
                    if (!files.ExtractFile(f.Entry, std::string(), f.Target)) {
                        install_thread_detail::PublishFromThread(st, TInstallState::Failed);
                        return;
                    }
                }
                st.Position.fetch_add(f.Entry->Size, std::memory_order_relaxed);
                // Between two files: a pause holds the thread here, a stop
                // request (Done) ends the run.
                if (StopAtCheckPoint(st)) break;
            }
        }
        if (StopAtCheckPoint(st)) {
            stopped = true;
            break;
        }
    }
    // A stop request has published Done already (and the window may have
    // moved on to Idle since).
    if (!stopped) install_thread_detail::PublishFromThread(st, TInstallState::Done);
}

DWORD WINAPI InstallThreadBody(LPVOID param) {
    const std::unique_ptr<TInstallRun> run(static_cast<TInstallRun*>(param));
    TInstallThreadStatus& st = run->Status;
    install_thread_detail::MarkThisThreadAsInstallThread(st);
    try {
        RunInstallLists(st, run->Files);
    } catch (...) {
        // Nothing may leave the thread; the window then closes the run.
        install_thread_detail::PublishFromThread(st, TInstallState::Failed);
    }
    install_thread_detail::BodyEnded(st);
    return 0;
}

}  // namespace

bool TInstallThreadStatus::StartInstallThread(TAttachedFiles& files) {
    // Only this run's files are reported as left out, not the licence copy.
    files.Skipped.clear();
    auto run = std::make_unique<TInstallRun>(TInstallRun{*this, files});
    install_thread_detail::BodyStarting(*this);
    // Detached: the handle is not needed, the thread ends on its own.
    TUniqueHandle thread(CreateThread(nullptr, 0, InstallThreadBody, run.get(), 0, nullptr));
    if (!thread.Valid()) {
        install_thread_detail::BodyEnded(*this);
        SetState(TInstallState::Failed);
        return false;
    }
    run.release();  // the thread's now
    return true;
}
