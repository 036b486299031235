#include "toolkit/ImageResample.h"

#include <algorithm>
#include <cmath>
#include <utility>
#include <vector>
#include <cstddef>

namespace {

// The source pixels that make up one target pixel along one axis, with their weights
// (summing to 1).
struct Taps {
    int first = 0;
    std::vector<float> weights;
};

std::vector<Taps> MakeTaps(int from, int to) {
    const double ratio = static_cast<double>(from) / to;
    const double reach = std::max(1.0, ratio);  // in source pixels, each side of the centre
    std::vector<Taps> taps(static_cast<size_t>(to));
    for (int i = 0; i < to; ++i) {
        const double centre = (i + 0.5) * ratio;
        const int first = std::max(0, static_cast<int>(std::floor(centre - reach)));
        const int last = std::min(from - 1, static_cast<int>(std::ceil(centre + reach)));
        Taps& t = taps[static_cast<size_t>(i)];
        t.first = first;
        double total = 0;
        for (int s = first; s <= last; ++s) {
            const double distance = std::fabs((s + 0.5 - centre) / reach);
            const double w = distance < 1.0 ? 1.0 - distance : 0.0;
            t.weights.push_back(static_cast<float>(w));
            total += w;
        }
        if (total <= 0) {  // cannot happen for a centre inside the picture; kept safe anyway
            t.weights.assign(1, 1.0F);
            t.first = std::min(from - 1, std::max(0, static_cast<int>(centre)));
            continue;
        }
        for (float& w : t.weights) {
            w = static_cast<float>(w / total);
        }
    }
    return taps;
}

uint8_t ToByte(float value) {
    return static_cast<uint8_t>(std::lround(std::min(255.0F, std::max(0.0F, value))));
}

}  // namespace

bool ResampleImage(const DecodedImage& in, int width, int height, DecodedImage& out) {
    if (in.width <= 0 || in.height <= 0 || width <= 0 || height <= 0 || width > kMaxImageSide ||
        height > kMaxImageSide || in.rgba.size() < static_cast<size_t>(in.width) * static_cast<size_t>(in.height) * 4) {
        return false;
    }
    // Premultiplied floats, so the two passes average colour by coverage.
    const size_t inCount = static_cast<size_t>(in.width) * static_cast<size_t>(in.height);
    std::vector<float> source(inCount * 4);
    for (size_t i = 0; i < inCount; ++i) {
        const float a = in.rgba[i * 4 + 3] / 255.0F;
        for (int c = 0; c < 3; ++c) {
            source[i * 4 + c] = in.rgba[i * 4 + c] * a;
        }
        source[i * 4 + 3] = in.rgba[i * 4 + 3];
    }
    // Rows first, then columns.
    const std::vector<Taps> across = MakeTaps(in.width, width);
    std::vector<float> rows(static_cast<size_t>(width) * static_cast<size_t>(in.height) * 4, 0.0F);
    for (int y = 0; y < in.height; ++y) {
        for (int x = 0; x < width; ++x) {
            const Taps& t = across[static_cast<size_t>(x)];
            float* target = &rows[(static_cast<size_t>(y) * width + x) * 4];
            for (size_t k = 0; k < t.weights.size(); ++k) {
                const float* p = &source[(static_cast<size_t>(y) * in.width + t.first + k) * 4];
                for (int c = 0; c < 4; ++c) {
                    target[c] += p[c] * t.weights[k];
                }
            }
        }
    }
    const std::vector<Taps> down = MakeTaps(in.height, height);
    DecodedImage result;
    result.width = width;
    result.height = height;
    result.rgba.resize(static_cast<size_t>(width) * static_cast<size_t>(height) * 4);
    for (int y = 0; y < height; ++y) {
        const Taps& t = down[static_cast<size_t>(y)];
        for (int x = 0; x < width; ++x) {
            float sum[4] = {0, 0, 0, 0};
            for (size_t k = 0; k < t.weights.size(); ++k) {
                const float* p = &rows[((t.first + k) * static_cast<size_t>(width) + x) * 4];
                for (int c = 0; c < 4; ++c) {
                    sum[c] += p[c] * t.weights[k];
                }
            }
            uint8_t* o = &result.rgba[(static_cast<size_t>(y) * width + x) * 4];
            const uint8_t alpha = ToByte(sum[3]);
            o[3] = alpha;
            for (int c = 0; c < 3; ++c) {
                o[c] = alpha == 0 ? 0 : ToByte(sum[c] * 255.0F / sum[3]);
            }
        }
    }
    out = std::move(result);
    return true;
}
