#include "toolkit/DropDownPlacement.h"
#include "toolkit/ScrollBarGeometry.h"
#include "toolkit/TextAlign.h"

#include <gtest/gtest.h>

namespace {

TEST(DropDownPlacement, OpensBelowWhenThereIsRoomAndUpwardsWhenNot) {
    const UiRect work{0, 0, 1024, 740};
    struct Case {
        const char* name;
        UiRect combo;
        int dropWidth, maxHeight;
        std::vector<int> items;
        UiRect expected;
    };
    const Case cases[] = {
        {"below, sized to items", {100, 100, 250, 130}, 0, 150, {22, 22, 22}, {100, 130, 250, 196}},
        {"below, capped at the drop-box height",
         {100, 100, 250, 130},
         0,
         150,
         {40, 40, 40, 40, 40},
         {100, 130, 250, 280}},
        {"own drop width", {100, 100, 250, 130}, 300, 150, {20}, {100, 130, 400, 150}},
        {"upwards near the bottom", {100, 700, 250, 730}, 0, 150, {22, 22, 22}, {100, 634, 250, 700}},
        {"exactly fits below", {100, 600, 250, 630}, 0, 150, {55, 55}, {100, 630, 250, 740}},
        {"one pixel too many", {100, 600, 250, 630}, 0, 150, {55, 56}, {100, 489, 250, 600}},
        {"no items", {100, 100, 250, 130}, 0, 150, {}, {100, 130, 250, 130}},
    };
    for (const Case& c : cases) {
        DropDownRequest request;
        request.combo = c.combo;
        request.dropWidth = c.dropWidth;
        request.maxHeight = c.maxHeight;
        request.itemHeights = c.items;
        request.workArea = work;
        const UiRect got = PlaceDropDown(request);
        EXPECT_EQ(got, c.expected) << c.name << ": " << got.left << "," << got.top << "," << got.right << ","
                                   << got.bottom;
    }
}

TEST(ScrollBarGeometry, ButtonsRailAndThumbShareTheBar) {
    const UiRect bar{200, 0, 216, 200};  // vertical, 16 thick
    ScrollBarParts parts = CScrollBarGeometry::Layout(bar, false, 168, 0, true, true);
    EXPECT_EQ(parts.button1, (UiRect{200, 0, 216, 16}));
    EXPECT_EQ(parts.button2, (UiRect{200, 184, 216, 200}));
    EXPECT_EQ(parts.rail, (UiRect{200, 16, 216, 184}));
    // The rail is 168 long and the content twice the view: the thumb is half the rail.
    EXPECT_EQ(parts.thumb, (UiRect{200, 16, 216, 100}));
    parts = CScrollBarGeometry::Layout(bar, false, 168, 168, true, true);
    EXPECT_EQ(parts.thumb, (UiRect{200, 100, 216, 184}));  // at the end of the rail
    parts = CScrollBarGeometry::Layout(bar, false, 168, 999, true, true);
    EXPECT_EQ(parts.thumb.bottom, 184);  // position beyond the range stays on the rail
    parts = CScrollBarGeometry::Layout(bar, false, 100000, 0, true, true);
    EXPECT_EQ(parts.thumb.Height(), 16);  // never thinner than the bar is thick
    parts = CScrollBarGeometry::Layout(bar, false, 0, 0, true, true);
    EXPECT_TRUE(parts.thumb.IsEmpty());  // nothing to scroll

    const UiRect hbar{0, 50, 100, 60};  // horizontal, 10 thick, no buttons
    parts = CScrollBarGeometry::Layout(hbar, true, 100, 50, false, false);
    EXPECT_TRUE(parts.button1.IsEmpty());
    EXPECT_EQ(parts.rail, hbar);
    EXPECT_EQ(parts.thumb, (UiRect{25, 50, 75, 60}));

    // Too short for two full buttons: they split the length and the rail is empty.
    parts = CScrollBarGeometry::Layout(UiRect{0, 0, 16, 20}, false, 50, 0, true, true);
    EXPECT_EQ(parts.button1, (UiRect{0, 0, 16, 10}));
    EXPECT_EQ(parts.button2, (UiRect{0, 10, 16, 20}));
    EXPECT_TRUE(parts.thumb.IsEmpty());
}

TEST(ScrollBarGeometry, DraggingTheThumbMovesInProportionAndStaysInRange) {
    const UiRect bar{200, 0, 216, 200};
    const ScrollBarParts parts = CScrollBarGeometry::Layout(bar, false, 168, 0, true, true);
    // 84 pixels of free rail carry a range of 168: one pixel is two units.
    EXPECT_EQ(CScrollBarGeometry::DragPosition(parts, false, 168, 0, 10), 20);
    EXPECT_EQ(CScrollBarGeometry::DragPosition(parts, false, 168, 100, -10), 80);
    EXPECT_EQ(CScrollBarGeometry::DragPosition(parts, false, 168, 100, 500), 168);
    EXPECT_EQ(CScrollBarGeometry::DragPosition(parts, false, 168, 10, -500), 0);
    EXPECT_EQ(CScrollBarGeometry::DragPosition(parts, false, 0, 10, 5), 0);
}

TEST(ScrollBarGeometry, HeldButtonsRepeatAfterFiveTicks) {
    for (int tick = 1; tick <= 5; ++tick) {
        EXPECT_FALSE(CScrollBarGeometry::RepeatsOnTick(tick)) << tick;
    }
    EXPECT_TRUE(CScrollBarGeometry::RepeatsOnTick(6));
    EXPECT_TRUE(CScrollBarGeometry::RepeatsOnTick(50));
}

TEST(TextAlign, TheLastAlignmentWordFoundWins) {
    using namespace TextStyleBits;
    const uint32_t base = VCenter | SingleLine;
    struct Case {
        const wchar_t* words;
        uint32_t start;
        uint32_t expectedH;
    };
    const Case cases[] =
        {
            {L"center", base, base | Center},
            {L"right", base | Center, base | Right},
            {L"left", base | Right, base},
            {L"left right", base, base | Right},
            {L"right,left", base, base | Right},  // the order of the checks, not of the words
            {L"center right", base, base | Right},
            {L"middle", base | Center, base | Center},  // nothing recognised: unchanged
        };
    for (const Case& c : cases) {
        EXPECT_EQ(ApplyHorizontalAlign(c.start, c.words), c.expectedH) << std::wstring(c.words).size();
    }
    EXPECT_EQ(ApplyVerticalAlign(base, L"top"), SingleLine);
    EXPECT_EQ(ApplyVerticalAlign(SingleLine, L"vcenter"), base);
    EXPECT_EQ(ApplyVerticalAlign(base, L"bottom"), SingleLine | Bottom);
    EXPECT_EQ(ApplyVerticalAlign(base, L"top bottom"), SingleLine | Bottom);
    EXPECT_EQ(ApplyVerticalAlign(base | Center, L"center"), base | Center);  // horizontal word only
}

}  // namespace
