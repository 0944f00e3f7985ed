#include <gtest/gtest.h>

#include <windows.h>
#include <ole2.h>
#include <zlib.h>

#include <cstring>
#include <memory>

#include "instutils/AppInterface.h"
#include "instutils/InstUtils.h"
#include "instutils/WinHandles.h"
#include "integration/FileSet.h"
#include "integration/Options.h"
#include "integration/RunState.h"
#include "payload/AttachFiles.h"
#include "payload/PayloadFormat.h"
#include "tests/support/Files_win.h"
#include "wizard/InstallRun.h"

namespace {

using Names = std::vector<std::string>;

using testfiles::Exists;
using testfiles::ReadAll;
using testfiles::WriteAll;

std::unique_ptr<TAttachedFiles> MakeReader() {
    std::string records;
    for (const char* n : {"parv.exe", "License.txt", "Basic.asn"})
        AppendRecord(records, n, 45000.5, n);
    uLongf len = compressBound(records.size());
    std::string packed(len, '\0');
    compress2(reinterpret_cast<Bytef*>(packed.data()), &len,
              reinterpret_cast<const Bytef*>(records.data()), records.size(), 9);
    return TAttachedFiles::Create(reinterpret_cast<const uint8_t*>(packed.data()), len);
}

class InstallRun : public ::testing::Test {
protected:
    void SetUp() override {
        char temp[MAX_PATH];
        GetTempPathA(MAX_PATH, temp);
        Main = std::string(temp) + "parvela-run-" + std::to_string(GetCurrentProcessId());
        DeleteFolderTree(Main);
        CreateDirectoryA(Main.c_str(), nullptr);
        Shared = GetShellFolder(CSIDL_COMMON_APPDATA_) + "\\Parvela\\";
        // The prefix is the tests' own: whatever an interrupted run left goes.
        DeleteFolderTree(Shared);
        ASSERT_FALSE(FolderExists(Shared)) << Shared;
        Run.Options.MainDir = Main;
        Run.Options.Extensions = "B";
        Run.SetFiles(MakeReader());
        Reader = Run.Files();
        ASSERT_NE(Reader, nullptr);
        OleInitialize(nullptr);
    }
    void TearDown() override {
        for (int csidl : {CSIDL_PROGRAMS_, CSIDL_COMMON_PROGRAMS_, CSIDL_DESKTOPDIRECTORY_,
                          CSIDL_COMMON_DESKTOPDIRECTORY_})
            DeleteFileA(Link(csidl).c_str());
        DeleteFolderTree(Main);
        DeleteFolderTree(Shared);
        DeleteFolderTree("R:\\RUN");
        OleUninitialize();
    }
    static std::string Link(int csidl) { return GetShellFolder(csidl) + "\\" + app::ShortcutFile; }

