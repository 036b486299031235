#include "toolkit/PressTracker.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace {

// A pointer gesture on one control: 'D' press inside, 'd' press outside, 'i' move
// inside, 'o' move outside, 'U' release inside, 'u' release outside.
struct Gesture {
    const char* name;
    std::string steps;
    bool enabled;
    int clicks;
    bool pushedAtEnd;
};

int Replay(CPressTracker& tracker, const std::string& steps, bool enabled) {
    int clicks = 0;
    for (char step : steps) {
        switch (step) {
            case 'D':
                tracker.Press(true, enabled);
                break;
            case 'd':
                tracker.Press(false, enabled);
                break;
            case 'i':
                tracker.Drag(true);
                break;
            case 'o':
                tracker.Drag(false);
                break;
            case 'U':
                clicks += tracker.Release(true, enabled) ? 1 : 0;
                break;
            case 'u':
                clicks += tracker.Release(false, enabled) ? 1 : 0;
                break;
        }
    }
    return clicks;
}

TEST(PressTracker, GesturesGiveClicksOnlyWhenReleasedInsideAfterAPressInside) {
    const Gesture gestures[] = {
        {"press, release", "DU", true, 1, false},
        {"press, drag out, release outside", "Dou", true, 0, false},
        {"press, out, back in, release", "DoiU", true, 1, false},
        {"press, wiggle, release", "DioioiU", true, 1, false},
        {"press outside, move in, release", "diU", true, 0, false},
        {"release without a press", "U", true, 0, false},
        {"disabled press and release", "DU", false, 0, false},
        {"two clicks", "DUDU", true, 2, false},
        {"pressed and dragged out, still held", "Do", true, 0, false},
        {"pressed and held inside", "Doi", true, 0, true},
    };
    for (const Gesture& g : gestures) {
        CPressTracker tracker;
        EXPECT_EQ(Replay(tracker, g.steps, g.enabled), g.clicks) << g.name;
        EXPECT_EQ(tracker.Has(UIState::Pushed), g.pushedAtEnd) << g.name;
    }
}

TEST(PressTracker, PushedFollowsThePointerOnlyWhileCaptured) {
    CPressTracker tracker;
    EXPECT_FALSE(tracker.Drag(true));
    EXPECT_FALSE(tracker.Has(UIState::Pushed));  // hovering over it is not pushing it
    ASSERT_TRUE(tracker.Press(true, true));
    EXPECT_TRUE(tracker.Has(UIState::Pushed | UIState::Captured));
    tracker.Drag(false);
    EXPECT_FALSE(tracker.Has(UIState::Pushed));
    EXPECT_TRUE(tracker.Has(UIState::Captured));
    tracker.Drag(true);
    EXPECT_TRUE(tracker.Has(UIState::Pushed));
    EXPECT_TRUE(tracker.Release(true, true));
    EXPECT_EQ(tracker.GetState(), 0u);
}

TEST(PressTracker, HotOnlyChangesWhileEnabledAndOtherBitsSurviveIt) {
    CPressTracker tracker;
    tracker.Set(UIState::Focused, true);
    tracker.Enter(false);
    EXPECT_FALSE(tracker.Has(UIState::Hot));
    tracker.Enter(true);
    EXPECT_TRUE(tracker.Has(UIState::Hot));
    tracker.Leave(false);
    EXPECT_TRUE(tracker.Has(UIState::Hot));
    tracker.Leave(true);
    EXPECT_EQ(tracker.GetState(), UIState::Focused);
    tracker.Clear();
    EXPECT_EQ(tracker.GetState(), 0u);
}

}  // namespace
