#include "TestControls.h"
#include "TestPaths.h"
#include "TestWindow.h"
#include "toolkit/ContainerUI.h"
#include "toolkit/SkinArchive.h"
#include "toolkit/TabLayoutUI.h"
#include "toolkit/WindowDpi.h"

#include <gtest/gtest.h>

#include <thread>

namespace {

const wchar_t kLayout[] =
    L"<Window size=\"300,200\">"
    L"<VerticalLayout name=\"root\">"
    L"  <HorizontalLayout name=\"row\" height=\"40\">"
    L"    <TestButton name=\"b1\" width=\"50\"/><TestButton name=\"b2\" width=\"50\" keyboard=\"false\"/>"
    L"    <TestButton name=\"b3\" width=\"50\"/><TestButton name=\"b4\" width=\"50\"/>"
    L"  </HorizontalLayout>"
    L"  <TabLayout name=\"tabs\" height=\"60\"><Control name=\"page0\"/><Control name=\"page1\"/></TabLayout>"
    L"  <Container name=\"box\" float=\"true\" pos=\"100,100,250,190\">"
    L"    <Control name=\"floater\" float=\"true\" pos=\"10,10,60,30\"/>"
    L"  </Container>"
    L"</VerticalLayout></Window>";

class WindowManagerTest : public ::testing::Test {
  protected:
    void SetUp() override {
        ASSERT_TRUE(window.Open(40, 40));
        ASSERT_TRUE(window.rootBuilt);
        ASSERT_TRUE(CTestWindow::PumpUntil([this] { return window.CountNotifications(L"windowinit") > 0; }));
    }

    CTestButtonUI* Button(const wchar_t* name) { return window.Find<CTestButtonUI>(name); }

    static LPARAM At(const RECT& rect, int dx = 0, int dy = 0) {
        return MAKELPARAM((rect.left + rect.right) / 2 + dx, (rect.top + rect.bottom) / 2 + dy);
    }

    LRESULT Send(UINT message, WPARAM wParam, LPARAM lParam) {
        return ::SendMessageW(window.GetHWND(), message, wParam, lParam);
    }

