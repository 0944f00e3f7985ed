#include "instutils/InstUtils.h"
#include "instutils/InstallLog.h"
#include "instutils/LogLines.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <fstream>
#include <iterator>
#include <thread>

namespace {

using Lines = std::vector<std::string>;

bool SameLength(const std::string& a, const std::string& b) { return a.size() == b.size(); }

TEST(LogLines, TheInjectedComparisonDecidesWhatIsADuplicate) {
    TLogLines log(&SameLength);
    EXPECT_TRUE(log.AddUnique("abc"));
    EXPECT_FALSE(log.AddUnique("xyz"));
    EXPECT_TRUE(log.AddUnique("abcd"));
    EXPECT_EQ(log.Lines(), (Lines{"abc", "abcd"}));
    log.Append({"qqq", "qqq"});  // loaded lines are not tested
    EXPECT_EQ(log.Lines(), (Lines{"abc", "abcd", "qqq", "qqq"}));
    EXPECT_FALSE(log.AddUnique("zzzz"));  // compared with loaded lines too
}

TEST(LogText, SplitLinesAtEveryKindOfBreak) {
    const struct {
        const char* text;
        Lines lines;
    } cases[] = {
        {"", {}},
        {"one", {"one"}},
        {"one\r\n", {"one"}},
        {"one\r\ntwo\r\n", {"one", "two"}},
        {"one\rtwo\nthree", {"one", "two", "three"}},
        {"one\n\rtwo", {"one", "", "two"}},  // LF then CR is two breaks
        {"one\r\n\r\ntwo", {"one", "", "two"}},
        {"\r\n", {""}},
    };
    for (const auto& c : cases) EXPECT_EQ(SplitLines(c.text), c.lines) << c.text;
}

TEST(LogText, EveryLineEndsWithCarriageReturnLineFeed) {
    EXPECT_EQ(JoinLogLines({}), "");
    EXPECT_EQ(JoinLogLines({"Made Dir: C:\\P\\", "File Copy: C:\\P\\parv.exe"}),
              "Made Dir: C:\\P\\\r\nFile Copy: C:\\P\\parv.exe\r\n");
    const Lines lines = {"a", "", "b"};
    EXPECT_EQ(SplitLines(JoinLogLines(lines)), lines);
}

// Every test has a log of its own.
class InstallLog : public ::testing::Test {
protected:
    void SetUp() override { Log.CreateInstallLog(); }
    void TearDown() override {
        EXPECT_EQ(Log.LogSuspensionCount(), 0) << "unbalanced suspension left behind";
    }
    TInstallLog Log;
};

TEST_F(InstallLog, SameLineInOtherCaseIsKeptOnceAsFirstSpelled) {
    Log.AddLogLine("File Copy: C:\\Parvela\\parv.exe");
    Log.AddLogLine("FILE COPY: c:\\parvela\\PARV.EXE");
    Log.AddLogLine("File Copy: C:\\Parvela\\License.txt");
    EXPECT_EQ(Log.InstallLogLines(),
              (Lines{"File Copy: C:\\Parvela\\parv.exe", "File Copy: C:\\Parvela\\License.txt"}));
}

TEST_F(InstallLog, SuspensionsNestAndDropLines) {
    Log.SuspendLogging();
    Log.AddLogLine("a");
    Log.SuspendLogging();
    Log.ResumeLogging();
    Log.AddLogLine("b");  // still suspended once
    EXPECT_EQ(Log.LogSuspensionCount(), 1);
    Log.ResumeLogging();
    Log.AddLogLine("c");
    EXPECT_EQ(Log.InstallLogLines(), Lines{"c"});
}

TEST_F(InstallLog, LinesBeforeTheLogExistGoNowhere) {
    Log.ReleaseInstallLog();
    EXPECT_FALSE(Log.InstallLogExists());
    Log.AddLogLine("early");
    EXPECT_TRUE(Log.InstallLogLines().empty());
    Log.CreateInstallLog();
    EXPECT_TRUE(Log.InstallLogExists());
    EXPECT_TRUE(Log.InstallLogLines().empty());
}

TEST_F(InstallLog, ReleaseDropsLinesAndPathButNotTheStartedFlag) {
    Log.SetLogFilePath("C:\\Parvela\\Install.log");
    Log.AddLogLine("x");
    Log.SetInstallStarted();
    Log.ReleaseInstallLog();
    EXPECT_FALSE(Log.InstallLogExists());
    EXPECT_EQ(Log.LogFilePath(), "");
    EXPECT_TRUE(Log.InstallStarted());
}

class InstallLogFile : public InstallLog {
protected:
    std::string path_ = ::testing::TempDir() + "instutils_install_log_test.log";
    void TearDown() override {
        std::remove(path_.c_str());
        InstallLog::TearDown();
    }
    void Write(const std::string& bytes) { std::ofstream(path_, std::ios::binary) << bytes; }
    std::string Read() {
        std::ifstream in(path_, std::ios::binary);
        return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
    }
};

TEST_F(InstallLogFile, ReinstallingTheSameFilesAddsNothing) {
    Write("Made Dir: C:\\P\\\r\nFile Copy: C:\\P\\parv.exe\r\n");
    ASSERT_TRUE(Log.LoadInstallLog(path_));
    Log.AddLogLine("Made Dir: C:\\P\\");
    Log.AddLogLine("File Copy: c:\\p\\parv.exe");
    Log.AddLogLine("File Copy: C:\\P\\License.txt");
    ASSERT_TRUE(Log.SaveInstallLog(path_));
    EXPECT_EQ(
        Read(),
        "Made Dir: C:\\P\\\r\nFile Copy: C:\\P\\parv.exe\r\nFile Copy: C:\\P\\License.txt\r\n");
}

TEST_F(InstallLogFile, LoadingAppendsAfterLinesAlreadyPresent) {
    Write("b\nc");
    Log.AddLogLine("a");
    ASSERT_TRUE(Log.LoadInstallLog(path_));
    EXPECT_EQ(Log.InstallLogLines(), (Lines{"a", "b", "c"}));
}

TEST_F(InstallLogFile, AMissingFileFailsToLoadAndChangesNothing) {
    Log.AddLogLine("a");
    EXPECT_FALSE(Log.LoadInstallLog(path_ + ".missing"));
    EXPECT_EQ(Log.InstallLogLines(), Lines{"a"});
}

TEST_F(InstallLogFile, WithoutALogAnExistingFileIsLeftAlone) {
    Write("kept\r\n");
    Log.ReleaseInstallLog();
    EXPECT_FALSE(Log.SaveInstallLog(path_));
    EXPECT_EQ(Read(), "kept\r\n");
}

TEST_F(InstallLog, ConcurrentWritersLoseNoLineAndAddNoDuplicate) {
    // The install thread adds while the window reads and suspends.
    constexpr int perThread = 300;
    auto writer = [this](char tag) {
        for (int i = 0; i < perThread; ++i) {
            std::string own(1, tag);
            own += std::to_string(i);
            Log.AddLogLine(own);
            Log.AddLogLine("shared " + std::to_string(i % 50));
        }
    };
    std::thread a(writer, 'a'), b(writer, 'b');
    for (int i = 0; i < 200; ++i) (void)Log.InstallLogLines();
    a.join();
    b.join();
    EXPECT_EQ(Log.InstallLogLines().size(), size_t(2 * perThread + 50));
}

}  // namespace
