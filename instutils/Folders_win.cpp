// Current folder, folder tests, drives, files and folder trees.
#include "instutils/DayCount.h"
#include "instutils/FolderStack.h"
#include "instutils/InstUtils.h"
#include "instutils/InstallLog.h"
#include "instutils/WinHandles.h"

#include <limits>

std::string GetCurrentFolder() {
    // Never read while another thread has made some folder current only
    // for a moment.
    std::lock_guard<std::recursive_mutex> guard(CurrentFolderLock());
    std::string folder;
    DWORD needed = GetCurrentDirectoryA(0, nullptr);
    while (needed != 0) {
        folder.assign(needed, '\0');
        const DWORD got = GetCurrentDirectoryA(needed, folder.data());
        if (got == 0) return std::string();
        if (got < needed) {  // success: got excludes the terminator
            folder.resize(got);
            break;
        }
        needed = got;  // the folder grew in between; ask again
    }
    AppendPathSeparator(folder);
    return folder;
}

void PushCurrentFolder() {
    std::lock_guard<std::recursive_mutex> guard(CurrentFolderLock());
    PushFolderText(GetCurrentFolder());
}

void PopCurrentFolder() {
    std::lock_guard<std::recursive_mutex> guard(CurrentFolderLock());
    std::string folder;
    if (PopFolderText(folder)) SetCurrentDirectoryA(folder.c_str());
}

bool FolderExists(const std::string& path) {
    std::string p = path;
    AppendPathSeparator(p);
    if (p.empty()) return false;
    // The test making the folder current would make, without moving the
    // process's current folder (the install thread asks this for every file):
    // the system's full form of the path must read back as given, so only an
    // absolute spelling without "." steps or forward slashes passes, in any case.
    DWORD need = GetFullPathNameA(p.c_str(), 0, nullptr, nullptr);
    if (need == 0) return false;
    std::string full(need, '\0');
    const DWORD got = GetFullPathNameA(p.c_str(), need, full.data(), nullptr);
    if (got == 0 || got >= need) return false;
    full.resize(got);
    if (!TextEqualsIgnoreCase(full, p)) return false;
    const DWORD attr = GetFileAttributesA(p.c_str());
    return attr != INVALID_FILE_ATTRIBUTES && (attr & FILE_ATTRIBUTE_DIRECTORY) != 0;
}

std::string GetFullFolderPath(const std::string& path) {
    if (path.empty()) return {};
    const DWORD need = GetFullPathNameA(path.c_str(), 0, nullptr, nullptr);
    if (need == 0) return {};
    std::string full(need, '\0');
    const DWORD got = GetFullPathNameA(path.c_str(), need, full.data(), nullptr);
    if (got == 0 || got >= need) return {};
    full.resize(got);
    // GetLongPathNameA wants a path that exists: expand the part that does
    // and keep the rest as typed.
    std::string head = full, tail;
    for (;;) {
        const DWORD longNeed = GetLongPathNameA(head.c_str(), nullptr, 0);
        if (longNeed != 0) {
            std::string longer(longNeed, '\0');
            const DWORD longGot = GetLongPathNameA(head.c_str(), longer.data(), longNeed);
            if (longGot == 0 || longGot >= longNeed) return full;
            longer.resize(longGot);
            return longer + tail;
        }
        const std::string parent = ParentFolder(head);
        if (parent.empty() || parent.size() >= head.size()) return full;
        tail = head.substr(parent.size()) + tail;
        head = parent;
    }
}

int32_t ReadFileSize(const std::string& path) {
    TUniqueHandle file(CreateFileA(path.c_str(), GENERIC_READ,
                                   FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                                   OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr));
    if (!file.Valid()) return -1;
    return int32_t(GetFileSize(file.Get(), nullptr));
}

namespace {

TDateTime DateTimeOf(const SYSTEMTIME& st) {
    TDateTime t;
    t.Year = st.wYear;
    t.Month = st.wMonth;
    t.Day = st.wDay;
    t.Hour = st.wHour;
    t.Minute = st.wMinute;
    t.Second = st.wSecond;
    t.Millisecond = st.wMilliseconds;
    return t;
}

}  // namespace

