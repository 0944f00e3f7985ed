// Runs under Wine with the system code page 932 (Shift-JIS), where the second
// byte of a double-byte character may be a backslash: typed folders keep
// their last character, and folder creation splits at separators only.
#include <windows.h>

#include <gtest/gtest.h>

#include "instutils/InstUtils.h"
#include "instutils/InstallLog.h"
#include "tests/instutils/Scratch_win.h"
#include "wizard/FolderPage.h"
#include "wizard/FolderPage_win.h"

namespace {

// ソフト and 表: ソ is 83 5C, 表 is 95 5C.
const std::string Soft = "\x83\x5c\x83\x74\x83\x67";
const std::string Table = "\x95\x5c";

std::vector<std::string> Entries(const std::string& folder) {
    std::vector<std::string> names;
    TFileSearch found(folder + "*");
    for (bool more = found.Valid(); more; more = found.Next()) {
        const std::string name = found.Entry().cFileName;
        if (name != "." && name != "..") names.push_back(name);
    }
    return names;
}

TEST(Cp932, TypedFolderIsNormalisedAndCreatedAsTyped) {
    ASSERT_EQ(GetACP(), 932u) << "scripts/wine-up boots this prefix with LC_ALL=ja_JP.UTF-8";
    ScratchFolder s;
    const std::string typed = s.Path() + Soft + "\\" + Table;
    const std::string folder =
        NormalizeDestDirText(typed + "\\", 'c', "C:\\Program Files", GetFullFolderPath);
    EXPECT_EQ(folder, typed);
    EXPECT_EQ(CheckTypedFolder(typed).Problem, TFolderProblem::None);

    TInstallLog log;
    log.CreateInstallLog();
    CreateFolderChain(JoinPath(folder, "Sub\\"), &log);
    const std::vector<std::string> made = {"Made Dir: " + s.Path() + Soft + "\\",
                                           "Made Dir: " + typed + "\\",
                                           "Made Dir: " + typed + "\\Sub\\"};
    EXPECT_EQ(log.InstallLogLines(), made);
    // No stray folder cut inside a character.
    EXPECT_EQ(Entries(s.Path()), std::vector<std::string>{Soft});
    EXPECT_EQ(Entries(s.Path() + Soft + "\\"), std::vector<std::string>{Table});
    EXPECT_TRUE(FolderExists(typed));
    EXPECT_TRUE(FolderExists(typed + "\\Sub\\"));
    DeleteFolderTree(s.Path() + Soft);
    EXPECT_TRUE(Entries(s.Path()).empty());
}

// The path limits count characters: a folder of 200 double-byte characters
// (400 bytes) leaves room for the files a normal installation puts in it.
TEST(Cp932, FolderLengthCountsCharactersNotBytes) {
    std::string folder = "C:\\";
    for (int i = 0; i < 100; ++i) folder += Soft.substr(0, 4);
    EXPECT_EQ(CheckMainDirPlace(folder, nullptr).Problem, TFolderProblem::None);
    folder += std::string(50, 'a');
    EXPECT_EQ(CheckMainDirPlace(folder, nullptr).Problem, TFolderProblem::TooLong);
}

}  // namespace
