#include "ControlsTestWindow.h"

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
    const DWORD start = ::GetTickCount();
    do {
        MSG msg;
        while (::PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE)) {
            if (!CUIManager::TranslateMessage(&msg)) {
                ::TranslateMessage(&msg);
                ::DispatchMessageW(&msg);
            }
        }
        if (ms > 0) {
            ::Sleep(5);
        }
    } while (::GetTickCount() - start < ms);
}

bool CControlsTestWindow::PumpUntil(const std::function<bool()>& done, DWORD timeoutMs) {
    const DWORD start = ::GetTickCount();
    while (!done()) {
        if (::GetTickCount() - start > timeoutMs) {
            return false;
        }
        Pump(10);
    }
    return true;
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
    shot.width = screenRect.right - screenRect.left;
    shot.height = screenRect.bottom - screenRect.top;
    if (shot.width <= 0 || shot.height <= 0) {
        return shot;
    }
    shot.pixels.resize(static_cast<size_t>(shot.width) * shot.height);
    // The screen, not the window: native child windows and pop-ups show as the user sees them.
    HDC screen = ::GetDC(nullptr);
    UniqueMemoryDc memory(::CreateCompatibleDC(screen));
    BITMAPINFO info{};
    info.bmiHeader.biSize = sizeof(info.bmiHeader);
    info.bmiHeader.biWidth = shot.width;
    info.bmiHeader.biHeight = -shot.height;
    info.bmiHeader.biPlanes = 1;
    info.bmiHeader.biBitCount = 32;
    void* bits = nullptr;
    UniqueBitmap bitmap(::CreateDIBSection(screen, &info, DIB_RGB_COLORS, &bits, nullptr, 0));
    if (bitmap && bits != nullptr) {
        ScopedSelectObject select(memory.get(), bitmap.get());
        ::BitBlt(memory.get(), 0, 0, shot.width, shot.height, screen, screenRect.left, screenRect.top, SRCCOPY);
        ::GdiFlush();
        const auto* source = static_cast<const uint32_t*>(bits);
        for (size_t i = 0; i < shot.pixels.size(); ++i) {
            shot.pixels[i] = source[i] & 0x00FFFFFF;
        }
    }
    ::ReleaseDC(nullptr, screen);
    if (!bmpPath.empty()) {
        FILE* file = std::fopen(bmpPath.c_str(), "wb");
        if (file != nullptr) {
            BITMAPFILEHEADER header{};
            header.bfType = 0x4D42;
            header.bfOffBits = sizeof(BITMAPFILEHEADER) + sizeof(BITMAPINFOHEADER);
            header.bfSize = header.bfOffBits + static_cast<DWORD>(shot.pixels.size() * 4);
            std::fwrite(&header, sizeof(header), 1, file);
            std::fwrite(&info.bmiHeader, sizeof(info.bmiHeader), 1, file);
            std::fwrite(shot.pixels.data(), 4, shot.pixels.size(), file);
            std::fclose(file);
        }
    }
    return shot;
}