double LocalNowDayCount() {
    SYSTEMTIME now;
    GetLocalTime(&now);
    return EncodeDayCount(DateTimeOf(now));
}

double GetFileModifiedTime(const std::string& path) {
    FILETIME written;
    {
        TFileSearch found(path);
        if (!found.Valid()) return LocalNowDayCount();
        written = found.Entry().ftLastWriteTime;
    }
    FILETIME local;
    if (!FileTimeToLocalFileTime(&written, &local)) return LocalNowDayCount();
    TDateTime t;
    WORD dosDate = 0, dosTime = 0;
    if (FileTimeToDosDateTime(&local, &dosDate, &dosTime)) {
        t.Year = 1980 + (dosDate >> 9);
        t.Month = (dosDate >> 5) & 15;
        t.Day = dosDate & 31;
        t.Hour = dosTime >> 11;
        t.Minute = (dosTime >> 5) & 63;
        t.Second = (dosTime & 31) * 2;
    } else {
        // Outside what a packed date holds (before 1980, after 2107): the
        // same 2-second grain from the full time instead.
        SYSTEMTIME st;
        if (!FileTimeToSystemTime(&local, &st)) return LocalNowDayCount();
        t = DateTimeOf(st);
        t.Second &= ~1;
        t.Millisecond = 0;
    }
    return EncodeDayCount(t);
}

unsigned GetDriveKind(const std::string& path) {
    std::string root = DrivePart(path);
    AppendPathSeparator(root);
    return GetDriveTypeA(root.c_str());
}

bool IsRemovableLocation(const std::string& path) {
    const unsigned kind = GetDriveKind(path);
    if (kind == DRIVE_REMOVABLE) return true;
    if (kind != DRIVE_FIXED) return false;
    // A fixed disk may still hang off USB or IEEE 1394, or report removable
    // media: ask the storage stack.
    const std::string device = "\\\\.\\" + DrivePart(path);
    // No access asked: reading a volume needs administrator rights, and this
    // query needs none, so a standard user's USB disk is recognised too.
    TUniqueHandle volume(CreateFileA(device.c_str(), 0, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr,
                                     OPEN_EXISTING, 0, nullptr));
    if (!volume.Valid()) return false;
    constexpr DWORD queryProperty = 0x002D1400;  // IOCTL_STORAGE_QUERY_PROPERTY
    constexpr DWORD descriptorSize = 548;
    uint8_t query[12] = {};  // StorageDeviceProperty, PropertyStandardQuery
    uint8_t descriptor[descriptorSize] = {};
    descriptor[4] = uint8_t(descriptorSize & 0xFF);  // Size field, little-endian
    descriptor[5] = uint8_t(descriptorSize >> 8);
    DWORD returned = 0;
    if (!DeviceIoControl(volume.Get(), queryProperty, query, sizeof query, descriptor,
                         descriptorSize, &returned, nullptr))
        return false;
    return IsRemovableDescriptor(descriptor, returned < descriptorSize ? returned : descriptorSize);
}

namespace {

bool Refusal(DWORD error) { return error == ERROR_ACCESS_DENIED || error == ERROR_WRITE_PROTECT; }

}  // namespace

bool IsWriteRefused(const std::string& folder) {
    // New, and under a name no one else uses.
    const std::string probe = "~parvela-" + std::to_string(GetCurrentProcessId()) + ".tmp";
    if (FolderExists(folder)) {
        TUniqueHandle file(CreateFileA(JoinPath(folder, probe).c_str(), GENERIC_WRITE, 0, nullptr,
                                       CREATE_NEW,
                                       FILE_ATTRIBUTE_TEMPORARY | FILE_FLAG_DELETE_ON_CLOSE,
                                       nullptr));
        return !file && Refusal(GetLastError());
    }
    // A folder to be made needs the right to make folders where the chain
    // starts (a drive root gives it to users who may not put files there);
    // its maker may then write in it.
    for (std::string candidate = ParentFolder(folder); !candidate.empty();) {
        if (FolderExists(candidate)) {
            const std::string made = JoinPath(candidate, probe);
            if (!CreateDirectoryA(made.c_str(), nullptr)) return Refusal(GetLastError());
            RemoveDirectoryA(made.c_str());
            return false;
        }
        std::string parent = ParentFolder(candidate);
        if (parent.size() >= candidate.size()) break;
        candidate = std::move(parent);
    }
    return false;  // no drive: nothing refused yet, and nothing to install on
}

