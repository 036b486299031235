#include "core/JsonRead.h"

#include <memory>

bool JsonParseLenient(const std::string& text, Json::Value& root) {
    try {
        Json::CharReaderBuilder builder;
        builder["collectComments"] = false;
        builder["allowComments"] = true;
        builder["allowTrailingCommas"] = false;
        builder["strictRoot"] = false;
        builder["failIfExtra"] = false;
        builder["rejectDupKeys"] = false;
        builder["allowSpecialFloats"] = false;
        const std::unique_ptr<Json::CharReader> reader(builder.newCharReader());
        std::string errors;
        Json::Value parsed;
        if (!reader->parse(text.data(), text.data() + text.size(), &parsed, &errors)) {
            return false;
        }
        root.swap(parsed);
        return true;
    } catch (...) {
        // Nesting beyond the reader's stack limit throws rather than failing.
        return false;
    }
}

bool JsonMember(const Json::Value& object, const char* name, Json::Value& out) {
    if (object.isNull()) {
        out = Json::Value();
        return true;
    }
    if (!object.isObject()) {
        return false;
    }
    const Json::Value* found = object.find(name, name + std::char_traits<char>::length(name));
    out = found ? *found : Json::Value();
    return true;
}

bool JsonAsInt(const Json::Value& value, int& out) {
    switch (value.type()) {
        case Json::nullValue:
            out = 0;
            return true;
        case Json::booleanValue:
            out = value.asBool() ? 1 : 0;
            return true;
        case Json::intValue:
        case Json::uintValue:
        case Json::realValue:
            if (!value.isConvertibleTo(Json::intValue)) {
                return false;
            }
            try {
                out = value.asInt();
                return true;
            } catch (...) {
                return false;
            }
        default:
            return false;
    }
}

bool JsonAsString(const Json::Value& value, std::string& out) {
    if (value.isArray() || value.isObject()) {
        return false;
    }
    try {
        out = value.asString();
        return true;
    } catch (...) {
        return false;
    }
}
