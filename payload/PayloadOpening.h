#pragma once
// The payload opened beside the first page. One thread first checks the
// packed bytes (quick, and what decides whether the wizard may show), then
// inflates and indexes them (slow); callers wait only for what they need.

#include <condition_variable>
#include <functional>
#include <memory>
#include <mutex>
#include <optional>
#include <thread>

#include "payload/AttachFiles.h"
#include "payload/PayloadFormat.h"

class TPayloadOpening {
public:
    using TCheck = std::function<TPayloadError()>;
    using TOpen = std::function<std::unique_ptr<TAttachedFiles>()>;
    // Starts the thread: `check`, and `open` only when it answered Ok.
    TPayloadOpening(TCheck check, TOpen open);
    // Waits for the thread.
    ~TPayloadOpening();
    TPayloadOpening(const TPayloadOpening&) = delete;
    TPayloadOpening& operator=(const TPayloadOpening&) = delete;

    // Waits for the check. An exception in it counts as OutOfMemory.
    TPayloadError Checked();
    // Waits for the reader: null when the check or the opening failed (or
    // threw). The first call takes it; later calls answer null.
    std::unique_ptr<TAttachedFiles> Take();

private:
    std::mutex Lock;
    std::condition_variable Changed;
    std::optional<TPayloadError> Check;
    bool Opened = false;
    std::unique_ptr<TAttachedFiles> Files;
    // Last: it starts once everything it touches exists.
    std::thread Thread;
};
