// The main window and the message box at the screen's DPI. Each run of this program sees
// one DPI: the runner sets "LogPixels" in the test prefix's registry (Wine honours it) and
// tells the program the DPI and the scale it expects in VARLO_TEST_DPI and VARLO_TEST_SCALE.
// The scale is less than the DPI's when the expanded window would not fit the work area.

#include <gtest/gtest.h>

#include <windows.h>

#include <cstdlib>
#include <functional>
#include <string>

#include "../toolkit/ScreenCapture.h"
#include "../toolkit/TestPaths.h"
#include "MainWndTestSupport.h"
#include "WindowDriver.h"
#include "installer/MessageBoxExWnd.h"
#include "installer/ProgressModel.h"
#include "toolkit/DpiScale.h"
#include "toolkit/ImageDecoder.h"
#include "toolkit/ImageResample.h"
#include "toolkit/ProgressUI.h"
#include "toolkit/SkinArchive.h"
#include "toolkit/WindowDpi.h"

namespace {

// A test program has no manifest: it asks for what the installer's manifest declares.
// (Whether Wine took it shows in the window's DPI, checked below.)
[[maybe_unused]] const bool g_aware = [] {
    using SetContextFn = BOOL(WINAPI*)(HANDLE);
    HMODULE user32 = ::GetModuleHandleW(L"user32.dll");
    auto setContext = reinterpret_cast<SetContextFn>(
        reinterpret_cast<void*>(::GetProcAddress(user32, "SetProcessDpiAwarenessContext")));
    // DPI_AWARENESS_CONTEXT_PER_MONITOR_AWARE_V2
    if (setContext != nullptr && setContext(reinterpret_cast<HANDLE>(static_cast<LONG_PTR>(-4)))) {
        return true;
    }
    return ::SetProcessDPIAware() != FALSE;
}();

int EnvInt(const char* name, int fallback) {
    const char* value = std::getenv(name);
    return value != nullptr ? std::atoi(value) : fallback;
}

int Dpi() {
    return EnvInt("VARLO_TEST_DPI", 96);
}

int ExpectedScale() {
    return EnvInt("VARLO_TEST_SCALE", 100);
}

// Client sizes, written out: compact and expanded, by scale.
struct Sizes {
    int scale;
    SIZE compact;
    SIZE expanded;
    SIZE box;
};
constexpr Sizes kSizes[] = {
    {100, {800, 430}, {800, 550}, {444, 266}},
    {125, {1000, 538}, {1000, 688}, {555, 333}},
    {150, {1200, 645}, {1200, 825}, {666, 399}},
    {135, {1080, 581}, {1080, 743}, {599, 359}},  // 192 DPI on a 1366 x 768 screen
    {200, {1600, 860}, {1600, 1100}, {888, 532}},
};

const Sizes& SizesFor(int scale) {
    for (const Sizes& s : kSizes) {
        if (s.scale == scale) {
            return s;
        }
    }
    ADD_FAILURE() << "no sizes written down for " << scale << " %";
    return kSizes[0];
}

std::wstring ShotPath(const std::wstring& name) {
    const std::string dir = VARLO_TEST_BINARY_DIR "/tests/installer/screens-dpi";
    ::CreateDirectoryW(TestPaths::Host(dir).c_str(), nullptr);
    const std::wstring out = TestPaths::Host(dir + "/" + std::to_string(Dpi()) + "/");
    ::CreateDirectoryW(out.c_str(), nullptr);
    return out + name + L".bmp";
}

int Brightness(uint32_t rgb) {
    return static_cast<int>(((rgb >> 16) & 0xFF) + ((rgb >> 8) & 0xFF) + (rgb & 0xFF)) / 3;
}

// The rows of `area` holding text-light pixels: top and bottom (bottom exclusive).
std::pair<int, int> LightRows(const CScreenCapture& shot, const RECT& area) {
    int top = -1;
    int bottom = -1;
    for (int y = area.top; y < area.bottom; ++y) {
        for (int x = area.left; x < area.right; ++x) {
            if (Brightness(shot.At(x, y)) > 200) {
                top = top < 0 ? y : top;
                bottom = y + 1;
                break;
            }
        }
    }
    return {top, bottom};
}

// The main background as the window must draw it at `scale`: the set made for that scale,
// or the nearest larger set made smaller.
DecodedImage ExpectedBackground(int scale) {
    const int set = DpiScale::ChooseImageSet(scale, DpiScale::kImageSets, 4);
    std::vector<uint8_t> bytes;
    std::wstring error;
    DecodedImage image;
    EXPECT_TRUE(CSkinArchive::ReadFile(DpiScale::ImageSetName(L"bkimage/main_bk.png", set), bytes, error))
        << "the skin has the background made at " << set << " %";
    EXPECT_TRUE(DecodeImage(bytes.data(), bytes.size(), image));
    if (set != scale) {
        const UiSize size = DpiScale::ResampledSize(UiSize{image.width, image.height}, set, scale);
        DecodedImage smaller;
        EXPECT_TRUE(ResampleImage(image, size.cx, size.cy, smaller));
        return smaller;
    }
    return image;
}

// Mean difference per channel between the picture and the background over `units` (a
// rectangle of the layout where nothing but the background is drawn).
double BackgroundDifference(const CScreenCapture& shot, const DecodedImage& background, const RECT& units, int scale) {
    const RECT r{DpiScale::Scale(units.left, scale), DpiScale::Scale(units.top, scale),
                 DpiScale::Scale(units.right, scale), DpiScale::Scale(units.bottom, scale)};
    double total = 0;
    int count = 0;
    for (int y = r.top; y < r.bottom; ++y) {
        for (int x = r.left; x < r.right; ++x) {
            const uint32_t got = shot.At(x, y);
            const uint8_t* want = &background.rgba[(static_cast<size_t>(y) * background.width + x) * 4];
            total += std::abs(static_cast<int>((got >> 16) & 0xFF) - want[0]) +
                     std::abs(static_cast<int>((got >> 8) & 0xFF) - want[1]) +
                     std::abs(static_cast<int>(got & 0xFF) - want[2]);
            count += 3;
        }
    }
    return count > 0 ? total / count : 1e9;
}

std::function<void(HWND)> g_boxScript;

void CALLBACK RunBoxScript(HWND, UINT, UINT_PTR timer, DWORD) {
    HWND box = WindowDriver::FindThreadWindow(L"CMessageBoxExWnd");
    if (box == nullptr) {
        return;
    }
    ::KillTimer(nullptr, timer);
    WindowDriver::Pump(400);
    if (g_boxScript) {
        g_boxScript(box);
    }
}

class DpiScreenshotTest : public ::testing::TestWithParam<uint32_t> {
  protected:
    CScreenCapture Shoot(HWND window, const std::wstring& name) {
        WindowDriver::Pump(400);
        CScreenCapture shot;
        EXPECT_TRUE(shot.TakeClientArea(window));
        EXPECT_TRUE(shot.SaveBmp(ShotPath(name)));
        return shot;
    }
    SIZE Client(HWND window) {
        RECT client{};
        ::GetClientRect(window, &client);
        return SIZE{client.right, client.bottom};
    }
    RECT PosOf(const wchar_t* name) { return h.Find<CControlUI>(name)->GetPos(); }
    // Keeps the window inside the screen whatever its size.
    void PlaceOnScreen() {
        const RECT work = GetWindowWorkArea(h.hwnd());
        ::SetWindowPos(h.hwnd(), HWND_TOPMOST, work.left, work.top, 0, 0, SWP_NOSIZE);
        WindowDriver::Pump(100);
    }

