#include "TestWindow.h"

#include <gtest/gtest.h>

namespace {

class CFramedWindow : public CWindowWnd {
  protected:
    const wchar_t* GetWindowClassName() const override { return L"VarloToolkitFramedWindow"; }
};

TEST(WindowWnd, ModalLoopReturnsTheCloseResultAndFreesTheOwner) {
    CFramedWindow owner;
    ASSERT_NE(owner.Create(nullptr, L"owner", WS_OVERLAPPEDWINDOW, 0, 0, 0, 200, 200), nullptr);
    CTestWindow dialog(L"<Window size=\"50,40\"><Control/></Window>");
    ASSERT_NE(dialog.Create(owner, L"dialog", WS_POPUP, 0, 10, 10, 50, 40), nullptr);
    dialog.Close(42);
    EXPECT_EQ(dialog.ShowModal(), 42u);
    EXPECT_FALSE(::IsWindow(dialog.GetHWND()));
    EXPECT_TRUE(::IsWindowEnabled(owner.GetHWND()));
    ::DestroyWindow(owner.GetHWND());
}

TEST(WindowWnd, ResizeClientAndCenterOnTheOwner) {
    CFramedWindow owner;
    ASSERT_NE(owner.Create(nullptr, L"owner", WS_POPUP, 0, 100, 100, 400, 300), nullptr);
    CFramedWindow framed;
    ASSERT_NE(framed.Create(owner, L"framed", WS_OVERLAPPEDWINDOW, 0, 0, 0, 100, 100), nullptr);
    framed.ResizeClient(160, 90);
    RECT client{};
    ::GetClientRect(framed.GetHWND(), &client);
    EXPECT_EQ(client.right, 160);
    EXPECT_EQ(client.bottom, 90);
    framed.ResizeClient(-1, 120);
    ::GetClientRect(framed.GetHWND(), &client);
    EXPECT_EQ(client.right, 160);
    EXPECT_EQ(client.bottom, 120);

    framed.CenterWindow();
    RECT window{};
    ::GetWindowRect(framed.GetHWND(), &window);
    EXPECT_NEAR((window.left + window.right) / 2, 300, 1);
    EXPECT_NEAR((window.top + window.bottom) / 2, 250, 1);
    ::DestroyWindow(framed.GetHWND());
    ::DestroyWindow(owner.GetHWND());
}

}  // namespace
