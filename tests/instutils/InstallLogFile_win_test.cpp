#include "instutils/InstUtils.h"
#include "instutils/InstallLog.h"
#include "tests/instutils/Scratch_win.h"

#include <gtest/gtest.h>

namespace {

using Lines = std::vector<std::string>;

class InstallLogOnDisk : public ::testing::Test {
protected:
    void SetUp() override { Log.CreateInstallLog(); }
    TInstallLog Log;
    ScratchFolder s;
    const std::string file = s / "Install.log";
};

TEST_F(InstallLogOnDisk, SavedWithCarriageReturnLineFeedAfterEveryLineAndReloaded) {
    CreateFolderChain(s / "Main\\Sub\\", &Log);
    Log.AddLogLine("File Copy: " + s / "Main\\Sub\\parv.exe");
    ASSERT_TRUE(Log.SaveInstallLog(file));
    const std::string expected = "Made Dir: " + s / "Main\\\r\n" +
                                 "Made Dir: " + s / "Main\\Sub\\\r\n" +
                                 "File Copy: " + s / "Main\\Sub\\parv.exe\r\n";
    EXPECT_EQ(ReadBytes(file), expected);

    // The next installation into the same folder.
    Log.ReleaseInstallLog();
    Log.CreateInstallLog();
    ASSERT_TRUE(Log.LoadInstallLog(file));
    CreateFolderChain(s / "Main\\Sub\\", &Log);  // exists: nothing
    Log.AddLogLine("FILE COPY: " + s / "MAIN\\SUB\\PARV.EXE");
    Log.AddLogLine("File Copy: " + s / "Main\\License.txt");
    ASSERT_TRUE(Log.SaveInstallLog(file));
    EXPECT_EQ(ReadBytes(file), expected + "File Copy: " + s / "Main\\License.txt\r\n");
}

TEST_F(InstallLogOnDisk, ALongerOldFileIsReplacedWhole) {
    MakeFile(file, "old line one\r\nold line two\r\nold line three\r\n");
    Log.AddLogLine("new");
    ASSERT_TRUE(Log.SaveInstallLog(file));
    EXPECT_EQ(ReadBytes(file), "new\r\n");
}

// The earlier installations' lines are all an uninstaller has: a log that
// could not be read when the run started is merged once it can be read, and
// left as it is while it cannot.
TEST_F(InstallLogOnDisk, AnUnreadableLogIsMergedLaterOrLeftAlone) {
    MakeFile(file, "Made Dir: C:\\Old\\\r\n");
    {
        TUniqueHandle held(
            CreateFileA(file.c_str(), GENERIC_READ, 0, nullptr, OPEN_EXISTING, 0, nullptr));
        ASSERT_TRUE(held.Valid());
        EXPECT_FALSE(Log.LoadInstallLog(file));
        Log.AddLogLine("File Copy: C:\\New\\parv.exe");
        EXPECT_FALSE(Log.SaveInstallLog(file)) << "still held";
    }
    EXPECT_EQ(ReadBytes(file), "Made Dir: C:\\Old\\\r\n");
    ASSERT_TRUE(Log.SaveInstallLog(file));
    EXPECT_EQ(ReadBytes(file), "Made Dir: C:\\Old\\\r\nFile Copy: C:\\New\\parv.exe\r\n");

    // Over the size the loader takes: never rewritten from this run alone.
    const std::string big = s / "Big.log";
    const LONGLONG bigSize = (64 << 20) + 1;
    {
        TUniqueHandle h(
            CreateFileA(big.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr));
        LARGE_INTEGER at;
        at.QuadPart = bigSize;
        ASSERT_TRUE(SetFilePointerEx(h.Get(), at, nullptr, FILE_BEGIN) && SetEndOfFile(h.Get()));
    }
    Log.CreateInstallLog();
    EXPECT_FALSE(Log.LoadInstallLog(big));
    Log.AddLogLine("File Copy: C:\\New\\parv.exe");
    EXPECT_FALSE(Log.SaveInstallLog(big));
    WIN32_FILE_ATTRIBUTE_DATA data{};
    ASSERT_TRUE(GetFileAttributesExA(big.c_str(), GetFileExInfoStandard, &data));
    EXPECT_EQ(data.nFileSizeLow, DWORD(bigSize));
}

TEST_F(InstallLogOnDisk, FailuresAreReportedNotRaised) {
    EXPECT_FALSE(Log.LoadInstallLog(s / "absent.log"));
    EXPECT_FALSE(Log.SaveInstallLog(s / "no\\such\\folder\\Install.log"));
    EXPECT_FALSE(Exists(s / "no"));
}

TEST(LocaleCase, AccentedLettersOfTheCodePageFold) {
    if (GetACP() != 1252) GTEST_SKIP() << "needs the Western code page, have " << GetACP();
    EXPECT_TRUE(TextEqualsIgnoreCase("Caf\xE9 \xC4rger", "CAF\xC9 \xE4RGER"));
    EXPECT_FALSE(TextEqualsIgnoreCase("Caf\xE9", "Cafe"));
    EXPECT_TRUE(LogLinesEqual("File Copy: C:\\Caf\xE9\\x", "file copy: c:\\CAF\xC9\\X"));
    EXPECT_FALSE(LogLinesEqual("File Copy: C:\\Caf\xE9\\x", "File Copy: C:\\Cafe\\x"));
}

TEST(LocaleCase, LinesDifferingInMoreThanCaseStayApart) {
    EXPECT_FALSE(LogLinesEqual("Made Dir: C:\\A\\", "Made Dir: C:\\A"));
    EXPECT_FALSE(LogLinesEqual("a", "b"));
    EXPECT_FALSE(LogLinesEqual("", "x"));
    EXPECT_TRUE(LogLinesEqual("", ""));
    EXPECT_TRUE(TextEqualsIgnoreCase("", ""));
    EXPECT_FALSE(TextEqualsIgnoreCase("ab", "abc"));
}

}  // namespace
