#include "toolkit/AttributeValue.h"

#include <climits>
#include <cwchar>
#include <cwctype>

namespace AttributeValue {
namespace {

wchar_t LowerAscii(wchar_t c) {
    return (c >= L'A' && c <= L'Z') ? static_cast<wchar_t>(c - L'A' + L'a') : c;
}

// Reads one number and steps over the single separator after it (never past the end).
int NextNumber(const wchar_t*& text) {
    wchar_t* end = nullptr;
    long value = std::wcstol(text, &end, 10);
    if (value > INT_MAX) {
        value = INT_MAX;
    } else if (value < INT_MIN) {
        value = INT_MIN;
    }
    text = end;
    if (*text != L'\0') {
        ++text;
    }
    return static_cast<int>(value);
}

}  // namespace

int ParseInt(const wchar_t* text) {
    if (text == nullptr) {
        return 0;
    }
    return NextNumber(text);
}

UiRect ParseRect(const wchar_t* text) {
    UiRect rect;
    if (text == nullptr) {
        return rect;
    }
    rect.left = NextNumber(text);
    rect.top = NextNumber(text);
    rect.right = NextNumber(text);
    rect.bottom = NextNumber(text);
    return rect;
}

UiSize ParseSize(const wchar_t* text) {
    UiSize size;
    if (text == nullptr) {
        return size;
    }
    size.cx = NextNumber(text);
    size.cy = NextNumber(text);
    return size;
}

uint32_t ParseColor(const wchar_t* text) {
    if (text == nullptr) {
        return 0;
    }
    while (*text != L'\0' && (*text == L' ' || *text == L'\t' || *text == L'\r' || *text == L'\n')) {
        ++text;
    }
    if (*text == L'#') {
        ++text;
    }
    wchar_t* end = nullptr;
    const unsigned long long value = std::wcstoull(text, &end, 16);
    return static_cast<uint32_t>(value > 0xFFFFFFFFull ? 0xFFFFFFFFull : value);
}

bool IsTrue(const wchar_t* text) {
    return text != nullptr && std::wcscmp(text, L"true") == 0;
}

bool IsTrueIgnoreCase(const wchar_t* text) {
    return EqualsIgnoreCase(text, L"true");
}

bool EqualsIgnoreCase(const wchar_t* a, const wchar_t* b) {
    if (a == nullptr || b == nullptr) {
        return a == b;
    }
    while (*a != L'\0' && LowerAscii(*a) == LowerAscii(*b)) {
        ++a;
        ++b;
    }
    return LowerAscii(*a) == LowerAscii(*b);
}

}  // namespace AttributeValue
