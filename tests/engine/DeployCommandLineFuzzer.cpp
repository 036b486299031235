// Feeds arbitrary text to the unattended install's command-line reader. None may crash;
// a refusal always names its reason; and a folder switch means the same folder whether the
// script that passed it quoted the whole switch or not.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>

#include "engine/DeployCommandLine.h"

namespace {

void Check(const std::wstring& line) {
    const DeployCommand command = ParseDeployCommandLine(line);
    if (command.kind == DeployCommand::Kind::Invalid && command.problem.empty()) {
        std::abort();
    }
    if (command.kind != DeployCommand::Kind::Silent || command.options.folder.empty() ||
        command.options.folder.find(L'"') != std::wstring::npos) {
        return;
    }
    // Every switch before the folder's is a known one, none holding "/D=": the first is it.
    size_t at = 0;
    while (at + 3 <= line.size() &&
           !(line[at] == L'/' && (line[at + 1] == L'D' || line[at + 1] == L'd') && line[at + 2] == L'=')) {
        ++at;
    }
    if (at + 3 > line.size() || at == 0 || line[at - 1] == L'"') {
        return;
    }
    const std::wstring quoted = line.substr(0, at) + L"\"/D=" + command.options.folder + L"\"";
    const DeployCommand again = ParseDeployCommandLine(quoted);
    if (again.kind != DeployCommand::Kind::Silent || again.options.folder != command.options.folder) {
        std::abort();
    }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    // One byte per character, and two (as the wide command line arrives).
    std::wstring narrow(data, data + size);
    std::wstring wide;
    for (size_t i = 0; i + 1 < size; i += 2) {
        wide.push_back(static_cast<wchar_t>(data[i] | (data[i + 1] << 8)));
    }
    Check(narrow);
    Check(wide);
    return 0;
}
