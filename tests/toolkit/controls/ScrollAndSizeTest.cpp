// The scroll bar of a scrolling container, the hover fade of buttons, and how labels size
// and place their text.

#include "ControlsSkin.h"
#include "tests/toolkit/TestWindow.h"

#include "toolkit/ButtonUI.h"
#include "toolkit/ContainerUI.h"
#include "toolkit/LabelUI.h"
#include "toolkit/ScrollBarUI.h"
#include "util/UniqueHandle.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdlib>
#include <memory>

namespace {

const wchar_t kLayout[] =
    LR"(<Window size="300,260">
  <Font id="0" name="WenQuanYi Micro Hei" size="14" default="true"/>
  <HorizontalLayout bkcolor="#FFFFFFFF">
    <VerticalLayout name="list" width="120" vscrollbar="true" vscrollbarstyle="thumbcolor=&quot;#FF333333&quot; linesize=&quot;10&quot;">
      <Control name="row0" height="100"/>
      <Control name="row1" height="100"/>
      <Control name="row2" height="100"/>
      <Control name="row3" height="100"/>
    </VerticalLayout>
    <VerticalLayout width="180">
      <Label name="auto_height" text="Ag"/>
      <Label name="centred" height="60" text="中" align="center" valign="vcenter" textcolor="#FF000000"/>
      <Button name="fader" height="30" fadedelta="100" normalimage="normal.png" hotimage="hot.png"/>
      <Control/>
    </VerticalLayout>
  </HorizontalLayout>
</Window>)";

class ScrollAndSize : public ::testing::Test {
  protected:
    void SetUp() override {
        PrepareToolkitForTests();
        window_ = std::make_unique<CTestWindow>(kLayout);
        ASSERT_TRUE(window_->Open(60, 60));
        window_->Forget();
    }
    void TearDown() override { window_.reset(); }
    CTestWindow& W() { return *window_; }
    std::unique_ptr<CTestWindow> window_;
};

TEST_F(ScrollAndSize, TheScrollBarScrollsItsContainerByLinesPagesAndThumb) {
    auto* list = W().Find<CContainerUI>(L"list");
    auto* bar = static_cast<CScrollBarUI*>(list->GetVerticalScrollBar());
    ASSERT_NE(bar, nullptr);
    ASSERT_TRUE(bar->IsVisible());
    EXPECT_EQ(bar->GetScrollRange(), 400 - 260);
    EXPECT_EQ(bar->GetLineSize(), 10);
    const int rowTop = W().Find<CControlUI>(L"row0")->GetPos().top;

    ScrollBarParts parts = bar->GetParts();
    auto center = [](const UiRect& r) { return POINT{(r.left + r.right) / 2, (r.top + r.bottom) / 2}; };

    // Down button: one line, the children move with it.
    W().MouseDown(center(parts.button2));
    W().MouseUp(center(parts.button2));
    EXPECT_EQ(list->GetScrollPos().cy, 10);
    EXPECT_EQ(W().Find<CControlUI>(L"row0")->GetPos().top, rowTop - 10);

    // Held, it repeats once more than five timer ticks have passed.
    W().MouseDown(center(parts.button2));
    EXPECT_EQ(list->GetScrollPos().cy, 20);
    EXPECT_TRUE(CTestWindow::PumpUntil([&] { return list->GetScrollPos().cy > 20; }, 3000));
    W().MouseUp(center(parts.button2));
    const int held = list->GetScrollPos().cy;
    CTestWindow::Pump(200);
    EXPECT_EQ(list->GetScrollPos().cy, held);  // released: no more steps

    // The rail above the thumb pages up, back to the top.
    list->SetScrollPos(SIZE{0, 100});
    parts = bar->GetParts();
    const POINT aboveThumb{(parts.rail.left + parts.rail.right) / 2, parts.rail.top + 1};
    ASSERT_LT(aboveThumb.y, parts.thumb.top);
    W().MouseDown(aboveThumb);
    W().MouseUp(aboveThumb);
    EXPECT_EQ(list->GetScrollPos().cy, 0);

    // Dragging the thumb to the end of the rail scrolls to the end.
    parts = bar->GetParts();
    const POINT grip = center(parts.thumb);
    W().MouseDown(grip);
    W().MouseMove(POINT{grip.x, grip.y + parts.rail.Height()});
    W().MouseUp(POINT{grip.x, grip.y + parts.rail.Height()});
    EXPECT_EQ(list->GetScrollPos().cy, bar->GetScrollRange());

    // The wheel over the list scrolls by a line.
    POINT screen = W().Center(L"row3");
    ::ClientToScreen(W().GetHWND(), &screen);
    ::SendMessageW(W().GetHWND(), WM_MOUSEWHEEL, MAKEWPARAM(0, WHEEL_DELTA), MAKELPARAM(screen.x, screen.y));
    EXPECT_EQ(list->GetScrollPos().cy, bar->GetScrollRange() - 10);
}

TEST_F(ScrollAndSize, AHoverFadeRunsDownWhileHotAndBackUpAfter) {
    auto* fader = W().Find<CButtonUI>(L"fader");
    EXPECT_EQ(fader->GetFadeAlpha(), 255);
    W().MouseMove(W().Center(L"fader"));
    EXPECT_TRUE(CTestWindow::PumpUntil([&] { return fader->GetFadeAlpha() == 0; }, 3000));
    W().MouseMove(POINT{290, 250});
    EXPECT_TRUE(CTestWindow::PumpUntil([&] { return fader->GetFadeAlpha() == 255; }, 3000));
}

TEST_F(ScrollAndSize, LabelsTakeTheirFontHeightAndCentreTheirText) {
    auto* label = W().Find<CLabelUI>(L"auto_height");
    HDC dc = W().manager.GetPaintDC();
    TEXTMETRICW metrics{};
    {
        ScopedSelectObject select(dc, W().manager.GetFont(-1));
        ::GetTextMetricsW(dc, &metrics);
    }
    EXPECT_EQ(label->GetHeight(), metrics.tmHeight + 8);

    auto* centred = W().Find<CLabelUI>(L"centred");
    const Shot shot = W().Capture();
    const RECT pos = centred->GetPos();
    RECT ink{pos.right, pos.bottom, pos.left, pos.top};
    for (int y = pos.top; y < pos.bottom; ++y) {
        for (int x = pos.left; x < pos.right; ++x) {
            if ((shot.At(x, y) & 0xFF) < 128) {
                ink.left = std::min<LONG>(ink.left, x);
                ink.right = std::max<LONG>(ink.right, x + 1);
                ink.top = std::min<LONG>(ink.top, y);
                ink.bottom = std::max<LONG>(ink.bottom, y + 1);
            }
        }
    }
    ASSERT_LT(ink.left, ink.right);
    EXPECT_LE(std::abs((ink.left - pos.left) - (pos.right - ink.right)), 3);
    EXPECT_LE(std::abs((ink.top - pos.top) - (pos.bottom - ink.bottom)), 6);
}

}  // namespace
