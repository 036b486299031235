#pragma once
// Lists of non-owning pointers the manager keeps (listeners, filters, pending leaves):
// each pointer at most once, order of addition kept.

#include <algorithm>
#include <vector>

template <typename T>
bool AddUnique(std::vector<T*>& list, T* item) {
    if (item == nullptr || std::find(list.begin(), list.end(), item) != list.end()) {
        return false;
    }
    list.push_back(item);
    return true;
}

template <typename T>
bool RemoveItem(std::vector<T*>& list, T* item) {
    const auto it = std::find(list.begin(), list.end(), item);
    if (it == list.end()) {
        return false;
    }
    list.erase(it);
    return true;
}
