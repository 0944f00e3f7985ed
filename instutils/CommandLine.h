#pragma once
// Splitting a command line the way the C runtime builds argv. Platform-free
// and self-contained, so that the stand-in application can compile it in
// without the rest of the library.

#include <cstddef>
#include <string>
#include <string_view>
#include <vector>

// The program name, then the arguments. Leading blanks are skipped. The
// program name ends at the next blank, or at the closing quote when it
// starts with one; it has no escapes, so that a quoted path may end in a
// backslash. An empty or blank line gives no words at all.
std::vector<std::string> SplitCommandLine(std::string_view line);

// The arguments of `line` from `pos` on, appended to `args`: blanks and tabs
// separate, quotes group, "" inside quotes is a quote, and backslashes are
// plain unless they stand before a quote (2n give n and toggle quoting, 2n+1
// give n and a literal quote).
void AppendArguments(std::string_view line, size_t pos, std::vector<std::string>& args);
