#pragma once
// The hover fade of a button: an alpha that runs down towards 0 while the control is hot
// and back up to 255 after, `delta` a step. A delta of 0 means no fade.

class CHoverFade {
  public:
    // Kept within 0..255.
    void SetDelta(int delta);
    [[nodiscard]] bool IsOn() const { return delta_ > 0; }
    [[nodiscard]] int GetAlpha() const { return alpha_; }
    // One step towards the end for `hot`; true when the end is reached (the caller stops
    // its timer then). Without a delta it goes straight to the end.
    bool Step(bool hot);

  private:
    int delta_ = 0;
    int alpha_ = 255;
};
