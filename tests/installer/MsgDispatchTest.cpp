#include "installer/MsgDispatch.h"

#include <gtest/gtest.h>

#include <thread>
#include <vector>

namespace {

// A message-only window that drains the queue on UM_DISPATCH, as the main window does.
class DispatchWindow : public CMsgDispatch<DispatchWindow> {
  public:
    struct Ran {
        int argument;
        std::wstring text;
        DWORD threadId;
    };

    DispatchWindow() {
        WNDCLASSW wc = {};
        wc.lpfnWndProc = &DispatchWindow::Proc;
        wc.hInstance = ::GetModuleHandleW(nullptr);
        wc.lpszClassName = L"VarloDispatchTestWindow";
        ::RegisterClassW(&wc);
        hwnd = ::CreateWindowExW(0, wc.lpszClassName, L"", 0, 0, 0, 0, 0, HWND_MESSAGE, nullptr, wc.hInstance, nullptr);
        ::SetWindowLongPtrW(hwnd, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(this));
    }
    ~DispatchWindow() override {
        if (hwnd != nullptr) {
            ::DestroyWindow(hwnd);
        }
    }

    void Record(int argument, const std::wstring& text) { ran.push_back({argument, text, ::GetCurrentThreadId()}); }
    // A call that posts the next one while it runs: the queue's lock must not be held.
    void PostAnother(int argument, const std::wstring& text) {
        Record(argument, text);
        PostCall(hwnd, &DispatchWindow::Record, argument + 1, text + L" again");
    }

    void Pump() {
        MSG msg;
        while (::PeekMessageW(&msg, hwnd, 0, 0, PM_REMOVE)) {
            ::DispatchMessageW(&msg);
        }
    }

    HWND hwnd = nullptr;
    std::vector<Ran> ran;
    std::vector<UINT> dispatchMessages;
    std::vector<size_t> ranAfterEachMessage;

  private:
    static LRESULT CALLBACK Proc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam) {
        auto* self = reinterpret_cast<DispatchWindow*>(::GetWindowLongPtrW(hwnd, GWLP_USERDATA));
        if (self != nullptr && IsDispatchMessage(message)) {
            EXPECT_EQ(wParam, 0u);
            EXPECT_EQ(lParam, 0);
            self->dispatchMessages.push_back(message);
            self->DrainCalls();
            self->ranAfterEachMessage.push_back(self->ran.size());
            return 0;
        }
        return ::DefWindowProcW(hwnd, message, wParam, lParam);
    }
};

TEST(MsgDispatchTest, FourPostsPerCallAndTheFirstRunsEverythingInOrder) {
    DispatchWindow window;
    ASSERT_NE(window.hwnd, nullptr);
    EXPECT_TRUE(window.PostCall(window.hwnd, &DispatchWindow::Record, 1, L"网络错误"));
    EXPECT_TRUE(window.PostCall(window.hwnd, &DispatchWindow::Record, 2, L"second"));
    EXPECT_TRUE(window.ran.empty()) << "nothing runs before the UI thread reads its messages";

    window.Pump();
    const std::vector<UINT> expected = {3024, 3025, 3026, 3027, 3024, 3025, 3026, 3027};
    EXPECT_EQ(window.dispatchMessages, expected);
    EXPECT_EQ(window.ranAfterEachMessage, std::vector<size_t>(8, 2)) << "the first message drained both calls";
    ASSERT_EQ(window.ran.size(), 2u);
    EXPECT_EQ(window.ran[0].argument, 1);
    EXPECT_EQ(window.ran[0].text, L"网络错误");
    EXPECT_EQ(window.ran[1].argument, 2);
    EXPECT_EQ(window.ran[1].text, L"second");
}

TEST(MsgDispatchTest, CallFromAnotherThreadRunsOnTheWindowThread) {
    DispatchWindow window;
    std::thread poster(
        [&] { EXPECT_TRUE(window.PostCall(window.hwnd, &DispatchWindow::Record, 7, std::wstring(5000, L'x'))); });
    poster.join();
    EXPECT_TRUE(window.ran.empty());
    window.Pump();
    ASSERT_EQ(window.ran.size(), 1u);
    EXPECT_EQ(window.ran[0].threadId, ::GetCurrentThreadId());
    EXPECT_EQ(window.ran[0].text, std::wstring(5000, L'x'));
}

TEST(MsgDispatchTest, ACallMayPostAnotherWhileItRuns) {
    DispatchWindow window;
    EXPECT_TRUE(window.PostCall(window.hwnd, &DispatchWindow::PostAnother, 1, L"first"));
    window.Pump();
    ASSERT_EQ(window.ran.size(), 2u);
    EXPECT_EQ(window.ran[1].argument, 2);
    EXPECT_EQ(window.ran[1].text, L"first again");
    EXPECT_EQ(window.dispatchMessages.size(), 8u);
}

TEST(MsgDispatchTest, NothingIsPostedWithoutAnOperationOrAWindow) {
    DispatchWindow window;
    EXPECT_FALSE(window.PostCall(window.hwnd, nullptr, 1, L"x"));
    HWND gone = window.hwnd;
    ::DestroyWindow(gone);
    window.hwnd = nullptr;
    EXPECT_FALSE(window.PostCall(gone, &DispatchWindow::Record, 1, L"x"));
}

}  // namespace
