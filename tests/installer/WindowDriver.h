#pragma once
// Drives the installer's windows in a test: the product skin in memory, message pumping,
// and clicks posted at a control's place, so they travel through the window's manager
// exactly as a user's would.

#include <windows.h>

#include <functional>
#include <string>
#include <vector>

class CControlUI;
class CUIManager;

namespace WindowDriver {

// The toolkit with the product's packed skin, as the installer sets it up.
void UseProductSkin();

bool PumpUntil(const std::function<bool()>& done, DWORD timeoutMs = 3000);
void Pump(DWORD ms);

// The centre of a control in client coordinates.
POINT CenterOf(CControlUI* control);
// A left click at the control's centre, then the messages it caused are run.
void Click(HWND window, CUIManager& manager, const wchar_t* name);
void ClickAt(HWND window, POINT client);
// Only posts the click: for a window whose own modal loop must see what it causes.
void PostClick(HWND window, CUIManager& manager, const wchar_t* name);

// The top-level window of `className` owned by this thread, or null.
HWND FindThreadWindow(const wchar_t* className);

}  // namespace WindowDriver
