#include "MessagePump.h"

#include "toolkit/UIManager.h"

namespace {

void HandleQueued() {
    MSG msg;
    while (::PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE)) {
        if (!CUIManager::TranslateMessage(&msg)) {
            ::TranslateMessage(&msg);
            ::DispatchMessageW(&msg);
        }
    }
}

}  // namespace

void PumpMessages(DWORD ms) {
    const DWORD start = ::GetTickCount();
    for (;;) {
        HandleQueued();
        const DWORD elapsed = ::GetTickCount() - start;
        if (elapsed >= ms) {
            return;
        }
        const DWORD left = ms - elapsed;
        ::MsgWaitForMultipleObjects(0, nullptr, FALSE, left < 10 ? left : 10, QS_ALLINPUT);
    }
}

bool PumpMessagesUntil(const std::function<bool()>& done, DWORD timeoutMs) {
    const DWORD start = ::GetTickCount();
    while (!done()) {
        if (::GetTickCount() - start > timeoutMs) {
            return false;
        }
        HandleQueued();
        ::MsgWaitForMultipleObjects(0, nullptr, FALSE, 10, QS_ALLINPUT);
    }
    return true;
}
