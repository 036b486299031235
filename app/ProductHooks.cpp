#include "app/ProductHooks.h"

#include "engine/InstallServices.h"
#include "installer/MainWnd.h"
#include "installer/MessageBoxExWnd.h"
#include "engine/SilentInstall.h"
#include "installer/WindowTexts.h"
#include "system/LanguageChoice.h"
#include "system/LocalSettings.h"
#include "util/WriteLogFile.h"
#include "toolkit/ControlClasses.h"
#include "toolkit/UIManager.h"

StartupHooks MakeProductHooks() {
    StartupHooks hooks;
    hooks.setToolkitInstance = [](HINSTANCE instance) {
        CUIManager::SetInstance(instance);
        RegisterControlClasses();
    };
    hooks.setResourceZip = [](const uint8_t* data, size_t length, const char* password) {
        CUIManager::SetResourceZip(data, length, password);
    };
    // The network objects of the install are made here, once, and handed down.
    hooks.runMainWindow = [](HINSTANCE instance, const std::wstring& logDir) {
        InstallServices services(logDir);
        RunMainWindow(instance, services);
    };
    hooks.runSilent = [](const DeployOptions& options, const std::wstring& logDir) {
        InstallServices services(logDir);
        return static_cast<int>(RunSilentInstall(options, services, logDir));
    };
    hooks.refuseStart = [] {
        const bool simplified = DetectLanguageItem(GetUserLocaleId()) == kLanguageItemSimplified;
        MessageBoxRequest request;
        request.title = texts::kBoxTitle.Pick(simplified);
        request.text = texts::kNoWorkFolder.Pick(simplified);
        request.buttons = 1;
        request.okText = texts::kOk.Pick(simplified);
        request.cancelText = texts::kCancel.Pick(simplified);
        ShowMessageBoxEx(nullptr, request);
    };
    return hooks;
}
