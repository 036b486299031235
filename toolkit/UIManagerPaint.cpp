#include "toolkit/ControlUI.h"
#include "toolkit/RenderClip.h"
#include "toolkit/RenderKit.h"
#include "toolkit/UIManager.h"
#include "toolkit/UIManagerGlobals.h"

#include <algorithm>
#include <cstring>

namespace {

CControlUI* CollectUpdatesProc(CControlUI* control, void* data) {
    if (control->IsUpdateNeeded()) {
        static_cast<std::vector<CControlUI*>*>(data)->push_back(control);
    }
    return nullptr;
}

void ClearPixels(uint32_t* bits, int stride, const RECT& rect) {
    for (LONG y = rect.top; y < rect.bottom; ++y) {
        std::memset(bits + static_cast<size_t>(y) * stride + rect.left, 0,
                    static_cast<size_t>(rect.right - rect.left) * sizeof(uint32_t));
    }
}

}  // namespace

void CUIManager::ReleaseBuffers() {
    offscreenBitmap_.reset();
    offscreenDc_.reset();
    offscreenBits_ = nullptr;
    backgroundBitmap_.reset();
    backgroundDc_.reset();
    backgroundBits_ = nullptr;
}

bool CUIManager::LayoutIfNeeded(const RECT& client) {
    if (!updateNeeded_) {
        if (layered_ && layeredChanged_ && root_ != nullptr) {
            if (offscreenBits_ != nullptr) {
                ClearPixels(offscreenBits_, client.right, client);
            }
            root_->SetPos(client, false);
        }
        return true;
    }
    updateNeeded_ = false;
    if (::IsRectEmpty(&client)) {
        return true;
    }
    if (root_->IsUpdateNeeded()) {
        ReleaseBuffers();
        root_->SetPos(client, true);
    } else {
        std::vector<CControlUI*> pending;
        root_->FindControl(CollectUpdatesProc, &pending, UIFind::Visible | UIFind::MeFirst);
        for (CControlUI* control : pending) {
            if (!control->IsUpdateNeeded()) {
                continue;  // an ancestor's layout already placed it
            }
            if (control->IsFloat()) {
                control->SetPos(control->GetRelativePos(), false);
            } else {
                control->SetPos(control->GetPos(), true);
            }
        }
    }
    if (firstLayout_) {
        firstLayout_ = false;
        SendNotify(root_, L"windowinit");
        if (layered_ && layeredChanged_) {
            Invalidate();
            return false;
        }
    }
    return true;
}

void CUIManager::OnPaint() {
    if (root_ == nullptr) {
        PAINTSTRUCT ps{};
        ::BeginPaint(window_, &ps);
        ::EndPaint(window_, &ps);
        return;
    }
    RECT client{};
    ::GetClientRect(window_, &client);
    RECT paint{};
    if (layered_) {
        if (!::IntersectRect(&paint, &layeredUpdate_, &client)) {
            layeredUpdate_ = RECT{};
            ::ValidateRect(window_, nullptr);
            return;
        }
        layeredUpdate_ = RECT{};
    } else if (!::GetUpdateRect(window_, &paint, FALSE)) {
        return;
    }
    if (focusNeeded_) {
        SetNextTabControl();
    }
    painting_ = true;
    if (!LayoutIfNeeded(client)) {
        painting_ = false;
        ::ValidateRect(window_, nullptr);
        return;
    }
    const int width = client.right - client.left;
    const int height = client.bottom - client.top;
    if (!offscreenDc_ && width > 0 && height > 0) {
        offscreenDc_.reset(::CreateCompatibleDC(windowDc_));
        if (layered_) {
            offscreenBitmap_.reset(CRenderKit::CreateDib32(windowDc_, width, height, &offscreenBits_));
        } else {
            offscreenBitmap_.reset(::CreateCompatibleBitmap(windowDc_, width, height));
        }
    }
    PAINTSTRUCT ps{};
    HDC paintDc = layered_ ? nullptr : ::BeginPaint(window_, &ps);
    if (offscreenDc_ && offscreenBitmap_) {
        ScopedSelectObject select(offscreenDc_.get(), offscreenBitmap_.get());
        const int saved = ::SaveDC(offscreenDc_.get());
        if (layered_ && offscreenBits_ != nullptr) {
            PrepareLayeredPixels(client, paint);
        }
        {
            CRenderClip clip(offscreenDc_.get(), paint);
            root_->Paint(offscreenDc_.get(), paint, nullptr);
        }
        if (layered_) {
            ComposeNativeChildren(paint);
        }
        const std::vector<CControlUI*> postPaint = postPaint_;
        for (CControlUI* control : postPaint) {
            control->DoPostPaint(offscreenDc_.get(), paint);
        }
        ::RestoreDC(offscreenDc_.get(), saved);
        if (layered_) {
            PushLayered(client, paint);
        } else {
            ::BitBlt(paintDc, paint.left, paint.top, paint.right - paint.left, paint.bottom - paint.top,
                     offscreenDc_.get(), paint.left, paint.top, SRCCOPY);
        }
    }
    if (showDirty_ && !layered_ && paintDc != nullptr) {
        ScopedSelectObject pen(paintDc, UIManagerGlobals::DirtyPen());
        ScopedSelectObject brush(paintDc, ::GetStockObject(HOLLOW_BRUSH));
        ::Rectangle(paintDc, paint.left, paint.top, paint.right, paint.bottom);
    }
    if (layered_) {
        ::ValidateRect(window_, nullptr);
    } else {
        ::EndPaint(window_, &ps);
    }
    painting_ = false;
    layeredChanged_ = false;
    if (updateNeeded_ || focusNeeded_) {
        Invalidate();
    }
}

