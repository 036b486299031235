// Controls driven by name through their window's manager with real window messages;
// what they notify and the state they end in.

#include "ControlsSkin.h"
#include "tests/toolkit/TestWindow.h"

#include "toolkit/ButtonUI.h"
#include "toolkit/CheckBoxUI.h"
#include "toolkit/ComboUI.h"
#include "toolkit/ComboWnd.h"
#include "toolkit/EditUI.h"
#include "toolkit/GifAnimUI.h"
#include "toolkit/OptionUI.h"
#include "toolkit/ProgressUI.h"

#include <gtest/gtest.h>

#include <memory>

namespace {

const wchar_t kLayout[] =
    LR"(<Window size="460,120">
  <VerticalLayout bkcolor="#FFFFFFFF">
    <HorizontalLayout height="40">
      <Button name="btn" width="80" text="OK" normalimage="normal.png" hotimage="hot.png" pushedimage="pushed.png"/>
      <Button name="btn_off" width="60" enabled="false"/>
      <Button name="btn_nokey" width="60" keyboard="false"/>
      <Option name="opt_a" group="pair" width="50"/>
      <Option name="opt_b" group="pair" width="50" selected="true"/>
      <Option name="lone" width="50"/>
      <CheckBox name="check" width="50"/>
    </HorizontalLayout>
    <HorizontalLayout height="30">
      <Combo name="combo" width="120" selectedid="0">
        <ListLabelElement name="item0" text="zero"/>
        <ListLabelElement name="item1" text="one" enabled="false"/>
        <ListLabelElement name="item2" text="two"/>
        <ListLabelElement name="item3" text="three"/>
        <Control name="not_an_item"/>
      </Combo>
      <Edit name="edit" width="150" text="abc"/>
      <Progress name="progress" width="100"/>
      <GifAnim name="gif" width="20" bkimage="frames.gif"/>
      <GifAnim name="slow_gif" width="20" bkimage="slow.gif" autoplay="false" autosize="true"/>
    </HorizontalLayout>
    <Control/>
  </VerticalLayout>
</Window>)";

class ControlEvents : public ::testing::Test {
  protected:
    void SetUp() override {
        PrepareToolkitForTests();
        window_ = std::make_unique<CTestWindow>(kLayout);
        ASSERT_TRUE(window_->Open(40, 40));
        window_->Forget();
    }
    void TearDown() override { window_.reset(); }

    CTestWindow& W() { return *window_; }
    POINT Outside() { return POINT{440, 100}; }  // over the empty control at the bottom

    std::unique_ptr<CTestWindow> window_;
};

// ---- buttons ----

TEST_F(ControlEvents, PressDragAndReleaseGiveAClickOnlyWhenReleasedInside) {
    struct Gesture {
        const char* name;
        bool backIn;
        bool releaseInside;
        size_t clicks;
    };
    const Gesture gestures[] = {
        {"press, drag out, release outside", false, false, 0},
        {"press, out, back in, release", true, true, 1},
        {"press, out, release outside after coming back", true, false, 0},
    };
    auto* button = W().Find<CButtonUI>(L"btn");
    ASSERT_NE(button, nullptr);
    const POINT in = W().Center(L"btn");
    for (const Gesture& g : gestures) {
        W().Forget();
        W().MouseDown(in);
        EXPECT_TRUE(button->GetButtonState() & UIState::Pushed) << g.name;
        W().MouseMove(Outside());
        EXPECT_FALSE(button->GetButtonState() & UIState::Pushed) << g.name;
        EXPECT_TRUE(button->GetButtonState() & UIState::Captured) << g.name;
        if (g.backIn) {
            W().MouseMove(in);
            EXPECT_TRUE(button->GetButtonState() & UIState::Pushed) << g.name;
        }
        if (g.backIn && !g.releaseInside) {
            W().MouseMove(Outside());
        }
        W().MouseUp(g.releaseInside ? in : Outside());
        EXPECT_EQ(W().Count(L"click", L"btn"), g.clicks) << g.name;
        EXPECT_FALSE(button->GetButtonState() & (UIState::Pushed | UIState::Captured)) << g.name;
    }
    W().Forget();
    W().Click(L"btn");
    EXPECT_EQ(W().Count(L"click", L"btn"), 1u);
}

