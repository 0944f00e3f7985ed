#include <gtest/gtest.h>

#include <windows.h>

#include "instutils/AppInterface.h"
#include "integration/Options.h"

namespace {

// A top-level window that may carry the running-copy property.
class TMarkedWindow {
public:
    TMarkedWindow(bool visible, HANDLE value, bool setProperty = true) {
        Window = CreateWindowExA(WS_EX_TOOLWINDOW, "STATIC", app::WindowTitle,
                                 WS_POPUP | (visible ? WS_VISIBLE : 0), 0, 0, 50, 50, nullptr,
                                 nullptr, GetModuleHandleA(nullptr), nullptr);
        if (Window && setProperty) SetPropA(Window, app::RunningProperty, value);
    }
    TMarkedWindow(const TMarkedWindow&) = delete;
    TMarkedWindow& operator=(const TMarkedWindow&) = delete;
    ~TMarkedWindow() {
        if (!Window) return;
        RemovePropA(Window, app::RunningProperty);
        DestroyWindow(Window);
    }
    HWND Window = nullptr;
};

// Under Xvfb without a window manager, hiding a shown window costs about two
// seconds, so only one case uses a visible window.
TEST(RunningCopy, FoundByItsWindowProperty) {
    ASSERT_FALSE(IsAppRunning()) << "another marked window is open";
    struct Case {
        const char* What;
        bool Visible;
        HANDLE Value;
        bool SetProperty;
        bool Expected;
    };
    const Case cases[] = {
        {"visible, marked", true, reinterpret_cast<HANDLE>(1), true, true},
        {"hidden, marked", false, reinterpret_cast<HANDLE>(0x5A5A), true, true},
        {"hidden, marked with 0", false, nullptr, true, false},
        {"same title, no property", false, nullptr, false, false},
    };
    for (const Case& c : cases) {
        TMarkedWindow w(c.Visible, c.Value, c.SetProperty);
        ASSERT_NE(w.Window, nullptr) << c.What;
        EXPECT_EQ(IsAppRunning(), c.Expected) << c.What;
    }
    EXPECT_FALSE(IsAppRunning());
}

TEST(RunningCopy, OneMarkedWindowAmongOthers) {
    TMarkedWindow plain1(false, nullptr, false), zero(false, nullptr),
        plain2(false, nullptr, false);
    EXPECT_FALSE(IsAppRunning());
    TMarkedWindow first(false, reinterpret_cast<HANDLE>(1)),
        second(false, reinterpret_cast<HANDLE>(2));
    EXPECT_TRUE(IsAppRunning());
}

}  // namespace
