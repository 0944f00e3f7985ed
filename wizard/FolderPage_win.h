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

// Rewrites the edit's text by NormalizeDestDirText with the box's drive.
void NormalizeDestDir(HWND destDirEdt, const TDriveBox& box);
// When `ready`: the list's folder into the edit, then NormalizeDestDir.
void DestDirLstBxChange(HWND destDirEdt, const TDirectoryListBox& list, const TDriveBox& box,
                        bool ready);
// One tick of the drive timer (id 2, every 1000 ms): follows drives that
// appeared or went away. Cheap while nothing changed.
void DriveTimerTick(TDriveBox& box);

// The folder page's checks and clean-up for a run without the wizard: the
// typed text, then its normalised form (a text without a drive takes the
// Program Files drive). `folder` receives the normalised folder.
TFolderCheck CheckUnattendedFolder(const std::string& typed, const TAttachedFiles* files,
                                   std::string& folder);
