#include "instutils/InstUtils.h"

namespace {

constexpr int64_t KB = 1024;
constexpr int64_t MB = 1048576;
constexpr int64_t AlwaysMB = 16777215;  // one byte short of 16 MB

// bytes / MB to the nearest whole number, an exact half to the even one.
int64_t RoundedMegabytes(int64_t bytes) {
    const int64_t whole = bytes / MB, rest = bytes % MB;
    if (rest > MB / 2 || (rest == MB / 2 && (whole & 1) != 0)) return whole + 1;
    return whole;
}

}  // namespace

std::string GroupDigits(uint64_t n) {
    const std::string digits = std::to_string(n);
    std::string grouped;
    grouped.reserve(digits.size() + digits.size() / 3);
    for (size_t i = 0; i < digits.size(); ++i) {
        // a blank before every full group of three counted from the right
        if (i != 0 && (digits.size() - i) % 3 == 0) grouped += ' ';
        grouped += digits[i];
    }
    return grouped;
}

std::string FormatSizeText(int64_t bytes) {
    if (bytes < 0) {
        // Not a size any caller should have; show it signed rather than as
        // a huge unsigned figure.
        const uint64_t magnitude = uint64_t(0) - uint64_t(bytes);
        std::string signedText = "-";
        if (magnitude > uint64_t(INT64_MAX))
            signedText += GroupDigits(magnitude / uint64_t(MB)) + " MB";
        else
            signedText += FormatSizeText(int64_t(magnitude));
        return signedText;
    }
    const int64_t m = RoundedMegabytes(bytes);
    if (bytes >= AlwaysMB || (bytes != 0 && bytes == m * MB))
        return GroupDigits(uint64_t(m)) + " MB";
    return GroupDigits(uint64_t(bytes / KB)) + " KB";
}

std::string EscapeCaption(const std::string& text) {
    if (text == "-") return "- ";  // a caption of a lone hyphen would draw a separator
    std::string result;
    result.reserve(text.size());
    for (char c : text) {
        result += c;
        if (c == '&') result += '&';
    }
    return result;
}
