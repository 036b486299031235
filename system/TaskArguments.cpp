#include "system/TaskArguments.h"

namespace {

std::optional<std::wstring> Bounded(std::wstring arguments) {
    if (arguments.size() + 1 > kTaskArgumentsCapacity) {
        return std::nullopt;
    }
    return arguments;
}

// Right-aligned in two columns, as the tool has always been given it.
std::wstring TwoColumns(int value) {
    std::wstring text = std::to_wstring(value);
    if (text.size() < 2) {
        text.insert(0, 2 - text.size(), L' ');
    }
    return text;
}

}  // namespace

std::optional<std::wstring> FormatCreateTaskArguments(const std::wstring& taskName, const std::wstring& exePath) {
    // /tr "\"<path>\"": the outer quotes group the argument, the escaped inner ones stay
    // in the task's action. Two blanks before /sc and one at the end are part of the
    // established command line.
    return Bounded(L"/create /tn " + taskName + L" /tr \"\\\"" + exePath + L"\\\"\"  /sc ONLOGON /DELAY 0000:" +
                   TwoColumns(kLogonDelaySeconds) + L" /RL HIGHEST /f ");
}

std::optional<std::wstring> FormatDeleteTaskArguments(const std::wstring& taskName) {
    return Bounded(L"/delete /tn " + taskName + L" /f");
}

std::wstring SchtasksCommandLine(const std::wstring& arguments) {
    return L"Schtasks " + arguments;
}
