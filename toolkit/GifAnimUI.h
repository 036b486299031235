#pragma once
// An animated GIF from the skin, played frame by frame on a toolkit timer and drawn
// scaled into the control with GDI+.

#include "toolkit/ControlUI.h"
#include "toolkit/GifFrames.h"

#include <memory>

namespace Gdiplus {
class Image;
}
struct IStream;

class CGifAnimUI : public CControlUI {
  public:
    static constexpr UINT kFrameTimerId = 100;

    CGifAnimUI();
    ~CGifAnimUI() override;

    const wchar_t* GetClass() const override;
    void* GetInterface(const wchar_t* name) override;
    void DoInit() override;
    void DoEvent(UIEvent& event) override;
    void SetVisible(bool visible = true) override;
    void SetAttribute(const wchar_t* name, const wchar_t* value) override;
    void PaintBkImage(HDC dc) override;

    // The skin file of the GIF (a file name, not an image descriptor).
    void SetBkImage(const std::wstring& file);
    [[nodiscard]] const std::wstring& GetBkImage() const { return file_; }
    void SetAutoPlay(bool on) { autoPlay_ = on; }
    // The control takes the GIF's size (at once when it is already loaded).
    void SetAutoSize(bool on);
    void PlayGif();
    void PauseGif();
    void StopGif();

    [[nodiscard]] bool IsLoaded() const { return image_ != nullptr; }
    [[nodiscard]] bool IsPlaying() const { return playing_; }
    [[nodiscard]] UINT GetFrameCount() const { return frames_.GetFrameCount(); }
    [[nodiscard]] UINT GetCurrentFrame() const { return frames_.GetCurrent(); }
    // How long the current frame stays, in milliseconds.
    [[nodiscard]] UINT GetFrameIntervalMs() const { return frames_.GetIntervalMs(); }

  private:
    void Load();
    void Free();
    void OnFrameTimer();

    std::wstring file_;
    Gdiplus::Image* image_ = nullptr;
    IStream* stream_ = nullptr;
    CGifFrames frames_;
    bool autoPlay_ = true;
    bool autoSize_ = false;
    bool playing_ = false;
};
