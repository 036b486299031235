#include "toolkit/ControlUI.h"

#include "toolkit/AttributeList.h"
#include "toolkit/AttributeValue.h"
#include "toolkit/BoxLayout.h"
#include "toolkit/DpiScale.h"
#include "toolkit/PressTracker.h"
#include "toolkit/RenderClip.h"
#include "toolkit/RenderKit.h"
#include "toolkit/IControlHost.h"

#include <algorithm>
#include <cwchar>

namespace {

RECT Normalized(RECT rect) {
    if (rect.right < rect.left) {
        rect.right = rect.left;
    }
    if (rect.bottom < rect.top) {
        rect.bottom = rect.top;
    }
    return rect;
}

std::wstring ReplaceLineBreaks(const std::wstring& text) {
    std::wstring out;
    size_t pos = 0;
    for (;;) {
        const size_t found = text.find(L"<n>", pos);
        if (found == std::wstring::npos) {
            out.append(text, pos, std::wstring::npos);
            return out;
        }
        out.append(text, pos, found - pos);
        out += L"\r\n";
        pos = found + 3;
    }
}

}  // namespace

CControlUI::CControlUI() = default;

void CControlUI::Delete() {
    if (controlHost_ != nullptr) {
        controlHost_->RemoveMouseLeaveNeeded(this);
    }
    delete this;
}

CControlUI::~CControlUI() {
    delete cover_;
    cover_ = nullptr;
    if (controlHost_ != nullptr) {
        controlHost_->ReapObjects(this);
    }
}

const std::wstring& CControlUI::GetName() const {
    return name_;
}

void CControlUI::SetName(const std::wstring& name) {
    if (name == name_) {
        return;
    }
    const std::wstring old = name_;
    name_ = name;
    if (controlHost_ != nullptr) {
        controlHost_->RenameControl(this, old);
    }
}

const wchar_t* CControlUI::GetClass() const {
    return L"Control";
}

void* CControlUI::GetInterface(const wchar_t* name) {
    return std::wcscmp(name, L"Control") == 0 ? this : nullptr;
}

UINT CControlUI::GetControlFlags() const {
    return 0;
}

HWND CControlUI::GetNativeWindow() const {
    return nullptr;
}

bool CControlUI::Activate() {
    return IsVisible() && IsEnabled();
}

CUIManager* CControlUI::GetManager() const {
    return manager_;
}

void CControlUI::SetManager(CUIManager* manager, CControlUI* parent, bool init) {
    if (cover_ != nullptr) {
        cover_->SetManager(manager, this, init);
    }
    manager_ = manager;
    controlHost_ = ControlHostOf(manager);
    parent_ = parent;
    if (init && parent_ != nullptr) {
        Init();
    }
}

CControlUI* CControlUI::GetParent() const {
    return parent_;
}

CControlUI* CControlUI::GetCover() const {
    return cover_;
}

void CControlUI::SetCover(CControlUI* cover) {
    if (cover == cover_) {
        return;
    }
    delete cover_;
    cover_ = cover;
    if (cover_ != nullptr) {
        cover_->SetManager(manager_, this, manager_ != nullptr);
        cover_->SetInternVisible(IsVisible());
    }
    NeedUpdate();
}

std::wstring CControlUI::GetText() const {
    return text_;
}

void CControlUI::SetText(const std::wstring& text) {
    if (text == text_) {
        return;
    }
    text_ = text;
    Invalidate();
}

const RECT& CControlUI::GetPos() const {
    return pos_;
}

RECT CControlUI::GetRelativePos() const {
    RECT rect = pos_;
    if (parent_ != nullptr) {
        const RECT& parentPos = parent_->GetPos();
        ::OffsetRect(&rect, -parentPos.left, -parentPos.top);
    }
    return rect;
}

RECT CControlUI::GetClientPos() const {
    return pos_;
}

RECT CControlUI::ClipByAncestors(RECT rect) const {
    for (const CControlUI* parent = parent_; parent != nullptr; parent = parent->GetParent()) {
        if (!::IntersectRect(&rect, &rect, &parent->GetPos())) {
            return RECT{};
        }
    }
    return rect;
}

