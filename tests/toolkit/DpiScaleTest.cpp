#include "toolkit/DpiScale.h"
#include "toolkit/ImageResample.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <cstdlib>

namespace {

TEST(DpiScale, PercentForTheCommonSettings) {
    const struct {
        int dpi;
        int percent;
    } cases[] = {{96, 100},  {120, 125}, {144, 150}, {168, 175},
                 {192, 200}, {288, 300}, {110, 115},  // rounded to the nearest percent
                 {0, 100},   {-96, 100}};
    for (const auto& c : cases) {
        EXPECT_EQ(DpiScale::PercentForDpi(c.dpi), c.percent) << c.dpi;
    }
}

TEST(DpiScale, ValuesRoundHalfAwayFromZero) {
    const struct {
        int value;
        int percent;
        int pixels;
    } cases[] = {{800, 150, 1200}, {430, 150, 645}, {550, 150, 825},    {1, 125, 1}, {2, 125, 3},
                 {3, 150, 5},      {-3, 150, -5},   {9999, 200, 19998}, {7, 100, 7}, {0, 175, 0}};
    for (const auto& c : cases) {
        EXPECT_EQ(DpiScale::Scale(c.value, c.percent), c.pixels) << c.value << " at " << c.percent;
    }
    EXPECT_EQ(DpiScale::Unscale(1200, 150), 800);
    EXPECT_EQ(DpiScale::Unscale(825, 150), 550);
}

TEST(DpiScale, RectanglesScaleEdgeByEdgeSoNeighboursStillMeet) {
    // Two controls side by side in the markup: 30..76 and 76..210.
    const UiRect left = DpiScale::Scale(UiRect{30, 390, 76, 412}, 125);
    const UiRect right = DpiScale::Scale(UiRect{76, 390, 210, 412}, 125);
    EXPECT_EQ(left, (UiRect{38, 488, 95, 515}));
    EXPECT_EQ(left.right, right.left);
    EXPECT_EQ(DpiScale::Scale(UiSize{444, 266}, 150), (UiSize{666, 399}));
}

TEST(DpiScale, TheExpandedWindowGetsTheLargestStepThatFits) {
    const UiSize expanded{800, 550};
    const struct {
        int wanted;
        UiSize work;
        int percent;
    } cases[] = {
        {150, {1920, 1040}, 150},  // fits as asked
        {150, {1366, 728}, 130},   // 825 px high does not fit a 768-px screen with a taskbar
        {200, {1366, 768}, 135},   // 192 DPI on a small laptop: 1080 x 743
        {200, {1600, 1100}, 200},  // exactly 1600 x 1100 still fits
        {200, {1599, 1100}, 195},  // one pixel less does not
        {125, {700, 500}, 100},    // nothing fits: the window stays at 100 %
        {100, {640, 480}, 100},    // never grows past what was asked
    };
    for (const auto& c : cases) {
        EXPECT_EQ(DpiScale::FitPercent(c.wanted, expanded, c.work), c.percent)
            << c.wanted << " in " << c.work.cx << "x" << c.work.cy;
    }
}

TEST(DpiScale, AWindowsScaleFollowsItsDpiItsScreenAndItsOwner) {
    const UiSize expanded{800, 550};
    const UiSize none{};
    const struct {
        int dpi;
        UiSize fit;
        UiSize work;
        int owner;
        int percent;
    } cases[] = {
        {144, expanded, {1920, 1040}, 0, 150},    {192, expanded, {1366, 768}, 0, 135},  // reduced to fit
        {192, none, {1366, 768}, 0, 200},          // nothing asked to fit: the DPI's scale
        {192, {444, 266}, {1366, 768}, 135, 135},  // a box over the reduced window
        {120, {444, 266}, {1366, 768}, 150, 125},  // an owner at a larger scale does not grow it
    };
    for (const auto& c : cases) {
        EXPECT_EQ(DpiScale::WindowPercent(c.dpi, c.fit, c.work, c.owner), c.percent) << c.dpi;
    }
}

TEST(DpiScale, ADpiChangeTakesTheSuggestedRectangleUnlessTheWindowWasReduced) {
    // 100 % to 150 %: exactly where and how large the system says.
    const UiRect suggested{1900, 100, 3100, 745};
    EXPECT_EQ(DpiScale::WindowAfterDpiChange(UiRect{100, 100, 900, 530}, 96, 100, 144, 150, suggested), suggested);
    // 150 % to a small 192-DPI screen where it is reduced to 135 %: the suggestion is for
    // 200 %, so only its corner is taken.
    EXPECT_EQ(DpiScale::WindowAfterDpiChange(UiRect{0, 0, 1200, 645}, 144, 150, 192, 135, UiRect{50, 20, 1650, 880}),
              (UiRect{50, 20, 1130, 601}));
    // And back from the reduced 135 % to 96 DPI.
    EXPECT_EQ(DpiScale::WindowAfterDpiChange(UiRect{0, 0, 1080, 581}, 192, 135, 96, 100, UiRect{10, 10, 550, 300}),
              (UiRect{10, 10, 810, 440}));
}

TEST(DpiScale, PicturesComeFromTheNearestLargerSet) {
    const int sets[] = {100, 125, 150, 200};
    const struct {
        int wanted;
        int chosen;
    } cases[] = {{100, 100}, {110, 125}, {125, 125}, {135, 150}, {150, 150}, {175, 200}, {200, 200}, {300, 200}};
    for (const auto& c : cases) {
        EXPECT_EQ(DpiScale::ChooseImageSet(c.wanted, sets, 4), c.chosen) << c.wanted;
    }
    EXPECT_EQ(DpiScale::ChooseImageSet(150, sets, 0), 0);
    EXPECT_EQ(DpiScale::ResampledSize(UiSize{1600, 1100}, 200, 175), (UiSize{1400, 963}));
    EXPECT_EQ(DpiScale::ResampledSize(UiSize{32, 32}, 150, 150), (UiSize{32, 32}));
    EXPECT_EQ(DpiScale::ResampledSize(UiSize{1, 9}, 200, 100), (UiSize{1, 5}));  // never below one pixel
}

TEST(DpiScale, SetNamesCarryTheScaleBeforeTheExtension) {
    EXPECT_EQ(DpiScale::ImageSetName(L"btn/close_btn_nor.png", 150), L"btn/close_btn_nor@150.png");
    EXPECT_EQ(DpiScale::ImageSetName(L"btn/close_btn_nor.png", 100), L"btn/close_btn_nor.png");
    EXPECT_EQ(DpiScale::ImageSetName(L"skin.v2/logo", 200), L"skin.v2/logo@200");  // a dot in a folder only
    EXPECT_EQ(DpiScale::ImageSetName(L"bk.jpg", 125), L"bk@125.jpg");
}

DecodedImage Picture(int width, int height, uint32_t rgba) {
    DecodedImage image;
    image.width = width;
    image.height = height;
    for (int i = 0; i < width * height; ++i) {
        image.rgba.push_back(static_cast<uint8_t>(rgba >> 24));
        image.rgba.push_back(static_cast<uint8_t>(rgba >> 16));
        image.rgba.push_back(static_cast<uint8_t>(rgba >> 8));
        image.rgba.push_back(static_cast<uint8_t>(rgba));
    }
    return image;
}

const uint8_t* Pixel(const DecodedImage& image, int x, int y) {
    return &image.rgba[(static_cast<size_t>(y) * image.width + x) * 4];
}

TEST(ImageResample, HalvingAveragesEveryPixelItCovers) {
    // One-pixel stripes, black and white: dropping every second line (a nearest-pixel
    // reduction) would give all black or all white; averaging gives an even grey.
    DecodedImage stripes = Picture(8, 8, 0x000000FF);
    for (int y = 0; y < 8; ++y) {
        for (int x = 1; x < 8; x += 2) {
            uint8_t* p = &stripes.rgba[(static_cast<size_t>(y) * 8 + x) * 4];
            p[0] = p[1] = p[2] = 255;
        }
    }
    DecodedImage half;
    ASSERT_TRUE(ResampleImage(stripes, 4, 4, half));
    ASSERT_EQ(half.width, 4);
    ASSERT_EQ(half.height, 4);
    for (int x = 1; x < 3; ++x) {
        EXPECT_NEAR(Pixel(half, x, 2)[0], 128, 2) << x;
        EXPECT_EQ(Pixel(half, x, 2)[3], 255);
    }
}

TEST(ImageResample, TransparentPixelsLendNoColourToTheEdge) {
    // A red opaque half next to a fully transparent green half: the mixed column is
    // half-transparent red, not brown.
    DecodedImage image = Picture(4, 2, 0x00FF0000);
    for (int y = 0; y < 2; ++y) {
        for (int x = 0; x < 2; ++x) {
            uint8_t* p = &image.rgba[(static_cast<size_t>(y) * 4 + x) * 4];
            p[0] = 255;
            p[1] = 0;
            p[3] = 255;
        }
    }
    DecodedImage out;
    ASSERT_TRUE(ResampleImage(image, 3, 2, out));
    const uint8_t* mixed = Pixel(out, 1, 0);
    EXPECT_EQ(mixed[0], 255);
    EXPECT_EQ(mixed[1], 0);
    EXPECT_GT(mixed[3], 40);
    EXPECT_LT(mixed[3], 215);
    EXPECT_EQ(Pixel(out, 0, 0)[3], 255);
    EXPECT_EQ(Pixel(out, 2, 0)[3], 0);
}

TEST(ImageResample, FlatPicturesStayFlatAtAnySize) {
    const DecodedImage flat = Picture(40, 34, 0x3B82F680);
    for (const UiSize size : {UiSize{50, 43}, UiSize{60, 51}, UiSize{80, 68}, UiSize{35, 30}, UiSize{1, 1}}) {
        DecodedImage out;
        ASSERT_TRUE(ResampleImage(flat, size.cx, size.cy, out));
        for (int y = 0; y < out.height; ++y) {
            for (int x = 0; x < out.width; ++x) {
                const uint8_t* p = Pixel(out, x, y);
                ASSERT_TRUE(std::abs(p[0] - 0x3B) <= 1 && std::abs(p[1] - 0x82) <= 1 && std::abs(p[2] - 0xF6) <= 1 &&
                            p[3] == 0x80)
                    << size.cx << "x" << size.cy << " at " << x << "," << y;
            }
        }
    }
}

TEST(ImageResample, RefusesEmptyAndOversizedTargets) {
    const DecodedImage image = Picture(2, 2, 0xFFFFFFFF);
    DecodedImage out = Picture(1, 1, 0x01020304);
    EXPECT_FALSE(ResampleImage(image, 0, 2, out));
    EXPECT_FALSE(ResampleImage(image, 2, kMaxImageSide + 1, out));
    EXPECT_FALSE(ResampleImage(DecodedImage(), 2, 2, out));
    EXPECT_EQ(out.width, 1);  // untouched
}

}  // namespace
