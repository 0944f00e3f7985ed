// Links in the folders the setup writes into.
#include <mutex>
#include <optional>
#include <vector>

#include "instutils/InstUtils.h"
#include "instutils/WinHandles.h"

namespace {

std::mutex SelfLock;
std::optional<std::vector<uint8_t>> SelfOverride;

std::vector<uint8_t> TokenUser() {
    HANDLE raw = nullptr;
    if (!OpenProcessToken(GetCurrentProcess(), TOKEN_QUERY, &raw)) return {};
    TUniqueHandle token(raw);
    DWORD needed = 0;
    GetTokenInformation(token.Get(), ::TokenUser, nullptr, 0, &needed);
    std::vector<uint8_t> info(needed);
    if (needed == 0 || !GetTokenInformation(token.Get(), ::TokenUser, info.data(), needed, &needed))
        return {};
    PSID sid = reinterpret_cast<TOKEN_USER*>(info.data())->User.Sid;
    if (!IsValidSid(sid)) return {};
    const auto* bytes = static_cast<const uint8_t*>(sid);
    return std::vector<uint8_t>(bytes, bytes + GetLengthSid(sid));
}

std::vector<uint8_t> Self() {
    std::lock_guard<std::mutex> guard(SelfLock);
    if (SelfOverride) return *SelfOverride;
    static const std::vector<uint8_t> user = TokenUser();
    return user;
}

// The link's own owner, not its target's; false when it cannot be read.
bool HasTrustedOwner(const std::string& link, const std::vector<uint8_t>& self) {
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
    return IsTrustedOwner(static_cast<const uint8_t*>(owner), GetLengthSid(owner), self);
}

}  // namespace

void SetLinkOwnerSelf(const std::vector<uint8_t>* sid) {
    std::lock_guard<std::mutex> guard(SelfLock);
    if (sid)
        SelfOverride = *sid;
    else
        SelfOverride.reset();
}

std::string FindForeignLink(const std::string& folder) {
    std::vector<uint8_t> self;
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
            (attributes & FILE_ATTRIBUTE_REPARSE_POINT) != 0) {
            if (self.empty()) self = Self();
            if (!HasTrustedOwner(p, self)) found = p;
        }
        std::string parent = ParentFolder(p);
        if (parent.size() >= p.size()) break;
        p = std::move(parent);
    }
    return found;
}
