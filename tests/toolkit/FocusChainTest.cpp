// The Tab order walked as a ring, on a small tree without a window.

#include "TestControls.h"
#include "toolkit/ComboUI.h"
#include "toolkit/FocusChain.h"
#include "toolkit/ListLabelElementUI.h"
#include "toolkit/VerticalLayoutUI.h"

#include <gtest/gtest.h>

namespace {

TEST(FocusChain, TabStopsFollowInTreeOrderAndWrapBothWays) {
    CVerticalLayoutUI root;  // owns and frees the children
    auto* s1 = new CTestButtonUI;
    auto* plain = new CControlUI;  // no Tab stop
    auto* s2 = new CTestButtonUI;
    auto* off = new CTestButtonUI;  // a Tab stop, but disabled
    auto* s3 = new CTestButtonUI;
    off->SetEnabled(false);
    for (CControlUI* child : {static_cast<CControlUI*>(s1), plain, static_cast<CControlUI*>(s2),
                              static_cast<CControlUI*>(off), static_cast<CControlUI*>(s3)}) {
        ASSERT_TRUE(root.Add(child));
    }
    struct Case {
        const char* name;
        CControlUI* from;
        bool forward;
        CControlUI* expected;
    };
    const Case cases[] = {
        {"next stop", s1, true, s2},
        {"over a control that is no stop", plain, true, s2},
        {"over a disabled stop", s2, true, s3},
        {"last to first", s3, true, s1},
        {"back", s3, false, s2},
        {"back over a plain control", s2, false, s1},
        {"first back to last", s1, false, s3},
        {"from outside, forward: the first", nullptr, true, s1},
        {"from outside, back: the last", nullptr, false, s3},
        {"from the disabled stop, forward", off, true, s1},
        {"from the root, back", &root, false, s3},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(CFocusChain::FindTabStop(&root, c.from, c.forward), c.expected) << c.name;
    }
}

TEST(FocusChain, ALoneStopFindsItselfAndNoStopFindsNothing) {
    CVerticalLayoutUI root;
    auto* only = new CTestButtonUI;
    auto* plain = new CControlUI;
    ASSERT_TRUE(root.Add(plain));
    ASSERT_TRUE(root.Add(only));
    for (bool forward : {true, false}) {
        EXPECT_EQ(CFocusChain::FindTabStop(&root, only, forward), only) << forward;
        EXPECT_EQ(CFocusChain::FindTabStop(&root, plain, forward), only) << forward;
    }
    only->SetVisible(false);
    for (bool forward : {true, false}) {
        EXPECT_EQ(CFocusChain::FindTabStop(&root, plain, forward), nullptr) << forward;
        EXPECT_EQ(CFocusChain::FindTabStop(nullptr, nullptr, forward), nullptr) << forward;
    }
}

// Its items are list elements, Tab stops of their own in a list; in a combo box they are
// chosen with the arrow keys, so Tab passes over them.
TEST(FocusChain, AComboBoxIsOneStop) {
    CVerticalLayoutUI root;
    auto* before = new CTestButtonUI;
    auto* combo = new CComboUI;
    auto* after = new CTestButtonUI;
    ASSERT_TRUE(combo->Add(new CListLabelElementUI));
    ASSERT_TRUE(combo->Add(new CListLabelElementUI));
    for (CControlUI* child :
         {static_cast<CControlUI*>(before), static_cast<CControlUI*>(combo), static_cast<CControlUI*>(after)}) {
        ASSERT_TRUE(root.Add(child));
    }
    EXPECT_EQ(CFocusChain::FindTabStop(&root, before, true), combo);
    EXPECT_EQ(CFocusChain::FindTabStop(&root, combo, true), after);
    EXPECT_EQ(CFocusChain::FindTabStop(&root, after, false), combo);
}

}  // namespace
