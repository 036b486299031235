#pragma once
// Plays the installer window for the install engine: records the stages and the end, keeps
// the three options a job shares with it, and watches the package source's transfers with a
// thread of its own that runs their stall check on a fast fake clock.

#include <atomic>
#include <functional>
#include <memory>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

#include "core/ControlManager.h"
#include "engine/InstallHost.h"
#include "engine/InstallWorker.h"

class RecordingHost : public IInstallHost, public IDownloadWatch {
  public:
    // Watches `control`'s transfers and drives its stall check with a fake clock while it
    // lives.
    explicit RecordingHost(ControlManager& control);
    ~RecordingHost() override;

    void OnStage(InstallStage stage) override;
    void OnEnd(const InstallResult& result) override;
    void StartDownloadWatch() override;
    void StopDownloadWatch() override;

    // `job` with this host's options.
    [[nodiscard]] InstallJob Job(InstallJob job) const {
        job.choices = choices;
        return job;
    }

    [[nodiscard]] std::vector<int> Stages() const;
    // How each reported end came out (one, once an engine has ended).
    [[nodiscard]] std::vector<InstallOutcome> Outcomes() const;
    // The last end reported; a default result before any.
    [[nodiscard]] InstallResult LastEnd() const;

    // All selected, as the window starts.
    std::shared_ptr<InstallChoices> choices = [] {
        auto all = std::make_shared<InstallChoices>();
        all->desktopShortcut = all->taskbarPin = all->autostart = true;
        return all;
    }();
    // Run on the engine's thread at the matching moment.
    std::function<void(int)> onStage;
    std::function<void()> onWatchStart;

    std::atomic<int> watchStarts{0};
    std::atomic<int> watchStops{0};
    // The box the window's stall watch would have posted.
    std::atomic<bool> stallBoxShown{false};

  private:
    ControlManager& control_;
    mutable std::mutex lock_;
    std::vector<int> stages_;
    std::vector<InstallResult> ends_;
    std::atomic<int> stage_{1};
    std::atomic<bool> watching_{false};
    std::thread ticker_;
};
