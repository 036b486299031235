#include "util/TextConv.h"

#include <windows.h>

#include <climits>

namespace {

std::wstring NarrowToWide(UINT codePage, const std::string& text) {
    if (text.empty() || text.size() >= INT_MAX) {
        return std::wstring();
    }
    const int length = static_cast<int>(text.size());
    const int needed = ::MultiByteToWideChar(codePage, 0, text.data(), length, nullptr, 0);
    if (needed <= 0) {
        return std::wstring();
    }
    std::wstring out(static_cast<size_t>(needed), L'\0');
    if (::MultiByteToWideChar(codePage, 0, text.data(), length, &out[0], needed) != needed) {
        return std::wstring();
    }
    return out;
}

std::string WideToNarrow(UINT codePage, const std::wstring& text) {
    if (text.empty() || text.size() >= INT_MAX) {
        return std::string();
    }
    const int length = static_cast<int>(text.size());
    const int needed = ::WideCharToMultiByte(codePage, 0, text.data(), length, nullptr, 0, nullptr, nullptr);
    if (needed <= 0) {
        return std::string();
    }
    std::string out(static_cast<size_t>(needed), '\0');
    if (::WideCharToMultiByte(codePage, 0, text.data(), length, &out[0], needed, nullptr, nullptr) != needed) {
        return std::string();
    }
    return out;
}

}  // namespace

std::string WideToAnsi(const std::wstring& text) {
    return WideToNarrow(CP_ACP, text);
}

std::wstring AnsiToWide(const std::string& text) {
    return NarrowToWide(CP_ACP, text);
}

std::wstring Utf8ToWide(const std::string& text) {
    return NarrowToWide(CP_UTF8, text);
}

std::string WideToUtf8(const std::wstring& text) {
    return WideToNarrow(CP_UTF8, text);
}

std::string AnsiToUtf8(const std::string& text) {
    return WideToUtf8(AnsiToWide(text));
}
