#include "toolkit/HorizontalLayoutUI.h"

#include <cwchar>

const wchar_t* CHorizontalLayoutUI::GetClass() const {
    return L"HorizontalLayout";
}

void* CHorizontalLayoutUI::GetInterface(const wchar_t* name) {
    if (std::wcscmp(name, L"HorizontalLayout") == 0) {
        return static_cast<CHorizontalLayoutUI*>(this);
    }
    return CContainerUI::GetInterface(name);
}
