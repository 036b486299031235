#pragma once
// The hover / press / capture rules that buttons, edits and combo boxes share, kept apart
// from any window so they can be driven (and tested) with plain booleans. The state is
// made of the control state bits (UIState).

#include "toolkit/ControlState.h"

#include <cstdint>

class CPressTracker {
  public:
    [[nodiscard]] uint32_t GetState() const { return state_; }
    void SetState(uint32_t state) { state_ = state; }
    [[nodiscard]] bool Has(uint32_t bits) const { return (state_ & bits) != 0; }
    void Set(uint32_t bits, bool on);

    // A press inside an enabled control pushes it and captures the mouse. False when the
    // press is ignored.
    bool Press(bool inside, bool enabled);
    // While captured the pushed look follows the pointer: out of the control it pops up,
    // back in it is pushed again. False when not captured (nothing to do).
    bool Drag(bool inside);
    // Ends the capture. True when the release completes a click: it was captured, the
    // pointer is inside and the control is enabled.
    [[nodiscard]] bool Release(bool inside, bool enabled);
    // Hot follows the pointer only while the control is enabled.
    void Enter(bool enabled);
    void Leave(bool enabled);
    // A disabled control forgets every state.
    void Clear() { state_ = 0; }

  private:
    uint32_t state_ = 0;
};
