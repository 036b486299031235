#include "engine/DeployCommandLine.h"

#include <cwctype>
#include <optional>

namespace {

bool IsBlank(wchar_t c) {
    return c == L' ' || c == L'\t';
}

std::wstring Upper(const std::wstring& text) {
    std::wstring upper = text;
    for (wchar_t& c : upper) {
        c = static_cast<wchar_t>(std::towupper(static_cast<wint_t>(c)));
    }
    return upper;
}

std::wstring TrimBlanks(const std::wstring& text) {
    size_t begin = 0;
    size_t end = text.size();
    while (begin < end && IsBlank(text[begin])) {
        ++begin;
    }
    while (end > begin && IsBlank(text[end - 1])) {
        --end;
    }
    return text.substr(begin, end - begin);
}

DeployCommand Invalid(const std::wstring& problem) {
    DeployCommand command;
    command.kind = DeployCommand::Kind::Invalid;
    command.problem = problem;
    return command;
}

// A switch that is only present or absent: once at most.
bool SetOnce(bool& seen, bool& option, bool value) {
    if (seen) {
        return false;
    }
    seen = true;
    option = value;
    return true;
}

// The folder of a "/D=" switch that starts `rest`: the rest of the line, blanks and all.
// PowerShell, Python and deployment tools quote an argument holding blanks, so the whole
// switch may come as "/D=<folder>": the same folder, once the quotes that close the line
// are taken off. Nothing when a quote is left unmatched or text follows the closing one.
std::optional<std::wstring> FolderSwitchValue(const std::wstring& rest) {
    if (rest[0] != L'"') {
        return TrimBlanks(rest.substr(3));
    }
    const std::wstring quoted = TrimBlanks(rest);
    if (quoted.size() < 5 || quoted.back() != L'"' || quoted.find(L'"', 1) != quoted.size() - 1) {
        return std::nullopt;
    }
    return TrimBlanks(quoted.substr(4, quoted.size() - 5));
}

}  // namespace

DeployCommand ParseDeployCommandLine(const std::wstring& arguments) {
    DeployCommand command;
    if (TrimBlanks(arguments).empty()) {
        return command;
    }
    bool silent = false;
    bool seenLanguage = false, seenDesktop = false, seenPin = false, seenAutostart = false, seenShared = false;
    DeployOptions& options = command.options;
    size_t at = 0;
    while (at < arguments.size()) {
        if (IsBlank(arguments[at])) {
            ++at;
            continue;
        }
        size_t end = at;
        while (end < arguments.size() && !IsBlank(arguments[end])) {
            ++end;
        }
        const std::wstring token = arguments.substr(at, end - at);
        const std::wstring upper = Upper(token);
        if (upper.rfind(L"/D=", 0) == 0 || upper.rfind(L"\"/D=", 0) == 0) {
            std::optional<std::wstring> folder = FolderSwitchValue(arguments.substr(at));
            if (!folder) {
                return Invalid(L"/D= 的引号不成对");
            }
            if (folder->empty()) {
                return Invalid(L"/D= 后没有文件夹");
            }
            options.folder = std::move(*folder);
            break;
        }
        bool ok = true;
        if (upper == L"/S") {
            ok = !silent;
            silent = true;
        } else if (upper == L"/LANG=ZH-CN" || upper == L"/LANG=ZH-TW") {
            ok = !seenLanguage;
            seenLanguage = true;
            options.language = upper == L"/LANG=ZH-CN" ? DeployLanguage::Simplified : DeployLanguage::Traditional;
        } else if (upper == L"/NODESKTOP") {
            ok = SetOnce(seenDesktop, options.desktopShortcut, false);
        } else if (upper == L"/NOPIN") {
            ok = SetOnce(seenPin, options.taskbarPin, false);
        } else if (upper == L"/NOAUTOSTART") {
            ok = SetOnce(seenAutostart, options.autostart, false);
        } else if (upper == L"/ALLOWSHAREDPARENT") {
            ok = SetOnce(seenShared, options.allowSharedParent, true);
        } else {
            return Invalid(L"未知参数：" + token);
        }
        if (!ok) {
            return Invalid(L"参数重复：" + token);
        }
        at = end;
    }
    // Switches without /S would start the window with options it cannot honour.
    if (!silent) {
        return Invalid(L"缺少 /S");
    }
    command.kind = DeployCommand::Kind::Silent;
    return command;
}
