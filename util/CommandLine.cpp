#include "util/CommandLine.h"

std::wstring QuoteCommandPath(const std::wstring& path) {
    if (path.find_first_of(L" \t") == std::wstring::npos) {
        return path;
    }
    return L"\"" + path + L"\"";
}

std::wstring UnquoteCommandPath(const std::wstring& commandLine) {
    if (commandLine.empty() || commandLine[0] != L'"') {
        return commandLine;
    }
    const size_t close = commandLine.find(L'"', 1);
    // An opening quote that is never closed: the rest is the path.
    return commandLine.substr(1, close == std::wstring::npos ? std::wstring::npos : close - 1);
}