void CControlUI::SetPos(RECT rect, bool needInvalidate) {
    rect = Normalized(rect);
    const RECT old = pos_;
    if (!float_) {
        pos_ = rect;
    } else {
        RECT parentPos{};
        if (parent_ != nullptr) {
            parentPos = parent_->GetPos();
        }
        const int parentWidth = parentPos.right - parentPos.left;
        const int parentHeight = parentPos.bottom - parentPos.top;
        pos_ = rect;
        ::OffsetRect(&pos_, parentPos.left, parentPos.top);
        // Pixels back to units, so the next layout at this scale lands on the same pixels.
        const int x = rect.left - static_cast<int>(floatPercent_.left * parentWidth);
        const int y = rect.top - static_cast<int>(floatPercent_.top * parentHeight);
        const int scale = GetScale();
        fixedXY_.cx = DpiScale::Unscale(x, scale);
        fixedXY_.cy = DpiScale::Unscale(y, scale);
        fixedWidth_ = DpiScale::Unscale(rect.right - x - static_cast<int>(floatPercent_.right * parentWidth), scale);
        fixedHeight_ =
            DpiScale::Unscale(rect.bottom - y - static_cast<int>(floatPercent_.bottom * parentHeight), scale);
    }
    if (controlHost_ == nullptr) {
        return;
    }
    updateNeeded_ = false;
    if (needInvalidate && IsVisible()) {
        RECT both{};
        ::UnionRect(&both, &old, &pos_);
        const RECT clipped = ClipByAncestors(both);
        if (!::IsRectEmpty(&clipped)) {
            RECT invalid = clipped;
            controlHost_->Invalidate(invalid);
        }
    }
    PositionCover();
}

void CControlUI::PositionCover() {
    if (cover_ == nullptr || !cover_->IsVisible()) {
        return;
    }
    if (cover_->IsFloat()) {
        const SIZE xy = Scaled(cover_->GetFixedXY());
        const UiRect rect = CBoxLayout::FloatRect(UiSize{pos_.right - pos_.left, pos_.bottom - pos_.top}, xy.cx, xy.cy,
                                                  Scaled(cover_->GetFixedWidth()), Scaled(cover_->GetFixedHeight()),
                                                  cover_->GetFloatPercent());
        cover_->SetPos(RECT{rect.left, rect.top, rect.right, rect.bottom}, false);
    } else {
        RECT rect = pos_;
        const int width = std::max(Scaled(cover_->GetMinWidth()),
                                   std::min<int>(rect.right - rect.left, Scaled(cover_->GetMaxWidth())));
        const int height = std::max(Scaled(cover_->GetMinHeight()),
                                    std::min<int>(rect.bottom - rect.top, Scaled(cover_->GetMaxHeight())));
        rect.right = rect.left + width;
        rect.bottom = rect.top + height;
        cover_->SetPos(rect, false);
    }
}

void CControlUI::Move(SIZE offset, bool needInvalidate) {
    RECT rect = pos_;
    ::OffsetRect(&rect, offset.cx, offset.cy);
    if (float_) {
        RECT relative = GetRelativePos();
        ::OffsetRect(&relative, offset.cx, offset.cy);
        SetPos(relative, needInvalidate);
    } else {
        SetPos(rect, needInvalidate);
    }
}

int CControlUI::GetWidth() const {
    return pos_.right - pos_.left;
}

int CControlUI::GetHeight() const {
    return pos_.bottom - pos_.top;
}

int CControlUI::GetX() const {
    return pos_.left;
}

int CControlUI::GetY() const {
    return pos_.top;
}

int CControlUI::GetScale() const {
    return controlHost_ != nullptr ? controlHost_->GetScale() : DpiScale::kBasePercent;
}

int CControlUI::Scaled(int units) const {
    return DpiScale::Scale(units, GetScale());
}

RECT CControlUI::Scaled(const RECT& units) const {
    const UiRect r = DpiScale::Scale(UiRect{units.left, units.top, units.right, units.bottom}, GetScale());
    return RECT{r.left, r.top, r.right, r.bottom};
}

SIZE CControlUI::Scaled(SIZE units) const {
    const int scale = GetScale();
    return SIZE{DpiScale::Scale(units.cx, scale), DpiScale::Scale(units.cy, scale)};
}

RECT CControlUI::GetPadding() const {
    return padding_;
}

void CControlUI::SetPadding(RECT padding) {
    padding_ = padding;
    NeedParentUpdate();
}

SIZE CControlUI::GetFixedXY() const {
    return fixedXY_;
}

void CControlUI::SetFixedXY(SIZE xy) {
    fixedXY_ = xy;
    NeedParentUpdate();
}

