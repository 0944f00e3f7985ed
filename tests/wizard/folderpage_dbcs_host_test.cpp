// The folder page's rules under a double-byte code page (932, Shift-JIS).
#include "instutils/CodePage_host.h"
#include "wizard/FolderPage.h"

#include <gtest/gtest.h>

namespace {

TEST(FolderPageCp932, TypedFolderAndFolderListSplitAtSeparatorsOnly) {
    const THostCodePage cp932(932);
    // ソ is 83 5C, 表 is 95 5C, ポ is 83 7C ("|" as its second byte).
    const std::string so = "\x83\x5c", table = "\x95\x5c", po = "\x83\x7c";
    const std::string folder = "C:\\" + so + "\\" + table;
    EXPECT_EQ(NormalizeDestDirText(folder + "\\", 'c', "C:\\Program Files"), folder);
    EXPECT_EQ(CheckTypedFolder("C:\\" + po).Problem, TFolderProblem::None);
    EXPECT_EQ(FolderDepth(folder), 2);
    const auto rows = BuildFolderRows(folder, {}, true);
    ASSERT_EQ(rows.size(), 3u);
    EXPECT_EQ(rows[1].Text, so);
    EXPECT_EQ(rows[2].Text, table);
    EXPECT_EQ(WalkUpToExisting(folder + "\\" + so,
                               [&](const std::string& p) { return StripFolderSlash(p) == folder; }),
              folder);
}

}  // namespace
