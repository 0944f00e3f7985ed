#include <windows.h>

#include <cstdio>
#include <mutex>

#include "instutils/RunLog.h"
#include "instutils/WinHandles.h"

namespace {

std::mutex LogLock;
TUniqueHandle LogFile;

}  // namespace

bool OpenRunLog(const std::string& path, bool append) {
    std::lock_guard<std::mutex> lock(LogLock);
    // Others may read it while the run goes on, and a second process of the
    // run may add to it.
    LogFile.Reset(CreateFileA(path.c_str(), GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_WRITE,
                              nullptr, append ? OPEN_ALWAYS : CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL,
                              nullptr));
    return static_cast<bool>(LogFile);
}

void CloseRunLog() {
    std::lock_guard<std::mutex> lock(LogLock);
    LogFile.Reset();
}

bool RunLogOpen() {
    std::lock_guard<std::mutex> lock(LogLock);
    return static_cast<bool>(LogFile);
}

void RunLogLine(const std::string& text) {
    std::lock_guard<std::mutex> lock(LogLock);
    if (!LogFile) return;
    SYSTEMTIME t;
    GetLocalTime(&t);
    char stamp[32];
    std::snprintf(stamp, sizeof stamp, "%04u-%02u-%02u %02u:%02u:%02u.%03u  ", t.wYear, t.wMonth,
                  t.wDay, t.wHour, t.wMinute, t.wSecond, t.wMilliseconds);
    std::string line = stamp;
    for (char c : text) line += c == '\r' ? ' ' : c;  // a message is one line
    line += "\r\n";
    // Unbuffered: a killed run leaves every line written so far.
    DWORD done = 0;
    SetFilePointer(LogFile.Get(), 0, nullptr, FILE_END);
    WriteFile(LogFile.Get(), line.data(), static_cast<DWORD>(line.size()), &done, nullptr);
}
