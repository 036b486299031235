#include "toolkit/GifAnimUI.h"

#include "toolkit/AttributeValue.h"
#include "toolkit/GdiPlusInclude.h"
#include "toolkit/SkinArchive.h"
#include "toolkit/UIManager.h"

#include <cstring>
#include <cwchar>
#include <vector>

namespace {

bool Is(const wchar_t* a, const wchar_t* b) {
    return std::wcscmp(a, b) == 0;
}

// The frame-delay property: one 32-bit delay per frame, in hundredths of a second.
constexpr PROPID kFrameDelayProperty = 0x5100;

std::vector<uint32_t> ReadFrameDelays(Gdiplus::Image& image, UINT frames) {
    std::vector<uint32_t> delays;
    const UINT size = image.GetPropertyItemSize(kFrameDelayProperty);
    if (size == 0) {
        return delays;
    }
    std::vector<uint8_t> buffer(size);
    auto* item = reinterpret_cast<Gdiplus::PropertyItem*>(buffer.data());
    if (image.GetPropertyItem(kFrameDelayProperty, size, item) != Gdiplus::Ok || item->value == nullptr) {
        return delays;
    }
    // The property's own length bounds the read, whatever the frame count claims.
    const size_t count = std::min<size_t>(frames, item->length / sizeof(uint32_t));
    delays.resize(count);
    std::memcpy(delays.data(), item->value, count * sizeof(uint32_t));
    return delays;
}

}  // namespace

CGifAnimUI::CGifAnimUI() = default;

CGifAnimUI::~CGifAnimUI() {
    if (manager_ != nullptr) {
        manager_->KillTimer(this, kFrameTimerId);
    }
    Free();
}

const wchar_t* CGifAnimUI::GetClass() const {
    return L"GifAnim";
}

void* CGifAnimUI::GetInterface(const wchar_t* name) {
    return Is(name, L"GifAnim") ? this : CControlUI::GetInterface(name);
}

void CGifAnimUI::DoInit() {
    Load();
    if (autoPlay_) {
        PlayGif();
    }
}

void CGifAnimUI::SetVisible(bool visible) {
    CControlUI::SetVisible(visible);
    if (visible) {
        Load();
        if (autoPlay_) {
            PlayGif();
        }
    } else {
        StopGif();
    }
}

void CGifAnimUI::SetAttribute(const wchar_t* name, const wchar_t* value) {
    using namespace AttributeValue;
    if (Is(name, L"bkimage")) {
        SetBkImage(value);
    } else if (Is(name, L"autoplay")) {
        SetAutoPlay(IsTrue(value));
    } else if (Is(name, L"autosize")) {
        SetAutoSize(IsTrue(value));
    } else {
        CControlUI::SetAttribute(name, value);
    }
}

void CGifAnimUI::SetBkImage(const std::wstring& file) {
    if (file == file_) {
        return;
    }
    StopGif();
    Free();
    file_ = file;
    Load();
    Invalidate();
}

void CGifAnimUI::SetAutoSize(bool on) {
    autoSize_ = on;
    if (autoSize_ && image_ != nullptr) {
        SetFixedWidth(static_cast<int>(image_->GetWidth()));
        SetFixedHeight(static_cast<int>(image_->GetHeight()));
    }
}

void CGifAnimUI::Free() {
    delete image_;
    image_ = nullptr;
    if (stream_ != nullptr) {
        stream_->Release();
        stream_ = nullptr;
    }
    frames_.Clear();
}

void CGifAnimUI::Load() {
    if (image_ != nullptr || file_.empty()) {
        return;
    }
    std::vector<uint8_t> bytes;
    if (!CSkinArchive::ReadImageFile(file_, bytes) || bytes.empty()) {
        return;
    }
    HGLOBAL memory = ::GlobalAlloc(GMEM_MOVEABLE, bytes.size());
    if (memory == nullptr) {
        return;
    }
    void* target = ::GlobalLock(memory);
    if (target == nullptr) {
        ::GlobalFree(memory);
        return;
    }
    std::memcpy(target, bytes.data(), bytes.size());
    ::GlobalUnlock(memory);
    // The stream owns the memory from here on.
    if (FAILED(::CreateStreamOnHGlobal(memory, TRUE, &stream_))) {
        ::GlobalFree(memory);
        stream_ = nullptr;
        return;
    }
    auto* image = new Gdiplus::Image(stream_);
    if (image->GetLastStatus() != Gdiplus::Ok) {
        delete image;
        Free();
        return;
    }
    image_ = image;
    UINT frameCount = 0;
    const UINT dimensions = image_->GetFrameDimensionsCount();
    if (dimensions > 0) {
        std::vector<GUID> ids(dimensions);
        if (image_->GetFrameDimensionsList(ids.data(), dimensions) == Gdiplus::Ok) {
            frameCount = image_->GetFrameCount(&ids[0]);
        }
    }
    frames_.Reset(frameCount, ReadFrameDelays(*image_, frameCount));
    SetAutoSize(autoSize_);
}

void CGifAnimUI::PlayGif() {
    if (playing_ || manager_ == nullptr || !frames_.CanPlay()) {
        return;
    }
    playing_ = manager_->SetTimer(this, kFrameTimerId, frames_.GetIntervalMs());
}

void CGifAnimUI::PauseGif() {
    if (!playing_) {
        return;
    }
    if (manager_ != nullptr) {
        manager_->KillTimer(this, kFrameTimerId);
    }
    playing_ = false;
}

void CGifAnimUI::StopGif() {
    PauseGif();
    frames_.Rewind();
    Invalidate();
}

void CGifAnimUI::OnFrameTimer() {
    if (manager_ == nullptr) {
        return;
    }
    manager_->KillTimer(this, kFrameTimerId);
    Invalidate();
    frames_.Advance();
    playing_ = manager_->SetTimer(this, kFrameTimerId, frames_.GetIntervalMs());
}

void CGifAnimUI::DoEvent(UIEvent& event) {
    if (event.type == UIEventType::Timer && event.wParam == kFrameTimerId) {
        OnFrameTimer();
        return;
    }
    CControlUI::DoEvent(event);
}

void CGifAnimUI::PaintBkImage(HDC dc) {
    if (image_ == nullptr) {
        return;
    }
    GUID dimension = Gdiplus::FrameDimensionTime;
    image_->SelectActiveFrame(&dimension, frames_.GetCurrent());
    Gdiplus::Graphics graphics(dc);
    graphics.DrawImage(image_, static_cast<INT>(pos_.left), static_cast<INT>(pos_.top),
                       static_cast<INT>(pos_.right - pos_.left), static_cast<INT>(pos_.bottom - pos_.top));
}
