#include <gtest/gtest.h>

#include <windows.h>

#include <string>
#include <thread>

#include "MainWndTestSupport.h"
#include "WindowDriver.h"
#include "core/Endpoints.h"
#include "engine/InstallDirRules.h"
#include "engine/InstallFolders.h"
#include "system/UninstallRegistration.h"
#include "toolkit/ButtonUI.h"
#include "toolkit/ComboUI.h"
#include "toolkit/EditUI.h"
#include "toolkit/LabelUI.h"
#include "toolkit/OptionUI.h"
#include "toolkit/ProgressUI.h"
#include "util/ProcessUtil.h"

namespace {

using WindowDriver::PumpUntil;

std::wstring DefaultDir() {
    return SystemDefaultInstallDir();
}

class MainWndTest : public ::testing::Test {
  protected:
    void SetUp() override { ::RegDeleteKeyExW(HKEY_LOCAL_MACHINE, kUninstallKey, KEY_WOW64_32KEY, 0); }
    void TearDown() override { ::RegDeleteKeyExW(HKEY_LOCAL_MACHINE, kUninstallKey, KEY_WOW64_32KEY, 0); }

    void Open() { ASSERT_TRUE(h.Open()); }
    void Accept() {
        h.Click(L"agree_opt");
        ASSERT_TRUE(h.Find<COptionUI>(L"agree_opt")->IsSelected());
    }

