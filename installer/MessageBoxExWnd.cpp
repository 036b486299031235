#include "installer/MessageBoxExWnd.h"

#include <utility>

#include "core/Endpoints.h"
#include "installer/CaptionHitTest.h"
#include "installer/ShellActions.h"
#include "installer/WindowIdentity.h"
#include "installer/WindowTexts.h"
#include "toolkit/ButtonUI.h"
#include "toolkit/HorizontalLayoutUI.h"
#include "toolkit/LabelUI.h"
#include "toolkit/VerticalLayoutUI.h"

namespace {

constexpr DWORD kBoxStyle = WS_VISIBLE | WS_CLIPSIBLINGS | WS_CLIPCHILDREN | WS_CAPTION;
// The top 50 pixels over the whole width drag the box.
constexpr RECT kCaption{0, 0, 0, 50};
constexpr DWORD kTextColor = 0xFFBAB4CE;
constexpr int kTextRenderingHint = 5;

CButtonUI* MakeButton(const wchar_t* name, int width, int height) {
    auto* button = new CButtonUI;
    button->SetName(name);
    button->SetFixedWidth(width);
    button->SetFixedHeight(height);
    return button;
}

// One of the two answer buttons of the bottom row.
CButtonUI* MakeAnswerButton(const wchar_t* name,
                            const std::wstring& text,
                            const wchar_t* normalImage,
                            const wchar_t* hotImage,
                            DWORD textColor) {
    CButtonUI* button = MakeButton(name, 110, 36);
    button->SetText(text);
    button->SetNormalImage(normalImage);
    button->SetHotImage(hotImage);
    button->SetTextColor(textColor);
    button->SetFont(0);
    return button;
}

CControlUI* MakeSpace(int fixedWidth, int fixedHeight) {
    auto* space = new CControlUI;
    if (fixedWidth > 0) {
        space->SetFixedWidth(fixedWidth);
    }
    if (fixedHeight > 0) {
        space->SetFixedHeight(fixedHeight);
    }
    return space;
}

bool OpensHomePage(const std::wstring& label) {
    return label == texts::kOpenHomePage.simplified || label == texts::kOpenHomePage.traditional;
}

}  // namespace

CMessageBoxExWnd::CMessageBoxExWnd(MessageBoxRequest request) : request_(std::move(request)) {}

const wchar_t* CMessageBoxExWnd::GetWindowClassName() const {
    return L"CMessageBoxExWnd";
}

UINT CMessageBoxExWnd::GetClassStyle() const {
    return CS_DBLCLKS;
}

CControlUI* CMessageBoxExWnd::BuildControls() {
    auto* root = new CVerticalLayoutUI;
    root->SetBkImage(L"bkimage/popup_bk.png");

    auto* titleRow = new CHorizontalLayoutUI;
    titleRow->SetFixedHeight(40);
    titleRow->Add(new CLabelUI);
    CButtonUI* close = MakeButton(L"close_btn", 32, 32);
    close->SetNormalImage(L"btn/close_btn_nor.png");
    close->SetHotImage(L"btn/close_btn_hot.png");
    close->SetVisible(true);
    close->SetPadding(RECT{0, 10, 10, 0});
    titleRow->Add(close);
    root->Add(titleRow);

    auto* textRow = new CHorizontalLayoutUI;
    textRow->SetAttribute(L"inset", L"10,0,10,0");
    auto* content = new CLabelUI;
    content->SetName(L"content_lab");
    content->SetEnabledEffect(true);
    content->SetText(request_.text);
    content->SetMultiLine(true);
    content->SetTextRenderingHint(kTextRenderingHint);
    content->SetTextColor(kTextColor);
    content->SetFont(0);
    content->SetAttribute(L"align", L"center");
    textRow->Add(content);
    root->Add(textRow);

    auto* buttonRow = new CHorizontalLayoutUI;
    buttonRow->SetName(L"bottom_hor");
    buttonRow->SetFixedHeight(36);
    buttonRow->Add(MakeSpace(0, 0));
    buttonRow->Add(MakeAnswerButton(L"ok_btn", request_.okText, L"btn/popup_btn_gray_nor.png",
                                    L"btn/popup_btn_gray_hot.png", 0xFF000000));
    buttonRow->Add(MakeSpace(20, 0));
    buttonRow->Add(MakeAnswerButton(L"cancel_btn", request_.cancelText, L"btn/popup_btn_color_nor.png",
                                    L"btn/popup_btn_color_hot.png", 0xFFFFFFFF));
    buttonRow->Add(MakeSpace(0, 0));
    root->Add(buttonRow);

    root->Add(MakeSpace(0, 40));
    return root;
}

