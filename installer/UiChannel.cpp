#include "installer/UiChannel.h"

#include <exception>
#include <utility>

bool CUiChannel::Open(HWND window) {
    std::lock_guard<std::mutex> hold(lock_);
    if (opened_ || window == nullptr) {
        return false;
    }
    opened_ = true;
    window_ = window;
    return true;
}

void CUiChannel::Close() {
    std::lock_guard<std::mutex> hold(lock_);
    window_ = nullptr;
}

bool CUiChannel::Post(Call call) noexcept {
    if (!call) {
        return false;
    }
    HWND window = nullptr;
    try {
        std::lock_guard<std::mutex> hold(lock_);
        if (!opened_) {
            return false;
        }
        // Queued even when the window has gone: it is then freed with the channel, on the
        // UI thread, never here.
        queue_.push_back(std::move(call));
        window = window_;
    } catch (const std::exception&) {
        return false;
    }
    return window != nullptr && ::PostMessageW(window, UM_CHANNEL, 0, 0) != FALSE;
}

void CUiChannel::Drain() {
    for (;;) {
        Call call;
        {
            std::lock_guard<std::mutex> hold(lock_);
            if (queue_.empty()) {
                return;
            }
            call = std::move(queue_.front());
            queue_.pop_front();
        }
        call();
    }
}
