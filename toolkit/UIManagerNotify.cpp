#include "toolkit/ControlUI.h"
#include "toolkit/UIManager.h"

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
    AnnounceNotify(msg);
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
