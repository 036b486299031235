// The main window as a keyboard user and a screen reader meet it: the accessibility tree
// read through the system's client calls (AccessibleObjectFromWindow, then the children),
// the Tab order, Space on boxes and buttons, and the focus mark on the screen.
#include <gtest/gtest.h>

#include <windows.h>
#include <oleacc.h>

#include <cstdio>
#include <string>
#include <vector>

#include "../toolkit/ScreenCapture.h"
#include "../toolkit/TestPaths.h"
#include "MainWndTestSupport.h"
#include "WindowDriver.h"
#include "engine/InstallDirRules.h"
#include "system/UninstallRegistration.h"
#include "toolkit/ControlUI.h"
#include "toolkit/OptionUI.h"
#include "util/ComPtr.h"
#include "util/ProcessUtil.h"
#include "util/Utf8.h"

namespace {

using WindowDriver::Pump;
using WindowDriver::PumpUntil;

struct Node {
    long id = 0;
    std::wstring name;
    long role = 0;
    long state = 0;
    std::wstring value;
    std::wstring description;
};

std::wstring TakeBstr(BSTR text) {
    std::wstring out = text != nullptr ? std::wstring(text, ::SysStringLen(text)) : L"";
    ::SysFreeString(text);
    return out;
}

// The window's client object as any screen reader gets it, and every child it lists.
std::vector<Node> ReadTree(HWND window, ComPtr<IAccessible>* keep = nullptr) {
    std::vector<Node> nodes;
    ComPtr<IAccessible> client;
    if (FAILED(::AccessibleObjectFromWindow(window, static_cast<DWORD>(OBJID_CLIENT), __uuidof(IAccessible),
                                            client.put_void())) ||
        !client) {
        ADD_FAILURE() << "no accessible object for the window";
        return nodes;
    }
    long count = 0;
    EXPECT_EQ(client->get_accChildCount(&count), S_OK);
    std::vector<VARIANT> children(static_cast<size_t>(count));
    long obtained = 0;
    EXPECT_EQ(::AccessibleChildren(client.get(), 0, count, children.data(), &obtained), S_OK);
    for (long i = 0; i < obtained; ++i) {
        VARIANT& child = children[static_cast<size_t>(i)];
        if (child.vt != VT_I4) {
            ADD_FAILURE() << "child " << i << " is not a simple element (vt " << child.vt << ")";
            ::VariantClear(&child);
            continue;
        }
        Node node;
        node.id = child.lVal;
        BSTR text = nullptr;
        client->get_accName(child, &text);
        node.name = TakeBstr(text);
        text = nullptr;
        client->get_accValue(child, &text);
        node.value = TakeBstr(text);
        text = nullptr;
        client->get_accDescription(child, &text);
        node.description = TakeBstr(text);
        VARIANT answer;
        ::VariantInit(&answer);
        if (SUCCEEDED(client->get_accRole(child, &answer)) && answer.vt == VT_I4) {
            node.role = answer.lVal;
        }
        ::VariantInit(&answer);
        if (SUCCEEDED(client->get_accState(child, &answer)) && answer.vt == VT_I4) {
            node.state = answer.lVal;
        }
        nodes.push_back(node);
    }
    if (keep != nullptr) {
        *keep = std::move(client);
    }
    return nodes;
}

std::wstring RoleText(long role) {
    wchar_t text[64] = {};
    ::GetRoleTextW(static_cast<DWORD>(role), text, 64);
    return text;
}

std::wstring StateText(long state) {
    std::wstring out;
    const struct {
        long bit;
        const wchar_t* text;
    } names[] = {{STATE_SYSTEM_CHECKED, L"checked"},     {STATE_SYSTEM_UNAVAILABLE, L"unavailable"},
                 {STATE_SYSTEM_FOCUSED, L"focused"},     {STATE_SYSTEM_FOCUSABLE, L"focusable"},
                 {STATE_SYSTEM_INVISIBLE, L"invisible"}, {STATE_SYSTEM_LINKED, L"linked"},
                 {STATE_SYSTEM_READONLY, L"read-only"}};
    for (const auto& n : names) {
        if ((state & n.bit) != 0) {
            out += (out.empty() ? L"" : L", ") + std::wstring(n.text);
        }
    }
    return out;
}

// The visible part of the tree as one table, for the test's output.
void PrintTable(const char* page, const std::vector<Node>& nodes) {
    std::printf("--- %s: %zu children, visible ones:\n", page, nodes.size());
    std::printf("%-3s | %-28s | %-14s | %-36s | %s\n", "id", "name", "role", "state", "value / description");
    for (const Node& n : nodes) {
        if ((n.state & STATE_SYSTEM_INVISIBLE) != 0) {
            continue;
        }
        std::printf("%-3ld | %-28s | %-14s | %-36s | %s%s%s\n", n.id, EncodeUtf8(n.name).c_str(),
                    EncodeUtf8(RoleText(n.role)).c_str(), EncodeUtf8(StateText(n.state)).c_str(),
                    EncodeUtf8(n.value).c_str(), n.description.empty() ? "" : " / ", EncodeUtf8(n.description).c_str());
    }
    std::fflush(stdout);
}

std::vector<Node> Visible(const std::vector<Node>& nodes) {
    std::vector<Node> out;
    for (const Node& n : nodes) {
        if ((n.state & STATE_SYSTEM_INVISIBLE) == 0) {
            out.push_back(n);
        }
    }
    return out;
}

// What one visible child must say. Only the listed state bits are compared.
struct Expected {
    const wchar_t* name;
    long role;
    long state;
    const wchar_t* value = L"";
};

constexpr long kCompared = STATE_SYSTEM_CHECKED | STATE_SYSTEM_UNAVAILABLE | STATE_SYSTEM_FOCUSED |
                           STATE_SYSTEM_FOCUSABLE | STATE_SYSTEM_INVISIBLE;

void ExpectVisible(const std::vector<Node>& nodes, const std::vector<Expected>& expected) {
    const std::vector<Node> visible = Visible(nodes);
    ASSERT_EQ(visible.size(), expected.size());
    for (size_t i = 0; i < expected.size(); ++i) {
        SCOPED_TRACE(EncodeUtf8(expected[i].name));
        EXPECT_EQ(visible[i].name, expected[i].name);
        EXPECT_EQ(RoleText(visible[i].role), RoleText(expected[i].role));
        EXPECT_EQ(StateText(visible[i].state & kCompared), StateText(expected[i].state));
        EXPECT_EQ(visible[i].value, expected[i].value);
    }
}

const Node* Named(const std::vector<Node>& nodes, const std::wstring& name, long role) {
    for (const Node& n : nodes) {
        if (n.name == name && n.role == role && (n.state & STATE_SYSTEM_INVISIBLE) == 0) {
            return &n;
        }
    }
    return nullptr;
}

class KeyboardAndScreenReaderTest : public ::testing::Test {
  protected:
    void SetUp() override {
        ::RegDeleteKeyW(HKEY_LOCAL_MACHINE, kUninstallKey);
        ASSERT_TRUE(h.Open());
        // A screen reader follows the system's keyboard focus: give it to the window.
        ::SetForegroundWindow(h.hwnd());
        ::SetFocus(h.hwnd());
        Pump(100);
        ASSERT_TRUE(h.window->Manager().HasKeyboardFocus());
    }
    void TearDown() override { ::RegDeleteKeyW(HKEY_LOCAL_MACHINE, kUninstallKey); }

