#include "payload/AttachFiles.h"

#include <windows.h>

#include <climits>

#include "instutils/DayCount.h"
#include "instutils/InstUtils.h"
#include "instutils/InstallLog.h"
#include "instutils/ReplaceFile_win.h"
#include "instutils/ResConst.h"
#include "instutils/RunLog.h"
#include "instutils/WinHandles.h"
#include "payload/InstallThread.h"

bool IsWithinImage(const void* module, const void* bytes, size_t size) {
    // The loader has checked the headers it mapped; the resource directory's
    // entries it has not, and one may point anywhere.
    const auto* base = static_cast<const uint8_t*>(module);
    if (base == nullptr) return false;
    const auto* dos = reinterpret_cast<const IMAGE_DOS_HEADER*>(base);
    const auto* nt = reinterpret_cast<const IMAGE_NT_HEADERS*>(base + dos->e_lfanew);
    const uintptr_t start = reinterpret_cast<uintptr_t>(base);
    const uintptr_t at = reinterpret_cast<uintptr_t>(bytes);
    const size_t imageSize = nt->OptionalHeader.SizeOfImage;
    return at >= start && at - start <= imageSize && size <= imageSize - (at - start);
}

namespace {

struct TResourceBytes {
    const uint8_t* Data = nullptr;
    size_t Size = 0;
    bool Outside = false;  // the directory points past the image: not a byte is read
};

// Resource memory belongs to the module image: nothing here needs release.
TResourceBytes FindResourceBytes(const char* name) {
    HRSRC res = FindResourceA(nullptr, name, "FILES");
    HGLOBAL loaded = res ? LoadResource(nullptr, res) : nullptr;
    const void* bytes = loaded ? LockResource(loaded) : nullptr;
    if (bytes == nullptr) return {};
    const size_t size = SizeofResource(nullptr, res);
    if (!IsWithinImage(GetModuleHandleA(nullptr), bytes, size)) return {nullptr, 0, true};
    return {static_cast<const uint8_t*>(bytes), size, false};
}

}  // namespace

std::unique_ptr<TAttachedFiles> TAttachedFiles::CreateFromResource(TPayloadError* error) {
    const TResourceBytes packed = FindResourceBytes("FILES");
    if (packed.Outside || packed.Size == 0) {
        if (error) *error = packed.Outside ? TPayloadError::OutsideImage : TPayloadError::Empty;
        return nullptr;
    }
    return Create(packed.Data, packed.Size, error);
}

TPayloadError CheckResourcePayloadCrc() {
    const TResourceBytes packed = FindResourceBytes("FILES");
    const TResourceBytes stored = FindResourceBytes("FILESCRC");
    if (packed.Outside || stored.Outside) return TPayloadError::OutsideImage;
    return CheckPackedCrc(packed.Data, packed.Size, stored.Data, stored.Size);
}

namespace {

// The stored local day count as a UTC file time, through the packed DOS date
// and time so that the file reads back with exactly that stamp.
bool DayCountToFileTime(double dayCount, FILETIME& utc) {
    TDateTime t;
    if (!DecodeDayCount(dayCount, t) || t.Year < 1980 || t.Year > 2099) return false;
    const WORD dosDate = WORD((t.Year - 1980) << 9 | t.Month << 5 | t.Day);
    const WORD dosTime = WORD(t.Hour << 11 | t.Minute << 5 | t.Second / 2);
    FILETIME local;
    return DosDateTimeToFileTime(dosDate, dosTime, &local) && LocalFileTimeToFileTime(&local, &utc);
}

// The system's own words for an error code, on one line.
std::string SystemErrorText(DWORD error) {
    char* text = nullptr;
    const DWORD len = FormatMessageA(
        FORMAT_MESSAGE_ALLOCATE_BUFFER | FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS,
        nullptr, error, 0, reinterpret_cast<LPSTR>(&text), 0, nullptr);
    std::string reason(text ? text : "", text ? len : 0);
    LocalFree(text);
    for (char& c : reason)
        if (c == '\r' || c == '\n') c = ' ';
    while (!reason.empty() && reason.back() == ' ') reason.pop_back();
    return reason.empty() ? "Error " + std::to_string(error) + "." : reason;
}

struct TAttempt {
    TReplaceStep Step;
    DWORD Error;
    std::string Link;  // the folder link that was refused, if that was the failure
};

// `lastFolder` is the folder the last file was written into. Files of one
// folder follow one another, and asking for the folder before each costs
// about as much as writing a small file; when it has gone meanwhile, the
// create fails and the chain is made then. Only one thread extracts at a time.
TAttempt WriteEntry(const uint8_t* data, const TAttachedFile& e, const std::string& target,
                    std::string& lastFolder, TInstallLog* log) {
    const size_t slash = FindLastPathChar(target, "\\");
    const std::string folder =
        slash == std::string::npos ? std::string() : target.substr(0, slash + 1);
    const bool known = !folder.empty() && folder == lastFolder;
    if (!folder.empty() && !known) {
        // A link someone could plant would take the files where they decide,
        // with this program's rights: such a folder cannot be written.
        std::string link = FindForeignLink(folder);
        if (!link.empty()) {
            lastFolder.clear();
            return {TReplaceStep::Create, ERROR_ACCESS_DENIED, std::move(link)};
        }
        CreateFolderChain(folder, log);
    }
    FILETIME utc;
    const bool timed = DayCountToFileTime(e.Time, utc);
    TReplaceStep step =
        ReplaceFileContents(target, data + e.Offset, size_t(e.Size), timed ? &utc : nullptr);
    if (step == TReplaceStep::Create && known) {
        CreateFolderChain(folder, log);
        step = ReplaceFileContents(target, data + e.Offset, size_t(e.Size), timed ? &utc : nullptr);
    }
    lastFolder = step == TReplaceStep::Done ? folder : std::string();
    if (step != TReplaceStep::Done) return {step, GetLastError(), {}};
    RunLogLine("Written: " + target);
    if (log) log->AddLogLine("File Copy: " + target);
    return {step, ERROR_SUCCESS, {}};
}

bool IsExistingFile(const std::string& path) {
    const DWORD attr = GetFileAttributesA(path.c_str());
    return attr != INVALID_FILE_ATTRIBUTES && !(attr & FILE_ATTRIBUTE_DIRECTORY);
}

bool IsFolderPrefix(const std::string& name) { return !name.empty() && name.back() == '\\'; }

}  // namespace

