#include "instutils/InstUtils.h"
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

// The program-wide log; every test starts from a fresh one.
class InstallLog : public ::testing::Test {
protected:
    void SetUp() override { CreateInstallLog(); }
    void TearDown() override {
        ReleaseInstallLog();
        EXPECT_EQ(LogSuspensionCount(), 0) << "unbalanced suspension left behind";
    }
};

TEST_F(InstallLog, SameLineInOtherCaseIsKeptOnceAsFirstSpelled) {
    AddLogLine("File Copy: C:\\Parvela\\parv.exe");
    AddLogLine("FILE COPY: c:\\parvela\\PARV.EXE");
    AddLogLine("File Copy: C:\\Parvela\\License.txt");
    EXPECT_EQ(InstallLogLines(),
              (Lines{"File Copy: C:\\Parvela\\parv.exe", "File Copy: C:\\Parvela\\License.txt"}));
}

TEST_F(InstallLog, SuspensionsNestAndDropLines) {
    SuspendLogging();
    AddLogLine("a");
    SuspendLogging();
    ResumeLogging();
    AddLogLine("b");  // still suspended once
    EXPECT_EQ(LogSuspensionCount(), 1);
    ResumeLogging();
    AddLogLine("c");
    EXPECT_EQ(InstallLogLines(), Lines{"c"});
}

TEST_F(InstallLog, LinesBeforeTheLogExistGoNowhere) {
    ReleaseInstallLog();
    EXPECT_FALSE(InstallLogExists());
    AddLogLine("early");
    EXPECT_TRUE(InstallLogLines().empty());
    CreateInstallLog();
    EXPECT_TRUE(InstallLogExists());
    EXPECT_TRUE(InstallLogLines().empty());
}

TEST_F(InstallLog, ReleaseDropsLinesAndPathButNotTheStartedFlag) {
    SetLogFilePath("C:\\Parvela\\Install.log");
    AddLogLine("x");
    SetInstallStarted();
    ReleaseInstallLog();
    EXPECT_FALSE(InstallLogExists());
    EXPECT_EQ(LogFilePath(), "");
    EXPECT_TRUE(InstallStarted());
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
    ASSERT_TRUE(LoadInstallLog(path_));
    AddLogLine("Made Dir: C:\\P\\");
    AddLogLine("File Copy: c:\\p\\parv.exe");
    AddLogLine("File Copy: C:\\P\\License.txt");
    ASSERT_TRUE(SaveInstallLog(path_));
    EXPECT_EQ(
        Read(),
        "Made Dir: C:\\P\\\r\nFile Copy: C:\\P\\parv.exe\r\nFile Copy: C:\\P\\License.txt\r\n");
}

TEST_F(InstallLogFile, LoadingAppendsAfterLinesAlreadyPresent) {
    Write("b\nc");
    AddLogLine("a");
    ASSERT_TRUE(LoadInstallLog(path_));
    EXPECT_EQ(InstallLogLines(), (Lines{"a", "b", "c"}));
}

TEST_F(InstallLogFile, AMissingFileFailsToLoadAndChangesNothing) {
    AddLogLine("a");
    EXPECT_FALSE(LoadInstallLog(path_ + ".missing"));
    EXPECT_EQ(InstallLogLines(), Lines{"a"});
}

TEST_F(InstallLogFile, WithoutALogAnExistingFileIsLeftAlone) {
    Write("kept\r\n");
    ReleaseInstallLog();
    EXPECT_FALSE(SaveInstallLog(path_));
    EXPECT_EQ(Read(), "kept\r\n");
}

TEST_F(InstallLog, ConcurrentWritersLoseNoLineAndAddNoDuplicate) {
    // The install thread adds while the window reads and suspends.
    constexpr int perThread = 300;
    auto writer = [](char tag) {
        for (int i = 0; i < perThread; ++i) {
            std::string own(1, tag);
            own += std::to_string(i);
            AddLogLine(own);
            AddLogLine("shared " + std::to_string(i % 50));
        }
    };
    std::thread a(writer, 'a'), b(writer, 'b');
    for (int i = 0; i < 200; ++i) (void)InstallLogLines();
    a.join();
    b.join();
    EXPECT_EQ(InstallLogLines().size(), size_t(2 * perThread + 50));
}

}  // namespace
