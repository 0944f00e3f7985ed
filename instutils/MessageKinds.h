#pragma once
// The program's message boxes: kinds, buttons (bit i of a set) and results.
// The names only: which question gets which kind and buttons is decided
// where it is asked (the wizard, the uninstaller).

#include <cstdint>

enum : uint8_t { mtWarning = 0, mtError = 1, mtInformation = 2, mtConfirmation = 3 };
enum : uint16_t {
    mbYes = 1 << 0,
    mbNo = 1 << 1,
    mbOK = 1 << 2,
    mbCancel = 1 << 3,
    mbAbort = 1 << 4,
    mbRetry = 1 << 5,
    mbIgnore = 1 << 6,
    mbAll = 1 << 7,
};
enum : int32_t {
    mrNone = 0,
    mrOk = 1,
    mrCancel = 2,
    mrAbort = 3,
    mrRetry = 4,
    mrIgnore = 5,
    mrYes = 6,
    mrNo = 7,
    mrAll = 8,
};