TEST_F(ControlEvents, HoverMakesAButtonHotAndTellsTheWindow) {
    auto* button = W().Find<CButtonUI>(L"btn");
    W().MouseMove(W().Center(L"btn"));
    EXPECT_TRUE(button->GetButtonState() & UIState::Hot);
    EXPECT_EQ(W().Count(L"mouseenter", L"btn"), 1u);
    W().MouseMove(Outside());
    EXPECT_FALSE(button->GetButtonState() & UIState::Hot);
    EXPECT_EQ(W().Count(L"mouseleave", L"btn"), 1u);
}

TEST_F(ControlEvents, KeysActivateOnlyAFocusedEnabledKeyboardButton) {
    auto* button = W().Find<CButtonUI>(L"btn");
    W().manager.SetFocus(button, true);
    W().Key(VK_SPACE);
    W().Key(VK_RETURN);
    W().Key(L'A');
    EXPECT_EQ(W().Count(L"click", L"btn"), 2u);

    W().Forget();
    auto* noKeyboard = W().Find<CButtonUI>(L"btn_nokey");
    EXPECT_EQ(noKeyboard->GetControlFlags() & UIFlag::TabStop, 0u);
    W().manager.SetFocus(noKeyboard, true);
    W().Key(VK_SPACE);
    EXPECT_EQ(W().Count(L"click"), 0u);
}

TEST_F(ControlEvents, ADisabledButtonIsNeitherClickedNorPushed) {
    auto* off = W().Find<CButtonUI>(L"btn_off");
    W().MouseDown(W().Center(L"btn_off"));
    EXPECT_EQ(off->GetButtonState() & UIState::Pushed, 0u);
    W().MouseUp(W().Center(L"btn_off"));
    EXPECT_FALSE(off->Activate());
    EXPECT_EQ(W().Count(L"click"), 0u);

    // Disabling while pressed drops the press: no click at the release either.
    auto* button = W().Find<CButtonUI>(L"btn");
    W().MouseDown(W().Center(L"btn"));
    button->SetEnabled(false);
    EXPECT_EQ(button->GetButtonState(), 0u);
    W().MouseUp(W().Center(L"btn"));
    EXPECT_EQ(W().Count(L"click"), 0u);
}

// ---- options and check boxes ----

TEST_F(ControlEvents, ClickingAnOptionOfAGroupSelectsItAndDeselectsItsPeerSilently) {
    auto* a = W().Find<COptionUI>(L"opt_a");
    auto* b = W().Find<COptionUI>(L"opt_b");
    ASSERT_TRUE(b->IsSelected());
    W().Click(L"opt_a");
    const std::vector<Recorded> got = W().Take();
    std::vector<std::wstring> seen;
    for (const Recorded& r : got) {
        if (r.type == L"click" || r.type == L"selectchanged") {
            seen.push_back(r.type + L":" + r.senderName);
        }
    }
    EXPECT_EQ(seen, (std::vector<std::wstring>{L"click:opt_a", L"selectchanged:opt_a"}));
    EXPECT_TRUE(a->IsSelected());
    EXPECT_FALSE(b->IsSelected());

    // The selected option of a group stays selected when clicked again.
    W().Click(L"opt_a");
    EXPECT_EQ(W().Count(L"click", L"opt_a"), 1u);
    EXPECT_EQ(W().Count(L"selectchanged"), 0u);
    EXPECT_TRUE(a->IsSelected());
}

TEST_F(ControlEvents, LoneOptionsAndCheckBoxesToggle) {
    for (const wchar_t* name : {L"lone", L"check"}) {
        W().Forget();
        auto* option = W().Find<COptionUI>(name);
        W().Click(name);
        EXPECT_TRUE(option->IsSelected()) << name;
        W().Click(name);
        EXPECT_FALSE(option->IsSelected()) << name;
        EXPECT_EQ(W().Count(L"click", name), 2u) << name;
        EXPECT_EQ(W().Count(L"selectchanged", name), 2u) << name;
    }
    EXPECT_STREQ(W().Find<CControlUI>(L"check")->GetClass(), L"CheckBox");
}

