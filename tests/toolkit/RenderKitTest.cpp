// Image descriptors drawn into a memory bitmap, checked pixel by pixel.

#include "ScreenCapture.h"
#include "TestPaths.h"
#include "toolkit/RenderKit.h"
#include "toolkit/SkinArchive.h"
#include "toolkit/UIManager.h"
#include "util/UniqueHandle.h"

#include <gtest/gtest.h>

namespace {

class Canvas {
  public:
    Canvas(int width, int height, uint32_t fill) : width_(width) {
        dc_.reset(::CreateCompatibleDC(nullptr));
        bitmap_.reset(CRenderKit::CreateDib32(dc_.get(), width, height, &bits_));
        old_ = ::SelectObject(dc_.get(), bitmap_.get());
        for (int i = 0; i < width * height; ++i) {
            bits_[i] = fill;
        }
    }
    ~Canvas() { ::SelectObject(dc_.get(), old_); }
    HDC dc() const { return dc_.get(); }
    uint32_t At(int x, int y) const {
        ::GdiFlush();
        return bits_[y * width_ + x] & 0x00FFFFFF;
    }

  private:
    int width_;
    UniqueMemoryDc dc_;
    UniqueBitmap bitmap_;
    uint32_t* bits_ = nullptr;
    HGDIOBJ old_ = nullptr;
};

class RenderKitTest : public ::testing::Test {
  protected:
    void SetUp() override {
        CSkinArchive::Reset();
        CUIManager::RemoveAllSharedResources();
        CSkinArchive::SetResourcePath(TestPaths::SkinFolder());
    }
    void TearDown() override {
        CRenderKit::UseSoftwareBlend(false);
        CSkinArchive::Reset();
        CUIManager::RemoveAllSharedResources();
    }

    // Draws `text` over the whole canvas-sized control.
    bool Draw(Canvas& canvas, const std::wstring& text, const RECT& control) {
        ImageDescriptor descriptor(text);
        return CRenderKit::DrawImage(canvas.dc(), &manager, control, control, descriptor);
    }

