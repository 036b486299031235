#include <gtest/gtest.h>

#include <windows.h>

#include <string>
#include <vector>

#include "installer/ShellActions.h"

namespace {

struct Calls {
    std::vector<std::wstring> desktop;
    std::vector<std::wstring> direct;
    bool desktopAnswers = true;
    bool directAnswers = true;
};
Calls g_calls;

bool FakeDesktop(const std::wstring& target, int) {
    g_calls.desktop.push_back(target);
    return g_calls.desktopAnswers;
}

bool FakeDirect(const std::wstring& target, int) {
    g_calls.direct.push_back(target);
    return g_calls.directAnswers;
}

// The desktop's shell is asked first; this process opens a link itself only when no
// desktop shell takes it.
TEST(OpenLinkUnelevated, AsksTheDesktopShellFirst) {
    struct Case {
        bool desktopAnswers, directAnswers;
        LinkRoute route;
        size_t directCalls;
    } cases[] = {
        {true, true, LinkRoute::DesktopShell, 0},
        {false, true, LinkRoute::DirectCall, 1},
        {false, false, LinkRoute::NotOpened, 1},
    };
    const std::wstring url = L"https://example.invalid/content/6/39.html";
    for (const Case& c : cases) {
        g_calls = Calls{};
        g_calls.desktopAnswers = c.desktopAnswers;
        g_calls.directAnswers = c.directAnswers;
        EXPECT_EQ(OpenLinkUnelevated(url, SW_SHOWNORMAL, LinkOpeners{&FakeDesktop, &FakeDirect}), c.route);
        EXPECT_EQ(g_calls.desktop, std::vector<std::wstring>{url});
        EXPECT_EQ(g_calls.direct.size(), c.directCalls);
    }
}

TEST(OpenLinkUnelevated, TheSystemOpenersAreBothThere) {
    const LinkOpeners openers = SystemLinkOpeners();
    EXPECT_NE(openers.desktopShell, nullptr);
    EXPECT_NE(openers.direct, nullptr);
}

}  // namespace
