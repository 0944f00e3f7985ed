#include "instutils/ReplaceFile_win.h"

#include <cstddef>
#include <vector>

#include "instutils/InstUtils.h"

namespace {

using TSetFileInformationByHandle = BOOL(WINAPI*)(HANDLE, FILE_INFO_BY_HANDLE_CLASS, LPVOID, DWORD);

// Renaming the open file by its handle costs one call where MoveFileEx
// opens the file again by name (a large share of a small file's cost). It
// exists from Windows Vista on; before that the move goes by name.
TSetFileInformationByHandle HandleRename() {
    static const auto function =
        reinterpret_cast<TSetFileInformationByHandle>(reinterpret_cast<void*>(
            GetProcAddress(GetModuleHandleA("kernel32.dll"), "SetFileInformationByHandle")));
    return function;
}

// Moves the open file over `target`; false with GetLastError set.
bool RenameOpenFile(HANDLE file, const std::string& target) {
    const int chars =
        MultiByteToWideChar(CP_ACP, 0, target.c_str(), int(target.size()), nullptr, 0);
    if (chars <= 0) return false;
    std::vector<unsigned char> buffer(offsetof(FILE_RENAME_INFO, FileName) +
                                      size_t(chars + 1) * sizeof(WCHAR));
    auto* info = reinterpret_cast<FILE_RENAME_INFO*>(buffer.data());
    info->ReplaceIfExists = TRUE;
    info->RootDirectory = nullptr;
    info->FileNameLength = DWORD(chars) * sizeof(WCHAR);
    MultiByteToWideChar(CP_ACP, 0, target.c_str(), int(target.size()), info->FileName, chars);
    info->FileName[chars] = L'\0';
    return HandleRename()(file, FileRenameInfo, info, DWORD(buffer.size())) != FALSE;
}

}  // namespace

std::string ReplacementName(const std::string& path, unsigned attempt) {
    // Beside the target, so that the move is a rename on one volume; named
    // after the target, so that a killed run's leftover is easy to place.
    return path + ".~tmp" + (attempt == 0 ? std::string() : std::to_string(attempt));
}

namespace {

// Writes all bytes and stamps the file on the handle that wrote them (no
// second open, and the write cannot stamp it again afterwards; a time that
// cannot be set is ignored). ERROR_SUCCESS, or why the bytes did not all go.
DWORD WriteAndStamp(HANDLE file, const void* data, size_t size, const FILETIME* lastWrite) {
    DWORD written = 0;
    if (size > 0 && !WriteFile(file, data, DWORD(size), &written, nullptr)) return GetLastError();
    // A write that stops short without an error has run out of room.
    if (written != size) return ERROR_DISK_FULL;
    if (lastWrite) SetFileTime(file, nullptr, nullptr, lastWrite);
    return ERROR_SUCCESS;
}

// The temporary file is always a new one: whatever already has its name (a
// leftover, or a link planted to have this program write elsewhere) is never
// opened, and the next name is tried instead.
TUniqueHandle CreateReplacementFile(const std::string& path, bool byHandle, std::string& temp) {
    constexpr unsigned attempts = 100;
    for (unsigned n = 0; n < attempts; ++n) {
        temp = ReplacementName(path, n);
        TUniqueHandle file(CreateFileA(temp.c_str(),
                                       GENERIC_READ | GENERIC_WRITE | (byHandle ? DELETE : 0), 0,
                                       nullptr, CREATE_NEW, FILE_ATTRIBUTE_NORMAL, nullptr));
        const DWORD error = GetLastError();
        if (file.Valid() || (error != ERROR_FILE_EXISTS && error != ERROR_ALREADY_EXISTS))
            return file;
    }
    return TUniqueHandle();
}

}  // namespace

TReplaceStep ReplaceFileContents(const std::string& path, const void* data, size_t size,
                                 const FILETIME* lastWrite) {
    // Where no file is yet there is nothing to keep: the file is written under
    // its own name, which saves the move (a fifth of a small file's cost), and
    // removed again when the write fails.
    {
        TUniqueHandle file(CreateFileA(path.c_str(), GENERIC_READ | GENERIC_WRITE, 0, nullptr,
                                       CREATE_NEW, FILE_ATTRIBUTE_NORMAL, nullptr));
        if (file.Valid()) {
            const DWORD error = WriteAndStamp(file.Get(), data, size, lastWrite);
            if (error == ERROR_SUCCESS) return TReplaceStep::Done;
            file.Reset();
            DeleteFileA(path.c_str());
            SetLastError(error);
            return TReplaceStep::Write;
        }
    }

    std::string temp;
    TReplaceStep step = TReplaceStep::Done;
    DWORD error = ERROR_SUCCESS;
    bool moved = false;
    {
        const bool byHandle = HandleRename() != nullptr;
        TUniqueHandle file = CreateReplacementFile(path, byHandle, temp);
        if (!file.Valid()) return TReplaceStep::Create;
        error = WriteAndStamp(file.Get(), data, size, lastWrite);
        if (error != ERROR_SUCCESS) {
            step = TReplaceStep::Write;
        } else if (byHandle) {
            moved = RenameOpenFile(file.Get(), path);
            if (!moved) {
                step = TReplaceStep::Move;
                error = GetLastError();
            }
        }
    }
    if (moved) return TReplaceStep::Done;
    if (step == TReplaceStep::Done) {
        if (MoveFileExA(temp.c_str(), path.c_str(), MOVEFILE_REPLACE_EXISTING))
            return TReplaceStep::Done;
        step = TReplaceStep::Move;
        error = GetLastError();
    }
    DeleteFileA(temp.c_str());
    SetLastError(error);
    return step;
}

bool ReplaceWholeFile(const std::string& path, const std::string& bytes) {
    // Nor are the logs and markers written through a link someone planted.
    if (!FindForeignLink(ParentFolder(path)).empty()) {
        SetLastError(ERROR_ACCESS_DENIED);
        return false;
    }
    return ReplaceFileContents(path, bytes.data(), bytes.size()) == TReplaceStep::Done;
}
