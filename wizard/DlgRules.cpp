#include "wizard/DlgRules.h"

#include "instutils/MessageKinds.h"

namespace {

constexpr TDlgButton AllButtons[] = {
    {mbYes, "&Yes", mrYes},          {mbNo, "&No", mrNo},          {mbOK, "OK", mrOk},
    {mbCancel, "Cancel", mrCancel},  {mbAbort, "&Abort", mrAbort}, {mbRetry, "&Retry", mrRetry},
    {mbIgnore, "&Ignore", mrIgnore}, {mbAll, "&All", mrAll},
};

int32_t FirstPresent(uint16_t buttons, std::initializer_list<TDlgButton> order) {
    for (const TDlgButton& b : order)
        if (buttons & b.Bit) return b.Result;
    return mrNone;
}

}  // namespace

std::vector<TDlgButton> DlgButtonsOf(uint16_t buttons) {
    std::vector<TDlgButton> result;
    for (const TDlgButton& b : AllButtons)
        if (buttons & b.Bit) result.push_back(b);
    return result;
}

int32_t DefaultDlgResult(uint16_t buttons) {
    return FirstPresent(buttons, {AllButtons[2], AllButtons[0], AllButtons[5]});
}

int32_t EscapeDlgResult(uint16_t buttons) {
    return FirstPresent(buttons, {AllButtons[3], AllButtons[1], AllButtons[2]});
}

const char* DlgTitle(uint8_t kind) {
    switch (kind) {
    case mtError: return "Error";
    case mtInformation: return "Information";
    case mtConfirmation: return "Confirm";
    default: return "Warning";
    }
}
