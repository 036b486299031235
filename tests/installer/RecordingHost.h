#pragma once
// Plays the installer window for the install worker: records stages, posted errors and
// results, keeps the three options, and watches the package source's transfers with a
// thread of its own that runs their stall check on a fast fake clock.

#include <atomic>
#include <functional>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

#include "core/ControlManager.h"
#include "installer/InstallHost.h"

class RecordingHost : public IInstallHost, public IDownloadWatch {
  public:
    // Watches `control`'s transfers and drives its stall check with a fake clock while it
    // lives.
    explicit RecordingHost(ControlManager& control);
    ~RecordingHost() override;

    void SetStage(int stage) override;
    void PostInstallError(const std::wstring& text) override;
    [[nodiscard]] bool WantsDesktopShortcut() const override { return Read("desktop", desktop); }
    [[nodiscard]] bool WantsTaskbarPin() const override { return Read("pin", pin); }
    [[nodiscard]] bool WantsAutostart() const override { return Read("autostart", autostart); }
    void SetInstalledDir(const std::wstring& dir) override;
    void SetDesktopShortcutPath(const std::wstring& path) override;
    void StartDownloadWatch() override;
    void StopDownloadWatch() override;

    [[nodiscard]] std::vector<int> Stages() const;
    [[nodiscard]] std::vector<std::wstring> Errors() const;

    std::atomic<bool> desktop{true};
    std::atomic<bool> pin{true};
    std::atomic<bool> autostart{true};
    // Run on the worker thread at the matching moment.
    std::function<void(int)> onStage;
    std::function<void()> onWatchStart;
    // Run when the worker reads an option ("desktop", "pin", "autostart") at its step.
    std::function<void(const std::string& option)> onOption;

    std::wstring installedDir;
    std::wstring desktopShortcutPath;
    std::atomic<int> watchStarts{0};
    std::atomic<int> watchStops{0};
    // The box the window's stall watch would have posted.
    std::atomic<bool> stallBoxShown{false};

  private:
    bool Read(const char* option, const std::atomic<bool>& value) const {
        if (onOption) {
            onOption(option);
        }
        return value;
    }

    ControlManager& control_;
    mutable std::mutex lock_;
    std::vector<int> stages_;
    std::vector<std::wstring> errors_;
    std::atomic<int> stage_{1};
    std::atomic<bool> watching_{false};
    std::thread ticker_;
};
