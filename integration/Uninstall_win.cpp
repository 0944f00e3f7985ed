#include <windows.h>

#include <climits>

#include "instutils/AppInterface.h"
#include "instutils/InstUtils.h"
#include "instutils/WinHandles.h"
#include "integration/Options.h"
#include "integration/Registry_win.h"

namespace {

// Kilobytes as a 64-bit sum, so that files of 2 GB and more and large trees
// count with their real size instead of wrapping negative.
int64_t FolderSizeKB64(const std::string& folder, uint64_t clusterSize) {
    std::string base = folder;
    AppendPathSeparator(base);
    TFileSearch find(base + "*.*");
    if (!find.Valid()) return 0;
    int64_t total = 0;
    do {
        const WIN32_FIND_DATAA& data = find.Entry();
        std::string name = data.cFileName;
        if (name == "." || name == "..") continue;
        if (data.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) {
            total += FolderSizeKB64(base + name, clusterSize);
        } else {
            uint64_t size = (uint64_t(data.nFileSizeHigh) << 32) | data.nFileSizeLow;
            uint64_t rounded = (size + clusterSize - 1) / clusterSize * clusterSize;
            total += static_cast<int64_t>(rounded / 1024);
        }
    } while (find.Next());
    return total;
}

}  // namespace

int32_t GetFolderSizeKB(const std::string& folder, uint32_t clusterSize) {
    if (clusterSize == 0) clusterSize = 4096;
    int64_t kb = FolderSizeKB64(folder, clusterSize);
    return kb > INT32_MAX ? INT32_MAX : static_cast<int32_t>(kb);
}

bool WriteUninstallEntry(TRegistry& registry, const std::string& mainDir) {
    const std::string exe = MainDirFile(mainDir, app::ExeName);
    // A failed or aborted run may not have put the program there: an entry
    // naming a missing program could neither show its icon nor uninstall.
    const DWORD attributes = GetFileAttributesA(exe.c_str());
    if (attributes == INVALID_FILE_ATTRIBUTES || (attributes & FILE_ATTRIBUTE_DIRECTORY))
        return true;
    if (!registry.OpenKey(app::UninstallKey)) return false;
    registry.WriteString("DisplayIcon", exe);
    registry.WriteString("DisplayName", app::ProductName);
    registry.WriteString("DisplayVersion", app::ProductVersion);
    registry.WriteInteger("EstimatedSize", GetFolderSizeKB(mainDir, GetClusterSize(mainDir)));
    registry.WriteString("Publisher", app::Publisher);
    registry.WriteString("UninstallString", "\"" + exe + "\" " + app::UninstallSwitch);
    // For deployment tools, which remove without anyone at the screen, and
    // Programs and Features, which has nothing to modify or repair.
    registry.WriteString("QuietUninstallString",
                         "\"" + exe + "\" " + app::UninstallSwitch + " /VERYSILENT");
    registry.WriteString("InstallLocation", mainDir);
    registry.WriteInteger("NoModify", 1);
    registry.WriteInteger("NoRepair", 1);
    return true;
}
