#pragma once
// The main layout of the skin, opened on a chosen page in the state a user would see it.

#include "toolkit/INotifyUI.h"
#include "toolkit/UIManager.h"
#include "toolkit/WindowWnd.h"

#include <string>

struct PreviewState {
    int page = 0;                // page of "child_page_tab"
    bool agreed = false;         // agreement accepted: install buttons enabled
    int progress = -1;           // progress bar value, -1 leaves the layout's
    bool traditional = false;    // texts of the traditional column
    std::wstring positionsFile;  // where to write the named controls' rectangles
};

class CPreviewWnd : public CWindowWnd, public INotifyUI {
  public:
    explicit CPreviewWnd(PreviewState state) : state_(std::move(state)) {}

    void Notify(NotifyMessage& msg) override;
    [[nodiscard]] bool Built() const { return built_; }

  protected:
    const wchar_t* GetWindowClassName() const override { return L"VarloSkinPreview"; }
    UINT GetClassStyle() const override { return CS_DBLCLKS; }
    LRESULT HandleMessage(UINT message, WPARAM wParam, LPARAM lParam) override;
    void OnFinalMessage(HWND window) override;

  private:
    void ApplyState();
    void ApplyTraditionalTexts();
    void WritePositions() const;

    PreviewState state_;
    CUIManager manager_;
    bool built_ = false;
};
