#include "toolkit/GifFrames.h"

#include <utility>

void CGifFrames::Reset(uint32_t frameCount, std::vector<uint32_t> delays) {
    frameCount_ = frameCount;
    delays_ = std::move(delays);
    current_ = 0;
}

uint32_t CGifFrames::GetIntervalMs() const {
    // A property with fewer delays than frames: the missing ones count as 0.
    const uint32_t delay = current_ < delays_.size() ? delays_[current_] : 0;
    if (delay == 0) {
        return kZeroDelayMs;
    }
    // Hundredths of a second; a huge value must not wrap into a short interval.
    return delay > UINT32_MAX / 10 ? UINT32_MAX : delay * 10;
}

void CGifFrames::Advance() {
    if (frameCount_ == 0) {
        return;
    }
    current_ = (current_ + 1) % frameCount_;
}
