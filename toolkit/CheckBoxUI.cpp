#include "toolkit/CheckBoxUI.h"

#include <cwchar>

const wchar_t* CCheckBoxUI::GetClass() const {
    return L"CheckBox";
}

void* CCheckBoxUI::GetInterface(const wchar_t* name) {
    return std::wcscmp(name, L"CheckBox") == 0 ? this : COptionUI::GetInterface(name);
}