    CUIManager manager;
};

TEST_F(RenderKitTest, BareNameAndFileKeyDrawTheSamePixels) {
    Canvas bare(40, 40, 0);
    Canvas keyed(40, 40, 0);
    ASSERT_TRUE(Draw(bare, L"img/quad.png", RECT{0, 0, 40, 40}));
    ASSERT_TRUE(Draw(keyed, L"file='img/quad.png'", RECT{0, 0, 40, 40}));
    for (int y = 0; y < 40; y += 3) {
        for (int x = 0; x < 40; x += 3) {
            ASSERT_EQ(bare.At(x, y), keyed.At(x, y)) << x << "," << y;
        }
    }
    EXPECT_TRUE(ColorNear(bare.At(5, 5), 0x0AC80A));
    EXPECT_TRUE(ColorNear(bare.At(35, 35), 0xC8C80A));
}

TEST_F(RenderKitTest, SourceRectangleIsStretchedAndClippedToTheImage) {
    Canvas part(40, 40, 0);
    ASSERT_TRUE(Draw(part, L"file='img/quad.png' source='0,0,10,10'", RECT{0, 0, 40, 40}));
    EXPECT_TRUE(ColorNear(part.At(1, 1), 0x0AC80A));
    EXPECT_TRUE(ColorNear(part.At(38, 38), 0x0AC80A));

    Canvas clipped(40, 40, 0);
    ASSERT_TRUE(Draw(clipped, L"file='img/quad.png' source='10,10,100,100'", RECT{0, 0, 40, 40}));
    EXPECT_TRUE(ColorNear(clipped.At(1, 1), 0xC8C80A));
    EXPECT_TRUE(ColorNear(clipped.At(38, 38), 0xC8C80A));
}

TEST_F(RenderKitTest, DestinationIsAnOffsetInsideTheControl) {
    Canvas canvas(60, 60, 0);
    ASSERT_TRUE(Draw(canvas, L"file='img/quad.png' source='0,0,10,10' dest='10,10,20,20'", RECT{10, 10, 50, 50}));
    EXPECT_TRUE(ColorNear(canvas.At(25, 25), 0x0AC80A));
    EXPECT_EQ(canvas.At(15, 15), 0u);
    EXPECT_EQ(canvas.At(35, 35), 0u);
}

TEST_F(RenderKitTest, NineGridWithHoleLeavesTheMiddle) {
    Canvas canvas(100, 60, 0x00123456);
    ASSERT_TRUE(Draw(canvas, L"file='bk/grid.png' corner='10,10,10,10' hole='true'", RECT{0, 0, 100, 60}));
    EXPECT_TRUE(ColorNear(canvas.At(2, 2), 0xFF0000));
    EXPECT_TRUE(ColorNear(canvas.At(50, 2), 0xFF00FF));
    EXPECT_EQ(canvas.At(50, 30), 0x123456u);
}

TEST_F(RenderKitTest, TiledMiddleRepeatsWholeTiles) {
    Canvas canvas(100, 30, 0);
    // The middle column of the grid (orange over magenta/cyan edges) tiled across.
    ASSERT_TRUE(Draw(canvas, L"file='img/quad.png' xtiled='true'", RECT{0, 0, 50, 20}));
    EXPECT_TRUE(ColorNear(canvas.At(5, 5), 0x0AC80A));
    EXPECT_TRUE(ColorNear(canvas.At(15, 5), 0xC80A0A));
    EXPECT_TRUE(ColorNear(canvas.At(25, 5), 0x0AC80A));  // second tile
    EXPECT_TRUE(ColorNear(canvas.At(45, 5), 0x0AC80A));  // third tile, cut at 50
    EXPECT_EQ(canvas.At(55, 5), 0u);
}

TEST_F(RenderKitTest, AlphaAndFadeBlendTheSameWithAndWithoutMsimg32) {
    for (bool software : {false, true}) {
        CRenderKit::UseSoftwareBlend(software);
        CUIManager::RemoveAllSharedResources();
        Canvas canvas(20, 20, 0x00000000);
        ASSERT_TRUE(Draw(canvas, L"img/alpha.png", RECT{0, 0, 20, 20}));
        EXPECT_TRUE(ColorNear(canvas.At(10, 10), 0x808080, 2)) << software;

        Canvas faded(20, 20, 0x00FF0000);
        ASSERT_TRUE(Draw(faded, L"file='img/quad.png' source='10,0,20,10' fade='128'", RECT{0, 0, 20, 20}));
        // Half of (200,10,10) over half of red.
        EXPECT_TRUE(ColorNear(faded.At(10, 10), 0xE30505, 3)) << software << " " << std::hex << faded.At(10, 10);
    }
}

TEST_F(RenderKitTest, MaskAndColourImages) {
    Canvas masked(20, 20, 0x000000FF);
    ASSERT_TRUE(Draw(masked, L"file='img/quad.png' source='0,0,10,10' mask='#FF0AC80A'", RECT{0, 0, 20, 20}));
    EXPECT_EQ(masked.At(10, 10), 0x0000FFu);  // the green is gone, the blue canvas shows

    Canvas color(10, 10, 0);
    ASSERT_TRUE(Draw(color, L"color='#FFFF8000'", RECT{0, 0, 10, 10}));
    EXPECT_TRUE(ColorNear(color.At(5, 5), 0xFF8000));
}

TEST_F(RenderKitTest, AMissingImageDrawsNothingUntilTheTextChanges) {
    Canvas canvas(10, 10, 0x00ABCDEF);
    ImageDescriptor descriptor(L"no/such.png");
    EXPECT_FALSE(CRenderKit::DrawImage(canvas.dc(), &manager, RECT{0, 0, 10, 10}, RECT{0, 0, 10, 10}, descriptor));
    EXPECT_TRUE(descriptor.failed);
    EXPECT_EQ(canvas.At(5, 5), 0xABCDEFu);
    descriptor.SetText(L"img/quad.png");
    EXPECT_TRUE(CRenderKit::DrawImage(canvas.dc(), &manager, RECT{0, 0, 10, 10}, RECT{0, 0, 10, 10}, descriptor));
}

TEST_F(RenderKitTest, ColoursAndGradients) {
    Canvas canvas(32, 32, 0);
    CRenderKit::DrawColor(canvas.dc(), RECT{0, 0, 16, 16}, 0xFF336699);
    CRenderKit::DrawColor(canvas.dc(), RECT{16, 0, 32, 16}, 0x80FFFFFF);
    CRenderKit::DrawColor(canvas.dc(), RECT{0, 16, 16, 32}, 0x00FFFFFF);  // no alpha: nothing
    CRenderKit::DrawGradient(canvas.dc(), RECT{16, 16, 32, 32}, 0xFF000000, 0xFF0000FF, true, 16);
    EXPECT_EQ(canvas.At(8, 8), 0x336699u);
    EXPECT_TRUE(ColorNear(canvas.At(24, 8), 0x808080, 2));
    EXPECT_EQ(canvas.At(8, 24), 0u);
    EXPECT_EQ(canvas.At(24, 16), 0u);
    EXPECT_EQ(canvas.At(24, 31), 0x0000FFu);
}

TEST_F(RenderKitTest, FontsFallBackToTheDefaultAndKeepLongFaceNamesTerminated) {
    const std::wstring longFace(60, L'F');
    ASSERT_NE(manager.AddFont(3, FontRequest{longFace, 14, true, false, false, false}), nullptr);
    FontEntry* font = manager.GetFontInfo(3);
    ASSERT_NE(font, nullptr);
    EXPECT_EQ(font->face, longFace.substr(0, LF_FACESIZE - 1));
    EXPECT_EQ(manager.GetFont(-1), manager.GetFont(42));  // unknown ids mean the default font
    EXPECT_NE(manager.GetFont(3), manager.GetFont(-1));
    manager.SetDefaultFont(FontRequest{L"Tahoma", 20, false, false, false, false});
    EXPECT_EQ(manager.GetFont(42), manager.GetDefaultFontInfo()->font.get());
    EXPECT_EQ(manager.GetDefaultFontInfo()->face, L"Tahoma");
}

}  // namespace
