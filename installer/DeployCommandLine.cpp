#include "installer/DeployCommandLine.h"

#include <cwctype>

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
        if (upper.rfind(L"/D=", 0) == 0) {
            // The rest of the line, blanks and all, is the folder.
            options.folder = TrimBlanks(arguments.substr(at + 3));
            if (options.folder.empty()) {
                return Invalid(L"/D= 后没有文件夹");
            }
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