TEST_F(ControlEvents, SelectedNotifiesOnlyWhenAskedAndOnlyOnChange) {
    auto* lone = W().Find<COptionUI>(L"lone");
    lone->Selected(true, false);
    EXPECT_TRUE(lone->IsSelected());
    EXPECT_EQ(W().Count(L"selectchanged"), 0u);
    lone->Selected(true, true);  // no change, nothing to say
    EXPECT_EQ(W().Count(L"selectchanged"), 0u);
    lone->Selected(false, true);
    EXPECT_EQ(W().Count(L"selectchanged", L"lone"), 1u);

    // From code, a group keeps one selected option too, with or without notification.
    auto* a = W().Find<COptionUI>(L"opt_a");
    auto* b = W().Find<COptionUI>(L"opt_b");
    W().Forget();
    a->Selected(true, false);
    EXPECT_FALSE(b->IsSelected());
    EXPECT_EQ(W().Count(L"selectchanged"), 0u);
    b->Selected(true, true);
    EXPECT_FALSE(a->IsSelected());
    EXPECT_EQ(W().Count(L"selectchanged", L"opt_b"), 1u);
    EXPECT_EQ(W().Count(L"selectchanged", L"opt_a"), 0u);
}

TEST_F(ControlEvents, DisablingAnOptionKeepsOnlyItsSelection) {
    auto* b = W().Find<COptionUI>(L"opt_b");
    W().MouseMove(W().Center(L"opt_b"));
    ASSERT_TRUE(b->GetButtonState() & UIState::Hot);
    b->SetEnabled(false);
    EXPECT_EQ(b->GetButtonState(), UIState::Selected);
    W().Click(L"opt_b");
    EXPECT_EQ(W().Count(L"click"), 0u);
}

// ---- progress ----

TEST_F(ControlEvents, ProgressValueIsHeldToItsRange) {
    auto* progress = W().Find<CProgressUI>(L"progress");
    EXPECT_EQ(progress->GetFixedHeight(), 12);
    progress->SetValue(150);
    EXPECT_EQ(progress->GetValue(), 100);
    progress->SetValue(-3);
    EXPECT_EQ(progress->GetValue(), 0);
    progress->SetMaxValue(10);  // stored as given; the value is repaired when painted
    progress->SetValue(5);
    EXPECT_EQ(progress->GetValue(), 5);
}

// ---- combo box ----

TEST_F(ControlEvents, ComboKeysMoveByExactlyOneSelectableItem) {
    auto* combo = W().Find<CComboUI>(L"combo");
    ASSERT_EQ(combo->GetCurSel(), 0);
    W().manager.SetFocus(combo, true);
    struct Step {
        UINT key;
        int expected;
        bool notifies;
    };
    const Step steps[] = {
        {VK_DOWN, 2, true},                       // item 1 is disabled
        {VK_DOWN, 3, true}, {VK_DOWN, 3, false},  // only a non-item follows: the selection stays
        {VK_UP, 2, true},   {VK_HOME, 0, true},  {VK_END, 3, true}, {VK_PRIOR, 2, true}, {VK_NEXT, 3, true},
    };
    for (const Step& step : steps) {
        const int before = combo->GetCurSel();
        W().Forget();
        W().Key(step.key);
        EXPECT_EQ(combo->GetCurSel(), step.expected) << "key " << step.key;
        const std::vector<Recorded> selects = W().Take(L"itemselect");
        ASSERT_EQ(selects.size(), step.notifies ? 1u : 0u) << "key " << step.key;
        if (step.notifies) {
            EXPECT_EQ(selects[0].wParam, static_cast<WPARAM>(step.expected));
            EXPECT_EQ(selects[0].lParam, static_cast<LPARAM>(before));
        }
    }
    EXPECT_EQ(combo->GetDropWindow(), nullptr);  // keys on the closed box never open it
}

TEST_F(ControlEvents, ComboWheelStepsTheSelection) {
    auto* combo = W().Find<CComboUI>(L"combo");
    POINT screen = W().Center(L"combo");
    ::ClientToScreen(W().GetHWND(), &screen);
    ::SendMessageW(W().GetHWND(), WM_MOUSEWHEEL, MAKEWPARAM(0, static_cast<WORD>(-WHEEL_DELTA)),
                   MAKELPARAM(screen.x, screen.y));
    EXPECT_EQ(combo->GetCurSel(), 2);
    ::SendMessageW(W().GetHWND(), WM_MOUSEWHEEL, MAKEWPARAM(0, WHEEL_DELTA), MAKELPARAM(screen.x, screen.y));
    EXPECT_EQ(combo->GetCurSel(), 0);
}

