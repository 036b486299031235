// The product skin as the program carries it: the layout the main window relies on, the
// images the layout and the message box name, and fonts that reach windows built in code.

#include <gtest/gtest.h>

#include <windows.h>

#include <optional>
#include <regex>
#include <set>
#include <string>
#include <vector>

#include "tests/toolkit/TestPaths.h"
#include "tests/toolkit/TestWindow.h"
#include "toolkit/ComboUI.h"
#include "toolkit/ControlClasses.h"
#include "toolkit/ControlUI.h"
#include "toolkit/FontEntry.h"
#include "toolkit/ImageEntry.h"
#include "toolkit/OptionUI.h"
#include "toolkit/SkinArchive.h"
#include "toolkit/TabLayoutUI.h"
#include "toolkit/UIManager.h"
#include "util/TextConv.h"

namespace {

constexpr char kSkinPassword[] = "Tm4RwQ8s";

const std::vector<uint8_t>& SkinBytes() {
    static const std::vector<uint8_t> bytes = TestPaths::ReadBytes(VARLO_SKIN_ZIP);
    return bytes;
}

class SkinTest : public ::testing::Test {
  protected:
    static void SetUpTestSuite() {
        ASSERT_FALSE(SkinBytes().empty()) << "the build writes skin.zip";
        CUIManager::SetInstance(::GetModuleHandleW(nullptr));
        RegisterControlClasses();
        CUIManager::SetResourceZip(SkinBytes().data(), SkinBytes().size(), kSkinPassword);
    }

    void SetUp() override {
        ASSERT_TRUE(window.Open(0, 0, WS_EX_TOOLWINDOW)) << "main.xml builds";
        CTestWindow::Pump(200);  // first paint: the layout
    }

    CControlUI* Find(const wchar_t* name) { return window.manager.FindControl(name); }

