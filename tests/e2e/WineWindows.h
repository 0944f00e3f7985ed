#pragma once
// Wine settings for the programs the tests start, put back at the end:
// - Under Xvfb there is no window manager. Wine then waits up to two seconds
//   for one whenever a window is hidden or destroyed (each message box, each
//   program end) and draws no title bars. Unmanaged windows avoid both.
// - Shortcuts made in the prefix would otherwise become menu entries and
//   icons in the Linux user's home, outside the prefix.

#include <gtest/gtest.h>

#include <optional>
#include <string>

#include "tests/e2e/Machine.h"

namespace e2e {

class WineTestSettings : public ::testing::Environment {
public:
    void SetUp() override {
        for (Setting& s : settings_) {
            s.before = RegString(HKEY_CURRENT_USER, s.key, s.name);
            RegSetString(HKEY_CURRENT_USER, s.key, s.name, s.value);
        }
    }
    void TearDown() override {
        for (const Setting& s : settings_) {
            if (s.before)
                RegSetString(HKEY_CURRENT_USER, s.key, s.name, *s.before);
            else
                RegDeleteValueOf(HKEY_CURRENT_USER, s.key, s.name);
        }
    }

private:
    struct Setting {
        const char* key;
        const char* name;
        const char* value;
        std::optional<std::string> before;
    };
    Setting settings_[3] = {
        {"Software\\Wine\\X11 Driver", "Managed", "N", std::nullopt},
        {"Software\\Wine\\X11 Driver", "Decorated", "N", std::nullopt},
        {"Software\\Wine\\DllOverrides", "winemenubuilder.exe", "", std::nullopt},
    };
};

inline ::testing::Environment* const WineTestSettingsEnv =
    ::testing::AddGlobalTestEnvironment(new WineTestSettings);

}  // namespace e2e
