#include "instutils/InstUtils.h"
#include "tests/instutils/Scratch_win.h"

#include <gtest/gtest.h>

namespace {

using Lines = std::vector<std::string>;

class InstallLogOnDisk : public ::testing::Test {
protected:
    void SetUp() override { CreateInstallLog(); }
    void TearDown() override { ReleaseInstallLog(); }
    ScratchFolder s;
    const std::string file = s / "Install.log";
};

TEST_F(InstallLogOnDisk, SavedWithCarriageReturnLineFeedAfterEveryLineAndReloaded)
{
    CreateFolderChain(s / "Main\\Sub\\");
    AddLogLine("File Copy: " + s / "Main\\Sub\\parv.exe");
    ASSERT_TRUE(SaveInstallLog(file));
    const std::string expected = "Made Dir: " + s / "Main\\\r\n" + "Made Dir: " + s / "Main\\Sub\\\r\n" +
                                 "File Copy: " + s / "Main\\Sub\\parv.exe\r\n";
    EXPECT_EQ(ReadBytes(file), expected);

    // The next installation into the same folder.
    ReleaseInstallLog();
    CreateInstallLog();
    ASSERT_TRUE(LoadInstallLog(file));
    CreateFolderChain(s / "Main\\Sub\\");  // exists: nothing
    AddLogLine("FILE COPY: " + s / "MAIN\\SUB\\PARV.EXE");
    AddLogLine("File Copy: " + s / "Main\\License.txt");
    ASSERT_TRUE(SaveInstallLog(file));
    EXPECT_EQ(ReadBytes(file), expected + "File Copy: " + s / "Main\\License.txt\r\n");
}

TEST_F(InstallLogOnDisk, ALongerOldFileIsReplacedWhole)
{
    MakeFile(file, "old line one\r\nold line two\r\nold line three\r\n");
    AddLogLine("new");
    ASSERT_TRUE(SaveInstallLog(file));
    EXPECT_EQ(ReadBytes(file), "new\r\n");
}

TEST_F(InstallLogOnDisk, FailuresAreReportedNotRaised)
{
    EXPECT_FALSE(LoadInstallLog(s / "absent.log"));
    EXPECT_FALSE(SaveInstallLog(s / "no\\such\\folder\\Install.log"));
    EXPECT_FALSE(Exists(s / "no"));
}

TEST(LocaleCase, AccentedLettersOfTheCodePageFold)
{
    if (GetACP() != 1252)
        GTEST_SKIP() << "needs the Western code page, have " << GetACP();
    EXPECT_TRUE(TextEqualsIgnoreCase("Caf\xE9 \xC4rger", "CAF\xC9 \xE4RGER"));
    EXPECT_FALSE(TextEqualsIgnoreCase("Caf\xE9", "Cafe"));
    EXPECT_TRUE(LogLinesEqual("File Copy: C:\\Caf\xE9\\x", "file copy: c:\\CAF\xC9\\X"));
    EXPECT_FALSE(LogLinesEqual("File Copy: C:\\Caf\xE9\\x", "File Copy: C:\\Cafe\\x"));
}

TEST(LocaleCase, LinesDifferingInMoreThanCaseStayApart)
{
    EXPECT_FALSE(LogLinesEqual("Made Dir: C:\\A\\", "Made Dir: C:\\A"));
    EXPECT_FALSE(LogLinesEqual("a", "b"));
    EXPECT_FALSE(LogLinesEqual("", "x"));
    EXPECT_TRUE(LogLinesEqual("", ""));
    EXPECT_TRUE(TextEqualsIgnoreCase("", ""));
    EXPECT_FALSE(TextEqualsIgnoreCase("ab", "abc"));
}

}  // namespace
