// Host stand-in for the log file's bytes, so the log's load and save rules
// can be exercised without Windows.
#include <fstream>
#include <iterator>
#include <string>

bool ReadLogFileText(const std::string& path, std::string& text)
{
    std::ifstream in(path, std::ios::binary);
    if (!in)
        return false;
    std::string bytes((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    if (in.bad())
        return false;
    text = std::move(bytes);
    return true;
}

bool WriteLogFileText(const std::string& path, const std::string& text)
{
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    if (!out)
        return false;
    out.write(text.data(), std::streamsize(text.size()));
    out.close();
    return !out.fail();
}
