// One window with one of each control, photographed from the screen in its states; the
// state images are solid colours, so single pixels tell which image was drawn.

#include "ControlsSkin.h"
#include "tests/toolkit/TestWindow.h"

#include "toolkit/ButtonUI.h"
#include "toolkit/ComboUI.h"
#include "toolkit/EditUI.h"
#include "toolkit/LabelUI.h"
#include "toolkit/ProgressUI.h"
#include "util/UniqueHandle.h"

#include <gtest/gtest.h>

#include <memory>
#include <string>

namespace {

// The colours of the generated state images (0xRRGGBB).
constexpr uint32_t kNormal = 0xC80000;
constexpr uint32_t kHot = 0x0000C8;
constexpr uint32_t kPushed = 0x00A000;
constexpr uint32_t kFocused = 0xE6C800;
constexpr uint32_t kDisabled = 0x808080;
constexpr uint32_t kSelected = 0xA000A0;
constexpr uint32_t kSelectedHot = 0x00A0A0;
constexpr uint32_t kFore = 0xFF7800;
constexpr uint32_t kEdit = 0xFAFADC;
constexpr uint32_t kTrack = 0xDDDDDD;
constexpr uint32_t kListSelected = 0xC1E3FF;
constexpr uint32_t kWhite = 0xFFFFFF;

const wchar_t kLayout[] =
    LR"(<Window size="560,150">
  <Font id="0" name="WenQuanYi Micro Hei" size="14" default="true"/>
  <Font id="1" name="WenQuanYi Micro Hei" size="22"/>
  <Default name="Button" value="normalimage=&quot;normal.png&quot; hotimage=&quot;hot.png&quot; pushedimage=&quot;pushed.png&quot; focusedimage=&quot;focused.png&quot; disabledimage=&quot;disabled.png&quot;"/>
  <VerticalLayout bkcolor="#FFFFFFFF">
    <HorizontalLayout height="40" inset="10,5,10,5" childpadding="10">
      <Button name="b_normal" width="50"/>
      <Button name="b_hot" width="50"/>
      <Button name="b_pushed" width="50"/>
      <Button name="b_disabled" width="50" enabled="false"/>
      <Button name="b_five" width="50" normalimage="" hotimage="" pushedimage="" focusedimage="" disabledimage="" fivestatusimage="five.png"/>
      <Option name="o_sel" width="50" normalimage="normal.png" selectedimage="selected.png" selectedhotimage="selectedhot.png" selected="true"/>
      <CheckBox name="c_box" width="50" normalimage="normal.png" selectedimage="selected.png"/>
    </HorizontalLayout>
    <HorizontalLayout height="40" inset="10,5,10,5" childpadding="10">
      <Label name="chinese" font="1" width="200" text="安装向导" textcolor="#000000"/>
      <Progress name="progress" width="200" height="20" bkcolor="#FFDDDDDD" foreimage="fore.png" value="50"/>
    </HorizontalLayout>
    <HorizontalLayout height="40" inset="10,5,10,5" childpadding="10">
      <Edit name="edit" width="200" height="28" normalimage="edit.png" text="C:\Varlo"/>
      <Combo name="combo" width="150" height="28" normalimage="combo.png" textpadding="4,0,4,0" selectedid="0" dropbox="bkcolor=&quot;#FFFFFFFF&quot;">
        <ListLabelElement name="zh_cn" text="简体中文"/>
        <ListLabelElement name="zh_tw" text="繁體中文"/>
        <ListLabelElement name="en" text="English"/>
      </Combo>
      <GifAnim name="gif" width="20" height="20" bkimage="frames.gif" autoplay="false"/>
    </HorizontalLayout>
  </VerticalLayout>
</Window>)";

std::string ShotPath(const char* name) {
    const std::string dir = std::string(VARLO_TEST_BINARY_DIR) + "/tests/toolkit/controls/shots";
    ::CreateDirectoryA(dir.c_str(), nullptr);
    return dir + "/" + name + ".bmp";
}

class ControlsScreenshot : public ::testing::Test {
  protected:
    void SetUp() override {
        PrepareToolkitForTests();
        window_ = std::make_unique<CTestWindow>(kLayout);
        ASSERT_TRUE(window_->Open(20, 20));
    }
    void TearDown() override { window_.reset(); }

