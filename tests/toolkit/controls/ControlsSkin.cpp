#include "ControlsSkin.h"

#include <windows.h>

#include "tests/toolkit/TestPaths.h"
#include "toolkit/ControlClasses.h"
#include "toolkit/SkinArchive.h"
#include "toolkit/UIManager.h"

std::wstring ControlsSkinFolder() {
    return TestPaths::Host(TestPaths::BuildDir() + "/controls/controls-skin/");
}

void PrepareToolkitForTests() {
    CUIManager::SetInstance(::GetModuleHandleW(nullptr));
    CSkinArchive::Reset();
    CUIManager::SetResourcePath(ControlsSkinFolder());
    RegisterControlClasses();
}