// The layered image once into the background buffer, then the background (or full
// transparency) under the area about to be painted.
void CUIManager::PrepareLayeredPixels(const RECT& client, const RECT& paint) {
    const int width = client.right - client.left;
    const int height = client.bottom - client.top;
    if (layeredImage_.IsEmpty()) {
        ClearPixels(offscreenBits_, width, paint);
        return;
    }
    if (!backgroundDc_ || layeredChanged_) {
        backgroundBitmap_.reset();
        backgroundDc_.reset(::CreateCompatibleDC(windowDc_));
        backgroundBitmap_.reset(CRenderKit::CreateDib32(windowDc_, width, height, &backgroundBits_));
        if (backgroundDc_ && backgroundBitmap_ && backgroundBits_ != nullptr) {
            std::memset(backgroundBits_, 0, static_cast<size_t>(width) * height * sizeof(uint32_t));
            ScopedSelectObject select(backgroundDc_.get(), backgroundBitmap_.get());
            CRenderKit::DrawImage(backgroundDc_.get(), this, client, client, layeredImage_);
            ::GdiFlush();
        }
    }
    if (backgroundBits_ == nullptr) {
        ClearPixels(offscreenBits_, width, paint);
        return;
    }
    for (LONG y = paint.top; y < paint.bottom; ++y) {
        const size_t offset = static_cast<size_t>(y) * width + paint.left;
        std::memcpy(offscreenBits_ + offset, backgroundBits_ + offset,
                    static_cast<size_t>(paint.right - paint.left) * sizeof(uint32_t));
    }
}

// GDI leaves the alpha byte at 0 where it drew; such pixels are opaque.
void CUIManager::PushLayered(const RECT& client, const RECT& paint) {
    const int width = client.right - client.left;
    const int height = client.bottom - client.top;
    ::GdiFlush();
    for (LONG y = paint.top; y < paint.bottom; ++y) {
        uint32_t* row = offscreenBits_ + static_cast<size_t>(y) * width;
        for (LONG x = paint.left; x < paint.right; ++x) {
            if (row[x] != 0 && (row[x] >> 24) == 0) {
                row[x] |= 0xFF000000;
            }
        }
    }
    auto update = UIManagerGlobals::UpdateLayeredWindowFunction();
    if (update == nullptr) {
        return;
    }
    RECT window{};
    ::GetWindowRect(window_, &window);
    POINT position{window.left, window.top};
    SIZE size{width, height};
    POINT source{0, 0};
    BLENDFUNCTION blend{AC_SRC_OVER, 0, opacity_, AC_SRC_ALPHA};
    ScopedSelectObject select(offscreenDc_.get(), offscreenBitmap_.get());
    update(window_, nullptr, &position, &size, offscreenDc_.get(), &source, 0, &blend, ULW_ALPHA);
}

