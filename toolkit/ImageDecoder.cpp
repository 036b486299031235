#include "toolkit/ImageDecoder.h"

#include <climits>
#include <cstdlib>

#define STB_IMAGE_IMPLEMENTATION
#define STBI_NO_STDIO
#define STBI_ONLY_PNG
#define STBI_ONLY_JPEG
#define STBI_ONLY_BMP
#define STBI_ONLY_GIF
#define STBI_MAX_DIMENSIONS 8192
#include <stb_image.h>

bool DecodeImage(const uint8_t* data, size_t size, DecodedImage& image) {
    image = DecodedImage();
    if (data == nullptr || size == 0 || size > static_cast<size_t>(INT_MAX)) {
        return false;
    }
    int width = 0;
    int height = 0;
    int channels = 0;
    stbi_uc* pixels = stbi_load_from_memory(data, static_cast<int>(size), &width, &height, &channels, 4);
    if (pixels == nullptr) {
        return false;
    }
    if (width <= 0 || height <= 0 || width > kMaxImageSide || height > kMaxImageSide) {
        stbi_image_free(pixels);
        return false;
    }
    image.width = width;
    image.height = height;
    image.rgba.assign(pixels, pixels + static_cast<size_t>(width) * static_cast<size_t>(height) * 4);
    stbi_image_free(pixels);
    return true;
}

bool ConvertToPremultiplied(const DecodedImage& image, uint32_t mask, uint32_t* pixels) {
    bool hasAlpha = false;
    const size_t count = static_cast<size_t>(image.width) * static_cast<size_t>(image.height);
    for (size_t i = 0; i < count; ++i) {
        const uint8_t* p = &image.rgba[i * 4];
        const uint32_t a = p[3];
        uint32_t r = p[0];
        uint32_t g = p[1];
        uint32_t b = p[2];
        if (a != 255) {
            r = r * a / 255;
            g = g * a / 255;
            b = b * a / 255;
            hasAlpha = true;
        }
        uint32_t value = (a << 24) | (r << 16) | (g << 8) | b;
        if (mask != 0 && value == mask) {
            value = 0;
            hasAlpha = true;
        }
        pixels[i] = value;
    }
    return hasAlpha;
}
