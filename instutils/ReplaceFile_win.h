#pragma once
// Files are replaced, never rewritten in place: the new bytes go to a
// temporary file beside the target, which is then moved over it, so that a
// failed or killed run leaves the old file or the new one, never a mix. A
// file that does not exist yet is written under its own name (nothing old
// can be lost) and removed again when its bytes do not all go.

#include <string>

#include "instutils/WinHandles.h"

// Where the new bytes of `path` are written before the move: the first of
// these names (attempt 0, 1, ...) at which nothing exists yet.
std::string ReplacementName(const std::string& path, unsigned attempt = 0);

enum class TReplaceStep {
    Done,    // the target holds the new bytes
    Create,  // the temporary file could not be created
    Write,   // it could not take all the bytes (a full disk)
    Move,    // it could not replace the target (in use, read-only)
};

// Writes `size` bytes to a temporary file beside `path` (or to `path` itself
// when it does not exist), sets the last-write time when `lastWrite` is
// given, and moves the temporary file over `path`. On failure the target is
// as it was, no temporary file is left, and GetLastError tells why.
TReplaceStep ReplaceFileContents(const std::string& path, const void* data, size_t size,
                                 const FILETIME* lastWrite = nullptr);
