#include "wizard/FolderPage_win.h"

#include <algorithm>

#include "instutils/InstUtils.h"
#include "instutils/WinHandles.h"
#include "integration/FileSet.h"
#include "payload/AttachFiles.h"
#include "wizard/FolderPage.h"

namespace {

std::string WindowText(HWND window) {
    int len = GetWindowTextLengthA(window);
    if (len <= 0) return {};
    std::string text(static_cast<size_t>(len) + 1, '\0');
    int got = GetWindowTextA(window, text.data(), len + 1);
    text.resize(got > 0 ? static_cast<size_t>(got) : 0);
    return text;
}

}  // namespace

std::string ProgramFilesFolder() { return GetShellFolder(CSIDL_PROGRAM_FILES_); }

void InitDestDirPage(HWND destDirEdt, TDriveBox& box, TDirectoryListBox& list,
                     const std::string& mainDir, std::function<bool()> ready) {
    box.SetFolderList(&list);
    list.SetDriveBox(&box);
    if (box.Mask() == 0) box.Rebuild();  // the box reads the mask when it is created
    list.OnChange = [destDirEdt, &list, &box, ready] {
        DestDirLstBxChange(destDirEdt, list, box, ready && ready());
    };
    SetWindowTextA(destDirEdt, mainDir.c_str());
    list.SetDirectory(mainDir);
}

TFolderCheck CheckDestDirEdit(HWND destDirEdt) {
    // The edit may hold characters that its 8-bit text turns into "?" or
    // into look-alikes; only the wide text tells.
    const int len = GetWindowTextLengthW(destDirEdt);
    if (len > 0) {
        std::wstring wide(static_cast<size_t>(len) + 1, L'\0');
        const int got = GetWindowTextW(destDirEdt, wide.data(), len + 1);
        BOOL lost = FALSE;
        if (got > 0 &&
            WideCharToMultiByte(CP_ACP, WC_NO_BEST_FIT_CHARS, wide.data(), got, nullptr, 0, nullptr,
                                &lost) > 0 &&
            lost)
            return {TFolderProblem::NotInCodePage, {}};
    }
    return CheckTypedFolder(WindowText(destDirEdt));
}

namespace {

size_t CharacterCount(const std::string& text) {
    const int n = MultiByteToWideChar(CP_ACP, 0, text.data(), static_cast<int>(text.size()),
                                      nullptr, 0);
    return n > 0 ? static_cast<size_t>(n) : text.size();
}

}  // namespace

TFolderCheck CheckMainDirPlace(const std::string& mainDir, const TAttachedFiles* files) {
    // What this kind of installation writes there, counted in characters:
    // a double-byte character is one for the system's path limits.
    std::vector<std::string> names;
    if (files)
        for (const TAttachedFile& e : files->Entries) names.push_back(e.Name);
    const std::string longest = LongestNameBelowMainDir(IsRemovableLocation(mainDir), names);
    TFolderCheck check = CheckFolderLength(CharacterCount(mainDir), CharacterCount(longest));
    if (check.Problem != TFolderProblem::None) return check;
    // The nearest part of the path that exists must be a folder.
    for (std::string p = mainDir; !p.empty();) {
        // A file named with a trailing backslash is not found at all.
        const std::string named = StripFolderSlash(p);
        const DWORD attr = GetFileAttributesA(named.c_str());
        if (attr != INVALID_FILE_ATTRIBUTES) {
            if (!(attr & FILE_ATTRIBUTE_DIRECTORY)) return {TFolderProblem::NamesFile, named};
            break;
        }
        std::string parent = ParentFolder(p);
        if (parent.size() >= p.size()) break;
        p = std::move(parent);
    }
    // Refused now, not file by file once the run has started.
    if (IsWriteRefused(mainDir)) return {TFolderProblem::NotWritable, mainDir};
    return {};
}

