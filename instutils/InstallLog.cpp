#include "instutils/InstallLog.h"

#include "instutils/InstUtils.h"
#include "instutils/LogLines.h"

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

}  // namespace

TInstallLog::TInstallLog() = default;
TInstallLog::~TInstallLog() = default;

void TInstallLog::CreateInstallLog() {
    std::lock_guard<std::mutex> guard(Lock);
    Lines = std::make_unique<TLogLines>(&LogLinesEqual);
    UnreadPath.clear();
}

bool TInstallLog::InstallLogExists() const {
    std::lock_guard<std::mutex> guard(Lock);
    return Lines != nullptr;
}

void TInstallLog::AddLogLine(const std::string& line) {
    std::lock_guard<std::mutex> guard(Lock);
    // Callers that can run before the log exists suspend logging; a line
    // offered with no log has nowhere to go.
    if (Suspended != 0 || !Lines) return;
    Lines->AddUnique(line);
}

void TInstallLog::SuspendLogging() {
    std::lock_guard<std::mutex> guard(Lock);
    ++Suspended;
}

void TInstallLog::ResumeLogging() {
    std::lock_guard<std::mutex> guard(Lock);
    --Suspended;
}

int32_t TInstallLog::LogSuspensionCount() const {
    std::lock_guard<std::mutex> guard(Lock);
    return Suspended;
}

std::vector<std::string> TInstallLog::InstallLogLines() const {
    std::lock_guard<std::mutex> guard(Lock);
    return Lines ? Lines->Lines() : std::vector<std::string>();
}

void TInstallLog::SetLogFilePath(const std::string& path) {
    std::lock_guard<std::mutex> guard(Lock);
    FilePath = path;
}

std::string TInstallLog::LogFilePath() const {
    std::lock_guard<std::mutex> guard(Lock);
    return FilePath;
}

bool TInstallLog::LoadInstallLog(const std::string& path) {
    std::string text;
    const TFileRead read = ReadWholeFile(path, text, MaxLogFileBytes);
    std::lock_guard<std::mutex> guard(Lock);
    if (read != TFileRead::Read) {
        if (read == TFileRead::Unreadable) UnreadPath = path;
        return false;
    }
    if (!Lines) Lines = std::make_unique<TLogLines>(&LogLinesEqual);
    Lines->Append(SplitLines(text));
    return true;
}

bool TInstallLog::SaveInstallLog(const std::string& path) {
    std::vector<std::string> lines;
    bool unread = false;
    {
        std::lock_guard<std::mutex> guard(Lock);
        // Without a log there is nothing to save, and an existing file from
        // an earlier installation must not be emptied.
        if (!Lines) return false;
        lines = Lines->Lines();
        unread = !UnreadPath.empty() && UnreadPath == path;
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

void TInstallLog::SetInstallStarted() {
    std::lock_guard<std::mutex> guard(Lock);
    Started = true;
}

bool TInstallLog::InstallStarted() const {
    std::lock_guard<std::mutex> guard(Lock);
    return Started;
}

void TInstallLog::ReleaseInstallLog() {
    std::lock_guard<std::mutex> guard(Lock);
    Lines.reset();
    FilePath.clear();
    UnreadPath.clear();
}
