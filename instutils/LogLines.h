#pragma once
// The install log's list without its program-wide state: lines in order of
// first addition, kept unique under an injected equality (the locale's
// case-insensitive comparison in the program, anything in tests).

#include <string>
#include <vector>

class TLogLines {
public:
    using Equality = bool (*)(const std::string&, const std::string&);
    explicit TLogLines(Equality equal) : equal_(equal) {}

    // Appends the line unless an equal one is present; true when appended.
    bool AddUnique(const std::string& line);
    // Appends without the duplicate test (lines loaded from a file).
    void Append(const std::vector<std::string>& lines);
    const std::vector<std::string>& Lines() const { return lines_; }

private:
    Equality equal_;
    std::vector<std::string> lines_;
};

// The log file's bytes, written by the platform's files; the write replaces
// the file whole.
bool WriteLogFileText(const std::string& path, const std::string& text);
