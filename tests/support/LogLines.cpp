#include "tests/support/LogLines.h"

#include <cstdio>
#include <cwchar>

#include "util/UniqueHandle.h"

namespace {

std::wstring ReadUtf16(const std::wstring& path) {
    std::wstring text;
    UniqueFile file(_wfopen(path.c_str(), L"rb"));
    if (!file) {
        return text;
    }
    unsigned char unit[2];
    while (std::fread(unit, 1, 2, file.get()) == 2) {
        text.push_back(static_cast<wchar_t>(unit[0] | unit[1] << 8));
    }
    if (!text.empty() && text[0] == 0xFEFF) {
        text.erase(0, 1);
    }
    return text;
}

// "[2024-03-09 14:03:07][source 57]message" -> its parts; false for anything else.
bool ParseLine(const std::wstring& text, LogLine& out) {
    if (text.size() < 23 || text[0] != L'[' || text[20] != L']' || text[21] != L'[') {
        return false;
    }
    const size_t close = text.find(L']', 22);
    if (close == std::wstring::npos) {
        return false;
    }
    const std::wstring tag = text.substr(22, close - 22);
    const size_t blank = tag.rfind(L' ');
    if (blank == std::wstring::npos) {
        return false;
    }
    out.source = tag.substr(0, blank);
    out.line = static_cast<int>(std::wcstol(tag.c_str() + blank + 1, nullptr, 10));
    out.message = text.substr(close + 1);
    return true;
}

}  // namespace

std::vector<LogLine> ReadLogLines(const std::wstring& path) {
    const std::wstring text = ReadUtf16(path);
    std::vector<LogLine> lines;
    size_t pos = 0;
    while (pos < text.size()) {
        size_t end = text.find(L"\r\n", pos);
        if (end == std::wstring::npos) {
            end = text.size();
        }
        LogLine line;
        if (ParseLine(text.substr(pos, end - pos), line)) {
            lines.push_back(line);
        }
        pos = end + 2;
    }
    return lines;
}

LogWatch::LogWatch(std::wstring path) : path_(std::move(path)), start_(ReadLogLines(path_).size()) {}

std::vector<LogLine> LogWatch::NewLines() const {
    std::vector<LogLine> lines = ReadLogLines(path_);
    if (lines.size() >= start_) {
        lines.erase(lines.begin(), lines.begin() + static_cast<std::ptrdiff_t>(start_));
    }
    return lines;
}

std::vector<std::wstring> LogWatch::NewMessages(const std::wstring& source) const {
    std::vector<std::wstring> messages;
    for (const LogLine& line : NewLines()) {
        if (line.source == source) {
            messages.push_back(line.message);
        }
    }
    return messages;
}
