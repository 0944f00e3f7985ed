#include "wizard/DlgRules.h"

#include "instutils/MessageKinds.h"

namespace {

constexpr TDlgButton AllButtons[] = {
    {TMsgButtons::Yes, "&Yes", TModalResult::Yes},
    {TMsgButtons::No, "&No", TModalResult::No},
    {TMsgButtons::Ok, "OK", TModalResult::Ok},
    {TMsgButtons::Cancel, "Cancel", TModalResult::Cancel},
    {TMsgButtons::Abort, "&Abort", TModalResult::Abort},
    {TMsgButtons::Retry, "&Retry", TModalResult::Retry},
    {TMsgButtons::Ignore, "&Ignore", TModalResult::Ignore},
    {TMsgButtons::All, "&All", TModalResult::All},
};

TModalResult FirstPresent(TMsgButtons buttons, std::initializer_list<TDlgButton> order) {
    for (const TDlgButton& b : order)
        if (Has(buttons, b.Bit)) return b.Result;
    return TModalResult::None;
}

}  // namespace

std::vector<TDlgButton> DlgButtonsOf(TMsgButtons buttons) {
    std::vector<TDlgButton> result;
    for (const TDlgButton& b : AllButtons)
        if (Has(buttons, b.Bit)) result.push_back(b);
    return result;
}

TModalResult DefaultDlgResult(TMsgButtons buttons) {
    return FirstPresent(buttons, {AllButtons[2], AllButtons[0], AllButtons[5]});
}

TModalResult EscapeDlgResult(TMsgButtons buttons) {
    return FirstPresent(buttons, {AllButtons[3], AllButtons[1], AllButtons[2]});
}

const char* DlgTitle(TMsgKind kind) {
    switch (kind) {
    case TMsgKind::Error: return "Error";
    case TMsgKind::Information: return "Information";
    case TMsgKind::Confirmation: return "Confirm";
    default: return "Warning";
    }
}