    CTestWindow window{kLayout};
};

TEST_F(WindowManagerTest, WindowInitArrivesOnceAfterTheFirstLayout) {
    const RECT root = window.manager.FindControl(L"root")->GetPos();
    EXPECT_EQ(root.right - root.left, 300);
    EXPECT_EQ(root.bottom - root.top, 200);
    ::InvalidateRect(window.GetHWND(), nullptr, FALSE);
    window.manager.NeedUpdate();
    CTestWindow::Pump(100);
    EXPECT_EQ(window.CountNotifications(L"windowinit"), 1u);
    EXPECT_EQ(window.notifications.front().type, L"windowinit");
    EXPECT_EQ(window.notifications.front().sender, window.manager.GetRoot());
    // The controls were placed when the notification came.
    ASSERT_FALSE(window.positionsAtInit.empty());
    EXPECT_EQ(window.positionsAtInit[0].right, 300);
}

// Whether a release is a click is the button's own rule (its press tracker has its own
// table); the manager's part is to hand the release, with where it happened, to the control
// that took the press, and to let the capture go.
TEST_F(WindowManagerTest, TheReleaseGoesToTheControlThatTookThePress) {
    struct Case {
        const char* name;
        std::vector<std::pair<UINT, int>> moves;  // message, x offset from the button's centre
    };
    const Case cases[] = {
        {"press and release inside", {{WM_LBUTTONDOWN, 0}, {WM_LBUTTONUP, 0}}},
        {"drag out and release outside", {{WM_LBUTTONDOWN, 0}, {WM_MOUSEMOVE, 200}, {WM_LBUTTONUP, 200}}},
        {"out and back in", {{WM_LBUTTONDOWN, 0}, {WM_MOUSEMOVE, 200}, {WM_MOUSEMOVE, 0}, {WM_LBUTTONUP, 0}}},
    };
    CTestButtonUI* button = Button(L"b1");
    ASSERT_NE(button, nullptr);
    const RECT pos = button->GetPos();
    for (const Case& c : cases) {
        button->events.clear();
        for (const auto& move : c.moves) {
            Send(move.first, move.first == WM_LBUTTONDOWN ? MK_LBUTTON : 0, At(pos, move.second));
        }
        ASSERT_FALSE(button->events.empty()) << c.name;
        const UIEvent& release = button->events.back();
        EXPECT_EQ(release.type, UIEventType::ButtonUp) << c.name;
        EXPECT_EQ(release.mouse.x, (pos.left + pos.right) / 2 + c.moves.back().second) << c.name;
        EXPECT_FALSE(window.manager.IsCaptured()) << c.name;
    }
}

TEST_F(WindowManagerTest, HoverSendsEnterAndLeave) {
    CTestButtonUI* b1 = Button(L"b1");
    CTestButtonUI* b3 = Button(L"b3");
    b1->events.clear();
    b3->events.clear();
    Send(WM_MOUSEMOVE, 0, At(b1->GetPos()));
    Send(WM_MOUSEMOVE, 0, At(b3->GetPos()));
    ASSERT_GE(b1->events.size(), 2u);
    EXPECT_EQ(b1->events[0].type, UIEventType::MouseEnter);
    bool left = false;
    for (const UIEvent& event : b1->events) {
        left = left || event.type == UIEventType::MouseLeave;
    }
    EXPECT_TRUE(left);
    ASSERT_FALSE(b3->events.empty());
    EXPECT_EQ(b3->events[0].type, UIEventType::MouseEnter);
}

TEST_F(WindowManagerTest, ClosingWhilePressedReleasesTheButton) {
    CTestButtonUI* button = Button(L"b3");
    Send(WM_LBUTTONDOWN, MK_LBUTTON, At(button->GetPos()));
    button->events.clear();
    window.Close();
    CTestWindow::Pump(50);
    ASSERT_FALSE(button->events.empty());
    EXPECT_EQ(button->events.front().type, UIEventType::ButtonUp);
}

TEST_F(WindowManagerTest, TimersDeliverTheirLocalIdAndReuseKilledRecords) {
    CTestButtonUI* button = Button(L"b1");
    auto timerCount = [this, button] {
        size_t n = 0;
        for (const NotifyMessage& msg : window.notifications) {
            n += msg.type == L"timer" && msg.sender == button && msg.wParam == 7 ? 1 : 0;
        }
        return n;
    };
    ASSERT_TRUE(window.manager.SetTimer(button, 7, 20));
    EXPECT_FALSE(window.manager.SetTimer(button, 7, 500));  // already running
    ASSERT_TRUE(CTestWindow::PumpUntil([&] { return timerCount() >= 2; }));

    EXPECT_TRUE(window.manager.KillTimer(button, 7));
    CTestWindow::Pump(30);
    const size_t afterKill = timerCount();
    CTestWindow::Pump(120);
    EXPECT_EQ(timerCount(), afterKill);
    EXPECT_EQ(window.manager.GetTimerRecordCount(), 1u);

    ASSERT_TRUE(window.manager.SetTimer(button, 7, 20));  // the killed record starts again
    EXPECT_EQ(window.manager.GetTimerRecordCount(), 1u);
    ASSERT_TRUE(CTestWindow::PumpUntil([&] { return timerCount() >= afterKill + 2; }));

    window.manager.KillTimer(button);
    EXPECT_EQ(window.manager.GetTimerRecordCount(), 0u);
}

TEST_F(WindowManagerTest, TimersAreRefusedFromAnotherThread) {
    CTestButtonUI* button = Button(L"b1");
    bool set = true;
    bool killed = true;
    std::thread worker([&] {
        set = window.manager.SetTimer(button, 9, 10);
        killed = window.manager.KillTimer(button, 9);
    });
    worker.join();
    EXPECT_FALSE(set);
    EXPECT_FALSE(killed);
    EXPECT_EQ(window.manager.GetTimerRecordCount(), 0u);
}

TEST_F(WindowManagerTest, DeletingAControlForgetsItsTimersAndName) {
    auto* row = window.Find<CContainerUI>(L"row");
    CTestButtonUI* button = Button(L"b4");
    ASSERT_TRUE(window.manager.SetTimer(button, 1, 1000));
    ASSERT_TRUE(row->Remove(button));
    EXPECT_EQ(window.manager.GetTimerRecordCount(), 0u);
    EXPECT_EQ(window.manager.FindControl(L"b4"), nullptr);
}

TEST_F(WindowManagerTest, TabCyclesThroughTabStopsBothWays) {
    CTestButtonUI* b1 = Button(L"b1");
    CTestButtonUI* b3 = Button(L"b3");
    CTestButtonUI* b4 = Button(L"b4");
    // Attaching the tree asked for the focus: the first paint gave it to the first Tab stop.
    EXPECT_EQ(window.manager.GetFocus(), b1);
    LRESULT result = 0;
    ASSERT_TRUE(window.manager.PreMessageHandler(WM_KEYDOWN, VK_TAB, 0, result));
    EXPECT_EQ(window.manager.GetFocus(), b3);  // b2 is no Tab stop
    window.manager.SetNextTabControl(true);
    EXPECT_EQ(window.manager.GetFocus(), b4);
    window.manager.SetNextTabControl(true);
    EXPECT_EQ(window.manager.GetFocus(), b1);  // from the last to the first
    window.manager.SetNextTabControl(false);
    EXPECT_EQ(window.manager.GetFocus(), b4);  // and back
    EXPECT_GE(window.CountNotifications(L"setfocus"), 4u);
    EXPECT_GE(window.CountNotifications(L"killfocus"), 3u);
}

TEST_F(WindowManagerTest, HidingTheFocusedControlClearsTheFocusDisablingDoesNot) {
    CTestButtonUI* b3 = Button(L"b3");
    window.manager.SetFocus(b3, false);
    ASSERT_EQ(window.manager.GetFocus(), b3);
    b3->SetEnabled(false);
    EXPECT_EQ(window.manager.GetFocus(), b3);
    b3->SetEnabled(true);
    b3->SetVisible(false);
    EXPECT_EQ(window.manager.GetFocus(), nullptr);
}

TEST_F(WindowManagerTest, FindControlByNameAndPoint) {
    CControlUI* b3 = window.manager.FindControl(L"b3");
    ASSERT_NE(b3, nullptr);
    const RECT pos = b3->GetPos();
    EXPECT_EQ(window.manager.FindControl(POINT{pos.left + 1, pos.top + 1}), b3);
    b3->SetEnabled(false);  // disabled controls are still found
    EXPECT_EQ(window.manager.FindControl(POINT{pos.left + 1, pos.top + 1}), b3);
    b3->SetMouseEnabled(false);  // but not those out of hit testing
    EXPECT_NE(window.manager.FindControl(POINT{pos.left + 1, pos.top + 1}), b3);

    b3->SetName(L"renamed");
    EXPECT_EQ(window.manager.FindControl(L"b3"), nullptr);
    EXPECT_EQ(window.manager.FindControl(L"renamed"), b3);
    Button(L"b1")->SetName(L"renamed");  // the first control keeps a name
    EXPECT_EQ(window.manager.FindControl(L"renamed"), b3);
}

TEST_F(WindowManagerTest, FloatingChildrenSitAtTheirPositionInTheirParent) {
    EXPECT_EQ(window.manager.FindControl(L"box")->GetPos().left, 100);
    const RECT floater = window.manager.FindControl(L"floater")->GetPos();
    EXPECT_EQ(floater.left, 110);
    EXPECT_EQ(floater.top, 110);
    EXPECT_EQ(floater.right, 160);
    EXPECT_EQ(floater.bottom, 130);
    EXPECT_EQ(window.manager.FindControl(POINT{115, 115}), window.manager.FindControl(L"floater"));
}

TEST_F(WindowManagerTest, ADpiChangeMovesToTheSuggestedRectangleAndScalesTheLayout) {
    ASSERT_EQ(window.manager.GetScale(), 100);
    RECT before{};
    ::GetWindowRect(window.GetHWND(), &before);
    // As the system sends it when the window is dragged onto a 144-DPI screen.
    RECT suggested{before.left + 500, before.top, before.left + 500 + 450, before.top + 300};
    Send(WM_DPICHANGED, MAKEWPARAM(144, 144), reinterpret_cast<LPARAM>(&suggested));
    CTestWindow::Pump(100);
    RECT after{};
    ::GetWindowRect(window.GetHWND(), &after);
    EXPECT_TRUE(::EqualRect(&after, &suggested));
    EXPECT_EQ(window.manager.GetScale(), 150);
    EXPECT_EQ(window.manager.GetInitSize().cx, 450);
    // Fixed sizes and floating positions are units of the layout, drawn at 150 %.
    EXPECT_EQ(window.manager.FindControl(L"b1")->GetPos().right, 75);
    EXPECT_EQ(window.manager.FindControl(L"row")->GetPos().bottom, 60);
    const RECT floater = window.manager.FindControl(L"floater")->GetPos();
    EXPECT_EQ(floater.left, 165);
    EXPECT_EQ(floater.right, 240);
    EXPECT_EQ(floater.bottom, 195);

    // Back to 96 DPI: the same pixels as before, nothing crept.
    RECT back{after.left, after.top, after.left + 300, after.top + 200};
    Send(WM_DPICHANGED, MAKEWPARAM(96, 96), reinterpret_cast<LPARAM>(&back));
    CTestWindow::Pump(100);
    EXPECT_EQ(window.manager.GetScale(), 100);
    const RECT again = window.manager.FindControl(L"floater")->GetPos();
    EXPECT_EQ(again.left, 110);
    EXPECT_EQ(again.right, 160);
    EXPECT_EQ(again.bottom, 130);
}

TEST_F(WindowManagerTest, TabLayoutShowsOnePageAndNotifiesOnlyOnChange) {
    auto* tabs = window.Find<CTabLayoutUI>(L"tabs");
    CControlUI* page0 = window.manager.FindControl(L"page0");
    CControlUI* page1 = window.manager.FindControl(L"page1");
    EXPECT_EQ(tabs->GetCurSel(), 0);
    EXPECT_TRUE(page0->IsVisible());
    EXPECT_FALSE(page1->IsVisible());
    EXPECT_EQ(page0->GetPos().bottom - page0->GetPos().top, 60);

    EXPECT_TRUE(tabs->SelectItem(0));
    EXPECT_EQ(window.CountNotifications(L"tabselect"), 0u);
    EXPECT_FALSE(tabs->SelectItem(5));
    EXPECT_TRUE(tabs->SelectItem(1));
    ASSERT_EQ(window.CountNotifications(L"tabselect"), 1u);
    EXPECT_EQ(window.notifications.back().wParam, 1u);
    EXPECT_EQ(window.notifications.back().lParam, 0);
    EXPECT_FALSE(page0->IsVisible());
    EXPECT_TRUE(page1->IsVisible());
    CTestWindow::Pump(50);
    EXPECT_EQ(page1->GetPos().bottom - page1->GetPos().top, 60);
}

TEST_F(WindowManagerTest, QueuedNotificationsMergeRepeats) {
    CControlUI* b1 = Button(L"b1");
    window.notifications.clear();
    window.manager.SendNotify(b1, L"scroll", 1, 0, true, false);
    window.manager.SendNotify(b1, L"scroll", 2, 0, true, false);
    window.manager.SendNotify(b1, L"other", 3, 0, true, true);
    EXPECT_EQ(window.CountNotifications(L"scroll"), 0u);  // nothing before the queue is delivered
    ASSERT_TRUE(CTestWindow::PumpUntil([this] { return window.CountNotifications(L"other") == 1; }));
    ASSERT_EQ(window.CountNotifications(L"scroll"), 1u);
    EXPECT_EQ(window.notifications.front().wParam, 2u);
}

TEST(WindowBuilder, SkinLayoutFromTheArchiveInMemory) {
    CSkinArchive::Reset();
    const auto& zip = TestPaths::SkinZip();
    ASSERT_FALSE(zip.empty());
    CUIManager::SetResourceZip(zip.data(), zip.size(), TestPaths::kSkinPassword);
    CTestWindow window(L"main.xml");
    ASSERT_TRUE(window.Open(60, 60));
    ASSERT_TRUE(window.rootBuilt);
    ASSERT_TRUE(CTestWindow::PumpUntil([&] { return window.CountNotifications(L"windowinit") > 0; }));
    RECT client{};
    ::GetClientRect(window.GetHWND(), &client);
    EXPECT_EQ(client.right, 300);
    EXPECT_EQ(client.bottom, 200);
    EXPECT_EQ(window.manager.GetCaptionRect().bottom, 30);
    EXPECT_EQ(window.manager.GetWindowAttribute(L"custom"), L"first");
    // Elements without a class are skipped with everything inside them.
    EXPECT_EQ(window.manager.FindControl(L"lowercase"), nullptr);
    EXPECT_EQ(window.manager.FindControl(L"insideLowercase"), nullptr);
    EXPECT_EQ(window.manager.FindControl(L"unknown"), nullptr);
    EXPECT_EQ(window.manager.FindControl(L"insideUnknown"), nullptr);
    CControlUI* button = window.manager.FindControl(L"btn");
    ASSERT_NE(button, nullptr);
    EXPECT_EQ(button->GetToolTip(), L"press\r\nme");
    EXPECT_EQ(window.manager.GetDefaultAttributeList(L"Control"), L"bordersize=\"0\"");
    CSkinArchive::Reset();
}

}  // namespace