TEST_F(ControlEvents, SelectItemFollowsItsRules) {
    auto* combo = W().Find<CComboUI>(L"combo");
    EXPECT_TRUE(combo->SelectItem(0));  // the current one: nothing happens
    EXPECT_EQ(W().Count(L"itemselect"), 0u);
    // Past the end means the last child, which here is not a list item: it fails.
    EXPECT_FALSE(combo->SelectItem(99));
    EXPECT_EQ(combo->GetCurSel(), -1);
    EXPECT_TRUE(combo->SelectItem(3));
    EXPECT_EQ(combo->GetCurSel(), 3);
    EXPECT_EQ(combo->FindSelectable(4, false), 3);
    EXPECT_FALSE(combo->SelectItem(1));  // disabled
    EXPECT_EQ(combo->GetCurSel(), -1);
    EXPECT_TRUE(combo->SelectItem(2, false, false));
    EXPECT_EQ(combo->GetCurSel(), 2);
    const std::vector<Recorded> selects = W().Take(L"itemselect");
    ASSERT_EQ(selects.size(), 1u);  // only the notifying call that succeeded
    EXPECT_EQ(selects[0].wParam, 3u);
    EXPECT_EQ(selects[0].lParam, -1);
}

TEST_F(ControlEvents, EscapeInAnOpenListRestoresTheSelectionItOpenedWith) {
    auto* combo = W().Find<CComboUI>(L"combo");
    W().Click(L"combo");
    EXPECT_EQ(W().Count(L"dropdown", L"combo"), 1u);
    ASSERT_NE(combo->GetDropWindow(), nullptr);
    HWND list = combo->GetDropWindowHandle();
    ASSERT_TRUE(::IsWindowVisible(list));
    ::SendMessageW(list, WM_KEYDOWN, VK_DOWN, 0);
    ::SendMessageW(list, WM_KEYDOWN, VK_DOWN, 0);
    EXPECT_EQ(combo->GetCurSel(), 3);
    EXPECT_TRUE(::IsWindow(list));  // moving with keys keeps the list open
    W().Forget();
    ::SendMessageW(list, WM_KEYDOWN, VK_ESCAPE, 0);
    EXPECT_EQ(combo->GetCurSel(), 0);
    const std::vector<Recorded> selects = W().Take(L"itemselect");
    ASSERT_EQ(selects.size(), 1u);
    EXPECT_EQ(selects[0].wParam, 0u);
    EXPECT_EQ(selects[0].lParam, 3);
    EXPECT_TRUE(CTestWindow::PumpUntil([&] { return !::IsWindow(list); }));
    EXPECT_EQ(combo->GetDropWindow(), nullptr);
    // The items are the combo's again.
    EXPECT_EQ(W().Find<CControlUI>(L"item2")->GetManager(), &W().manager);
    EXPECT_EQ(W().Find<CControlUI>(L"item2")->GetParent(), combo);
}

