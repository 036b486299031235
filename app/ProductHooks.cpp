#include "app/ProductHooks.h"

#include "installer/MainWnd.h"
#include "installer/SilentInstall.h"
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
    hooks.runMainWindow = RunMainWindow;
    hooks.runSilent = [](const DeployOptions& options) {
        return static_cast<int>(RunSilentInstall(options, g_logDir));
    };
    return hooks;
}
