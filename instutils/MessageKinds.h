#pragma once
// The program's message boxes: kinds, buttons (bit i of a set) and results.
// The names only: which question gets which kind and buttons is decided
// where it is asked (the wizard, the uninstaller).

#include <cstdint>

enum class TMsgKind : uint8_t { Warning = 0, Error = 1, Information = 2, Confirmation = 3 };
enum class TMsgButtons : uint16_t {
    None = 0,
    Yes = 1 << 0,
    No = 1 << 1,
    Ok = 1 << 2,
    Cancel = 1 << 3,
    Abort = 1 << 4,
    Retry = 1 << 5,
    Ignore = 1 << 6,
    All = 1 << 7,
};
constexpr TMsgButtons operator|(TMsgButtons a, TMsgButtons b) {
    return static_cast<TMsgButtons>(static_cast<uint16_t>(a) | static_cast<uint16_t>(b));
}
// Whether `set` holds any of the buttons of `buttons`.
constexpr bool Has(TMsgButtons set, TMsgButtons buttons) {
    return (static_cast<uint16_t>(set) & static_cast<uint16_t>(buttons)) != 0;
}
enum class TModalResult : int32_t {
    None = 0,
    Ok = 1,
    Cancel = 2,
    Abort = 3,
    Retry = 4,
    Ignore = 5,
    Yes = 6,
    No = 7,
    All = 8,
};
