#include "wizard/FolderList_win.h"

#include <cstring>

#include "instutils/InstUtils.h"
#include "instutils/WinHandles.h"
#include "wizard/DriveBox_win.h"

namespace {

constexpr int RowHeight96 = 17;

std::vector<std::string> ListSubFolders(const std::string& folder) {
    std::vector<std::string> names;
    std::string pattern = folder;
    AppendPathSeparator(pattern);
    pattern += "*";
    TErrorModeScope quiet;
    TFileSearch find(pattern);
    if (!find.Valid()) return names;
    do {
        const WIN32_FIND_DATAA& fd = find.Entry();
        if (!(fd.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY)) continue;
        if (std::strcmp(fd.cFileName, ".") == 0 || std::strcmp(fd.cFileName, "..") == 0) continue;
        names.emplace_back(fd.cFileName);
    } while (find.Next());
    return names;
}

char DriveLetter(const std::string& path) {
    return path.size() >= 2 && path[1] == ':' ? LowerAscii(path[0]) : 0;
}

}  // namespace

TDirectoryListBox* TDirectoryListBox::From(HWND window) {
    return static_cast<TDirectoryListBox*>(THostedControl::From(window, ClassName));
}

LRESULT CALLBACK TDirectoryListBox::WndProc(HWND w, UINT msg, WPARAM wp, LPARAM lp) {
    return WindowProc(w, msg, wp, lp,
                      [](HWND h) -> THostedControl* { return new TDirectoryListBox(h); });
}

int TDirectoryListBox::ItemHeight() const { return ScaleForDpi(RowHeight96, Dpi); }

// A double click opens the folder of its row.
bool TDirectoryListBox::InnerCommand(WORD code) {
    if (code != LBN_DBLCLK) return false;
    int row = CurrentRow();
    if (row >= 0 && row < static_cast<int>(RowList.size())) {
        std::string path = RowList[row].Path;  // the rows are rebuilt below
        SetDirectory(path);
    }
    return true;
}

void TDirectoryListBox::Create() {
    OpenGlyph = LoadGlyph("OPENFOLDER");
    ClosedGlyph = LoadGlyph("CLOSEDFOLDER");
    List = CreateInnerControl(WS_EX_CLIENTEDGE, "LISTBOX",
                              WS_CHILD | WS_VISIBLE | WS_TABSTOP | WS_VSCROLL | LBS_NOTIFY |
                                  LBS_OWNERDRAWFIXED | LBS_HASSTRINGS | LBS_NOINTEGRALHEIGHT);
    UpdateMetrics();
}

void TDirectoryListBox::UpdateMetrics() {
    if (List) SendMessageA(List, LB_SETITEMHEIGHT, 0, ItemHeight());
}

int TDirectoryListBox::CurrentRow() const {
    LRESULT i = SendMessageA(List, LB_GETCURSEL, 0, 0);
    return i == LB_ERR ? -1 : static_cast<int>(i);
}

void TDirectoryListBox::ReadCaseFlags() {
    std::string root = DrivePart(Current);
    AppendPathSeparator(root);
    DWORD flags = 0;
    TErrorModeScope quiet;
    if (!GetVolumeInformationA(root.c_str(), nullptr, 0, nullptr, nullptr, &flags, nullptr, 0))
        flags = 0;
    CaseSensitiveFlag = (flags & FS_CASE_SENSITIVE) != 0;
    CasePreservedFlag = (flags & (FS_CASE_IS_PRESERVED | FS_CASE_SENSITIVE)) != 0;
}

void TDirectoryListBox::Rebuild() {
    if (Current.empty()) return;
    ReadCaseFlags();
    RowList = BuildFolderRows(Current, ListSubFolders(Current), CasePreservedFlag);
    SendMessageA(List, WM_SETREDRAW, FALSE, 0);
    SendMessageA(List, LB_RESETCONTENT, 0, 0);
    for (const TFolderRow& row : RowList)
        SendMessageA(List, LB_ADDSTRING, 0, reinterpret_cast<LPARAM>(row.Text.c_str()));
    SendMessageA(List, LB_SETCURSEL, static_cast<WPARAM>(CurrentFolderRow(RowList)), 0);
    SendMessageA(List, WM_SETREDRAW, TRUE, 0);
    InvalidateRect(List, nullptr, TRUE);
}

void TDirectoryListBox::MoveTo(const std::string& folder, bool notify) {
    Current = StripFolderSlash(folder);
    Rebuild();
    if (notify && OnChange) OnChange();
}

void TDirectoryListBox::SetDirectory(const std::string& path) {
    if (path.empty() || SameFolder(path, Current, CaseSensitiveFlag)) return;
    std::string folder =
        WalkUpToExisting(path, [](const std::string& p) { return FolderExists(p); });
    if (folder.empty()) return;  // no drive part: nothing sensible to show
    char oldLetter = DriveLetter(Current), newLetter = DriveLetter(folder);
    if (DriveBox && newLetter && newLetter != oldLetter) DriveBox->SelectDrive(newLetter);
    MoveTo(folder, true);
}

void TDirectoryListBox::SetDrive(char letter) {
    std::string folder = FolderForDrive(letter, Current, GetShellFolder(CSIDL_PROGRAM_FILES_),
                                        [](const std::string& p) { return FolderExists(p); });
    if (!folder.empty()) MoveTo(folder, true);
}

void TDirectoryListBox::Draw(const DRAWITEMSTRUCT& dis) {
    HDC dc = dis.hDC;
    RECT rc = dis.rcItem;
    bool selected = (dis.itemState & ODS_SELECTED) != 0;
    FillRect(dc, &rc, GetSysColorBrush(selected ? COLOR_HIGHLIGHT : COLOR_WINDOW));
    if (dis.itemID != static_cast<UINT>(-1) && dis.itemID < RowList.size()) {
        const TFolderRow& row = RowList[dis.itemID];
        HGDIOBJ glyph = row.Open ? OpenGlyph.Get() : ClosedGlyph.Get();
        SIZE g = ShownGlyphSize(glyph, Dpi);
        int height = rc.bottom - rc.top;
        int x = rc.left + ScaleForDpi(FolderRowIndent(row), Dpi);
        DrawGlyphTransparent(dc, glyph, x, rc.top + (height - g.cy) / 2, Dpi);
        TSelectObject font(dc, Font);
        SIZE a{};
        GetTextExtentPoint32A(dc, "A", 1, &a);
        SetBkMode(dc, TRANSPARENT);
        SetTextColor(dc, GetSysColor(selected ? COLOR_HIGHLIGHTTEXT : COLOR_WINDOWTEXT));
        RECT text{x + g.cx + ScaleForDpi(4, Dpi), rc.top + (height - a.cy) / 2, rc.right,
                  rc.bottom};
        DrawTextA(dc, row.Text.c_str(), static_cast<int>(row.Text.size()), &text,
                  DT_SINGLELINE | DT_NOPREFIX | DT_LEFT | DT_END_ELLIPSIS);
    }
    if (dis.itemState & ODS_FOCUS) DrawFocusRect(dc, &rc);
}
