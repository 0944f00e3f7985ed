#include "instutils/InstUtils.h"

#include <cstring>
#include <limits>

const char* const SetupTitle = "Parvela Word Processor Lite - Setup";

// Where the character starting at `i` ends. A lead byte at the very end
// stands alone.
static size_t NextCharAt(const std::string& text, size_t i) {
    return IsLeadByte(text[i]) && i + 1 < text.size() ? i + 2 : i + 1;
}

// Start of the last character; npos for an empty text. Trail bytes overlap
// the lead and single-byte ranges, so only a walk from the start can tell.
static size_t LastCharStart(const std::string& text) {
    size_t start = std::string::npos;
    for (size_t i = 0; i < text.size(); i = NextCharAt(text, i)) start = i;
    return start;
}

size_t FindLastPathChar(const std::string& text, const char* set) {
    size_t found = std::string::npos;
    for (size_t i = 0; i < text.size(); i = NextCharAt(text, i))
        if (text[i] != '\0' && std::strchr(set, text[i]) != nullptr) found = i;
    return found;
}

size_t FindPathChar(const std::string& text, char c, size_t from) {
    for (size_t i = from; i < text.size(); i = NextCharAt(text, i))
        if (text[i] == c) return i;
    return std::string::npos;
}

bool EndsWithBackslash(const std::string& text) {
    return !text.empty() && text.back() == '\\' && LastCharStart(text) == text.size() - 1;
}

void AppendPathSeparator(std::string& path) {
    if (path.empty()) return;
    char& last = path.back();
    if ((last == '\\' || last == '/') && LastCharStart(path) == path.size() - 1)
        last = '\\';
    else
        path += '\\';
}

std::string JoinPath(const std::string& folder, const std::string& name) {
    std::string result = folder;
    AppendPathSeparator(result);
    return result + name;
}

char LastChar(const std::string& text) { return text.empty() ? '\0' : text.back(); }

void DropFirstChar(std::string& text) {
    if (!text.empty()) text.erase(0, 1);
}

void DropLastChar(std::string& text) {
    if (!text.empty()) text.pop_back();
}

static bool IsAsciiLetter(char c) { return (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z'); }

std::string DrivePart(const std::string& path) {
    if (path.size() >= 2 && IsAsciiLetter(path[0]) && path[1] == ':') return path.substr(0, 2);
    if (path.size() >= 2 && path[0] == '\\' && path[1] == '\\') {
        // \\server\share: stop at the separator after the share name.
        size_t afterServer = FindPathChar(path, '\\', 2);
        if (afterServer == std::string::npos) return path;
        size_t afterShare = FindPathChar(path, '\\', afterServer + 1);
        return path.substr(0, afterShare);
    }
    return std::string();
}

std::string ParentFolder(const std::string& path) {
    std::string p = path;
    if (EndsWithBackslash(p)) DropLastChar(p);
    size_t cut = FindLastPathChar(p, "\\:");
    return cut == std::string::npos ? std::string() : p.substr(0, cut + 1);
}

std::string TempNamePrefix() {
    std::string prefix = "~";
    for (const char* c = SetupTitle; *c; ++c)
        if (IsAsciiLetter(*c)) prefix += *c;
    return prefix;
}

int32_t RoundUpToClusterSize(int32_t bytes, uint32_t clusterSize) {
    if (clusterSize == 0 || clusterSize > uint32_t(std::numeric_limits<int32_t>::max()))
        clusterSize = 4096;
    // Signed arithmetic truncating toward zero, widened so that the last
    // cluster below 2 GiB cannot overflow; the answer saturates instead.
    const int64_t n = bytes, k = clusterSize;
    const int64_t rounded = (n % k == 0) ? n : (n / k + 1) * k;
    return rounded > std::numeric_limits<int32_t>::max() ? std::numeric_limits<int32_t>::max()
                                                         : int32_t(rounded);
}

bool IsRemovableDescriptor(const uint8_t* descriptor, size_t len) {
    // STORAGE_DEVICE_DESCRIPTOR: RemovableMedia at byte 10, BusType (a
    // 32-bit enum) at byte 28. Only bytes the device returned count.
    constexpr size_t removableAt = 10, busTypeAt = 28;
    constexpr uint32_t busIeee1394 = 4, busUsb = 7;
    if (descriptor == nullptr) return false;
    if (len > removableAt && descriptor[removableAt] != 0) return true;
    if (len >= busTypeAt + 4) {
        const uint32_t busType =
            uint32_t(descriptor[busTypeAt]) | uint32_t(descriptor[busTypeAt + 1]) << 8 |
            uint32_t(descriptor[busTypeAt + 2]) << 16 | uint32_t(descriptor[busTypeAt + 3]) << 24;
        return busType == busIeee1394 || busType == busUsb;
    }
    return false;
}