    MainWndHarness h;
};

TEST_F(MainWndTest, PagesAndSizesFollowTheButtons) {
    Open();
    auto* space = h.Find<CControlUI>(L"space_line_lab");
    auto* root = h.Find<CControlUI>(L"win_vert_layout");
    ASSERT_NE(space, nullptr);
    EXPECT_EQ(h.Page(), kPageMain);
    EXPECT_EQ(h.ClientSize().cx, 800);
    EXPECT_EQ(h.ClientSize().cy, 430);
    EXPECT_FALSE(space->IsVisible());

    h.Click(L"self_install_btn");
    EXPECT_EQ(h.Page(), kPageCustom);
    EXPECT_EQ(h.ClientSize().cy, 550);
    EXPECT_TRUE(space->IsVisible());
    EXPECT_EQ(root->GetBkImage(), L"file='bkimage/main_bk.png' source='0,0,800,550'");

    h.Click(L"return_btn");
    EXPECT_EQ(h.Page(), kPageMain);
    EXPECT_EQ(h.ClientSize().cy, 430);
    EXPECT_FALSE(space->IsVisible());
    EXPECT_EQ(root->GetBkImage(), L"file='bkimage/main_bk.png' source='0,0,800,430'");
}

TEST_F(MainWndTest, AgreementGatesBothInstallButtons) {
    Open();
    auto* agree = h.Find<COptionUI>(L"agree_opt");
    auto* agree1 = h.Find<COptionUI>(L"agree_opt1");
    auto* install = h.Find<CButtonUI>(L"immediate_install_btn");
    auto* install1 = h.Find<CButtonUI>(L"immediate_install_btn1");
    ASSERT_FALSE(agree->IsSelected());
    EXPECT_FALSE(install->IsEnabled());

    // A click on a disabled install button starts nothing.
    h.Click(L"immediate_install_btn");
    EXPECT_TRUE(h.record.workerDirs.empty());

    h.Click(L"agree_opt");
    EXPECT_TRUE(agree1->IsSelected());
    for (CButtonUI* button : {install, install1}) {
        EXPECT_TRUE(button->IsEnabled()) << button->GetName();
        EXPECT_EQ(button->GetToolTip(), L"") << button->GetName();
    }

    h.Click(L"self_install_btn");
    h.Click(L"agree_opt1");
    EXPECT_FALSE(agree->IsSelected());
    for (CButtonUI* button : {install, install1}) {
        EXPECT_FALSE(button->IsEnabled()) << button->GetName();
        EXPECT_EQ(button->GetToolTip(), L"需同意《Varlo服务协议与隐私政策》") << button->GetName();
    }
}

TEST_F(MainWndTest, InstallButtonShowsProgressAndStartsOneWorker) {
    Open();
    Accept();
    h.Click(L"self_install_btn");
    h.Click(L"immediate_install_btn1");
    ASSERT_EQ(h.record.workerDirs.size(), 1u);
    EXPECT_EQ(h.record.workerDirs[0], DefaultDir());
    EXPECT_EQ(h.Page(), kPageProgress);
    EXPECT_EQ(h.ClientSize().cy, 430);
    EXPECT_FALSE(h.Find<CControlUI>(L"lang_select_combo")->IsVisible());

    // One install per process: neither the button nor Enter starts another.
    h.Click(L"immediate_install_btn1");
    ::PostMessageW(h.hwnd(), WM_KEYDOWN, VK_RETURN, 0);
    WindowDriver::Pump(50);
    EXPECT_EQ(h.record.workerDirs.size(), 1u);
}

TEST_F(MainWndTest, EnterStartsOnlyWithTheAgreementAndOnlyOnce) {
    Open();
    ::PostMessageW(h.hwnd(), WM_KEYDOWN, VK_RETURN, 0);
    WindowDriver::Pump(50);
    EXPECT_TRUE(h.record.workerDirs.empty());

    Accept();
    ::PostMessageW(h.hwnd(), WM_KEYDOWN, VK_RETURN, 0);
    WindowDriver::Pump(50);
    ASSERT_EQ(h.record.workerDirs.size(), 1u);
    // The Enter start leaves the page, the size and the language choice alone.
    EXPECT_EQ(h.Page(), kPageMain);
    EXPECT_TRUE(h.Find<CControlUI>(L"lang_select_combo")->IsVisible());

    ::PostMessageW(h.hwnd(), WM_KEYDOWN, VK_RETURN, 0);
    WindowDriver::Pump(50);
    EXPECT_EQ(h.record.workerDirs.size(), 1u);
}

TEST_F(MainWndTest, CloseAsksExceptOnTheFinishedPage) {
    Open();
    h.record.answers = {kMessageBoxCancel};
    h.Click(L"close_btn");
    ASSERT_EQ(h.record.boxes.size(), 1u);
    EXPECT_EQ(h.record.boxes[0].text, L"安装尚未完成，确定退出吗");
    EXPECT_EQ(h.record.boxes[0].okText, L"确定");
    EXPECT_EQ(h.record.boxes[0].cancelText, L"取消");
    EXPECT_EQ(h.record.boxes[0].width, 444);
    EXPECT_EQ(h.record.boxes[0].height, 266);
    EXPECT_TRUE(h.record.exits.empty());
    EXPECT_TRUE(::IsWindowVisible(h.hwnd()));

    h.record.answers = {kMessageBoxOk};
    h.Click(L"close_btn");
    EXPECT_EQ(h.record.boxes.size(), 2u);
    ASSERT_EQ(h.record.exits.size(), 1u);
    EXPECT_EQ(h.record.exits[0], 0u);
}

TEST_F(MainWndTest, CloseOnTheFinishedPageEndsWithoutAQuestion) {
    Open();
    ::PostMessageW(h.hwnd(), UM_FINISHED, 0, 0);
    ASSERT_TRUE(PumpUntil([&] { return h.Page() == kPageFinished; }));
    h.Click(L"close_btn");
    EXPECT_TRUE(h.record.boxes.empty());
    ASSERT_EQ(h.record.exits.size(), 1u);
}

TEST_F(MainWndTest, StartButtonRunsTheInstalledClientAndEnds) {
    Open();
    h.window->OnEnd({InstallOutcome::Installed, L"D:\\Games\\varlo", L""});
    ASSERT_TRUE(PumpUntil([&] { return h.window->GetResult().has_value(); }));
    ::PostMessageW(h.hwnd(), UM_FINISHED, 0, 0);
    ASSERT_TRUE(PumpUntil([&] { return h.Page() == kPageFinished; }));
    h.Click(L"immediate_startup_btn");
    ASSERT_EQ(h.shell.started.size(), 1u);
    EXPECT_EQ(h.shell.started[0].file, L"D:\\Games\\varlo\\vljiasu.exe");
    EXPECT_EQ(h.shell.started[0].parameters, L"-install");
    EXPECT_EQ(h.shell.started[0].workDir, L"D:\\Games\\varlo");
    EXPECT_TRUE(h.shell.links.empty());
    ASSERT_EQ(h.record.exits.size(), 1u);
}

TEST_F(MainWndTest, AgreementLinkOpensAsALinkNotAProgram) {
    Open();
    h.Click(L"show_policy_btn");
    ASSERT_EQ(h.shell.links.size(), 1u);
    EXPECT_EQ(h.shell.links[0].file, AgreementUrl());
    EXPECT_TRUE(h.shell.started.empty());
}

TEST_F(MainWndTest, AltF4HidesAndKeyMenuIsIgnored) {
    Open();
    ::SendMessageW(h.hwnd(), WM_SYSCOMMAND, SC_CLOSE, 0);
    EXPECT_TRUE(::IsWindow(h.hwnd()));
    EXPECT_FALSE(::IsWindowVisible(h.hwnd()));
    EXPECT_EQ(::SendMessageW(h.hwnd(), WM_SYSCOMMAND, SC_KEYMENU, 0), 0);
    EXPECT_TRUE(h.record.exits.empty());
}

TEST_F(MainWndTest, CloseFromOutsideDuringAnInstallEndsLikeAConfirmedClose) {
    Open();
    Accept();
    h.Click(L"immediate_install_btn");
    ASSERT_EQ(h.record.workerDirs.size(), 1u);
    ::SendMessageW(h.hwnd(), WM_CLOSE, 0, 0);
    ASSERT_EQ(h.record.exits.size(), 1u);
    EXPECT_EQ(h.record.exits[0], 0u);
    EXPECT_FALSE(::IsWindowEnabled(h.hwnd())) << "nothing more is taken from the user on the way out";
}

TEST_F(MainWndTest, TrayMessagesRestoreOnlyOnButtonUp) {
    Open();
    struct Case {
        LPARAM mouse;
        bool shows;
    } cases[] = {{WM_LBUTTONDOWN, false}, {WM_MOUSEMOVE, false}, {WM_LBUTTONUP, true}, {WM_LBUTTONDBLCLK, true}};
    for (const Case& c : cases) {
        ::ShowWindow(h.hwnd(), SW_HIDE);
        EXPECT_EQ(::SendMessageW(h.hwnd(), UM_TRAY, 0, c.mouse), 0);
        EXPECT_EQ(::IsWindowVisible(h.hwnd()) != FALSE, c.shows) << "lParam " << c.mouse;
    }
}

TEST_F(MainWndTest, HitTestDragsOnLabelsAndEmptySpotsButNotOnControls) {
    Open();
    CUIManager& manager = h.window->Manager();
    const RECT caption = manager.GetCaptionRect();
    auto hit = [&](POINT client) {
        POINT screen = client;
        ::ClientToScreen(h.hwnd(), &screen);
        return ::SendMessageW(h.hwnd(), WM_NCHITTEST, 0, MAKELPARAM(screen.x, screen.y));
    };
    for (const wchar_t* name : {L"close_btn", L"min_btn", L"lang_select_combo"}) {
        CControlUI* control = manager.FindControl(name);
        ASSERT_NE(control, nullptr) << name;
        const POINT center = WindowDriver::CenterOf(control);
        ASSERT_LT(center.y, caption.bottom) << name << " should sit in the caption area";
        EXPECT_EQ(hit(center), HTCLIENT) << name;
    }
    // Somewhere in the caption area that is not a button, option or combo drags.
    bool foundDragSpot = false;
    for (int x = 5; x < 795 && !foundDragSpot; x += 10) {
        const POINT point{x, (caption.top + caption.bottom) / 2};
        CControlUI* control = manager.FindControl(point);
        const std::wstring cls = control ? control->GetClass() : L"";
        if (control != nullptr && cls != L"Button" && cls != L"Option" && cls != L"Combo") {
            EXPECT_EQ(hit(point), HTCAPTION) << "x " << x;
            foundDragSpot = true;
        }
    }
    EXPECT_TRUE(foundDragSpot);
    // Below the caption everything is client area.
    EXPECT_EQ(hit(POINT{400, caption.bottom + 5}), HTCLIENT);
}

}  // namespace
