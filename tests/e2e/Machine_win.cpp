#include "tests/e2e/Machine.h"

#include <shlobj.h>
#include <winioctl.h>

#include <algorithm>
#include <cstring>
#include <set>

#include "instutils/AppInterface.h"
#include "tests/e2e/Driver.h"

namespace e2e {

namespace {

// Opens (or, with `create`, creates) a key; empty when that fails.
TRegKey OpenKey(HKEY root, const std::string& key, REGSAM access, bool create = false) {
    TRegKey k;
    if (create)
        RegCreateKeyExA(root, key.c_str(), 0, nullptr, 0, access, nullptr, k.OutPtr(), nullptr);
    else
        RegOpenKeyExA(root, key.c_str(), 0, access, k.OutPtr());
    return k;
}

std::string WithSlash(std::string p) {
    if (!p.empty() && p.back() != '\\') p += '\\';
    return p;
}

bool IsDots(const char* name) { return strcmp(name, ".") == 0 || strcmp(name, "..") == 0; }

}  // namespace

std::string KnownFolder(int csidl) {
    char buf[MAX_PATH] = {};
    if (FAILED(SHGetFolderPathA(nullptr, csidl, nullptr, SHGFP_TYPE_CURRENT, buf))) return {};
    std::string s = buf;
    while (s.size() > 3 && s.back() == '\\') s.pop_back();
    return s;
}

std::string TempFolder() {
    char buf[MAX_PATH + 1] = {};
    const DWORD n = GetTempPathA(sizeof buf, buf);
    return WithSlash(std::string(buf, n < sizeof buf ? n : 0));
}

bool FileExists(const std::string& path) {
    const DWORD a = GetFileAttributesA(path.c_str());
    return a != INVALID_FILE_ATTRIBUTES && !(a & FILE_ATTRIBUTE_DIRECTORY);
}

bool FolderExists(const std::string& path) {
    const DWORD a = GetFileAttributesA(path.c_str());
    return a != INVALID_FILE_ATTRIBUTES && (a & FILE_ATTRIBUTE_DIRECTORY);
}

std::optional<std::string> ReadWholeFile(const std::string& path) {
    Handle f(CreateFileA(path.c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr,
                         OPEN_EXISTING, 0, nullptr));
    if (!f) return std::nullopt;
    std::string out;
    char buf[65536];
    DWORD n = 0;
    while (ReadFile(f.Get(), buf, sizeof buf, &n, nullptr) && n > 0) out.append(buf, n);
    return out;
}

std::vector<std::string> ReadLines(const std::string& path) {
    std::vector<std::string> lines;
    const auto data = ReadWholeFile(path);
    if (!data) return lines;
    size_t start = 0;
    while (start < data->size()) {
        size_t end = data->find('\n', start);
        if (end == std::string::npos) end = data->size();
        std::string line = data->substr(start, end - start);
        if (!line.empty() && line.back() == '\r') line.pop_back();
        lines.push_back(line);
        start = end + 1;
    }
    return lines;
}

bool WriteWholeFile(const std::string& path, const std::string& bytes) {
    Handle f(CreateFileA(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS,
                         FILE_ATTRIBUTE_NORMAL, nullptr));
    DWORD n = 0;
    return f && WriteFile(f.Get(), bytes.data(), static_cast<DWORD>(bytes.size()), &n, nullptr) &&
           n == bytes.size();
}

bool DeleteTree(const std::string& path) {
    const DWORD a = GetFileAttributesA(path.c_str());
    if (a == INVALID_FILE_ATTRIBUTES) return true;
    SetFileAttributesA(path.c_str(), a & ~FILE_ATTRIBUTE_READONLY);
    if (!(a & FILE_ATTRIBUTE_DIRECTORY)) return DeleteFileA(path.c_str()) != FALSE;
    for (const std::string& name : ListFolder(path)) DeleteTree(WithSlash(path) + name);
    // A root ("R:\") cannot go itself; emptying it is all there is.
    if (path.size() <= 3) return ListFolder(path).empty();
    return RemoveDirectoryA(path.c_str()) != FALSE;
}

std::vector<std::string> ListFolder(const std::string& folder) {
    std::vector<std::string> out;
    TFileSearch find(WithSlash(folder) + "*");
    if (!find.Valid()) return out;
    do {
        if (!IsDots(find.Entry().cFileName)) out.push_back(find.Entry().cFileName);
    } while (find.Next());
    std::sort(out.begin(), out.end());
    return out;
}

namespace {

void CollectTree(const std::string& folder, const std::string& except,
                 std::vector<std::string>& out) {
    TFileSearch find(WithSlash(folder) + "*");
    if (!find.Valid()) return;
    do {
        const WIN32_FIND_DATAA& e = find.Entry();
        if (IsDots(e.cFileName)) continue;
        const std::string path = WithSlash(folder) + e.cFileName;
        if (!except.empty() && lstrcmpiA(WithSlash(path).c_str(), WithSlash(except).c_str()) == 0)
            continue;
        out.push_back(path);
        if ((e.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) &&
            !(e.dwFileAttributes & FILE_ATTRIBUTE_REPARSE_POINT))
            CollectTree(path, except, out);
    } while (find.Next());
}

void CollectKeys(HKEY root, const std::string& key, std::vector<std::string>& out) {
    TRegKey k = OpenKey(root, key, KEY_READ);
    if (!k.Get()) return;
    out.push_back(key);
    static const char* digits = "0123456789ABCDEF";
    for (DWORD i = 0;; ++i) {
        char name[16384];
        BYTE data[65536];
        DWORD nameLen = sizeof name, dataLen = sizeof data, type = 0;
        if (RegEnumValueA(k.Get(), i, name, &nameLen, nullptr, &type, data, &dataLen) !=
            ERROR_SUCCESS)
            break;
        std::string line =
            key + " | " + std::string(name, nameLen) + " | " + std::to_string(type) + " | ";
        for (DWORD b = 0; b < dataLen; ++b) {
            line += digits[data[b] >> 4];
            line += digits[data[b] & 15];
        }
        out.push_back(line);
    }
    std::vector<std::string> subkeys;
    for (DWORD i = 0;; ++i) {
        char name[256];
        DWORD len = sizeof name;
        if (RegEnumKeyExA(k.Get(), i, name, &len, nullptr, nullptr, nullptr, nullptr) !=
            ERROR_SUCCESS)
            break;
        subkeys.emplace_back(name, len);
    }
    for (const std::string& sub : subkeys) CollectKeys(root, key + "\\" + sub, out);
}

}  // namespace

std::vector<std::string> TreeOf(const std::vector<std::string>& roots, const std::string& except) {
    std::vector<std::string> out;
    for (const std::string& r : roots) CollectTree(r, except, out);
    std::sort(out.begin(), out.end());
    return out;
}

std::vector<std::string> RegistryTreeOf(HKEY root, const std::string& key) {
    std::vector<std::string> out;
    CollectKeys(root, key, out);
    std::sort(out.begin(), out.end());
    return out;
}

std::optional<std::pair<std::string, std::string>> UninstallCommand() {
    const auto line = RegString(HKEY_LOCAL_MACHINE, UninstallKeyPath, "UninstallString");
    if (!line || line->size() < 2 || (*line)[0] != '"') return std::nullopt;
    const size_t close = line->find('"', 1);
    if (close == std::string::npos) return std::nullopt;
    std::string rest = line->substr(close + 1);
    while (!rest.empty() && rest[0] == ' ') rest.erase(0, 1);
    return std::make_pair(line->substr(1, close - 1), rest);
}

bool RegKeyExists(HKEY root, const std::string& key) {
    TRegKey k = OpenKey(root, key, KEY_READ);
    return k.Get() != nullptr;
}

std::optional<std::string> RegString(HKEY root, const std::string& key, const char* value) {
    TRegKey k = OpenKey(root, key, KEY_READ);
    if (!k.Get()) return std::nullopt;
    DWORD type = 0, size = 0;
    if (RegQueryValueExA(k.Get(), value, nullptr, &type, nullptr, &size) != ERROR_SUCCESS ||
        (type != REG_SZ && type != REG_EXPAND_SZ))
        return std::nullopt;
    std::string s(size, '\0');
    if (size && RegQueryValueExA(k.Get(), value, nullptr, nullptr,
                                 reinterpret_cast<BYTE*>(s.data()), &size) != ERROR_SUCCESS)
        return std::nullopt;
    s.resize(strnlen(s.c_str(), s.size()));
    return s;
}

std::optional<DWORD> RegDword(HKEY root, const std::string& key, const char* value) {
    TRegKey k = OpenKey(root, key, KEY_READ);
    if (!k.Get()) return std::nullopt;
    DWORD type = 0, data = 0, size = sizeof data;
    if (RegQueryValueExA(k.Get(), value, nullptr, &type, reinterpret_cast<BYTE*>(&data), &size) !=
            ERROR_SUCCESS ||
        type != REG_DWORD)
        return std::nullopt;
    return data;
}

int RegValueCount(HKEY root, const std::string& key) {
    TRegKey k = OpenKey(root, key, KEY_READ);
    DWORD values = 0;
    if (!k.Get() || RegQueryInfoKeyA(k.Get(), nullptr, nullptr, nullptr, nullptr, nullptr, nullptr,
                                     &values, nullptr, nullptr, nullptr, nullptr) != ERROR_SUCCESS)
        return -1;
    return static_cast<int>(values);
}

bool RegSetDword(HKEY root, const std::string& key, const char* value, DWORD data) {
    TRegKey k = OpenKey(root, key, KEY_WRITE, true);
    return k.Get() &&
           RegSetValueExA(k.Get(), value, 0, REG_DWORD, reinterpret_cast<const BYTE*>(&data),
                          sizeof data) == ERROR_SUCCESS;
}

bool RegSetString(HKEY root, const std::string& key, const char* value, const std::string& data) {
    TRegKey k = OpenKey(root, key, KEY_WRITE, true);
    return k.Get() &&
           RegSetValueExA(k.Get(), value, 0, REG_SZ, reinterpret_cast<const BYTE*>(data.c_str()),
                          static_cast<DWORD>(data.size() + 1)) == ERROR_SUCCESS;
}

bool RegDeleteValueOf(HKEY root, const std::string& key, const char* value) {
    TRegKey k = OpenKey(root, key, KEY_WRITE);
    return k.Get() && RegDeleteValueA(k.Get(), value) == ERROR_SUCCESS;
}

bool RegDeleteKeyTree(HKEY root, const std::string& key) {
    const LSTATUS s = RegDeleteTreeA(root, key.c_str());
    if (s == ERROR_SUCCESS || s == ERROR_FILE_NOT_FOUND) {
        // RegDeleteTree leaves the key itself on some systems.
        RegDeleteKeyA(root, key.c_str());
        return !RegKeyExists(root, key);
    }
    return false;
}

InstallPlaces DefaultPlaces() {
    InstallPlaces p;
    p.mainDir = KnownFolder(CSIDL_PROGRAM_FILES) + "\\Parvela";
    std::string common = KnownFolder(CSIDL_COMMON_APPDATA);
    if (common.empty()) common = KnownFolder(CSIDL_PERSONAL);
    p.sharedData = WithSlash(common) + "Parvela\\";
    p.hiddenData = p.sharedData + "Hidden\\";
    p.publicData = p.sharedData + "Public\\";
    p.docsParvela = WithSlash(KnownFolder(CSIDL_PERSONAL)) + "Parvela";
    for (int csidl : {CSIDL_COMMON_PROGRAMS, CSIDL_PROGRAMS, CSIDL_COMMON_DESKTOPDIRECTORY,
                      CSIDL_DESKTOPDIRECTORY}) {
        const std::string f = KnownFolder(csidl);
        if (!f.empty()) p.shortcutFolders.push_back(f);
    }
    return p;
}

void CleanInstallState(const std::vector<std::string>& extraRoots) {
    KillMarkedApplications();
    RegDeleteKeyTree(HKEY_CURRENT_USER, InstallKeyPath);
    RegDeleteKeyTree(HKEY_LOCAL_MACHINE, UninstallKeyPath);
    const InstallPlaces p = DefaultPlaces();
    DeleteTree(p.mainDir);
    DeleteTree(WithSlash(KnownFolder(CSIDL_COMMON_APPDATA)) + "Parvela");
    DeleteTree(p.docsParvela);
    for (const std::string& f : p.shortcutFolders) DeleteTree(WithSlash(f) + ShortcutName);
    DeleteTree(TempFolder() + StandInCommandLog);
    for (const std::string& name : ListFolder(TempFolder()))
        if (name.rfind(RemovalCopyPrefix, 0) == 0) DeleteTree(TempFolder() + name);
    // The stand-in's per-user associations; a type that another program
    // owns is left alone.
    const std::string classes = "Software\\Classes\\";
    RegDeleteKeyTree(HKEY_CURRENT_USER, classes + app::AssocProgId);
    for (const char* ext : app::AssocExtensions) {
        const auto owner = RegString(HKEY_CURRENT_USER, classes + ext, nullptr);
        if (owner && *owner == app::AssocProgId) RegDeleteKeyTree(HKEY_CURRENT_USER, classes + ext);
    }
    for (const std::string& r : extraRoots) DeleteTree(r);
}

bool AnyMarkedApplication() {
    bool marked = false;
    EnumWindows(
        [](HWND w, LPARAM lp) -> BOOL {
            if (!GetPropA(w, app::RunningProperty)) return TRUE;
            *reinterpret_cast<bool*>(lp) = true;
            return FALSE;
        },
        reinterpret_cast<LPARAM>(&marked));
    return marked;
}

void KillMarkedApplications() {
    std::set<DWORD> pids;
    EnumWindows(
        [](HWND w, LPARAM lp) -> BOOL {
            if (GetPropA(w, app::RunningProperty))
                reinterpret_cast<std::set<DWORD>*>(lp)->insert(ProcessOf(w));
            return TRUE;
        },
        reinterpret_cast<LPARAM>(&pids));
    for (DWORD pid : pids)
        if (pid != GetCurrentProcessId()) KillProcessId(pid);
}

// --- drives ---------------------------------------------------------------

namespace {

// Wine's mount manager extension: defines a drive letter for a Linux folder,
// the way Wine's own configuration tool does.
constexpr DWORD IoctlDefineUnixDrive =
    CTL_CODE(0x6D /* 'm' */, 32, METHOD_BUFFERED, FILE_READ_ACCESS | FILE_WRITE_ACCESS);
struct UnixDriveRequest {
    ULONG size;
    ULONG type;
    ULONG fsType;
    DWORD serial;
    ULONGLONG unixDev;
    WCHAR letter;
    USHORT mountPointOffset;
    USHORT deviceOffset;
    USHORT labelOffset;
};

bool DefineUnixDrive(char letter, ULONG type, const std::string& unixPath) {
    Handle mgr(CreateFileW(L"\\\\.\\MountPointManager", GENERIC_READ | GENERIC_WRITE,
                           FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr, OPEN_EXISTING, 0, nullptr));
    if (!mgr) return false;
    std::vector<char> buf(sizeof(UnixDriveRequest) + unixPath.size() + 1, '\0');
    auto* req = reinterpret_cast<UnixDriveRequest*>(buf.data());
    req->size = static_cast<ULONG>(buf.size());
    req->type = type;
    req->letter = static_cast<WCHAR>(tolower(static_cast<unsigned char>(letter)));
    if (!unixPath.empty()) {
        req->mountPointOffset = sizeof(UnixDriveRequest);
        memcpy(buf.data() + sizeof(UnixDriveRequest), unixPath.c_str(), unixPath.size());
    }
    DWORD got = 0;
    return DeviceIoControl(mgr.Get(), IoctlDefineUnixDrive, buf.data(),
                           static_cast<DWORD>(buf.size()), nullptr, 0, &got, nullptr) != FALSE;
}

}  // namespace

std::string UnixPathOf(const std::string& zPath) {
    if (zPath.size() < 2 || toupper(static_cast<unsigned char>(zPath[0])) != 'Z' || zPath[1] != ':')
        return {};
    std::string s = zPath.substr(2);
    std::replace(s.begin(), s.end(), '\\', '/');
    return s.empty() ? "/" : s;
}

bool LinkRemovableDrive(char letter, const std::string& unixPath) {
    return LinkDrive(letter, unixPath, DRIVE_REMOVABLE);
}

bool LinkDrive(char letter, const std::string& unixPath, UINT type) {
    return DefineUnixDrive(letter, type, unixPath) && DrivePresent(letter);
}

bool UnlinkDrive(char letter) {
    return DefineUnixDrive(letter, DRIVE_NO_ROOT_DIR, "") && !DrivePresent(letter);
}

bool DrivePresent(char letter) {
    const int bit = toupper(static_cast<unsigned char>(letter)) - 'A';
    return bit >= 0 && bit < 26 && (GetLogicalDrives() >> bit & 1);
}

// --- damaged programs -----------------------------------------------------

std::string ReadResource(const std::string& exe, const char* type, const char* name) {
    TLoadedModule m(LoadLibraryExA(exe.c_str(), nullptr, LOAD_LIBRARY_AS_DATAFILE));
    if (!m.Get()) return {};
    HRSRC r = FindResourceA(m.Get(), name, type);
    if (!r) return {};
    HGLOBAL g = LoadResource(m.Get(), r);
    const DWORD size = SizeofResource(m.Get(), r);
    const void* p = g ? LockResource(g) : nullptr;
    return p ? std::string(static_cast<const char*>(p), size) : std::string();
}

bool CorruptResourceCopy(const std::string& exe, const std::string& copy, const char* type,
                         const char* name, size_t count, std::string* error) {
    auto fail = [&](const std::string& why) {
        if (error) *error = why;
        return false;
    };
    if (!CopyFileA(exe.c_str(), copy.c_str(), FALSE)) return fail("cannot copy " + exe);
    const std::string res = ReadResource(copy, type, name);
    if (res.size() < count + 64) return fail("resource missing or too small");
    auto file = ReadWholeFile(copy);
    if (!file) return fail("cannot read " + copy);
    const size_t at = file->find(res);
    if (at == std::string::npos) return fail("resource bytes not found in the file");
    if (file->find(res, at + 1) != std::string::npos) return fail("resource bytes found twice");
    const size_t from = at + res.size() / 2 - count / 2;
    for (size_t i = 0; i < count; ++i) (*file)[from + i] = static_cast<char>(~(*file)[from + i]);
    if (!WriteWholeFile(copy, *file)) return fail("cannot write " + copy);
    return true;
}

bool ReplaceResourceCopy(const std::string& exe, const std::string& copy, const char* type,
                         const char* name, const std::string& bytes, std::string* error) {
    auto fail = [&](const std::string& why) {
        if (error) *error = why;
        return false;
    };
    if (!CopyFileA(exe.c_str(), copy.c_str(), FALSE)) return fail("cannot copy " + exe);
    HANDLE update = BeginUpdateResourceA(copy.c_str(), FALSE);
    if (!update) return fail("cannot open the resources of " + copy);
    const bool put = UpdateResourceA(update, type, name, MAKELANGID(LANG_NEUTRAL, SUBLANG_NEUTRAL),
                                     const_cast<char*>(bytes.data()), DWORD(bytes.size()));
    // EndUpdateResource releases the update handle in either case.
    if (!EndUpdateResourceA(update, !put) || !put)
        return fail("cannot replace the resource of " + copy);
    return ReadResource(copy, type, name) == bytes ||
           fail("the copy does not hold the new resource");
}

}  // namespace e2e
