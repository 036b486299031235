#pragma once
// A selectable row of a list owner (a combo box). Controls answer GetInterface(L"IListItem")
// with this part of themselves.

class IListOwnerUI;

class IListItemUI {
  public:
    virtual ~IListItemUI() = default;
    [[nodiscard]] virtual int GetIndex() const = 0;
    virtual void SetIndex(int index) = 0;
    [[nodiscard]] virtual IListOwnerUI* GetOwner() = 0;
    virtual void SetOwner(IListOwnerUI* owner) = 0;
    [[nodiscard]] virtual bool IsSelected() const = 0;
    virtual bool Select(bool selected = true, bool notify = true) = 0;
};
