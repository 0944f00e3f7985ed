#include "wizard/CheckList_win.h"

#include <commctrl.h>

#include "wizard/Accessibility_win.h"
#include "wizard/ControlDraw_win.h"

namespace {

constexpr int RowHeight96 = 16;
constexpr int GlyphSize96 = 13;
constexpr UINT_PTR SubclassId = 1;

}  // namespace

TCheckListBox* TCheckListBox::From(HWND window) {
    return static_cast<TCheckListBox*>(THostedControl::From(window, ClassName));
}

LRESULT CALLBACK TCheckListBox::WndProc(HWND w, UINT msg, WPARAM wp, LPARAM lp) {
    return WindowProc(w, msg, wp, lp,
                      [](HWND h) -> THostedControl* { return new TCheckListBox(h); });
}

LRESULT CALLBACK TCheckListBox::ListProc(HWND w, UINT msg, WPARAM wp, LPARAM lp, UINT_PTR,
                                         DWORD_PTR data) {
    try {
        auto* self = reinterpret_cast<TCheckListBox*>(data);
        switch (msg) {
        case WM_LBUTTONDOWN:
        case WM_LBUTTONDBLCLK: {
            // Let the list move its selection first, then toggle what was hit.
            LRESULT result = DefSubclassProc(w, msg, wp, lp);
            self->ToggleGlyphAt(static_cast<short>(LOWORD(lp)), static_cast<short>(HIWORD(lp)));
            return result;
        }
        case WM_KEYDOWN:
            if (wp == VK_SPACE) {
                int row = self->CurrentRow();
                if (row >= 0) self->ToggleRow(row);
                return 0;
            }
            break;
        case WM_CHAR:
            if (wp == ' ') return 0;  // not a search key here
            break;
        case WM_GETOBJECT: {
            LRESULT object = 0;
            if (AnswerCheckListObject(w, wp, lp, object)) return object;
            break;
        }
        case WM_NCDESTROY: RemoveWindowSubclass(w, ListProc, SubclassId); break;
        }
        return DefSubclassProc(w, msg, wp, lp);
    } catch (...) {
        return 0;
    }
}

int TCheckListBox::ItemHeight() const { return ScaleForDpi(RowHeight96, Dpi); }

void TCheckListBox::Create() {
    List = CreateInnerControl(WS_EX_CLIENTEDGE, "LISTBOX",
                              WS_CHILD | WS_VISIBLE | WS_TABSTOP | WS_VSCROLL | LBS_NOTIFY |
                                  LBS_OWNERDRAWFIXED | LBS_HASSTRINGS | LBS_NOINTEGRALHEIGHT);
    if (List) SetWindowSubclass(List, ListProc, SubclassId, reinterpret_cast<DWORD_PTR>(this));
    UpdateMetrics();
}

void TCheckListBox::UpdateMetrics() {
    Glyph = ScaleForDpi(GlyphSize96, Dpi);
    if (List) SendMessageA(List, LB_SETITEMHEIGHT, 0, ItemHeight());
}

int TCheckListBox::AddRow(const std::string& text) {
    Rows.push_back(TRow{text, TCheckState::Unchecked, 0});
    SendMessageA(List, LB_ADDSTRING, 0, reinterpret_cast<LPARAM>(text.c_str()));
    return RowCount() - 1;
}

void TCheckListBox::Clear() {
    Rows.clear();
    SendMessageA(List, LB_RESETCONTENT, 0, 0);
}

std::string TCheckListBox::RowText(int row) const {
    return row >= 0 && row < RowCount() ? Rows[row].Text : std::string();
}

TCheckState TCheckListBox::State(int row) const {
    return row >= 0 && row < RowCount() ? Rows[row].State : TCheckState::Unchecked;
}

void TCheckListBox::SetState(int row, TCheckState state) {
    if (row < 0 || row >= RowCount()) return;
    Rows[row].State = state;
    RepaintRow(row);
}

