#pragma once
// Skin images (PNG, JPEG, BMP, the first frame of a GIF) decoded to 8-bit RGBA, and the
// conversion to the premultiplied BGRA that GDI's alpha blending expects.

#include <cstddef>
#include <cstdint>
#include <vector>

struct DecodedImage {
    int width = 0;
    int height = 0;
    std::vector<uint8_t> rgba;  // width * height * 4 bytes, rows top to bottom
};

// Larger pictures are refused: no skin needs them and they would only cost memory.
constexpr int kMaxImageSide = 8192;

[[nodiscard]] bool DecodeImage(const uint8_t* data, size_t size, DecodedImage& image);

// Writes width * height pixels as 0xAARRGGBB, colour premultiplied by alpha. Pixels equal
// to `mask` (when it is not 0) become fully transparent. Returns whether any pixel is
// not fully opaque.
[[nodiscard]] bool ConvertToPremultiplied(const DecodedImage& image, uint32_t mask, uint32_t* pixels);
