#include "instutils/InstUtils.h"

#include <gtest/gtest.h>

namespace {

TEST(SizeText, FormatSizeText) {
    const struct {
        int64_t bytes;
        const char* text;
    } cases[] = {
        {0, "0 KB"},
        {1023, "0 KB"},
        {1024, "1 KB"},
        {2047, "1 KB"},
        {524288, "512 KB"},  // half a MB rounds to 0 MB, so stays KB
        {1048576, "1 MB"},
        {1048577, "1 024 KB"},
        {1572864, "1 536 KB"},
        {2097152, "2 MB"},
        {15728640, "15 MB"},
        {16777214, "16 383 KB"},
        {16777215, "16 MB"},  // from here always MB
        {16777216, "16 MB"},
        {17301504, "16 MB"},  // 16.5 MB: half to even
        {18350080, "18 MB"},  // 17.5 MB: half to even
        {104333311, "99 MB"},
        {104857600, "100 MB"},
        {105381888, "100 MB"},  // 100.5 MB
        {106430464, "102 MB"},  // 101.5 MB
        {1073741824, "1 024 MB"},
        {1099511627776, "1 048 576 MB"},
        {-1048576, "-1 MB"},
        {-2048, "-2 KB"},
    };
    for (const auto& c : cases) EXPECT_EQ(FormatSizeText(c.bytes), c.text) << c.bytes;
    EXPECT_EQ(FormatSizeText(INT64_MIN), "-8 796 093 022 208 MB");
}

TEST(SizeText, GroupDigits) {
    const struct {
        uint64_t n;
        const char* text;
    } cases[] = {
        {0, "0"},
        {100, "100"},
        {999, "999"},
        {1000, "1 000"},
        {123456, "123 456"},
        {1234567, "1 234 567"},
        {18446744073709551615u, "18 446 744 073 709 551 615"},
    };
    for (const auto& c : cases) EXPECT_EQ(GroupDigits(c.n), c.text) << c.n;
}

TEST(SizeText, EscapeCaption) {
    const struct {
        const char* in;
        const char* out;
    } cases[] = {
        {"-", "- "},
        {"--", "--"},
        {"", ""},
        {"Clip library", "Clip library"},
        {"A&&B", "A&&&&B"},
        {"&", "&&"},
        {"Tom & Jerry &", "Tom && Jerry &&"},
        {"- ", "- "},
    };
    for (const auto& c : cases) EXPECT_EQ(EscapeCaption(c.in), c.out) << '"' << c.in << '"';
}

}  // namespace
