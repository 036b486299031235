#include "installer/MainWndSeams.h"

#include "system/LocalSettings.h"
#include "util/FileUtil.h"
#include "util/FolderSecurity.h"

void MainWndSeams::FillDefaults() {
    if (!showBox) {
        showBox = ShowMessageBoxEx;
    }
    if (!endProcess) {
        endProcess = [](UINT code) { ::ExitProcess(code); };
    }
    if (!endProcessNow) {
        endProcessNow = [](UINT code) { ::TerminateProcess(::GetCurrentProcess(), code); };
    }
    if (!userLocale) {
        userLocale = GetUserLocaleId;
    }
    if (!replaceableAncestor) {
        replaceableAncestor = FindReplaceableLocation;
    }
    if (!installerDirectory) {
        installerDirectory = [] { return GetModuleDirectory(nullptr); };
    }
}
