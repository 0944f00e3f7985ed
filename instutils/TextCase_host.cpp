// Host stand-ins for the locale's upper-casing (ASCII letters only, which is
// what the platform-free callers' tests rely on) and for the system code
// page's lead bytes (none unless a test chooses 932).
#include "instutils/CodePage_host.h"
#include "instutils/InstUtils.h"

static char AsciiUpper(char c) { return (c >= 'a' && c <= 'z') ? char(c - 'a' + 'A') : c; }

bool TextEqualsIgnoreCase(const std::string& a, const std::string& b) {
    if (a.size() != b.size()) return false;
    for (size_t i = 0; i < a.size(); ++i)
        if (AsciiUpper(a[i]) != AsciiUpper(b[i])) return false;
    return true;
}

bool LogLinesEqual(const std::string& a, const std::string& b) {
    return TextEqualsIgnoreCase(a, b);
}

static int HostCodePage = 0;

void SetHostCodePage(int codePage) { HostCodePage = codePage; }

bool IsLeadByte(char c) {
    const unsigned char b = static_cast<unsigned char>(c);
    return HostCodePage == 932 && ((b >= 0x81 && b <= 0x9F) || (b >= 0xE0 && b <= 0xFC));
}
