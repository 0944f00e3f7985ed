#pragma once
// An installation nobody answers: the wizard's run with the answers a
// deployment tool gives on the command line. It asks nothing and shows at
// most a progress window; its questions get fixed answers, which the run log
// records.

#include "instutils/ExitCodes.h"

class TRunState;
class TOptionValues;

// Makes the silent policy the answerer of every question of the run: a file
// that cannot be written is retried `retries` times, `pauseMs` apart (virus
// scanners hold new files briefly), then the run aborts; any other question
// gets its safe answer (Abort, Cancel, No, else OK).
void InstallSilentAnswers(int retries = 5, int pauseMs = 1000);

// Asks every window of the running application to close, as its close box
// does, and waits up to `timeoutMs` for them to go. True when none is left.
bool CloseRunningApp(int timeoutMs);

// The whole run after the entry's checks, with the payload reader set in
// `run`: folder, running application, files, finish actions. `values` holds
// the option boxes and rows for the entry's saves. Returns Success when the
// files are installed; the entry then saves the settings and Install.log as
// after a wizard run.
TExitCode RunSilentInstall(TRunState& run, TOptionValues& values);
