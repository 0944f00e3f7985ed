#pragma once
// The run log that /LOG= asks for: plain text, one time-stamped line per
// event, each written through at once so that a killed run leaves the lines
// so far. Lines come from every layer and from both threads, so the log is
// process-wide; while no log is open, lines go nowhere. It is not
// Install.log, which stays the uninstaller's list.

#include <string>

// Creates (or empties) the log file, or with `append` adds to it (the
// uninstaller's removal copy continues its original's log); false when it
// cannot be written.
bool OpenRunLog(const std::string& path, bool append = false);
void CloseRunLog();
bool RunLogOpen();
void RunLogLine(const std::string& text);
