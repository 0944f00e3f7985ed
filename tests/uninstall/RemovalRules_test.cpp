// The removal decisions: what the log says, in which order folders go, which
// files stay, and what the user is told.
#include "uninstall/RemovalRules.h"

#include <gtest/gtest.h>

using namespace uninst;

namespace {

const std::vector<std::string> NoLines;

TEST(ReadInstallLogTest, SplitsFilesAndFoldersInLogOrder) {
    const TLogReading r = ReadInstallLog(
        "Made Dir: C:\\Program Files\\Parvela\\\r\n"
        "File Copy: C:\\Program Files\\Parvela\\parv.exe\r\n"
        "\r\n"
        "Made Dir: C:\\ProgramData\\Parvela\\Hidden\n"  // as a chain logs a folder given without
                                                        // "\"
        "File Copy: \\\\server\\share\\Parvela.lnk");
    ASSERT_FALSE(r.Damaged);
    EXPECT_EQ(r.Record.Folders, (std::vector<std::string>{"C:\\Program Files\\Parvela\\",
                                                          "C:\\ProgramData\\Parvela\\Hidden\\"}));
    EXPECT_EQ(r.Record.Files, (std::vector<std::string>{"C:\\Program Files\\Parvela\\parv.exe",
                                                        "\\\\server\\share\\Parvela.lnk"}));
}

TEST(ReadInstallLogTest, AnyUntrustworthyLineDamagesTheWholeLog) {
    const struct {
        std::string text;
        size_t badLine;
    } cases[] = {
        {"", 0},
        {"\r\n\r\n", 0},
        {"File Copy: C:\\a\\b.txt\r\nDelete: C:\\Windows\r\n", 2},
        {"File Copy: relative\\b.txt\r\n", 1},
        {"Made Dir: C:\\a\\..\\Windows\\\r\n", 1},
        {"File Copy: C:\\a\\.\\b.txt\r\n", 1},
        {"File Copy: C:\\a\\\\b.txt\r\n", 1},
        {"File Copy: C:\\a\\\r\n", 1},  // a folder where a file belongs
        {"File Copy: C:\\a\\b?.txt\r\n", 1},
        {"File Copy: C:/a/b.txt\r\n", 1},
        {"File Copy: \\\\server\\b.txt\r\n", 1},  // no share
        {"made dir: C:\\a\\\r\n", 1},
        {"File Copy: C:\\a\\b.txt\r\nFile Copy: C:\\a\\c.txt\r\nx\0y\r\n", 3},
    };
    for (const auto& c : cases) {
        const TLogReading r = ReadInstallLog(c.text);
        EXPECT_TRUE(r.Damaged) << c.text;
        EXPECT_EQ(r.BadLine, c.badLine) << c.text;
        EXPECT_TRUE(r.Record.Files.empty() && r.Record.Folders.empty()) << c.text;
    }
}

// Which logged paths the setup could have written, and the folders on the
// way that must not be links.
TEST(SetupPlacesTest, OnlyWhatTheSetupWritesAndTheFoldersOnTheWay) {
    const TSetupPlaces places{"C:\\Apps\\Parvela\\",
                              "C:\\ProgramData\\Parvela",
                              {"C:\\Users\\u\\Desktop", "C:\\Start Menu\\Programs\\"}};
    using Way = std::vector<std::string>;
    const struct {
        std::string path;
        bool folder;
        std::optional<Way> way;
    } cases[] = {
        {"C:\\Apps\\Parvela\\parv.exe", false, Way{"C:\\Apps\\Parvela\\"}},
        {"c:\\apps\\parvela\\Sub\\x.dat", false,
         Way{"C:\\Apps\\Parvela\\", "c:\\apps\\parvela\\Sub\\"}},
        {"C:\\ProgramData\\Parvela\\Public\\Templates\\L.dot", false,
         Way{"C:\\ProgramData\\Parvela\\", "C:\\ProgramData\\Parvela\\Public\\",
             "C:\\ProgramData\\Parvela\\Public\\Templates\\"}},
        {"C:\\Users\\u\\Desktop\\Parvela Word Processor.lnk", false, Way{}},
        {"C:\\Start Menu\\Programs\\parvela word processor.LNK", false, Way{}},
        {"C:\\Users\\u\\Desktop\\Report.doc", false, std::nullopt},
        {"C:\\Start Menu\\Programs\\Other.lnk", false, std::nullopt},
        {"C:\\Start Menu\\Programs\\Other\\Parvela Word Processor.lnk", false, std::nullopt},
        {"C:\\Apps\\Parvela2\\parv.exe", false, std::nullopt},
        {"C:\\Apps\\x.txt", false, std::nullopt},
        {"C:\\Apps\\Parvela\\", true, Way{"C:\\Apps\\Parvela\\"}},
        {"C:\\ProgramData\\Parvela\\Hidden", true,
         Way{"C:\\ProgramData\\Parvela\\", "C:\\ProgramData\\Parvela\\Hidden\\"}},
        {"C:\\Apps\\", true, Way{"C:\\Apps\\"}},  // made on the way to the main folder
        {"C:\\emptyvictimdir\\", true, std::nullopt},
        {"C:\\ProgramData\\", true, std::nullopt},
        {"C:\\Users\\u\\Desktop\\", true, std::nullopt},
    };
    for (const auto& c : cases)
        EXPECT_EQ(FoldersOnTheWay(c.path, c.folder, places), c.way) << c.path;
}

TEST(RemovalOrderTest, FoldersGoDeepestFirstEachOnce) {
    const std::vector<std::string> logged = {
        "C:\\Apps\\",        "C:\\Apps\\Parvela\\", "C:\\Data\\Parvela\\Hidden\\",
        "c:\\apps\\parvela", "C:\\Data\\",          "C:\\Data\\Parvela\\",
    };
    EXPECT_EQ(FoldersDeepestFirst(logged),
              (std::vector<std::string>{"C:\\Data\\Parvela\\Hidden\\", "C:\\Apps\\Parvela\\",
                                        "C:\\Data\\Parvela\\", "C:\\Apps\\", "C:\\Data\\"}));
    EXPECT_TRUE(FoldersDeepestFirst(NoLines).empty());
}

TEST(RemovalOrderTest, InsideMeansBelowNotBeside) {
    EXPECT_TRUE(IsInside("C:\\Apps\\Parvela\\parv.exe", "c:\\apps\\parvela"));
    EXPECT_TRUE(IsInside("C:\\Apps\\Parvela\\Sub\\x", "C:\\Apps\\Parvela\\"));
    EXPECT_FALSE(IsInside("C:\\Apps\\Parvela2\\parv.exe", "C:\\Apps\\Parvela"));
    EXPECT_FALSE(IsInside("C:\\Apps\\Parvela\\", "C:\\Apps\\Parvela"));
}

TEST(FileFateTest, PayloadFilesStayOnlyWhenTheirTimeMovedOffTheRecord) {
    const double record = 46083.604166666664;  // 2026-03-02 14:30:00
    const double second = 1.0 / 86400, hour = 1.0 / 24;
    const std::vector<TRecordTime> table = {{"parv.exe", record},
                                            {"Templates\\Letter.dot", record + 1}};
    ASSERT_EQ(RecordTimeOf("C:\\Apps\\PARV.EXE", table), record);
    EXPECT_EQ(RecordTimeOf("C:\\Data\\Public\\Templates\\Letter.dot", table), record + 1);
    EXPECT_FALSE(RecordTimeOf("C:\\Apps\\myparv.exe", table).has_value());
    EXPECT_FALSE(RecordTimeOf("parv.exe", table).has_value());

    auto fate = [&](double modified) {
        TFileFacts f;
        f.Exists = true;
        f.Modified = modified;
        f.RecordTime = record;
        f.NewerThanLog = true;  // not what decides for a payload file
        return JudgeFile(f);
    };
    EXPECT_EQ(fate(record), TFileFate::Remove);
    EXPECT_EQ(fate(record + hour), TFileFate::Remove);
    EXPECT_EQ(fate(record - hour), TFileFate::Remove);
    EXPECT_EQ(fate(record + 2 * second), TFileFate::Changed);
    EXPECT_EQ(fate(record + hour + 2 * second), TFileFate::Changed);
    EXPECT_EQ(fate(record + 2 * hour), TFileFate::Changed);
}

TEST(FileFateTest, OtherFilesStayWhenNewerThanTheLog) {
    TFileFacts f;
    f.Exists = true;
    EXPECT_EQ(JudgeFile(f), TFileFate::Remove);
    f.NewerThanLog = true;
    EXPECT_EQ(JudgeFile(f), TFileFate::Changed);
    f.Exists = false;
    EXPECT_EQ(JudgeFile(f), TFileFate::Gone);
}

TEST(UninstallEntryTest, OnlyAnEntryNamingThisProgramIsOurs) {
    const std::string exe = "C:\\Program Files\\Parvela\\parv.exe";
    EXPECT_TRUE(EntryNamesProgram(exe, "", exe));
    EXPECT_TRUE(EntryNamesProgram("c:\\program files\\parvela\\PARV.EXE", "", exe));
    EXPECT_FALSE(EntryNamesProgram("C:\\Other\\parv.exe", "\"" + exe + "\" -ui", exe));
    EXPECT_TRUE(EntryNamesProgram("", "\"" + exe + "\" -ui", exe));
    EXPECT_FALSE(EntryNamesProgram("", exe + " -ui", exe));
    EXPECT_FALSE(EntryNamesProgram("", "\"" + exe, exe));
    EXPECT_FALSE(EntryNamesProgram("", "", exe));
}

TEST(RemovalTextTest, FinalMessageListsWhatStayed) {
    TRemovalOutcome o;
    EXPECT_EQ(FinalText(o), "Parvela Word Processor has been removed from this computer.");
    o.Changed = {"C:\\P\\License.txt"};
    for (int i = 0; i < 12; ++i) o.Failed.push_back("C:\\P\\f" + std::to_string(i));
    o.SharedData = "C:\\ProgramData\\Parvela";
    const std::string text = FinalText(o);
    EXPECT_NE(text.find("were kept:\rC:\\P\\License.txt\r\r"), std::string::npos) << text;
    EXPECT_NE(text.find("\rC:\\P\\f9\r(and 2 more)"), std::string::npos) << text;
    EXPECT_EQ(text.find("C:\\P\\f10"), std::string::npos) << text;
    EXPECT_NE(text.find("\"C:\\ProgramData\\Parvela\" were kept"), std::string::npos) << text;
}

TEST(RemovalTextTest, LogProblemsNameTheFileAndTheLine) {
    TLogReading missing;
    EXPECT_NE(LogProblemText("C:\\P\\Install.log", missing)
                  .find("\"C:\\P\\Install.log\" is missing.\rNothing"),
              std::string::npos);
    const std::string damaged =
        LogProblemText("C:\\P\\Install.log", ReadInstallLog("File Copy: x\r\n"));
    EXPECT_NE(damaged.find("\"C:\\P\\Install.log\" is damaged (line 1).\rNothing was changed."),
              std::string::npos)
        << damaged;
    EXPECT_NE(LogProblemText("L", ReadInstallLog("")).find("is damaged (it is empty)."),
              std::string::npos);
}

}  // namespace
