#include "payload/InstallThread.h"

#include <windows.h>

#include "instutils/InstUtils.h"
#include "instutils/WinHandles.h"
#include "payload/AttachFiles.h"
#include "payload/InstallThreadDetail.h"

namespace {

// Pairs SuspendLogging with ResumeLogging even when the write throws.
class TQuietLog {
public:
    explicit TQuietLog(bool quiet) : Quiet(quiet) {
        if (Quiet) SuspendLogging();
    }
    ~TQuietLog() {
        if (Quiet) ResumeLogging();
    }
    TQuietLog(const TQuietLog&) = delete;
    TQuietLog& operator=(const TQuietLog&) = delete;

private:
    bool Quiet;
};

// Waits out a pause; true when the run must stop (a quit was confirmed).
bool StopAtCheckPoint(TInstallThreadStatus& st) {
    return st.WaitWhile(isPaused) == isDone || st.StopRequested.load(std::memory_order_acquire);
}

void RunInstallLists(TAttachedFiles& files) {
    TInstallThreadStatus& st = InstallThreadStatus;
    bool stopped = false;
    for (size_t k = 0; k < files.InstallLists.size(); ++k) {
        const auto& list = files.InstallLists[k];
        if (!list.empty()) {
            st.Component.store(static_cast<uint8_t>(k), std::memory_order_relaxed);
            for (const TFileToInstall& f : list) {
                {
                    TQuietLog quiet(!f.Logged);
                    if (!files.ExtractFile(f.Entry, std::string(), f.Target)) {
                        install_thread_detail::PublishFromThread(isFailed);
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
    if (!stopped) install_thread_detail::PublishFromThread(isDone);
}

DWORD WINAPI InstallThreadBody(LPVOID) {
    install_thread_detail::MarkThisThreadAsInstallThread();
    try {
        if (AttachedFiles != nullptr) {
            RunInstallLists(*AttachedFiles);
        } else {
            install_thread_detail::PublishFromThread(isFailed);
        }
    } catch (...) {
        // Nothing may leave the thread; the window then closes the run.
        install_thread_detail::PublishFromThread(isFailed);
    }
    install_thread_detail::BodyEnded();
    return 0;
}

}  // namespace

bool StartInstallThread() {
    // Only this run's files are reported as left out, not the licence copy.
    if (AttachedFiles != nullptr) AttachedFiles->Skipped.clear();
    install_thread_detail::BodyStarting();
    // Detached: the handle is not needed, the thread ends on its own.
    TUniqueHandle thread(CreateThread(nullptr, 0, InstallThreadBody, nullptr, 0, nullptr));
    if (!thread.Valid()) {
        install_thread_detail::BodyEnded();
        InstallThreadStatus.SetState(isFailed);
        return false;
    }
    return true;
}
