#include "installer/InstallServices.h"

#include <windows.h>

#include "core/ControlManager.h"
#include "core/DataManager.h"
#include "core/NetManager.h"
#include "util/MachineInfo.h"

namespace {
constexpr char kInstallerVersion[] = "100";
constexpr int kChannel = 1;
constexpr int kSystemType = 1;
}  // namespace

void PrepareInstallServices(const std::wstring& logDir) {
    DataManager::Instance()->Init(kInstallerVersion, kChannel, kSystemType);
    NetManager::Instance()->Init(logDir);
    static_cast<void>(ControlManager::Instance());
    ::CreateDirectoryW((logDir + L"cache").c_str(), nullptr);
    DataManager::Instance()->SetInnerIp(GetLocalIpAddress());
}
