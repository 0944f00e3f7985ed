// The machine's setup claim: only a mutex of the lock's name stops a setup,
// and two claims exclude each other.
#include "instutils/SetupLock_win.h"

#include <gtest/gtest.h>

namespace {

TEST(SetupLock, OnlyAnotherClaimsMutexCountsAsAnotherSetup) {
    const std::string name = "Local\\ParvelaSetupLockTest";
    using Make = HANDLE (*)(const char*);
    const struct {
        const char* what;
        Make squat;
        TClaimResult result;
        bool held;
    } cases[] = {
        {"nothing", nullptr, TClaimResult::Claimed, true},
        {"an event", [](const char* n) { return CreateEventA(nullptr, TRUE, FALSE, n); },
         TClaimResult::Claimed, false},
        {"a semaphore", [](const char* n) { return CreateSemaphoreA(nullptr, 0, 1, n); },
         TClaimResult::Claimed, false},
        {"a mutex", [](const char* n) { return CreateMutexA(nullptr, FALSE, n); },
         TClaimResult::HeldByAnother, false},
    };
    for (const auto& c : cases) {
        TUniqueHandle squatter(c.squat ? c.squat(name.c_str()) : nullptr);
        ASSERT_EQ(squatter.Valid(), c.squat != nullptr) << c.what;
        TUniqueHandle held;
        EXPECT_EQ(ClaimMutex(name, held), c.result) << c.what;
        EXPECT_EQ(held.Valid(), c.held) << c.what;
    }
}

TEST(SetupLock, TwoClaimsExcludeEachOtherUntilTheFirstEnds) {
    TSetupClaim first, second;
    ASSERT_EQ(ClaimSetupLock(first), TClaimResult::Claimed);
    ASSERT_TRUE(first.Mutex.Valid());
    EXPECT_EQ(ClaimSetupLock(second), TClaimResult::HeldByAnother);
    first = {};
    EXPECT_EQ(ClaimSetupLock(second), TClaimResult::Claimed);
}

}  // namespace
