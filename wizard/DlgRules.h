#pragma once
// What the program's message box shows for a kind and a button set, and
// which buttons Enter and Escape press. No window code here, so the rules
// are tested on their own.

#include <cstdint>
#include <string>
#include <vector>

#include "instutils/MessageKinds.h"

struct TDlgButton {
    TMsgButtons Bit;      // TMsgButtons::Yes ... TMsgButtons::All
    const char* Caption;  // "&Yes" ...
    TModalResult Result;  // TModalResult::Yes ...
};

// The buttons of `buttons` in their fixed display order. Bits past All are
// ignored.
std::vector<TDlgButton> DlgButtonsOf(TMsgButtons buttons);
// The result Enter gives: OK if present, else Yes, else Retry; TModalResult::None when
// the set has none of them.
TModalResult DefaultDlgResult(TMsgButtons buttons);
// The result Escape gives: Cancel if present, else No, else OK; TModalResult::None when
// Escape is to do nothing.
TModalResult EscapeDlgResult(TMsgButtons buttons);
// "Warning", "Error", "Information", "Confirm"; an unknown kind is shown as
// a warning.
const char* DlgTitle(TMsgKind kind);
