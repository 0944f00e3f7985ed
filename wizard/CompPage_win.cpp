#include "wizard/CompPage_win.h"

#include "instutils/InstUtils.h"
#include "instutils/ResConst.h"
#include "payload/AttachFiles.h"
#include "wizard/ControlDraw_win.h"

namespace {

void DrawTextAt(HDC dc, const std::string& text, int x, const RECT& rect) {
    SIZE size{};
    GetTextExtentPoint32A(dc, text.c_str(), static_cast<int>(text.size()), &size);
    int y = rect.top + (rect.bottom - rect.top - size.cy) / 2;
    RECT clip = rect;
    ExtTextOutA(dc, x, y, ETO_CLIPPED, &clip, text.c_str(), static_cast<UINT>(text.size()),
                nullptr);
}

int TextWidth(HDC dc, const std::string& text) {
    SIZE size{};
    GetTextExtentPoint32A(dc, text.c_str(), static_cast<int>(text.size()), &size);
    return size.cx;
}

int ComponentOfRow(const TSelCompControls& c, int row) {
    return row >= 0 && row < static_cast<int>(c.RowToComponent.size()) ? c.RowToComponent[row] : -1;
}

std::string MainDirOf(const TSelCompControls& c) { return c.MainDir ? c.MainDir() : std::string(); }

}  // namespace

void InitSelCompList(const TSelCompControls& controls) {
    if (!controls.List) return;
    TCheckListBox& list = *controls.List;
    list.Clear();
    for (int component : controls.RowToComponent)
        list.AddRow(component >= 0 && component < ComponentCount ? ComponentNames[component] : "");
    list.OnDrawText = [controls](HDC dc, int row, const RECT& rect) {
        SelCompLstBxDrawItem(dc, *controls.List, row, rect, ComponentOfRow(controls, row));
    };
    list.OnClickCheck = [controls] { SelCompLstBxClickCheck(controls); };
}

void SelCompLstBxDrawItem(HDC dc, const TCheckListBox& list, int row, const RECT& rect,
                          int component) {
    // The list has filled the background and set the row's text colour.
    if (component == 0) SetTextColor(dc, GetSysColor(COLOR_GRAYTEXT));
    DrawTextAt(dc, list.RowText(row), rect.left + 2, rect);
    const std::string size = FormatSizeText(list.Size(row));
    DrawTextAt(dc, size, rect.right - TextWidth(dc, size) - 2, rect);
}

void SelCompLstBxClickCheck(const TSelCompControls& controls) {
    if (!controls.List) return;
    TCheckState row0 = controls.List->State(0);
    if (ApplyClickCheckRule(row0, ComponentOfRow(controls, 0)))
        UpdateDiskSpace(controls);
    else
        controls.List->SetState(0, row0);
}

std::optional<int64_t> QueryFreeSpace(const std::string& mainDir) {
    std::string root = DrivePart(mainDir);
    if (root.empty()) return std::nullopt;
    AppendPathSeparator(root);  // a bare "C:" would mean that drive's current folder
    ULARGE_INTEGER available{};
    TErrorModeScope quiet;
    if (!GetDiskFreeSpaceExA(root.c_str(), &available, nullptr, nullptr)) return std::nullopt;
    constexpr uint64_t most = static_cast<uint64_t>(INT64_MAX);
    return static_cast<int64_t>(available.QuadPart > most ? most : available.QuadPart);
}

TDiskSpaceFigures UpdateDiskSpace(TCheckListBox& list, HWND reqLbl, HWND availLbl, HWND nextBtn,
                                  const std::string& mainDir) {
    TDiskSpaceFigures f = ComputeDiskSpace(list.CompRows(), QueryFreeSpace(mainDir));
    if (reqLbl) SetWindowTextA(reqLbl, f.RequiredText.c_str());
    if (availLbl) SetWindowTextA(availLbl, f.AvailableText.c_str());
    if (nextBtn) EnableWindow(nextBtn, f.NextEnabled);
    return f;
}

TDiskSpaceFigures UpdateDiskSpace(const TSelCompControls& controls) {
    if (!controls.List) return {};
    return UpdateDiskSpace(*controls.List, controls.ReqLbl, controls.AvailLbl, controls.NextBtn,
                           MainDirOf(controls));
}

void SetComponentSizes(TCheckListBox& list, const TAttachedFiles& files,
                       const std::vector<int>& rowToComponent, const std::string& mainDir) {
    for (int row = 0; row < list.RowCount() && row < static_cast<int>(rowToComponent.size());
         ++row) {
        int component = rowToComponent[row];
        list.SetSize(row, component >= 0 && component < ComponentCount
                              ? files.GetComponentSize(ComponentFiles[component], mainDir)
                              : 0);
    }
}

void EnterSelCompPage(const TSelCompControls& controls, const TAttachedFiles* files) {
    if (!controls.List) return;
    if (files)
        SetComponentSizes(*controls.List, *files, controls.RowToComponent, MainDirOf(controls));
    UpdateDiskSpace(controls);
    InvalidateRect(controls.List->Inner(), nullptr, TRUE);
}
