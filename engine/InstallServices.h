#pragma once
// What an install needs before it can talk to the vendor, whichever host runs it: the
// identity sent with API requests, the signed-request module and the package source.
// The start-up makes one and hands it down to the host that runs the install; the host
// prepares it once it has decided to go on (a refused start leaves no trace).

#include <string>

#include "core/ControlManager.h"
#include "core/DataManager.h"
#include "core/NetManager.h"

class InstallServices {
  public:
    // `logDir` ends in a separator; its "cache" folder takes the package.
    explicit InstallServices(std::wstring logDir);
    InstallServices(const InstallServices&) = delete;
    InstallServices& operator=(const InstallServices&) = delete;

    // The network layer's start, the "cache" folder and the local address; only the first
    // call does anything.
    void Prepare();

    // The work folder the start-up made, ending in a separator: the log, the undo record
    // and the package cache.
    [[nodiscard]] const std::wstring& LogDir() const { return logDir_; }
    [[nodiscard]] DataManager& Identity() { return identity_; }
    [[nodiscard]] NetManager& Net() { return net_; }
    [[nodiscard]] ControlManager& Control() { return control_; }

  private:
    std::wstring logDir_;
    bool prepared_ = false;
    DataManager identity_;
    NetManager net_;
    ControlManager control_;
};
