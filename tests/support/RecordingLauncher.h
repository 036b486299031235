#pragma once
// Stands in for the process launcher while it lives: records every launch and answers
// with `answer` (started, unless a test says otherwise) instead of starting anything.

#include "util/ProcessUtil.h"

#include <string>
#include <vector>

class RecordingLauncher : public IProcessLauncher {
  public:
    RecordingLauncher();
    ~RecordingLauncher() override;
    RecordingLauncher(const RecordingLauncher&) = delete;
    RecordingLauncher& operator=(const RecordingLauncher&) = delete;

    LaunchResult Launch(const LaunchRequest& launch) override;
    // The command lines launched, in order.
    [[nodiscard]] std::vector<std::wstring> CommandLines() const;

    std::vector<LaunchRequest> launches;
    LaunchResult answer;
};
