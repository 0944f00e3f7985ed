// The folder page's rules under a double-byte code page (932, Shift-JIS).
#include "instutils/CodePage_host.h"
#include "wizard/FolderPage.h"

#include <gtest/gtest.h>

namespace {

// ソ is 83 5C, 表 is 95 5C, ポ is 83 7C ("|" as its second byte).
const std::string So = "\x83\x5c";
const std::string Table = "\x95\x5c";
const std::string Po = "\x83\x7c";

TEST(FolderPageCp932, TypedFolderKeepsItsLastCharacter) {
    const THostCodePage cp932(932);
    const std::string folder = "C:\\" + So + "\\" + Table;
    EXPECT_EQ(NormalizeDestDirText(folder, 'c', "C:\\Program Files"), folder);
    EXPECT_EQ(NormalizeDestDirText(folder + "\\", 'c', "C:\\Program Files"), folder);
    EXPECT_EQ(NormalizeDestDirText("C:\\" + Table + "\\", 'c', "C:\\Program Files"), "C:\\" + Table);
    // Nor is a "|" inside a character refused.
    EXPECT_EQ(CheckTypedFolder("C:\\" + Po).Problem, TFolderProblem::None);
}

TEST(FolderPageCp932, FolderListSplitsAtSeparatorsOnly) {
    const THostCodePage cp932(932);
    const std::string folder = "C:\\" + So + "\\" + Table;
    EXPECT_EQ(FolderDepth(folder), 2);
    EXPECT_EQ(StripFolderSlash("C:\\" + Table), "C:\\" + Table);
    const auto rows = BuildFolderRows(folder, {}, true);
    ASSERT_EQ(rows.size(), 3u);
    EXPECT_EQ(rows[1].Text, So);
    EXPECT_EQ(rows[2].Text, Table);
    EXPECT_EQ(rows[2].Path, folder);
    EXPECT_EQ(WalkUpToExisting(folder + "\\" + So, [&](const std::string& p) { return StripFolderSlash(p) == folder; }),
              folder);
}

}  // namespace
