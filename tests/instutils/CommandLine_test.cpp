#include "instutils/CommandLine.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace {

using Args = std::vector<std::string>;

// One rule for the setup program's "-d<folder>" and the application's
// switches and document paths.
TEST(CommandLine, SplitsLikeTheCRuntime) {
    struct Case {
        const char* Line;
        Args Expected;
    };
    const Case cases[] = {
        {"setup.exe", {"setup.exe"}},
        {"\"C:\\Program Files\\x\\setup.exe\" -dE:\\Apps",
         {"C:\\Program Files\\x\\setup.exe", "-dE:\\Apps"}},
        {"setup.exe   -dC:\\A\\B\t second", {"setup.exe", "-dC:\\A\\B", "second"}},
        {"s \"-dC:\\My Apps\\Parvela\"", {"s", "-dC:\\My Apps\\Parvela"}},
        {"s -d\"C:\\My Apps\"\\Parvela", {"s", "-dC:\\My Apps\\Parvela"}},
        // A trailing backslash before the closing quote needs doubling.
        {"s \"-dC:\\My Apps\\\\\"", {"s", "-dC:\\My Apps\\"}},
        {"s a\\\\\\\"b", {"s", "a\\\"b"}},
        {"s a\\\\b\\", {"s", "a\\\\b\\"}},
        {"s \"a\"\"b\"", {"s", "a\"b"}},
        {"s \"\"", {"s", ""}},
        {"\"C:\\odd\\prog\"rest -d", {"C:\\odd\\prog", "rest", "-d"}},
        {"s   ", {"s"}},
        {"", {}},
        // The program path keeps its backslashes, even before a quote.
        {"\"C:\\Program Files\\Parvela\\parv.exe\" -assoc adpr_rtf",
         {"C:\\Program Files\\Parvela\\parv.exe", "-assoc", "adpr_rtf"}},
        {"  parv.exe   -ui  ", {"parv.exe", "-ui"}},
        {"\"C:\\dir\\\" x", {"C:\\dir\\", "x"}},
        {"\"C:\\no end", {"C:\\no end"}},
        // A document path with blanks arrives as one argument.
        {"p \"D:\\My Documents\\Letter 1.rtf\"", {"p", "D:\\My Documents\\Letter 1.rtf"}},
        {"p a\tb", {"p", "a", "b"}},
        // Backslashes before a quote: halved, an odd one escapes the quote.
        {"p a\\\\\"b c\"", {"p", "a\\b c"}},
        {"p a\\\"b", {"p", "a\"b"}},
        {"p a\\\\b", {"p", "a\\\\b"}},
        {" \t ", {}},
    };
    for (const Case& c : cases) EXPECT_EQ(SplitCommandLine(c.Line), c.Expected) << c.Line;
}

}  // namespace
