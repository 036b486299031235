#include "toolkit/ComboSelection.h"
#include "toolkit/GifFrames.h"
#include "toolkit/ProgressGeometry.h"

#include <gtest/gtest.h>

#include <climits>
#include <vector>

namespace {

using Step = CComboSelection::Step;

TEST(ComboSelection, FindSelectableSearchesInItsDirectionFromTheClampedIndex) {
    // x = selectable, . = hidden, disabled or not a list item
    const std::vector<bool> items = {false, true, false, true, false};  // . x . x .
    struct Case {
        int index;
        bool forward;
        int expected;
    };
    const Case cases[] = {
        {0, true, 1},   {1, true, 1},   {2, true, 3},  {4, true, -1},  // nothing after the last
        {-5, true, 1},  {99, true, -1}, {4, false, 3}, {2, false, 1},
        {0, false, 1},  // nothing before: forward from the start
        {99, false, 3}, {-1, false, 1},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(CComboSelection::FindSelectable(items, c.index, c.forward), c.expected)
            << c.index << (c.forward ? " forward" : " backward");
    }
    EXPECT_EQ(CComboSelection::FindSelectable({}, 0, true), -1);
    EXPECT_EQ(CComboSelection::FindSelectable({false, false}, 1, false), -1);
}

TEST(ComboSelection, KeyStepsMoveByExactlyOneSelectableItem) {
    const std::vector<bool> items = {true, false, true, true, false, true, false};
    struct Case {
        int current;
        Step step;
        int expected;
    };
    const Case cases[] =
        {
            {0, Step::Next, 2},     {2, Step::Next, 3},     {3, Step::Next, 5},
            {5, Step::Next, -1},                          // only an unselectable item follows: no target
            {6, Step::Next, -1},    {-1, Step::Next, 0},  // nothing selected yet: the first
            {5, Step::Previous, 3}, {2, Step::Previous, 0}, {0, Step::Previous, 0},
            {3, Step::First, 0},    {0, Step::Last, 5},
        };
    for (const Case& c : cases) {
        EXPECT_EQ(CComboSelection::Target(items, c.current, c.step), c.expected)
            << "from " << c.current << " step " << static_cast<int>(c.step);
    }
}

TEST(ProgressGeometry, FillFollowsTheValueAndStaysInsideTheBar) {
    struct Case {
        ProgressRange range;
        int width, height;
        bool horizontal;
        UiRect expected;
    };
    const Case cases[] = {
        {{0, 100, 50}, 300, 12, true, {0, 0, 150, 12}},
        {{0, 100, 100}, 300, 12, true, {0, 0, 300, 12}},
        {{0, 100, 150}, 300, 12, true, {0, 0, 300, 12}},  // over the top: full
        {{0, 100, -20}, 300, 12, true, {0, 0, 0, 12}},
        {{20, 30, 25}, 100, 10, true, {0, 0, 50, 10}},
        {{0, 3, 1}, 100, 10, true, {0, 0, 33, 10}},         // truncated
        {{50, 50, 50}, 100, 10, true, {0, 0, 0, 10}},       // empty range repaired to 50..51
        {{60, 10, 70}, 100, 10, true, {0, 0, 100, 10}},     // min above max: 60..61, value 61
        {{0, 100, 25}, 20, 200, false, {0, 150, 20, 200}},  // vertical fills from the bottom
        {{0, 100, 100}, 20, 200, false, {0, 0, 20, 200}},
        {{0, INT_MAX, INT_MAX / 2}, 1000, 10, true, {0, 0, 499, 10}},  // no overflow
        {{INT_MAX, INT_MAX, INT_MAX}, 10, 10, true, {0, 0, 10, 10}},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(ProgressFillRect(c.range, c.width, c.height, c.horizontal), c.expected)
            << c.range.min << ".." << c.range.max << " = " << c.range.value;
    }
}

TEST(ProgressGeometry, RepairKeepsAGoodRangeAndMendsABadOne) {
    const ProgressRange good = RepairProgressRange({0, 100, 40});
    EXPECT_EQ(good.max, 100);
    EXPECT_EQ(good.value, 40);
    const ProgressRange bad = RepairProgressRange({10, 5, 0});
    EXPECT_EQ(bad.min, 10);
    EXPECT_EQ(bad.max, 11);
    EXPECT_EQ(bad.value, 10);
}

TEST(GifFrames, ZeroDelayMeansOneHundredMillisecondsAndFramesWrap) {
    CGifFrames frames;
    EXPECT_FALSE(frames.CanPlay());
    frames.Reset(3, {0, 5, 250});
    ASSERT_TRUE(frames.CanPlay());
    const uint32_t expected[] = {100, 50, 2500, 100, 50};
    for (uint32_t interval : expected) {
        EXPECT_EQ(frames.GetIntervalMs(), interval) << "frame " << frames.GetCurrent();
        frames.Advance();
    }
    EXPECT_EQ(frames.GetCurrent(), 2u);
    frames.Rewind();
    EXPECT_EQ(frames.GetCurrent(), 0u);
}

TEST(GifFrames, ShortOrMissingDelaysNeverBreakTiming) {
    CGifFrames frames;
    frames.Reset(4, {7});  // fewer delays than frames
    frames.Advance();
    EXPECT_EQ(frames.GetIntervalMs(), 100u);
    frames.Reset(2, {0xFFFFFFFFu});
    EXPECT_EQ(frames.GetIntervalMs(), 0xFFFFFFFFu);  // saturates instead of wrapping
    frames.Reset(5, {});
    EXPECT_FALSE(frames.CanPlay());  // a still image: no timer
    frames.Clear();
    frames.Advance();
    EXPECT_EQ(frames.GetCurrent(), 0u);
}

}  // namespace
