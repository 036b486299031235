#pragma once
// Which item a combo box moves to. Items are seen only as "can be selected or not"
// (a visible, enabled list item), so the rules run without controls.

#include <vector>

class CComboSelection {
  public:
    enum class Step { Previous, Next, First, Last };

    // -1 without items. The index is held to the valid range; forward looks from it
    // towards the end, backward towards the start and then, finding nothing, forward
    // from the first item.
    [[nodiscard]] static int FindSelectable(const std::vector<bool>& selectable, int index, bool forward);

    // The item a key or wheel step leads to from `current`, or -1 when there is none.
    // Page Up / Page Down are one item, like Up / Down.
    [[nodiscard]] static int Target(const std::vector<bool>& selectable, int current, Step step);
};
