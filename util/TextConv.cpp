#include "util/TextConv.h"

#include <windows.h>

#include <climits>

#include "util/Utf8.h"

namespace {

// The system's conversion from the ANSI code page; `flags` 0 substitutes the default
// character for undefined bytes, MB_ERR_INVALID_CHARS fails on them.
std::optional<std::wstring> DecodeAnsi(std::string_view text, DWORD flags) {
    if (text.empty()) {
        return std::wstring();
    }
    if (text.size() >= INT_MAX) {
        return std::nullopt;
    }
    const int length = static_cast<int>(text.size());
    const int needed = ::MultiByteToWideChar(CP_ACP, flags, text.data(), length, nullptr, 0);
    if (needed <= 0) {
        return std::nullopt;
    }
    std::wstring out(static_cast<size_t>(needed), L'\0');
    if (::MultiByteToWideChar(CP_ACP, flags, text.data(), length, &out[0], needed) != needed) {
        return std::nullopt;
    }
    return out;
}

// A system whose ANSI code page is UTF-8 (an option of newer Windows) gets the same
// strict codec as every other UTF-8 text; the system routine would not report a default
// character there.
bool AnsiIsUtf8() {
    return ::GetACP() == CP_UTF8;
}

}  // namespace

std::optional<std::string> WideToAnsi(std::wstring_view text) {
    if (AnsiIsUtf8()) {
        return WideToUtf8(text);
    }
    if (text.empty()) {
        return std::string();
    }
    if (text.size() >= INT_MAX) {
        return std::nullopt;
    }
    const int length = static_cast<int>(text.size());
    // No best fit: U+FF0F would otherwise come out as "/" in a name. A character the code
    // page lacks (an unpaired surrogate too) then takes the default character, which is
    // reported and refused.
    BOOL usedDefault = FALSE;
    const int needed =
        ::WideCharToMultiByte(CP_ACP, WC_NO_BEST_FIT_CHARS, text.data(), length, nullptr, 0, nullptr, &usedDefault);
    if (needed <= 0 || usedDefault) {
        return std::nullopt;
    }
    std::string out(static_cast<size_t>(needed), '\0');
    if (::WideCharToMultiByte(CP_ACP, WC_NO_BEST_FIT_CHARS, text.data(), length, &out[0], needed, nullptr,
                              &usedDefault) != needed ||
        usedDefault) {
        return std::nullopt;
    }
    return out;
}

std::optional<std::wstring> AnsiToWide(std::string_view text) {
    if (AnsiIsUtf8()) {
        return Utf8ToWide(text);
    }
    return DecodeAnsi(text, MB_ERR_INVALID_CHARS);
}

std::optional<std::wstring> Utf8ToWide(std::string_view text) {
    std::wstring out;
    if (!DecodeUtf8(text.data(), text.size(), Utf8Errors::Refuse, &out)) {
        return std::nullopt;
    }
    return out;
}

std::optional<std::string> WideToUtf8(std::wstring_view text) {
    std::string out;
    if (!EncodeUtf8(text, Utf8Errors::Refuse, &out)) {
        return std::nullopt;
    }
    return out;
}

std::optional<std::string> AnsiToUtf8(std::string_view text) {
    const std::optional<std::wstring> wide = AnsiToWide(text);
    return wide ? WideToUtf8(*wide) : std::nullopt;
}

std::wstring Utf8ToWideForReading(std::string_view text) {
    std::wstring out;
    static_cast<void>(DecodeUtf8(text.data(), text.size(), Utf8Errors::Replace, &out));
    return out;
}

std::wstring AnsiToWideForReading(std::string_view text) {
    if (AnsiIsUtf8()) {
        return Utf8ToWideForReading(text);
    }
    return DecodeAnsi(text, 0).value_or(std::wstring());
}
