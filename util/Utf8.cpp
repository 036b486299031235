#include "util/Utf8.h"

#include <cstdint>

namespace {

constexpr uint32_t kReplacement = 0xFFFD;

bool IsSurrogate(uint32_t code) {
    return code >= 0xD800 && code <= 0xDFFF;
}

void AppendCode(uint32_t code, std::wstring& out) {
    if (sizeof(wchar_t) == 2 && code > 0xFFFF) {
        code -= 0x10000;
        out.push_back(static_cast<wchar_t>(0xD800 + (code >> 10)));
        out.push_back(static_cast<wchar_t>(0xDC00 + (code & 0x3FF)));
    } else {
        out.push_back(static_cast<wchar_t>(code));
    }
}

// Reads one sequence at data[i]. Returns the bytes it spans: the whole sequence when it is
// valid, else the longest prefix that could have begun one (at least 1), so a replacement
// never swallows the start of the next character.
size_t ReadSequence(const unsigned char* data, size_t size, size_t i, uint32_t* code, bool* valid) {
    const unsigned char lead = data[i];
    size_t extra = 0;
    uint32_t value = 0;
    uint32_t minimum = 0;
    if (lead < 0x80) {
        *code = lead;
        *valid = true;
        return 1;
    }
    if (lead >= 0xC2 && lead <= 0xDF) {
        extra = 1;
        value = lead & 0x1Fu;
        minimum = 0x80;
    } else if ((lead & 0xF0) == 0xE0) {
        extra = 2;
        value = lead & 0x0Fu;
        minimum = 0x800;
    } else if (lead >= 0xF0 && lead <= 0xF4) {
        extra = 3;
        value = lead & 0x07u;
        minimum = 0x10000;
    } else {
        *valid = false;  // a continuation byte, C0/C1 (always overlong) or F5 and above
        return 1;
    }
    size_t n = 1;
    for (; n <= extra; ++n) {
        if (i + n >= size || (data[i + n] & 0xC0) != 0x80) {
            *valid = false;
            return n;
        }
        value = (value << 6) | (data[i + n] & 0x3Fu);
    }
    *valid = value >= minimum && value <= 0x10FFFF && !IsSurrogate(value);
    *code = value;
    return n;
}

}  // namespace

bool DecodeUtf8(const char* data, size_t size, Utf8Errors errors, std::wstring* out) {
    const auto* bytes = reinterpret_cast<const unsigned char*>(data);
    std::wstring text;
    text.reserve(size);
    for (size_t i = 0; i < size;) {
        uint32_t code = 0;
        bool valid = false;
        i += ReadSequence(bytes, size, i, &code, &valid);
        if (!valid) {
            if (errors == Utf8Errors::Refuse) {
                return false;
            }
            code = kReplacement;
        }
        AppendCode(code, text);
    }
    *out = std::move(text);
    return true;
}

bool EncodeUtf8(std::wstring_view text, Utf8Errors errors, std::string* result) {
    std::string out;
    out.reserve(text.size());
    for (size_t i = 0; i < text.size(); ++i) {
        auto code = static_cast<uint32_t>(text[i]);
        if (sizeof(wchar_t) == 2 && code >= 0xD800 && code <= 0xDBFF && i + 1 < text.size() &&
            static_cast<uint32_t>(text[i + 1]) >= 0xDC00 && static_cast<uint32_t>(text[i + 1]) <= 0xDFFF) {
            code = 0x10000 + ((code - 0xD800) << 10) + (static_cast<uint32_t>(text[++i]) - 0xDC00);
        } else if (IsSurrogate(code) || code > 0x10FFFF) {
            if (errors == Utf8Errors::Refuse) {
                return false;
            }
            code = kReplacement;
        }
        if (code < 0x80) {
            out.push_back(static_cast<char>(code));
        } else if (code < 0x800) {
            out.push_back(static_cast<char>(0xC0 | (code >> 6)));
            out.push_back(static_cast<char>(0x80 | (code & 0x3F)));
        } else if (code < 0x10000) {
            out.push_back(static_cast<char>(0xE0 | (code >> 12)));
            out.push_back(static_cast<char>(0x80 | ((code >> 6) & 0x3F)));
            out.push_back(static_cast<char>(0x80 | (code & 0x3F)));
        } else {
            out.push_back(static_cast<char>(0xF0 | (code >> 18)));
            out.push_back(static_cast<char>(0x80 | ((code >> 12) & 0x3F)));
            out.push_back(static_cast<char>(0x80 | ((code >> 6) & 0x3F)));
            out.push_back(static_cast<char>(0x80 | (code & 0x3F)));
        }
    }
    *result = std::move(out);
    return true;
}

std::string EncodeUtf8(const std::wstring& text) {
    std::string out;
    static_cast<void>(EncodeUtf8(text, Utf8Errors::Replace, &out));
    return out;
}
