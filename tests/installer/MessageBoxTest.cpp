#include <gtest/gtest.h>

#include <windows.h>

#include <functional>
#include <string>

#include "MainWndTestSupport.h"
#include "WindowDriver.h"
#include "core/Endpoints.h"
#include "installer/MessageBoxExWnd.h"
#include "toolkit/ButtonUI.h"

namespace {

// What a scripted user does once the box is up; runs inside the box's modal loop.
std::function<void(HWND box, CMessageBoxExWnd& wnd)> g_script;

void CALLBACK RunScript(HWND, UINT, UINT_PTR timer, DWORD) {
    HWND box = WindowDriver::FindThreadWindow(L"CMessageBoxExWnd");
    if (box == nullptr) {
        return;
    }
    ::KillTimer(nullptr, timer);
    auto* wnd = dynamic_cast<CMessageBoxExWnd*>(reinterpret_cast<CWindowWnd*>(::GetWindowLongPtrW(box, GWLP_USERDATA)));
    if (wnd != nullptr && g_script) {
        // Let the first layout happen before looking at the controls.
        WindowDriver::Pump(100);
        g_script(box, *wnd);
    }
}

class MessageBoxTest : public ::testing::Test {
  protected:
    void SetUp() override {
        WindowDriver::UseProductSkin();
        SetShellActions(&shell);
        owner = ::CreateWindowExW(0, L"STATIC", L"owner", WS_POPUP | WS_VISIBLE, 100, 100, 800, 430, nullptr, nullptr,
                                  nullptr, nullptr);
    }
    void TearDown() override {
        SetShellActions(nullptr);
        ::DestroyWindow(owner);
        g_script = nullptr;
    }

    UINT Show(int buttons, const std::wstring& cancelText, std::function<void(HWND, CMessageBoxExWnd&)> script) {
        g_script = std::move(script);
        ::SetTimer(nullptr, 0, 50, RunScript);
        MessageBoxRequest request;
        request.title = L"安装提示";
        request.text = L"安装尚未完成，确定退出吗";
        request.buttons = buttons;
        request.okText = L"确定";
        request.cancelText = cancelText;
        return ShowMessageBoxEx(owner, request);
    }

    HWND owner = nullptr;
    RecordingShell shell;
};

TEST_F(MessageBoxTest, TwoButtonsAnswerOneAndZero) {
    RECT okPos{}, cancelPos{}, boxRect{}, ownerRect{};
    const UINT ok = Show(2, L"取消", [&](HWND box, CMessageBoxExWnd& wnd) {
        CControlUI* okBtn = wnd.Manager().FindControl(L"ok_btn");
        CControlUI* cancelBtn = wnd.Manager().FindControl(L"cancel_btn");
        okPos = okBtn->GetPos();
        cancelPos = cancelBtn->GetPos();
        ::GetWindowRect(box, &boxRect);
        ::GetWindowRect(owner, &ownerRect);
        EXPECT_TRUE(okBtn->IsVisible());
        EXPECT_TRUE(cancelBtn->IsVisible());
        EXPECT_EQ(::GetWindowLongPtrW(box, GWL_EXSTYLE) & WS_EX_TOOLWINDOW, WS_EX_TOOLWINDOW);
        EXPECT_FALSE(::IsWindowEnabled(owner));
        WindowDriver::PostClick(box, wnd.Manager(), L"ok_btn");
    });
    EXPECT_EQ(ok, 1u);
    EXPECT_TRUE(::IsWindowEnabled(owner));
    // Both 110 wide with 20 between them, centred in the 444-wide box, centred on the owner.
    EXPECT_EQ(okPos.right - okPos.left, 110);
    EXPECT_EQ(cancelPos.left - okPos.right, 20);
    EXPECT_NEAR((okPos.left + cancelPos.right) / 2, 222, 1);
    EXPECT_EQ(boxRect.right - boxRect.left, 444);
    EXPECT_NEAR((boxRect.left + boxRect.right) / 2, (ownerRect.left + ownerRect.right) / 2, 1);

    EXPECT_EQ(Show(2, L"取消",
                   [](HWND box, CMessageBoxExWnd& wnd) { WindowDriver::PostClick(box, wnd.Manager(), L"cancel_btn"); }),
              0u);
    EXPECT_EQ(Show(2, L"取消",
                   [](HWND box, CMessageBoxExWnd& wnd) { WindowDriver::PostClick(box, wnd.Manager(), L"close_btn"); }),
              0u);
    EXPECT_TRUE(shell.links.empty()) << "a plain cancel button opens nothing";
}

TEST_F(MessageBoxTest, OneButtonSitsLeftOfTheCentre) {
    RECT okPos{};
    bool cancelVisible = true;
    const UINT result = Show(1, L"取消", [&](HWND box, CMessageBoxExWnd& wnd) {
        okPos = wnd.Manager().FindControl(L"ok_btn")->GetPos();
        cancelVisible = wnd.Manager().FindControl(L"cancel_btn")->IsVisible();
        ::PostMessageW(box, WM_SYSCOMMAND, SC_CLOSE, 0);  // Alt+F4
    });
    EXPECT_EQ(result, 0u);
    EXPECT_FALSE(cancelVisible);
    EXPECT_NEAR((okPos.left + okPos.right) / 2, 222 - 10, 1);
}

TEST_F(MessageBoxTest, HomePageButtonOpensTheVendorSite) {
    for (const wchar_t* label : {L"打开官网", L"開啟官網"}) {
        shell.links.clear();
        EXPECT_EQ(
            Show(2, label,
                 [](HWND box, CMessageBoxExWnd& wnd) { WindowDriver::PostClick(box, wnd.Manager(), L"cancel_btn"); }),
            0u);
        // A link, opened the unelevated way: never a program start with the installer's rights.
        ASSERT_EQ(shell.links.size(), 1u) << label;
        EXPECT_EQ(shell.links[0].file, VendorHomeUrl());
        EXPECT_EQ(shell.links[0].showCommand, SW_SHOW);
        EXPECT_TRUE(shell.started.empty());
    }
}

TEST_F(MessageBoxTest, DoubleClickOnTheTopNeitherMaximisesNorCloses) {
    bool zoomed = true;
    const UINT result = Show(2, L"取消", [&](HWND box, CMessageBoxExWnd& wnd) {
        RECT r{};
        ::GetWindowRect(box, &r);
        // With a maximise box the system would maximise on this double click: the box must
        // refuse it itself, not only by lacking the style.
        ::SetWindowLongPtrW(box, GWL_STYLE, ::GetWindowLongPtrW(box, GWL_STYLE) | WS_MAXIMIZEBOX);
        ::SendMessageW(box, WM_NCLBUTTONDBLCLK, HTCAPTION, MAKELPARAM(r.left + 100, r.top + 20));
        WindowDriver::Pump(50);
        zoomed = ::IsZoomed(box) != FALSE;
        // The top row drags except on the close button.
        EXPECT_EQ(::SendMessageW(box, WM_NCHITTEST, 0, MAKELPARAM(r.left + 100, r.top + 20)), HTCAPTION);
        POINT close = WindowDriver::CenterOf(wnd.Manager().FindControl(L"close_btn"));
        ::ClientToScreen(box, &close);
        EXPECT_EQ(::SendMessageW(box, WM_NCHITTEST, 0, MAKELPARAM(close.x, close.y)), HTCLIENT);
        WindowDriver::PostClick(box, wnd.Manager(), L"ok_btn");
    });
    EXPECT_FALSE(zoomed);
    EXPECT_EQ(result, 1u);
}

}  // namespace
