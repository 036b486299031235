// What the toolkit tells screen readers about a window's controls: the rules that give
// each control its name, role, state and value, and the window's accessible object as a
// client reaches it through WM_GETOBJECT, including after the window is gone.

#include "TestWindow.h"
#include "toolkit/AccessibleControls.h"
#include "toolkit/OptionUI.h"
#include "util/ComPtr.h"

#include <gtest/gtest.h>

#include <oleacc.h>

#include <memory>
#include <string>
#include <vector>

namespace {

const wchar_t kLayout[] =
    LR"(<?xml version="1.0" encoding="utf-8"?>
<Window size="320,240">
  <VerticalLayout name="root">
    <Label name="caption" float="true" pos="0,0,80,20" text=" Folder: " />
    <Edit name="edit" labelledby="caption" float="true" pos="80,0,300,20" text="C:\x" />
    <Option name="one" group="g" float="true" pos="0,30,80,50" text="One" selected="true" />
    <Option name="two" group="g" float="true" pos="80,30,160,50" text="Two" />
    <CheckBox name="box" labelledby="missing, caption ,edit" float="true" pos="160,30,240,50" />
    <Button name="picture" tooltip="Close" float="true" pos="240,30,260,50" />
    <Button name="terms" role="link" text="terms" tooltip="opens the terms" float="true" pos="0,60,80,80" />
    <Label name="ornament" role="none" text="~~~" float="true" pos="80,60,120,80" />
    <Label name="blank" float="true" pos="120,60,160,80" />
    <Combo name="combo" float="true" pos="0,90,100,110" selectedid="0">
      <ListLabelElement text="A" height="20" />
      <ListLabelElement text="B" height="20" />
    </Combo>
    <Progress name="bar" float="true" pos="0,120,200,130" min="0" max="200" value="50" />
    <Button name="off" text="Off" enabled="false" float="true" pos="0,140,60,160" />
    <Button name="gone" text="Gone" visible="false" float="true" pos="60,140,120,160" />
  </VerticalLayout>
</Window>)";

class AccessibleControlsTest : public testing::Test {
  protected:
    void SetUp() override {
        window = std::make_unique<CTestWindow>(kLayout);
        ASSERT_TRUE(window->Open(40, 40));
    }
    ScopedComInit com;  // the accessible object is handed out through COM
    std::unique_ptr<CTestWindow> window;
};

