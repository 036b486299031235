#include "toolkit/PressTracker.h"

void CPressTracker::Set(uint32_t bits, bool on) {
    if (on) {
        state_ |= bits;
    } else {
        state_ &= ~bits;
    }
}

bool CPressTracker::Press(bool inside, bool enabled) {
    if (!inside || !enabled) {
        return false;
    }
    state_ |= kPushed | kCaptured;
    return true;
}

bool CPressTracker::Drag(bool inside) {
    if (!Has(kCaptured)) {
        return false;
    }
    Set(kPushed, inside);
    return true;
}

bool CPressTracker::Release(bool inside, bool enabled) {
    const bool click = Has(kCaptured) && inside && enabled;
    state_ &= ~(kPushed | kCaptured);
    return click;
}

void CPressTracker::Enter(bool enabled) {
    if (enabled) {
        state_ |= kHot;
    }
}

void CPressTracker::Leave(bool enabled) {
    if (enabled) {
        state_ &= ~kHot;
    }
}
