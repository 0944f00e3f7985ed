#include "instutils/InstUtils.h"
#include "tests/instutils/Scratch_win.h"

#include <gtest/gtest.h>

namespace {

// Points the process's temporary folder at a private folder for one test.
class TempFiles : public ::testing::Test {
protected:
    void SetUp() override
    {
        saved_ = Variable("TMP");
        SetEnvironmentVariableA("TMP", s.Path().c_str());
    }
    void TearDown() override
    {
        SetEnvironmentVariableA("TMP", saved_.empty() ? nullptr : saved_.c_str());
    }
    static std::string Variable(const char* name)
    {
        char value[MAX_PATH + 1] = {};
        const DWORD len = GetEnvironmentVariableA(name, value, MAX_PATH);
        return len > 0 && len < MAX_PATH ? std::string(value, len) : std::string();
    }

    ScratchFolder s;
    const std::string prefix = TempNamePrefix();

private:
    std::string saved_;
};

TEST_F(TempFiles, TheTemporaryFolderComesInFolderForm)
{
    EXPECT_EQ(GetTempFolder(), s.Path());
    SetEnvironmentVariableA("TMP", std::string(s.Path(), 0, s.Path().size() - 1).c_str());
    EXPECT_EQ(GetTempFolder(), s.Path());
}

TEST_F(TempFiles, AMissingTemporaryFolderFallsBackToTheDocuments)
{
    SetEnvironmentVariableA("TMP", (s / "gone\\").c_str());
    std::string documents = GetShellFolder(CSIDL_PERSONAL_);
    ASSERT_FALSE(documents.empty());
    AppendPathSeparator(documents);
    EXPECT_EQ(GetTempFolder(), documents);
}

TEST_F(TempFiles, NamesSkipFilesButNotFolders)
{
    EXPECT_EQ(MakeTempFileName(), s / prefix + "0.tmp");
    EXPECT_EQ(MakeTempFileName(), s / prefix + "0.tmp");  // nothing created
    MakeFile(s / prefix + "0.tmp");
    MakeFile(s / prefix + "1.tmp");
    MakeFile(s / prefix + "3.tmp");
    EXPECT_EQ(MakeTempFileName(), s / prefix + "2.tmp");
    DeleteFileA((s / prefix + "0.tmp").c_str());
    ASSERT_TRUE(CreateDirectoryA((s / prefix + "0.tmp").c_str(), nullptr));
    EXPECT_EQ(MakeTempFileName(), s / prefix + "0.tmp");
}

TEST_F(TempFiles, LeftoversGoButOtherCaseAndOtherNamesStay)
{
    MakeFile(s / prefix + "0.tmp");
    MakeFile(s / prefix + "7.tmp");
    SetFileAttributesA((s / prefix + "7.tmp").c_str(), FILE_ATTRIBUTE_HIDDEN);
    CreateFolderChain(s / prefix + "dir\\nested\\");
    MakeFile(s / prefix + "dir\\nested\\inside.txt");
    MakeFile(s / prefix + "dir\\top.txt");
    const std::string otherCase = "~PARVELAWORDPROCESSORLITESETUP5.tmp";
    MakeFile(s / otherCase);
    MakeFile(s / "~Parvela.tmp");
    MakeFile(s / "unrelated.txt");

    RemoveTempLeftovers();

    EXPECT_FALSE(Exists(s / prefix + "0.tmp"));
    EXPECT_FALSE(Exists(s / prefix + "7.tmp"));
    EXPECT_FALSE(Exists(s / prefix + "dir"));
    EXPECT_TRUE(Exists(s / otherCase));
    EXPECT_TRUE(Exists(s / "~Parvela.tmp"));
    EXPECT_TRUE(Exists(s / "unrelated.txt"));
}

}  // namespace
