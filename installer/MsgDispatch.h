#pragma once
// The one way from any thread to the installer window's UI thread: a call is queued under
// a lock and the window is woken with posted messages; the UI thread takes the calls off
// one at a time and runs them outside the lock, so a call may itself post another.
//
// T is the window class (it derives from CMsgDispatch<T>); its message handler passes the
// UM_DISPATCH messages to DrainCalls. Every call owns its text, so a call that is never
// run (the window went away first) still releases it.

#include <windows.h>

#include <deque>
#include <mutex>
#include <exception>
#include <string>
#include <utility>

// Posted once each per call, in this order. The first that arrives drains the whole queue;
// the others find it empty.
inline constexpr UINT UM_DISPATCH_FIRST = WM_USER + 2000;  // 3024
inline constexpr UINT UM_DISPATCH_LAST = WM_USER + 2003;   // 3027

template <typename T>
class CMsgDispatch {
  public:
    // A window operation that a posted call runs: an integer and a text.
    using Operation = void (T::*)(int, const std::wstring&);

    struct DispatchCall {
        Operation operation = nullptr;
        int argument = 0;
        std::wstring text;
    };

    CMsgDispatch() = default;
    virtual ~CMsgDispatch() = default;
    CMsgDispatch(const CMsgDispatch&) = delete;
    CMsgDispatch& operator=(const CMsgDispatch&) = delete;

    [[nodiscard]] static bool IsDispatchMessage(UINT message) {
        return message >= UM_DISPATCH_FIRST && message <= UM_DISPATCH_LAST;
    }

    // Any thread. Queues the call, then posts the four UM_DISPATCH messages to `window`.
    // False when the call could not be queued or no message could be posted.
    bool PostCall(HWND window, Operation operation, int argument, std::wstring text) noexcept {
        if (operation == nullptr) {
            return false;
        }
        try {
            std::lock_guard<std::mutex> hold(lock_);
            queue_.push_back(DispatchCall{operation, argument, std::move(text)});
        } catch (const std::exception&) {
            return false;
        }
        bool posted = false;
        for (UINT message = UM_DISPATCH_FIRST; message <= UM_DISPATCH_LAST; ++message) {
            posted = ::PostMessageW(window, message, 0, 0) != FALSE || posted;
        }
        return posted;
    }

    // UI thread. Runs every queued call in the order it was posted, each outside the lock.
    void DrainCalls() {
        for (;;) {
            DispatchCall call;
            {
                std::lock_guard<std::mutex> hold(lock_);
                if (queue_.empty()) {
                    return;
                }
                call = std::move(queue_.front());
                queue_.pop_front();
            }
            (static_cast<T*>(this)->*call.operation)(call.argument, call.text);
        }
    }

  private:
    std::mutex lock_;
    std::deque<DispatchCall> queue_;
};