    // A key as the keyboard sends it: to the window that has the focus (the path edit's
    // own window while it is open), through the window's message loop.
    void Press(WORD key, bool shift = false) {
        BYTE keys[256] = {};
        ::GetKeyboardState(keys);
        keys[VK_SHIFT] = shift ? 0x80 : 0;
        ::SetKeyboardState(keys);
        HWND target = ::GetFocus() != nullptr ? ::GetFocus() : h.hwnd();
        ::PostMessageW(target, WM_KEYDOWN, key, 1);
        if (key == VK_SPACE) {
            ::PostMessageW(target, WM_CHAR, L' ', 1);
        }
        ::PostMessageW(target, WM_KEYUP, key, 0xC0000001);
        Pump(80);
        keys[VK_SHIFT] = 0;
        ::SetKeyboardState(keys);
    }
    std::wstring Focused() {
        CControlUI* focus = h.window->Manager().GetFocus();
        return focus != nullptr ? focus->GetName() : L"<none>";
    }
    // The screen reader's idea of the focus: the name of the child the window reports.
    std::wstring ReaderFocus() {
        ComPtr<IAccessible> client;
        const std::vector<Node> nodes = ReadTree(h.hwnd(), &client);
        VARIANT focus;
        ::VariantInit(&focus);
        if (!client || client->get_accFocus(&focus) != S_OK || focus.vt != VT_I4) {
            return L"<none>";
        }
        for (const Node& n : nodes) {
            if (n.id == focus.lVal) {
                return n.name;
            }
        }
        return L"<window>";
    }