TEST_F(ControlEvents, ClickingAnItemInTheListSelectsItAndClosesTheList) {
    auto* combo = W().Find<CComboUI>(L"combo");
    auto clickItem = [&](const wchar_t* name) {
        W().Click(L"combo");
        HWND list = combo->GetDropWindowHandle();
        EXPECT_NE(list, nullptr);
        if (list == nullptr) {
            return;
        }
        CControlUI* item = W().Find<CControlUI>(name);
        const RECT pos = item->GetPos();  // in the list window while it is open
        const LPARAM at = MAKELPARAM((pos.left + pos.right) / 2, (pos.top + pos.bottom) / 2);
        ::SendMessageW(list, WM_MOUSEMOVE, 0, at);
        ::SendMessageW(list, WM_LBUTTONDOWN, MK_LBUTTON, at);
        ::SendMessageW(list, WM_LBUTTONUP, 0, at);
        EXPECT_TRUE(CTestWindow::PumpUntil([&] { return !::IsWindow(list); }));
    };

    W().Forget();
    clickItem(L"item3");
    std::vector<std::wstring> seen;
    for (const Recorded& r : W().Take()) {
        if (r.type == L"itemclick" || r.type == L"itemselect") {
            seen.push_back(r.type + L":" + r.senderName + L":" + std::to_wstring(r.wParam) + L"," +
                           std::to_wstring(r.lParam));
        }
    }
    EXPECT_EQ(seen, (std::vector<std::wstring>{L"itemclick:item3:0,0", L"itemselect:combo:3,0"}));
    EXPECT_EQ(combo->GetCurSel(), 3);

    clickItem(L"item3");  // already selected
    EXPECT_EQ(W().Count(L"itemclick", L"item3"), 1u);
    EXPECT_EQ(W().Count(L"itemselect"), 0u);

    clickItem(L"item1");  // disabled: nothing happens, the list closes
    EXPECT_EQ(W().Count(L"itemclick", L"item1"), 0u);
    EXPECT_EQ(combo->GetCurSel(), 3);
}

