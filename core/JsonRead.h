#pragma once
// Typed reads of jsoncpp values that never throw. jsoncpp raises on the wrong type
// (asString on an object, operator[] on an array); these answer false instead.

#include <json/json.h>

#include <string>

// Lenient parse: comments allowed, any value as root, text after the first value ignored.
[[nodiscard]] bool JsonParseLenient(const std::string& text, Json::Value& root);

// The member `name` of `object`, or a null value when absent. False when `object` is
// neither an object nor null (reading a member of it is a type error).
[[nodiscard]] bool JsonMember(const Json::Value& object, const char* name, Json::Value& out);

// Integer reading: null is 0, booleans are 0 or 1, numbers in range are truncated.
// Strings, arrays, objects and out-of-range numbers are type errors.
[[nodiscard]] bool JsonAsInt(const Json::Value& value, int& out);

// Text reading: null is empty, numbers and booleans give their text form.
// Arrays and objects are type errors.
[[nodiscard]] bool JsonAsString(const Json::Value& value, std::string& out);