    std::string Main, Shared;
    TRunState Run;
    TAttachedFiles* Reader = nullptr;  // Run's
};

void ExpectCommonData(const std::string& bytes) {
    ASSERT_EQ(bytes.size(), 25u);
    EXPECT_EQ(bytes.substr(0, 8), std::string("\1\0\0\0\x08\0\0\0", 8));
    EXPECT_EQ(bytes.substr(16), std::string("\2\0\0\0\1\0\0\0"
                                            "1",
                                            9));
    double stamp = 0;
    std::memcpy(&stamp, bytes.data() + 8, 8);
    SYSTEMTIME st;
    GetLocalTime(&st);
    // Today's local date, whatever the time zone.
    FILETIME ft;
    SystemTimeToFileTime(&st, &ft);
    ULARGE_INTEGER u{{ft.dwLowDateTime, ft.dwHighDateTime}};
    const double today = static_cast<double>(u.QuadPart) / 864000000000.0 - 109205.0;
    EXPECT_NEAR(stamp, today, 2.0 / 24 / 60);
}

TEST_F(InstallRun, PortableCompletionWritesOnlyTheCommonData) {
    ASSERT_EQ(GetDriveTypeA("R:\\"), UINT(DRIVE_REMOVABLE));
    Run.Options.MainDir = "R:\\RUN";
    Run.Log.CreateInstallLog();
    const bool assoc[4] = {true, true, true, true};
    FinishPageEntry(Run, assoc, true, true);
    ExpectCommonData(ReadAll("R:\\RUN\\parv_common.dat"));
    EXPECT_EQ(Run.Options.Extensions, "B");
    for (int csidl : {CSIDL_PROGRAMS_, CSIDL_COMMON_PROGRAMS_, CSIDL_DESKTOPDIRECTORY_,
                      CSIDL_COMMON_DESKTOPDIRECTORY_})
        EXPECT_FALSE(Exists(Link(csidl))) << csidl;
    EXPECT_FALSE(FolderExists(Shared));

    // Finish of a portable installation leaves no update record.
    Reader->UpdateList = {"R:\\RUN\\x"};
    EXPECT_TRUE(FinishActions(Run, false));
    EXPECT_FALSE(Exists("R:\\RUN\\Update.log"));
    EXPECT_FALSE(FolderExists(Shared));
}

TEST_F(InstallRun, ShortcutsFollowTheScopeRule) {
    struct Case {
        bool ToAll, Desktop;
        Names Present, Absent;
    };
    const Case cases[] = {
        // Everyone: shortcuts in the all-users folders; the user's copies go.
        {true,
         true,
         {Link(CSIDL_COMMON_PROGRAMS_), Link(CSIDL_COMMON_DESKTOPDIRECTORY_)},
         {Link(CSIDL_PROGRAMS_), Link(CSIDL_DESKTOPDIRECTORY_)}},
        // No desktop box: the other scope's desktop link goes, the same scope's stays.
        {false,
         false,
         {Link(CSIDL_PROGRAMS_), Link(CSIDL_DESKTOPDIRECTORY_)},
         {Link(CSIDL_COMMON_PROGRAMS_), Link(CSIDL_COMMON_DESKTOPDIRECTORY_)}},
    };
    for (const Case& c : cases) {
        Run.Log.CreateInstallLog();
        for (int csidl : {CSIDL_PROGRAMS_, CSIDL_COMMON_PROGRAMS_, CSIDL_DESKTOPDIRECTORY_,
                          CSIDL_COMMON_DESKTOPDIRECTORY_}) {
            CreateFolderChain(GetShellFolder(csidl), &Run.Log);
            WriteAll(Link(csidl), "old");
        }
        const bool assoc[4] = {true, false, true, false};
        FinishPageEntry(Run, assoc, c.ToAll, c.Desktop);
        EXPECT_EQ(Run.Options.Extensions, "AC");
        ExpectCommonData(ReadAll(Shared + "parv_common.dat"));
        for (const std::string& p : c.Present) EXPECT_TRUE(Exists(p)) << p;
        for (const std::string& p : c.Absent) EXPECT_FALSE(Exists(p)) << p;
        // Made shortcuts are real links now, and logged.
        const std::string made = c.ToAll ? Link(CSIDL_COMMON_PROGRAMS_) : Link(CSIDL_PROGRAMS_);
        EXPECT_NE(ReadAll(made), "old");
        Names log = Run.Log.InstallLogLines();
        EXPECT_NE(std::find(log.begin(), log.end(), "File Copy: " + made), log.end());
        if (!c.Desktop) {
            EXPECT_EQ(ReadAll(Link(CSIDL_DESKTOPDIRECTORY_)), "old");
        }
        Run.Log.ReleaseInstallLog();
    }
}

TEST_F(InstallRun, FinishStopsWhenTheUpdateRecordCannotBeWritten) {
    Reader->UpdateList = {Shared + "Public\\Basic.asn"};
    const std::string log = Run.GetDataDir(TDataDir::Shared) + app::UpdateLogFile;
    WriteAll(log, "*0000000000000000\r\nkept\r\n");
    {
        TUniqueHandle lock(
            CreateFileA(log.c_str(), GENERIC_READ, 0, nullptr, OPEN_EXISTING, 0, nullptr));
        ASSERT_TRUE(lock.Valid());
        std::string error;
        EXPECT_FALSE(FinishActions(Run, false, &error));
        EXPECT_NE(error.find("Update.log"), std::string::npos);
    }
    EXPECT_EQ(ReadAll(log), "*0000000000000000\r\nkept\r\n");
    EXPECT_TRUE(FinishActions(Run, false));
    EXPECT_NE(ReadAll(log).find("\r\n" + Shared + "Public\\Basic.asn\r\n"), std::string::npos);
}

TEST_F(InstallRun, StartLoadsTheOldLogOfANormalInstallation) {
    WriteAll(Main + "\\Install.log", "Made Dir: X:\\A\\\r\nFile Copy: X:\\A\\b.txt\r\n");
    StartInstallRun(Run, 0x01);
    EXPECT_TRUE(Run.Log.InstallStarted());
    EXPECT_TRUE(Reader->FileSetMode);
    EXPECT_EQ(Run.Log.LogFilePath(), Main + "\\Install.log");
    Names lines = Run.Log.InstallLogLines();
    ASSERT_GE(lines.size(), 2u);
    EXPECT_EQ(lines[0], "Made Dir: X:\\A\\");
    EXPECT_EQ(lines[1], "File Copy: X:\\A\\b.txt");
    ASSERT_EQ(Reader->InstallLists[0].size(), 2u);
    EXPECT_EQ(Reader->InstallLists[0][0].Target, Main + "\\parv.exe");
}

TEST_F(InstallRun, StartOfAPortableRunKeepsNoLogFile) {
    Run.Options.MainDir = "R:\\RUN";
    CreateDirectoryA("R:\\RUN", nullptr);
    WriteAll("R:\\RUN\\Install.log", "File Copy: old\r\n");
    Run.Log.SetLogFilePath("");
    StartInstallRun(Run, 0x01);
    EXPECT_EQ(Run.Log.LogFilePath(), "");
    EXPECT_TRUE(Run.Log.InstallLogLines().empty());
    EXPECT_EQ(Reader->InstallLists[0].size(), 2u);
}

// ---- The stand-in application receives both commands --------------------------

template <class F>
bool WaitUntil(F condition, DWORD ms = 20000) {
    for (DWORD waited = 0; waited < ms; waited += 50) {
        if (condition()) return true;
        Sleep(50);
    }
    return condition();
}

std::string DefaultValue(const std::string& key) {
    char buf[256];
    LONG size = sizeof buf;
    if (RegQueryValueA(HKEY_CURRENT_USER, key.c_str(), buf, &size) != ERROR_SUCCESS) return "";
    return std::string(buf);
}

BOOL CALLBACK CloseMarkedWindow(HWND window, LPARAM) {
    if (GetPropA(window, app::RunningProperty)) PostMessageA(window, WM_CLOSE, 0, 0);
    return TRUE;
}

void RemoveApplicationTraces() {
    for (const char* ext : app::AssocExtensions)
        RegDeleteTreeA(HKEY_CURRENT_USER, (std::string("Software\\Classes\\") + ext).c_str());
    RegDeleteTreeA(HKEY_CURRENT_USER,
                   (std::string("Software\\Classes\\") + app::AssocProgId).c_str());
    RegDeleteTreeA(HKEY_CURRENT_USER, "Software\\Parvela Word Processor");
}

TEST_F(InstallRun, TheInstalledApplicationGetsBothCommands) {
    const std::string standIn = std::string(PARVELA_BIN_DIR) + "\\parv.exe";
    ASSERT_TRUE(Exists(standIn)) << "build the stand-in application (target parv) first";
    char temp[MAX_PATH];
    GetTempPathA(MAX_PATH, temp);
    const std::string commands = std::string(temp) + app::CommandLogFile;
    DeleteFileA(commands.c_str());
    RemoveApplicationTraces();

    // A blank in the folder name: the commands must quote the path.
    Run.Options.MainDir = Main + "\\Word Processor";
    CreateDirectoryA(Run.Options.MainDir.c_str(), nullptr);
    const std::string exe = Run.Options.MainDir + "\\parv.exe";
    ASSERT_TRUE(CopyFileA(standIn.c_str(), exe.c_str(), FALSE));

    Run.Log.CreateInstallLog();
    const bool assoc[4] = {false, true, false, true};
    FinishPageEntry(Run, assoc, false, false);
    EXPECT_TRUE(
        WaitUntil([] { return DefaultValue("Software\\Classes\\.docx") == app::AssocProgId; }));
    EXPECT_EQ(DefaultValue("Software\\Classes\\.cod"), app::AssocProgId);
    EXPECT_EQ(DefaultValue("Software\\Classes\\.rtf"), "");
    EXPECT_EQ(ReadAll(commands), "\"" + exe + "\" -assoc adpr_cod_docx\r\n");

    ASSERT_FALSE(IsAppRunning());
    EXPECT_TRUE(FinishActions(Run, true));
    EXPECT_TRUE(WaitUntil([] { return IsAppRunning(); }));
    EXPECT_EQ(ReadAll(commands), "\"" + exe + "\" -assoc adpr_cod_docx\r\n\"" + exe + "\"\r\n");

    EnumWindows(CloseMarkedWindow, 0);
    EXPECT_TRUE(WaitUntil([] { return !IsAppRunning(); }));
    // The process may still be ending; its file is released with it.
    EXPECT_TRUE(WaitUntil([&] { return DeleteFileA(exe.c_str()) || !Exists(exe); }, 10000));
    DeleteFileA(commands.c_str());
    RemoveApplicationTraces();
}

}  // namespace
