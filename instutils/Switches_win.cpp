#include <windows.h>

#include "instutils/Switches.h"

std::string StrictCommandLine() {
    const wchar_t* wide = GetCommandLineW();
    const int n =
        WideCharToMultiByte(CP_ACP, WC_NO_BEST_FIT_CHARS, wide, -1, nullptr, 0, nullptr, nullptr);
    if (n <= 0) return GetCommandLineA();
    std::string line(static_cast<size_t>(n), '\0');
    WideCharToMultiByte(CP_ACP, WC_NO_BEST_FIT_CHARS, wide, -1, line.data(), n, nullptr, nullptr);
    line.resize(static_cast<size_t>(n) - 1);
    return line;
}
