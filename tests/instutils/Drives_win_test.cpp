#include "instutils/InstUtils.h"
#include "tests/instutils/Scratch_win.h"

#include <gtest/gtest.h>

namespace {

std::string UnusedDrive()
{
    const DWORD used = GetLogicalDrives();
    for (int i = 25; i >= 3; --i)
        if (!(used & (1u << i)))
            return std::string(1, char('A' + i)) + ":";
    return std::string();
}

// R: is the removable test drive the Wine prefix links in.
TEST(Drives, KindsOfDrives)
{
    const std::string unused = UnusedDrive();
    ASSERT_FALSE(unused.empty());
    const struct {
        std::string path;
        unsigned kind;
    } cases[] = {
        {"R:\\Parvela\\", DRIVE_REMOVABLE},
        {"r:", DRIVE_REMOVABLE},
        {"C:\\Program Files\\Parvela", DRIVE_FIXED},
        {unused + "\\Parvela", DRIVE_NO_ROOT_DIR},
        {"Parvela\\relative", DRIVE_NO_ROOT_DIR},  // empty root
    };
    for (const auto& c : cases)
        EXPECT_EQ(GetDriveKind(c.path), c.kind) << c.path;
}

TEST(Drives, RemovableLocations)
{
    const struct {
        std::string path;
        bool removable;
    } cases[] = {
        {"R:\\Parvela\\", true},
        {"R:\\Not\\Made\\Yet", true},
        {"C:\\Program Files\\Parvela", false},
        {"\\\\server\\share\\Parvela", false},
        {UnusedDrive() + "\\Parvela", false},
        {"", false},
    };
    for (const auto& c : cases)
        EXPECT_EQ(IsRemovableLocation(c.path), c.removable) << c.path;
}

TEST(Drives, ARemovableDriveNeedsNoDeviceToBeRecognised)
{
    // No volume device stands behind R: in the test prefix, so a true answer
    // can only come from the drive type.
    UniqueHandle device(CreateFileA("\\\\.\\R:", GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE,
                                    nullptr, OPEN_EXISTING, 0, nullptr));
    uint8_t query[12] = {}, descriptor[548] = {};
    DWORD returned = 0;
    const bool queried = device.Valid() &&
                         DeviceIoControl(device.Get(), 0x002D1400, query, sizeof query, descriptor,
                                         sizeof descriptor, &returned, nullptr);
    EXPECT_FALSE(queried && IsRemovableDescriptor(descriptor, returned));
    EXPECT_TRUE(IsRemovableLocation("R:\\Parvela"));
}

TEST(ShellFolders, EveryFolderTheProgramAsksForIsThere)
{
    const int used[] = {CSIDL_PROGRAMS_,         CSIDL_PERSONAL_,       CSIDL_DESKTOPDIRECTORY_,
                        CSIDL_COMMON_PROGRAMS_,  CSIDL_COMMON_DESKTOPDIRECTORY_,
                        CSIDL_APPDATA_,          CSIDL_COMMON_APPDATA_, CSIDL_PROGRAM_FILES_};
    for (int csidl : used) {
        const std::string folder = GetShellFolder(csidl);
        SCOPED_TRACE("CSIDL " + std::to_string(csidl) + ": " + folder);
        ASSERT_GT(folder.size(), 3u);
        EXPECT_NE(LastChar(folder), '\\');
        EXPECT_EQ(folder[1], ':');
        EXPECT_TRUE(FolderExists(folder));
    }
}

TEST(ShellFolders, AnUnknownFolderIsEmpty)
{
    EXPECT_EQ(GetShellFolder(0x7F), "");
}

TEST(ShellFolders, AfterRestrictingTheSearchADllBesideTheProgramIsNotLoaded)
{
    // A copy of a system DLL under a name only the scratch folder has: found
    // through the current folder before, and no longer after.
    ScratchFolder s;
    char system[MAX_PATH + 1] = {};
    ASSERT_GT(GetSystemDirectoryA(system, MAX_PATH), 0u);
    ASSERT_TRUE(CopyFileA((std::string(system) + "\\shfolder.dll").c_str(),
                          (s / "plantedshf.dll").c_str(), FALSE));
    std::string before = GetCurrentFolder();
    ASSERT_TRUE(SetCurrentDirectoryA(s.Path().c_str()));
    {
        LoadedModule planted(LoadLibraryA("plantedshf.dll"));
        EXPECT_NE(planted.Get(), nullptr) << "the test itself cannot plant a DLL here";
    }
    RestrictDllSearchToSystem();
    {
        LoadedModule planted(LoadLibraryA("plantedshf.dll"));
        EXPECT_EQ(planted.Get(), nullptr);
    }
    SetCurrentDirectoryA(before.c_str());
    EXPECT_FALSE(GetShellFolder(CSIDL_APPDATA_).empty());
}

}  // namespace
