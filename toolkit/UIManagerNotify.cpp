#include "toolkit/ControlUI.h"
#include "toolkit/INotifyUI.h"
#include "toolkit/UIManager.h"

#include "toolkit/PointerList.h"

#include <algorithm>

namespace {}  // namespace

void CUIManager::SendNotify(CControlUI* control,
                            const std::wstring& type,
                            WPARAM wParam,
                            LPARAM lParam,
                            bool async,
                            bool allowRepeats) {
    NotifyMessage msg;
    msg.type = type;
    msg.sender = control;
    msg.wParam = wParam;
    msg.lParam = lParam;
    SendNotify(msg, async, allowRepeats);
}

void CUIManager::SendNotify(NotifyMessage& msg, bool async, bool allowRepeats) {
    msg.mouse = lastMouse_;
    msg.timestamp = ::GetTickCount();
    if (usesVirtualWnd_ && msg.sender != nullptr) {
        msg.virtualWnd = msg.sender->GetEffectiveVirtualWnd();
    }
    if (!async) {
        if (msg.sender != nullptr) {
            const auto handlers = msg.sender->onNotify;
            for (const auto& handler : handlers) {
                handler(msg);
            }
        }
        const std::vector<INotifyUI*> notifiers = notifiers_;
        for (INotifyUI* notifier : notifiers) {
            notifier->Notify(msg);
        }
        return;
    }
    bool merged = false;
    if (!allowRepeats) {
        for (NotifyMessage& queued : asyncNotify_) {
            if (queued.sender == msg.sender && queued.type == msg.type) {
                queued.wParam = msg.wParam;
                queued.lParam = msg.lParam;
                queued.mouse = msg.mouse;
                queued.timestamp = msg.timestamp;
                merged = true;
                break;
            }
        }
    }
    if (!merged) {
        asyncNotify_.push_back(msg);
    }
    if (!asyncNotifyPosted_ && window_ != nullptr) {
        asyncNotifyPosted_ = ::PostMessageW(window_, kAsyncNotifyMessage, 0, 0) != FALSE;
    }
}

void CUIManager::DeliverQueuedNotifications() {
    asyncNotifyPosted_ = false;
    while (!asyncNotify_.empty()) {
        NotifyMessage msg = asyncNotify_.front();
        asyncNotify_.erase(asyncNotify_.begin());
        if (msg.sender != nullptr) {
            const auto handlers = msg.sender->onNotify;
            for (const auto& handler : handlers) {
                handler(msg);
            }
        }
        const std::vector<INotifyUI*> notifiers = notifiers_;
        for (INotifyUI* notifier : notifiers) {
            notifier->Notify(msg);
        }
    }
    std::vector<CControlUI*> cleanup;
    cleanup.swap(delayedCleanup_);
    for (CControlUI* control : cleanup) {
        delete control;
    }
}

bool CUIManager::AddNotifier(INotifyUI* notifier) {
    return AddUnique(notifiers_, notifier);
}

bool CUIManager::RemoveNotifier(INotifyUI* notifier) {
    return RemoveItem(notifiers_, notifier);
}

bool CUIManager::AddPreMessageFilter(IMessageFilterUI* filter) {
    return AddUnique(preMessageFilters_, filter);
}

bool CUIManager::RemovePreMessageFilter(IMessageFilterUI* filter) {
    return RemoveItem(preMessageFilters_, filter);
}

bool CUIManager::AddMessageFilter(IMessageFilterUI* filter) {
    return AddUnique(messageFilters_, filter);
}

bool CUIManager::RemoveMessageFilter(IMessageFilterUI* filter) {
    return RemoveItem(messageFilters_, filter);
}

bool CUIManager::AddTranslateAccelerator(ITranslateAccelerator* accelerator) {
    return AddUnique(translateAccelerators_, accelerator);
}

bool CUIManager::RemoveTranslateAccelerator(ITranslateAccelerator* accelerator) {
    return RemoveItem(translateAccelerators_, accelerator);
}

bool CUIManager::AddPostPaint(CControlUI* control) {
    return AddUnique(postPaint_, control);
}

bool CUIManager::RemovePostPaint(CControlUI* control) {
    return RemoveItem(postPaint_, control);
}

bool CUIManager::AddNativeWindow(CControlUI* control, HWND window) {
    if (control == nullptr || window == nullptr) {
        return false;
    }
    for (const NativeWindow& entry : nativeWindows_) {
        if (entry.window == window) {
            return false;
        }
    }
    nativeWindows_.push_back(NativeWindow{control, window});
    return true;
}

bool CUIManager::RemoveNativeWindow(HWND window) {
    const auto it = std::find_if(nativeWindows_.begin(), nativeWindows_.end(),
                                 [window](const NativeWindow& w) { return w.window == window; });
    if (it == nativeWindows_.end()) {
        return false;
    }
    nativeWindows_.erase(it);
    return true;
}

bool CUIManager::AddMouseLeaveNeeded(CControlUI* control) {
    return AddUnique(mouseLeaveNeeded_, control);
}

bool CUIManager::RemoveMouseLeaveNeeded(CControlUI* control) {
    return RemoveItem(mouseLeaveNeeded_, control);
}
