#include "toolkit/AttributeList.h"

AttributePairs ParseAttributeList(const std::wstring& list) {
    AttributePairs pairs;
    size_t pos = 0;
    const size_t length = list.size();
    while (pos < length && list[pos] == L' ') {
        ++pos;
    }
    while (pos < length) {
        const size_t equals = list.find(L'=', pos);
        if (equals == std::wstring::npos || equals == pos) {
            break;
        }
        if (equals + 1 >= length || list[equals + 1] != L'"') {
            break;
        }
        const size_t close = list.find(L'"', equals + 2);
        if (close == std::wstring::npos) {
            break;
        }
        pairs.emplace_back(list.substr(pos, equals - pos), list.substr(equals + 2, close - equals - 2));
        pos = close + 1;
        if (pos < length && list[pos] != L' ') {
            break;
        }
        while (pos < length && list[pos] == L' ') {
            ++pos;
        }
    }
    return pairs;
}
