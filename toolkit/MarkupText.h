#pragma once
// Byte-to-wide decoding of layout files. On Windows the conversions go through the shared
// text-conversion helpers; the host build (tests and fuzzers) has its own UTF-8 decoder.

#include <cstddef>
#include <cstdint>
#include <string>

namespace MarkupText {

std::wstring FromUtf8(const uint8_t* data, size_t size);
std::wstring FromAnsi(const uint8_t* data, size_t size);
// Pairs of bytes, little- or big-endian; an odd trailing byte is dropped.
std::wstring FromUtf16(const uint8_t* data, size_t size, bool bigEndian);

}  // namespace MarkupText
