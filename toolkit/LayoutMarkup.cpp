#include "toolkit/LayoutMarkup.h"

#include "toolkit/LayoutNode.h"
#include "toolkit/MarkupText.h"
#include "toolkit/SkinArchive.h"

#include <cstring>

namespace {

bool IsSpace(wchar_t c) {
    return c > 0 && c <= L' ';
}

// Names are ASCII letters, digits, "_" and ":"; anything beyond ASCII counts as a letter
// so that the rule is the same on every platform's C library.
bool IsNameChar(wchar_t c) {
    return (c >= L'a' && c <= L'z') || (c >= L'A' && c <= L'Z') || (c >= L'0' && c <= L'9') || c == L'_' || c == L':' ||
           static_cast<uint32_t>(c) >= 0x80;
}

bool IsAttributeNameEnd(wchar_t c) {
    return c == 0 || IsSpace(c) || c == L'=' || c == L'/' || c == L'>' || c == L'"';
}

// Finds `terminator` at or after `from`; npos when the text ends first.
size_t FindFrom(const std::wstring& text, const wchar_t* terminator, size_t from) {
    return text.find(terminator, from);
}

}  // namespace

CLayoutMarkup::CLayoutMarkup() {
    Reset();
}

CLayoutMarkup::CLayoutMarkup(const wchar_t* text) {
    Reset();
    (void)Load(text);
}

void CLayoutMarkup::Reset() {
    pool_.assign(1, L'\0');  // offset 0 is the empty string
    elements_.assign(1, Element{});
    attributes_.clear();
}

void CLayoutMarkup::Release() {
    Reset();
}

bool CLayoutMarkup::IsValid() const {
    return elements_.size() > 1;
}

CLayoutNode CLayoutMarkup::GetRoot() const {
    return IsValid() ? CLayoutNode(this, 1) : CLayoutNode();
}

bool CLayoutMarkup::Load(const wchar_t* text) {
    return Load(std::wstring(text ? text : L""));
}

bool CLayoutMarkup::Load(const std::wstring& text) {
    Reset();
    errorMessage_.clear();
    errorLocation_.clear();
    if (!Parse(text)) {
        Reset();
        return false;
    }
    return true;
}

bool CLayoutMarkup::LoadFromMem(const uint8_t* data, size_t size, MarkupEncoding encoding) {
    return Load(DecodeBytes(data, size, encoding));
}

bool CLayoutMarkup::LoadFromFile(const std::wstring& name, MarkupEncoding encoding) {
    Reset();
    std::vector<uint8_t> bytes;
    std::wstring error;
    if (!CSkinArchive::ReadLayoutFile(name, bytes, error)) {
        errorMessage_ = error;
        errorLocation_ = name.substr(0, kMaxErrorLocation);
        return false;
    }
    return LoadFromMem(bytes.data(), bytes.size(), encoding);
}

std::wstring CLayoutMarkup::DecodeBytes(const uint8_t* data, size_t size, MarkupEncoding encoding) {
    if (data == nullptr || size == 0) {
        return std::wstring();
    }
    // A UTF-16 byte-order mark is unambiguous whatever the caller expected.
    if (size >= 2 && data[0] == 0xFF && data[1] == 0xFE) {
        return MarkupText::FromUtf16(data + 2, size - 2, false);
    }
    if (size >= 2 && data[0] == 0xFE && data[1] == 0xFF) {
        return MarkupText::FromUtf16(data + 2, size - 2, true);
    }
    switch (encoding) {
        case MarkupEncoding::Utf16:
            return MarkupText::FromUtf16(data, size, false);
        case MarkupEncoding::Ansi:
            return MarkupText::FromAnsi(data, size);
        case MarkupEncoding::Utf8:
        default:
            if (size >= 3 && data[0] == 0xEF && data[1] == 0xBB && data[2] == 0xBF) {
                return MarkupText::FromUtf8(data + 3, size - 3);
            }
            return MarkupText::FromUtf8(data, size);
    }
}

bool CLayoutMarkup::Fail(const wchar_t* message, const std::wstring& text, size_t pos) {
    errorMessage_.assign(message, std::min(std::wcslen(message), kMaxErrorMessage));
    errorLocation_ = pos < text.size() ? text.substr(pos, kMaxErrorLocation) : std::wstring();
    return false;
}

uint32_t CLayoutMarkup::AddElement(uint32_t parent, uint32_t previousSibling, uint32_t name) {
    if (elements_.size() == elements_.capacity()) {
        elements_.reserve(elements_.capacity() + elements_.capacity() / 2 + 500);
    }
    const uint32_t index = static_cast<uint32_t>(elements_.size());
    Element element;
    element.name = name;
    element.parent = parent;
    element.firstAttribute = static_cast<uint32_t>(attributes_.size());
    elements_.push_back(element);
    if (previousSibling != 0) {
        elements_[previousSibling].nextSibling = index;
    } else if (parent != 0) {
        elements_[parent].firstChild = index;
    }
    return index;
}

uint32_t CLayoutMarkup::StoreName(const std::wstring& text, size_t begin, size_t end) {
    const uint32_t offset = static_cast<uint32_t>(pool_.size());
    pool_.append(text, begin, end - begin);
    pool_.push_back(L'\0');
    return offset;
}