    // The installer's UI thread runs in a COM apartment, and the accessible object is
    // handed out through COM.
    ScopedComInit com;
    MainWndHarness h;
};

TEST_F(KeyboardAndScreenReaderTest, EveryPageReadsAsNamesRolesAndStates) {
    const std::wstring dir = DefaultInstallDir(GetSystemDirectoryPath());
    std::vector<Node> tree = ReadTree(h.hwnd());
    PrintTable("main page", tree);
    const long button = ROLE_SYSTEM_PUSHBUTTON;
    const long box = ROLE_SYSTEM_CHECKBUTTON;
    const long text = ROLE_SYSTEM_STATICTEXT;
    const long focusable = STATE_SYSTEM_FOCUSABLE;
    ExpectVisible(tree, {
                            {L"Varlo加速器", text, 0},
                            {L"Varlo加速器", text, 0},
                            {L"LOW LATENCY  ·  STABLE  ·  FAST", text, 0},
                            {L"同意 <<用户许可协议>>", box, focusable | STATE_SYSTEM_FOCUSED},
                            {L"同意", text, 0},
                            {L"<<用户许可协议>>", ROLE_SYSTEM_LINK, focusable},
                            {L"立即安装", button, STATE_SYSTEM_UNAVAILABLE},
                            {L"自定义", button, focusable},
                            {L"简体中文", ROLE_SYSTEM_COMBOBOX, focusable, L"简体中文"},
                            {L"最小化", button, focusable},
                            {L"关闭", button, focusable},
                        });
    const Node* install = Named(tree, L"立即安装", button);
    ASSERT_NE(install, nullptr);
    EXPECT_EQ(install->description, L"请先勾选服务协议") << "why the button is unavailable";
    // Hidden pages are there too, marked invisible, so child ids stay put between pages.
    const size_t hidden = tree.size() - Visible(tree).size();
    EXPECT_GE(hidden, 10u);

    // The screen reader's default action on the box ticks it, like a click.
    {
        ComPtr<IAccessible> client;
        tree = ReadTree(h.hwnd(), &client);
        const Node* agree = Named(tree, L"同意 <<用户许可协议>>", box);
        ASSERT_NE(agree, nullptr);
        VARIANT child;
        ::VariantInit(&child);
        child.vt = VT_I4;
        child.lVal = agree->id;
        BSTR action = nullptr;
        EXPECT_EQ(client->get_accDefaultAction(child, &action), S_OK);
        EXPECT_EQ(TakeBstr(action), L"Check");
        EXPECT_EQ(client->accDoDefaultAction(child), S_OK);
        ASSERT_TRUE(PumpUntil([&] { return h.Find<COptionUI>(L"agree_opt")->IsSelected(); }));
    }
    tree = ReadTree(h.hwnd());
    PrintTable("main page, agreed", tree);
    EXPECT_EQ(Named(tree, L"同意 <<用户许可协议>>", box)->state & STATE_SYSTEM_CHECKED, STATE_SYSTEM_CHECKED);
    EXPECT_EQ(Named(tree, L"立即安装", button)->state & (STATE_SYSTEM_UNAVAILABLE | focusable), focusable);
    EXPECT_EQ(Named(tree, L"立即安装", button)->description, L"");

    h.Click(L"self_install_btn");
    tree = ReadTree(h.hwnd());
    PrintTable("custom page", tree);
    ExpectVisible(tree, {
                            {L"Varlo加速器", text, 0},
                            {L"Varlo加速器", text, 0},
                            {L"LOW LATENCY  ·  STABLE  ·  FAST", text, 0},
                            {L"同意 <<用户许可协议>>", box, focusable | STATE_SYSTEM_CHECKED},
                            {L"同意", text, 0},
                            {L"<<用户许可协议>>", ROLE_SYSTEM_LINK, focusable},
                            {L"立即安装", button, focusable},
                            // The focus stays on the "自定义" spot when the page turns.
                            {L"自定义", button, focusable | STATE_SYSTEM_FOCUSED},
                            {L"安装路径：", text, 0},
                            {L"安装路径：", ROLE_SYSTEM_TEXT, focusable, dir.c_str()},
                            {L"更改路径", button, focusable},
                            {L"创建桌面图标", box, focusable | STATE_SYSTEM_CHECKED},
                            {L"创建到快速启动栏", box, focusable},
                            {L"开机自启动", box, focusable | STATE_SYSTEM_CHECKED},
                            {L"简体中文", ROLE_SYSTEM_COMBOBOX, focusable, L"简体中文"},
                            {L"最小化", button, focusable},
                            {L"关闭", button, focusable},
                        });

    h.Click(L"immediate_install_btn1");
    ASSERT_EQ(h.record.workerDirs.size(), 1u);
    tree = ReadTree(h.hwnd());
    PrintTable("progress page", tree);
    const Node* bar = nullptr;
    for (const Node& n : Visible(tree)) {
        bar = n.role == ROLE_SYSTEM_PROGRESSBAR ? &n : bar;
    }
    ASSERT_NE(bar, nullptr);
    EXPECT_EQ(bar->value, L"0%");
    EXPECT_NE(Named(tree, L"正在安装中，请稍后...", text), nullptr);
    EXPECT_EQ(Named(tree, L"简体中文", ROLE_SYSTEM_COMBOBOX), nullptr) << "the language is fixed once installing";

    ::SendMessageW(h.hwnd(), UM_FINISHED, 0, 0);
    Pump(100);
    tree = ReadTree(h.hwnd());
    PrintTable("finished page", tree);
    const Node* start = Named(tree, L"立即体验", button);
    ASSERT_NE(start, nullptr);
    EXPECT_EQ(start->state & STATE_SYSTEM_FOCUSED, STATE_SYSTEM_FOCUSED) << "Space starts the client from here";
    EXPECT_NE(Named(tree, L"安装完成", text), nullptr);
}

TEST_F(KeyboardAndScreenReaderTest, TabAndShiftTabFollowTheReadingOrder) {
    h.Click(L"agree_opt");
    h.Click(L"self_install_btn");
    Pump(100);
    EXPECT_EQ(Focused(), L"return_btn") << "the focus stays on the \"自定义\" spot";
    const std::vector<std::wstring> ring = {L"path_edit",
                                            L"selected_path_btn",
                                            L"create_desktop_icon_opt",
                                            L"fast_start_bar_opt",
                                            L"power_up_opt",
                                            L"lang_select_combo",
                                            L"min_btn",
                                            L"close_btn",
                                            L"agree_opt1",
                                            L"show_policy_btn1",
                                            L"immediate_install_btn1",
                                            L"return_btn"};
    std::vector<std::wstring> forward;
    std::vector<std::wstring> heard;
    for (size_t i = 0; i < ring.size(); ++i) {
        Press(VK_TAB);
        forward.push_back(Focused());
        heard.push_back(ReaderFocus());
    }
    EXPECT_EQ(forward, ring);
    EXPECT_EQ(heard[0], L"安装路径：") << "the edit is named by its caption";
    EXPECT_EQ(heard[2], L"创建桌面图标");
    EXPECT_EQ(heard[8], L"同意 <<用户许可协议>>");

    std::vector<std::wstring> backward;
    for (size_t i = 0; i < ring.size(); ++i) {
        Press(VK_TAB, true);
        backward.push_back(Focused());
    }
    std::vector<std::wstring> reversed(ring.rbegin() + 1, ring.rend());
    reversed.push_back(ring.back());
    EXPECT_EQ(backward, reversed);
}

TEST_F(KeyboardAndScreenReaderTest, SpaceTogglesABoxAndPressesAButtonAndTheFocusIsMarked) {
    auto& manager = h.window->Manager();
    auto* agree = h.Find<COptionUI>(L"agree_opt");
    EXPECT_EQ(Focused(), L"agree_opt") << "the first control takes the focus";
    EXPECT_FALSE(manager.IsKeyboardCuesShown()) << "no mark before the keyboard is used";

    Press(VK_SPACE);
    EXPECT_TRUE(agree->IsSelected());
    EXPECT_TRUE(manager.IsKeyboardCuesShown());
    Press(VK_SPACE);
    EXPECT_FALSE(agree->IsSelected());
    Press(VK_SPACE);
    EXPECT_TRUE(agree->IsSelected());

    // The mark: the skin's focus colour just outside the focused control.
    Pump(200);
    CScreenCapture shot;
    ASSERT_TRUE(shot.TakeClientArea(h.hwnd()));
    const std::wstring out = TestPaths::Host(VARLO_TEST_BINARY_DIR "/tests/installer/screens/");
    ::CreateDirectoryW(out.c_str(), nullptr);
    EXPECT_TRUE(shot.SaveBmp(out + L"focus-mark-agree.bmp"));
    const RECT pos = agree->GetPos();
    int marked = 0;
    for (int x = pos.left; x < pos.right; ++x) {
        marked += ColorNear(shot.At(x, pos.top - 2), 0x4FC3FF, 12) ? 1 : 0;
        marked += ColorNear(shot.At(x, pos.bottom + 1), 0x4FC3FF, 12) ? 1 : 0;
    }
    EXPECT_GT(marked, (pos.right - pos.left) / 2) << "a dotted line above and below the box";

    // A mouse user never sees it.
    WindowDriver::ClickAt(h.hwnd(), POINT{400, 190});
    EXPECT_FALSE(manager.IsKeyboardCuesShown());

    // Tab to "自定义" and press it with Space; clear an option; install with Space.
    manager.SetFocus(agree);
    for (const wchar_t* expected : {L"show_policy_btn", L"immediate_install_btn", L"self_install_btn"}) {
        Press(VK_TAB);
        EXPECT_EQ(Focused(), expected);
    }
    Press(VK_SPACE);
    EXPECT_EQ(h.Page(), kPageCustom);
    while (Focused() != L"power_up_opt") {
        Press(VK_TAB);
        ASSERT_NE(Focused(), L"return_btn") << "ran round without reaching the option";
    }
    Press(VK_SPACE);
    EXPECT_FALSE(h.Find<COptionUI>(L"power_up_opt")->IsSelected());
    while (Focused() != L"immediate_install_btn1") {
        Press(VK_TAB);
    }
    EXPECT_TRUE(h.record.workerDirs.empty());
    Press(VK_SPACE);
    EXPECT_EQ(h.record.workerDirs.size(), 1u);
    EXPECT_EQ(h.Page(), kPageProgress);
}

}  // namespace
