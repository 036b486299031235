#include "toolkit/ControlUI.h"
#include "toolkit/PointerList.h"
#include "toolkit/RenderClip.h"
#include "toolkit/RenderKit.h"
#include "toolkit/UIManager.h"
#include "toolkit/UIManagerGlobals.h"

#include <algorithm>

namespace {

CControlUI* CollectUpdatesProc(CControlUI* control, void* data) {
    if (control->IsUpdateNeeded()) {
        static_cast<std::vector<CControlUI*>*>(data)->push_back(control);
    }
    return nullptr;
}

}  // namespace

bool CUIManager::LayoutIfNeeded(const RECT& client) {
    if (!updateNeeded_) {
        if (layered_ && layeredChanged_ && root_ != nullptr) {
            buffers_.ClearFrame(client.right, client);
            root_->SetPos(client, false);
        }
        return true;
    }
    updateNeeded_ = false;
    if (::IsRectEmpty(&client)) {
        return true;
    }
    if (root_->IsUpdateNeeded()) {
        buffers_.Release();
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
    if (focus_.IsNeeded()) {
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
    const bool frame = buffers_.EnsureFrame(windowDc_, width, height, layered_);
    PAINTSTRUCT ps{};
    HDC paintDc = layered_ ? nullptr : ::BeginPaint(window_, &ps);
    if (frame) {
        HDC frameDc = buffers_.FrameDc();
        ScopedSelectObject select(frameDc, buffers_.FrameBitmap());
        const int saved = ::SaveDC(frameDc);
        if (layered_ && buffers_.HasFramePixels()) {
            PrepareLayeredPixels(client, paint);
        }
        {
            CRenderClip clip(frameDc, paint);
            root_->Paint(frameDc, paint, nullptr);
        }
        if (layered_) {
            ComposeNativeChildren(paint);
        }
        const std::vector<CControlUI*> postPaint = postPaint_;
        for (CControlUI* control : postPaint) {
            control->DoPostPaint(frameDc, paint);
        }
        PaintFocusMark(frameDc);
        ::RestoreDC(frameDc, saved);
        if (layered_) {
            PushLayered(client, paint);
        } else {
            ::BitBlt(paintDc, paint.left, paint.top, paint.right - paint.left, paint.bottom - paint.top, frameDc,
                     paint.left, paint.top, SRCCOPY);
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
    if (updateNeeded_ || focus_.IsNeeded()) {
        Invalidate();
    }
}

// The layered image once into the background buffer, then the background (or full
// transparency) under the area about to be painted.
void CUIManager::PrepareLayeredPixels(const RECT& client, const RECT& paint) {
    const int width = client.right - client.left;
    const int height = client.bottom - client.top;
    if (layeredImage_.IsEmpty()) {
        buffers_.ClearFrame(width, paint);
        return;
    }
    buffers_.CopyBackground(
        windowDc_, width, height, layeredChanged_,
        [&](HDC dc) { CRenderKit::DrawImage(dc, this, client, client, layeredImage_); }, paint);
}

void CUIManager::PushLayered(const RECT& client, const RECT& paint) {
    const int width = client.right - client.left;
    const int height = client.bottom - client.top;
    buffers_.MakeDrawnPixelsOpaque(width, paint);
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
    ScopedSelectObject select(buffers_.FrameDc(), buffers_.FrameBitmap());
    update(window_, nullptr, &position, &size, buffers_.FrameDc(), &source, 0, &blend, ULW_ALPHA);
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
        ::BitBlt(buffers_.FrameDc(), rect.left, rect.top, width, height, dc.get(), 0, 0, SRCCOPY);
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
    buffers_.Release();
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
