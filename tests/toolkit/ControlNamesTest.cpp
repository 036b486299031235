#include "toolkit/ControlNames.h"

#include <gtest/gtest.h>

namespace {

// Stand-ins: the table only keeps and compares the pointers.
int slots[2];
CControlUI* const first = reinterpret_cast<CControlUI*>(&slots[0]);
CControlUI* const second = reinterpret_cast<CControlUI*>(&slots[1]);

TEST(ControlNames, TheFirstHolderKeepsANameUntilItGivesItUp) {
    CControlNames names;
    EXPECT_TRUE(names.Add(L"ok", first));
    EXPECT_FALSE(names.Add(L"ok", second));
    EXPECT_FALSE(names.Add(L"", second));
    EXPECT_EQ(names.Find(L"ok"), first);
    EXPECT_EQ(names.Find(L""), nullptr);

    // A namesake going away (or being renamed) leaves the holder findable.
    names.Remove(L"ok", second);
    EXPECT_EQ(names.Find(L"ok"), first);

    names.Remove(L"ok", first);
    EXPECT_EQ(names.Find(L"ok"), nullptr);
    EXPECT_TRUE(names.Add(L"ok", second));
    EXPECT_EQ(names.Find(L"ok"), second);
}

}  // namespace