    CTestWindow& W() { return *window_; }
    // A point inside the control, away from any text: its top-left area.
    POINT Inner(const wchar_t* name, int dx = 4, int dy = 4) {
        const RECT pos = W().Find<CControlUI>(name)->GetPos();
        return POINT{pos.left + dx, pos.top + dy};
    }

    std::unique_ptr<CTestWindow> window_;
};

TEST_F(ControlsScreenshot, StateImagesShowNormalDisabledAndSelected) {
    const Shot shot = W().Capture(ShotPath("states-normal"));
    struct Case {
        const wchar_t* name;
        uint32_t color;
    };
    const Case cases[] = {
        {L"b_normal", kFocused},  // the first Tab stop takes the focus when the window opens
        {L"b_hot", kNormal},     {L"b_pushed", kNormal}, {L"b_disabled", kDisabled},
        {L"b_five", kNormal},    {L"o_sel", kSelected},  {L"c_box", kNormal},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(shot.At(Inner(c.name)), c.color) << std::hex << shot.At(Inner(c.name));
    }
    // The five-status strip: the disabled column for a disabled button.
    W().Find<CButtonUI>(L"b_five")->SetEnabled(false);
    EXPECT_EQ(W().Capture().At(Inner(L"b_five")), kDisabled);
}

TEST_F(ControlsScreenshot, HotPushedAndFocusedButtons) {
    struct Case {
        const char* shotName;
        const wchar_t* name;
        bool press;
        uint32_t color;
    };
    const Case cases[] = {
        {"states-hot", L"b_hot", false, kHot},
        {"states-pushed", L"b_pushed", true, kPushed},
        {"five-hot", L"b_five", false, kHot},
        {"five-pushed", L"b_five", true, kPushed},
        {"option-selected-hot", L"o_sel", false, kSelectedHot},
    };
    for (const Case& c : cases) {
        const POINT at = W().Center(c.name);
        if (c.press) {
            W().MouseDown(at);
        } else {
            W().MouseMove(at);
        }
        const Shot shot = W().Capture(ShotPath(c.shotName));
        EXPECT_EQ(shot.At(Inner(c.name)), c.color) << c.shotName << " " << std::hex << shot.At(Inner(c.name));
        EXPECT_EQ(shot.At(Inner(L"c_box")), kNormal) << c.shotName;  // the others stay as they were
        if (c.press) {
            W().MouseUp(POINT{550, 140});  // released away: no click
        }
        W().MouseMove(POINT{550, 140});
    }
    EXPECT_EQ(W().Count(L"click"), 0u);

    W().manager.SetFocus(W().Find<CControlUI>(L"b_hot"), true);
    const Shot focused = W().Capture(ShotPath("states-focused"));
    EXPECT_EQ(focused.At(Inner(L"b_hot")), kFocused);
    EXPECT_EQ(focused.At(Inner(L"b_normal")), kNormal);
}

TEST_F(ControlsScreenshot, ProgressFillsItsForeImageUpToTheValue) {
    auto* progress = W().Find<CProgressUI>(L"progress");
    const RECT pos = progress->GetPos();
    const int y = (pos.top + pos.bottom) / 2;
    struct Case {
        int value;
        int filledTo;  // pixels from the left
    };
    const Case cases[] = {{50, 100}, {150, 200}, {0, 0}, {25, 50}};
    for (const Case& c : cases) {
        progress->SetValue(c.value);
        const Shot shot = W().Capture(ShotPath(("progress-" + std::to_string(c.value)).c_str()));
        if (c.filledTo > 0) {
            EXPECT_EQ(shot.At(pos.left + 1, y), kFore) << c.value;
            EXPECT_EQ(shot.At(pos.left + c.filledTo - 1, y), kFore) << c.value;
        }
        if (c.filledTo < 200) {
            EXPECT_EQ(shot.At(pos.left + c.filledTo, y), kTrack) << c.value;
            EXPECT_EQ(shot.At(pos.right - 1, y), kTrack) << c.value;
        }
    }
}

