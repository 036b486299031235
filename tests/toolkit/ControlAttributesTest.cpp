// The attribute vocabulary every control and container accepts.

#include "toolkit/ContainerUI.h"
#include "toolkit/ControlClasses.h"
#include "toolkit/ControlFactory.h"
#include "toolkit/ControlUI.h"
#include "toolkit/VerticalLayoutUI.h"

#include <gtest/gtest.h>

#include <memory>

namespace {

TEST(ControlAttributes, CommonAttributesReachTheirFields) {
    CControlUI control;
    control.SetAttributeList(
        L"pos=\"10,20,110,70\" padding=\"1,2,3,4\" bkcolor=\"#FF112233\" bkcolor2=\"FF445566\" "
        L"bordercolor=\"#FF000001\" bordersize=\"1,2,3,4\" borderround=\"5,6\" minwidth=\"7\" maxheight=\"80\" "
        L"name=\"n\" text=\"t\" userdata=\"u\" tag=\"9\" shortcut=\"xyz\" menu=\"true\" "
        L"keyboard=\"false\" mouse=\"false\"");
    EXPECT_EQ(control.GetFixedXY().cx, 10);
    EXPECT_EQ(control.GetFixedXY().cy, 20);
    EXPECT_EQ(control.GetFixedWidth(), 100);
    EXPECT_EQ(control.GetFixedHeight(), 50);
    EXPECT_EQ(control.GetPadding().bottom, 4);
    EXPECT_EQ(control.GetBkColor(), 0xFF112233u);
    EXPECT_EQ(control.GetBkColor2(), 0xFF445566u);
    EXPECT_EQ(control.GetBorderColor(), 0xFF000001u);
    EXPECT_EQ(control.GetBorderSize().right, 3);
    EXPECT_EQ(control.GetBorderRound().cy, 6);
    EXPECT_EQ(control.GetMinWidth(), 7);
    EXPECT_EQ(control.GetMaxHeight(), 80);
    EXPECT_EQ(control.GetName(), L"n");
    EXPECT_EQ(control.GetText(), L"t");
    EXPECT_EQ(control.GetUserData(), L"u");
    EXPECT_EQ(control.GetTag(), 9u);
    EXPECT_EQ(control.GetShortcut(), L'x');
    EXPECT_TRUE(control.IsContextMenuUsed());
    EXPECT_FALSE(control.IsKeyboardEnabled());
    EXPECT_FALSE(control.IsMouseEnabled());
}

TEST(ControlAttributes, BooleansAreExactAndLimitsIgnoreNegatives) {
    CControlUI control;
    control.SetAttribute(L"visible", L"TRUE");
    EXPECT_FALSE(control.IsVisible());
    control.SetAttribute(L"visible", L"true");
    EXPECT_TRUE(control.IsVisible());
    control.SetAttribute(L"maxwidth", L"-5");
    EXPECT_EQ(control.GetMaxWidth(), 9999);
    control.SetAttribute(L"bordersize", L"2");
    EXPECT_EQ(control.GetBorderSize().left, 2);
    EXPECT_EQ(control.GetBorderSize().bottom, 2);
    control.SetAttribute(L"tooltip", L"one<n>two");
    EXPECT_EQ(control.GetToolTip(), L"one\r\ntwo");
}

TEST(ControlAttributes, FloatTakesABooleanOrFourFractions) {
    CControlUI control;
    control.SetAttribute(L"float", L"true");
    EXPECT_TRUE(control.IsFloat());
    control.SetAttribute(L"float", L"false");
    EXPECT_FALSE(control.IsFloat());
    control.SetAttribute(L"float", L"0.5,0,1,0.25");
    EXPECT_TRUE(control.IsFloat());
    EXPECT_DOUBLE_EQ(control.GetFloatPercent().left, 0.5);
    EXPECT_DOUBLE_EQ(control.GetFloatPercent().bottom, 0.25);
}

TEST(ControlAttributes, UnknownNamesAreCustomAttributesKeepingTheFirstValue) {
    CControlUI control;
    control.SetAttribute(L"cover", L"true");
    control.SetAttribute(L"flavour", L"first");
    control.SetAttribute(L"flavour", L"second");
    control.SetAttribute(L"Text", L"case matters");
    EXPECT_EQ(control.GetCustomAttribute(L"flavour"), L"first");
    EXPECT_EQ(control.GetCustomAttribute(L"Text"), L"case matters");
    EXPECT_EQ(control.GetText(), L"");
}

TEST(ControlAttributes, ContainerAttributes) {
    CVerticalLayoutUI layout;
    layout.SetAttributeList(
        L"inset=\"1,2,3,4\" childpadding=\"6\" childalign=\"center\" childvalign=\"bottom\" "
        L"mousechild=\"false\" width=\"40\"");
    EXPECT_EQ(layout.GetInset().top, 2);
    EXPECT_EQ(layout.GetChildPadding(), 6);
    EXPECT_EQ(layout.GetChildAlign(), CContainerUI::AlignCenter);
    EXPECT_EQ(layout.GetChildVAlign(), CContainerUI::AlignBottom);
    EXPECT_FALSE(layout.IsMouseChildEnabled());
    EXPECT_EQ(layout.GetFixedWidth(), 40);  // passed on to the control table
    layout.SetAttribute(L"childalign", L"right");
    layout.SetAttribute(L"childalign", L"Center");  // values are exact: this one is not known
    EXPECT_EQ(layout.GetChildAlign(), CContainerUI::AlignRight);
    EXPECT_STREQ(layout.GetClass(), L"VerticalLayout");
    EXPECT_NE(layout.GetInterface(L"IContainer"), nullptr);
    EXPECT_NE(layout.GetInterface(L"Container"), nullptr);
    EXPECT_EQ(layout.GetInterface(L"TabLayout"), nullptr);
}

TEST(ControlAttributes, HiddenContainerHidesWhatIsAddedAndShowsItAgain) {
    CContainerUI container;
    container.SetVisible(false);
    auto* child = new CControlUI;
    ASSERT_TRUE(container.Add(child));
    EXPECT_FALSE(child->IsVisible());
    container.SetVisible(true);
    EXPECT_TRUE(child->IsVisible());
    EXPECT_EQ(child->GetParent(), &container);
    EXPECT_TRUE(container.Remove(child));  // auto-destroy deletes it
    EXPECT_EQ(container.GetCount(), 0);
}

// The one registration call at start-up makes every class of the toolkit known by name.
TEST(ControlFactory, KnowsEveryControlClassOnceTheToolkitStarts) {
    RegisterControlClasses();
    for (const wchar_t* name : {L"Label", L"Text", L"Button", L"Option", L"CheckBox", L"Progress", L"Edit", L"Combo",
                                L"ListLabelElement", L"RichEdit", L"ScrollBar", L"GifAnim", L"Control", L"Container",
                                L"VerticalLayout", L"HorizontalLayout", L"TabLayout"}) {
        std::unique_ptr<CControlUI> control(CControlFactory::Create(name));
        ASSERT_NE(control, nullptr) << std::wstring(name).size();
        EXPECT_STREQ(control->GetClass(), name);
    }
    EXPECT_EQ(CControlFactory::Create(L"NoSuchControl"), nullptr);
}

}  // namespace