TEST_F(ControlEvents, AComboListOpensUpwardsWhenThereIsNoRoomBelow) {
    RECT work{};
    ::SystemParametersInfoW(SPI_GETWORKAREA, 0, &work, 0);
    auto* combo = W().Find<CComboUI>(L"combo");
    struct Case {
        const char* name;
        int windowTop;
        bool upwards;
    };
    const RECT comboPos = combo->GetPos();
    const Case cases[] = {
        {"room below", work.top + 10, false},
        {"at the bottom of the work area", work.bottom - comboPos.bottom - 5, true},
    };
    for (const Case& c : cases) {
        ::SetWindowPos(W().GetHWND(), nullptr, 40, c.windowTop, 0, 0, SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
        W().Click(L"combo");
        HWND list = combo->GetDropWindowHandle();
        ASSERT_NE(list, nullptr) << c.name;
        RECT listRect{};
        ::GetWindowRect(list, &listRect);
        POINT top{comboPos.left, comboPos.top};
        POINT bottom{comboPos.right, comboPos.bottom};
        ::ClientToScreen(W().GetHWND(), &top);
        ::ClientToScreen(W().GetHWND(), &bottom);
        EXPECT_EQ(listRect.left, top.x) << c.name;
        EXPECT_EQ(listRect.right, bottom.x) << c.name;
        if (c.upwards) {
            EXPECT_EQ(listRect.bottom, top.y) << c.name;
        } else {
            EXPECT_EQ(listRect.top, bottom.y) << c.name;
        }
        EXPECT_GT(listRect.bottom - listRect.top, 0) << c.name;
        ::SendMessageW(list, WM_KEYDOWN, VK_RETURN, 0);
        EXPECT_TRUE(CTestWindow::PumpUntil([&] { return !::IsWindow(list); })) << c.name;
    }
}

// ---- edit box ----

TEST_F(ControlEvents, TypingSendsOneTextChangedPerChangeAndGetTextFollows) {
    auto* edit = W().Find<CEditUI>(L"edit");
    W().Click(L"edit");
    HWND native = edit->GetNativeWindow();
    ASSERT_NE(native, nullptr);
    EXPECT_TRUE(::IsWindowVisible(native));
    EXPECT_EQ(::GetParent(native), W().GetHWND());
    EXPECT_EQ(::GetFocus(), native);
    RECT nativeRect{};
    ::GetWindowRect(native, &nativeRect);
    ::MapWindowPoints(nullptr, W().GetHWND(), reinterpret_cast<POINT*>(&nativeRect), 2);
    const RECT expected = edit->GetNativeEditRect();
    EXPECT_TRUE(::EqualRect(&nativeRect, &expected));
    EXPECT_EQ(W().manager.GetFocus(), edit);

    W().Forget();
    ::SendMessageW(native, WM_KEYDOWN, VK_END, 0);
    const wchar_t typed[] = {L'x', L'y', L'\b'};
    const wchar_t* texts[] = {L"abcx", L"abcxy", L"abcx"};
    for (int i = 0; i < 3; ++i) {
        ::SendMessageW(native, WM_CHAR, typed[i], 0);
        EXPECT_EQ(W().Count(L"textchanged", L"edit"), static_cast<size_t>(i + 1));
        EXPECT_EQ(edit->GetText(), texts[i]);
    }

    // Text set by the program reaches the native window but is not a user change.
    W().Forget();
    edit->SetText(L"C:\\Program Files");
    wchar_t buffer[64] = {};
    ::GetWindowTextW(native, buffer, 64);
    EXPECT_STREQ(buffer, L"C:\\Program Files");
    EXPECT_EQ(W().Count(L"textchanged"), 0u);

    ::SendMessageW(native, WM_KEYDOWN, VK_RETURN, 0);
    EXPECT_EQ(W().Count(L"return", L"edit"), 1u);
}

TEST_F(ControlEvents, ClickingOutsideEndsEditingAndKeepsTheText) {
    auto* edit = W().Find<CEditUI>(L"edit");
    W().Click(L"edit");
    HWND native = edit->GetNativeWindow();
    ASSERT_NE(native, nullptr);
    ::SendMessageW(native, WM_CHAR, L'!', 0);
    const std::wstring typed = edit->GetText();
    EXPECT_EQ(typed.size(), 4u);
    W().Click(L"btn");
    EXPECT_TRUE(CTestWindow::PumpUntil([&] { return !::IsWindow(native); }));
    EXPECT_EQ(edit->GetNativeWindow(), nullptr);
    EXPECT_EQ(edit->GetText(), typed);
    EXPECT_EQ(W().manager.GetFocus(), W().Find<CControlUI>(L"btn"));

    // Editing again starts from the kept text.
    W().Click(L"edit");
    native = edit->GetNativeWindow();
    ASSERT_NE(native, nullptr);
    wchar_t buffer[16] = {};
    ::GetWindowTextW(native, buffer, 16);
    EXPECT_EQ(std::wstring(buffer), typed);

    // Tabbing away ends it too: the window's manager sees the key before the edit does.
    MSG tab{native, WM_KEYDOWN, VK_TAB, 0, 0, {}};
    CUIManager::TranslateMessage(&tab);
    EXPECT_TRUE(CTestWindow::PumpUntil([&] { return !::IsWindow(native); }));
    EXPECT_NE(W().manager.GetFocus(), edit);
}

// ---- GIF ----

TEST_F(ControlEvents, AGifWithZeroDelaysAdvancesEveryHundredMilliseconds) {
    auto* gif = W().Find<CGifAnimUI>(L"gif");
    ASSERT_TRUE(gif->IsLoaded());
    EXPECT_EQ(gif->GetFrameCount(), 3u);
    EXPECT_TRUE(gif->IsPlaying());
    for (int i = 0; i < 3; ++i) {
        EXPECT_EQ(gif->GetFrameIntervalMs(), 100u) << "frame " << gif->GetCurrentFrame();
        const UINT before = gif->GetCurrentFrame();
        EXPECT_TRUE(CTestWindow::PumpUntil([&] { return gif->GetCurrentFrame() != before; }, 2000));
        EXPECT_EQ(gif->GetCurrentFrame(), (before + 1) % 3);
    }

    auto* slow = W().Find<CGifAnimUI>(L"slow_gif");
    EXPECT_FALSE(slow->IsPlaying());      // autoplay off
    EXPECT_EQ(slow->GetFixedWidth(), 4);  // autosize: the GIF's own 4 x 4
    EXPECT_EQ(slow->GetFixedHeight(), 4);
    EXPECT_EQ(slow->GetFrameIntervalMs(), 70u);
    slow->PlayGif();
    EXPECT_TRUE(slow->IsPlaying());
    EXPECT_TRUE(CTestWindow::PumpUntil([&] { return slow->GetCurrentFrame() == 1; }, 2000));
    slow->StopGif();
    EXPECT_FALSE(slow->IsPlaying());
    EXPECT_EQ(slow->GetCurrentFrame(), 0u);
    CTestWindow::Pump(200);
    EXPECT_EQ(slow->GetCurrentFrame(), 0u);  // stopped means stopped

    slow->SetBkImage(L"missing.gif");
    EXPECT_FALSE(slow->IsLoaded());
    slow->PlayGif();
    EXPECT_FALSE(slow->IsPlaying());  // nothing to play, no timer
}

}  // namespace
