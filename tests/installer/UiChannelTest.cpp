#include "installer/UiChannel.h"

#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <thread>
#include <vector>

namespace {

// A message-only window that drains the channel on UM_CHANNEL, as the main window does.
class ChannelWindow {
  public:
    ChannelWindow() {
        WNDCLASSW wc = {};
        wc.lpfnWndProc = &ChannelWindow::Proc;
        wc.hInstance = ::GetModuleHandleW(nullptr);
        wc.lpszClassName = L"VarloChannelTestWindow";
        ::RegisterClassW(&wc);
        hwnd = ::CreateWindowExW(0, wc.lpszClassName, L"", 0, 0, 0, 0, 0, HWND_MESSAGE, nullptr, wc.hInstance, nullptr);
        ::SetWindowLongPtrW(hwnd, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(this));
    }
    ~ChannelWindow() {
        if (hwnd != nullptr) {
            ::DestroyWindow(hwnd);
        }
    }
    ChannelWindow(const ChannelWindow&) = delete;
    ChannelWindow& operator=(const ChannelWindow&) = delete;

    void Pump() {
        MSG msg;
        while (::PeekMessageW(&msg, hwnd, 0, 0, PM_REMOVE)) {
            ::DispatchMessageW(&msg);
        }
    }

    HWND hwnd = nullptr;
    CUiChannel channel;
    std::vector<std::wstring> ran;
    std::vector<DWORD> ranOn;
    std::vector<size_t> ranAfterEachMessage;

  private:
    static LRESULT CALLBACK Proc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam) {
        auto* self = reinterpret_cast<ChannelWindow*>(::GetWindowLongPtrW(hwnd, GWLP_USERDATA));
        if (self != nullptr && message == UM_CHANNEL) {
            EXPECT_EQ(wParam, 0u);
            EXPECT_EQ(lParam, 0);
            self->channel.Drain();
            self->ranAfterEachMessage.push_back(self->ran.size());
            return 0;
        }
        return ::DefWindowProcW(hwnd, message, wParam, lParam);
    }
};

// Records the thread that frees it.
struct FreedOn {
    explicit FreedOn(DWORD* where) : where_(where) {}
    ~FreedOn() { *where_ = ::GetCurrentThreadId(); }
    DWORD* where_;
};

TEST(UiChannelTest, CallsFromAnotherThreadRunOnTheWindowsThreadInOrder) {
    ChannelWindow window;
    ASSERT_TRUE(window.channel.Open(window.hwnd));
    std::thread worker([&] {
        EXPECT_TRUE(window.channel.Post([&] {
            window.ran.push_back(L"网络错误");
            window.ranOn.push_back(::GetCurrentThreadId());
        }));
        EXPECT_TRUE(window.channel.Post([&] {
            window.ran.push_back(std::wstring(5000, L'x'));
            window.ranOn.push_back(::GetCurrentThreadId());
        }));
    });
    worker.join();
    EXPECT_TRUE(window.ran.empty()) << "nothing runs before the UI thread reads its messages";
    window.Pump();
    ASSERT_EQ(window.ran.size(), 2u);
    EXPECT_EQ(window.ran[0], L"网络错误");
    EXPECT_EQ(window.ran[1], std::wstring(5000, L'x'));
    EXPECT_EQ(window.ranOn, std::vector<DWORD>(2, ::GetCurrentThreadId()));
    EXPECT_EQ(window.ranAfterEachMessage, (std::vector<size_t>{2, 2})) << "one wake-up per call; the first runs both";
}

TEST(UiChannelTest, ACallMayPostAnotherWhileItRuns) {
    ChannelWindow window;
    ASSERT_TRUE(window.channel.Open(window.hwnd));
    EXPECT_TRUE(window.channel.Post([&] {
        window.ran.push_back(L"first");
        window.channel.Post([&] { window.ran.push_back(L"second"); });
    }));
    window.Pump();
    EXPECT_EQ(window.ran, (std::vector<std::wstring>{L"first", L"second"}));
}

// A report that arrives after the window went never runs, and is freed with the channel,
// on the thread that owns it, not on the worker's.
TEST(UiChannelTest, CallsAfterTheWindowWentAreFreedWithTheChannelOnItsThread) {
    DWORD freedOn = 0;
    {
        ChannelWindow window;
        ASSERT_TRUE(window.channel.Open(window.hwnd));
        window.channel.Close();
        std::thread worker([&] {
            auto held = std::make_shared<FreedOn>(&freedOn);
            EXPECT_FALSE(window.channel.Post([held, &window] { window.ran.push_back(L"too late"); }));
        });
        worker.join();
        EXPECT_EQ(freedOn, 0u) << "still queued";
        window.Pump();
        EXPECT_TRUE(window.ran.empty());
    }
    EXPECT_EQ(freedOn, ::GetCurrentThreadId());
}

TEST(UiChannelTest, NothingIsTakenBeforeItOpensAndItOpensOnce) {
    ChannelWindow window;
    EXPECT_FALSE(window.channel.Post([] {})) << "not open yet";
    EXPECT_FALSE(window.channel.Open(nullptr));
    ASSERT_TRUE(window.channel.Open(window.hwnd));
    EXPECT_FALSE(window.channel.Open(window.hwnd)) << "the window is fixed once";
    EXPECT_FALSE(window.channel.Post(CUiChannel::Call()));
}

}  // namespace
