#pragma once

class CControlUI;

// The child list of a container, as the builder and callers see it.
class IContainerUI {
  public:
    virtual ~IContainerUI() = default;
    virtual CControlUI* GetItemAt(int index) const = 0;
    virtual int GetItemIndex(CControlUI* control) const = 0;
    virtual bool SetItemIndex(CControlUI* control, int index) = 0;
    virtual bool SetMultiItemIndex(CControlUI* startControl, int count, int newStartIndex) = 0;
    virtual int GetCount() const = 0;
    virtual bool Add(CControlUI* control) = 0;
    virtual bool AddAt(CControlUI* control, int index) = 0;
    virtual bool Remove(CControlUI* control, bool keep = false) = 0;
    virtual bool RemoveAt(int index, bool keep = false) = 0;
    virtual void RemoveAll() = 0;
};
