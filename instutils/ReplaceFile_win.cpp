#include "instutils/ReplaceFile_win.h"

std::string ReplacementName(const std::string& path)
{
    // Beside the target, so that the move is a rename on one volume; named
    // after the target, so that a killed run's leftover is easy to place.
    return path + ".~tmp";
}

TReplaceStep ReplaceFileContents(const std::string& path, const void* data, size_t size,
                                 const FILETIME* lastWrite)
{
    const std::string temp = ReplacementName(path);
    TReplaceStep step = TReplaceStep::Done;
    DWORD error = ERROR_SUCCESS;
    {
        UniqueHandle file(CreateFileA(temp.c_str(), GENERIC_READ | GENERIC_WRITE, 0, nullptr,
                                      CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr));
        if (!file.Valid())
            return TReplaceStep::Create;
        DWORD written = 0;
        if (size > 0 && !WriteFile(file.Get(), data, DWORD(size), &written, nullptr)) {
            step = TReplaceStep::Write;
            error = GetLastError();
        } else if (written != size) {
            // A write that stops short without an error has run out of room.
            step = TReplaceStep::Write;
            error = ERROR_DISK_FULL;
        } else if (lastWrite) {
            // On the handle that wrote the data: no second open, and the write
            // cannot stamp the file again afterwards. Failures are ignored.
            SetFileTime(file.Get(), nullptr, nullptr, lastWrite);
        }
    }
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

bool ReplaceWholeFile(const std::string& path, const std::string& bytes)
{
    return ReplaceFileContents(path, bytes.data(), bytes.size()) == TReplaceStep::Done;
}
