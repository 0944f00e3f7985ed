#pragma once
// The common controls loaded on a thread of their own while the window is
// built: the load costs about as much as creating the window, and neither
// needs the other until the first control is made.

#include <mutex>
#include <thread>

class TCommonControlsLoad {
public:
    // Starts the load. The theme DLLs must be loaded already: comctl32
    // takes them through loads that may search past the DLL restriction,
    // and loading them here would hold the loader lock while windows of the
    // main thread wait for it.
    TCommonControlsLoad();
    // Waits for the thread.
    ~TCommonControlsLoad();
    TCommonControlsLoad(const TCommonControlsLoad&) = delete;
    TCommonControlsLoad& operator=(const TCommonControlsLoad&) = delete;

    // Returns once the common controls are registered: before any window
    // that has controls is made. Any thread may call it, any number of times.
    void Wait();

private:
    std::thread Thread;
    std::once_flag Joined;
};
