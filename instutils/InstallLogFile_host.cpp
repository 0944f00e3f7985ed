// Host stand-in for the log file's bytes, so the log's load and save rules
// can be exercised without Windows.
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>

#include "instutils/LogLines.h"

TLogFileRead ReadLogFileText(const std::string& path, std::string& text) {
    std::error_code error;
    if (!std::filesystem::exists(path, error)) return TLogFileRead::Missing;
    std::ifstream in(path, std::ios::binary);
    if (!in) return TLogFileRead::Unreadable;
    std::string bytes((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    if (in.bad()) return TLogFileRead::Unreadable;
    text = std::move(bytes);
    return TLogFileRead::Read;
}

bool WriteLogFileText(const std::string& path, const std::string& text) {
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    if (!out) return false;
    out.write(text.data(), std::streamsize(text.size()));
    out.close();
    return !out.fail();
}
