#include "toolkit/VerticalLayoutUI.h"

#include <cwchar>

const wchar_t* CVerticalLayoutUI::GetClass() const {
    return L"VerticalLayout";
}

void* CVerticalLayoutUI::GetInterface(const wchar_t* name) {
    if (std::wcscmp(name, L"VerticalLayout") == 0) {
        return static_cast<CVerticalLayoutUI*>(this);
    }
    return CContainerUI::GetInterface(name);
}
