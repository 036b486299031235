#include "app/ProductHooks.h"

#include "installer/InstallServices.h"
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
    // The network objects of the install are made here, once, and handed down.
    hooks.runMainWindow = [](HINSTANCE instance) {
        InstallServices services(g_logDir);
        RunMainWindow(instance, services);
    };
    hooks.runSilent = [](const DeployOptions& options) {
        InstallServices services(g_logDir);
        return static_cast<int>(RunSilentInstall(options, services, g_logDir));
    };
    return hooks;
}