UiFloatAnchor CControlUI::GetFloatPercent() const {
    return floatPercent_;
}

void CControlUI::SetFloatPercent(UiFloatAnchor anchor) {
    floatPercent_ = anchor;
    NeedParentUpdate();
}

int CControlUI::GetFixedWidth() const {
    return fixedWidth_;
}

void CControlUI::SetFixedWidth(int width) {
    if (width < 0) {
        return;
    }
    fixedWidth_ = width;
    NeedParentUpdate();
}

int CControlUI::GetFixedHeight() const {
    return fixedHeight_;
}

void CControlUI::SetFixedHeight(int height) {
    if (height < 0) {
        return;
    }
    fixedHeight_ = height;
    NeedParentUpdate();
}

int CControlUI::GetMinWidth() const {
    return minWidth_;
}

void CControlUI::SetMinWidth(int width) {
    if (width < 0 || width == minWidth_) {
        return;
    }
    minWidth_ = width;
    NeedParentUpdate();
}

int CControlUI::GetMaxWidth() const {
    return maxWidth_;
}

void CControlUI::SetMaxWidth(int width) {
    if (width < 0 || width == maxWidth_) {
        return;
    }
    maxWidth_ = width;
    NeedParentUpdate();
}

int CControlUI::GetMinHeight() const {
    return minHeight_;
}

void CControlUI::SetMinHeight(int height) {
    if (height < 0 || height == minHeight_) {
        return;
    }
    minHeight_ = height;
    NeedParentUpdate();
}

int CControlUI::GetMaxHeight() const {
    return maxHeight_;
}

void CControlUI::SetMaxHeight(int height) {
    if (height < 0 || height == maxHeight_) {
        return;
    }
    maxHeight_ = height;
    NeedParentUpdate();
}

std::wstring CControlUI::GetToolTip() const {
    return toolTip_;
}

void CControlUI::SetToolTip(const std::wstring& text) {
    toolTip_ = ReplaceLineBreaks(text);
}

void CControlUI::SetToolTipWidth(int width) {
    toolTipWidth_ = width;
}

int CControlUI::GetToolTipWidth() const {
    return toolTipWidth_;
}

wchar_t CControlUI::GetShortcut() const {
    return shortcut_;
}

void CControlUI::SetShortcut(wchar_t shortcut) {
    shortcut_ = shortcut;
}

bool CControlUI::IsContextMenuUsed() const {
    return contextMenuUsed_;
}

void CControlUI::SetContextMenuUsed(bool used) {
    contextMenuUsed_ = used;
}

const std::wstring& CControlUI::GetUserData() const {
    return userData_;
}

void CControlUI::SetUserData(const std::wstring& data) {
    userData_ = data;
}

UINT_PTR CControlUI::GetTag() const {
    return tag_;
}

void CControlUI::SetTag(UINT_PTR tag) {
    tag_ = tag;
}

bool CControlUI::IsVisible() const {
    return visible_ && internVisible_;
}

void CControlUI::SetVisible(bool visible) {
    if (visible_ == visible) {
        return;
    }
    const bool wasVisible = IsVisible();
    visible_ = visible;
    if (focused_ && !visible_ && controlHost_ != nullptr) {
        controlHost_->SetFocus(nullptr, false);
    }
    if (IsVisible() != wasVisible) {
        NeedParentUpdate();
    }
    if (cover_ != nullptr) {
        cover_->SetInternVisible(IsVisible());
    }
}

void CControlUI::SetInternVisible(bool visible) {
    internVisible_ = visible;
    if (!visible && focused_ && controlHost_ != nullptr && controlHost_->GetFocus() == this) {
        controlHost_->SetFocus(nullptr, false);
    }
    if (cover_ != nullptr) {
        cover_->SetInternVisible(IsVisible());
    }
}

bool CControlUI::IsEnabled() const {
    return enabled_;
}

void CControlUI::SetEnabled(bool enabled) {
    if (enabled_ == enabled) {
        return;
    }
    enabled_ = enabled;
    Invalidate();
}

bool CControlUI::IsMouseEnabled() const {
    return mouseEnabled_;
}

void CControlUI::SetMouseEnabled(bool enabled) {
    mouseEnabled_ = enabled;
}

bool CControlUI::IsKeyboardEnabled() const {
    return keyboardEnabled_;
}

void CControlUI::SetKeyboardEnabled(bool enabled) {
    keyboardEnabled_ = enabled;
}

