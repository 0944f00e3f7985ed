// The owner template every handle kind is an alias of, with a recording close
// function standing in for the system's; and the selection guard.
#include "instutils/WinHandles.h"

#include <gtest/gtest.h>

#include <functional>
#include <utility>
#include <vector>

namespace {

int Slots[3];
int* const Invalid = reinterpret_cast<int*>(-1);
std::vector<int*> Closed;

void RecordClose(int* h) { Closed.push_back(h); }
bool NotNullOrInvalidSlot(int* h) { return h != nullptr && h != Invalid; }
using TOwner = TOwned<int*, RecordClose, NotNullOrInvalidSlot>;

TEST(WinHandles, OwnerClosesEachHandleOnceUnlessReleased) {
    int* const a = &Slots[0];
    int* const b = &Slots[1];
    const struct {
        const char* what;
        std::function<void()> run;
        std::vector<int*> closed;
    } cases[] = {
        {"scope end closes", [&] { TOwner o(a); }, {a}},
        {"none is never closed", [&] { TOwner none(Invalid), empty; }, {}},
        {"Release gives up ownership",
         [&] {
             TOwner o(a);
             EXPECT_EQ(o.Release(), a);
             EXPECT_FALSE(o);
         },
         {}},
        {"a move hands over without closing",
         [&] {
             TOwner from(a);
             TOwner to(std::move(from));
             EXPECT_FALSE(from.Valid());
             EXPECT_EQ(to.Get(), a);
         },
         {a}},
        {"move assignment closes the old first",
         [&] {
             TOwner from(a), to(b);
             to = std::move(from);
             EXPECT_EQ(Closed, std::vector<int*>{b});
         },
         {b, a}},
        {"a self move keeps the handle",
         [&] {
             TOwner o(a);
             TOwner& same = o;
             o = std::move(same);
             EXPECT_TRUE(o);
         },
         {a}},
        {"Reset closes the old", [&] { TOwner(a).Reset(b); }, {a, b}},
        {"OutPtr closes before it hands out the slot",
         [&] {
             TOwner o(a);
             int** slot = o.OutPtr();
             EXPECT_EQ(*slot, nullptr);
             *slot = b;
             EXPECT_EQ(Closed, std::vector<int*>{a});
         },
         {a, b}},
    };
    for (const auto& c : cases) {
        Closed.clear();
        c.run();
        EXPECT_EQ(Closed, c.closed) << c.what;
    }
}

TEST(WinHandles, SelectionIsUndoneBeforeTheDcGoes) {
    TMemoryDC dc(CreateCompatibleDC(nullptr));
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
