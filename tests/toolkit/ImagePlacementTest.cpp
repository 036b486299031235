#include "toolkit/ImageDecoder.h"
#include "toolkit/ImagePlacement.h"

#include <gtest/gtest.h>

#include <vector>

namespace {

using Part = std::pair<UiRect, UiRect>;

std::vector<Part> Parts(const UiRect& dest,
                        const UiRect& source,
                        const UiRect& corner,
                        bool hole = false,
                        bool xtiled = false,
                        bool ytiled = false) {
    std::vector<Part> parts;
    ImagePlacement::ForEachPart(dest, source, corner, hole, xtiled, ytiled,
                                [&parts](const UiRect& d, const UiRect& s) { parts.emplace_back(d, s); });
    return parts;
}

TEST(ImagePlacement, DestinationIsTheControlOrAnOffsetClippedToIt) {
    const UiRect control{100, 50, 200, 90};
    EXPECT_EQ(ImagePlacement::ResolveDest(control, UiRect{}), control);
    EXPECT_EQ(ImagePlacement::ResolveDest(control, UiRect{10, 5, 30, 15}), (UiRect{110, 55, 130, 65}));
    EXPECT_EQ(ImagePlacement::ResolveDest(control, UiRect{10, 5, 300, 300}), (UiRect{110, 55, 200, 90}));
    EXPECT_TRUE(ImagePlacement::ResolveDest(control, UiRect{150, 0, 160, 10}).IsEmpty());
}

TEST(ImagePlacement, SourceIsTheWholeImageOrClippedToIt) {
    EXPECT_EQ(ImagePlacement::ResolveSource(UiRect{}, 40, 30), (UiRect{0, 0, 40, 30}));
    EXPECT_EQ(ImagePlacement::ResolveSource(UiRect{0, 0, 10, 10}, 40, 30), (UiRect{0, 0, 10, 10}));
    EXPECT_EQ(ImagePlacement::ResolveSource(UiRect{30, 20, 100, 100}, 40, 30), (UiRect{30, 20, 40, 30}));
    EXPECT_TRUE(ImagePlacement::ResolveSource(UiRect{50, 0, 60, 10}, 40, 30).IsEmpty());
}

TEST(ImagePlacement, WithoutCornersTheWholeSourceIsStretchedOnce) {
    const std::vector<Part> parts = Parts(UiRect{0, 0, 100, 50}, UiRect{0, 0, 10, 10}, UiRect{});
    ASSERT_EQ(parts.size(), 1u);
    EXPECT_EQ(parts[0], Part(UiRect{0, 0, 100, 50}, UiRect{0, 0, 10, 10}));
}

TEST(ImagePlacement, NineGridKeepsCornersAndStretchesEdges) {
    const std::vector<Part> parts = Parts(UiRect{0, 0, 100, 60}, UiRect{0, 0, 30, 30}, UiRect{5, 6, 7, 8});
    ASSERT_EQ(parts.size(), 9u);
    EXPECT_EQ(parts[0], Part(UiRect{5, 6, 93, 52}, UiRect{5, 6, 23, 22}));       // middle
    EXPECT_EQ(parts[1], Part(UiRect{0, 0, 5, 6}, UiRect{0, 0, 5, 6}));           // top left
    EXPECT_EQ(parts[4], Part(UiRect{93, 52, 100, 60}, UiRect{23, 22, 30, 30}));  // bottom right
    EXPECT_EQ(parts[5], Part(UiRect{0, 6, 5, 52}, UiRect{0, 6, 5, 22}));         // left edge
    EXPECT_EQ(parts[8], Part(UiRect{5, 52, 93, 60}, UiRect{5, 22, 23, 30}));     // bottom edge

    const std::vector<Part> holed = Parts(UiRect{0, 0, 100, 60}, UiRect{0, 0, 30, 30}, UiRect{5, 6, 7, 8}, true);
    EXPECT_EQ(holed.size(), 8u);
}

TEST(ImagePlacement, TilingRepeatsWholeTilesAndCutsTheLast) {
    const std::vector<Part> x = Parts(UiRect{0, 0, 25, 40}, UiRect{0, 0, 10, 8}, UiRect{}, false, true, false);
    ASSERT_EQ(x.size(), 3u);
    EXPECT_EQ(x[0], Part(UiRect{0, 0, 10, 40}, UiRect{0, 0, 10, 8}));
    EXPECT_EQ(x[2], Part(UiRect{20, 0, 25, 40}, UiRect{0, 0, 5, 8}));

    const std::vector<Part> xy = Parts(UiRect{0, 0, 25, 20}, UiRect{0, 0, 10, 8}, UiRect{}, false, true, true);
    ASSERT_EQ(xy.size(), 9u);
    EXPECT_EQ(xy.back(), Part(UiRect{20, 16, 25, 20}, UiRect{0, 0, 5, 4}));
}

TEST(ImagePlacement, TilingAMiddleWithNoPixelsDrawsNoMiddleAndEnds) {
    // Corners as wide as the source leave a zero-width middle to repeat.
    const std::vector<Part> parts =
        Parts(UiRect{0, 0, 100, 100}, UiRect{0, 0, 10, 10}, UiRect{5, 0, 5, 0}, false, true, true);
    for (const Part& part : parts) {
        EXPECT_FALSE(part.first.left >= 5 && part.first.right <= 95) << "no middle part";
    }
    EXPECT_EQ(parts.size(), 2u);  // the two side edges
}

TEST(ImageDecoder, PremultipliesAndAppliesTheMask) {
    DecodedImage image;
    image.width = 4;
    image.height = 1;
    image.rgba = {
        10,  20,  30,  255,  // opaque: copied
        200, 100, 50,  128,  // half: premultiplied with integer division
        255, 0,   255, 255,  // the mask colour
        0,   0,   0,   0,    // transparent
    };
    uint32_t pixels[4] = {};
    EXPECT_TRUE(ConvertToPremultiplied(image, 0xFFFF00FF, pixels));
    EXPECT_EQ(pixels[0], 0xFF0A141Eu);
    EXPECT_EQ(pixels[1], (128u << 24) | ((200u * 128 / 255) << 16) | ((100u * 128 / 255) << 8) | (50u * 128 / 255));
    EXPECT_EQ(pixels[2], 0u);
    EXPECT_EQ(pixels[3], 0u);

    DecodedImage opaque;
    opaque.width = 1;
    opaque.height = 1;
    opaque.rgba = {1, 2, 3, 255};
    EXPECT_FALSE(ConvertToPremultiplied(opaque, 0, pixels));

    uint32_t masked = 0;
    EXPECT_TRUE(ConvertToPremultiplied(opaque, 0xFF010203, &masked));
    EXPECT_EQ(masked, 0u);
}

TEST(ImageDecoder, DecodesABitmapAndRejectsGarbage) {
    // A 2x1 24-bit BMP: blue, then red.
    const uint8_t bmp[] = {
        'B', 'M', 62, 0, 0, 0,   0, 0, 0, 0, 54, 0, 0, 0,                     // file header
        40,  0,   0,  0, 2, 0,   0, 0, 1, 0, 0,  0, 1, 0, 24, 0, 0, 0, 0, 0,  // info header
        8,   0,   0,  0, 0, 0,   0, 0, 0, 0, 0,  0, 0, 0, 0,  0, 0, 0, 0, 0,
        255, 0,   0,  0, 0, 255, 0, 0,  // pixels (BGR) with row padding
    };
    DecodedImage image;
    ASSERT_TRUE(DecodeImage(bmp, sizeof(bmp), image));
    EXPECT_EQ(image.width, 2);
    EXPECT_EQ(image.height, 1);
    EXPECT_EQ((std::vector<uint8_t>(image.rgba.begin(), image.rgba.begin() + 8)),
              (std::vector<uint8_t>{0, 0, 255, 255, 255, 0, 0, 255}));

    const uint8_t garbage[] = {1, 2, 3, 4, 5};
    EXPECT_FALSE(DecodeImage(garbage, sizeof(garbage), image));
    EXPECT_FALSE(DecodeImage(nullptr, 0, image));
}

}  // namespace
