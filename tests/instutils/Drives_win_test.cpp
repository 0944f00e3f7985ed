#include "instutils/InstUtils.h"
#include "tests/instutils/Scratch_win.h"
#include "tests/support/ImportPatch_win.h"

#include <gtest/gtest.h>

namespace {

std::string UnusedDrive() {
    const DWORD used = GetLogicalDrives();
    for (int i = 25; i >= 3; --i)
        if (!(used & (1u << i))) return std::string(1, char('A' + i)) + ":";
    return std::string();
}

// R: is the removable test drive the Wine prefix links in.
TEST(Drives, KindsOfDrives) {
    const std::string unused = UnusedDrive();
    ASSERT_FALSE(unused.empty());
    const struct {
        std::string path;
        unsigned kind;
    } cases[] = {
        {"R:\\Parvela\\", DRIVE_REMOVABLE},          {"r:", DRIVE_REMOVABLE},
        {"C:\\Program Files\\Parvela", DRIVE_FIXED}, {unused + "\\Parvela", DRIVE_NO_ROOT_DIR},
        {"Parvela\\relative", DRIVE_NO_ROOT_DIR},  // empty root
    };
    for (const auto& c : cases) EXPECT_EQ(GetDriveKind(c.path), c.kind) << c.path;
}

TEST(Drives, RemovableLocations) {
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
    for (const auto& c : cases) EXPECT_EQ(IsRemovableLocation(c.path), c.removable) << c.path;
}

TEST(Drives, ARemovableDriveNeedsNoDeviceToBeRecognised) {
    // No volume device stands behind R: in the test prefix, so a true answer
    // can only come from the drive type.
    TUniqueHandle device(CreateFileA("\\\\.\\R:", GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE,
                                     nullptr, OPEN_EXISTING, 0, nullptr));
    uint8_t query[12] = {}, descriptor[548] = {};
    DWORD returned = 0;
    const bool queried =
        device.Valid() && DeviceIoControl(device.Get(), 0x002D1400, query, sizeof query, descriptor,
                                          sizeof descriptor, &returned, nullptr);
    EXPECT_FALSE(queried && IsRemovableDescriptor(descriptor, returned));
    EXPECT_TRUE(IsRemovableLocation("R:\\Parvela"));
}

// Wine lets anyone open a volume for reading and describes every disk as a
// fixed SCSI disk. These stand-ins answer as Windows does for a standard
// user: reading a volume is refused (it needs administrator rights), the
// storage query itself needs no access; and, when `usbDisk` is set, the disk
// behind the volume hangs off USB.
namespace standard_user {

const ImportPatch* createFile = nullptr;
const ImportPatch* ioControl = nullptr;
bool usbDisk = false;

HANDLE WINAPI CreateFile(LPCSTR name, DWORD access, DWORD share, LPSECURITY_ATTRIBUTES security,
                         DWORD disposition, DWORD flags, HANDLE templateFile) {
    if (std::strncmp(name, "\\\\.\\", 4) == 0 &&
        (access & (GENERIC_READ | GENERIC_WRITE | GENERIC_ALL | FILE_READ_DATA)) != 0) {
        SetLastError(ERROR_ACCESS_DENIED);
        return INVALID_HANDLE_VALUE;
    }
    return createFile->Original<decltype(&CreateFileA)>()(name, access, share, security,
                                                          disposition, flags, templateFile);
}

BOOL WINAPI DeviceIoControl(HANDLE device, DWORD code, LPVOID in, DWORD inSize, LPVOID out,
                            DWORD outSize, LPDWORD returned, LPOVERLAPPED overlapped) {
    const BOOL ok = ioControl->Original<decltype(&::DeviceIoControl)>()(
        device, code, in, inSize, out, outSize, returned, overlapped);
    constexpr DWORD busTypeAt = 28, busTypeUsb = 7;  // STORAGE_DEVICE_DESCRIPTOR::BusType
    if (ok && usbDisk && code == 0x002D1400 && returned && *returned >= busTypeAt + 4)
        std::memcpy(static_cast<BYTE*>(out) + busTypeAt, &busTypeUsb, 4);
    return ok;
}

}  // namespace standard_user

TEST(Drives, AStandardUsersFixedDiskCountsAsRemovableExactlyWhenItHangsOffUsb) {
    ImportPatch createFile("kernel32.dll", "CreateFileA",
                           reinterpret_cast<void*>(&standard_user::CreateFile));
    ImportPatch ioControl("kernel32.dll", "DeviceIoControl",
                          reinterpret_cast<void*>(&standard_user::DeviceIoControl));
    ASSERT_TRUE(createFile.Active() && ioControl.Active());
    standard_user::createFile = &createFile;
    standard_user::ioControl = &ioControl;
    ASSERT_EQ(GetDriveKind("C:\\"), unsigned(DRIVE_FIXED));

    for (bool usb : {true, false}) {
        standard_user::usbDisk = usb;
        EXPECT_EQ(IsRemovableLocation("C:\\Parvela"), usb) << (usb ? "USB disk" : "SCSI disk");
    }
}

TEST(ShellFolders, EveryFolderTheProgramAsksForIsThere) {
    const int used[] = {CSIDL_PROGRAMS_,
                        CSIDL_PERSONAL_,
                        CSIDL_DESKTOPDIRECTORY_,
                        CSIDL_COMMON_PROGRAMS_,
                        CSIDL_COMMON_DESKTOPDIRECTORY_,
                        CSIDL_APPDATA_,
                        CSIDL_COMMON_APPDATA_,
                        CSIDL_PROGRAM_FILES_};
    for (int csidl : used) {
        const std::string folder = GetShellFolder(csidl);
        SCOPED_TRACE("CSIDL " + std::to_string(csidl) + ": " + folder);
        ASSERT_GT(folder.size(), 3u);
        EXPECT_NE(LastChar(folder), '\\');
        EXPECT_EQ(folder[1], ':');
        EXPECT_TRUE(FolderExists(folder));
    }
}

TEST(ShellFolders, AnUnknownFolderIsEmpty) { EXPECT_EQ(GetShellFolder(0x7F), ""); }

TEST(ShellFolders, AfterRestrictingTheSearchADllBesideTheProgramIsNotLoaded) {
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
        TLoadedModule planted(LoadLibraryA("plantedshf.dll"));
        EXPECT_NE(planted.Get(), nullptr) << "the test itself cannot plant a DLL here";
    }
    RestrictDllSearchToSystem();
    {
        TLoadedModule planted(LoadLibraryA("plantedshf.dll"));
        EXPECT_EQ(planted.Get(), nullptr);
    }
    SetCurrentDirectoryA(before.c_str());
    EXPECT_FALSE(GetShellFolder(CSIDL_APPDATA_).empty());
}

}  // namespace
