#pragma once
// Attribute lists as written in "Default" elements and SetAttributeList:
// name="value" pairs separated by spaces. Reading stops quietly at the first pair that
// does not have that form.

#include <string>
#include <utility>
#include <vector>

using AttributePairs = std::vector<std::pair<std::wstring, std::wstring>>;

[[nodiscard]] AttributePairs ParseAttributeList(const std::wstring& list);
