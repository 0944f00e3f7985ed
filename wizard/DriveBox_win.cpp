#include "wizard/DriveBox_win.h"

#include <winnetwk.h>

#include "instutils/InstUtils.h"
#include "wizard/ControlDraw_win.h"
#include "wizard/FolderList_win.h"
#include "wizard/FolderPage.h"

namespace {

constexpr int DropDownHeight96 = 200;

std::string Lowered(std::string text) {
    if (!text.empty()) CharLowerBuffA(text.data(), static_cast<DWORD>(text.size()));
    return text;
}

std::string DriveText(char letter, UINT driveType) {
    std::string connection;
    if (driveType == DRIVE_REMOTE) {
        char local[3] = {letter, ':', 0};
        char remote[MAX_PATH + 1] = {};
        DWORD len = sizeof remote;
        if (WNetGetConnectionA(local, remote, &len) == NO_ERROR) connection = Lowered(remote);
    }
    std::string label;
    if (connection.empty()) {
        char root[4] = {letter, ':', '\\', 0};
        char buf[MAX_PATH + 1] = {};
        TErrorModeScope quiet;
        if (GetVolumeInformationA(root, buf, sizeof buf, nullptr, nullptr, nullptr, nullptr, 0))
            label = Lowered(buf);
    }
    return DriveItemText(letter, label, connection);
}

}  // namespace

TDriveBox* TDriveBox::From(HWND window) {
    return static_cast<TDriveBox*>(THostedControl::From(window, ClassName));
}

LRESULT CALLBACK TDriveBox::WndProc(HWND w, UINT msg, WPARAM wp, LPARAM lp) {
    return WindowProc(w, msg, wp, lp, [](HWND h) -> THostedControl* { return new TDriveBox(h); });
}

int TDriveBox::DropDownHeight() const { return ScaleForDpi(DropDownHeight96, Dpi); }

bool TDriveBox::InnerCommand(WORD code) {
    // While the list is dropped, arrowing through it only previews; a list
    // closed without a choice shows the drive it had.
    if (code == CBN_SELENDOK ||
        (code == CBN_SELCHANGE && !SendMessageA(Combo, CB_GETDROPPEDSTATE, 0, 0))) {
        ItemChosen();
    } else if (code == CBN_SELENDCANCEL && CurrentDrive) {
        SelectDrive(CurrentDrive);
    }
    return true;
}

void TDriveBox::Create() {
    FixedGlyph = LoadGlyph("FIXEDDRIVE");
    RemovableGlyph = LoadGlyph("REMOVABLEDRIVE");
    Combo = CreateInnerControl(0, "COMBOBOX",
                               WS_CHILD | WS_VISIBLE | WS_TABSTOP | WS_VSCROLL | CBS_DROPDOWNLIST |
                                   CBS_OWNERDRAWFIXED | CBS_HASSTRINGS);
    UpdateMetrics();
    DriveMask = GetLogicalDrives();
}

int TDriveBox::ItemHeight() const {
    int text = FontTextHeight(Window, Font, Dpi) + ScaleForDpi(4, Dpi);
    int glyph = ShownGlyphSize(FixedGlyph.Get(), Dpi).cy;
    return text > glyph ? text : glyph;
}

void TDriveBox::UpdateMetrics() {
    if (!Combo) return;
    int height = ItemHeight();
    SendMessageA(Combo, CB_SETITEMHEIGHT, static_cast<WPARAM>(-1), height);
    SendMessageA(Combo, CB_SETITEMHEIGHT, 0, height);
    // The container takes the closed box's height so that nothing is clipped.
    RECT box{}, own{};
    GetWindowRect(Combo, &box);
    GetClientRect(Window, &own);
    if (box.bottom - box.top != own.bottom)
        SetWindowPos(Window, nullptr, 0, 0, own.right, box.bottom - box.top,
                     SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE);
}

void TDriveBox::Rebuild() {
    DriveMask = GetLogicalDrives();
    List();
}

void TDriveBox::ListDrives() const {
    if (Listed) return;
    List();
    if (CurrentDrive)
        SendMessageA(Combo, CB_SETCURSEL, static_cast<WPARAM>(IndexOf(CurrentDrive)), 0);
}

