// Host stand-in for whole-file reading and the log file's write, so that the
// rules above them can be exercised without Windows.
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>

#include "instutils/InstUtils.h"
#include "instutils/LogLines.h"

TFileRead ReadWholeFile(const std::string& path, std::string& bytes, size_t maxBytes) {
    std::error_code error;
    if (!std::filesystem::exists(path, error)) return TFileRead::Missing;
    const uintmax_t size = std::filesystem::file_size(path, error);
    if (error || size > maxBytes) return TFileRead::Unreadable;
    std::ifstream in(path, std::ios::binary);
    if (!in) return TFileRead::Unreadable;
    std::string text((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    if (in.bad()) return TFileRead::Unreadable;
    bytes = std::move(text);
    return TFileRead::Read;
}

bool WriteLogFileText(const std::string& path, const std::string& text) {
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    if (!out) return false;
    out.write(text.data(), std::streamsize(text.size()));
    out.close();
    return !out.fail();
}
