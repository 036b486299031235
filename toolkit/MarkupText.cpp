#include "toolkit/MarkupText.h"

#ifdef _WIN32
#include "util/TextConv.h"
#endif

namespace MarkupText {

#ifdef _WIN32

std::wstring FromUtf8(const uint8_t* data, size_t size) {
    return Utf8ToWide(std::string(reinterpret_cast<const char*>(data), size));
}

std::wstring FromAnsi(const uint8_t* data, size_t size) {
    return AnsiToWide(std::string(reinterpret_cast<const char*>(data), size));
}

#else

// Host build only: invalid sequences become U+FFFD, as the Windows conversion does.
std::wstring FromUtf8(const uint8_t* data, size_t size) {
    std::wstring out;
    out.reserve(size);
    size_t i = 0;
    while (i < size) {
        const uint8_t lead = data[i];
        uint32_t code = 0;
        size_t extra = 0;
        if (lead < 0x80) {
            code = lead;
        } else if ((lead & 0xE0) == 0xC0) {
            code = lead & 0x1F;
            extra = 1;
        } else if ((lead & 0xF0) == 0xE0) {
            code = lead & 0x0F;
            extra = 2;
        } else if ((lead & 0xF8) == 0xF0) {
            code = lead & 0x07;
            extra = 3;
        } else {
            out.push_back(static_cast<wchar_t>(0xFFFD));
            ++i;
            continue;
        }
        size_t n = 1;
        bool valid = true;
        for (; n <= extra; ++n) {
            if (i + n >= size || (data[i + n] & 0xC0) != 0x80) {
                valid = false;
                break;
            }
            code = (code << 6) | (data[i + n] & 0x3F);
        }
        if (!valid || code > 0x10FFFF || (code >= 0xD800 && code <= 0xDFFF)) {
            out.push_back(static_cast<wchar_t>(0xFFFD));
            i += n;
            continue;
        }
        out.push_back(static_cast<wchar_t>(code));
        i += extra + 1;
    }
    return out;
}

// The host has no ANSI code page of its own; Latin-1 keeps ASCII skins readable.
std::wstring FromAnsi(const uint8_t* data, size_t size) {
    std::wstring out;
    out.reserve(size);
    for (size_t i = 0; i < size; ++i) {
        out.push_back(static_cast<wchar_t>(data[i]));
    }
    return out;
}

#endif

std::wstring FromUtf16(const uint8_t* data, size_t size, bool bigEndian) {
    std::wstring out;
    out.reserve(size / 2);
    for (size_t i = 0; i + 1 < size; i += 2) {
        const uint16_t unit = bigEndian ? static_cast<uint16_t>((data[i] << 8) | data[i + 1])
                                        : static_cast<uint16_t>(data[i] | (data[i + 1] << 8));
        out.push_back(static_cast<wchar_t>(unit));
    }
    return out;
}

}  // namespace MarkupText