uint32_t CLayoutMarkup::StoreDecoded(const std::wstring& text, size_t begin, size_t end) {
    static const struct {
        const wchar_t* name;
        size_t length;
        wchar_t value;
    } kEntities[] = {
        {L"&amp;", 5, L'&'}, {L"&lt;", 4, L'<'}, {L"&gt;", 4, L'>'}, {L"&quot;", 6, L'"'}, {L"&apos;", 6, L'\''},
    };
    const uint32_t offset = static_cast<uint32_t>(pool_.size());
    size_t i = begin;
    while (i < end) {
        wchar_t c = text[i];
        size_t used = 1;
        if (c == L'&') {
            for (const auto& entity : kEntities) {
                if (end - i >= entity.length && text.compare(i, entity.length, entity.name) == 0) {
                    c = entity.value;
                    used = entity.length;
                    break;
                }
            }
        }
        i += used;
        if (!preserveWhitespace_ && IsSpace(c) && pool_.size() > offset && pool_.back() == L' ') {
            continue;
        }
        pool_.push_back(c);
    }
    pool_.push_back(L'\0');
    return offset;
}

// One pass over the text with an explicit stack of open elements, so that deeply nested
// documents cannot exhaust the call stack.
bool CLayoutMarkup::Parse(const std::wstring& text) {
    const size_t length = text.size();
    struct Open {
        uint32_t element;
        uint32_t lastChild;
    };
    std::vector<Open> open;
    uint32_t lastTopLevel = 0;
    size_t pos = 0;

    auto skipSpace = [&]() {
        while (pos < length && IsSpace(text[pos])) {
            ++pos;
        }
    };

    for (;;) {
        skipSpace();
        if (pos >= length) {
            if (!open.empty()) {
                return Fail(L"Expected end-tag start", text, pos);
            }
            return true;
        }
        if (text[pos] != L'<') {
            return Fail(open.empty() ? L"Expected start tag" : L"Expected end-tag start", text, pos);
        }
        if (pos + 1 < length && (text[pos + 1] == L'!' || text[pos + 1] == L'?')) {
            // Declarations, comments and processing instructions carry nothing for us. An
            // unterminated one swallows the rest of the text, never more.
            const wchar_t* terminator = text[pos + 1] == L'!' ? L"->" : L"?>";
            const size_t found = FindFrom(text, terminator, pos + 2);
            pos = found == std::wstring::npos ? length : found + 2;
            continue;
        }
        if (pos + 1 < length && text[pos + 1] == L'/') {
            if (open.empty()) {
                return Fail(L"Expected start tag", text, pos);
            }
            const size_t nameBegin = pos + 2;
            size_t nameEnd = nameBegin;
            while (nameEnd < length && IsNameChar(text[nameEnd])) {
                ++nameEnd;
            }
            const wchar_t* openName = GetString(elements_[open.back().element].name);
            const size_t openLength = std::wcslen(openName);
            if (nameEnd - nameBegin != openLength || text.compare(nameBegin, openLength, openName) != 0) {
                return Fail(L"Unmatched closing tag", text, pos);
            }
            pos = nameEnd;
            skipSpace();
            if (pos >= length || text[pos] != L'>') {
                return Fail(L"Unmatched closing tag", text, pos);
            }
            ++pos;
            open.pop_back();
            continue;
        }

        // Start tag.
        const size_t tagPos = pos;
        const size_t nameBegin = pos + 1;
        size_t nameEnd = nameBegin;
        while (nameEnd < length && IsNameChar(text[nameEnd])) {
            ++nameEnd;
        }
        if (nameEnd >= length || nameEnd == nameBegin) {
            return Fail(L"Error parsing element name", text, tagPos);
        }
        const uint32_t parent = open.empty() ? 0 : open.back().element;
        const uint32_t previous = open.empty() ? lastTopLevel : open.back().lastChild;
        const uint32_t element = AddElement(parent, previous, StoreName(text, nameBegin, nameEnd));
        if (open.empty()) {
            lastTopLevel = element;
        } else {
            open.back().lastChild = element;
        }
        pos = nameEnd;

        // Attributes.
        for (;;) {
            skipSpace();
            if (pos >= length) {
                return Fail(L"Expected start-tag closing", text, tagPos);
            }
            if (text[pos] == L'/' || text[pos] == L'>') {
                break;
            }
            const size_t attrBegin = pos;
            while (pos < length && !IsAttributeNameEnd(text[pos])) {
                ++pos;
            }
            const size_t attrEnd = pos;
            skipSpace();
            if (attrEnd == attrBegin || pos >= length || text[pos] != L'=') {
                return Fail(L"Error while parsing attributes", text, attrBegin);
            }
            ++pos;
            skipSpace();
            if (pos >= length || text[pos] != L'"') {
                return Fail(L"Expected attribute value", text, pos);
            }
            const size_t valueBegin = ++pos;
            const size_t valueEnd = text.find(L'"', valueBegin);
            if (valueEnd == std::wstring::npos) {
                return Fail(L"Error while parsing attribute string", text, valueBegin);
            }
            pos = valueEnd + 1;
            Element& record = elements_[element];
            if (record.attributeCount < kMaxAttributes) {
                Attribute attribute;
                attribute.name = StoreName(text, attrBegin, attrEnd);
                attribute.value = StoreDecoded(text, valueBegin, valueEnd);
                attributes_.push_back(attribute);
                ++elements_[element].attributeCount;
            }
        }

        if (text[pos] == L'/') {
            if (pos + 1 >= length || text[pos + 1] != L'>') {
                return Fail(L"Expected start-tag closing", text, pos);
            }
            pos += 2;
            continue;
        }
        ++pos;  // '>'
        const size_t dataBegin = pos;
        while (pos < length && text[pos] != L'<') {
            ++pos;
        }
        if (pos >= length) {
            return Fail(L"Expected end-tag start", text, dataBegin);
        }
        elements_[element].data = StoreDecoded(text, dataBegin, pos);
        open.push_back(Open{element, 0});
    }
}
