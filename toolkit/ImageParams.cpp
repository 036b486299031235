#include "toolkit/ImageParams.h"

#include "toolkit/AttributeValue.h"

namespace {

void ApplyKey(const std::wstring& key, const std::wstring& value, ImageParams& params) {
    const wchar_t* v = value.c_str();
    if (key == L"file" || key == L"res") {
        params.name = value;
    } else if (key == L"restype") {
        params.resourceType = value;
    } else if (key == L"color") {
        params.name = value;
        params.resourceType = ImageParams::kColorType;
    } else if (key == L"dest") {
        params.dest = AttributeValue::ParseRect(v);
    } else if (key == L"source") {
        params.source = AttributeValue::ParseRect(v);
    } else if (key == L"corner" || key == L"scale9") {
        params.corner = AttributeValue::ParseRect(v);
    } else if (key == L"mask") {
        params.mask = AttributeValue::ParseColor(v);
    } else if (key == L"fade") {
        const int fade = AttributeValue::ParseInt(v);
        params.fade = static_cast<uint8_t>(fade < 0 ? 0 : (fade > 255 ? 255 : fade));
    } else if (key == L"hole") {
        params.hole = AttributeValue::IsTrue(v);
    } else if (key == L"xtiled") {
        params.xtiled = AttributeValue::IsTrue(v);
    } else if (key == L"ytiled") {
        params.ytiled = AttributeValue::IsTrue(v);
    } else if (key == L"hsl") {
        params.hsl = AttributeValue::IsTrue(v);
    }
}

}  // namespace

bool ParseImageParams(const std::wstring& text, ImageParams& params) {
    params = ImageParams();
    if (text.find(L'=') == std::wstring::npos) {
        params.name = text;
        return !params.name.empty();
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
            ApplyKey(key, value, params);
        }
        pos = close + 1;
        if (pos >= length || text[pos] != L' ') {
            break;
        }
        ++pos;
    }
    return !params.name.empty();
}
