#include "engine/InstallServices.h"

#include <utility>

#include "util/MachineInfo.h"

namespace {
constexpr char kInstallerVersion[] = "100";
constexpr int kChannel = 1;
constexpr int kSystemType = 1;
}  // namespace

InstallServices::InstallServices(std::wstring logDir)
    : logDir_(std::move(logDir)),
      identity_(kInstallerVersion, kChannel, kSystemType),
      net_(identity_),
      control_(net_) {}

void InstallServices::Prepare() {
    if (prepared_) {
        return;
    }
    prepared_ = true;
    net_.Init(logDir_);
    identity_.SetInnerIp(GetLocalIpAddress());
}