uint32_t GetClusterSize(const std::string& folder) {
    constexpr uint32_t fallback = 4096;
    std::lock_guard<std::recursive_mutex> guard(CurrentFolderLock());
    PushCurrentFolder();
    // A folder that does not exist yet lies on the volume of its nearest
    // existing ancestor; if not even the drive root can be entered, the
    // current folder's volume says nothing about it.
    bool entered = false;
    for (std::string candidate = folder; !candidate.empty();) {
        if (SetCurrentDirectoryA(candidate.c_str())) {
            entered = true;
            break;
        }
        std::string parent = ParentFolder(candidate);
        if (parent.size() >= candidate.size()) break;
        candidate = std::move(parent);
    }
    DWORD sectorsPerCluster = 0, bytesPerSector = 0, freeClusters = 0, totalClusters = 0;
    const bool measured = entered && GetDiskFreeSpaceA(nullptr, &sectorsPerCluster, &bytesPerSector,
                                                       &freeClusters, &totalClusters);
    PopCurrentFolder();
    const uint64_t size = uint64_t(sectorsPerCluster) * bytesPerSector;
    if (!measured || size == 0 || size > uint64_t(std::numeric_limits<int32_t>::max()))
        return fallback;
    return uint32_t(size);
}

int32_t RoundUpToCluster(const std::string& folder, int32_t bytes) {
    return RoundUpToClusterSize(bytes, GetClusterSize(folder));
}

void CreateFolderChain(const std::string& path, TInstallLog* log) {
    if (path.empty() || FolderExists(path)) return;
    const std::string parent = ParentFolder(path);
    // Not inside a folder link that someone could have planted.
    if (!FindForeignLink(parent).empty()) return;
    if (!parent.empty() && parent.size() < path.size()) CreateFolderChain(parent, log);
    CreateDirectoryA(path.c_str(), nullptr);
    // Logged even when the creation failed: the file written next fails
    // visibly, and an uninstaller only skips a folder that is not there.
    if (log) log->AddLogLine("Made Dir: " + path);
}

void WriteWholeFile(const std::string& path, const std::string& bytes) {
    ReplaceWholeFile(path, bytes);
}

void DeleteFolderTree(const std::string& path) {
    // An empty path would make the walk below run over the current folder.
    if (path.empty()) return;
    std::string p = path;
    AppendPathSeparator(p);
    // A link given as the tree itself goes as a link too: whoever could
    // plant it (in the temporary folder, say) must not get its target
    // deleted with this program's rights.
    std::string bare = p;
    if (bare.size() > 1 && bare[bare.size() - 2] != ':') DropLastChar(bare);
    const DWORD top = GetFileAttributesA(bare.c_str());
    if (top != INVALID_FILE_ATTRIBUTES && (top & FILE_ATTRIBUTE_REPARSE_POINT) != 0) {
        RemoveDirectoryA(bare.c_str());
        return;
    }
    {
        TFileSearch entry(p + "*.*");
        for (bool more = entry.Valid(); more; more = entry.Next()) {
            const WIN32_FIND_DATAA& e = entry.Entry();
            const std::string name = e.cFileName;
            if (name == "." || name == "..") continue;
            const DWORD attributes = e.dwFileAttributes;
            if ((attributes & FILE_ATTRIBUTE_DIRECTORY) != 0) {
                // A linked folder is removed as a link: what it points at
                // lies outside this tree.
                if ((attributes & FILE_ATTRIBUTE_REPARSE_POINT) != 0)
                    RemoveDirectoryA((p + name).c_str());
                else
                    DeleteFolderTree(p + name);
            } else {
                DeleteFileA((p + name).c_str());
            }
        }
    }
    RemoveDirectoryA(p.c_str());
}
