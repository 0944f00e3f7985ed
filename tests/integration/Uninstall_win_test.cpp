#include <gtest/gtest.h>

#include "WinTestSupport.h"
#include "instutils/AppInterface.h"
#include "integration/Options.h"
#include "integration/Registry_win.h"

using namespace testsupport;

namespace {

uint32_t VolumeClusterSize(const std::string& root) {
    DWORD spc = 0, bps = 0, freeClusters = 0, total = 0;
    if (!GetDiskFreeSpaceA(root.c_str(), &spc, &bps, &freeClusters, &total)) return 0;
    return spc * bps;
}

TEST(FolderSize, RoundsEachFileToClustersBeforeDividing) {
    TScratchFolder f("size");
    WriteBytes(f / "one", 1);
    WriteBytes(f / "six hundred", 600);
    WriteBytes(f / "4097", 4097);
    WriteBytes(f / "empty", 0);
    CreateDirectoryA((f / "sub").c_str(), nullptr);
    CreateDirectoryA((f / "sub\\deeper").c_str(), nullptr);
    WriteBytes(f / "sub\\deeper\\one", 1);
    WriteBytes(f / "sub\\hidden", 1500, FILE_ATTRIBUTE_HIDDEN | FILE_ATTRIBUTE_SYSTEM);

    struct Case {
        uint32_t Cluster;
        int32_t Expected;
    };
    const Case cases[] = {
        {512, 0 + 1 + 4 + 0 + 0 + 1},
        {4096, 4 + 4 + 8 + 0 + 4 + 4},
        {65536, 64 * 5},
    };
    for (const Case& c : cases)
        EXPECT_EQ(GetFolderSizeKB(f.Path, c.Cluster), c.Expected) << c.Cluster;
    EXPECT_EQ(GetFolderSizeKB(f.Path + "\\", 4096), 24);
    EXPECT_EQ(GetFolderSizeKB(f / "missing", 4096), 0);
}

TEST(FolderSize, FilesOfTwoGigabytesAndMoreCountWithTheirRealSize) {
    TScratchFolder f("big");
    {
        // Sparse on the host file system, so this costs no disk space.
        TUniqueHandle h(CreateFileA((f / "big.bin").c_str(), GENERIC_WRITE, 0, nullptr,
                                    CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr));
        ASSERT_TRUE(h.Valid());
        LARGE_INTEGER size;
        size.QuadPart = 3LL << 30;
        ASSERT_TRUE(SetFilePointerEx(h.Get(), size, nullptr, FILE_BEGIN));
        ASSERT_TRUE(SetEndOfFile(h.Get()));
    }
    WriteBytes(f / "small", 1);
    EXPECT_EQ(GetFolderSizeKB(f.Path, 4096), (3 << 20) + 4);
}

TEST(UninstallEntry, SixValuesUnderLocalMachine) {
    DeleteKeys();
    TScratchFolder f("uninstall");
    const uint32_t cluster = VolumeClusterSize(f.Path.substr(0, 3));
    ASSERT_GT(cluster, 0u);
    WriteBytes(f / "parv.exe", 1);
    WriteBytes(f / "data", cluster + 1);
    // A value from an earlier installation stays; the six are overwritten.
    SetValue(HKEY_LOCAL_MACHINE, UninstallKey, "Comments", REG_SZ, Sz("kept"));
    SetValue(HKEY_LOCAL_MACHINE, UninstallKey, "DisplayName", REG_SZ, Sz("old"));

    TRegistry registry;
    registry.OpenKey(app::InstallKey);
    registry.SetRootKey(HKEY_LOCAL_MACHINE);
    WriteUninstallEntry(registry, f.Path);

    const std::string exe = f.Path + "\\parv.exe";
    struct Expect {
        const char* Name;
        std::string Data;
    };
    const Expect strings[] = {
        {"DisplayIcon", exe},
        {"DisplayName", "Parvela Word Processor"},
        {"DisplayVersion", "4.0.3.2"},
        {"Publisher", "The Parvela Word Processor Team"},
        {"UninstallString", "\"" + exe + "\" -ui"},
        {"QuietUninstallString", "\"" + exe + "\" -ui /VERYSILENT"},
        {"InstallLocation", f.Path},
        {"Comments", "kept"},
    };
    for (const Expect& e : strings) {
        TValue v = ReadValue(HKEY_LOCAL_MACHINE, UninstallKey, e.Name);
        EXPECT_EQ(v.Type, DWORD(REG_SZ)) << e.Name;
        EXPECT_EQ(v.Data, Sz(e.Data)) << e.Name;
    }
    for (const char* name : {"NoModify", "NoRepair"})
        EXPECT_EQ(Dword(ReadValue(HKEY_LOCAL_MACHINE, UninstallKey, name)), 1u) << name;
    TValue size = ReadValue(HKEY_LOCAL_MACHINE, UninstallKey, "EstimatedSize");
    EXPECT_EQ(size.Type, DWORD(REG_DWORD));
    // One cluster for the 1-byte file, two for the other: rounded per file.
    EXPECT_EQ(Dword(size), (cluster + 2 * cluster) / 1024);
    // Nothing went to the current user's hive.
    EXPECT_FALSE(KeyExists(HKEY_CURRENT_USER, UninstallKey));
    DeleteKeys();
}

// A failed or aborted run leaves no entry naming a program that is not there.
TEST(UninstallEntry, NoneWithoutTheProgram) {
    DeleteKeys();
    TScratchFolder f("no program");
    WriteBytes(f / "Install.log", 1);
    TRegistry registry;
    registry.SetRootKey(HKEY_LOCAL_MACHINE);
    WriteUninstallEntry(registry, f.Path);
    CreateDirectoryA((f / "parv.exe").c_str(), nullptr);
    WriteUninstallEntry(registry, f.Path);
    EXPECT_FALSE(KeyExists(HKEY_LOCAL_MACHINE, UninstallKey));
    DeleteKeys();
}

}  // namespace
