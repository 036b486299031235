#pragma once
// Smooth resizing of decoded RGBA pictures, for drawing a picture made for one screen
// scale at another. A tent filter whose reach widens with the reduction, so shrinking
// averages every source pixel it covers (no dropped lines) and growing interpolates.
// Colour is weighted by alpha, so transparent pixels never bleed their colour into edges.

#include "toolkit/ImageDecoder.h"

// `out` gets `width` x `height` pixels; false (and `out` untouched) for an empty input or
// target, or a target past kMaxImageSide.
[[nodiscard]] bool ResampleImage(const DecodedImage& in, int width, int height, DecodedImage& out);
