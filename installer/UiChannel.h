#pragma once
// The one way from the install's thread to the window's: a call is queued under a lock and
// the window is woken with one posted message; the UI thread takes the calls off one at a
// time and runs them outside the lock, so a call may itself post another. The window is
// fixed when the channel opens, on the UI thread, so no other thread ever reads a handle
// the window may be clearing. Calls are freed where they run, on the UI thread; calls that
// never ran (the window went first) are freed with the channel, which the UI thread owns.

#include <windows.h>

#include <deque>
#include <functional>
#include <mutex>

// The message that wakes the UI thread; wParam and lParam are 0.
inline constexpr UINT UM_CHANNEL = WM_USER + 2000;

class CUiChannel {
  public:
    using Call = std::function<void()>;

    CUiChannel() = default;
    ~CUiChannel() = default;
    CUiChannel(const CUiChannel&) = delete;
    CUiChannel& operator=(const CUiChannel&) = delete;

    // UI thread: calls posted from now on wake `window`. Once only; a second open is refused.
    bool Open(HWND window);
    // UI thread: no call wakes the window any more (it is going); queued ones stay queued.
    void Close();

    // Any thread. Queues the call and wakes the window. False when the channel was never
    // opened or the call could not be queued (the call is dropped), or when the window is
    // closed or could not be woken (the call stays queued: it runs at the next wake-up, or
    // is freed with the channel).
    bool Post(Call call) noexcept;

    // UI thread, on UM_CHANNEL. Runs every queued call in the order it was posted.
    void Drain();

  private:
    std::mutex lock_;
    HWND window_ = nullptr;
    bool opened_ = false;
    std::deque<Call> queue_;
};
