#include "tests/toolkit/TestWindow.h"

#include "tests/toolkit/MessagePump.h"
#include "tests/toolkit/ScreenCapture.h"
#include "tests/toolkit/TestControls.h"
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
    ::UpdateWindow(GetHWND());
    Pump(50);
    return rootBuilt;
}

LRESULT CTestWindow::HandleMessage(UINT message, WPARAM wParam, LPARAM lParam) {
    if (message == WM_CREATE) {
        manager.Init(GetHWND());
        CControlUI* root = nullptr;
        if (!layout_.empty()) {
            CLayoutBuilder builder;
            root = builder.Create(layout_.c_str(), nullptr, nullptr, &manager, nullptr);
        }
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
    Recorded recorded;
    static_cast<NotifyMessage&>(recorded) = msg;
    recorded.senderName = msg.sender != nullptr ? msg.sender->GetName() : L"";
    notifications.push_back(recorded);
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

POINT CTestWindow::Center(const wchar_t* name) {
    CControlUI* control = manager.FindControl(name);
    if (control == nullptr) {
        return POINT{-1, -1};
    }
    const RECT& pos = control->GetPos();
    return POINT{(pos.left + pos.right) / 2, (pos.top + pos.bottom) / 2};
}

void CTestWindow::MouseMove(POINT point) {
    ::SendMessageW(GetHWND(), WM_MOUSEMOVE, 0, MAKELPARAM(point.x, point.y));
}

void CTestWindow::MouseDown(POINT point) {
    ::SendMessageW(GetHWND(), WM_MOUSEMOVE, 0, MAKELPARAM(point.x, point.y));
    ::SendMessageW(GetHWND(), WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(point.x, point.y));
}

void CTestWindow::MouseUp(POINT point) {
    ::SendMessageW(GetHWND(), WM_LBUTTONUP, 0, MAKELPARAM(point.x, point.y));
}

void CTestWindow::Click(const wchar_t* name) {
    const POINT point = Center(name);
    MouseDown(point);
    MouseUp(point);
}

void CTestWindow::Key(UINT key) {
    ::SendMessageW(GetHWND(), WM_KEYDOWN, key, 0);
    ::SendMessageW(GetHWND(), WM_KEYUP, key, 0);
}

size_t CTestWindow::CountNotifications(const std::wstring& type) const {
    return Count(type);
}

size_t CTestWindow::Count(const std::wstring& type, const std::wstring& sender) const {
    size_t count = 0;
    for (const Recorded& r : notifications) {
        if (r.type == type && (sender.empty() || r.senderName == sender)) {
            ++count;
        }
    }
    return count;
}

std::vector<Recorded> CTestWindow::Take(const wchar_t* onlyType) {
    std::vector<Recorded> out;
    for (const Recorded& r : notifications) {
        if (onlyType == nullptr || r.type == onlyType) {
            out.push_back(r);
        }
    }
    notifications.clear();
    return out;
}

RECT CTestWindow::ClientOnScreen() const {
    RECT client{};
    ::GetClientRect(GetHWND(), &client);
    ::MapWindowPoints(GetHWND(), nullptr, reinterpret_cast<POINT*>(&client), 2);
    return client;
}

Shot CTestWindow::Capture(const std::string& bmpPath) {
    ::RedrawWindow(GetHWND(), nullptr, nullptr, RDW_INVALIDATE | RDW_UPDATENOW | RDW_ALLCHILDREN);
    Pump(50);
    return CaptureScreen(ClientOnScreen(), bmpPath);
}

Shot CTestWindow::CaptureScreen(const RECT& screenRect, const std::string& bmpPath) {
    Shot shot;
    CScreenCapture capture;
    if (screenRect.right <= screenRect.left || screenRect.bottom <= screenRect.top || !capture.Take(screenRect)) {
        return shot;
    }
    shot.width = capture.Width();
    shot.height = capture.Height();
    shot.pixels.reserve(static_cast<size_t>(shot.width) * shot.height);
    for (int y = 0; y < shot.height; ++y) {
        for (int x = 0; x < shot.width; ++x) {
            shot.pixels.push_back(capture.At(x, y));
        }
    }
    if (!bmpPath.empty()) {
        (void)capture.SaveBmp(std::wstring(bmpPath.begin(), bmpPath.end()));
    }
    return shot;
}
