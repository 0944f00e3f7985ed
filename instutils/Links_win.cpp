// Links in the folders the setup writes into.
#include <vector>

#include "instutils/InstUtils.h"
#include "instutils/WinHandles.h"

namespace {

// The link's own owner, not its target's; false when it cannot be read.
bool HasTrustedOwner(const std::string& link) {
    TUniqueHandle handle(CreateFileA(
        link.c_str(), READ_CONTROL, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
        OPEN_EXISTING, FILE_FLAG_BACKUP_SEMANTICS | FILE_FLAG_OPEN_REPARSE_POINT, nullptr));
    if (!handle.Valid()) return false;
    DWORD needed = 0;
    GetKernelObjectSecurity(handle.Get(), OWNER_SECURITY_INFORMATION, nullptr, 0, &needed);
    if (needed == 0) return false;
    std::vector<uint8_t> descriptor(needed);
    if (!GetKernelObjectSecurity(handle.Get(), OWNER_SECURITY_INFORMATION, descriptor.data(),
                                 needed, &needed))
        return false;
    PSID owner = nullptr;
    BOOL defaulted = FALSE;
    if (!GetSecurityDescriptorOwner(descriptor.data(), &owner, &defaulted) || owner == nullptr ||
        !IsValidSid(owner))
        return false;
    return IsTrustedOwner(static_cast<const uint8_t*>(owner), GetLengthSid(owner));
}

}  // namespace

std::string FindForeignLink(const std::string& folder) {
    std::string found;
    std::string p = folder;
    const size_t root = DrivePart(p).size() + 1;
    while (p.size() > root) {
        if (EndsWithBackslash(p)) {
            p.pop_back();
            continue;
        }
        const DWORD attributes = GetFileAttributesA(p.c_str());
        // Walking upwards: the last one found is the outermost.
        if (attributes != INVALID_FILE_ATTRIBUTES &&
            (attributes & FILE_ATTRIBUTE_REPARSE_POINT) != 0 && !HasTrustedOwner(p))
            found = p;
        std::string parent = ParentFolder(p);
        if (parent.size() >= p.size()) break;
        p = std::move(parent);
    }
    return found;
}