    CTestWindow window{L"main.xml"};
};

TEST_F(SkinTest, EveryControlTheWindowUsesIsThereWithItsClass) {
    const wchar_t* const expected[][2] = {
        {L"win_vert_layout", L"VerticalLayout"},
        {L"space_line_lab", L"Label"},
        {L"child_page_tab", L"TabLayout"},
        {L"agree_opt", L"Option"},
        {L"agree_opt1", L"Option"},
        {L"show_policy_btn", L"Button"},
        {L"show_policy_btn1", L"Button"},
        {L"show_policy_lab", L"Label"},
        {L"immediate_install_btn", L"Button"},
        {L"immediate_install_btn1", L"Button"},
        {L"self_install_btn", L"Button"},
        {L"return_btn", L"Button"},
        {L"setup_path_lab", L"Label"},
        {L"path_edit", L"Edit"},
        {L"selected_path_btn", L"Button"},
        {L"create_desktop_icon_opt", L"Option"},
        {L"fast_start_bar_opt", L"Option"},
        {L"power_up_opt", L"Option"},
        {L"lang_select_combo", L"Combo"},
        {L"setup_process", L"Progress"},
        {L"progress_tip_lab", L"Label"},
        {L"progress_tip_lab_desc", L"Label"},
        {L"immediate_startup_btn", L"Button"},
        {L"close_btn", L"Button"},
        {L"min_btn", L"Button"},
    };
    for (const auto& entry : expected) {
        const CControlUI* control = Find(entry[0]);
        ASSERT_NE(control, nullptr) << entry[0];
        EXPECT_STREQ(control->GetClass(), entry[1]) << entry[0];
    }
}

TEST_F(SkinTest, OpensCompactOnTheMainPageWithTheAgreementOpen) {
    RECT client;
    ::GetClientRect(window.GetHWND(), &client);
    EXPECT_EQ(client.right, 800);
    EXPECT_EQ(client.bottom, 430);
    const RECT caption = window.manager.GetCaptionRect();
    EXPECT_GT(caption.bottom, caption.top);
    // The install directory's edit must act on clicks: outside the dragging area.
    EXPECT_LE(caption.bottom, 430);
    const SIZE corner = window.manager.GetRoundCorner();
    EXPECT_GT(corner.cx, 0);
    EXPECT_GT(corner.cy, 0);

    auto* tab = static_cast<CTabLayoutUI*>(Find(L"child_page_tab"));
    EXPECT_EQ(tab->GetCount(), 4);
    EXPECT_EQ(tab->GetCurSel(), 0);
    EXPECT_EQ(Find(L"win_vert_layout")->GetBkImage(), L"file='bkimage/main_bk.png' source='0,0,800,430'");
    EXPECT_FALSE(Find(L"space_line_lab")->IsVisible());
    EXPECT_FALSE(static_cast<COptionUI*>(Find(L"agree_opt"))->IsSelected());
    EXPECT_FALSE(static_cast<COptionUI*>(Find(L"agree_opt1"))->IsSelected());
    EXPECT_FALSE(Find(L"immediate_install_btn")->IsEnabled());
    EXPECT_FALSE(Find(L"immediate_install_btn1")->IsEnabled());

    auto* combo = static_cast<CComboUI*>(Find(L"lang_select_combo"));
    ASSERT_EQ(combo->GetCount(), 2);
    EXPECT_EQ(combo->GetCurSel(), 0);
    EXPECT_EQ(combo->GetItemAt(0)->GetText(), L"简体中文");
    EXPECT_EQ(combo->GetItemAt(1)->GetText(), L"繁體中文");
}

TEST_F(SkinTest, EveryImageTheLayoutAndTheMessageBoxNameIsInTheSkin) {
    std::vector<uint8_t> bytes;
    std::wstring error;
    ASSERT_TRUE(CSkinArchive::ReadLayoutFile(L"main.xml", bytes, error));
    const std::optional<std::wstring> decoded = Utf8ToWide(std::string(bytes.begin(), bytes.end()));
    ASSERT_TRUE(decoded && !decoded->empty()) << "main.xml is UTF-8";
    const std::wstring& layout = *decoded;

    std::set<std::wstring> names = {
        L"bkimage/popup_bk.png",        L"btn/close_btn_nor.png",      L"btn/close_btn_hot.png",
        L"btn/popup_btn_gray_nor.png",  L"btn/popup_btn_gray_hot.png", L"btn/popup_btn_color_nor.png",
        L"btn/popup_btn_color_hot.png",
    };
    const std::wregex imageName(L"[A-Za-z0-9_]+/[A-Za-z0-9_]+\\.png");
    for (auto it = std::wsregex_iterator(layout.begin(), layout.end(), imageName); it != std::wsregex_iterator();
         ++it) {
        names.insert(it->str());
    }
    EXPECT_GT(names.size(), 20u);
    for (const std::wstring& name : names) {
        const ImageEntry* image = window.manager.GetImageEx(name);
        ASSERT_NE(image, nullptr) << std::string(name.begin(), name.end());
        EXPECT_GT(image->width, 0);
    }
    // One background serves both window heights; the box takes its shape from its own.
    const ImageEntry* background = window.manager.GetImageEx(L"bkimage/main_bk.png");
    EXPECT_EQ(background->width, 800);
    EXPECT_EQ(background->height, 550);
    const ImageEntry* popup = window.manager.GetImageEx(L"bkimage/popup_bk.png");
    EXPECT_EQ(popup->width, 444);
    EXPECT_EQ(popup->height, 266);
    EXPECT_TRUE(popup->hasAlpha);
}

TEST_F(SkinTest, WindowsBuiltInCodeFindTheFontsAndTheyDrawChinese) {
    // A second window without a layout of its own, as the message box is.
    CTestWindow box(L"");
    ASSERT_NE(box.Create(nullptr, L"box", WS_POPUP, WS_EX_TOOLWINDOW, 0, 0, 10, 10), nullptr);
    const FontEntry* font = box.manager.GetFontInfo(0);
    ASSERT_NE(font, nullptr);
    EXPECT_EQ(font->face, L"Microsoft YaHei");
    EXPECT_EQ(font->size, 14);

    HDC dc = ::GetDC(box.GetHWND());
    HGDIOBJ old = ::SelectObject(dc, font->font.get());
    const wchar_t text[] = L"安装尚未完成確定";
    WORD glyphs[8] = {};
    const DWORD converted = ::GetGlyphIndicesW(dc, text, 8, glyphs, GGI_MARK_NONEXISTING_GLYPHS);
    ::SelectObject(dc, old);
    ::ReleaseDC(box.GetHWND(), dc);
    ASSERT_EQ(converted, 8u);
    for (WORD glyph : glyphs) {
        EXPECT_NE(glyph, 0xFFFF);
    }
}

}  // namespace
