#include "instutils/InstUtils.h"
#include "instutils/FolderStack.h"
#include "instutils/LogLines.h"

#include <memory>
#include <mutex>

bool TLogLines::AddUnique(const std::string& line) {
    for (const std::string& present : lines_)
        if (equal_(present, line)) return false;
    lines_.push_back(line);
    return true;
}

void TLogLines::Append(const std::vector<std::string>& lines) {
    lines_.insert(lines_.end(), lines.begin(), lines.end());
}

std::vector<std::string> SplitLines(const std::string& text) {
    std::vector<std::string> lines;
    size_t start = 0;
    while (start < text.size()) {
        size_t end = text.find_first_of("\r\n", start);
        if (end == std::string::npos) {
            lines.push_back(text.substr(start));
            break;
        }
        lines.push_back(text.substr(start, end - start));
        start =
            end + ((text[end] == '\r' && end + 1 < text.size() && text[end + 1] == '\n') ? 2 : 1);
    }
    return lines;
}

std::string JoinLogLines(const std::vector<std::string>& lines) {
    std::string text;
    for (const std::string& line : lines) text += line + "\r\n";
    return text;
}

namespace {

// Larger than any log a run writes; a bigger file is left alone, unread.
constexpr size_t MaxLogFileBytes = 64 * 1024 * 1024;

// The install thread adds lines and moves the count while the window may
// read them, so the list, the count and the rest share one lock.
struct InstallLogState {
    std::mutex lock;
    std::unique_ptr<TLogLines> log;
    int32_t suspended = 0;
    std::string filePath;
    // An existing log file whose lines could not be loaded: its record of
    // earlier installations must survive this run's save.
    std::string unreadPath;
    bool started = false;
};

InstallLogState& State() {
    static InstallLogState state;
    return state;
}

}  // namespace

void CreateInstallLog() {
    auto& s = State();
    std::lock_guard<std::mutex> guard(s.lock);
    s.log = std::make_unique<TLogLines>(&LogLinesEqual);
    s.unreadPath.clear();
}

bool InstallLogExists() {
    auto& s = State();
    std::lock_guard<std::mutex> guard(s.lock);
    return s.log != nullptr;
}

void AddLogLine(const std::string& line) {
    auto& s = State();
    std::lock_guard<std::mutex> guard(s.lock);
    // Callers that can run before the log exists suspend logging; a line
    // offered with no log has nowhere to go.
    if (s.suspended != 0 || !s.log) return;
    s.log->AddUnique(line);
}

void SuspendLogging() {
    auto& s = State();
    std::lock_guard<std::mutex> guard(s.lock);
    ++s.suspended;
}

void ResumeLogging() {
    auto& s = State();
    std::lock_guard<std::mutex> guard(s.lock);
    --s.suspended;
}

int32_t LogSuspensionCount() {
    auto& s = State();
    std::lock_guard<std::mutex> guard(s.lock);
    return s.suspended;
}

std::vector<std::string> InstallLogLines() {
    auto& s = State();
    std::lock_guard<std::mutex> guard(s.lock);
    return s.log ? s.log->Lines() : std::vector<std::string>();
}

void SetLogFilePath(const std::string& path) {
    auto& s = State();
    std::lock_guard<std::mutex> guard(s.lock);
    s.filePath = path;
}

std::string LogFilePath() {
    auto& s = State();
    std::lock_guard<std::mutex> guard(s.lock);
    return s.filePath;
}

bool LoadInstallLog(const std::string& path) {
    std::string text;
    const TFileRead read = ReadWholeFile(path, text, MaxLogFileBytes);
    auto& s = State();
    std::lock_guard<std::mutex> guard(s.lock);
    if (read != TFileRead::Read) {
        if (read == TFileRead::Unreadable) s.unreadPath = path;
        return false;
    }
    if (!s.log) s.log = std::make_unique<TLogLines>(&LogLinesEqual);
    s.log->Append(SplitLines(text));
    return true;
}

bool SaveInstallLog(const std::string& path) {
    std::vector<std::string> lines;
    bool unread = false;
    {
        auto& s = State();
        std::lock_guard<std::mutex> guard(s.lock);
        // Without a log there is nothing to save, and an existing file from
        // an earlier installation must not be emptied.
        if (!s.log) return false;
        lines = s.log->Lines();
        unread = !s.unreadPath.empty() && s.unreadPath == path;
    }
    if (unread) {
        // The file could not be read when the run started (locked, damaged,
        // too large): merge into it now if it can be read, else leave it.
        std::string text;
        const TFileRead read = ReadWholeFile(path, text, MaxLogFileBytes);
        if (read == TFileRead::Unreadable) return false;
        TLogLines merged(&LogLinesEqual);
        merged.Append(SplitLines(text));
        for (const std::string& line : lines) merged.AddUnique(line);
        lines = merged.Lines();
    }
    return WriteLogFileText(path, JoinLogLines(lines));
}

void SetInstallStarted() {
    auto& s = State();
    std::lock_guard<std::mutex> guard(s.lock);
    s.started = true;
}

bool InstallStarted() {
    auto& s = State();
    std::lock_guard<std::mutex> guard(s.lock);
    return s.started;
}

void ReleaseInstallLog() {
    {
        auto& s = State();
        std::lock_guard<std::mutex> guard(s.lock);
        s.log.reset();
        s.filePath.clear();
        s.unreadPath.clear();
    }
    ReleaseFolderStack();
}
