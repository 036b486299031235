#include "toolkit/ComboWnd.h"

#include "toolkit/ComboBodyUI.h"
#include "toolkit/ComboUI.h"
#include "toolkit/DropDownPlacement.h"
#include "toolkit/MessagePoint.h"

#include <windowsx.h>

namespace {

UiRect ToUi(const RECT& r) {
    return UiRect{r.left, r.top, r.right, r.bottom};
}

void ApplyDefaults(CControlUI* control, CUIManager* manager, const wchar_t* element) {
    if (control == nullptr || manager == nullptr) {
        return;
    }
    const std::wstring list = manager->GetDefaultAttributeList(element);
    if (!list.empty()) {
        control->SetAttributeList(list);
    }
}

}  // namespace

bool CComboWnd::Init(CComboUI* owner) {
    owner_ = owner;
    openedWith_ = owner->GetCurSel();
    CUIManager* comboManager = owner->GetManager();
    if (comboManager == nullptr || comboManager->GetPaintWindow() == nullptr) {
        return false;
    }
    HWND parent = comboManager->GetPaintWindow();
    const RECT pos = owner->GetPos();
    POINT topLeft{pos.left, pos.top};
    POINT bottomRight{pos.right, pos.bottom};
    ::ClientToScreen(parent, &topLeft);
    ::ClientToScreen(parent, &bottomRight);

    DropDownRequest request;
    request.combo = UiRect{topLeft.x, topLeft.y, bottomRight.x, bottomRight.y};
    const SIZE dropBox = owner->Scaled(owner->GetDropBoxSize());
    request.dropWidth = dropBox.cx;
    request.maxHeight = dropBox.cy;
    const int width = request.dropWidth > 0 ? request.dropWidth : request.combo.Width();
    for (int i = 0; i < owner->GetCount(); ++i) {
        CControlUI* item = owner->GetItemAt(i);
        if (item->IsVisible()) {
            request.itemHeights.push_back(item->EstimateSize(SIZE{width, request.maxHeight}).cy);
        }
    }
    RECT work{};
    ::SystemParametersInfoW(SPI_GETWORKAREA, 0, &work, 0);
    request.workArea = ToUi(work);
    const UiRect place = PlaceDropDown(request);

    if (Create(parent, nullptr, WS_POPUP, WS_EX_TOOLWINDOW, RECT{place.left, place.top, place.right, place.bottom}) ==
        nullptr) {
        return false;
    }
    ::ShowWindow(window_, SW_SHOW);
    // With the list on the screen, the selected row takes the focus and comes into view.
    if (openedWith_ >= 0 && openedWith_ < owner->GetCount()) {
        manager_.SetFocus(owner->GetItemAt(openedWith_), false);
        EnsureVisible(openedWith_);
    }
    return true;
}

void CComboWnd::OnCreate() {
    manager_.Init(window_);
    CUIManager* comboManager = owner_->GetManager();
    body_ = new CComboBodyUI(owner_);
    body_->SetManager(&manager_, nullptr, true);
    ApplyDefaults(body_, comboManager, L"VerticalLayout");
    body_->EnableScrollBar(true, false);
    body_->SetAttributeList(owner_->GetDropBoxAttributeList());
    for (int i = 0; i < 4; ++i) {
        const std::wstring& value = owner_->GetDropScrollBarAttribute(i);
        if (!value.empty()) {
            body_->SetAttribute(CComboUI::kDropScrollBarNames[i], value.c_str());
        }
    }
    ApplyDefaults(body_->GetVerticalScrollBar(), comboManager, L"VScrollBar");
    ApplyDefaults(body_->GetHorizontalScrollBar(), comboManager, L"HScrollBar");
    for (int i = 0; i < owner_->GetCount(); ++i) {
        body_->Add(owner_->GetItemAt(i));
    }
    manager_.AttachRoot(body_);
    manager_.AddNotifier(this);
    // Lay the rows out now, so the selected one can be scrolled into view before the
    // first paint.
    RECT client{};
    ::GetClientRect(window_, &client);
    body_->SetPos(client, false);
}

void CComboWnd::RequestClose() {
    if (closeRequested_ || window_ == nullptr) {
        return;
    }
    closeRequested_ = true;
    Close();
}

void CComboWnd::Abandon() {
    HandItemsBack(false);
    owner_ = nullptr;
    if (window_ != nullptr) {
        ::DestroyWindow(window_);
    }
}

