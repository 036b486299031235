#include <gtest/gtest.h>

#include <windows.h>

#include <string>

#include "../toolkit/ScreenCapture.h"
#include "../toolkit/TestPaths.h"
#include "MainWndTestSupport.h"
#include "WindowDriver.h"
#include "toolkit/ButtonUI.h"
#include "toolkit/ComboUI.h"
#include "toolkit/ProgressUI.h"

namespace {

std::wstring ShotPath(const std::wstring& name) {
    const std::wstring out = TestPaths::Host(VARLO_TEST_BINARY_DIR "/tests/installer/screens/");
    ::CreateDirectoryW(out.c_str(), nullptr);
    return out + name + L".bmp";
}

int Brightness(uint32_t rgb) {
    return static_cast<int>(((rgb >> 16) & 0xFF) + ((rgb >> 8) & 0xFF) + (rgb & 0xFF)) / 3;
}

// Counts light pixels (text on the dark skin) in a client rectangle.
int LightPixels(const CScreenCapture& shot, const RECT& area, int threshold = 170) {
    int count = 0;
    for (int y = area.top; y < area.bottom; ++y) {
        for (int x = area.left; x < area.right; ++x) {
            count += Brightness(shot.At(x, y)) > threshold ? 1 : 0;
        }
    }
    return count;
}

class ScreenshotTest : public ::testing::TestWithParam<uint32_t> {
  protected:
    // Photographs the window's client area and keeps it under the build tree.
    CScreenCapture Shoot(const std::wstring& name) {
        WindowDriver::Pump(400);
        CScreenCapture shot;
        EXPECT_TRUE(shot.TakeClientArea(h.hwnd()));
        EXPECT_TRUE(shot.SaveBmp(ShotPath(name)));
        return shot;
    }
    RECT PosOf(const wchar_t* name) { return h.Find<CControlUI>(name)->GetPos(); }
    uint32_t CenterPixel(const CScreenCapture& shot, const wchar_t* name) {
        const POINT c = WindowDriver::CenterOf(h.Find<CControlUI>(name));
        return shot.At(c.x, c.y);
    }

    MainWndHarness h;
};

TEST_P(ScreenshotTest, EveryPageIsDrawn) {
    const bool simplified = GetParam() == 0x0804;
    const std::wstring lang = simplified ? L"zh-cn" : L"zh-tw";
    h.record.locale = GetParam();
    ASSERT_TRUE(h.Open());
    ::SetWindowPos(h.hwnd(), HWND_TOPMOST, 60, 60, 0, 0, SWP_NOSIZE);

    CScreenCapture main = Shoot(lang + L"-page0-main");
    const uint32_t disabledInstall = CenterPixel(main, L"immediate_install_btn");
    // Disabled, the button's text is dimmed but still there.
    EXPECT_GT(LightPixels(main, PosOf(L"immediate_install_btn"), 120), 30) << "the install button's text";
    EXPECT_GT(LightPixels(main, PosOf(L"self_install_btn")), 10);

    h.Click(L"agree_opt");
    CScreenCapture accepted = Shoot(lang + L"-page0-accepted");
    EXPECT_FALSE(ColorNear(CenterPixel(accepted, L"immediate_install_btn"), disabledInstall, 20))
        << "the install button looks enabled once the agreement is accepted";

    h.Click(L"self_install_btn");
    CScreenCapture custom = Shoot(lang + L"-page1-custom");
    EXPECT_EQ(custom.Height(), 550);
    EXPECT_GT(LightPixels(custom, PosOf(L"path_edit")), 30) << "the proposed directory";
    EXPECT_GT(LightPixels(custom, PosOf(L"power_up_opt")), 10);

    h.Click(L"immediate_install_btn1");
    ASSERT_EQ(h.Page(), kPageProgress);
    // Hold the bar still at 40 % for the picture.
    auto* progressBar = h.Find<CProgressUI>(L"setup_process");
    h.window->Manager().KillTimer(progressBar, TIMER_PROGRESS);
    progressBar->SetValue(40);
    CScreenCapture progress = Shoot(lang + L"-page2-progress");
    const RECT bar = PosOf(L"setup_process");
    const int midY = (bar.top + bar.bottom) / 2;
    const int width = bar.right - bar.left;
    EXPECT_FALSE(ColorNear(progress.At(bar.left + width / 5, midY), progress.At(bar.left + width * 4 / 5, midY), 20))
        << "filled and empty parts of the bar differ";

    ::PostMessageW(h.hwnd(), UM_FINISHED, 0, 0);
    ASSERT_TRUE(WindowDriver::PumpUntil([&] { return h.Page() == kPageFinished; }));
    CScreenCapture finished = Shoot(lang + L"-page3-finished");
    EXPECT_GT(LightPixels(finished, PosOf(L"immediate_startup_btn")), 30) << "the start button's text";
}

INSTANTIATE_TEST_SUITE_P(Languages, ScreenshotTest, ::testing::Values(0x0804u, 0x0404u));

}  // namespace
