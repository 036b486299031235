#include <gtest/gtest.h>

#include <windows.h>

#include <string>
#include <vector>

#include "installer/ShellActions.h"

namespace {

struct Calls {
    std::vector<std::wstring> desktop;
    bool desktopAnswers = true;
};
Calls g_calls;

bool FakeDesktop(const std::wstring& target, int) {
    g_calls.desktop.push_back(target);
    return g_calls.desktopAnswers;
}

// Only the desktop's shell opens a link; when it does not answer, nothing else is tried
// (this process would open it with administrator rights).
TEST(OpenLinkUnelevated, OnlyTheDesktopShellOpensALink) {
    const std::wstring url = L"https://example.invalid/content/6/39.html";
    for (const bool answers : {true, false}) {
        g_calls = Calls{};
        g_calls.desktopAnswers = answers;
        EXPECT_EQ(OpenLinkUnelevated(url, SW_SHOWNORMAL, LinkOpeners{&FakeDesktop}),
                  answers ? LinkRoute::DesktopShell : LinkRoute::NotOpened);
        EXPECT_EQ(g_calls.desktop, std::vector<std::wstring>{url});
    }
}

}  // namespace
