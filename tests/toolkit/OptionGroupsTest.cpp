#include "toolkit/OptionGroups.h"

#include <gtest/gtest.h>

#include <vector>

namespace {

// Stand-ins: the groups only keep and compare the pointers.
int slots[3];
CControlUI* const a = reinterpret_cast<CControlUI*>(&slots[0]);
CControlUI* const b = reinterpret_cast<CControlUI*>(&slots[1]);
CControlUI* const c = reinterpret_cast<CControlUI*>(&slots[2]);

using Members = std::vector<CControlUI*>;

TEST(OptionGroups, MembersJoinOnceInOrderAndAGroupGoesWithItsLastMember) {
    COptionGroups groups;
    EXPECT_TRUE(groups.Add(L"pair", a));
    EXPECT_TRUE(groups.Add(L"pair", b));
    EXPECT_FALSE(groups.Add(L"pair", a));
    ASSERT_NE(groups.Find(L"pair"), nullptr);
    EXPECT_EQ(*groups.Find(L"pair"), (Members{a, b}));
    EXPECT_EQ(groups.Find(L"other"), nullptr);

    groups.Remove(L"pair", a);
    EXPECT_EQ(*groups.Find(L"pair"), (Members{b}));
    groups.Remove(L"pair", b);
    EXPECT_EQ(groups.Find(L"pair"), nullptr);
}

TEST(OptionGroups, AControlGoingAwayLeavesEveryGroupItWasIn) {
    COptionGroups groups;
    groups.Add(L"one", a);
    groups.Add(L"one", b);
    groups.Add(L"two", c);
    groups.Add(L"two", a);
    groups.RemoveEverywhere(a);
    EXPECT_EQ(*groups.Find(L"one"), (Members{b}));
    EXPECT_EQ(*groups.Find(L"two"), (Members{c}));
}

}  // namespace
