#pragma once
// Between the platform-free status code and the Win32 thread that runs the body.

#include <cstdint>

struct TInstallThreadStatus;

namespace install_thread_detail {
// Counts bodies of the run that have been started and not yet returned.
void BodyStarting(TInstallThreadStatus& status);
void BodyEnded(TInstallThreadStatus& status);  // wakes WaitForInstallThread
// Questions asked on the calling thread from now on go through `status`.
void MarkThisThreadAsInstallThread(TInstallThreadStatus& status);
// Publishes a state from the install thread and tells the notifier.
void PublishFromThread(TInstallThreadStatus& status, TInstallState state);
}  // namespace install_thread_detail
