#include "toolkit/OptionUI.h"

#include "toolkit/AttributeValue.h"
#include "toolkit/RenderKit.h"
#include "toolkit/UIManager.h"

#include <cwchar>
#include <vector>

namespace {

bool Is(const wchar_t* a, const wchar_t* b) {
    return std::wcscmp(a, b) == 0;
}

}  // namespace

COptionUI::COptionUI() = default;

COptionUI::~COptionUI() {
    if (manager_ != nullptr && !group_.empty()) {
        manager_->RemoveOptionGroup(group_, this);
    }
}

const wchar_t* COptionUI::GetClass() const {
    return L"Option";
}

void* COptionUI::GetInterface(const wchar_t* name) {
    return Is(name, L"Option") ? this : CButtonUI::GetInterface(name);
}

void COptionUI::SetManager(CUIManager* manager, CControlUI* parent, bool init) {
    CButtonUI::SetManager(manager, parent, init);
    if (init && manager != nullptr && !group_.empty()) {
        manager->AddOptionGroup(group_, this);
    }
}

bool COptionUI::Activate() {
    if (!CButtonUI::Activate()) {
        return false;
    }
    if (!group_.empty()) {
        Selected(true, true);
    } else {
        Selected(!selected_, true);
    }
    return true;
}

void COptionUI::SetEnabled(bool enabled) {
    CButtonUI::SetEnabled(enabled);
    if (!enabled) {
        state_.SetState(selected_ ? UIState::Selected : 0);
    }
}

bool COptionUI::Selected(bool selected, bool notify) {
    if (selected_ == selected) {
        return true;
    }
    selected_ = selected;
    state_.Set(UIState::Selected, selected);
    if (manager_ != nullptr && !group_.empty()) {
        if (!selected_) {
            Invalidate();
            return true;
        }
        // A copy: a peer's handler may change the group while we walk it.
        const std::vector<CControlUI*>* group = manager_->GetOptionGroup(group_);
        const std::vector<CControlUI*> peers = group != nullptr ? *group : std::vector<CControlUI*>();
        for (CControlUI* peer : peers) {
            auto* option = static_cast<COptionUI*>(peer->GetInterface(L"Option"));
            if (option != nullptr && option != this) {
                option->Selected(false, notify);
            }
        }
    }
    if (notify && manager_ != nullptr) {
        manager_->SendNotify(this, L"selectchanged");
    }
    Invalidate();
    return true;
}

void COptionUI::SetGroup(const std::wstring& group) {
    if (group == group_) {
        return;
    }
    if (manager_ != nullptr && !group_.empty()) {
        manager_->RemoveOptionGroup(group_, this);
    }
    group_ = group;
    if (manager_ == nullptr || group_.empty()) {
        return;
    }
    manager_->AddOptionGroup(group_, this);
    // Joining a group while selected: the group keeps one selected option, this one.
    if (selected_) {
        selected_ = false;
        Selected(true, false);
    }
}

void COptionUI::SetAttribute(const wchar_t* name, const wchar_t* value) {
    using namespace AttributeValue;
    if (Is(name, L"group")) {
        SetGroup(value);
    } else if (Is(name, L"selected")) {
        Selected(IsTrue(value), true);
    } else if (Is(name, L"selectedimage")) {
        SetSelectedImage(value);
    } else if (Is(name, L"selectedhotimage")) {
        SetSelectedHotImage(value);
    } else if (Is(name, L"foreimage")) {
        SetForeImage(value);
    } else if (Is(name, L"selectedbkcolor")) {
        SetSelectedBkColor(ParseColor(value));
    } else if (Is(name, L"selectedtextcolor")) {
        SetSelectedTextColor(ParseColor(value));
    } else {
        CButtonUI::SetAttribute(name, value);
    }
}

void COptionUI::SetSelectedImage(const std::wstring& descriptor) {
    selectedImage_.SetText(descriptor);
    Invalidate();
}

void COptionUI::SetSelectedHotImage(const std::wstring& descriptor) {
    selectedHotImage_.SetText(descriptor);
    Invalidate();
}

void COptionUI::SetForeImage(const std::wstring& descriptor) {
    optionForeImage_.SetText(descriptor);
    Invalidate();
}

void COptionUI::SetSelectedBkColor(DWORD color) {
    selectedBkColor_ = color;
    Invalidate();
}

void COptionUI::SetSelectedTextColor(DWORD color) {
    selectedTextColor_ = (color != 0 && (color & 0xFF000000) == 0) ? (color | 0xFF000000) : color;
    Invalidate();
}

void COptionUI::PaintStatusImage(HDC dc) {
    SyncStateFromControl();
    if (selected_) {
        bool drawn = false;
        if (state_.Has(UIState::Hot)) {
            drawn = DrawStateImage(dc, selectedHotImage_);
        }
        if (!drawn) {
            drawn = DrawStateImage(dc, selectedImage_);
        }
        if (drawn) {
            DrawStateImage(dc, optionForeImage_);
            return;
        }
        if (selectedBkColor_ != 0) {
            CRenderKit::DrawColor(dc, paintRect_, selectedBkColor_);
            DrawStateImage(dc, optionForeImage_);
            return;
        }
    }
    PaintButtonImages(dc, state_.GetState() & ~UIState::Pushed);
    DrawStateImage(dc, optionForeImage_);
}

void COptionUI::PaintText(HDC dc) {
    SyncStateFromControl();
    if (!selected_) {
        PaintLabelText(dc, IsEnabled() ? StateTextColor(state_.GetState() & ~UIState::Pushed) : 0);
        return;
    }
    PaintLabelText(dc, IsEnabled() ? selectedTextColor_ : 0);
}
