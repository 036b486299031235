#include "toolkit/HoverFade.h"

void CHoverFade::SetDelta(int delta) {
    delta_ = delta < 0 ? 0 : (delta > 255 ? 255 : delta);
}

bool CHoverFade::Step(bool hot) {
    if (delta_ <= 0) {
        alpha_ = hot ? 0 : 255;
        return true;
    }
    if (hot) {
        alpha_ -= delta_;
        if (alpha_ <= 0) {
            alpha_ = 0;
            return true;
        }
    } else {
        alpha_ += delta_;
        if (alpha_ >= 255) {
            alpha_ = 255;
            return true;
        }
    }
    return false;
}
