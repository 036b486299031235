#include "toolkit/ComboUI.h"

#include "toolkit/AttributeValue.h"
#include "toolkit/ComboSelection.h"
#include "toolkit/ComboWnd.h"
#include "toolkit/GdiTextMeasurer.h"
#include "toolkit/IListItemUI.h"
#include "toolkit/LanguageTexts.h"
#include "toolkit/RenderKit.h"
#include "toolkit/TextAlign.h"
#include "toolkit/UIManager.h"

#include <cwchar>

namespace {

bool Is(const wchar_t* a, const wchar_t* b) {
    return std::wcscmp(a, b) == 0;
}

IListItemUI* AsListItem(CControlUI* control) {
    return control != nullptr ? static_cast<IListItemUI*>(control->GetInterface(L"IListItem")) : nullptr;
}

// Holds the select-close flag off while keys or the wheel move the selection, so the
// list stays open.
class SelectCloseOff {
  public:
    explicit SelectCloseOff(bool& flag) : flag_(flag), saved_(flag) { flag_ = false; }
    ~SelectCloseOff() { flag_ = saved_; }
    SelectCloseOff(const SelectCloseOff&) = delete;
    SelectCloseOff& operator=(const SelectCloseOff&) = delete;

  private:
    bool& flag_;
    bool saved_;
};

}  // namespace

CComboUI::CComboUI() = default;

CComboUI::~CComboUI() {
    if (dropWindow_ != nullptr) {
        dropWindow_->Abandon();
    }
}

const wchar_t* CComboUI::GetClass() const {
    return L"Combo";
}

void* CComboUI::GetInterface(const wchar_t* name) {
    if (Is(name, L"Combo")) {
        return this;
    }
    if (Is(name, L"IListOwner")) {
        return static_cast<IListOwnerUI*>(this);
    }
    return CContainerUI::GetInterface(name);
}

UINT CComboUI::GetControlFlags() const {
    return (IsKeyboardEnabled() ? UIFlag::TabStop : 0) | (IsEnabled() ? UIFlag::SetCursor : 0);
}

void CComboUI::DoInit() {
    Reindex();
}

void CComboUI::SetEnabled(bool enabled) {
    CContainerUI::SetEnabled(enabled);
    if (!enabled) {
        state_.Clear();
    }
}

void CComboUI::Reindex() {
    for (size_t i = 0; i < items_.size(); ++i) {
        if (IListItemUI* item = AsListItem(items_[i])) {
            item->SetOwner(this);
            item->SetIndex(static_cast<int>(i));
        }
    }
}

bool CComboUI::Add(CControlUI* control) {
    if (!CContainerUI::Add(control)) {
        return false;
    }
    Reindex();
    return true;
}

bool CComboUI::AddAt(CControlUI* control, int index) {
    if (!CContainerUI::AddAt(control, index)) {
        return false;
    }
    Reindex();
    // An item put in front of the selection moves it down one place.
    if (curSel_ >= 0 && GetItemIndex(control) <= curSel_) {
        ++curSel_;
    }
    return true;
}

bool CComboUI::Remove(CControlUI* control, bool keep) {
    const int index = GetItemIndex(control);
    if (index < 0) {
        return false;
    }
    return RemoveAt(index, keep);
}

bool CComboUI::RemoveAt(int index, bool keep) {
    if (index < 0 || index >= GetCount()) {
        return false;
    }
    if (!CContainerUI::RemoveAt(index, keep)) {
        return false;
    }
    Reindex();
    if (index == curSel_) {
        curSel_ = -1;
    } else if (index < curSel_) {
        --curSel_;
    }
    Invalidate();
    return true;
}

void CComboUI::RemoveAll() {
    curSel_ = -1;
    CContainerUI::RemoveAll();
}

void CComboUI::SetPos(RECT rect, bool needInvalidate) {
    // The items are laid out by the drop-down list, never over the box itself.
    CControlUI::SetPos(rect, needInvalidate);
}

SIZE CComboUI::EstimateSize(SIZE available) {
    if (fixedHeight_ > 0) {
        return CControlUI::EstimateSize(available);
    }
    return SIZE{Scaled(fixedWidth_), CGdiTextMeasurer(manager_).GetLineHeight(-1) + Scaled(8)};
}

