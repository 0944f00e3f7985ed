// Path texts under a double-byte code page (932, Shift-JIS), where the
// second byte of a character may be 0x5C, the backslash.
#include "instutils/CodePage_host.h"
#include "instutils/InstUtils.h"

#include <gtest/gtest.h>

namespace {

// "ソフト" and "表": ソ is 83 5C, 表 is 95 5C.
const std::string Soft = "\x83\x5c\x83\x74\x83\x67";
const std::string Table = "\x95\x5c";

TEST(PathTextCp932, TrailingSeparatorIsAWholeCharacter)
{
    const THostCodePage cp932(932);
    std::string p = "C:\\" + Soft + "\\" + Table;
    EXPECT_FALSE(EndsWithBackslash(p));
    AppendPathSeparator(p);
    EXPECT_EQ(p, "C:\\" + Soft + "\\" + Table + "\\");
    EXPECT_TRUE(EndsWithBackslash(p));
    EXPECT_EQ(JoinPath("C:\\" + Table, "parv.exe"), "C:\\" + Table + "\\parv.exe");
}

TEST(PathTextCp932, FolderChainAndDrivePartStepOverSecondBytes)
{
    const THostCodePage cp932(932);
    EXPECT_EQ(ParentFolder("C:\\" + Soft + "\\" + Table), "C:\\" + Soft + "\\");
    EXPECT_EQ(ParentFolder("C:\\" + Soft + "\\"), "C:\\");
    EXPECT_EQ(ParentFolder("C:\\" + Soft), "C:\\");
    EXPECT_EQ(DrivePart("\\\\" + Table + "\\share\\x"), "\\\\" + Table + "\\share");
    EXPECT_EQ(DrivePart("\\\\srv\\" + Soft + "\\x"), "\\\\srv\\" + Soft);
    EXPECT_EQ(FindLastPathChar("C:\\" + Soft + "x", "\\"), 2u);
    EXPECT_EQ(FindPathChar(Table + "\\", '\\'), 2u);
    // A lead byte cut off at the end stands alone.
    EXPECT_EQ(ParentFolder("C:\\a\\\x95"), "C:\\a\\");
}

}  // namespace
