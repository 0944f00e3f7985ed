#pragma once
// The install log of one setup run: lines in order of first addition, no two
// equal under the locale's case-insensitive comparison; a suspension count;
// the log file path; the install-started flag. Safe to use from the install
// thread while the window reads it.

#include <cstdint>
#include <memory>
#include <mutex>
#include <string>
#include <vector>

class TLogLines;

class TInstallLog {
public:
    TInstallLog();
    ~TInstallLog();
    TInstallLog(const TInstallLog&) = delete;
    TInstallLog& operator=(const TInstallLog&) = delete;

    void CreateInstallLog();  // a new, empty log (Installing page)
    bool InstallLogExists() const;
    // Dropped while logging is suspended or before the log exists.
    void AddLogLine(const std::string& line);
    void SuspendLogging();
    void ResumeLogging();
    int32_t LogSuspensionCount() const;
    std::vector<std::string> InstallLogLines() const;
    void SetLogFilePath(const std::string& path);
    std::string LogFilePath() const;
    // Appends the lines of an existing file (no duplicate test); false on failure.
    bool LoadInstallLog(const std::string& path);
    // Writes every line followed by CR LF, replacing the file; false on failure.
    bool SaveInstallLog(const std::string& path);
    void SetInstallStarted();
    bool InstallStarted() const;
    // Drops the lines and the paths; the started flag stays.
    void ReleaseInstallLog();

private:
    // The install thread adds lines and moves the count while the window may
    // read them, so the list, the count and the rest share one lock.
    mutable std::mutex Lock;
    std::unique_ptr<TLogLines> Lines;
    int32_t Suspended = 0;
    std::string FilePath;
    // An existing log file whose lines could not be loaded: its record of
    // earlier installations must survive this run's save.
    std::string UnreadPath;
    bool Started = false;
};
