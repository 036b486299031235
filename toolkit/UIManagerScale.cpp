#include "toolkit/ControlUI.h"
#include "toolkit/DpiScale.h"
#include "toolkit/UIManager.h"
#include "toolkit/UIManagerGlobals.h"
#include "toolkit/WindowDpi.h"

namespace {

UiSize Size(const RECT& rect) {
    return UiSize{rect.right - rect.left, rect.bottom - rect.top};
}

// The manager of the window that owns `window`, when that is one of ours.
const CUIManager* OwnerManager(HWND window) {
    HWND owner = ::GetWindow(window, GW_OWNER);
    if (owner == nullptr) {
        return nullptr;
    }
    for (const CUIManager* manager : UIManagerGlobals::Managers()) {
        if (manager->GetPaintWindow() == owner) {
            return manager;
        }
    }
    return nullptr;
}

}  // namespace

int CUIManager::Scale(int units) const {
    return DpiScale::Scale(units, scale_);
}

SIZE CUIManager::Scale(SIZE units) const {
    return SIZE{Scale(units.cx), Scale(units.cy)};
}

RECT CUIManager::Scale(const RECT& units) const {
    const UiRect r = DpiScale::Scale(UiRect{units.left, units.top, units.right, units.bottom}, scale_);
    return RECT{r.left, r.top, r.right, r.bottom};
}

void CUIManager::SetScaleFit(SIZE units) {
    fitUnits_ = units;
    UpdateScale();
}

bool CUIManager::UpdateScale() {
    if (window_ == nullptr) {
        return false;
    }
    // A box over one of our windows on the same screen follows that window's scale.
    const CUIManager* owner = OwnerManager(window_);
    const int ownerScale = owner != nullptr && owner->dpi_ == dpi_ ? owner->scale_ : 0;
    const int scale =
        DpiScale::WindowPercent(dpi_, UiSize{fitUnits_.cx, fitUnits_.cy}, Size(GetWindowWorkArea(window_)), ownerScale);
    if (scale == scale_) {
        return false;
    }
    scale_ = scale;
    // Pictures and fonts were made for the old scale; they are made again on first use.
    resources_.RemoveAllImages();
    scaledFonts_.clear();
    layeredChanged_ = true;
    updateNeeded_ = true;
    if (root_ != nullptr) {
        root_->NeedUpdate();
    }
    Invalidate();
    return true;
}

void CUIManager::OnDpiChanged(int dpi, const RECT* suggested) {
    if (window_ == nullptr) {
        return;
    }
    RECT window{};
    ::GetWindowRect(window_, &window);
    const int oldDpi = dpi_;
    const int oldScale = scale_;
    dpi_ = dpi > 0 ? dpi : DpiScale::kBaseDpi;
    UpdateScale();
    if (suggested == nullptr) {
        return;
    }
    const UiRect place = DpiScale::WindowAfterDpiChange(
        UiRect{window.left, window.top, window.right, window.bottom}, oldDpi, oldScale, dpi_, scale_,
        UiRect{suggested->left, suggested->top, suggested->right, suggested->bottom});
    ::SetWindowPos(window_, nullptr, place.left, place.top, place.Width(), place.Height(),
                   SWP_NOZORDER | SWP_NOACTIVATE);
}
