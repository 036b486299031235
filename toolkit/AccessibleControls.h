#pragma once
// What a screen reader learns about the controls of a window: which controls it sees, and
// each one's name, role, state, value and default action, in the terms of the Windows
// accessibility interface. Skin attributes steer it where the class alone cannot:
//   role="link"            a button that reads as a link; role="none" hides a control;
//   labelledby="a,b"       the name is the texts of the named controls, in that order.

#include <windows.h>

#include <string>
#include <vector>

class CControlUI;
class CUIManager;

// Every control under `root` that has a role, in tree order (which is the Tab order),
// hidden ones included. A combo box's items are part of the combo box.
std::vector<CControlUI*> AccessibleControls(CControlUI* root);

// The child id of `control` among them (1 for the first), CHILDID_SELF when not there.
long AccessibleChildId(CControlUI* root, const CControlUI* control);

// ROLE_SYSTEM_* of the control; 0 when a screen reader should not see it.
long AccessibleRole(CControlUI* control);
std::wstring AccessibleName(CControlUI* control);
// STATE_SYSTEM_* bits. `hasKeyboardFocus`: the window (or a child window of it) holds the
// system's keyboard focus, without which no control is focused for a screen reader.
long AccessibleState(CControlUI* control, bool hasKeyboardFocus);
// Empty when the role has no value.
std::wstring AccessibleValue(CControlUI* control);
std::wstring AccessibleDescription(CControlUI* control);
std::wstring AccessibleDefaultAction(CControlUI* control);
// Does what the default action says; false when the control has none.
bool DoAccessibleDefaultAction(CControlUI* control);
