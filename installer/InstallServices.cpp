#include "installer/InstallServices.h"

#include "util/MachineInfo.h"

namespace {
constexpr char kInstallerVersion[] = "100";
constexpr int kChannel = 1;
constexpr int kSystemType = 1;
}  // namespace

InstallServices::InstallServices(const std::wstring& logDir)
    : identity_(kInstallerVersion, kChannel, kSystemType), net_(identity_), control_(net_) {
    net_.Init(logDir);
    identity_.SetInnerIp(GetLocalIpAddress());
}
