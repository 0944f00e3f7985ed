#pragma once
// Between the platform-free status code and the Win32 thread that runs the body.

#include <cstdint>

namespace install_thread_detail {
// Counts bodies that have been started and not yet returned.
void BodyStarting();
void BodyEnded();  // wakes WaitForInstallThread
void MarkThisThreadAsInstallThread();
// Publishes a state from the install thread and tells the notifier.
void PublishFromThread(uint8_t state);
}  // namespace install_thread_detail
