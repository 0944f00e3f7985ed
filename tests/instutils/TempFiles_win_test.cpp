#include "instutils/InstUtils.h"
#include "tests/instutils/Scratch_win.h"

#include <gtest/gtest.h>

namespace {

// Points the process's temporary folder at a private folder for one test.
class TempFiles : public ::testing::Test {
protected:
    void SetUp() override {
        saved_ = Variable("TMP");
        SetEnvironmentVariableA("TMP", s.Path().c_str());
    }
    void TearDown() override {
        SetEnvironmentVariableA("TMP", saved_.empty() ? nullptr : saved_.c_str());
    }
    static std::string Variable(const char* name) {
        char value[MAX_PATH + 1] = {};
        const DWORD len = GetEnvironmentVariableA(name, value, MAX_PATH);
        return len > 0 && len < MAX_PATH ? std::string(value, len) : std::string();
    }

    ScratchFolder s;
    const std::string prefix = TempNamePrefix();

private:
    std::string saved_;
};

TEST_F(TempFiles, TheTemporaryFolderComesInFolderForm) {
    EXPECT_EQ(GetTempFolder(), s.Path());
    SetEnvironmentVariableA("TMP", std::string(s.Path(), 0, s.Path().size() - 1).c_str());
    EXPECT_EQ(GetTempFolder(), s.Path());
}

TEST_F(TempFiles, AMissingTemporaryFolderFallsBackToTheDocuments) {
    SetEnvironmentVariableA("TMP", (s / "gone\\").c_str());
    std::string documents = GetShellFolder(CSIDL_PERSONAL_);
    ASSERT_FALSE(documents.empty());
    AppendPathSeparator(documents);
    EXPECT_EQ(GetTempFolder(), documents);
}

TEST_F(TempFiles, NamesSkipFilesButNotFolders) {
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

TEST_F(TempFiles, LeftoversGoButOtherCaseAndOtherNamesStay) {
    MakeFile(s / prefix + "0.tmp");
    MakeFile(s / prefix + "7.tmp");
    SetFileAttributesA((s / prefix + "7.tmp").c_str(), FILE_ATTRIBUTE_HIDDEN);
    CreateFolderChain(s / prefix + "dir\\nested\\", nullptr);
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

TEST_F(TempFiles, ALinkPlantedUnderALeftoverNameTakesNothingWithIt) {
    ScratchFolder elsewhere;
    CreateFolderChain(elsewhere / "sub\\", nullptr);
    const char* const files[] = {"one.txt", "two.txt", "three.txt", "sub\\four.txt"};
    for (const char* name : files) MakeFile(elsewhere / name);
    const std::string link = s / prefix + "J";
    ASSERT_TRUE(MakeFolderLink(link, elsewhere.Path()));

    RemoveTempLeftovers();

    for (const char* name : files) EXPECT_TRUE(Exists(elsewhere / name)) << name;
    RemoveFolderLink(link);
}

// Points the user's documents folder somewhere that does not exist.
class DocumentsGone {
public:
    explicit DocumentsGone(const std::string& missing) {
        if (RegOpenKeyExA(HKEY_CURRENT_USER, Key, 0, KEY_QUERY_VALUE | KEY_SET_VALUE,
                          key_.OutPtr()) != ERROR_SUCCESS)
            return;
        char value[MAX_PATH + 1] = {};
        DWORD size = MAX_PATH, type = 0;
        if (RegQueryValueExA(key_.Get(), "Personal", nullptr, &type, reinterpret_cast<BYTE*>(value),
                             &size) == ERROR_SUCCESS)
            saved_ = std::string(value, strnlen(value, size));
        RegSetValueExA(key_.Get(), "Personal", 0, REG_EXPAND_SZ,
                       reinterpret_cast<const BYTE*>(missing.c_str()), DWORD(missing.size() + 1));
    }
    ~DocumentsGone() {
        if (!saved_.empty())
            RegSetValueExA(key_.Get(), "Personal", 0, REG_EXPAND_SZ,
                           reinterpret_cast<const BYTE*>(saved_.c_str()), DWORD(saved_.size() + 1));
    }

private:
    static constexpr const char* Key =
        "Software\\Microsoft\\Windows\\CurrentVersion\\Explorer\\User Shell Folders";
    TRegKey key_;
    std::string saved_;
};

TEST_F(TempFiles, WithoutATemporaryFolderTheCleanUpTouchesNothing) {
    SetEnvironmentVariableA("TMP", (s / "gone\\").c_str());
    DocumentsGone documents(s / "gone too");
    ASSERT_EQ(GetTempFolder(), "") << "the test needs both folders missing";
    MakeFile(s / prefix + "0.tmp");
    CreateFolderChain(s / prefix + "dir\\", nullptr);
    MakeFile(s / prefix + "dir\\inside.txt");
    CurrentFolderScope inScratch(s.Path());

    RemoveTempLeftovers();

    EXPECT_TRUE(Exists(s / prefix + "0.tmp"));
    EXPECT_TRUE(Exists(s / prefix + "dir\\inside.txt"));
}

}  // namespace
