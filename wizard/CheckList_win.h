#pragma once
// The components page's check list: a child window that owns an owner-drawn
// list box whose rows carry a text, a check state and a byte size. It draws
// the check-box glyph itself and hands the rest of each row to OnDrawText.
// Create it by class name TCheckListBox::ClassName.

#include <windows.h>

#include <cstdint>
#include <functional>
#include <string>
#include <vector>

#include "wizard/CompPage.h"
#include "wizard/ControlHost_win.h"
#include "wizard/GdiHandle_win.h"

class TCheckListBox : public THostedControl {
public:
    static constexpr const char* ClassName = "ParvelaCheckList";
    static TCheckListBox* From(HWND window);

    HWND Inner() const override { return List; }  // the LISTBOX

    int AddRow(const std::string& text);  // unticked, size 0; returns its index
    void Clear();
    int RowCount() const { return static_cast<int>(Rows.size()); }
    std::string RowText(int row) const;
    TCheckState State(int row) const;
    void SetState(int row, TCheckState state);  // repaints the row
    int32_t Size(int row) const;
    void SetSize(int row, int32_t bytes);
    int CurrentRow() const;  // -1 when none
    void SetCurrentRow(int row);
    std::vector<TCompRow> CompRows() const;
    // Toggles `row` as the user would, then raises OnClickCheck.
    void ToggleRow(int row);

    // Check-box glyph width in pixels (at the current DPI).
    int GlyphSize() const { return Glyph; }

    // Draws a row's text part into `rect` (colours and background prepared).
    // Unset: the row's text at the left.
    std::function<void(HDC dc, int row, const RECT& rect)> OnDrawText;
    // Raised after the user toggled a row.
    std::function<void()> OnClickCheck;

    static LRESULT CALLBACK WndProc(HWND, UINT, WPARAM, LPARAM);
    static LRESULT CALLBACK ListProc(HWND, UINT, WPARAM, LPARAM, UINT_PTR, DWORD_PTR);

private:
    struct TRow {
        std::string Text;
        TCheckState State = TCheckState::Unchecked;
        int32_t Size = 0;
    };
    explicit TCheckListBox(HWND window) : THostedControl(window) {}
    void Create() override;
    void UpdateMetrics() override;
    int ItemHeight() const override;
    void Draw(const DRAWITEMSTRUCT& dis) override;
    void RepaintRow(int row);
    // Toggles the row whose check glyph is at x, y of the list.
    void ToggleGlyphAt(int x, int y);

    HWND List = nullptr;
    int Glyph = 13;
    std::vector<TRow> Rows;
};
