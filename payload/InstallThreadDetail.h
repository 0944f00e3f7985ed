#pragma once
// Between the platform-free status code and the Win32 thread that runs the body.

namespace install_thread_detail {
// Counts bodies that have been started and not yet returned.
void BodyStarting();
void BodyEnded();        // wakes WaitForInstallThread
void MarkThisThreadAsInstallThread();
}  // namespace install_thread_detail
