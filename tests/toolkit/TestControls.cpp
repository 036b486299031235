#include "TestControls.h"

#include "toolkit/ControlFactory.h"
#include "toolkit/LanguageTexts.h"
#include "toolkit/RenderKit.h"
#include "toolkit/UIManager.h"

#include <cwchar>

UINT CTestButtonUI::GetControlFlags() const {
    return IsKeyboardEnabled() ? UIFlag::TabStop : 0;
}

void CTestButtonUI::DoEvent(UIEvent& event) {
    events.push_back(event);
    switch (event.type) {
        case UIEventType::ButtonDown:
            pressed_ = true;
            return;
        case UIEventType::ButtonUp:
            if (pressed_ && ::PtInRect(&pos_, event.mouse) && IsEnabled()) {
                manager_->SendNotify(this, L"click");
            }
            pressed_ = false;
            return;
        case UIEventType::MouseEnter:
        case UIEventType::MouseLeave:
        case UIEventType::MouseMove:
            return;
        default:
            CControlUI::DoEvent(event);
    }
}

void CTestTextUI::PaintText(HDC dc) {
    RECT rect = pos_;
    CRenderKit::DrawText(dc, manager_, rect, CLanguageTexts::Replace(text_), 0xFFFFFFFF, -1,
                         DT_SINGLELINE | DT_VCENTER | DT_LEFT);
}

void RegisterTestControls() {
    static const bool once = [] {
        CControlFactory::RegisterPlugin([](const wchar_t* element) -> CControlUI* {
            if (std::wcscmp(element, L"TestButton") == 0) {
                return new CTestButtonUI;
            }
            if (std::wcscmp(element, L"TestText") == 0) {
                return new CTestTextUI;
            }
            return nullptr;
        });
        return true;
    }();
    (void)once;
}
