#include "toolkit/TextUI.h"

#include <cwchar>

CTextUI::CTextUI() {
    textStyle_ = DT_WORDBREAK;
    textPadding_ = RECT{2, 0, 2, 0};
}

const wchar_t* CTextUI::GetClass() const {
    return L"Text";
}

void* CTextUI::GetInterface(const wchar_t* name) {
    return std::wcscmp(name, L"Text") == 0 ? this : CLabelUI::GetInterface(name);
}
