#include "wizard/CompPage.h"

#include <gtest/gtest.h>

namespace {

using S = TCheckState;

TEST(CheckToggling, FollowsTheThreeStates) {
    EXPECT_EQ(ToggledCheckState(S::Unchecked), S::Checked);
    EXPECT_EQ(ToggledCheckState(S::Checked), S::Unchecked);
    EXPECT_EQ(ToggledCheckState(S::Grayed), S::Unchecked);
    EXPECT_FALSE(IsSelectedState(S::Unchecked));
    EXPECT_TRUE(IsSelectedState(S::Checked));
    EXPECT_TRUE(IsSelectedState(S::Grayed));
}

TEST(CheckToggling, OnlyTheGlyphAreaToggles) {
    struct Case {
        int x, left, glyph;
        bool hits;
    };
    const Case cases[] = {
        {0, 0, 13, true},  {14, 0, 13, true},  {15, 0, 13, false}, {-1, 0, 13, false},
        {5, 5, 13, true},  {19, 5, 13, true},  {20, 5, 13, false}, {4, 5, 13, false},
        {25, 0, 26, true}, {28, 0, 26, false},
    };
    for (const Case& c : cases)
        EXPECT_EQ(HitsCheckGlyph(c.x, c.left, c.glyph), c.hits) << c.x << " " << c.left;
}

TEST(ApplicationRow, StaysGreyedAndKeepsTheFigures) {
    // Row 0 left its greyed state through a click: back to greyed, no recompute.
    for (S after : {S::Unchecked, S::Checked}) {
        S row0 = after;
        EXPECT_FALSE(ApplyClickCheckRule(row0, 0));
        EXPECT_EQ(row0, S::Grayed);
    }
    // Another row was toggled: row 0 still greyed, figures recomputed.
    S row0 = S::Grayed;
    EXPECT_TRUE(ApplyClickCheckRule(row0, 0));
    EXPECT_EQ(row0, S::Grayed);
    // A first row that is not the application is an ordinary row.
    S other = S::Unchecked;
    EXPECT_TRUE(ApplyClickCheckRule(other, 3));
    EXPECT_EQ(other, S::Unchecked);
}

std::vector<TCompRow> FirstRun() {
    return {{S::Grayed, 3 * 1048576}, {S::Checked, 4096},  {S::Checked, 8192},
            {S::Checked, 1048576},    {S::Checked, 20480}, {S::Checked, 0}};
}

TEST(DiskSpace, RequiredIsTheSumOfSelectedRows) {
    auto rows = FirstRun();
    auto all = ComputeDiskSpace(rows, int64_t{1} << 40);
    EXPECT_EQ(all.Required, 3 * 1048576 + 4096 + 8192 + 1048576 + 20480);
    EXPECT_EQ(all.RequiredText, "4 128 KB");
    EXPECT_EQ(all.AvailableText, "1 048 576 MB");
    EXPECT_TRUE(all.NextEnabled);

    rows[3].State = S::Unchecked;
    auto fewer = ComputeDiskSpace(rows, int64_t{1} << 40);
    EXPECT_EQ(fewer.Required, all.Required - 1048576);
    // Unticking and ticking again gives the same figures.
    rows[3].State = ToggledCheckState(rows[3].State);
    EXPECT_EQ(ComputeDiskSpace(rows, int64_t{1} << 40).RequiredText, all.RequiredText);

    // Only the application left: its greyed row still counts.
    for (size_t i = 1; i < rows.size(); ++i) rows[i].State = S::Unchecked;
    EXPECT_EQ(ComputeDiskSpace(rows, 0).Required, 3 * 1048576);
}

TEST(DiskSpace, NextNeedsEnoughFreeSpace) {
    std::vector<TCompRow> rows = {{S::Grayed, 5000}, {S::Checked, 5000}, {S::Unchecked, 1 << 30}};
    EXPECT_TRUE(ComputeDiskSpace(rows, 10000).NextEnabled);  // exactly enough
    EXPECT_FALSE(ComputeDiskSpace(rows, 9999).NextEnabled);
    rows[1].State = S::Unchecked;  // shrink until it fits
    EXPECT_TRUE(ComputeDiskSpace(rows, 9999).NextEnabled);
    EXPECT_EQ(ComputeDiskSpace(rows, 9999).AvailableText, "9 KB");
    // Nothing selected and a full disk: nothing needed, Next stays possible.
    rows[0].State = S::Unchecked;
    EXPECT_TRUE(ComputeDiskSpace(rows, 0).NextEnabled);
}

TEST(DiskSpace, FailedFreeSpaceQueryShowsZeroAndBlocksNext) {
    std::vector<TCompRow> rows = {{S::Grayed, 0}};
    auto f = ComputeDiskSpace(rows, std::nullopt);
    EXPECT_EQ(f.AvailableText, "0 KB");
    EXPECT_EQ(f.RequiredText, "0 KB");
    EXPECT_FALSE(f.NextEnabled);  // even with nothing required: the drive is unusable
}

TEST(DiskSpace, LargeSelectionsDoNotWrapIntoFreeSpace) {
    // Three rows near 2 GB: a 32-bit total would wrap negative and pass any disk.
    std::vector<TCompRow> rows(3, TCompRow{S::Checked, 2000000000});
    auto f = ComputeDiskSpace(rows, int64_t{4} << 30);
    EXPECT_EQ(f.Required, 6000000000LL);
    EXPECT_FALSE(f.NextEnabled);
    EXPECT_TRUE(ComputeDiskSpace(rows, 6000000000LL).NextEnabled);
}

}  // namespace
