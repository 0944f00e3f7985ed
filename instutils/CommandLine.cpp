#include "instutils/CommandLine.h"

#include <algorithm>

namespace {

bool IsBlank(char c) { return c == ' ' || c == '\t'; }

}  // namespace

std::vector<std::string> SplitCommandLine(std::string_view line) {
    std::vector<std::string> args;
    size_t i = 0;
    const size_t n = line.size();
    while (i < n && IsBlank(line[i])) ++i;
    if (i == n) return args;
    if (line[i] == '"') {
        const size_t end = std::min(line.find('"', i + 1), n);
        args.emplace_back(line.substr(i + 1, end - i - 1));
        i = end < n ? end + 1 : n;
    } else {
        const size_t start = i;
        while (i < n && !IsBlank(line[i])) ++i;
        args.emplace_back(line.substr(start, i - start));
    }
    AppendArguments(line, i, args);
    return args;
}

void AppendArguments(std::string_view line, size_t pos, std::vector<std::string>& args) {
    size_t i = pos;
    const size_t n = line.size();
    for (;;) {
        while (i < n && IsBlank(line[i])) ++i;
        if (i >= n) break;
        std::string arg;
        bool quoted = false;
        while (i < n) {
            char c = line[i];
            if (c == '\\') {
                size_t slashes = 0;
                while (i < n && line[i] == '\\') {
                    ++slashes;
                    ++i;
                }
                if (i < n && line[i] == '"') {
                    arg.append(slashes / 2, '\\');
                    if (slashes % 2) {
                        arg += '"';
                        ++i;
                    }
                    // An even count leaves the quote to the next round.
                } else {
                    arg.append(slashes, '\\');
                }
            } else if (c == '"') {
                if (quoted && i + 1 < n && line[i + 1] == '"') {
                    arg += '"';
                    i += 2;
                } else {
                    quoted = !quoted;
                    ++i;
                }
            } else if (IsBlank(c) && !quoted) {
                break;
            } else {
                arg += c;
                ++i;
            }
        }
        args.push_back(arg);
    }
}
