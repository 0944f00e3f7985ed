#pragma once
// Under Xvfb there is no window manager. Wine then waits up to two seconds
// for one whenever a window is hidden or destroyed (each message box, each
// program end) and draws no title bars. Unmanaged windows avoid both; the
// setting applies to programs started afterwards and is put back at the end.

#include <gtest/gtest.h>

#include <optional>
#include <string>

#include "tests/e2e/Machine.h"

namespace e2e {

class UnmanagedWineWindows : public ::testing::Environment {
public:
    void SetUp() override {
        for (Saved& s : saved_) {
            s.before = RegString(HKEY_CURRENT_USER, Key, s.name);
            RegSetString(HKEY_CURRENT_USER, Key, s.name, "N");
        }
    }
    void TearDown() override {
        for (const Saved& s : saved_) {
            if (s.before) RegSetString(HKEY_CURRENT_USER, Key, s.name, *s.before);
            else RegDeleteValueOf(HKEY_CURRENT_USER, Key, s.name);
        }
    }

private:
    static constexpr const char* Key = "Software\\Wine\\X11 Driver";
    struct Saved {
        const char* name;
        std::optional<std::string> before;
    };
    Saved saved_[2] = {{"Managed", std::nullopt}, {"Decorated", std::nullopt}};
};

inline ::testing::Environment* const UnmanagedWineWindowsEnv =
    ::testing::AddGlobalTestEnvironment(new UnmanagedWineWindows);

}  // namespace e2e
