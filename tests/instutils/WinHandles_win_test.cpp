// The shared handle owners: each closes what it holds exactly once, a move
// hands the handle over, and Release and OutPtr do what their callers rely on.
#include "instutils/WinHandles.h"
#include "tests/instutils/Scratch_win.h"

#include <gtest/gtest.h>

#include <utility>

namespace {

TUniqueHandle OpenExclusive(const std::string& path) {
    return TUniqueHandle(CreateFileA(path.c_str(), GENERIC_READ | GENERIC_WRITE, 0, nullptr,
                                     OPEN_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr));
}

// An exclusive open succeeds only when no other handle to the file is open.
TEST(WinHandles, UniqueHandleClosesOnceAndMovesOwnership) {
    ScratchFolder s;
    const std::string path = s / "held.bin";
    {
        TUniqueHandle first = OpenExclusive(path);
        ASSERT_TRUE(first.Valid());
        EXPECT_FALSE(OpenExclusive(path).Valid()) << "the file is held";

        TUniqueHandle second(std::move(first));
        EXPECT_FALSE(first.Valid());
        { TUniqueHandle gone(std::move(first)); }  // an emptied owner closes nothing
        EXPECT_FALSE(OpenExclusive(path).Valid()) << "the move kept it open";

        TUniqueHandle third;
        third = std::move(second);
        EXPECT_FALSE(OpenExclusive(path).Valid());
        third.Reset();
        EXPECT_FALSE(third.Valid());
    }
    EXPECT_TRUE(OpenExclusive(path).Valid()) << "the reset closed it";

    TUniqueHandle none(INVALID_HANDLE_VALUE);
    EXPECT_FALSE(none.Valid());
}

TEST(WinHandles, RegistryKeyReleaseAndOutPtr) {
    const char* path = "Software\\Parvela Word Processor Handle Test";
    TRegKey key;
    ASSERT_EQ(RegCreateKeyExA(HKEY_CURRENT_USER, path, 0, nullptr, 0, KEY_ALL_ACCESS, nullptr,
                              key.OutPtr(), nullptr),
              ERROR_SUCCESS);
    ASSERT_TRUE(key);
    DWORD subkeys = 0;
    auto usable = [&subkeys](HKEY k) {
        return RegQueryInfoKeyA(k, nullptr, nullptr, nullptr, &subkeys, nullptr, nullptr, nullptr,
                                nullptr, nullptr, nullptr, nullptr) == ERROR_SUCCESS;
    };

    // Released, the key stays open for its new owner.
    HKEY raw = key.Release();
    EXPECT_FALSE(key);
    EXPECT_TRUE(usable(raw));

    // OutPtr closes what is held before it hands out the slot.
    key.Reset(raw);
    HKEY* slot = key.OutPtr();
    EXPECT_EQ(*slot, nullptr);
    EXPECT_FALSE(usable(raw)) << "the first key was not closed";
    ASSERT_EQ(RegOpenKeyExA(HKEY_CURRENT_USER, path, 0, KEY_READ, slot), ERROR_SUCCESS);
    EXPECT_TRUE(usable(key.Get()));

    TRegKey moved(std::move(key));
    EXPECT_FALSE(key);
    EXPECT_TRUE(usable(moved.Get()));
    moved.Reset();
    RegDeleteKeyA(HKEY_CURRENT_USER, path);
}

TEST(WinHandles, GdiObjectDeletedOnceUnlessReleased) {
    HBRUSH raw = CreateSolidBrush(RGB(1, 2, 3));
    ASSERT_NE(raw, nullptr);
    {
        TGdiHandle<HBRUSH> owner(raw);
        TGdiHandle<HBRUSH> other(std::move(owner));
        EXPECT_FALSE(owner);
        EXPECT_EQ(GetObjectType(raw), static_cast<DWORD>(OBJ_BRUSH)) << "a move deletes nothing";
    }
    EXPECT_EQ(GetObjectType(raw), 0u) << "the last owner deleted it";

    HBRUSH kept = CreateSolidBrush(RGB(4, 5, 6));
    {
        TGdiHandle<HBRUSH> owner(kept);
        EXPECT_EQ(owner.Release(), kept);
    }
    EXPECT_EQ(GetObjectType(kept), static_cast<DWORD>(OBJ_BRUSH)) << "a released object survives";
    DeleteObject(kept);
}

TEST(WinHandles, SelectionIsUndoneBeforeTheDcGoes) {
    TMemoryDC dc(nullptr);
    ASSERT_NE(dc.Get(), nullptr);
    const HGDIOBJ original = GetCurrentObject(dc.Get(), OBJ_BRUSH);
    TGdiHandle<HBRUSH> brush(CreateSolidBrush(RGB(7, 8, 9)));
    {
        TSelectObject selected(dc.Get(), brush.Get());
        EXPECT_EQ(GetCurrentObject(dc.Get(), OBJ_BRUSH), brush.Get());
    }
    EXPECT_EQ(GetCurrentObject(dc.Get(), OBJ_BRUSH), original);
    {
        TSelectObject nothing(dc.Get(), nullptr);
        EXPECT_EQ(GetCurrentObject(dc.Get(), OBJ_BRUSH), original);
    }
    EXPECT_EQ(GetCurrentObject(dc.Get(), OBJ_BRUSH), original);
}

}  // namespace
