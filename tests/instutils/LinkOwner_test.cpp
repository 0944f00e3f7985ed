#include "instutils/InstUtils.h"

#include <gtest/gtest.h>

#include <vector>

namespace {

// A SID in its binary form from its authority and sub-authorities.
std::vector<uint8_t> Sid(uint8_t authority, std::vector<uint32_t> subs) {
    std::vector<uint8_t> sid = {1, uint8_t(subs.size()), 0, 0, 0, 0, 0, authority};
    for (uint32_t s : subs)
        for (int i = 0; i < 4; ++i) sid.push_back(uint8_t(s >> (8 * i)));
    return sid;
}

TEST(LinkOwner, OnlyTheSystemAdministratorsTheInstallerServiceAndTheSetupsOwnUser) {
    const std::vector<uint8_t> self = Sid(5, {21, 1, 2, 3, 1000});
    const uint32_t installer[] = {80, 956008885, 3418522649, 1831038044, 1853292631, 2271478464};
    const struct {
        std::vector<uint8_t> sid;
        bool trusted;
    } cases[] = {
        {Sid(5, {18}), true},                                             // LocalSystem
        {Sid(5, {32, 544}), true},                                        // Administrators
        {Sid(5, std::vector<uint32_t>(installer, installer + 6)), true},  // TrustedInstaller
        {self, true},
        {Sid(5, {32, 545}), false},           // Users
        {Sid(5, {21, 1, 2, 3, 500}), false},  // another account
        {Sid(3, {18}), false},                // another authority
        {Sid(5, {32, 544, 0}), false},        // a longer SID
        {{}, false},
    };
    for (const auto& c : cases)
        EXPECT_EQ(IsTrustedOwner(c.sid.data(), c.sid.size(), self), c.trusted)
            << testing::PrintToString(c.sid);
    EXPECT_FALSE(IsTrustedOwner(self.data(), 0, {}));
}

}  // namespace
