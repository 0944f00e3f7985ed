// Path texts under a double-byte code page (932, Shift-JIS), where the
// second byte of a character may be 0x5C, the backslash.
#include "instutils/CodePage_host.h"
#include "instutils/InstUtils.h"

#include <gtest/gtest.h>

namespace {

TEST(PathTextCp932, SeparatorsAreWholeCharactersOnly) {
    const THostCodePage cp932(932);
    const std::string soft = "\x83\x5c\x83\x74\x83\x67", table = "\x95\x5c";  // ソフト, 表
    std::string p = "C:\\" + soft + "\\" + table;
    AppendPathSeparator(p);
    EXPECT_EQ(p, "C:\\" + soft + "\\" + table + "\\");
    EXPECT_EQ(ParentFolder(p), "C:\\" + soft + "\\");
    EXPECT_EQ(ParentFolder("C:\\" + soft + "\\"), "C:\\");
    EXPECT_EQ(DrivePart("\\\\" + table + "\\share\\x"), "\\\\" + table + "\\share");
    // A lead byte cut off at the end stands alone.
    EXPECT_EQ(ParentFolder("C:\\a\\\x95"), "C:\\a\\");
}

}  // namespace
