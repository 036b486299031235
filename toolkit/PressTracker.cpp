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
    state_ |= UIState::Pushed | UIState::Captured;
    return true;
}

bool CPressTracker::Drag(bool inside) {
    if (!Has(UIState::Captured)) {
        return false;
    }
    Set(UIState::Pushed, inside);
    return true;
}

bool CPressTracker::Release(bool inside, bool enabled) {
    const bool click = Has(UIState::Captured) && inside && enabled;
    state_ &= ~(UIState::Pushed | UIState::Captured);
    return click;
}

void CPressTracker::Enter(bool enabled) {
    if (enabled) {
        state_ |= UIState::Hot;
    }
}

void CPressTracker::Leave(bool enabled) {
    if (enabled) {
        state_ &= ~UIState::Hot;
    }
}
