#pragma once
// Who hears about one window: the notification listeners, the message filters that see
// messages before the manager, the accelerators offered queued messages, and the queue of
// notifications delivered later on the window's thread.

#include "toolkit/UIDefs.h"

#include <windows.h>

#include <vector>

class CControlUI;
class IMessageFilterUI;
class INotifyUI;
class ITranslateAccelerator;

class CNotifyHub {
  public:
    // Posted to the window to deliver the queue.
    static constexpr UINT kDeliveryMessage = WM_APP + 1;

    bool AddNotifier(INotifyUI* notifier);
    bool RemoveNotifier(INotifyUI* notifier);
    bool AddPreMessageFilter(IMessageFilterUI* filter);
    bool RemovePreMessageFilter(IMessageFilterUI* filter);
    bool AddMessageFilter(IMessageFilterUI* filter);
    bool RemoveMessageFilter(IMessageFilterUI* filter);
    bool AddTranslateAccelerator(ITranslateAccelerator* accelerator);
    bool RemoveTranslateAccelerator(ITranslateAccelerator* accelerator);

    // True, with the answer in `result`, when a filter handled the message.
    bool PreFilter(UINT message, WPARAM wParam, LPARAM lParam, LRESULT& result) const;
    bool Filter(UINT message, WPARAM wParam, LPARAM lParam, LRESULT& result) const;
    // True when an accelerator consumed the message.
    bool TranslateAccelerator(const MSG* msg) const;

    // To the sender's own handlers first, then to every listener.
    void Deliver(NotifyMessage& msg) const;
    // Unless repeats are allowed, a queued notification of the same sender and type takes
    // the new values instead of queueing a second one.
    void Queue(const NotifyMessage& msg, bool allowRepeats);
    // Posts the delivery message to the window unless one is already on its way.
    void RequestDelivery(HWND window);
    void DeliverQueued();
    // The control is going away: queued notifications keep going, without a sender.
    void ForgetSender(const CControlUI* control);
    void ClearQueue();

  private:
    static bool RunFilters(const std::vector<IMessageFilterUI*>& filters,
                           UINT message,
                           WPARAM wParam,
                           LPARAM lParam,
                           LRESULT& result);

    std::vector<INotifyUI*> notifiers_;
    std::vector<IMessageFilterUI*> preMessageFilters_;
    std::vector<IMessageFilterUI*> messageFilters_;
    std::vector<ITranslateAccelerator*> translateAccelerators_;
    std::vector<NotifyMessage> queue_;
    bool deliveryPosted_ = false;
};
