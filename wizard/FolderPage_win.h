#pragma once
// The window side of the destination-folder page: the edit's clean-up, the
// folder list's change handler and the drive timer.

#include <windows.h>

#include <functional>
#include <string>

#include "wizard/DriveBox_win.h"
#include "wizard/FolderList_win.h"

// The Program Files folder as the shell reports it (empty when unknown).
std::string ProgramFilesFolder();

// Links box and list both ways, rebuilds the box, puts `mainDir` into the
// edit and points the list at it; the list's change notification then runs
// DestDirLstBxChange with `ready()` read at each call.
void InitDestDirPage(HWND destDirEdt, TDriveBox& box, TDirectoryListBox& list,
                     const std::string& mainDir, std::function<bool()> ready);

class TAttachedFiles;
struct TFolderCheck;

// What is wrong with the edit's text before it is normalised: characters
// the system code page cannot hold, then CheckTypedFolder.
TFolderCheck CheckDestDirEdit(HWND destDirEdt);
// What is wrong with a normalised main folder: too long for the longest
// name the payload writes below it, or it (or a folder above it) is a file.
TFolderCheck CheckMainDirPlace(const std::string& mainDir, const TAttachedFiles* files);

// Every rule for a main folder given as text (typed, from "-d" or from the
// settings), without a window: CheckTypedFolder; then the folder normalised
// and resolved by NormalizeDestDirText (with `driveLetter` for a text
// without a drive; 0: the Program Files drive) into `mainDir`; then
// CheckResolvedFolder, the Windows folder and CheckMainDirPlace. Last,
// ForeignFiles for an existing folder that holds files but no earlier
// installation: the wizard asks, an unattended run refuses. `mainDir` is
// left as it was when the text itself is refused.
TFolderCheck CheckMainFolder(const std::string& text, char driveLetter, const TAttachedFiles* files,
                             std::string& mainDir);

// Rewrites the edit's text by NormalizeDestDirText with the box's drive.
void NormalizeDestDir(HWND destDirEdt, const TDriveBox& box);
// When `ready`: the list's folder into the edit, then NormalizeDestDir.
void DestDirLstBxChange(HWND destDirEdt, const TDirectoryListBox& list, const TDriveBox& box,
                        bool ready);
// One tick of the drive timer (id 2, every 1000 ms): follows drives that
// appeared or went away. Cheap while nothing changed.
void DriveTimerTick(TDriveBox& box);

// The folder page's checks and clean-up for a run without the wizard:
// CheckMainFolder with the Program Files drive for a text without a drive.
// `folder` receives the normalised folder. Any problem, ForeignFiles too,
// refuses the folder.
TFolderCheck CheckUnattendedFolder(const std::string& typed, const TAttachedFiles* files,
                                   std::string& folder);