namespace {

// The Windows folder in the long form paths are compared in; empty when
// the system does not say.
std::string WindowsFolder() {
    char buffer[MAX_PATH + 1] = {};
    const UINT got = GetSystemWindowsDirectoryA(buffer, MAX_PATH);
    if (got == 0 || got > MAX_PATH) return {};
    return GetFullFolderPath(buffer);
}

// Whether an earlier installation of ours is there: its log, or (for a
// portable one, which keeps no log) the program.
bool HoldsOurInstallation(const std::string& folder) {
    for (const char* name : {"Install.log", "parv.exe"}) {
        const DWORD attr = GetFileAttributesA(JoinPath(folder, name).c_str());
        if (attr != INVALID_FILE_ATTRIBUTES && !(attr & FILE_ATTRIBUTE_DIRECTORY)) return true;
    }
    return false;
}

bool HoldsAnything(const std::string& folder) {
    TFileSearch entry(JoinPath(folder, "*"));
    for (bool more = entry.Valid(); more; more = entry.Next()) {
        const std::string name = entry.Entry().cFileName;
        if (name != "." && name != "..") return true;
    }
    return false;
}

}  // namespace

TFolderCheck CheckMainFolder(const std::string& text, char driveLetter, const TAttachedFiles* files,
                             std::string& mainDir) {
    TFolderCheck check = CheckTypedFolder(text);
    if (check.Problem != TFolderProblem::None) return check;
    mainDir = NormalizeDestDirText(text, driveLetter, ProgramFilesFolder(), GetFullFolderPath);
    check = CheckResolvedFolder(mainDir);
    if (check.Problem != TFolderProblem::None) return check;
    // Through a short name, a link or ".." steps too: the full long form.
    const std::string resolved = GetFullFolderPath(mainDir);
    if (IsSameOrBelow(resolved.empty() ? mainDir : resolved, WindowsFolder()))
        return {TFolderProblem::WindowsFolder, mainDir};
    check = CheckMainDirPlace(mainDir, files);
    if (check.Problem != TFolderProblem::None) return check;
    const DWORD attr = GetFileAttributesA(mainDir.c_str());
    if (attr != INVALID_FILE_ATTRIBUTES && (attr & FILE_ATTRIBUTE_DIRECTORY) &&
        !HoldsOurInstallation(mainDir) && HoldsAnything(mainDir))
        return {TFolderProblem::ForeignFiles, mainDir};
    return {};
}

void NormalizeDestDir(HWND destDirEdt, const TDriveBox& box) {
    std::string text = NormalizeDestDirText(WindowText(destDirEdt), box.Drive(),
                                            ProgramFilesFolder(), GetFullFolderPath);
    SetWindowTextA(destDirEdt, text.c_str());
}

void DestDirLstBxChange(HWND destDirEdt, const TDirectoryListBox& list, const TDriveBox& box,
                        bool ready) {
    if (!ready) return;
    SetWindowTextA(destDirEdt, list.Directory().c_str());
    NormalizeDestDir(destDirEdt, box);
}

void DriveTimerTick(TDriveBox& box) {
    // Only the mask is read every second; the rest runs when it changed.
    if (GetLogicalDrives() == box.Mask()) return;
    const uint32_t oldMask = box.Mask();
    const std::string shown = box.SelectedText();
    box.Rebuild();
    uint32_t listed = 0;
    for (int i = 0; i < box.ItemCount(); ++i) {
        const std::string text = box.ItemText(i);
        if (!text.empty() && text[0] >= 'a' && text[0] <= 'z') listed |= 1u << (text[0] - 'a');
    }
    TDriveTimerStep step =
        DecideDriveTimerStep(oldMask, box.Mask(), box.Drive(), ProgramFilesFolder(), listed);
    switch (step.Action) {
    case TDriveTimerAction::Reselect: box.SelectText(shown); break;
    case TDriveTimerAction::SetDrive: box.SetDrive(step.Drive); break;
    case TDriveTimerAction::Nothing:
    case TDriveTimerAction::LeaveUnselected: break;
    }
}

TFolderCheck CheckUnattendedFolder(const std::string& typed, const TAttachedFiles* files,
                                   std::string& folder) {
    // The same rules as the page; with nobody to ask, ForeignFiles refuses too.
    return CheckMainFolder(typed, 0, files, folder);
}
