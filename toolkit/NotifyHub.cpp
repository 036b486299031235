#include "toolkit/NotifyHub.h"

#include "toolkit/ControlUI.h"
#include "toolkit/IMessageFilterUI.h"
#include "toolkit/INotifyUI.h"
#include "toolkit/ITranslateAccelerator.h"
#include "toolkit/PointerList.h"

bool CNotifyHub::AddNotifier(INotifyUI* notifier) {
    return AddUnique(notifiers_, notifier);
}

bool CNotifyHub::RemoveNotifier(INotifyUI* notifier) {
    return RemoveItem(notifiers_, notifier);
}

bool CNotifyHub::AddPreMessageFilter(IMessageFilterUI* filter) {
    return AddUnique(preMessageFilters_, filter);
}

bool CNotifyHub::RemovePreMessageFilter(IMessageFilterUI* filter) {
    return RemoveItem(preMessageFilters_, filter);
}

bool CNotifyHub::AddMessageFilter(IMessageFilterUI* filter) {
    return AddUnique(messageFilters_, filter);
}

bool CNotifyHub::RemoveMessageFilter(IMessageFilterUI* filter) {
    return RemoveItem(messageFilters_, filter);
}

bool CNotifyHub::AddTranslateAccelerator(ITranslateAccelerator* accelerator) {
    return AddUnique(translateAccelerators_, accelerator);
}

bool CNotifyHub::RemoveTranslateAccelerator(ITranslateAccelerator* accelerator) {
    return RemoveItem(translateAccelerators_, accelerator);
}

// A filter may add or remove filters while it runs, so it runs over a copy.
bool CNotifyHub::RunFilters(const std::vector<IMessageFilterUI*>& filters,
                            UINT message,
                            WPARAM wParam,
                            LPARAM lParam,
                            LRESULT& result) {
    const std::vector<IMessageFilterUI*> snapshot = filters;
    for (IMessageFilterUI* filter : snapshot) {
        bool handled = false;
        const LRESULT answer = filter->MessageHandler(message, wParam, lParam, handled);
        if (handled) {
            result = answer;
            return true;
        }
    }
    return false;
}

bool CNotifyHub::PreFilter(UINT message, WPARAM wParam, LPARAM lParam, LRESULT& result) const {
    return RunFilters(preMessageFilters_, message, wParam, lParam, result);
}

bool CNotifyHub::Filter(UINT message, WPARAM wParam, LPARAM lParam, LRESULT& result) const {
    return RunFilters(messageFilters_, message, wParam, lParam, result);
}

bool CNotifyHub::TranslateAccelerator(const MSG* msg) const {
    for (ITranslateAccelerator* accelerator : translateAccelerators_) {
        if (accelerator->TranslateAccelerator(const_cast<MSG*>(msg)) == 0) {
            return true;
        }
    }
    return false;
}

// Handlers and listeners may come and go while one is told, so each list is copied first.
void CNotifyHub::Deliver(NotifyMessage& msg) const {
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

void CNotifyHub::Queue(const NotifyMessage& msg, bool allowRepeats) {
    if (!allowRepeats) {
        for (NotifyMessage& queued : queue_) {
            if (queued.sender == msg.sender && queued.type == msg.type) {
                queued.wParam = msg.wParam;
                queued.lParam = msg.lParam;
                queued.mouse = msg.mouse;
                queued.timestamp = msg.timestamp;
                return;
            }
        }
    }
    queue_.push_back(msg);
}

void CNotifyHub::RequestDelivery(HWND window) {
    if (!deliveryPosted_ && window != nullptr) {
        deliveryPosted_ = ::PostMessageW(window, kDeliveryMessage, 0, 0) != FALSE;
    }
}

// Notifications queued while delivering are delivered in the same run.
void CNotifyHub::DeliverQueued() {
    deliveryPosted_ = false;
    while (!queue_.empty()) {
        NotifyMessage msg = queue_.front();
        queue_.erase(queue_.begin());
        Deliver(msg);
    }
}

void CNotifyHub::ForgetSender(const CControlUI* control) {
    for (NotifyMessage& msg : queue_) {
        if (msg.sender == control) {
            msg.sender = nullptr;
        }
    }
}

void CNotifyHub::ClearQueue() {
    queue_.clear();
}