CControlUI* CComboUI::FindControl(FindControlProc proc, void* data, UINT flags) {
    // On the screen the box is one control: its items are not under the pointer.
    if ((flags & UIFind::HitTest) != 0) {
        return CControlUI::FindControl(proc, data, flags);
    }
    return CContainerUI::FindControl(proc, data, flags);
}

HWND CComboUI::GetDropWindowHandle() const {
    return dropWindow_ != nullptr ? dropWindow_->GetHWND() : nullptr;
}

std::vector<bool> CComboUI::SelectableItems() const {
    std::vector<bool> selectable(items_.size(), false);
    for (size_t i = 0; i < items_.size(); ++i) {
        CControlUI* item = items_[i];
        selectable[i] = AsListItem(item) != nullptr && item->IsVisible() && item->IsEnabled();
    }
    return selectable;
}

int CComboUI::FindSelectable(int index, bool forward) const {
    return CComboSelection::FindSelectable(SelectableItems(), index, forward);
}

bool CComboUI::SelectItem(int index, bool takeFocus, bool notify) {
    if (dropWindow_ != nullptr && selectCloseFlag_) {
        dropWindow_->RequestClose();
    }
    if (index == curSel_) {
        return true;
    }
    const int old = curSel_;
    if (curSel_ >= 0 && curSel_ < GetCount()) {
        if (IListItemUI* item = AsListItem(GetItemAt(curSel_))) {
            item->Select(false, notify);
        }
    }
    curSel_ = -1;
    if (index < 0 || items_.empty()) {
        Invalidate();
        return false;
    }
    if (index >= GetCount()) {
        index = GetCount() - 1;
    }
    CControlUI* control = GetItemAt(index);
    IListItemUI* item = AsListItem(control);
    if (item == nullptr || !control->IsEnabled()) {
        Invalidate();
        return false;
    }
    curSel_ = index;
    if (dropWindow_ != nullptr || takeFocus) {
        control->SetFocus();
    }
    item->Select(true, notify);
    if (notify && manager_ != nullptr) {
        manager_->SendNotify(this, L"itemselect", static_cast<WPARAM>(curSel_), static_cast<LPARAM>(old));
    }
    Invalidate();
    return true;
}

// A key or wheel step that finds nothing to go to leaves the selection as it is.
void CComboUI::MoveSelection(int target) {
    if (target < 0) {
        return;
    }
    SelectCloseOff off(selectCloseFlag_);
    SelectItem(target, false, true);
}

bool CComboUI::Activate() {
    if (!CControlUI::Activate() || dropWindow_ != nullptr) {
        return false;
    }
    dropWindow_ = new CComboWnd();
    if (!dropWindow_->Init(this)) {
        // Init failed before a window existed: nothing else owns the object.
        delete dropWindow_;
        dropWindow_ = nullptr;
        return false;
    }
    if (manager_ != nullptr) {
        manager_->SendNotify(this, L"dropdown");
    }
    Invalidate();
    return true;
}

void CComboUI::DoEvent(UIEvent& event) {
    if (PassMouseEventOn(event, parent_)) {
        return;
    }
    using Step = CComboSelection::Step;
    const bool inside = ::PtInRect(&pos_, event.mouse) != FALSE;
    switch (event.type) {
        case UIEventType::SetFocus:
        case UIEventType::KillFocus:
            focused_ = event.type == UIEventType::SetFocus;
            Invalidate();
            return;
        case UIEventType::ButtonDown:
            if (IsEnabled()) {
                Activate();
                state_.Set(UIState::Pushed | UIState::Captured, true);
                Invalidate();
            }
            return;
        case UIEventType::ButtonUp:
            if (state_.Has(UIState::Captured)) {
                state_.Set(UIState::Pushed | UIState::Captured, false);
                Invalidate();
            }
            return;
        case UIEventType::MouseMove:
            return;
        case UIEventType::KeyDown:
            if (!IsKeyboardEnabled() || !IsEnabled()) {
                return;
            }
            switch (event.key) {
                case VK_F4:
                    Activate();
                    return;
                case VK_UP:
                case VK_PRIOR:
                    MoveSelection(CComboSelection::Target(SelectableItems(), curSel_, Step::Previous));
                    return;
                case VK_DOWN:
                case VK_NEXT:
                    MoveSelection(CComboSelection::Target(SelectableItems(), curSel_, Step::Next));
                    return;
                case VK_HOME:
                    MoveSelection(CComboSelection::Target(SelectableItems(), curSel_, Step::First));
                    return;
                case VK_END:
                    MoveSelection(CComboSelection::Target(SelectableItems(), curSel_, Step::Last));
                    return;
                default:
                    return;
            }
        case UIEventType::ScrollWheel:
            if (IsEnabled()) {
                const bool down = event.wParam == 1;
                MoveSelection(CComboSelection::Target(SelectableItems(), curSel_, down ? Step::Next : Step::Previous));
            }
            return;
        case UIEventType::MouseEnter:
        case UIEventType::MouseLeave:
            (void)TrackHover(event, inside, state_);
            return;
        default:
            CControlUI::DoEvent(event);
            return;
    }
}

