#include "toolkit/ControlUI.h"
#include "toolkit/PointerList.h"
#include "toolkit/UIManager.h"

#include <algorithm>

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
        notify_.Deliver(msg);
        return;
    }
    notify_.Queue(msg, allowRepeats);
    notify_.RequestDelivery(window_);
}

void CUIManager::DeliverQueuedNotifications() {
    notify_.DeliverQueued();
    std::vector<CControlUI*> cleanup;
    cleanup.swap(delayedCleanup_);
    for (CControlUI* control : cleanup) {
        delete control;
    }
}

bool CUIManager::AddNotifier(INotifyUI* notifier) {
    return notify_.AddNotifier(notifier);
}

bool CUIManager::RemoveNotifier(INotifyUI* notifier) {
    return notify_.RemoveNotifier(notifier);
}

bool CUIManager::AddPreMessageFilter(IMessageFilterUI* filter) {
    return notify_.AddPreMessageFilter(filter);
}

bool CUIManager::RemovePreMessageFilter(IMessageFilterUI* filter) {
    return notify_.RemovePreMessageFilter(filter);
}

bool CUIManager::AddMessageFilter(IMessageFilterUI* filter) {
    return notify_.AddMessageFilter(filter);
}

bool CUIManager::RemoveMessageFilter(IMessageFilterUI* filter) {
    return notify_.RemoveMessageFilter(filter);
}

bool CUIManager::AddTranslateAccelerator(ITranslateAccelerator* accelerator) {
    return notify_.AddTranslateAccelerator(accelerator);
}

bool CUIManager::RemoveTranslateAccelerator(ITranslateAccelerator* accelerator) {
    return notify_.RemoveTranslateAccelerator(accelerator);
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