void CComboWnd::HandItemsBack(bool restore) {
    if (itemsHandedBack_ || owner_ == nullptr) {
        return;
    }
    itemsHandedBack_ = true;
    if (body_ != nullptr) {
        body_->RemoveAll();  // the body never deletes what it borrowed
    }
    CUIManager* comboManager = owner_->GetManager();
    for (int i = 0; i < owner_->GetCount(); ++i) {
        owner_->GetItemAt(i)->SetManager(comboManager, owner_, false);
    }
    owner_->dropWindow_ = nullptr;
    if (restore) {
        owner_->SetPos(owner_->GetPos(), false);
        owner_->SetFocus();
        owner_->Invalidate();
    }
}

void CComboWnd::EnsureVisible(int index) {
    if (body_ == nullptr || owner_ == nullptr || index < 0 || index >= owner_->GetCount()) {
        return;
    }
    const RECT item = owner_->GetItemAt(index)->GetPos();
    RECT area = body_->GetPos();
    const RECT inset = body_->Scaled(body_->GetInset());
    area.top += inset.top;
    area.bottom -= inset.bottom;
    if (CControlUI* bar = body_->GetHorizontalScrollBar(); bar != nullptr && bar->IsVisible()) {
        area.bottom -= body_->Scaled(bar->GetFixedHeight());
    }
    SIZE scroll = body_->GetScrollPos();
    if (item.top < area.top) {
        scroll.cy -= area.top - item.top;
    } else if (item.bottom > area.bottom) {
        scroll.cy += item.bottom - area.bottom;
    } else {
        return;
    }
    body_->SetScrollPos(scroll);
}

bool CComboWnd::IsOverScrollBar(LPARAM lParam) const {
    const POINT point = PointFromLParam(lParam);
    CControlUI* control = manager_.FindControl(point);
    return control != nullptr && control->GetInterface(L"ScrollBar") != nullptr;
}

void CComboWnd::Notify(NotifyMessage& msg) {
    // What the rows report belongs to the combo's window, which is listening there.
    if (owner_ == nullptr || owner_->GetManager() == nullptr) {
        return;
    }
    if (msg.type == L"itemclick" || msg.type == L"itemactivate") {
        owner_->GetManager()->SendNotify(msg.sender, msg.type, msg.wParam, msg.lParam);
    }
}

LRESULT CComboWnd::HandleMessage(UINT message, WPARAM wParam, LPARAM lParam) {
    LRESULT result = 0;
    switch (message) {
        case WM_CREATE:
            OnCreate();
            return 0;
        case WM_CLOSE:
            manager_.MessageHandler(message, wParam, lParam, result);
            HandItemsBack(true);
            return CWindowWnd::HandleMessage(message, wParam, lParam);
        case WM_DESTROY:
            HandItemsBack(false);
            break;
        case WM_LBUTTONDOWN:
            if (IsOverScrollBar(lParam)) {
                scrollBarPressed_ = true;
            }
            break;
        case WM_LBUTTONUP: {
            const bool overScrollBar = IsOverScrollBar(lParam);
            manager_.MessageHandler(message, wParam, lParam, result);
            if (scrollBarPressed_) {
                scrollBarPressed_ = false;
            } else if (!overScrollBar) {
                RequestClose();
            }
            return 0;
        }
        case WM_KEYDOWN:
            if (owner_ == nullptr) {
                break;
            }
            if (wParam == VK_RETURN) {
                RequestClose();
            } else if (wParam == VK_ESCAPE) {
                owner_->SelectItem(openedWith_, true, true);
                RequestClose();
            } else {
                UIEvent event;
                event.type = UIEventType::KeyDown;
                event.sender = owner_;
                event.timestamp = ::GetTickCount();
                event.key = static_cast<wchar_t>(wParam);
                event.wParam = wParam;
                event.lParam = lParam;
                owner_->DoEvent(event);
                EnsureVisible(owner_->GetCurSel());
            }
            return 0;
        case WM_MOUSEWHEEL:
            if (owner_ != nullptr) {
                UIEvent event;
                event.type = UIEventType::ScrollWheel;
                event.sender = owner_;
                event.timestamp = ::GetTickCount();
                event.wParam = GET_WHEEL_DELTA_WPARAM(wParam) < 0 ? 1 : 0;
                owner_->DoEvent(event);
                EnsureVisible(owner_->GetCurSel());
            }
            return 0;
        case WM_KILLFOCUS: {
            HWND to = reinterpret_cast<HWND>(wParam);
            if (to != window_ && !::IsChild(window_, to)) {
                RequestClose();
            }
            break;
        }
        default:
            break;
    }
    if (manager_.MessageHandler(message, wParam, lParam, result)) {
        return result;
    }
    return CWindowWnd::HandleMessage(message, wParam, lParam);
}

void CComboWnd::OnFinalMessage(HWND) {
    if (owner_ != nullptr && owner_->dropWindow_ == this) {
        owner_->dropWindow_ = nullptr;
    }
    delete this;
}
