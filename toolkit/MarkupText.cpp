#include "toolkit/MarkupText.h"

#ifdef _WIN32
#include "util/TextConv.h"
#else
#include "util/Utf8.h"
#endif

namespace MarkupText {

#ifdef _WIN32

// Layout text is read by people, and the skin is the program's own: a bad byte shows as one
// U+FFFD rather than costing the window, in both builds alike.
std::wstring FromUtf8(const uint8_t* data, size_t size) {
    return Utf8ToWideForReading(std::string_view(reinterpret_cast<const char*>(data), size));
}

std::wstring FromAnsi(const uint8_t* data, size_t size) {
    return AnsiToWideForReading(std::string_view(reinterpret_cast<const char*>(data), size));
}

#else

// Invalid sequences become U+FFFD, as in the Windows build.
std::wstring FromUtf8(const uint8_t* data, size_t size) {
    std::wstring out;
    DecodeUtf8(reinterpret_cast<const char*>(data), size, Utf8Errors::Replace, &out);
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