int32_t TCheckListBox::Size(int row) const {
    return row >= 0 && row < RowCount() ? Rows[row].Size : 0;
}

void TCheckListBox::SetSize(int row, int32_t bytes) {
    if (row < 0 || row >= RowCount()) return;
    Rows[row].Size = bytes;
    RepaintRow(row);
}

int TCheckListBox::CurrentRow() const {
    LRESULT i = SendMessageA(List, LB_GETCURSEL, 0, 0);
    return i == LB_ERR ? -1 : static_cast<int>(i);
}

void TCheckListBox::SetCurrentRow(int row) {
    SendMessageA(List, LB_SETCURSEL, static_cast<WPARAM>(row), 0);
}

std::vector<TCompRow> TCheckListBox::CompRows() const {
    std::vector<TCompRow> rows;
    for (const TRow& r : Rows) rows.push_back(TCompRow{r.State, r.Size});
    return rows;
}

void TCheckListBox::ToggleRow(int row) {
    if (row < 0 || row >= RowCount()) return;
    SetState(row, ToggledCheckState(Rows[row].State));
    if (OnClickCheck) OnClickCheck();
}

void TCheckListBox::ToggleGlyphAt(int x, int y) {
    LRESULT hit = SendMessageA(List, LB_ITEMFROMPOINT, 0, MAKELPARAM(x, y));
    int row = LOWORD(hit);
    RECT rc{};
    if (HIWORD(hit) == 0 && row < RowCount() &&
        SendMessageA(List, LB_GETITEMRECT, row, reinterpret_cast<LPARAM>(&rc)) != LB_ERR &&
        HitsCheckGlyph(x, rc.left, Glyph))
        ToggleRow(row);
}

void TCheckListBox::RepaintRow(int row) {
    RECT rc{};
    if (List && SendMessageA(List, LB_GETITEMRECT, row, reinterpret_cast<LPARAM>(&rc)) != LB_ERR)
        InvalidateRect(List, &rc, TRUE);
}

void TCheckListBox::Draw(const DRAWITEMSTRUCT& dis) {
    HDC dc = dis.hDC;
    RECT rc = dis.rcItem;
    bool selected = (dis.itemState & ODS_SELECTED) != 0;
    FillRect(dc, &rc, GetSysColorBrush(selected ? COLOR_HIGHLIGHT : COLOR_WINDOW));
    if (dis.itemID != static_cast<UINT>(-1) && static_cast<int>(dis.itemID) < RowCount()) {
        const int row = static_cast<int>(dis.itemID);
        const TCheckState state = Rows[row].State;
        int height = rc.bottom - rc.top;
        RECT box{rc.left, rc.top + (height - Glyph) / 2, rc.left + Glyph,
                 rc.top + (height - Glyph) / 2 + Glyph};
        UINT look = DFCS_BUTTONCHECK;
        if (IsSelectedState(state)) look |= DFCS_CHECKED;
        if (state == TCheckState::Grayed) look |= DFCS_INACTIVE;
        DrawFrameControl(dc, &box, DFC_BUTTON, look);
        RECT text{rc.left + Glyph + 2, rc.top, rc.right, rc.bottom};
        TSelectObject font(dc, Font);
        SetBkMode(dc, TRANSPARENT);
        SetTextColor(dc, GetSysColor(selected ? COLOR_HIGHLIGHTTEXT : COLOR_WINDOWTEXT));
        if (OnDrawText) {
            OnDrawText(dc, row, text);
        } else {
            text.left += 2;
            DrawTextA(dc, Rows[row].Text.c_str(), static_cast<int>(Rows[row].Text.size()), &text,
                      DT_SINGLELINE | DT_VCENTER | DT_NOPREFIX | DT_LEFT);
        }
    }
    if (dis.itemState & ODS_FOCUS) DrawFocusRect(dc, &rc);
}
