#include "toolkit/ComboBodyUI.h"

CComboBodyUI::CComboBodyUI(CComboUI* owner) : owner_(owner) {
    SetAutoDestroy(false);
}

const wchar_t* CComboBodyUI::GetClass() const {
    return L"ComboBody";
}
