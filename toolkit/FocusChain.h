#pragma once
// Which control of a window has the keyboard focus, whether the window still has to hand
// it out (after a new tree or a new page), and the Tab order: every visible, enabled
// control, parents before children, of which the Tab stops take the focus in turn.

class CControlUI;

class CFocusChain {
  public:
    [[nodiscard]] CControlUI* Get() const { return focus_; }
    void Set(CControlUI* control) { focus_ = control; }
    // The control is going away.
    void Forget(const CControlUI* control);

    // The focus is handed out on the next paint.
    [[nodiscard]] bool IsNeeded() const { return needed_; }
    void SetNeeded(bool needed) { needed_ = needed; }

    // The Tab stop after (or before) `from` in the tree under `root`, wrapping round; from
    // a control outside the order, the first (or last) stop. Null when there is none.
    [[nodiscard]] static CControlUI* FindTabStop(CControlUI* root, CControlUI* from, bool forward);

  private:
    CControlUI* focus_ = nullptr;
    bool needed_ = false;
};