bool CControlUI::IsFocused() const {
    return focused_;
}

void CControlUI::SetFocus() {
    if (controlHost_ != nullptr) {
        controlHost_->SetFocus(this, false);
    }
}

bool CControlUI::IsFloat() const {
    return float_;
}

void CControlUI::SetFloat(bool floating) {
    if (float_ == floating) {
        return;
    }
    float_ = floating;
    NeedParentUpdate();
}

CControlUI* CControlUI::FindControl(FindControlProc proc, void* data, UINT flags) {
    if ((flags & UIFind::Visible) != 0 && !IsVisible()) {
        return nullptr;
    }
    if ((flags & UIFind::Enabled) != 0 && !IsEnabled()) {
        return nullptr;
    }
    if ((flags & UIFind::HitTest) != 0 && (!mouseEnabled_ || !::PtInRect(&pos_, *static_cast<POINT*>(data)))) {
        return nullptr;
    }
    return proc(this, data);
}

void CControlUI::Init() {
    DoInit();
    for (auto& handler : onInit) {
        handler(this);
    }
}

void CControlUI::DoInit() {}

void CControlUI::Event(UIEvent& event) {
    for (auto& handler : onEvent) {
        if (!handler(event)) {
            return;
        }
    }
    DoEvent(event);
}

void CControlUI::DoEvent(UIEvent& event) {
    switch (event.type) {
        case UIEventType::SetCursor:
            ::SetCursor(::LoadCursorW(nullptr, IDC_ARROW));
            return;
        case UIEventType::SetFocus:
            focused_ = true;
            Invalidate();
            return;
        case UIEventType::KillFocus:
            focused_ = false;
            Invalidate();
            return;
        case UIEventType::Timer:
            if (controlHost_ != nullptr) {
                controlHost_->SendNotify(this, L"timer", event.wParam, event.lParam, /*async=*/false,
                                         /*allowRepeats=*/true);
            }
            return;
        case UIEventType::ContextMenu:
            if (contextMenuUsed_ && controlHost_ != nullptr) {
                controlHost_->SendNotify(this, L"menu", event.wParam, event.lParam, /*async=*/false,
                                         /*allowRepeats=*/true);
            }
            return;
        default:
            if (parent_ != nullptr) {
                parent_->DoEvent(event);
            }
            return;
    }
}

std::wstring CControlUI::GetAttribute(const wchar_t*) {
    return std::wstring();
}

std::wstring CControlUI::GetAttributeList(bool) {
    return std::wstring();
}

void CControlUI::SetAttributeList(const std::wstring& list) {
    for (const auto& pair : ParseAttributeList(list)) {
        SetAttribute(pair.first.c_str(), pair.second.c_str());
    }
}

SIZE CControlUI::EstimateSize(SIZE) {
    return Scaled(SIZE{fixedWidth_, fixedHeight_});
}

void CControlUI::Invalidate() {
    if (!IsVisible() || controlHost_ == nullptr) {
        return;
    }
    RECT rect = ClipByAncestors(pos_);
    if (!::IsRectEmpty(&rect)) {
        controlHost_->Invalidate(rect);
    }
}

void CControlUI::NeedUpdate() {
    if (!IsVisible()) {
        return;
    }
    updateNeeded_ = true;
    Invalidate();
    if (controlHost_ != nullptr) {
        controlHost_->NeedUpdate();
    }
}

void CControlUI::NeedParentUpdate() {
    if (parent_ != nullptr) {
        parent_->NeedUpdate();
        parent_->Invalidate();
    } else {
        NeedUpdate();
    }
    if (controlHost_ != nullptr) {
        controlHost_->NeedUpdate();
    }
}

bool CControlUI::TrackHover(const UIEvent& event, bool inside, CPressTracker& state) {
    if (event.type == UIEventType::MouseEnter) {
        if (!inside) {
            return false;
        }
        state.Enter(IsEnabled());
    } else if (event.type == UIEventType::MouseLeave) {
        if (DeferMouseLeave(inside)) {
            return false;
        }
        state.Leave(IsEnabled());
    } else {
        return false;
    }
    Invalidate();
    return true;
}

bool CControlUI::DeferMouseLeave(bool inside) {
    if (controlHost_ == nullptr) {
        return false;
    }
    if (inside) {
        controlHost_->AddMouseLeaveNeeded(this);
        return true;
    }
    controlHost_->RemoveMouseLeaveNeeded(this);
    return false;
}
