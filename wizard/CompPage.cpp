#include "wizard/CompPage.h"

#include "instutils/InstUtils.h"

TCheckState ToggledCheckState(TCheckState state) {
    return state == TCheckState::Unchecked ? TCheckState::Checked : TCheckState::Unchecked;
}

bool IsSelectedState(TCheckState state) { return state != TCheckState::Unchecked; }

bool HitsCheckGlyph(int x, int rowLeft, int glyphWidth) {
    return x >= rowLeft && x < rowLeft + glyphWidth + 2;
}

bool ApplyClickCheckRule(TCheckState& row0, int row0Component) {
    if (row0Component != 0 || row0 == TCheckState::Grayed) return true;
    row0 = TCheckState::Grayed;  // the application cannot be deselected
    return false;
}

TDiskSpaceFigures ComputeDiskSpace(const std::vector<TCompRow>& rows,
                                   std::optional<int64_t> available) {
    TDiskSpaceFigures f;
    // Summed wide: a wrapped 32-bit total could go negative and enable Next.
    for (const TCompRow& row : rows)
        if (IsSelectedState(row.State)) f.Required += row.Size;
    f.Available = available.value_or(0);
    f.RequiredText = FormatSizeText(f.Required);
    f.AvailableText = FormatSizeText(f.Available);
    f.NextEnabled = available.has_value() && f.Available >= f.Required;
    return f;
}