bool CComboUI::DoPaint(HDC dc, const RECT& paint, CControlUI* stop) {
    return CControlUI::DoPaint(dc, paint, stop);
}

void CComboUI::PaintStatusImage(HDC dc) {
    state_.Set(UIState::Focused, IsFocused());
    state_.Set(UIState::Disabled, !IsEnabled());
    if (state_.Has(UIState::Disabled) && DrawImage(dc, disabledImage_)) {
        return;
    }
    if (state_.Has(UIState::Pushed) && DrawImage(dc, pushedImage_)) {
        return;
    }
    if (state_.Has(UIState::Hot) && DrawImage(dc, hotImage_)) {
        return;
    }
    if (state_.Has(UIState::Focused) && DrawImage(dc, focusedImage_)) {
        return;
    }
    DrawImage(dc, normalImage_);
}

void CComboUI::PaintText(HDC dc) {
    if (!showText_ || curSel_ < 0 || curSel_ >= GetCount() || manager_ == nullptr) {
        return;
    }
    if (textColor_ == 0) {
        textColor_ = manager_->GetDefaultFontColor();
    }
    if (disabledTextColor_ == 0) {
        disabledTextColor_ = manager_->GetDefaultDisabledColor();
    }
    RECT rect = pos_;
    const RECT padding = Scaled(textPadding_);
    rect.left += padding.left;
    rect.top += padding.top;
    rect.right -= padding.right;
    rect.bottom -= padding.bottom;
    const std::wstring text = CLanguageTexts::Replace(GetItemAt(curSel_)->GetText());
    CRenderKit::DrawText(dc, manager_, rect, text, IsEnabled() ? textColor_ : disabledTextColor_, font_, textStyle_);
}

void CComboUI::SetShowText(bool show) {
    showText_ = show;
    Invalidate();
}

void CComboUI::SetTextPadding(RECT padding) {
    textPadding_ = padding;
    Invalidate();
}

void CComboUI::SetFont(int id) {
    font_ = id;
    Invalidate();
}

void CComboUI::SetTextColor(DWORD color) {
    textColor_ = (color != 0 && (color & 0xFF000000) == 0) ? (color | 0xFF000000) : color;
    Invalidate();
}

void CComboUI::SetDisabledTextColor(DWORD color) {
    disabledTextColor_ = (color != 0 && (color & 0xFF000000) == 0) ? (color | 0xFF000000) : color;
    Invalidate();
}

void CComboUI::SetNormalImage(const std::wstring& descriptor) {
    normalImage_.SetText(descriptor);
    Invalidate();
}

void CComboUI::SetHotImage(const std::wstring& descriptor) {
    hotImage_.SetText(descriptor);
    Invalidate();
}

void CComboUI::SetPushedImage(const std::wstring& descriptor) {
    pushedImage_.SetText(descriptor);
    Invalidate();
}

void CComboUI::SetFocusedImage(const std::wstring& descriptor) {
    focusedImage_.SetText(descriptor);
    Invalidate();
}

void CComboUI::SetDisabledImage(const std::wstring& descriptor) {
    disabledImage_.SetText(descriptor);
    Invalidate();
}
