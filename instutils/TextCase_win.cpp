#include "instutils/InstUtils.h"

#include <windows.h>

static std::string UpperInUserLocale(std::string text) {
    if (!text.empty()) CharUpperBuffA(text.data(), DWORD(text.size()));
    return text;
}

bool TextEqualsIgnoreCase(const std::string& a, const std::string& b) {
    if (a.size() != b.size()) return false;
    return UpperInUserLocale(a) == UpperInUserLocale(b);
}

bool LogLinesEqual(const std::string& a, const std::string& b) {
    if (a.size() > size_t(INT_MAX) || b.size() > size_t(INT_MAX)) return a == b;
    return CompareStringA(LOCALE_USER_DEFAULT, NORM_IGNORECASE | SORT_STRINGSORT, a.data(),
                          int(a.size()), b.data(), int(b.size())) == CSTR_EQUAL;
}

bool IsLeadByte(char c) { return IsDBCSLeadByte(BYTE(c)) != FALSE; }
