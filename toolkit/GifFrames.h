#pragma once
// The playing order of an animated GIF: which frame shows and how long it stays.

#include <cstdint>
#include <vector>

class CGifFrames {
  public:
    // A frame delay of 0 (common in GIFs written by careless tools) means 100 ms.
    static constexpr uint32_t kZeroDelayMs = 100;

    // `delays` are the GIF's frame delays in hundredths of a second, one per frame.
    void Reset(uint32_t frameCount, std::vector<uint32_t> delays);
    void Clear() { Reset(0, {}); }

    [[nodiscard]] uint32_t GetFrameCount() const { return frameCount_; }
    [[nodiscard]] uint32_t GetCurrent() const { return current_; }
    void Rewind() { current_ = 0; }
    // Playing needs frame delays; a still picture has nothing to time.
    [[nodiscard]] bool CanPlay() const { return frameCount_ > 0 && !delays_.empty(); }
    // How long the current frame stays, in milliseconds.
    [[nodiscard]] uint32_t GetIntervalMs() const;
    // Moves to the next frame, wrapping to the first.
    void Advance();

  private:
    uint32_t frameCount_ = 0;
    uint32_t current_ = 0;
    std::vector<uint32_t> delays_;
};
