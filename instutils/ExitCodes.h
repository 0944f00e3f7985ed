#pragma once
// The process exit codes of the setup program and of the uninstaller: one
// table, so that a deployment tool reads the same number for the same
// meaning from both. Never reuse a retired number; keep it here as a comment.

#include <cstdint>

enum class TExitCode : uint8_t {
    Success = 0,              // installed (the wizard finished) / removed
    CouldNotStart = 1,        // unknown switch, damaged payload, system too old, no Install.log
    Cancelled = 2,            // cancelled before anything changed / the person answered No
    AnotherSetupRunning = 3,  // another setup or uninstaller holds the machine's lock
    Failed = 4,               // setup: a file could not be written and the run aborted;
                              // uninstaller: finished, but some files were left (listed)
    CancelledDuringInstall = 5,
    FolderRefused = 6,  // setup: the main folder was refused
    NothingToRemove = 6,  // uninstaller: a portable copy, not ours to remove
    AppRunning = 7,       // the application runs and was not closed
};

constexpr int ExitCodeOf(TExitCode code) { return static_cast<int>(code); }
