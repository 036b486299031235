#include "toolkit/ImageSpec.h"

#include "toolkit/AttributeValue.h"

namespace {

void ApplyKey(const std::wstring& key, const std::wstring& value, ImageSpec& spec) {
    const wchar_t* v = value.c_str();
    if (key == L"file" || key == L"res") {
        spec.name = value;
    } else if (key == L"restype") {
        spec.resourceType = value;
    } else if (key == L"color") {
        spec.name = value;
        spec.resourceType = ImageSpec::kColorType;
    } else if (key == L"dest") {
        spec.dest = AttributeValue::ParseRect(v);
    } else if (key == L"source") {
        spec.source = AttributeValue::ParseRect(v);
    } else if (key == L"corner" || key == L"scale9") {
        spec.corner = AttributeValue::ParseRect(v);
    } else if (key == L"mask") {
        spec.mask = AttributeValue::ParseColor(v);
    } else if (key == L"fade") {
        const int fade = AttributeValue::ParseInt(v);
        spec.fade = static_cast<uint8_t>(fade < 0 ? 0 : (fade > 255 ? 255 : fade));
    } else if (key == L"hole") {
        spec.hole = AttributeValue::IsTrue(v);
    } else if (key == L"xtiled") {
        spec.xtiled = AttributeValue::IsTrue(v);
    } else if (key == L"ytiled") {
        spec.ytiled = AttributeValue::IsTrue(v);
    } else if (key == L"hsl") {
        spec.hsl = AttributeValue::IsTrue(v);
    }
}

}  // namespace

bool ParseImageSpec(const std::wstring& text, ImageSpec& spec) {
    spec = ImageSpec();
    if (text.find(L'=') == std::wstring::npos) {
        spec.name = text;
        return !spec.name.empty();
    }
    size_t pos = 0;
    const size_t length = text.size();
    while (pos < length) {
        const size_t equals = text.find(L'=', pos);
        if (equals == std::wstring::npos) {
            break;
        }
        const std::wstring key = text.substr(pos, equals - pos);
        pos = equals + 1;
        if (pos >= length || text[pos] != L'\'') {
            break;
        }
        const size_t close = text.find(L'\'', pos + 1);
        if (close == std::wstring::npos) {
            break;
        }
        const std::wstring value = text.substr(pos + 1, close - pos - 1);
        if (!value.empty()) {
            ApplyKey(key, value, spec);
        }
        pos = close + 1;
        if (pos >= length || text[pos] != L' ') {
            break;
        }
        ++pos;
    }
    return !spec.name.empty();
}
