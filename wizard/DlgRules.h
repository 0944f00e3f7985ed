#pragma once
// What the program's message box shows for a kind and a button set, and
// which buttons Enter and Escape press. No window code here, so the rules
// are tested on their own.

#include <cstdint>
#include <string>
#include <vector>

struct TDlgButton {
    uint16_t Bit;         // mbYes ... mbAll
    const char* Caption;  // "&Yes" ...
    int32_t Result;       // mrYes ...
};

// The buttons of `buttons` in their fixed display order. Bits past All are
// ignored.
std::vector<TDlgButton> DlgButtonsOf(uint16_t buttons);
// The result Enter gives: OK if present, else Yes, else Retry; mrNone when
// the set has none of them.
int32_t DefaultDlgResult(uint16_t buttons);
// The result Escape gives: Cancel if present, else No, else OK; mrNone when
// Escape is to do nothing.
int32_t EscapeDlgResult(uint16_t buttons);
// "Warning", "Error", "Information", "Confirm"; an unknown kind is shown as
// a warning.
const char* DlgTitle(uint8_t kind);
