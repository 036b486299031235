// The rich edit on the system's text services, and the GDI+ text of effect labels.

#include "ControlsSkin.h"
#include "tests/toolkit/TestWindow.h"

#include "toolkit/LabelUI.h"
#include "toolkit/RichEditUI.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdlib>
#include <memory>

namespace {

const wchar_t kLayout[] =
    LR"(<Window size="400,160">
  <Font id="0" name="WenQuanYi Micro Hei" size="14" default="true"/>
  <Font id="1" name="WenQuanYi Micro Hei" size="24"/>
  <VerticalLayout bkcolor="#FFFFFFFF">
    <Button name="first" height="20"/>
    <RichEdit name="rich" height="60" text="hello" textcolor="#FF000000" wantreturn="false" bkcolor="#FFFFFFFF"/>
    <Label name="effect" height="40" font="1" text="安装完成" enabledeffect="true" textcolor="#FF0000FF" align="center"/>
  </VerticalLayout>
</Window>)";

class RichEdit : public ::testing::Test {
  protected:
    void SetUp() override {
        PrepareToolkitForTests();
        window_ = std::make_unique<CTestWindow>(kLayout);
        ASSERT_TRUE(window_->Open(30, 30));
        window_->Forget();
    }
    void TearDown() override { window_.reset(); }
    CTestWindow& W() { return *window_; }
    std::unique_ptr<CTestWindow> window_;
};

TEST_F(RichEdit, TextServicesHoldTheTextAndReportTyping) {
    auto* rich = W().Find<CRichEditUI>(L"rich");
    ASSERT_NE(rich, nullptr);
    ASSERT_TRUE(rich->HasTextServices());
    EXPECT_EQ(rich->GetText(), L"hello");
    rich->SetText(L"abc");
    EXPECT_EQ(rich->GetText(), L"abc");

    W().Click(L"rich");
    EXPECT_EQ(W().manager.GetFocus(), rich);
    W().Forget();
    ::SendMessageW(W().GetHWND(), WM_KEYDOWN, VK_END, 0);
    ::SendMessageW(W().GetHWND(), WM_CHAR, L'd', 0);
    EXPECT_EQ(rich->GetText(), L"abcd");
    EXPECT_GE(W().Count(L"textchanged", L"rich"), 1u);

    // Return is not wanted here: the window keeps it and the text does not change.
    ::SendMessageW(W().GetHWND(), WM_KEYDOWN, VK_RETURN, 0);
    ::SendMessageW(W().GetHWND(), WM_CHAR, L'\r', 0);
    EXPECT_EQ(rich->GetText(), L"abcd");
    EXPECT_EQ(W().Count(L"return"), 0u);

    // It wants Tab (the default): Tab is left to it instead of moving the focus.
    EXPECT_NE(rich->GetInterface(L"WantTab"), nullptr);
    MSG tab{W().GetHWND(), WM_KEYDOWN, VK_TAB, 0, 0, {}};
    EXPECT_FALSE(CUIManager::TranslateMessage(&tab));
    EXPECT_EQ(W().manager.GetFocus(), rich);
    rich->SetWantTab(false);
    EXPECT_EQ(rich->GetInterface(L"WantTab"), nullptr);
    EXPECT_TRUE(CUIManager::TranslateMessage(&tab));
    EXPECT_NE(W().manager.GetFocus(), rich);

    // Without the focus it takes no keys.
    ::SendMessageW(W().GetHWND(), WM_CHAR, L'z', 0);
    EXPECT_EQ(rich->GetText(), L"abcd");
}

TEST_F(RichEdit, EffectLabelsDrawTheirTextThroughGdiPlus) {
    auto* label = W().Find<CLabelUI>(L"effect");
    ASSERT_TRUE(label->IsEnabledEffect());
    const Shot shot =
        W().Capture(std::string(VARLO_TEST_BINARY_DIR) + "/tests/toolkit/controls/shots/effect-label.bmp");
    const RECT pos = label->GetPos();
    int blue = 0;
    int left = pos.right;
    int right = pos.left;
    for (int y = pos.top; y < pos.bottom; ++y) {
        for (int x = pos.left; x < pos.right; ++x) {
            const uint32_t p = shot.At(x, y);
            if ((p & 0xFF) > 180 && ((p >> 16) & 0xFF) < 90 && ((p >> 8) & 0xFF) < 90) {
                ++blue;
                left = std::min<int>(left, x);
                right = std::max<int>(right, x);
            }
        }
    }
    EXPECT_GT(blue, 80);
    // Centred: about as much room on either side.
    const int before = left - pos.left;
    const int after = pos.right - 1 - right;
    EXPECT_LT(std::abs(before - after), 12) << before << " " << after;
}

}  // namespace
