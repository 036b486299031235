#pragma once

class CContainerUI;

// What a container needs of its scroll bars. The scroll bar control answers
// GetInterface(L"IScrollBar") with this part of itself.
class IScrollBarUI {
  public:
    virtual ~IScrollBarUI() = default;
    virtual void SetOwner(CContainerUI* owner) = 0;
    virtual void SetHorizontal(bool horizontal) = 0;
    virtual int GetScrollRange() const = 0;
    virtual void SetScrollRange(int range) = 0;
    virtual int GetScrollPos() const = 0;
    virtual void SetScrollPos(int pos) = 0;
    virtual int GetLineSize() const = 0;
};
