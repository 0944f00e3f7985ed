#include "wizard/PageFlow.h"

#include "instutils/InstUtils.h"

bool IsWindows2000OrLater(uint32_t platformId, uint32_t majorVersion) {
    constexpr uint32_t PlatformNT = 2;
    return platformId == PlatformNT && majorVersion > 4;
}

std::string LicenseMemoText(const std::string& bytes) {
    const std::vector<std::string> lines = SplitLines(bytes);
    std::string out;
    for (size_t i = 0; i < lines.size(); ++i) {
        if (i > 0) out += "\r\n";
        out += lines[i];
    }
    return out;
}

std::array<bool, 4> AssocTicks(const std::string& extensions) {
    std::array<bool, 4> ticks{};
    for (int i = 0; i < 4; ++i) ticks[i] = extensions.find("ABCD"[i]) != std::string::npos;
    return ticks;
}

uint8_t SelectedComponents(const std::vector<TCheckState>& rows,
                           const std::vector<int>& rowToComponent) {
    uint8_t set = 0;
    for (size_t r = rows.size(); r-- > 0;) {
        if (rows[r] == TCheckState::Unchecked || r >= rowToComponent.size()) continue;
        int c = rowToComponent[r];
        if (c >= 0 && c <= 7) set |= static_cast<uint8_t>(1u << c);
    }
    return set;
}

char MnemonicOf(const std::string& text) {
    for (size_t i = 0; i + 1 < text.size(); ++i) {
        if (text[i] != '&') continue;
        if (text[i + 1] != '&') {
            const char c = text[i + 1];
            return (c >= 'a' && c <= 'z') ? static_cast<char>(c - 'a' + 'A') : c;
        }
        ++i;
    }
    return 0;
}
