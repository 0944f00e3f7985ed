// The removal rules under a double-byte code page (932), where a character's
// second byte may be 0x5C, the backslash, or 0x7C, the bar.
#include "instutils/CodePage_host.h"
#include "uninstall/RemovalRules.h"

#include <gtest/gtest.h>

using namespace uninst;

namespace {

TEST(ReadInstallLogTest, DoubleByteNamesEndingInASeparatorByteAreWhole) {
    const THostCodePage cp932(932);
    // 表ソ, 能力 表示, ポ: trail bytes 0x5C ('\') and 0x7C ('|').
    const std::string top = "C:\\\x95\x5c\x83\x5c\\",
                      main = top + "\x94\x5c\x97\xcd \x95\x5c\x8e\xa6\\",
                      exe = main + "\x83\x7c.exe";
    const TLogReading r = ReadInstallLog("Made Dir: " + top + "\r\nMade Dir: " + main +
                                         "\r\nFile Copy: " + exe + "\r\n");
    ASSERT_FALSE(r.Damaged) << r.BadLine;
    EXPECT_EQ(r.Record.Folders, (std::vector<std::string>{top, main}));
    EXPECT_EQ(r.Record.Files, std::vector<std::string>{exe});
    EXPECT_EQ(FoldersDeepestFirst(r.Record.Folders), (std::vector<std::string>{main, top}));
    // A name that only ends in a trail byte 0x5C is no folder form.
    EXPECT_EQ(RecordTimeOf(top + "parv.exe", {{"parv.exe", 1}}), 1.0);
    EXPECT_FALSE(RecordTimeOf("C:\\a\x95\x5cparv.exe", {{"parv.exe", 1}}).has_value());
}

TEST(SetupPlacesTest, TheWayStepsOverDoubleByteCharacters) {
    using Way = std::vector<std::string>;
    const THostCodePage cp932(932);
    const std::string main = "C:\\\x95\x5c\x83\x5c\\";  // 表ソ
    EXPECT_EQ(FoldersOnTheWay(main + "\x94\x5c\\a.txt", false, {main, "", {}}),
              (Way{main, main + "\x94\x5c\\"}));
}

}  // namespace