TEST_F(AccessibleControlsTest, NamesRolesStatesAndValuesFollowTheSkin) {
    const std::vector<CControlUI*> controls = AccessibleControls(window->manager.GetRoot());
    struct Row {
        const wchar_t* control;
        const wchar_t* name;
        long role;
        long state;
        const wchar_t* value;
    } const expected[] = {
        {L"caption", L"Folder:", ROLE_SYSTEM_STATICTEXT, STATE_SYSTEM_READONLY, L""},
        // An edit's text is its value; its name comes from its caption.
        {L"edit", L"Folder:", ROLE_SYSTEM_TEXT, STATE_SYSTEM_FOCUSABLE, L"C:\\x"},
        {L"one", L"One", ROLE_SYSTEM_RADIOBUTTON, STATE_SYSTEM_FOCUSABLE | STATE_SYSTEM_CHECKED, L""},
        {L"two", L"Two", ROLE_SYSTEM_RADIOBUTTON, STATE_SYSTEM_FOCUSABLE, L""},
        // Names that find nothing are skipped; the others join in order.
        {L"box", L"Folder: C:\\x", ROLE_SYSTEM_CHECKBUTTON, STATE_SYSTEM_FOCUSABLE, L""},
        {L"picture", L"Close", ROLE_SYSTEM_PUSHBUTTON, STATE_SYSTEM_FOCUSABLE, L""},
        {L"terms", L"terms", ROLE_SYSTEM_LINK, STATE_SYSTEM_FOCUSABLE | STATE_SYSTEM_LINKED, L""},
        // No "ornament" (role none), no "blank" (no text), and not the combo's items.
        {L"combo", L"A", ROLE_SYSTEM_COMBOBOX, STATE_SYSTEM_FOCUSABLE, L"A"},
        {L"bar", L"", ROLE_SYSTEM_PROGRESSBAR, STATE_SYSTEM_READONLY, L"25%"},
        {L"off", L"Off", ROLE_SYSTEM_PUSHBUTTON, STATE_SYSTEM_UNAVAILABLE, L""},
        {L"gone", L"Gone", ROLE_SYSTEM_PUSHBUTTON, STATE_SYSTEM_INVISIBLE, L""},
    };
    ASSERT_EQ(controls.size(), std::size(expected));
    for (size_t i = 0; i < controls.size(); ++i) {
        const Row& row = expected[i];
        SCOPED_TRACE(testing::PrintToString(std::wstring(row.control)));
        ASSERT_EQ(controls[i]->GetName(), row.control);
        EXPECT_EQ(AccessibleName(controls[i]), row.name);
        EXPECT_EQ(AccessibleRole(controls[i]), row.role);
        EXPECT_EQ(AccessibleState(controls[i], false), row.state);
        EXPECT_EQ(AccessibleValue(controls[i]), row.value);
        EXPECT_EQ(AccessibleChildId(window->manager.GetRoot(), controls[i]), static_cast<long>(i) + 1);
    }
    EXPECT_EQ(AccessibleDescription(window->Find<CControlUI>(L"terms")), L"opens the terms");
    EXPECT_EQ(AccessibleDescription(window->Find<CControlUI>(L"picture")), L"") << "the tooltip is the name already";

    // Focus counts only while the window holds the keyboard focus.
    auto* edit = window->Find<CControlUI>(L"edit");
    window->manager.SetFocus(window->Find<CControlUI>(L"two"), false);
    EXPECT_EQ(AccessibleState(window->Find<CControlUI>(L"two"), true) & STATE_SYSTEM_FOCUSED, STATE_SYSTEM_FOCUSED);
    EXPECT_EQ(AccessibleState(window->Find<CControlUI>(L"two"), false) & STATE_SYSTEM_FOCUSED, 0);
    EXPECT_EQ(AccessibleState(edit, true) & STATE_SYSTEM_FOCUSED, 0);

    // The default action is the click: a radio button is checked by it, a disabled or
    // hidden button does nothing.
    EXPECT_EQ(AccessibleDefaultAction(window->Find<CControlUI>(L"box")), L"Check");
    EXPECT_TRUE(DoAccessibleDefaultAction(window->Find<CControlUI>(L"two")));
    EXPECT_TRUE(window->Find<COptionUI>(L"two")->IsSelected());
    EXPECT_FALSE(window->Find<COptionUI>(L"one")->IsSelected());
    EXPECT_FALSE(DoAccessibleDefaultAction(window->Find<CControlUI>(L"off")));
    EXPECT_FALSE(DoAccessibleDefaultAction(window->Find<CControlUI>(L"gone")));
    EXPECT_EQ(window->Count(L"click", L"off") + window->Count(L"click", L"gone"), 0u);
}

TEST_F(AccessibleControlsTest, TheWindowAnswersScreenReadersUntilItIsGone) {
    ComPtr<IAccessible> client;
    ASSERT_EQ(::AccessibleObjectFromWindow(window->GetHWND(), static_cast<DWORD>(OBJID_CLIENT), __uuidof(IAccessible),
                                           client.put_void()),
              S_OK);
    long count = 0;
    EXPECT_EQ(client->get_accChildCount(&count), S_OK);
    EXPECT_EQ(count, 11);
    VARIANT role;
    VARIANT self;
    ::VariantInit(&self);
    self.vt = VT_I4;
    self.lVal = CHILDID_SELF;
    EXPECT_EQ(client->get_accRole(self, &role), S_OK);
    EXPECT_EQ(role.lVal, ROLE_SYSTEM_CLIENT);

    // A point over the check box finds it; its place is reported in screen coordinates.
    const RECT screen = window->ClientOnScreen();
    const POINT at = window->Center(L"box");
    VARIANT hit;
    EXPECT_EQ(client->accHitTest(screen.left + at.x, screen.top + at.y, &hit), S_OK);
    ASSERT_EQ(hit.vt, VT_I4);
    EXPECT_EQ(hit.lVal, 5);
    long left = 0, top = 0, width = 0, height = 0;
    EXPECT_EQ(client->accLocation(&left, &top, &width, &height, hit), S_OK);
    EXPECT_EQ(left, screen.left + 160);
    EXPECT_EQ(top, screen.top + 30);
    EXPECT_EQ(width, 80);
    EXPECT_EQ(height, 20);

    // Its default action arrives through the window's queue, as a click would.
    EXPECT_EQ(client->accDoDefaultAction(hit), S_OK);
    EXPECT_TRUE(CTestWindow::PumpUntil([&] { return window->Find<COptionUI>(L"box")->IsSelected(); }));
    EXPECT_EQ(window->Count(L"click", L"box"), 1u);

    // A screen reader may hold the object longer than the window lives.
    window.reset();
    EXPECT_EQ(client->get_accChildCount(&count), CO_E_OBJNOTCONNECTED);
    EXPECT_EQ(client->get_accRole(hit, &role), CO_E_OBJNOTCONNECTED);
}

}  // namespace
