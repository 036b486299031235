#include "ControlsSkin.h"

#include <windows.h>

#include "toolkit/ControlClasses.h"
#include "toolkit/SkinArchive.h"
#include "toolkit/UIManager.h"

std::wstring ControlsSkinFolder() {
    std::wstring out = L"Z:";
    for (const char* p = VARLO_TEST_BINARY_DIR "/tests/toolkit/controls/controls-skin/"; *p != '\0'; ++p) {
        out.push_back(*p == '/' ? L'\\' : static_cast<wchar_t>(static_cast<unsigned char>(*p)));
    }
    return out;
}

void PrepareToolkitForTests() {
    CUIManager::SetInstance(::GetModuleHandleW(nullptr));
    CSkinArchive::Reset();
    CUIManager::SetResourcePath(ControlsSkinFolder());
    RegisterControlClasses();
}
