#include "uninstall/Uninstall_win.h"

#include "instutils/AppInterface.h"
#include "instutils/ExitCodes.h"
#include "instutils/InstUtils.h"
#include "instutils/MessageKinds.h"
#include "instutils/RunLog.h"
#include "instutils/SetupLock_win.h"
#include "instutils/WinHandles.h"

#include <shlobj.h>

#include <algorithm>
#include <memory>
#include <utility>

namespace uninst {

namespace {

constexpr const char* ClassesKey = "Software\\Classes\\";

std::string FolderForm(std::string path) {
    AppendPathSeparator(path);
    return path;
}

bool PathExists(const std::string& path) {
    return GetFileAttributesA(path.c_str()) != INVALID_FILE_ATTRIBUTES;
}

bool IsLink(const std::string& path) {
    std::string p = path;
    if (EndsWithBackslash(p)) DropLastChar(p);
    const DWORD a = GetFileAttributesA(p.c_str());
    return a != INVALID_FILE_ATTRIBUTES && (a & FILE_ATTRIBUTE_REPARSE_POINT);
}

// The last write of a plain file; false for a folder or a link.
bool LastWrite(const std::string& path, FILETIME& time) {
    WIN32_FILE_ATTRIBUTE_DATA data;
    if (!GetFileAttributesExA(path.c_str(), GetFileExInfoStandard, &data) ||
        (data.dwFileAttributes & (FILE_ATTRIBUTE_DIRECTORY | FILE_ATTRIBUTE_REPARSE_POINT)))
        return false;
    time = data.ftLastWriteTime;
    return true;
}

std::string LogPathOf(const TUninstallContext& ctx) {
    return JoinPath(ctx.MainDir, app::InstallLogFile);
}

std::string ReadString(HKEY root, const std::string& key, const char* name) {
    TRegKey k;
    if (RegOpenKeyExA(root, key.c_str(), 0, KEY_READ, k.OutPtr()) != ERROR_SUCCESS) return {};
    char buf[1024];
    DWORD type = 0, size = sizeof(buf) - 1;
    if (RegQueryValueExA(k.Get(), name, nullptr, &type, reinterpret_cast<BYTE*>(buf), &size) !=
            ERROR_SUCCESS ||
        (type != REG_SZ && type != REG_EXPAND_SZ))
        return {};
    buf[size] = '\0';
    return buf;
}

// The machine's list, and the user's, where a standard user's setup
// registers.
const HKEY EntryRoots[] = {HKEY_LOCAL_MACHINE, HKEY_CURRENT_USER};

bool Registered(HKEY root, const TUninstallContext& ctx) {
    return EntryNamesProgram(ReadString(root, app::UninstallKey, "DisplayIcon"),
                             ReadString(root, app::UninstallKey, "UninstallString"), ctx.ExePath);
}

void DeleteKeyTree(HKEY root, const std::string& key) {
    {
        TRegKey k;
        if (RegOpenKeyExA(root, key.c_str(), 0, KEY_READ, k.OutPtr()) != ERROR_SUCCESS) return;
        std::vector<std::string> subkeys;
        char name[256];
        for (DWORD i = 0;; ++i) {
            DWORD len = sizeof(name);
            if (RegEnumKeyExA(k.Get(), i, name, &len, nullptr, nullptr, nullptr, nullptr) !=
                ERROR_SUCCESS)
                break;
            subkeys.emplace_back(name, len);
        }
        for (const std::string& s : subkeys) DeleteKeyTree(root, key + "\\" + s);
    }
    RegDeleteKeyA(root, key.c_str());
}

// The key goes only when nothing is left in it.
void DeleteKeyIfEmpty(HKEY root, const std::string& key) {
    {
        TRegKey k;
        if (RegOpenKeyExA(root, key.c_str(), 0, KEY_READ, k.OutPtr()) != ERROR_SUCCESS) return;
        DWORD subkeys = 0, values = 0;
        if (RegQueryInfoKeyA(k.Get(), nullptr, nullptr, nullptr, &subkeys, nullptr, nullptr,
                             &values, nullptr, nullptr, nullptr, nullptr) != ERROR_SUCCESS ||
            subkeys != 0 || values != 0)
            return;
    }
    RegDeleteKeyA(root, key.c_str());
}

std::string SharedDataBase() {
    std::string base = GetShellFolder(CSIDL_COMMON_APPDATA_);
    if (base.empty()) base = GetShellFolder(CSIDL_PERSONAL_);
    return base.empty() ? base : JoinPath(base, "Parvela");
}

std::string SharedDataFolder() {
    const std::string shared = SharedDataBase();
    return !shared.empty() && FolderExists(shared) ? shared : std::string();
}

enum class TDeleteResult { Removed, Gone, Failed };

// Retry until it goes or the user leaves it; a read-only mark is no reason
// to keep a file the setup wrote.
TDeleteResult DeleteWithRetry(const TUninstallContext& ctx, const std::string& path) {
    // The running original cannot be deleted, but it can be moved off the
    // volume's folder tree into the copy's own folder, which goes later.
    if (!ctx.AsideFolder.empty() && TextEqualsIgnoreCase(path, ctx.ExePath)) {
        const std::string aside = JoinPath(ctx.AsideFolder, "original.exe");
        if (MoveFileExA(path.c_str(), aside.c_str(), MOVEFILE_REPLACE_EXISTING)) {
            MoveFileExA(aside.c_str(), nullptr, MOVEFILE_DELAY_UNTIL_REBOOT);
            return TDeleteResult::Removed;
        }
    }
    while (true) {
        SetFileAttributesA(path.c_str(), FILE_ATTRIBUTE_NORMAL);
        if (DeleteFileA(path.c_str())) return TDeleteResult::Removed;
        const DWORD err = GetLastError();
        if (err == ERROR_FILE_NOT_FOUND || err == ERROR_PATH_NOT_FOUND) return TDeleteResult::Gone;
        if (!ctx.Ask || ctx.Ask(FormatText(FileInUseText, path), TMsgKind::Error,
                                TMsgButtons::Retry | TMsgButtons::Ignore,
                                TModalResult::None) != TModalResult::Retry)
            return TDeleteResult::Failed;
    }
}

bool AnyLink(const std::vector<std::string>& folders) {
    return std::any_of(folders.begin(), folders.end(), IsLink);
}

TSetupPlaces PlacesOf(const TUninstallContext& ctx) {
    return {ctx.MainDir, ctx.DataDir, ctx.ShortcutFolders};
}

// Looked at again each time: a folder may have become a link meanwhile.
void RemoveEmptyFolders(const TSetupPlaces& places, const std::vector<std::string>& deepestFirst) {
    for (const std::string& folder : deepestFirst) {
        const auto way = FoldersOnTheWay(folder, true, places);
        if (way && !AnyLink(*way)) RemoveDirectoryA(folder.c_str());
    }
}

// Only Install.log is left in the main folder.
bool OnlyLogLeft(const std::string& mainDir) {
    TFileSearch find(mainDir + "*.*");
    if (!find.Valid()) return false;
    bool log = false;
    do {
        const std::string name = find.Entry().cFileName;
        if (name == "." || name == "..") continue;
        if (!TextEqualsIgnoreCase(name, app::InstallLogFile)) return false;
        log = true;
    } while (find.Next());
    return log;
}

bool IsOurRemovalCopy(const std::string& exePath) {
    const std::string folder = ParentFolder(exePath);
    std::string name = folder;
    if (EndsWithBackslash(name)) DropLastChar(name);
    name = name.substr(ParentFolder(name).size());
    return TextEqualsIgnoreCase(ParentFolder(folder), GetTempFolder()) &&
           name.rfind(TempNamePrefix(), 0) == 0;
}

std::string OwnPath() {
    char buf[MAX_PATH + 1];
    const DWORD n = GetModuleFileNameA(nullptr, buf, sizeof(buf));
    return n == 0 || n >= sizeof(buf) ? std::string() : std::string(buf, n);
}

BOOL CALLBACK FindMarkedWindow(HWND window, LPARAM found) {
    if (GetPropA(window, app::RunningProperty) == nullptr) return TRUE;
    *reinterpret_cast<bool*>(found) = true;
    return FALSE;
}

bool AppRunning() {
    bool found = false;
    EnumWindows(FindMarkedWindow, reinterpret_cast<LPARAM>(&found));
    return found;
}

// The copy's result for the original, which waits for it on the copy's
// standard output; a copy started by hand has none.
void ReportToOriginal(int code) {
    HANDLE out = GetStdHandle(STD_OUTPUT_HANDLE);
    if (out == nullptr || out == INVALID_HANDLE_VALUE) return;
    const char byte = static_cast<char>(code);
    DWORD done = 0;
    WriteFile(out, &byte, 1, &done, nullptr);
    SetStdHandle(STD_OUTPUT_HANDLE, nullptr);
    CloseHandle(out);
}

void ShowFinal(const TUninstallContext& ctx, const TRemovalOutcome& outcome) {
    if (ctx.Ask)
        ctx.Ask(FinalText(outcome),
                outcome.Failed.empty() ? TMsgKind::Information : TMsgKind::Warning, TMsgButtons::Ok,
                TModalResult::None);
}

// Shows why nothing can be removed; false when removal can go ahead.
bool RefuseUnlessReady(const TUninstallContext& ctx, const TSurvey& survey, int& exitCode) {
    if (survey.Kind == TSurveyKind::Ready) return false;
    TMsgKind kind = TMsgKind::Information;
    const std::string text = SurveyMessage(ctx, survey, kind);
    if (ctx.Ask) ctx.Ask(text, kind, TMsgButtons::Ok, TModalResult::None);
    exitCode = ExitCodeOf(survey.Kind == TSurveyKind::Portable ? TExitCode::NothingToRemove
                                                               : TExitCode::CouldNotStart);
    return true;
}

}  // namespace

std::string DataFolder() { return SharedDataBase(); }

std::vector<std::string> ShortcutFolders() {
    std::vector<std::string> folders;
    for (int csidl : {CSIDL_PROGRAMS_, CSIDL_DESKTOPDIRECTORY_, CSIDL_COMMON_PROGRAMS_,
                      CSIDL_COMMON_DESKTOPDIRECTORY_})
        if (std::string f = GetShellFolder(csidl); !f.empty()) folders.push_back(f);
    return folders;
}

TSurvey SurveyInstallation(const TUninstallContext& ctx) {
    TSurvey s;
    s.LogPath = LogPathOf(ctx);
    if (IsRemovableLocation(ctx.MainDir)) return s;
    std::string text;
    // A log of this size is not the setup's.
    if (ReadWholeFile(s.LogPath, text, 16 * 1024 * 1024) == TFileRead::Read) {
        s.Log = ReadInstallLog(text);
        s.Kind = s.Log.Damaged ? TSurveyKind::LogProblem : TSurveyKind::Ready;
        return s;
    }
    bool registered = false;
    for (HKEY root : EntryRoots) registered = registered || Registered(root, ctx);
    // A log that exists but cannot be read counts as missing.
    s.Kind = registered || PathExists(s.LogPath) ? TSurveyKind::LogProblem : TSurveyKind::Portable;
    return s;
}

std::string SurveyMessage(const TUninstallContext& ctx, const TSurvey& survey, TMsgKind& kind) {
    if (survey.Kind == TSurveyKind::Portable) {
        kind = TMsgKind::Information;
        std::string folder = ctx.MainDir;
        if (EndsWithBackslash(folder) && folder.size() > 3) DropLastChar(folder);
        return FormatText(PortableText, folder);
    }
    kind = TMsgKind::Error;
    return LogProblemText(survey.LogPath, survey.Log);
}

void TakeBackAssociation(const char* extension, const char* progId) {
    const std::string path = std::string(ClassesKey) + extension;
    {
        TRegKey key;
        if (RegOpenKeyExA(HKEY_CURRENT_USER, path.c_str(), 0, KEY_READ | KEY_WRITE, key.OutPtr()) !=
            ERROR_SUCCESS)
            return;
        if (!TextEqualsIgnoreCase(ReadString(HKEY_CURRENT_USER, path, nullptr), progId)) return;
        RegDeleteValueA(key.Get(), nullptr);
    }
    DeleteKeyIfEmpty(HKEY_CURRENT_USER, path);
}

void RemoveRegistration(const TUninstallContext& ctx) {
    for (HKEY root : EntryRoots)
        if (Registered(root, ctx)) DeleteKeyTree(root, app::UninstallKey);

    // The document types are ours only while our type's open command starts
    // this copy; another installation's claims stay.
    const std::string progId = std::string(ClassesKey) + app::AssocProgId;
    const std::string command =
        ReadString(HKEY_CURRENT_USER, progId + "\\shell\\open\\command", nullptr);
    const std::string ours = "\"" + ctx.ExePath + "\"";
    if (command.size() >= ours.size() &&
        TextEqualsIgnoreCase(command.substr(0, ours.size()), ours)) {
        for (const char* ext : app::AssocExtensions) TakeBackAssociation(ext, app::AssocProgId);
        DeleteKeyTree(HKEY_CURRENT_USER, progId);
        SHChangeNotify(SHCNE_ASSOCCHANGED, SHCNF_IDLIST, nullptr, nullptr);
    }

    // The settings go unless they already point at another installation.
    const std::string mainDir = ReadString(HKEY_CURRENT_USER, app::InstallKey, "MAINDIR");
    if (mainDir.empty() || TextEqualsIgnoreCase(FolderForm(mainDir), FolderForm(ctx.MainDir))) {
        std::string internal = app::InternalKey;
        DropFirstChar(internal);
        DeleteKeyTree(HKEY_CURRENT_USER, app::InstallKey);
        DeleteKeyTree(HKEY_CURRENT_USER, internal);
        std::string product = ParentFolder(app::InstallKey);
        DropLastChar(product);
        DeleteKeyIfEmpty(HKEY_CURRENT_USER, product);
    }
}

TRemovalOutcome RemoveInstallation(const TUninstallContext& ctx, const TInstallRecord& record) {
    TRemovalOutcome out;
    const std::string logPath = LogPathOf(ctx);
    FILETIME logTime{};
    const bool haveLogTime = LastWrite(logPath, logTime);
    const std::vector<std::string> folders = FoldersDeepestFirst(record.Folders);
    const TSetupPlaces places = PlacesOf(ctx);

    size_t done = 0;
    for (const std::string& file : record.Files) {
        if (ctx.Progress) ctx.Progress(done++, record.Files.size());
        // A line naming a file the setup could not have written is not its
        // own, and whoever could write the log must not steer the removal
        // there.
        const auto way = FoldersOnTheWay(file, false, places);
        if (!way || TextEqualsIgnoreCase(file, logPath)) continue;
        // Below a link the file is somewhere else now.
        if (AnyLink(*way)) {
            RunLogLine("Left (below a link): " + file);
            out.Failed.push_back(file);
            continue;
        }
        TFileFacts facts;
        FILETIME written{};
        facts.Exists = LastWrite(file, written);
        if (facts.Exists) {
            facts.Modified = GetFileModifiedTime(file);
            facts.RecordTime = RecordTimeOf(file, ctx.RecordTimes);
            facts.NewerThanLog = haveLogTime && CompareFileTime(&written, &logTime) > 0;
        } else if (PathExists(file)) {
            // A link or a folder in a file's place is not what the setup wrote.
            continue;
        }
        switch (JudgeFile(facts)) {
        case TFileFate::Gone: break;
        case TFileFate::Changed:
            RunLogLine("Kept (changed since the installation): " + file);
            out.Changed.push_back(file);
            break;
        case TFileFate::Remove:
            if (DeleteWithRetry(ctx, file) == TDeleteResult::Failed) {
                RunLogLine("Left (could not be removed): " + file);
                out.Failed.push_back(file);
            } else {
                RunLogLine("Removed: " + file);
            }
            break;
        }
    }
    RemoveEmptyFolders(places, folders);

    RemoveRegistration(ctx);

    if (!IsLink(ctx.MainDir)) {
        if (OnlyLogLeft(ctx.MainDir)) DeleteFileA(logPath.c_str());
        RemoveDirectoryA(ctx.MainDir.c_str());
        // Folders above the main folder that the setup made.
        RemoveEmptyFolders(places, folders);
    }
    out.SharedData = SharedDataFolder();
    return out;
}

TAsk SilentAnswers(int retries, int pauseMs) {
    auto last = std::make_shared<std::pair<std::string, int>>();
    return [retries, pauseMs, last](const std::string& text, TMsgKind, TMsgButtons buttons,
                                    TModalResult) -> TModalResult {
        RunLogLine("Question: " + text);
        TModalResult answer = TModalResult::Ok;
        if (Has(buttons, TMsgButtons::Yes)) {
            answer = TModalResult::Yes;
        } else if (Has(buttons, TMsgButtons::Retry)) {
            // The same question again is the same file still in use.
            if (last->first != text) *last = {text, 0};
            answer = last->second++ < retries ? TModalResult::Retry : TModalResult::Ignore;
            if (answer == TModalResult::Retry) Sleep(static_cast<DWORD>(pauseMs));
        }
        RunLogLine(answer == TModalResult::Yes      ? "Answer: Yes"
                   : answer == TModalResult::Retry  ? "Answer: Retry"
                   : answer == TModalResult::Ignore ? "Answer: Ignore"
                                                    : "Answer: OK");
        return answer;
    };
}

int RunUninstall(const TUninstallContext& ctx, bool confirm) {
    // A setup running now would write the entry and the log back over the
    // removal, or lose the files it just wrote. The removal copy works while
    // the original, holding the claim, waits for it.
    if (confirm && !ClaimSetupInstance()) {
        if (ctx.Ask)
            ctx.Ask(AnotherSetupText, TMsgKind::Information, TMsgButtons::Ok, TModalResult::None);
        return ExitCodeOf(TExitCode::AnotherSetupRunning);
    }
    int exitCode = 0;
    const TSurvey survey = SurveyInstallation(ctx);
    if (RefuseUnlessReady(ctx, survey, exitCode)) return exitCode;
    // Its own file and its documents' folders are in use while it runs.
    if (AppRunning()) {
        if (ctx.Ask)
            ctx.Ask(AppRunningText, TMsgKind::Information, TMsgButtons::Ok, TModalResult::None);
        return ExitCodeOf(TExitCode::AppRunning);
    }
    if (confirm) {
        if (!ctx.Quiet && (!ctx.Ask || ctx.Ask(ConfirmText, TMsgKind::Confirmation,
                                               TMsgButtons::Yes | TMsgButtons::No,
                                               TModalResult::No) != TModalResult::Yes))
            return ExitCodeOf(TExitCode::Cancelled);
        if (const std::optional<int> code = StartRemovalCopy(ctx.ExePath, ctx.Switches))
            return *code;
    }
    const TRemovalOutcome outcome = RemoveInstallation(ctx, survey.Log.Record);
    if (!ctx.Quiet) ShowFinal(ctx, outcome);
    return ExitCodeOf(outcome.Failed.empty() ? TExitCode::Success : TExitCode::Failed);
}

std::string MakeRemovalCopyFolder(const std::string& temp) {
    // RtlGenRandom, exported under this name since XP.
    using TGenRandom = BOOLEAN(WINAPI*)(PVOID, ULONG);
    const auto random = reinterpret_cast<TGenRandom>(reinterpret_cast<void*>(
        GetProcAddress(GetModuleHandleA("advapi32.dll"), "SystemFunction036")));
    uint8_t bytes[8] = {};
    if (temp.empty() || !random || !random(bytes, sizeof(bytes))) return {};
    std::string name = TempNamePrefix() + "-ui";
    for (uint8_t b : bytes) {
        name += "0123456789abcdef"[b >> 4];
        name += "0123456789abcdef"[b & 15];
    }
    // A folder that exists already may hold what someone planted for the copy.
    const std::string folder = JoinPath(temp, name);
    return CreateDirectoryA(folder.c_str(), nullptr) ? folder : std::string();
}

std::optional<int> StartRemovalCopy(const std::string& exePath, const std::string& switches) {
    const std::string temp = GetTempFolder();
    // A new folder of our own: nothing planted beside the copy can be loaded
    // with it, and the setup's own clean-up knows the name.
    const std::string folder = MakeRemovalCopyFolder(temp);
    if (folder.empty()) return std::nullopt;
    const std::string name = exePath.substr(ParentFolder(exePath).size());
    const std::string copy = JoinPath(folder, name);
    auto giveUp = [&] {
        DeleteFileA(copy.c_str());
        RemoveDirectoryA(folder.c_str());
        return std::nullopt;
    };
    if (!CopyFileA(exePath.c_str(), copy.c_str(), TRUE)) return giveUp();

    HANDLE self = nullptr;
    if (!DuplicateHandle(GetCurrentProcess(), GetCurrentProcess(), GetCurrentProcess(), &self,
                         SYNCHRONIZE, TRUE, 0))
        return giveUp();
    TUniqueHandle selfOwner(self);
    std::string line = "\"" + copy + "\" " + RemovalCopySwitch + " " +
                       std::to_string(reinterpret_cast<uintptr_t>(self)) + " \"" + exePath + "\"" +
                       (switches.empty() ? "" : " " + switches);
    // The copy reports its exit code on its standard output, before it
    // waits for this process to end.
    SECURITY_ATTRIBUTES inherit{sizeof inherit, nullptr, TRUE};
    HANDLE readEnd = nullptr, writeEnd = nullptr;
    if (!CreatePipe(&readEnd, &writeEnd, &inherit, 0)) return giveUp();
    TUniqueHandle reader(readEnd), writer(writeEnd);
    SetHandleInformation(readEnd, HANDLE_FLAG_INHERIT, 0);
    STARTUPINFOA si{};
    si.cb = sizeof(si);
    si.dwFlags = STARTF_USESTDHANDLES;
    si.hStdOutput = writeEnd;
    PROCESS_INFORMATION pi{};
    // Started in the temporary folder, so that no process holds the main
    // folder as its current one.
    if (!CreateProcessA(copy.c_str(), line.data(), nullptr, nullptr, TRUE, 0, nullptr, temp.c_str(),
                        &si, &pi))
        return giveUp();
    TUniqueHandle process(pi.hProcess), thread(pi.hThread);
    writer.Reset();  // the copy's end alone: its exit ends the read
    char code = 0;
    DWORD got = 0;
    if (!ReadFile(reader.Get(), &code, 1, &got, nullptr) || got != 1)
        return ExitCodeOf(TExitCode::Failed);
    return static_cast<unsigned char>(code);
}

bool WaitForOriginal(uintptr_t processHandle) {
    TUniqueHandle original(reinterpret_cast<HANDLE>(processHandle));
    return original.Valid() && WaitForSingleObject(original.Get(), 60000) == WAIT_OBJECT_0;
}

int RunRemovalCopy(const TUninstallContext& ctx, uintptr_t processHandle) {
    // Run by hand from anywhere else, this switch would remove without asking.
    const std::string self = OwnPath();
    if (!IsOurRemovalCopy(self)) return 2;
    TUninstallContext own = ctx;
    own.AsideFolder = ParentFolder(self);
    const int code = RunUninstall(own, false);
    ReportToOriginal(code);
    // What the original's running file kept: its file where it could not be
    // moved aside, then the main folder.
    if (WaitForOriginal(processHandle)) {
        DeleteFileA(JoinPath(own.AsideFolder, "original.exe").c_str());
        if (DeleteFileA(ctx.ExePath.c_str())) {
            const std::string mainDir = FolderForm(ctx.MainDir);
            if (OnlyLogLeft(mainDir)) DeleteFileA(LogPathOf(ctx).c_str());
            RemoveDirectoryA(mainDir.c_str());
        }
    }
    ScheduleOwnRemoval();
    return code;
}

void ScheduleOwnRemoval() {
    const std::string self = OwnPath();
    if (self.empty() || !IsOurRemovalCopy(self)) return;
    std::string folder = ParentFolder(self);
    DropLastChar(folder);
    // Pending deletions run in order: the file, then its emptied folder.
    MoveFileExA(self.c_str(), nullptr, MOVEFILE_DELAY_UNTIL_REBOOT);
    MoveFileExA(folder.c_str(), nullptr, MOVEFILE_DELAY_UNTIL_REBOOT);
}

}  // namespace uninst
