#pragma once
// What the control base needs of the window it sits in: repainting and layout, the focus,
// notifications, mouse-leave deferral and the bookkeeping of names and roles, besides the
// window's images and fonts. The manager provides it; the control base sees nothing else
// of the manager, and the controls above reach the whole manager through GetManager().

#include "toolkit/IResourceLookup.h"

#include <windows.h>

#include <string>

class CControlUI;
class CUIManager;

class IControlHost : public IResourceLookup {
  public:
    virtual void Invalidate(RECT& rect) = 0;
    virtual void NeedUpdate() = 0;
    [[nodiscard]] virtual CControlUI* GetFocus() const = 0;
    // No default arguments here: the manager's own declarations carry them, and a second
    // set could drift apart from those.
    virtual void SetFocus(CControlUI* control, bool focusWindow) = 0;
    virtual void SendNotify(CControlUI* control,
                            const std::wstring& type,
                            WPARAM wParam,
                            LPARAM lParam,
                            bool async,
                            bool allowRepeats) = 0;
    virtual bool AddMouseLeaveNeeded(CControlUI* control) = 0;
    virtual bool RemoveMouseLeaveNeeded(CControlUI* control) = 0;
    // Keeps the name table right after a control's name changed.
    virtual void RenameControl(CControlUI* control, const std::wstring& oldName) = 0;
    // Forgets every role and record of a control that is going away.
    virtual void ReapObjects(CControlUI* control) = 0;
    virtual void UsedVirtualWnd(bool used) = 0;

  protected:
    IControlHost() = default;
    ~IControlHost() = default;
    IControlHost(const IControlHost&) = default;
    IControlHost& operator=(const IControlHost&) = default;
};

// The host a manager is to its controls (null for null); defined with the manager, since
// only there is the manager's class complete.
IControlHost* ControlHostOf(CUIManager* manager);
