#include "toolkit/BoxLayout.h"
#include "toolkit/TextSizing.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <array>
#include <memory>
#include <string>
#include <vector>

namespace {

// Every character is 7 pixels wide, a line is 16 high; wrapped text takes as many lines
// as it needs.
class FakeMeasurer : public ITextMeasurer {
  public:
    int GetLineHeight(int) override { return 16; }
    UiSize MeasureText(const std::wstring& text, int, int wrapWidth) override {
        const int width = static_cast<int>(text.size()) * 7;
        if (wrapWidth <= 0) {
            return UiSize{width, 16};
        }
        const int perLine = wrapWidth / 7 > 0 ? wrapWidth / 7 : 1;
        const int lines = (static_cast<int>(text.size()) + perLine - 1) / perLine;
        return UiSize{std::min(width, wrapWidth), lines * 16};
    }
};

struct Item : ILayoutItem {
    UiRect padding;
    int fixedWidth = 0, fixedHeight = 0, minWidth = 0, minHeight = 0, maxWidth = 9999, maxHeight = 9999;
    bool visible = true, floating = false;
    std::wstring text;  // when set, sized like a single-line label
    ITextMeasurer* measurer = nullptr;
    UiRect pos;
    int placed = 0;

    bool IsVisible() const override { return visible; }
    bool IsFloat() const override { return floating; }
    UiRect GetPadding() const override { return padding; }
    int GetFixedWidth() const override { return fixedWidth; }
    int GetFixedHeight() const override { return fixedHeight; }
    int GetMinWidth() const override { return minWidth; }
    int GetMaxWidth() const override { return maxWidth; }
    int GetMinHeight() const override { return minHeight; }
    int GetMaxHeight() const override { return maxHeight; }
    UiSize EstimateSize(UiSize available) override {
        if (measurer == nullptr) {
            return UiSize{fixedWidth, fixedHeight};
        }
        TextSizeRequest request;
        request.text = text;
        request.fixed = UiSize{fixedWidth, fixedHeight};
        request.available = available;
        return EstimateTextSize(request, *measurer);
    }
    void SetPos(const UiRect& rect) override {
        pos = rect;
        ++placed;
    }
};

BoxArea Area(int width, int height, int childPadding = 0) {
    BoxArea box;
    box.area = UiRect{0, 0, width, height};
    box.available = UiSize{width, height};
    box.childPadding = childPadding;
    return box;
}

std::vector<ILayoutItem*> Items(std::vector<Item>& items) {
    std::vector<ILayoutItem*> out;
    for (Item& item : items) {
        out.push_back(&item);
    }
    return out;
}

struct VerticalCase {
    const char* name;
    int height;
    int childPadding;
    // fixed height, min height, max height, padding top, padding bottom per child
    std::vector<std::array<int, 5>> children;
    std::vector<std::pair<int, int>> expected;  // top, bottom per child
};

TEST(BoxLayout, VerticalTable) {
    const VerticalCase cases[] = {
        {"fixed with padding and one adjustable fill exactly",
         100,
         0,
         {{30, 0, 9999, 5, 5}, {0, 0, 9999, 0, 0}},
         {{5, 35}, {40, 100}}},
        {"adjustable first, padding counted before it",
         100,
         0,
         {{0, 0, 9999, 3, 2}, {30, 0, 9999, 5, 5}},
         {{3, 58}, {65, 95}}},
        {"odd remainder: first truncated, last takes the rest",
         101,
         0,
         {{0, 0, 9999, 0, 0}, {0, 0, 9999, 0, 0}},
         {{0, 50}, {50, 101}}},
        {"max height caps an adjustable slot", 100, 0, {{0, 0, 20, 0, 0}}, {{0, 20}}},
        {"min height raises a fixed child", 100, 0, {{10, 25, 9999, 0, 0}, {0, 0, 9999, 0, 0}}, {{0, 25}, {25, 100}}},
        {"child padding between children",
         100,
         10,
         {{20, 0, 9999, 0, 0}, {0, 0, 9999, 0, 0}, {20, 0, 9999, 0, 0}},
         {{0, 20}, {30, 70}, {80, 100}}},
        {"three adjustables share 100",
         100,
         0,
         {{0, 0, 9999, 0, 0}, {0, 0, 9999, 0, 0}, {0, 0, 9999, 0, 0}},
         {{0, 33}, {33, 66}, {66, 100}}},
        {"overfull: adjustable gets nothing",
         50,
         0,
         {{40, 0, 9999, 0, 0}, {0, 0, 9999, 0, 0}, {30, 0, 9999, 0, 0}},
         {{0, 40}, {40, 40}, {40, 70}}},
    };
    for (const VerticalCase& c : cases) {
        std::vector<Item> items(c.children.size());
        for (size_t i = 0; i < items.size(); ++i) {
            items[i].fixedHeight = c.children[i][0];
            items[i].minHeight = c.children[i][1];
            items[i].maxHeight = c.children[i][2];
            items[i].padding = UiRect{0, c.children[i][3], 0, c.children[i][4]};
        }
        CBoxLayout::ArrangeVertical(Area(80, c.height, c.childPadding), Items(items));
        for (size_t i = 0; i < items.size(); ++i) {
            EXPECT_EQ(items[i].pos.top, c.expected[i].first) << c.name << " child " << i;
            EXPECT_EQ(items[i].pos.bottom, c.expected[i].second) << c.name << " child " << i;
        }
    }
}

TEST(BoxLayout, VerticalWidthAndAlignment) {
    std::vector<Item> items(4);
    items[0].padding = UiRect{5, 0, 7, 0};  // full width less padding
    items[1].fixedWidth = 30;               // fixed width
    items[2].maxWidth = 50;                 // capped by max width
    items[3].fixedWidth = 200;              // wider than the area: held to it
    BoxArea box = Area(100, 100);
    box.area = UiRect{10, 20, 110, 120};
    CBoxLayout::ArrangeVertical(box, Items(items));
    EXPECT_EQ(items[0].pos.left, 15);
    EXPECT_EQ(items[0].pos.right, 103);
    EXPECT_EQ(items[1].pos.Width(), 30);
    EXPECT_EQ(items[2].pos.Width(), 50);
    EXPECT_EQ(items[3].pos.Width(), 100);

    std::vector<Item> aligned(2);
    aligned[0].fixedWidth = 40;
    aligned[1].fixedWidth = 40;
    aligned[1].padding = UiRect{0, 0, 6, 0};
    box.align = BoxAlign::Center;
    CBoxLayout::ArrangeVertical(box, {&aligned[0]});
    EXPECT_EQ(aligned[0].pos.left, 40);
    box.align = BoxAlign::End;
    CBoxLayout::ArrangeVertical(box, {&aligned[1]});
    EXPECT_EQ(aligned[1].pos.right, 104);
}

TEST(BoxLayout, HiddenAndFloatingChildrenTakeNoSpace) {
    std::vector<Item> items(4);
    items[0].fixedHeight = 10;
    items[1].visible = false;
    items[1].fixedHeight = 50;
    items[2].floating = true;
    items[2].fixedHeight = 50;
    CBoxLayout::ArrangeVertical(Area(10, 100, 5), Items(items));
    EXPECT_EQ(items[1].placed, 0);
    EXPECT_EQ(items[2].placed, 0);
    EXPECT_EQ(items[3].pos.top, 15);  // one child padding, not three
    EXPECT_EQ(items[3].pos.bottom, 100);
}

TEST(BoxLayout, VerticalMeasuresLabelsAndReportsTheNeededSize) {
    FakeMeasurer measurer;
    std::vector<Item> items(2);
    items[0].measurer = &measurer;
    items[0].text = L"hello";  // 35 wide, 16 + 8 high
    items[1].fixedHeight = 10;
    items[1].fixedWidth = 60;
    items[1].padding = UiRect{2, 0, 3, 0};
    const UiSize needed = CBoxLayout::ArrangeVertical(Area(100, 100), Items(items));
    EXPECT_EQ(items[0].pos, (UiRect{0, 0, 100, 24}));
    EXPECT_EQ(needed, (UiSize{65, 34}));
}

TEST(BoxLayout, HorizontalSharesWidthWithUnfixedChildrenWithoutMeasuringThem) {
    FakeMeasurer measurer;
    std::vector<Item> items(3);
    items[0].measurer = &measurer;
    items[0].text = L"a label that would be wide";
    items[1].fixedWidth = 40;
    items[1].padding = UiRect{0, 5, 0, 5};
    items[2].measurer = &measurer;
    items[2].text = L"x";
    CBoxLayout::ArrangeHorizontal(Area(201, 50), Items(items));
    EXPECT_EQ(items[0].pos, (UiRect{0, 0, 80, 50}));
    EXPECT_EQ(items[1].pos, (UiRect{80, 5, 120, 45}));
    EXPECT_EQ(items[2].pos, (UiRect{120, 0, 201, 50}));
}

TEST(BoxLayout, HorizontalVerticalAlignmentAndHeightLimits) {
    std::vector<Item> items(3);
    for (Item& item : items) {
        item.fixedWidth = 10;
        item.fixedHeight = 20;
    }
    items[2].minHeight = 30;  // raised to its minimum
    BoxArea box = Area(100, 60);
    box.align = BoxAlign::Center;
    CBoxLayout::ArrangeHorizontal(box, {&items[0]});
    EXPECT_EQ(items[0].pos, (UiRect{0, 20, 10, 40}));
    box.align = BoxAlign::End;
    CBoxLayout::ArrangeHorizontal(box, {&items[1], &items[2]});
    EXPECT_EQ(items[1].pos, (UiRect{0, 40, 10, 60}));
    EXPECT_EQ(items[2].pos.Height(), 30);
}

TEST(BoxLayout, ScrollPositionShiftsChildren) {
    std::vector<Item> items(2);
    items[0].fixedHeight = 80;
    items[1].fixedHeight = 80;
    BoxArea box = Area(50, 100);
    box.scrollY = 30;
    const UiSize needed = CBoxLayout::ArrangeVertical(box, Items(items));
    EXPECT_EQ(items[0].pos.top, -30);
    EXPECT_EQ(items[1].pos.top, 50);
    EXPECT_EQ(needed.cy, 160);
}

TEST(BoxLayout, TabPlacesOnlyTheSelectedChildWithinItsPadding) {
    Item whole;
    whole.padding = UiRect{1, 2, 3, 4};
    CBoxLayout::ArrangeTab(UiRect{10, 10, 110, 60}, &whole);
    EXPECT_EQ(whole.pos, (UiRect{11, 12, 107, 56}));

    Item limited;
    limited.fixedWidth = 30;
    limited.maxHeight = 20;
    CBoxLayout::ArrangeTab(UiRect{0, 0, 100, 100}, &limited);
    EXPECT_EQ(limited.pos, (UiRect{0, 0, 30, 20}));

    Item hidden;
    hidden.visible = false;
    CBoxLayout::ArrangeTab(UiRect{0, 0, 100, 100}, &hidden);
    EXPECT_EQ(hidden.placed, 0);
}

TEST(BoxLayout, FillGivesEveryChildTheWholeAreaWithinLimits) {
    std::vector<Item> items(2);
    items[1].maxWidth = 30;
    items[1].minHeight = 500;
    CBoxLayout::ArrangeFill(UiRect{10, 10, 110, 60}, 0, 5, Items(items));
    EXPECT_EQ(items[0].pos, (UiRect{10, 5, 110, 55}));
    EXPECT_EQ(items[1].pos, (UiRect{10, 5, 40, 505}));
}

TEST(BoxLayout, FloatRectFollowsFixedPositionAndAnchor) {
    EXPECT_EQ(CBoxLayout::FloatRect(UiSize{200, 100}, 10, 10, 50, 20, UiFloatAnchor{}), (UiRect{10, 10, 60, 30}));
    const UiFloatAnchor anchor{0.5, 0.5, 0.5, 1.0};
    EXPECT_EQ(CBoxLayout::FloatRect(UiSize{201, 100}, 0, -10, 20, 0, anchor), (UiRect{100, 40, 120, 90}));
}

TEST(TextSizing, SingleAndMultiLineRules) {
    FakeMeasurer measurer;
    TextSizeRequest request;
    request.text = L"abcdefghij";  // 70 wide
    request.textPadding = UiRect{2, 1, 2, 1};
    EXPECT_EQ(EstimateTextSize(request, measurer), (UiSize{74, 26}));

    request.fixed = UiSize{0, 40};
    EXPECT_EQ(EstimateTextSize(request, measurer), (UiSize{74, 40}));

    request.fixed = UiSize{};
    request.multiLine = true;
    request.available = UiSize{39, 500};  // 35 usable: 5 characters a line, two lines
    EXPECT_EQ(EstimateTextSize(request, measurer), (UiSize{39, 34}));

    request.multiLine = false;
    request.effect = true;
    EXPECT_EQ(EstimateTextSize(request, measurer).cx, 76);  // 74 * 1.03, truncated

    request.fixed = UiSize{5, 6};
    EXPECT_EQ(EstimateTextSize(request, measurer), (UiSize{5, 6}));
}

}  // namespace