void TDriveBox::List() const {
    Listed = true;
    SendMessageA(Combo, CB_RESETCONTENT, 0, 0);
    Items.clear();
    for (char letter = 'C'; letter <= 'Z'; ++letter) {
        if (!(DriveMask & (1u << (letter - 'A')))) continue;
        char root[4] = {letter, ':', '\\', 0};
        UINT type = GetDriveTypeA(root);
        if (type == DRIVE_CDROM) continue;
        TItem item;
        item.Text = DriveText(letter, type);
        item.Removable = IsRemovableLocation(root);
        SendMessageA(Combo, CB_ADDSTRING, 0, reinterpret_cast<LPARAM>(item.Text.c_str()));
        Items.push_back(std::move(item));
    }
}

int TDriveBox::ItemCount() const {
    ListDrives();
    return static_cast<int>(Items.size());
}

int TDriveBox::SelectedIndex() const {
    ListDrives();
    LRESULT i = SendMessageA(Combo, CB_GETCURSEL, 0, 0);
    return i >= 0 && i < ItemCount() ? static_cast<int>(i) : -1;
}

std::string TDriveBox::ItemText(int index) const {
    return index >= 0 && index < ItemCount() ? Items[index].Text : std::string();
}

bool TDriveBox::ItemRemovable(int index) const {
    return index >= 0 && index < ItemCount() && Items[index].Removable;
}

std::string TDriveBox::SelectedText() const { return ItemText(SelectedIndex()); }

void TDriveBox::SelectText(const std::string& text) {
    int found = -1;
    for (int i = 0; i < ItemCount() && found < 0; ++i)
        if (Items[i].Text == text) found = i;
    SendMessageA(Combo, CB_SETCURSEL, static_cast<WPARAM>(found), 0);
}

void TDriveBox::SelectDrive(char letter) {
    CurrentDrive = LowerAscii(letter);
    if (!Listed) return;  // ListDrives selects it
    SendMessageA(Combo, CB_SETCURSEL, static_cast<WPARAM>(IndexOf(CurrentDrive)), 0);
}

int TDriveBox::IndexOf(char lowerLetter) const {
    for (int i = 0; i < static_cast<int>(Items.size()); ++i) {
        const std::string& t = Items[i].Text;
        if (t.size() >= 2 && LowerAscii(t[0]) == lowerLetter && t[1] == ':') return i;
    }
    return -1;
}

void TDriveBox::SetDrive(char letter) {
    if (static_cast<unsigned char>(letter) <= ' ') return;
    if (SelectedIndex() >= 0 && CurrentDrive == LowerAscii(letter)) return;
    SelectDrive(letter);
    if (FolderList) FolderList->SetDrive(letter);
}

void TDriveBox::ItemChosen() {
    std::string text = SelectedText();
    if (text.empty()) return;
    // The selection has already moved, so compare against the stored drive only.
    char letter = text[0];
    if (CurrentDrive == LowerAscii(letter)) return;
    SetDrive(letter);
    if (OnChange) OnChange();
}

void TDriveBox::Draw(const DRAWITEMSTRUCT& dis) {
    HDC dc = dis.hDC;
    RECT rc = dis.rcItem;
    FillRect(dc, &rc, GetSysColorBrush(COLOR_WINDOW));
    // Items only: listing the drives here would change the list while it paints.
    if (dis.itemID == static_cast<UINT>(-1) || dis.itemID >= Items.size()) {
        if (dis.itemState & ODS_FOCUS) DrawFocusRect(dc, &rc);
        return;
    }
    const TItem& item = Items[dis.itemID];
    HGDIOBJ glyph = item.Removable ? RemovableGlyph.Get() : FixedGlyph.Get();
    SIZE g = ShownGlyphSize(glyph, Dpi);
    int height = rc.bottom - rc.top;
    DrawGlyphTransparent(dc, glyph, rc.left + ScaleForDpi(2, Dpi), rc.top + (height - g.cy) / 2,
                         Dpi);
    RECT text = rc;
    text.left += g.cx + ScaleForDpi(6, Dpi);
    TSelectObject font(dc, Font);
    SetBkMode(dc, TRANSPARENT);
    SetTextColor(dc, GetSysColor(COLOR_WINDOWTEXT));
    DrawTextA(dc, item.Text.c_str(), static_cast<int>(item.Text.size()), &text,
              DT_SINGLELINE | DT_VCENTER | DT_NOPREFIX | DT_LEFT);
    if (dis.itemState & ODS_FOCUS) DrawFocusRect(dc, &rc);
}