LRESULT CMessageBoxExWnd::OnCreate() {
    LONG_PTR style = ::GetWindowLongPtrW(*this, GWL_STYLE);
    style &= ~static_cast<LONG_PTR>(WS_CAPTION);
    style |= WS_CLIPSIBLINGS | WS_CLIPCHILDREN;
    ::SetWindowLongPtrW(*this, GWL_STYLE, style);
    manager_.Init(*this);
    // The caller's size is in skin units, like everything inside the box; only now is the
    // screen the box is on, and so its scale, known.
    const SIZE size = manager_.Scale(SIZE{request_.width, request_.height});
    ::SetWindowPos(*this, nullptr, 0, 0, size.cx, size.cy, SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE);
    manager_.SetCaptionRect(kCaption);
    // The box's shape is the alpha of its background image.
    manager_.SetLayeredImage(L"");
    manager_.AttachRoot(BuildControls());
    manager_.AddNotifier(this);
    return 0;
}

LRESULT CMessageBoxExWnd::OnNcHitTest(LPARAM lParam) {
    // Only the buttons act; the text and the layouts drag the box.
    return CaptionHitTest(*this, manager_, lParam, {L"Button"});
}

LRESULT CMessageBoxExWnd::HandleMessage(UINT message, WPARAM wParam, LPARAM lParam) {
    switch (message) {
        case WM_CREATE:
            return OnCreate();
        case WM_NCCALCSIZE:
        case WM_NCPAINT:
        case WM_NCLBUTTONDBLCLK:  // no maximise by a double click on the top area
            return 0;
        case WM_NCHITTEST:
            return OnNcHitTest(lParam);
        case WM_SYSCOMMAND:
            if ((wParam & 0xFFF0) == SC_CLOSE) {
                Close(kMessageBoxCancel);
                return 0;
            }
            if ((wParam & 0xFFF0) == SC_KEYMENU) {
                return 0;
            }
            return ::DefWindowProcW(*this, message, wParam, lParam);
        default:
            break;
    }
    LRESULT result = 0;
    if (manager_.MessageHandler(message, wParam, lParam, result)) {
        return result;
    }
    return CWindowWnd::HandleMessage(message, wParam, lParam);
}

void CMessageBoxExWnd::Notify(NotifyMessage& msg) {
    if (msg.type == L"windowinit") {
        CenterWindow();
        if (CControlUI* ok = manager_.FindControl(L"ok_btn")) {
            ok->SetVisible(request_.buttons == 1 || request_.buttons == 2);
        }
        if (CControlUI* cancel = manager_.FindControl(L"cancel_btn")) {
            cancel->SetVisible(request_.buttons == 2);
        }
        return;
    }
    if (msg.type != L"click" || msg.sender == nullptr) {
        return;
    }
    const std::wstring& name = msg.sender->GetName();
    if (name == L"close_btn") {
        Close(kMessageBoxCancel);
    } else if (name == L"cancel_btn") {
        if (OpensHomePage(msg.sender->GetText())) {
            ShellActions().OpenLink(VendorHomeUrl(), SW_SHOW);
        }
        Close(kMessageBoxCancel);
    } else if (name == L"ok_btn") {
        Close(kMessageBoxOk);
    }
}

UINT ShowMessageBoxEx(HWND owner, const MessageBoxRequest& request) {
    CMessageBoxExWnd box(request);
    if (box.Create(owner, kMainWindowTitle, kBoxStyle, WS_EX_TOOLWINDOW, 0, 0, request.width, request.height) ==
        nullptr) {
        return kMessageBoxCancel;
    }
    return box.ShowModal(true, false);
}
