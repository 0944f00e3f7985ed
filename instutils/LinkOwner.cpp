#include <cstring>

#include "instutils/InstUtils.h"

namespace {

// SIDs in their binary form: revision 1, the sub-authority count, the
// identifier authority 5 (NT) big-endian, then the sub-authorities.
constexpr uint8_t LocalSystem[] = {1, 1, 0, 0, 0, 0, 0, 5, 18, 0, 0, 0};
constexpr uint8_t Administrators[] = {1, 2, 0, 0, 0, 0, 0, 5, 32, 0, 0, 0, 0x20, 2, 0, 0};
// NT SERVICE\TrustedInstaller, which owns what Windows itself installs.
constexpr uint8_t TrustedInstaller[] = {
    1,    6,    0,    0,    0,    0,    0,    5,    80,   0,    0,    0,    0xB5, 0x89, 0xFB, 0x38,
    0x19, 0x84, 0xC2, 0xCB, 0x5C, 0x6C, 0x23, 0x6D, 0x57, 0x00, 0x77, 0x6E, 0xC0, 0x02, 0x64, 0x87};

template <size_t N>
bool Is(const uint8_t* sid, size_t len, const uint8_t (&known)[N]) {
    return len == N && std::memcmp(sid, known, N) == 0;
}

}  // namespace

bool IsTrustedOwner(const uint8_t* sid, size_t len, const std::vector<uint8_t>& self) {
    if (sid == nullptr || len == 0) return false;
    return Is(sid, len, LocalSystem) || Is(sid, len, Administrators) ||
           Is(sid, len, TrustedInstaller) ||
           (len == self.size() && std::memcmp(sid, self.data(), len) == 0);
}