    MainWndHarness h;
};

TEST_P(DpiScreenshotTest, EveryPageAndTheBoxAtTheScreensScale) {
    const bool simplified = GetParam() == 0x0804;
    const std::wstring lang = simplified ? L"zh-cn" : L"zh-tw";
    const int scale = ExpectedScale();
    const Sizes& sizes = SizesFor(scale);
    h.record.locale = GetParam();
    ASSERT_TRUE(h.Open());
    PlaceOnScreen();

    ASSERT_EQ(GetWindowDpi(h.hwnd()), Dpi()) << "the prefix's LogPixels reached the window";
    ASSERT_EQ(h.window->Manager().GetScale(), scale);
    EXPECT_EQ(Client(h.hwnd()).cx, sizes.compact.cx);
    EXPECT_EQ(Client(h.hwnd()).cy, sizes.compact.cy);

    CScreenCapture main = Shoot(h.hwnd(), lang + L"-page0-main");
    const DecodedImage background = ExpectedBackground(scale);
    ASSERT_EQ(background.width, sizes.expanded.cx);
    ASSERT_EQ(background.height, sizes.expanded.cy);
    // Left of the hero, over the lanes of the floor and their fine lines: drawn pixel for
    // pixel from the picture made for this scale, never stretched from a smaller one.
    EXPECT_LT(BackgroundDifference(main, background, RECT{20, 250, 180, 360}, scale), 1.0);
    EXPECT_LT(BackgroundDifference(main, background, RECT{620, 250, 780, 360}, scale), 1.0);

    // The title's glyphs are as tall as its 30-unit font at this scale.
    const auto [top, bottom] = LightRows(main, PosOf(L"hero_title_lab"));
    ASSERT_GE(top, 0) << "the hero title is drawn";
    const int glyphs = bottom - top;
    EXPECT_GE(glyphs, DpiScale::Scale(30, scale) * 6 / 10) << "glyph rows at " << scale << " %";
    EXPECT_LE(glyphs, DpiScale::Scale(30, scale) * 11 / 10) << "glyph rows at " << scale << " %";

    // The caption drags on a label and clicks on a button, at the scaled places.
    const POINT title = WindowDriver::CenterOf(h.Find<CControlUI>(L"title_lab"));
    const POINT close = WindowDriver::CenterOf(h.Find<CControlUI>(L"close_btn"));
    POINT screenTitle = title;
    POINT screenClose = close;
    ::ClientToScreen(h.hwnd(), &screenTitle);
    ::ClientToScreen(h.hwnd(), &screenClose);
    EXPECT_EQ(::SendMessageW(h.hwnd(), WM_NCHITTEST, 0, MAKELPARAM(screenTitle.x, screenTitle.y)), HTCAPTION);
    EXPECT_EQ(::SendMessageW(h.hwnd(), WM_NCHITTEST, 0, MAKELPARAM(screenClose.x, screenClose.y)), HTCLIENT);
    EXPECT_EQ(close.x, DpiScale::Scale(756, scale) + (DpiScale::Scale(788, scale) - DpiScale::Scale(756, scale)) / 2);

    h.Click(L"agree_opt");
    h.Click(L"self_install_btn");
    EXPECT_EQ(Client(h.hwnd()).cx, sizes.expanded.cx);
    EXPECT_EQ(Client(h.hwnd()).cy, sizes.expanded.cy);
    const RECT work = GetWindowWorkArea(h.hwnd());
    EXPECT_LE(sizes.expanded.cy, work.bottom - work.top) << "the expanded window fits the screen";
    CScreenCapture custom = Shoot(h.hwnd(), lang + L"-page1-custom");
    // The custom panel below the compact height.
    EXPECT_LT(BackgroundDifference(custom, background, RECT{560, 440, 780, 448}, scale), 1.0);
    int pathText = 0;
    const RECT edit = PosOf(L"path_edit");
    for (int y = edit.top; y < edit.bottom; ++y) {
        for (int x = edit.left; x < edit.right; ++x) {
            pathText += Brightness(custom.At(x, y)) > 170 ? 1 : 0;
        }
    }
    EXPECT_GT(pathText, 30) << "the proposed directory";

    h.Click(L"immediate_install_btn1");
    ASSERT_EQ(h.Page(), kPageProgress);
    EXPECT_EQ(Client(h.hwnd()).cy, sizes.compact.cy);
    auto* bar = h.Find<CProgressUI>(L"setup_process");
    h.window->Manager().KillTimer(bar, TIMER_PROGRESS);
    bar->SetValue(40);
    CScreenCapture progress = Shoot(h.hwnd(), lang + L"-page2-progress");
    const RECT barPos = bar->GetPos();
    EXPECT_EQ(barPos.right - barPos.left, DpiScale::Scale(620, scale) - DpiScale::Scale(180, scale));
    const int midY = (barPos.top + barPos.bottom) / 2;
    const int width = barPos.right - barPos.left;
    EXPECT_FALSE(
        ColorNear(progress.At(barPos.left + width / 5, midY), progress.At(barPos.left + width * 4 / 5, midY), 20))
        << "filled and empty parts of the bar differ";

    ::PostMessageW(h.hwnd(), UM_FINISHED, 0, 0);
    ASSERT_TRUE(WindowDriver::PumpUntil([&] { return h.Page() == kPageFinished; }));
    CScreenCapture finished = Shoot(h.hwnd(), lang + L"-page3-finished");
    const auto [startTop, startBottom] = LightRows(finished, PosOf(L"immediate_startup_btn"));
    EXPECT_GE(startBottom - startTop, DpiScale::Scale(18, scale) * 6 / 10) << "the start button's text";

    // The message box over the window, at the window's scale.
    MessageBoxRequest request;
    request.title = simplified ? L"安装提示" : L"安裝提示";
    request.text = simplified ? L"安装尚未完成，确定退出吗" : L"安裝尚未完成，確定退出嗎";
    request.buttons = 2;
    request.okText = simplified ? L"确定" : L"確定";
    request.cancelText = L"取消";
    SIZE boxSize{};
    RECT okPos{};
    uint32_t okFace = 0;
    int boxScale = 0;
    g_boxScript = [&](HWND box) {
        auto* wnd =
            dynamic_cast<CMessageBoxExWnd*>(reinterpret_cast<CWindowWnd*>(::GetWindowLongPtrW(box, GWLP_USERDATA)));
        boxSize = Client(box);
        if (wnd != nullptr) {
            boxScale = wnd->Manager().GetScale();
            okPos = wnd->Manager().FindControl(L"ok_btn")->GetPos();
        }
        CScreenCapture shot = Shoot(box, lang + L"-message-box");
        okFace = shot.At(okPos.left + DpiScale::Scale(14, scale), (okPos.top + okPos.bottom) / 2);
        ::PostMessageW(box, WM_SYSCOMMAND, SC_CLOSE, 0);
    };
    ::SetTimer(nullptr, 0, 50, RunBoxScript);
    EXPECT_EQ(ShowMessageBoxEx(h.hwnd(), request), 0u);
    g_boxScript = nullptr;
    EXPECT_EQ(boxScale, scale);
    EXPECT_EQ(boxSize.cx, sizes.box.cx);
    EXPECT_EQ(boxSize.cy, sizes.box.cy);
    // Two buttons of 110 units and a gap of 20 centred in 444, above a 40-unit margin.
    // The flexible spaces share what the scaled buttons and gap leave: within a pixel.
    EXPECT_NEAR(okPos.left, DpiScale::Scale(102, scale), 1);
    EXPECT_EQ(okPos.bottom, sizes.box.cy - DpiScale::Scale(40, scale));
    EXPECT_GT(Brightness(okFace), 180) << "the light face of the first button";
}

INSTANTIATE_TEST_SUITE_P(Languages, DpiScreenshotTest, ::testing::Values(0x0804u, 0x0404u));

}  // namespace
