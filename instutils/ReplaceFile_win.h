#pragma once
// Files are replaced, never rewritten in place: the new bytes go to a
// temporary file beside the target, which is then moved over it, so that a
// failed or killed run leaves the old file or the new one, never a mix.

#include <string>

#include "instutils/WinHandles.h"

// Where the new bytes of `path` are written before the move.
std::string ReplacementName(const std::string& path);

enum class TReplaceStep {
    Done,    // the target holds the new bytes
    Create,  // the temporary file could not be created
    Write,   // it could not take all the bytes (a full disk)
    Move,    // it could not replace the target (in use, read-only)
};

// Writes `size` bytes to a temporary file beside `path`, sets its last-write
// time when `lastWrite` is given, and moves it over `path`. On failure the
// target is untouched, the temporary file is gone, and GetLastError tells why.
TReplaceStep ReplaceFileContents(const std::string& path, const void* data, size_t size,
                                 const FILETIME* lastWrite = nullptr);
