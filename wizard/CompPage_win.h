#pragma once
// The window side of the components page: the row drawing, the toggle
// handler, the row sizes and the disk-space figures.

#include <windows.h>

#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <vector>

#include "wizard/CheckList_win.h"

class TAttachedFiles;

struct TSelCompControls {
    TCheckListBox* List = nullptr;  // SelCompLstBx
    HWND ReqLbl = nullptr;          // SelCompDiskSpaceReqLbl2
    HWND AvailLbl = nullptr;        // SelCompDiskSpaceAvailLbl2
    HWND NextBtn = nullptr;
    std::function<std::string()> MainDir;  // the window's Options.MainDir
    std::vector<int> RowToComponent;       // row i shows component RowToComponent[i]
};

// Fills the list with one row per mapped component (catalogue names) and
// wires its drawing and toggle handler to this page. `controls` is copied.
void InitSelCompList(const TSelCompControls& controls);

// Draws row `row`'s text part: name at the left, size text at the right,
// grey for the application's row. The size is drawn as stored: it is
// already whole clusters of the main folder's volume.
void SelCompLstBxDrawItem(HDC dc, const TCheckListBox& list, int row, const RECT& rect,
                          int component);
// After a toggle: keeps the application row greyed, else UpdateDiskSpace.
void SelCompLstBxClickCheck(const TSelCompControls& controls);

// Free bytes available to the user on the drive of `mainDir`; empty when
// the query fails (no such drive, empty drive part).
std::optional<int64_t> QueryFreeSpace(const std::string& mainDir);
// Recomputes both labels and the Next button; returns the figures shown.
TDiskSpaceFigures UpdateDiskSpace(TCheckListBox& list, HWND reqLbl, HWND availLbl, HWND nextBtn,
                                  const std::string& mainDir);
TDiskSpaceFigures UpdateDiskSpace(const TSelCompControls& controls);

// Each row's size from the payload reader for its component's file list,
// measured on the volume of `mainDir`.
void SetComponentSizes(TCheckListBox& list, const TAttachedFiles& files,
                       const std::vector<int>& rowToComponent, const std::string& mainDir);
// The components page's entry rule: row sizes (when `files` is given), then
// UpdateDiskSpace.
void EnterSelCompPage(const TSelCompControls& controls, const TAttachedFiles* files);
