#pragma once
// Rules of the components page that need no window: check toggling, the
// application row and the disk-space figures. The window side lives in
// CompPage_win.cpp.

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "integration/Options.h"  // TCheckState

// The state a row takes when the user toggles it.
TCheckState ToggledCheckState(TCheckState state);
// Ticked and greyed both mean selected.
bool IsSelectedState(TCheckState state);
// True when a press at `x` (client coordinates) toggles a row whose left
// edge is `rowLeft`: within the glyph width plus 2 pixels.
bool HitsCheckGlyph(int x, int rowLeft, int glyphWidth);

// After a toggle: true when the figures are to be recomputed. When row 0
// shows the application and has just left its greyed state, it is put back
// into `row0` and the result is false.
bool ApplyClickCheckRule(TCheckState& row0, int row0Component);

struct TCompRow {
    TCheckState State = TCheckState::Unchecked;
    int32_t Size = 0;
};
struct TDiskSpaceFigures {
    int64_t Required = 0;
    int64_t Available = 0;  // 0 when the free-space query failed
    std::string RequiredText;
    std::string AvailableText;
    bool NextEnabled = false;
};
// Required is the sum of selected rows' sizes; `available` is empty when the
// free-space query failed, which shows 0 KB and keeps Next disabled.
TDiskSpaceFigures ComputeDiskSpace(const std::vector<TCompRow>& rows,
                                   std::optional<int64_t> available);
