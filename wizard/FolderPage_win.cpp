#include "wizard/FolderPage_win.h"

#include "instutils/InstUtils.h"
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
    if (box.Mask() == 0) box.Rebuild();   // the box lists the drives when it is created
    list.OnChange = [destDirEdt, &list, &box, ready] {
        DestDirLstBxChange(destDirEdt, list, box, ready && ready());
    };
    SetWindowTextA(destDirEdt, mainDir.c_str());
    list.SetDirectory(mainDir);
}

void NormalizeDestDir(HWND destDirEdt, const TDriveBox& box) {
    std::string text = NormalizeDestDirText(WindowText(destDirEdt), box.Drive(), ProgramFilesFolder());
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
    TDriveTimerStep step = DecideDriveTimerStep(oldMask, box.Mask(), box.Drive(),
                                                ProgramFilesFolder(), listed);
    switch (step.Action) {
    case TDriveTimerAction::Reselect:
        box.SelectText(shown);
        break;
    case TDriveTimerAction::SetDrive:
        box.SetDrive(step.Drive);
        break;
    case TDriveTimerAction::Nothing:
    case TDriveTimerAction::LeaveUnselected:
        break;
    }
}
