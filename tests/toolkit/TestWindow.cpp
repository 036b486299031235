#include "TestWindow.h"

#include "MessagePump.h"
#include "TestControls.h"
#include "toolkit/ControlClasses.h"
#include "toolkit/ControlUI.h"
#include "toolkit/LayoutBuilder.h"

CTestWindow::~CTestWindow() {
    if (::IsWindow(GetHWND())) {
        ::DestroyWindow(GetHWND());
    }
}

bool CTestWindow::Open(int x, int y, DWORD exStyle) {
    RegisterControlClasses();
    RegisterTestControls();
    if (Create(nullptr, L"toolkit test", WS_POPUP | WS_CLIPCHILDREN, exStyle, x, y, 10, 10) == nullptr) {
        return false;
    }
    ::ShowWindow(GetHWND(), SW_SHOWNOACTIVATE);
    return true;
}

LRESULT CTestWindow::HandleMessage(UINT message, WPARAM wParam, LPARAM lParam) {
    if (message == WM_CREATE) {
        manager.Init(GetHWND());
        CLayoutBuilder builder;
        CControlUI* root = builder.Create(layout_.c_str(), nullptr, nullptr, &manager, nullptr);
        rootBuilt = root != nullptr;
        if (root != nullptr) {
            manager.AttachRoot(root);
        }
        manager.AddNotifier(this);
        return 0;
    }
    LRESULT result = 0;
    if (manager.MessageHandler(message, wParam, lParam, result)) {
        return result;
    }
    return CWindowWnd::HandleMessage(message, wParam, lParam);
}

void CTestWindow::Notify(NotifyMessage& msg) {
    notifications.push_back(msg);
    if (msg.type == L"windowinit") {
        for (const wchar_t* name : {L"root", L"grid", L"quad", L"caption", L"btn"}) {
            CControlUI* control = manager.FindControl(name);
            positionsAtInit.push_back(control ? control->GetPos() : RECT{-1, -1, -1, -1});
        }
    }
}

bool CTestWindow::PumpUntil(const std::function<bool()>& done, DWORD timeoutMs) {
    return PumpMessagesUntil(done, timeoutMs);
}

void CTestWindow::Pump(DWORD ms) {
    PumpMessages(ms);
}

size_t CTestWindow::CountNotifications(const std::wstring& type) const {
    size_t count = 0;
    for (const NotifyMessage& msg : notifications) {
        if (msg.type == type) {
            ++count;
        }
    }
    return count;
}
