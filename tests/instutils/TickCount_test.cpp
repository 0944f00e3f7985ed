#include "instutils/TickCount.h"

#include <gtest/gtest.h>

TEST(TickCount, WideningCarriesOverTheWrapAndNeverRunsBackwards) {
    const uint64_t wrapped = uint64_t(3) << 32;
    const struct {
        uint64_t last;
        uint32_t now;
        uint64_t expected;
    } cases[] = {
        {wrapped + 1000, 1500, wrapped + 1500},                 // plain advance
        {wrapped + 0xFFFFFF00u, 0x40, wrapped + 0x100000040u},  // the 32-bit count wrapped
        {wrapped + 5000, 4990, wrapped + 5000},                 // read a moment earlier elsewhere
        {wrapped + 0x20, 0xFFFFFFF0u, wrapped + 0x20},          // the same, just after a wrap
        {wrapped + 7, 7, wrapped + 7},
    };
    for (const auto& c : cases)
        EXPECT_EQ(WidenTickCount(c.last, c.now), c.expected) << c.last << " " << c.now;
}
