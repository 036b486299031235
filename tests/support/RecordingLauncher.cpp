#include "tests/support/RecordingLauncher.h"

RecordingLauncher::RecordingLauncher() {
    answer.started = true;
    SetProcessLauncher(this);
}

RecordingLauncher::~RecordingLauncher() {
    SetProcessLauncher(nullptr);
}

LaunchResult RecordingLauncher::Launch(const LaunchRequest& launch) {
    launches.push_back(launch);
    return answer;
}

std::vector<std::wstring> RecordingLauncher::CommandLines() const {
    std::vector<std::wstring> lines;
    for (const LaunchRequest& launch : launches) {
        lines.push_back(launch.commandLine);
    }
    return lines;
}
