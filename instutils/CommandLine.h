#pragma once
// The C runtime's rule for the arguments after the program name: blanks
// separate, quotes group, "" inside quotes is a quote, and backslashes are
// plain unless they stand before a quote (then halved, an odd one escaping
// it). Platform-free and self-contained, so that the stand-in application
// can compile it in without the rest of the library.

#include <cstddef>
#include <string>
#include <string_view>
#include <vector>

// Appends the arguments of `line` from `pos` on to `args`.
void AppendArguments(std::string_view line, size_t pos, std::vector<std::string>& args);