bool TAttachedFiles::ExtractFile(const TAttachedFile* entry, const std::string& name,
                                 const std::string& target) {
    if (entry == nullptr) {
        for (auto it = Entries.rbegin(); it != Entries.rend(); ++it) {
            if (TextEqualsIgnoreCase(it->Name, name)) {
                entry = &*it;
                break;
            }
        }
        // Nothing to write: the caller cannot go on with a file that is not there.
        if (entry == nullptr) return false;
    }
    for (;;) {
        const TAttempt attempt = WriteEntry(Block.data(), *entry, target, LastFolder, Log);
        if (attempt.Step == TReplaceStep::Done) return true;
        // A write that failed on the way says what the system reported.
        TThreadQuestion question;
        question.Path = target;
        if (!attempt.Link.empty()) {
            question.Kind = TThreadQuestionKind::LinkedFolder;
            question.Path = attempt.Link;
        } else if (attempt.Step == TReplaceStep::Write) {
            question.Kind = TThreadQuestionKind::CannotWrite;
            question.Reason = SystemErrorText(attempt.Error);
        }
        if (RunLogOpen()) RunLogLine("Failed: " + target + " (" + SystemErrorText(attempt.Error) + ")");
        const TThreadAnswer answer = AskFromThread(question);
        if (answer == TThreadAnswer::Abort) return false;
        if (answer == TThreadAnswer::Ignore) {
            Skipped.push_back(target);
            return true;
        }
    }
}

bool TAttachedFiles::AddFile(const std::string& nameOrPrefix, const std::string& folder,
                             int component, TOverwriteMode mode) {
    if (component < 0 || component >= static_cast<int>(InstallLists.size())) return false;
    const TOverwriteMode effective = ForceOverwrite ? TOverwriteMode::Always : mode;
    const bool prefix = IsFolderPrefix(nameOrPrefix);
    std::string publicFolder;
    bool anyQueued = false;
    for (const TAttachedFile& e : Entries) {
        if (!MatchesEntry(nameOrPrefix, e.Name)) continue;
        std::string target = folder;
        if (!FullPathMode) {
            AppendPathSeparator(target);
            target += e.Name;
        }
        bool queue = true;
        if (effective != TOverwriteMode::Always && IsExistingFile(target)) {
            queue = effective == TOverwriteMode::IfAbsentOrChanged &&
                    GetFileModifiedTime(target) != e.Time;
            if (!queue) RunLogLine("Kept by its overwrite rule: " + target);
        }
        if (queue) {
            InstallLists[static_cast<size_t>(component)].push_back(
                TFileToInstall{&e, target, !Log || Log->LogSuspensionCount() == 0});
            if (FileSetMode) {
                if (publicFolder.empty())
                    publicFolder =
                        JoinPath(GetShellFolder(CSIDL_COMMON_APPDATA_), "Parvela\\Public\\");
                if (target.size() >= publicFolder.size() &&
                    TextEqualsIgnoreCase(target.substr(0, publicFolder.size()), publicFolder))
                    UpdateList.push_back(mode == TOverwriteMode::IfAbsent ? target + "\t!"
                                                                          : target);
            }
            anyQueued = true;
        }
        if (!prefix) return queue;
    }
    return anyQueued;
}

int32_t TAttachedFiles::GetComponentSize(const std::string& fileList,
                                         const std::string& mainDir) const {
    const std::vector<std::string> lines = SplitLines(fileList);
    // One cluster query for the whole list; the volume cannot change meanwhile.
    const uint32_t cluster = GetClusterSize(mainDir.empty() ? GetCurrentFolder() : mainDir);
    int64_t total = 0;
    for (auto line = lines.rbegin(); line != lines.rend(); ++line) {
        const bool prefix = IsFolderPrefix(*line);
        for (auto e = Entries.rbegin(); e != Entries.rend(); ++e) {
            if (!MatchesEntry(*line, e->Name)) continue;
            total += RoundUpToClusterSize(e->Size, cluster);
            if (!prefix) break;
        }
    }
    return total > INT32_MAX ? INT32_MAX : static_cast<int32_t>(total);
}