void CUIManager::ComposeNativeChildren(const RECT& paint) {
    auto it = nativeWindows_.begin();
    while (it != nativeWindows_.end()) {
        if (!::IsWindow(it->window)) {
            it = nativeWindows_.erase(it);
            continue;
        }
        HWND child = it->window;
        ++it;
        if (!::IsWindowVisible(child)) {
            continue;
        }
        RECT rect{};
        ::GetWindowRect(child, &rect);
        ::MapWindowPoints(nullptr, window_, reinterpret_cast<POINT*>(&rect), 2);
        RECT visible{};
        if (!::IntersectRect(&visible, &rect, &paint)) {
            continue;
        }
        const int width = rect.right - rect.left;
        const int height = rect.bottom - rect.top;
        uint32_t* bits = nullptr;
        UniqueMemoryDc dc(::CreateCompatibleDC(windowDc_));
        UniqueBitmap bitmap(CRenderKit::CreateDib32(windowDc_, width, height, &bits));
        if (!dc || !bitmap || bits == nullptr) {
            continue;
        }
        ScopedSelectObject select(dc.get(), bitmap.get());
        ::SendMessageW(child, WM_PRINT, reinterpret_cast<WPARAM>(dc.get()),
                       PRF_CHECKVISIBLE | PRF_CHILDREN | PRF_CLIENT | PRF_NONCLIENT | PRF_ERASEBKGND);
        ::GdiFlush();
        for (size_t i = 0; i < static_cast<size_t>(width) * height; ++i) {
            bits[i] |= 0xFF000000;
        }
        ::BitBlt(offscreenDc_.get(), rect.left, rect.top, width, height, dc.get(), 0, 0, SRCCOPY);
    }
}

void CUIManager::OnPrintClient(HDC dc, LPARAM flags) {
    if (root_ == nullptr || dc == nullptr) {
        return;
    }
    RECT client{};
    ::GetClientRect(window_, &client);
    const int saved = ::SaveDC(dc);
    root_->Paint(dc, client, nullptr);
    ::RestoreDC(dc, saved);
    if ((flags & PRF_CHILDREN) == 0) {
        return;
    }
    for (HWND child = ::GetWindow(window_, GW_CHILD); child != nullptr; child = ::GetWindow(child, GW_HWNDNEXT)) {
        if (!::IsWindowVisible(child)) {
            continue;
        }
        RECT rect{};
        ::GetWindowRect(child, &rect);
        ::MapWindowPoints(nullptr, window_, reinterpret_cast<POINT*>(&rect), 2);
        const int childSaved = ::SaveDC(dc);
        ::SetWindowOrgEx(dc, -rect.left, -rect.top, nullptr);
        ::SendMessageW(child, WM_PRINT, reinterpret_cast<WPARAM>(dc),
                       PRF_NONCLIENT | PRF_CLIENT | PRF_ERASEBKGND | PRF_CHILDREN);
        ::RestoreDC(dc, childSaved);
    }
}

void CUIManager::SetLayered(bool layered) {
    if (window_ == nullptr || layered == layered_) {
        return;
    }
    if ((::GetWindowLongPtrW(window_, GWL_STYLE) & WS_CHILD) != 0) {
        return;  // only top-level windows can be layered
    }
    if (layered && UIManagerGlobals::UpdateLayeredWindowFunction() == nullptr) {
        return;
    }
    layered_ = layered;
    LONG_PTR exStyle = ::GetWindowLongPtrW(window_, GWL_EXSTYLE);
    if (layered) {
        ::SetTimer(window_, kLayeredTimerId, kLayeredTimerInterval, nullptr);
        exStyle |= WS_EX_LAYERED;
    } else {
        ::KillTimer(window_, kLayeredTimerId);
        exStyle &= ~static_cast<LONG_PTR>(WS_EX_LAYERED);
    }
    ::SetWindowLongPtrW(window_, GWL_EXSTYLE, exStyle);
    ReleaseBuffers();
    layeredChanged_ = true;
    updateNeeded_ = true;
    if (root_ != nullptr) {
        root_->NeedUpdate();
    }
    Invalidate();
}

void CUIManager::SetLayeredOpacity(BYTE opacity) {
    opacity_ = opacity;
    layeredChanged_ = true;
    Invalidate();
}

void CUIManager::SetLayeredImage(const std::wstring& descriptor) {
    layeredImage_.SetText(descriptor);
    CRenderKit::DrawImage(nullptr, this, RECT{}, RECT{}, layeredImage_);
    SetLayered(true);
    layeredChanged_ = true;
    Invalidate();
}

void CUIManager::SetOpacity(BYTE opacity) {
    opacity_ = opacity;
    if (window_ == nullptr) {
        return;
    }
    SetLayered(false);
    auto setAttributes = UIManagerGlobals::SetLayeredWindowAttributesFunction();
    if (setAttributes == nullptr) {
        return;
    }
    ::SetWindowLongPtrW(window_, GWL_EXSTYLE, ::GetWindowLongPtrW(window_, GWL_EXSTYLE) | WS_EX_LAYERED);
    setAttributes(window_, 0, opacity, LWA_ALPHA);
}
