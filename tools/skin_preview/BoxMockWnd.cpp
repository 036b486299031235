#include "tools/skin_preview/BoxMockWnd.h"

#include "toolkit/ButtonUI.h"
#include "toolkit/HorizontalLayoutUI.h"
#include "toolkit/LabelUI.h"
#include "toolkit/VerticalLayoutUI.h"

namespace {

CButtonUI* MakeButton(const wchar_t* name, int width, int height) {
    auto* button = new CButtonUI;
    button->SetName(name);
    button->SetFixedWidth(width);
    button->SetFixedHeight(height);
    return button;
}

CControlUI* Spacer(int width, int height) {
    auto* spacer = new CControlUI;
    if (width > 0) {
        spacer->SetFixedWidth(width);
    }
    if (height > 0) {
        spacer->SetFixedHeight(height);
    }
    return spacer;
}

}  // namespace

CControlUI* CBoxMockWnd::BuildControls() {
    auto* root = new CVerticalLayoutUI;
    root->SetBkImage(L"bkimage/popup_bk.png");

    auto* titleRow = new CHorizontalLayoutUI;
    titleRow->SetFixedHeight(40);
    titleRow->Add(new CLabelUI);
    CButtonUI* close = MakeButton(L"close_btn", 32, 32);
    close->SetNormalImage(L"btn/close_btn_nor.png");
    close->SetHotImage(L"btn/close_btn_hot.png");
    close->SetPadding(RECT{0, 10, 10, 0});
    titleRow->Add(close);
    root->Add(titleRow);

    auto* textRow = new CHorizontalLayoutUI;
    textRow->SetAttribute(L"inset", L"10,0,10,0");
    auto* content = new CLabelUI;
    content->SetName(L"content_lab");
    content->SetEnabledEffect(true);
    content->SetText(text_);
    content->SetMultiLine(true);
    content->SetTextRenderingHint(5);
    content->SetTextColor(0xFFBAB4CE);
    content->SetFont(0);
    content->SetAttribute(L"align", L"center");
    textRow->Add(content);
    root->Add(textRow);

    auto* buttonRow = new CHorizontalLayoutUI;
    buttonRow->SetName(L"bottom_hor");
    buttonRow->SetFixedHeight(36);
    buttonRow->Add(Spacer(0, 0));
    CButtonUI* ok = MakeButton(L"ok_btn", 110, 36);
    ok->SetText(okText_);
    ok->SetNormalImage(L"btn/popup_btn_gray_nor.png");
    ok->SetHotImage(L"btn/popup_btn_gray_hot.png");
    ok->SetTextColor(0xFF000000);
    ok->SetFont(0);
    buttonRow->Add(ok);
    buttonRow->Add(Spacer(20, 0));
    CButtonUI* cancel = MakeButton(L"cancel_btn", 110, 36);
    cancel->SetText(cancelText_);
    cancel->SetNormalImage(L"btn/popup_btn_color_nor.png");
    cancel->SetHotImage(L"btn/popup_btn_color_hot.png");
    cancel->SetTextColor(0xFFFFFFFF);
    cancel->SetFont(0);
    buttonRow->Add(cancel);
    buttonRow->Add(Spacer(0, 0));
    root->Add(buttonRow);

    root->Add(Spacer(0, 40));
    return root;
}

LRESULT CBoxMockWnd::HandleMessage(UINT message, WPARAM wParam, LPARAM lParam) {
    switch (message) {
        case WM_CREATE: {
            const LONG style = ::GetWindowLongW(GetHWND(), GWL_STYLE);
            ::SetWindowLongW(GetHWND(), GWL_STYLE, (style & ~WS_CAPTION) | WS_CLIPSIBLINGS | WS_CLIPCHILDREN);
            manager_.Init(GetHWND());
            manager_.SetCaptionRect(RECT{0, 0, 0, 50});
            manager_.SetLayeredImage(L"");
            manager_.AttachRoot(BuildControls());
            manager_.AddNotifier(this);
            return 0;
        }
        case WM_NCCALCSIZE:
        case WM_NCPAINT:
            return 0;
        default:
            break;
    }
    LRESULT result = 0;
    if (manager_.MessageHandler(message, wParam, lParam, result)) {
        return result;
    }
    return CWindowWnd::HandleMessage(message, wParam, lParam);
}

void CBoxMockWnd::Notify(NotifyMessage& msg) {
    if (msg.type == L"windowinit") {
        manager_.FindControl(L"ok_btn")->SetVisible(buttons_ == 1 || buttons_ == 2);
        manager_.FindControl(L"cancel_btn")->SetVisible(buttons_ == 2);
    } else if (msg.type == L"click") {
        Close(msg.sender->GetName() == L"ok_btn" ? 1 : 0);
    }
}
