#include <gtest/gtest.h>

#include "WinTestSupport.h"
#include "instutils/AppInterface.h"
#include "instutils/InstUtils.h"
#include "integration/Options.h"
#include "integration/RunState.h"
#include "integration/Registry_win.h"
#include "tests/e2e/Machine.h"
#include "tests/support/ImportPatch_win.h"

using namespace testsupport;

namespace {

const std::string InstallKeyPath = app::InstallKey;
const std::string InternalKeyPath = std::string(app::InternalKey).substr(1);

class Settings : public ::testing::Test {
protected:
    void SetUp() override { DeleteKeys(); }
    void TearDown() override { DeleteKeys(); }
    TRunState Run;
};

DWORD ValueCount(HKEY root, const std::string& key, DWORD* subkeys = nullptr) {
    TRegKey k = OpenExisting(root, key);
    DWORD values = 0, keys = 0;
    if (k)
        RegQueryInfoKeyA(k.Get(), nullptr, nullptr, nullptr, &keys, nullptr, nullptr, &values,
                         nullptr, nullptr, nullptr, nullptr);
    if (subkeys) *subkeys = keys;
    return values;
}

TEST_F(Settings, RegistryLayerPathsAndRoots) {
    TRegistry r;
    EXPECT_EQ(r.RootKey(), HKEY_CURRENT_USER);
    ASSERT_TRUE(r.OpenKey(InstallKeyPath));
    // Relative to the open key.
    ASSERT_TRUE(r.OpenKey("Nested"));
    r.WriteInteger("N", 7);
    EXPECT_EQ(Dword(ReadValue(HKEY_CURRENT_USER, InstallKeyPath + "\\Nested", "N")), 7u);
    // A leading backslash starts from the root again.
    ASSERT_TRUE(r.OpenKey(app::InternalKey));
    r.WriteString("S", "x");
    EXPECT_TRUE(ReadValue(HKEY_CURRENT_USER, InternalKeyPath, "S").Found);
    EXPECT_FALSE(KeyExists(HKEY_CURRENT_USER, InstallKeyPath + "\\Nested\\Software"));
    // Changing the root closes the key: nothing is written until one is opened.
    r.SetRootKey(HKEY_LOCAL_MACHINE);
    EXPECT_EQ(r.CurrentKey(), nullptr);
    r.WriteString("Lost", "x");
    EXPECT_FALSE(r.ValueExists("S"));
    EXPECT_FALSE(ReadValue(HKEY_CURRENT_USER, InternalKeyPath, "Lost").Found);
}

TEST_F(Settings, RegistryLayerValueFormats) {
    TRegistry r;
    ASSERT_TRUE(r.OpenKey(InstallKeyPath));
    r.WriteString("Str", "abc");
    r.WriteInteger("Int", -2);
    r.WriteBool("On", true);
    r.WriteBool("Off", false);
    TValue s = ReadValue(HKEY_CURRENT_USER, InstallKeyPath, "Str");
    EXPECT_EQ(s.Type, DWORD(REG_SZ));
    EXPECT_EQ(s.Data, Sz("abc"));
    EXPECT_EQ(ReadValue(HKEY_CURRENT_USER, InstallKeyPath, "Int").Type, DWORD(REG_DWORD));
    EXPECT_EQ(r.ReadInteger("Int"), -2);
    EXPECT_EQ(Dword(ReadValue(HKEY_CURRENT_USER, InstallKeyPath, "On")), 1u);
    EXPECT_EQ(Dword(ReadValue(HKEY_CURRENT_USER, InstallKeyPath, "Off")), 0u);
    EXPECT_TRUE(r.ReadBool("On"));
    EXPECT_FALSE(r.ReadBool("Off"));

    // Strings end at the first NUL; an empty value reads as empty; any type exists.
    SetValue(HKEY_CURRENT_USER, InstallKeyPath, "Embedded", REG_SZ, std::string("ab\0cd\0", 6));
    SetValue(HKEY_CURRENT_USER, InstallKeyPath, "Empty", REG_SZ, "");
    SetValue(HKEY_CURRENT_USER, InstallKeyPath, "Unterminated", REG_BINARY, "xyz");
    EXPECT_EQ(r.ReadString("Embedded"), "ab");
    EXPECT_EQ(r.ReadString("Empty"), "");
    EXPECT_TRUE(r.ValueExists("Empty"));
    EXPECT_EQ(r.ReadString("Unterminated"), "xyz");
    EXPECT_TRUE(r.ValueExists("Unterminated"));
    EXPECT_FALSE(r.ValueExists("Absent"));
    EXPECT_EQ(r.ReadString("Absent"), "");
    EXPECT_EQ(r.ReadInteger("Absent"), 0);
}

TEST_F(Settings, FirstRunDefaultsCreateEmptyKeysOnly) {
    TPlainControls c;
    Run.LoadOptions(c);
    EXPECT_EQ(Run.Options.MainDir, GetShellFolder(CSIDL_PROGRAM_FILES_) + "\\Parvela");
    EXPECT_EQ(Run.Options.Comps, 0x7FFFFFFFu);
    EXPECT_EQ(c.Rows[0], TCheckState::Grayed);
    for (int i = 1; i < 6; ++i) EXPECT_EQ(c.Rows[i], TCheckState::Checked) << i;
    EXPECT_EQ(c.CurrentRow, 1);
    EXPECT_TRUE(c.Boxes[0] && c.Boxes[1] && c.Boxes[2]);
    EXPECT_EQ(Run.Options.Extensions, "B");
    EXPECT_EQ(Run.LastRunVersion, app::LastRunVerUnknown);

    // A cancelled run leaves just the two empty keys behind.
    DWORD subkeys = 9;
    EXPECT_TRUE(KeyExists(HKEY_CURRENT_USER, InstallKeyPath));
    EXPECT_TRUE(KeyExists(HKEY_CURRENT_USER, InternalKeyPath));
    EXPECT_EQ(ValueCount(HKEY_CURRENT_USER, InstallKeyPath, &subkeys), 0u);
    EXPECT_EQ(subkeys, 0u);
    EXPECT_EQ(ValueCount(HKEY_CURRENT_USER, InternalKeyPath), 0u);
    EXPECT_EQ(ValueCount(HKEY_CURRENT_USER, ProductKey, &subkeys), 0u);
    EXPECT_EQ(subkeys, 2u);
}

TEST_F(Settings, StoredValuesAreLoaded) {
    TScratchFolder folder("load");
    SetValue(HKEY_CURRENT_USER, InstallKeyPath, "MAINDIR", REG_SZ, Sz(folder.Path));
    SetDword(HKEY_CURRENT_USER, InstallKeyPath, "COMPS (1.6.6.2)", 0x15);  // rows 0, 2, 4
    SetDword(HKEY_CURRENT_USER, InstallKeyPath, "INSTALLTOALL", 0);
    SetDword(HKEY_CURRENT_USER, InstallKeyPath, "DSKSHORTCUT", 5);
    SetDword(HKEY_CURRENT_USER, InstallKeyPath, "LAUNCH", 0);
    SetValue(HKEY_CURRENT_USER, InstallKeyPath, "EXTENSIONS", REG_SZ, Sz(""));
    SetDword(HKEY_CURRENT_USER, InternalKeyPath, "LastRunVer", 20000000);

    TPlainControls c;
    Run.LoadOptions(c);
    EXPECT_EQ(Run.Options.MainDir, folder.Path);
    EXPECT_EQ(Run.Options.Comps, 0x15u);
    const TCheckState expected[6] = {TCheckState::Grayed,  TCheckState::Unchecked,
                                     TCheckState::Checked, TCheckState::Unchecked,
                                     TCheckState::Checked, TCheckState::Unchecked};
    for (int i = 0; i < 6; ++i) EXPECT_EQ(c.Rows[i], expected[i]) << i;
    EXPECT_FALSE(c.Boxes[static_cast<int>(TOptionBox::InstallToAll)]);
    EXPECT_TRUE(c.Boxes[static_cast<int>(TOptionBox::Desktop)]);
    EXPECT_FALSE(c.Boxes[static_cast<int>(TOptionBox::Launch)]);
    EXPECT_EQ(Run.Options.Extensions, "");
    EXPECT_EQ(Run.LastRunVersion, 20000000);
}

TEST_F(Settings, MissingFolderAndZeroComponentsFallBack) {
    SetValue(HKEY_CURRENT_USER, InstallKeyPath, "MAINDIR", REG_SZ,
             Sz("C:\\no such folder\\Parvela"));
    SetDword(HKEY_CURRENT_USER, InstallKeyPath, "COMPS (1.6.6.2)", 0);
    TPlainControls c;
    Run.LoadOptions(c);
    EXPECT_EQ(Run.Options.MainDir, GetShellFolder(CSIDL_PROGRAM_FILES_) + "\\Parvela");
    EXPECT_EQ(c.Rows[0], TCheckState::Grayed);
    for (int i = 1; i < 6; ++i) EXPECT_EQ(c.Rows[i], TCheckState::Unchecked) << i;
}

TEST_F(Settings, SaveWritesTheInstallKey) {
    struct Case {
        bool SpellcheckTicked;
        uint32_t Loaded;  // absent when 0x7FFFFFFF
        DWORD Expected;
    };
    const Case cases[] = {
        {true, 0x7FFFFFFF, 0x7FFFFFFE},
        {false, 0x7FFFFFFF, 0x7FFFFFFC},
        {true, 0xC0000040, 0xC000007E},  // bits 6..31 kept as loaded
    };
    for (const Case& k : cases) {
        DeleteKeys();
        TScratchFolder folder("save");
        WriteBytes(folder / "parv.exe", 1);
        SetValue(HKEY_CURRENT_USER, InstallKeyPath, "MAINDIR", REG_SZ, Sz(folder.Path));
        if (k.Loaded != 0x7FFFFFFF)
            SetDword(HKEY_CURRENT_USER, InstallKeyPath, "COMPS (1.6.6.2)", k.Loaded);
        TPlainControls c;
        Run.LoadOptions(c);
        for (int i = 1; i < 6; ++i) c.Rows[i] = TCheckState::Checked;
        if (!k.SpellcheckTicked) c.Rows[1] = TCheckState::Unchecked;
        c.Boxes[static_cast<int>(TOptionBox::InstallToAll)] = false;
        c.Boxes[static_cast<int>(TOptionBox::Desktop)] = true;
        c.Boxes[static_cast<int>(TOptionBox::Launch)] = false;
        Run.Options.Extensions = "";
        Run.SaveOptions(c);

        TValue comps = ReadValue(HKEY_CURRENT_USER, InstallKeyPath, "COMPS (1.6.6.2)");
        EXPECT_EQ(comps.Type, DWORD(REG_DWORD));
        EXPECT_EQ(Dword(comps), k.Expected) << std::hex << k.Loaded;
        EXPECT_EQ(ReadValue(HKEY_CURRENT_USER, InstallKeyPath, "MAINDIR").Data, Sz(folder.Path));
        EXPECT_EQ(Dword(ReadValue(HKEY_CURRENT_USER, InstallKeyPath, "INSTALLTOALL")), 0u);
        EXPECT_EQ(Dword(ReadValue(HKEY_CURRENT_USER, InstallKeyPath, "DSKSHORTCUT")), 1u);
        EXPECT_EQ(Dword(ReadValue(HKEY_CURRENT_USER, InstallKeyPath, "LAUNCH")), 0u);
        TValue ext = ReadValue(HKEY_CURRENT_USER, InstallKeyPath, "EXTENSIONS");
        EXPECT_TRUE(ext.Found);
        EXPECT_EQ(ext.Type, DWORD(REG_SZ));
        EXPECT_EQ(ext.Data, Sz(""));
        // A normal installation is registered.
        EXPECT_TRUE(ReadValue(HKEY_LOCAL_MACHINE, UninstallKey, "DisplayIcon").Found);
        EXPECT_EQ(ValueCount(HKEY_CURRENT_USER, InternalKeyPath), 0u);

        // What was saved is what the next run loads.
        TPlainControls next;
        Run.LoadOptions(next);
        EXPECT_EQ(next.Rows[1], k.SpellcheckTicked ? TCheckState::Checked : TCheckState::Unchecked);
        EXPECT_EQ(Run.Options.Extensions, "");
        EXPECT_FALSE(next.Boxes[static_cast<int>(TOptionBox::Launch)]);
    }
}

TEST_F(Settings, PortableFolderOnRemovableDrive) {
    ASSERT_EQ(GetDriveTypeA("R:\\"), UINT(DRIVE_REMOVABLE)) << "scripts/wine-up sets up drive R:";
    const std::string main = "R:\\PortableParvela";
    DeleteFolderTree(main);
    Run.Options.MainDir = main;
    EXPECT_TRUE(Run.IsPortable());
    EXPECT_EQ(Run.GetDataDir(TDataDir::Shared), main + "\\");
    EXPECT_EQ(Run.GetDataDir(TDataDir::Hidden), main + "\\");
    EXPECT_EQ(Run.GetDataDir(TDataDir::Public), main + "\\");
    EXPECT_EQ(Run.GetDataDir(TDataDir::Spellcheck), main + "\\Spellcheck\\");
    EXPECT_TRUE(FolderExists(main + "\\Spellcheck"));
    EXPECT_EQ(Run.GetMainDirFile("parv.exe"), main + "\\parv.exe");

    TPlainControls c;
    c.Rows[0] = TCheckState::Grayed;
    Run.SaveOptions(c);
    EXPECT_EQ(ReadValue(HKEY_CURRENT_USER, InstallKeyPath, "MAINDIR").Data, Sz(main));
    EXPECT_FALSE(KeyExists(HKEY_LOCAL_MACHINE, UninstallKey));
    DeleteFolderTree(main);
}

// A stick plugged in before the run starts counts; pulled after it started,
// the run stays portable, so no uninstall entry points at the vanished drive.
TEST_F(Settings, PortableDecisionFollowsTheStickUntilTheRunStarts) {
    char full[MAX_PATH] = {};
    GetFullPathNameA(PARVELA_BIN_DIR "\\..\\settings_drive_p", MAX_PATH, full, nullptr);
    CreateDirectoryA(full, nullptr);
    Run.Options.MainDir = "P:\\Parvela";
    EXPECT_FALSE(Run.IsPortable());
    ASSERT_TRUE(e2e::LinkRemovableDrive('P', e2e::UnixPathOf(full)));
    EXPECT_TRUE(Run.IsPortable());
    Run.DecidePortable();
    ASSERT_TRUE(e2e::UnlinkDrive('P'));
    EXPECT_TRUE(Run.IsPortable());
    TPlainControls c;
    c.Rows[0] = TCheckState::Grayed;
    Run.SaveOptions(c);
    EXPECT_FALSE(KeyExists(HKEY_LOCAL_MACHINE, UninstallKey));
    RemoveDirectoryA(full);
    // Another main folder is decided afresh.
    TScratchFolder folder("afresh");
    Run.Options.MainDir = folder.Path;
    EXPECT_FALSE(Run.IsPortable());
}

TEST_F(Settings, NormalDataFoldersLieUnderCommonAppData) {
    TScratchFolder folder("normal");
    Run.Options.MainDir = folder.Path;
    EXPECT_FALSE(Run.IsPortable());
    const std::string shared = GetShellFolder(CSIDL_COMMON_APPDATA_) + "\\Parvela\\";
    const bool existed = FolderExists(shared);
    EXPECT_EQ(Run.GetDataDir(TDataDir::Spellcheck), shared + "Public\\Spellcheck\\");
    EXPECT_TRUE(FolderExists(shared + "Public\\Spellcheck"));
    EXPECT_EQ(Run.GetDataDir(TDataDir::Hidden), shared + "Hidden\\");
    EXPECT_TRUE(FolderExists(shared + "Hidden"));
    EXPECT_EQ(Run.GetDataDir(TDataDir::Shared), shared);
    if (!existed) DeleteFolderTree(shared);
}

// ---- A standard user ---------------------------------------------------------
// Wine lets every process write everywhere: the refusals a standard user
// meets are made here, as the system reports them.

const ImportPatch* RegCreate = nullptr;
const ImportPatch* FolderCreate = nullptr;

LONG WINAPI RefuseMachineKeys(HKEY root, LPCSTR sub, DWORD reserved, LPSTR cls, DWORD options,
                              REGSAM sam, LPSECURITY_ATTRIBUTES sa, PHKEY out, LPDWORD disp) {
    if (root == HKEY_LOCAL_MACHINE) return ERROR_ACCESS_DENIED;
    return RegCreate->Original<decltype(&RegCreateKeyExA)>()(root, sub, reserved, cls, options, sam,
                                                             sa, out, disp);
}

BOOL WINAPI RefuseProgramFiles(LPCSTR name, LPSECURITY_ATTRIBUTES sa) {
    if (std::string(name).rfind(GetShellFolder(CSIDL_PROGRAM_FILES_), 0) == 0) {
        SetLastError(ERROR_ACCESS_DENIED);
        return FALSE;
    }
    return FolderCreate->Original<decltype(&CreateDirectoryA)>()(name, sa);
}

TEST_F(Settings, AStandardUserGetsTheirOwnProgramsFolderAndTheirOwnEntry) {
    ImportPatch reg("advapi32.dll", "RegCreateKeyExA", reinterpret_cast<void*>(RefuseMachineKeys));
    ImportPatch folder("kernel32.dll", "CreateDirectoryA",
                       reinterpret_cast<void*>(RefuseProgramFiles));
    RegCreate = &reg;
    FolderCreate = &folder;
    ASSERT_TRUE(reg.Active() && folder.Active());
    TPlainControls c;
    Run.LoadOptions(c);
    EXPECT_EQ(Run.Options.MainDir, GetShellFolder(CSIDL_LOCAL_APPDATA_) + "\\Programs\\Parvela");
    TScratchFolder own("standard");
    WriteBytes(own / "parv.exe", 1);
    Run.Options.MainDir = own.Path;
    c.Rows[0] = TCheckState::Grayed;
    Run.SaveOptions(c);
    EXPECT_FALSE(KeyExists(HKEY_LOCAL_MACHINE, UninstallKey));
    EXPECT_EQ(ReadValue(HKEY_CURRENT_USER, UninstallKey, "InstallLocation").Data, Sz(own.Path));
}

// ---- "-d" through a real child process -------------------------------------

const char* const ChildOutVar = "PARVELA_OPTIONS_CHILD_OUT";

// Run only as the child of the tests below: reports what LoadOptions chose.
TEST(SettingsChild, DISABLED_ReportMainDir) {
    char out[MAX_PATH];
    ASSERT_GT(GetEnvironmentVariableA(ChildOutVar, out, MAX_PATH), 0u);
    TRunState Run;
    TPlainControls c;
    Run.Command = ParseSetupCommand(StrictCommandLine());
    Run.LoadOptions(c);
    TUniqueHandle h(CreateFileA(out, GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr));
    DWORD done = 0;
    WriteFile(h.Get(), Run.Options.MainDir.data(), static_cast<DWORD>(Run.Options.MainDir.size()),
              &done, nullptr);
}

std::string MainDirOfChild(const std::wstring& firstArgument, const std::string& outFile) {
    wchar_t exe[MAX_PATH];
    GetModuleFileNameW(nullptr, exe, MAX_PATH);
    std::wstring line =
        L"\"" + std::wstring(exe) + L"\" " + firstArgument +
        L" --gtest_also_run_disabled_tests --gtest_filter=SettingsChild.DISABLED_ReportMainDir";
    DeleteFileA(outFile.c_str());
    SetEnvironmentVariableA(ChildOutVar, outFile.c_str());
    // The child's own test report would only clutter ours.
    SECURITY_ATTRIBUTES inherit{sizeof(SECURITY_ATTRIBUTES), nullptr, TRUE};
    TUniqueHandle nul(CreateFileA("NUL", GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_WRITE,
                                  &inherit, OPEN_EXISTING, 0, nullptr));
    STARTUPINFOW si{};
    si.cb = sizeof si;
    si.dwFlags = STARTF_USESTDHANDLES;
    si.hStdInput = nullptr;
    si.hStdOutput = nul.Get();
    si.hStdError = nul.Get();
    PROCESS_INFORMATION pi{};
    BOOL ok =
        CreateProcessW(nullptr, line.data(), nullptr, nullptr, TRUE, 0, nullptr, nullptr, &si, &pi);
    SetEnvironmentVariableA(ChildOutVar, nullptr);
    if (!ok) return "<not started>";
    TUniqueHandle process(pi.hProcess), thread(pi.hThread);
    if (WaitForSingleObject(process.Get(), 60000) != WAIT_OBJECT_0) return "<timeout>";
    return ReadAll(outFile);
}

TEST_F(Settings, MainFolderArgumentOfTheRealCommandLine) {
    TScratchFolder folder("child");
    SetValue(HKEY_CURRENT_USER, InstallKeyPath, "MAINDIR", REG_SZ, Sz(folder.Path));
    const std::string out = folder / "child.txt";
    struct Case {
        std::wstring Argument;
        std::string Expected;
    };
    const Case cases[] = {
        {L"-dE:\\Apps\\Parvela", "E:\\Apps\\Parvela"},              // wins over an existing MAINDIR
        {L"-DE:\\Apps\\Parvela", folder.Path},                      // not the folder switch
        {L"\"-dC:\\My Apps\\Parvela \"", "C:\\My Apps\\Parvela "},  // verbatim, blanks kept
        {L"--gtest_color=no", folder.Path},
        // Not in code page 1252: "?", not a look-alike that names another folder.
        {L"-dC:\\M\u0101in", "C:\\M?in"},
    };
    for (const Case& c : cases)
        EXPECT_EQ(MainDirOfChild(c.Argument, out), c.Expected) << c.Expected;
}

}  // namespace
