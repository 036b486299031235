#include "toolkit/ComboSelection.h"

int CComboSelection::FindSelectable(const std::vector<bool>& selectable, int index, bool forward) {
    const int count = static_cast<int>(selectable.size());
    if (count == 0) {
        return -1;
    }
    if (index < 0) {
        index = 0;
    }
    if (index >= count) {
        index = count - 1;
    }
    if (forward) {
        for (int i = index; i < count; ++i) {
            if (selectable[i]) {
                return i;
            }
        }
        return -1;
    }
    for (int i = index; i >= 0; --i) {
        if (selectable[i]) {
            return i;
        }
    }
    return FindSelectable(selectable, 0, true);
}

int CComboSelection::Target(const std::vector<bool>& selectable, int current, Step step) {
    switch (step) {
        case Step::Previous:
            return FindSelectable(selectable, current - 1, false);
        case Step::Next:
            return FindSelectable(selectable, current + 1, true);
        case Step::First:
            return FindSelectable(selectable, 0, true);
        case Step::Last:
            return FindSelectable(selectable, static_cast<int>(selectable.size()) - 1, false);
    }
    return -1;
}
