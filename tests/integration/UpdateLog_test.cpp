#include <gtest/gtest.h>

#include <algorithm>
#include <cctype>

#include "integration/FileSet.h"

namespace {

bool EqualIgnoringCase(const std::string& a, const std::string& b) {
    return a.size() == b.size() && std::equal(a.begin(), a.end(), b.begin(), [](char x, char y) {
               return std::toupper(static_cast<unsigned char>(x)) ==
                      std::toupper(static_cast<unsigned char>(y));
           });
}

using Lines = std::vector<std::string>;

struct MergeCase {
    const char* What;
    Lines Existing;
    Lines Record;
    Lines Expected;
};

TEST(UpdateLogMerge, Cases) {
    const std::string now = "*NEW";
    const MergeCase cases[] = {
        {"no file yet", {}, {"f1", "f2"}, {"*NEW", "f1", "f2"}},
        {"group whose files are all superseded hands its follower to the earlier stamp",
         {"*A", "f1", "f2", "*B", "f3"},
         {"f1", "f2"},
         {"*A", "f3", "*NEW", "f1", "f2"}},
        {"partly superseded groups keep their stamps",
         {"*A", "f1", "f2", "*B", "f3"},
         {"f2"},
         {"*A", "f1", "*B", "f3", "*NEW", "f2"}},
        {"three adjacent stamps keep the first",
         {"*A", "*B", "*C", "f9"},
         {"f1"},
         {"*A", "f9", "*NEW", "f1"}},
        {"a trailing stamp line goes",
         {"*A", "f1", "*B", "f2"},
         {"f2"},
         {"*A", "f1", "*NEW", "f2"}},
        {"nothing left of the old file", {"*A", "f1"}, {"f1"}, {"*NEW", "f1"}},
        {"empty lines go anywhere",
         {"", "*A", "", "f1", "", "*B", "f3", ""},
         {"f9"},
         {"*A", "f1", "*B", "f3", "*NEW", "f9"}},
        {"matches ignore case",
         {"*A", "C:\\DATA\\F1", "c:\\data\\f3"},
         {"c:\\data\\f1"},
         {"*A", "c:\\data\\f3", "*NEW", "c:\\data\\f1"}},
        {"the marker is part of the line",
         {"*A", "f1\t!", "f1"},
         {"f1\t!"},
         {"*A", "f1", "*NEW", "f1\t!"}},
        {"an old record line listed twice goes twice",
         {"*A", "f1", "f1", "f2"},
         {"f1"},
         {"*A", "f2", "*NEW", "f1"}},
    };
    for (const MergeCase& c : cases) {
        EXPECT_EQ(MergeUpdateLog(c.Existing, c.Record, now, EqualIgnoringCase), c.Expected)
            << c.What;
    }
}

TEST(UpdateLogMerge, UsesTheGivenComparison) {
    auto exact = [](const std::string& a, const std::string& b) { return a == b; };
    EXPECT_EQ(MergeUpdateLog({"*A", "F1"}, {"f1"}, "*N", exact), (Lines{"*A", "F1", "*N", "f1"}));
}

TEST(InstallStamp, NoonOnSixthDecember2026) {
    const double stamp = 46362.5;
    EXPECT_EQ(InstallStampBytes(stamp), std::string("\x00\x00\x00\x00\x50\xA3\xE6\x40", 8));
    EXPECT_EQ(StampLine(stamp), "*0000000050A3E640");
}

TEST(InstallStamp, EveryByteInFileOrderHighDigitFirst) {
    // 1/3 has a full mantissa: every byte differs, so swapped digits or
    // reversed bytes show.
    const double third = 1.0 / 3.0;  // 0x3FD5555555555555
    EXPECT_EQ(StampLine(third), "*555555555555D53F");
    EXPECT_EQ(StampLine(-2.0), "*00000000000000C0");
}

}  // namespace