TEST_F(ControlsScreenshot, ChineseTextIsDrawnInTheLabelFont) {
    auto* label = W().Find<CLabelUI>(L"chinese");
    // The font has real glyphs for the text (not the missing-glyph box).
    HDC dc = W().manager.GetPaintDC();
    ScopedSelectObject select(dc, W().manager.GetFont(label->GetFont()));
    wchar_t face[64] = {};
    ::GetTextFaceW(dc, 64, face);
    EXPECT_STREQ(face, L"WenQuanYi Micro Hei");
    WORD glyphs[4] = {};
    ASSERT_EQ(::GetGlyphIndicesW(dc, L"安装向导", 4, glyphs, GGI_MARK_NONEXISTING_GLYPHS), 4u);
    for (WORD glyph : glyphs) {
        EXPECT_NE(glyph, 0xFFFF);
    }
    const Shot shot = W().Capture(ShotPath("chinese-label"));
    const RECT pos = label->GetPos();
    int dark = 0;
    int darkRight = 0;  // four wide glyphs reach past the middle of the first 100 pixels
    for (int y = pos.top; y < pos.bottom; ++y) {
        for (int x = pos.left; x < pos.right; ++x) {
            const uint32_t p = shot.At(x, y);
            if (((p >> 16) & 0xFF) < 100 && ((p >> 8) & 0xFF) < 100 && (p & 0xFF) < 100) {
                ++dark;
                if (x > pos.left + 60) {
                    ++darkRight;
                }
            }
        }
    }
    EXPECT_GT(dark, 100);
    EXPECT_GT(darkRight, 30);
}

TEST_F(ControlsScreenshot, TheEditsNativeWindowSitsOverTheControl) {
    auto* edit = W().Find<CEditUI>(L"edit");
    Shot shot = W().Capture(ShotPath("edit-idle"));
    const RECT pos = edit->GetPos();
    const POINT inside{pos.right - 8, (pos.top + pos.bottom) / 2};
    EXPECT_EQ(shot.At(inside), kEdit);

    W().Click(L"edit");
    CTestWindow::Pump(50);
    HWND native = edit->GetNativeWindow();
    ASSERT_NE(native, nullptr);
    shot = W().Capture(ShotPath("edit-editing"));
    const uint32_t window = ::GetSysColor(COLOR_WINDOW);
    const uint32_t windowRgb = ((window & 0xFF) << 16) | (window & 0xFF00) | ((window >> 16) & 0xFF);
    EXPECT_EQ(shot.At(inside), windowRgb);                 // the native edit's own background
    EXPECT_EQ(shot.At(pos.left + 1, pos.top + 1), kEdit);  // the text padding still shows the control
    EXPECT_EQ(shot.At(pos.right - 2, pos.bottom - 2), kEdit);
}

TEST_F(ControlsScreenshot, AComboListOpensUpwardsAtTheBottomOfTheScreen) {
    RECT work{};
    ::SystemParametersInfoW(SPI_GETWORKAREA, 0, &work, 0);
    auto* combo = W().Find<CComboUI>(L"combo");
    const RECT pos = combo->GetPos();
    ::SetWindowPos(W().GetHWND(), nullptr, 20, work.bottom - pos.bottom - 2, 0, 0,
                   SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
    W().Click(L"combo");
    HWND list = combo->GetDropWindowHandle();
    ASSERT_NE(list, nullptr);
    CTestWindow::Pump(100);
    RECT listRect{};
    ::GetWindowRect(list, &listRect);
    RECT comboOnScreen = pos;
    ::MapWindowPoints(W().GetHWND(), nullptr, reinterpret_cast<POINT*>(&comboOnScreen), 2);
    EXPECT_EQ(listRect.bottom, comboOnScreen.top);
    // The list and the combo under it, as on the screen.
    RECT area{comboOnScreen.left - 10, listRect.top - 10, comboOnScreen.right + 10, comboOnScreen.bottom + 2};
    const Shot shot = CTestWindow::CaptureScreen(area, ShotPath("combo-upwards"));
    const int listTop = 10;
    const int comboTop = comboOnScreen.top - area.top;
    EXPECT_EQ(shot.At(20, listTop + 2), kListSelected);  // the selected first row, at the top
    EXPECT_EQ(shot.At(20, comboTop - 2), kWhite);        // the last row, just above the box
    EXPECT_EQ(shot.At(20, comboTop + 2), 0xF0F0F0u);     // the box's own image below
    ::SendMessageW(list, WM_KEYDOWN, VK_ESCAPE, 0);
    EXPECT_TRUE(CTestWindow::PumpUntil([&] { return !::IsWindow(list); }));
}

}  // namespace
