#include "WindowDriver.h"

#include "tests/toolkit/MessagePump.h"
#include "tests/toolkit/TestPaths.h"
#include "toolkit/ControlClasses.h"
#include "toolkit/ControlUI.h"
#include "toolkit/SkinArchive.h"
#include "toolkit/UIManager.h"

namespace WindowDriver {

void UseProductSkin() {
    CUIManager::SetInstance(::GetModuleHandleW(nullptr));
    RegisterControlClasses();
    // Kept for the whole process, as the installer keeps its resource copy.
    static const std::vector<uint8_t> bytes = TestPaths::ReadBytes(VARLO_TEST_BINARY_DIR "/resources/skin.zip");
    CSkinArchive::Reset();
    CUIManager::SetResourceZip(bytes.data(), bytes.size(), "Tm4RwQ8s");
}

bool PumpUntil(const std::function<bool()>& done, DWORD timeoutMs) {
    return PumpMessagesUntil(done, timeoutMs);
}

void Pump(DWORD ms) {
    PumpMessages(ms);
}

POINT CenterOf(CControlUI* control) {
    const RECT pos = control->GetPos();
    return POINT{(pos.left + pos.right) / 2, (pos.top + pos.bottom) / 2};
}

namespace {

void PostClickAt(HWND window, POINT client) {
    const LPARAM at = MAKELPARAM(client.x, client.y);
    ::PostMessageW(window, WM_MOUSEMOVE, 0, at);
    ::PostMessageW(window, WM_LBUTTONDOWN, MK_LBUTTON, at);
    ::PostMessageW(window, WM_LBUTTONUP, 0, at);
}

}  // namespace

void ClickAt(HWND window, POINT client) {
    PostClickAt(window, client);
    Pump(60);
}

void PostClick(HWND window, CUIManager& manager, const wchar_t* name) {
    if (CControlUI* control = manager.FindControl(name)) {
        PostClickAt(window, CenterOf(control));
    }
}

void Click(HWND window, CUIManager& manager, const wchar_t* name) {
    CControlUI* control = manager.FindControl(name);
    if (control != nullptr) {
        ClickAt(window, CenterOf(control));
    }
}

namespace {

struct WindowSearch {
    const wchar_t* className;
    HWND found;
};

BOOL CALLBACK MatchClass(HWND window, LPARAM param) {
    auto* search = reinterpret_cast<WindowSearch*>(param);
    wchar_t name[128] = {};
    ::GetClassNameW(window, name, 128);
    if (std::wstring(name) == search->className) {
        search->found = window;
        return FALSE;
    }
    return TRUE;
}

}  // namespace

HWND FindThreadWindow(const wchar_t* className) {
    WindowSearch search{className, nullptr};
    ::EnumThreadWindows(::GetCurrentThreadId(), MatchClass, reinterpret_cast<LPARAM>(&search));
    return search.found;
}

}  // namespace WindowDriver
