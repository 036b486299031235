#include "ControlsTestWindow.h"

#include "tests/toolkit/MessagePump.h"
#include "tests/toolkit/ScreenCapture.h"
#include "toolkit/ControlClasses.h"
#include "toolkit/ControlUI.h"
#include "toolkit/LayoutBuilder.h"
#include "toolkit/SkinArchive.h"
#include "util/UniqueHandle.h"

#include <cstdio>

CControlsTestWindow::~CControlsTestWindow() {
    if (GetHWND() != nullptr) {
        ::DestroyWindow(GetHWND());
    }
}

std::wstring ControlsSkinFolder() {
    std::wstring out = L"Z:";
    for (const char* p = VARLO_TEST_BINARY_DIR "/tests/toolkit/controls/controls-skin/"; *p != '\0'; ++p) {
        out.push_back(*p == '/' ? L'\\' : static_cast<wchar_t>(static_cast<unsigned char>(*p)));
    }
    return out;
}

void PrepareToolkitForTests() {
    CUIManager::SetInstance(::GetModuleHandleW(nullptr));
    CSkinArchive::Reset();
    CUIManager::SetResourcePath(ControlsSkinFolder());
    RegisterControlClasses();
}

bool CControlsTestWindow::Open(int x, int y) {
    if (Create(nullptr, L"controls", WS_POPUP | WS_CLIPCHILDREN, WS_EX_TOPMOST, x, y, 10, 10) == nullptr) {
        return false;
    }
    ::ShowWindow(GetHWND(), SW_SHOWNOACTIVATE);
    ::UpdateWindow(GetHWND());
    Pump(50);
    return manager.GetRoot() != nullptr;
}

LRESULT CControlsTestWindow::HandleMessage(UINT message, WPARAM wParam, LPARAM lParam) {
    if (message == WM_CREATE) {
        manager.Init(GetHWND());
        CLayoutBuilder builder;
        CControlUI* root = builder.Create(markup_.c_str(), nullptr, nullptr, &manager, nullptr);
        if (root == nullptr) {
            return -1;
        }
        manager.AttachRoot(root);
        manager.AddNotifier(this);
        const SIZE size = manager.GetInitSize();
        ::SetWindowPos(GetHWND(), nullptr, 0, 0, size.cx, size.cy, SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE);
        return 0;
    }
    LRESULT result = 0;
    if (manager.MessageHandler(message, wParam, lParam, result)) {
        return result;
    }
    return CWindowWnd::HandleMessage(message, wParam, lParam);
}

void CControlsTestWindow::Notify(NotifyMessage& msg) {
    notifications.push_back(
        Recorded{msg.type, msg.sender != nullptr ? msg.sender->GetName() : L"", msg.wParam, msg.lParam});
}

void CControlsTestWindow::Pump(DWORD ms) {
    PumpMessages(ms);
}

bool CControlsTestWindow::PumpUntil(const std::function<bool()>& done, DWORD timeoutMs) {
    return PumpMessagesUntil(done, timeoutMs);
}

POINT CControlsTestWindow::Center(const wchar_t* name) {
    CControlUI* control = manager.FindControl(name);
    if (control == nullptr) {
        return POINT{-1, -1};
    }
    const RECT& pos = control->GetPos();
    return POINT{(pos.left + pos.right) / 2, (pos.top + pos.bottom) / 2};
}

void CControlsTestWindow::MouseMove(POINT point) {
    ::SendMessageW(GetHWND(), WM_MOUSEMOVE, 0, MAKELPARAM(point.x, point.y));
}

void CControlsTestWindow::MouseDown(POINT point) {
    ::SendMessageW(GetHWND(), WM_MOUSEMOVE, 0, MAKELPARAM(point.x, point.y));
    ::SendMessageW(GetHWND(), WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(point.x, point.y));
}

void CControlsTestWindow::MouseUp(POINT point) {
    ::SendMessageW(GetHWND(), WM_LBUTTONUP, 0, MAKELPARAM(point.x, point.y));
}

void CControlsTestWindow::Click(const wchar_t* name) {
    const POINT point = Center(name);
    MouseDown(point);
    MouseUp(point);
}

void CControlsTestWindow::Key(UINT key) {
    ::SendMessageW(GetHWND(), WM_KEYDOWN, key, 0);
    ::SendMessageW(GetHWND(), WM_KEYUP, key, 0);
}

std::vector<Recorded> CControlsTestWindow::Take(const wchar_t* onlyType) {
    std::vector<Recorded> out;
    for (const Recorded& r : notifications) {
        if (onlyType == nullptr || r.type == onlyType) {
            out.push_back(r);
        }
    }
    notifications.clear();
    return out;
}

size_t CControlsTestWindow::Count(const std::wstring& type, const std::wstring& sender) const {
    size_t count = 0;
    for (const Recorded& r : notifications) {
        if (r.type == type && (sender.empty() || r.sender == sender)) {
            ++count;
        }
    }
    return count;
}

RECT CControlsTestWindow::ClientOnScreen() const {
    RECT client{};
    ::GetClientRect(GetHWND(), &client);
    ::MapWindowPoints(GetHWND(), nullptr, reinterpret_cast<POINT*>(&client), 2);
    return client;
}

Shot CControlsTestWindow::Capture(const std::string& bmpPath) {
    ::RedrawWindow(GetHWND(), nullptr, nullptr, RDW_INVALIDATE | RDW_UPDATENOW | RDW_ALLCHILDREN);
    Pump(50);
    return CaptureScreen(ClientOnScreen(), bmpPath);
}

Shot CControlsTestWindow::CaptureScreen(const RECT& screenRect, const std::string& bmpPath) {
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
