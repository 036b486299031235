#include "toolkit/AccessibleControls.h"

#include "toolkit/ComboUI.h"
#include "toolkit/ControlUI.h"
#include "toolkit/IContainerUI.h"
#include "toolkit/OptionUI.h"
#include "toolkit/ProgressUI.h"
#include "toolkit/UIManager.h"

#include <oleacc.h>

#include <cwchar>

namespace {

bool IsClass(CControlUI* control, const wchar_t* name) {
    return control->GetInterface(name) != nullptr;
}

std::wstring Trimmed(const std::wstring& text) {
    const size_t first = text.find_first_not_of(L" \t\r\n");
    if (first == std::wstring::npos) {
        return L"";
    }
    const size_t last = text.find_last_not_of(L" \t\r\n");
    return text.substr(first, last - first + 1);
}

// The texts of the controls named in "labelledby", blank-separated.
std::wstring LabelledByName(CControlUI* control) {
    const std::wstring list = control->GetCustomAttribute(L"labelledby");
    CUIManager* manager = control->GetManager();
    if (list.empty() || manager == nullptr) {
        return L"";
    }
    std::wstring name;
    size_t from = 0;
    while (from <= list.size()) {
        size_t comma = list.find(L',', from);
        if (comma == std::wstring::npos) {
            comma = list.size();
        }
        CControlUI* label = manager->FindControl(Trimmed(list.substr(from, comma - from)));
        const std::wstring text = label != nullptr ? Trimmed(label->GetText()) : L"";
        if (!text.empty()) {
            name += (name.empty() ? L"" : L" ") + text;
        }
        from = comma + 1;
    }
    return name;
}

// A combo box shows the text of its current item.
std::wstring ComboText(CControlUI* control) {
    auto* combo = static_cast<CComboUI*>(control->GetInterface(L"Combo"));
    CControlUI* item = combo->GetItemAt(combo->GetCurSel());
    return item != nullptr ? item->GetText() : L"";
}

bool IsCheckable(long role) {
    return role == ROLE_SYSTEM_CHECKBUTTON || role == ROLE_SYSTEM_RADIOBUTTON;
}

void Collect(CControlUI* control, std::vector<CControlUI*>& out) {
    if (AccessibleRole(control) != 0) {
        out.push_back(control);
    }
    if (IsClass(control, L"Combo")) {
        return;
    }
    auto* container = static_cast<IContainerUI*>(control->GetInterface(L"IContainer"));
    if (container == nullptr) {
        return;
    }
    for (int i = 0; i < container->GetCount(); ++i) {
        Collect(container->GetItemAt(i), out);
    }
}

}  // namespace

std::vector<CControlUI*> AccessibleControls(CControlUI* root) {
    std::vector<CControlUI*> out;
    if (root != nullptr) {
        Collect(root, out);
    }
    return out;
}

long AccessibleChildId(CControlUI* root, const CControlUI* control) {
    const std::vector<CControlUI*> all = AccessibleControls(root);
    for (size_t i = 0; i < all.size(); ++i) {
        if (all[i] == control) {
            return static_cast<long>(i) + 1;
        }
    }
    return CHILDID_SELF;
}

long AccessibleRole(CControlUI* control) {
    const std::wstring role = control->GetCustomAttribute(L"role");
    if (role == L"none") {
        return 0;
    }
    if (role == L"link") {
        return ROLE_SYSTEM_LINK;
    }
    if (IsClass(control, L"Option")) {
        const auto* option = static_cast<COptionUI*>(control->GetInterface(L"Option"));
        return option->GetGroup().empty() ? ROLE_SYSTEM_CHECKBUTTON : ROLE_SYSTEM_RADIOBUTTON;
    }
    if (IsClass(control, L"Button")) {
        return ROLE_SYSTEM_PUSHBUTTON;
    }
    if (IsClass(control, L"Edit") || IsClass(control, L"RichEdit")) {
        return ROLE_SYSTEM_TEXT;
    }
    if (IsClass(control, L"Combo")) {
        return ROLE_SYSTEM_COMBOBOX;
    }
    if (IsClass(control, L"Progress")) {
        return ROLE_SYSTEM_PROGRESSBAR;
    }
    if (IsClass(control, L"Label") && !Trimmed(control->GetText()).empty()) {
        return ROLE_SYSTEM_STATICTEXT;
    }
    return 0;
}

std::wstring AccessibleName(CControlUI* control) {
    std::wstring name = LabelledByName(control);
    const long role = AccessibleRole(control);
    // An edit's own text is its value, not its name.
    if (name.empty() && role != ROLE_SYSTEM_TEXT && role != ROLE_SYSTEM_COMBOBOX) {
        name = Trimmed(control->GetText());
    }
    if (name.empty()) {
        name = Trimmed(control->GetToolTip());
    }
    // A combo box without a caption is known by what it shows.
    if (name.empty() && role == ROLE_SYSTEM_COMBOBOX) {
        name = Trimmed(ComboText(control));
    }
    return name;
}

long AccessibleState(CControlUI* control, bool hasKeyboardFocus) {
    long state = 0;
    if (!control->IsVisible()) {
        state |= STATE_SYSTEM_INVISIBLE;
    }
    if (!control->IsEnabled()) {
        state |= STATE_SYSTEM_UNAVAILABLE;
    }
    const long role = AccessibleRole(control);
    if ((control->GetControlFlags() & UIFlag::TabStop) != 0 && control->IsVisible() && control->IsEnabled()) {
        state |= STATE_SYSTEM_FOCUSABLE;
    }
    CUIManager* manager = control->GetManager();
    if (hasKeyboardFocus && manager != nullptr && manager->GetFocus() == control) {
        state |= STATE_SYSTEM_FOCUSED;
    }
    if (IsCheckable(role) && static_cast<COptionUI*>(control->GetInterface(L"Option"))->IsSelected()) {
        state |= STATE_SYSTEM_CHECKED;
    }
    if (role == ROLE_SYSTEM_LINK) {
        state |= STATE_SYSTEM_LINKED;
    }
    if (role == ROLE_SYSTEM_STATICTEXT || role == ROLE_SYSTEM_PROGRESSBAR) {
        state |= STATE_SYSTEM_READONLY;
    }
    return state;
}

std::wstring AccessibleValue(CControlUI* control) {
    switch (AccessibleRole(control)) {
        case ROLE_SYSTEM_TEXT:
            return control->GetText();
        case ROLE_SYSTEM_COMBOBOX:
            return ComboText(control);
        case ROLE_SYSTEM_PROGRESSBAR: {
            const auto* progress = static_cast<CProgressUI*>(control->GetInterface(L"Progress"));
            const int span = progress->GetMaxValue() - progress->GetMinValue();
            const int percent = span > 0 ? (progress->GetValue() - progress->GetMinValue()) * 100 / span : 0;
            return std::to_wstring(percent) + L"%";
        }
        default:
            return L"";
    }
}

// The tooltip says what the name and value do not, such as why a button is unavailable.
std::wstring AccessibleDescription(CControlUI* control) {
    const std::wstring tip = Trimmed(control->GetToolTip());
    return tip == AccessibleName(control) || tip == Trimmed(AccessibleValue(control)) ? L"" : tip;
}

std::wstring AccessibleDefaultAction(CControlUI* control) {
    const long role = AccessibleRole(control);
    switch (role) {
        case ROLE_SYSTEM_PUSHBUTTON:
            return L"Press";
        case ROLE_SYSTEM_LINK:
            return L"Jump";
        case ROLE_SYSTEM_CHECKBUTTON:
            return (AccessibleState(control, false) & STATE_SYSTEM_CHECKED) != 0 ? L"Uncheck" : L"Check";
        case ROLE_SYSTEM_RADIOBUTTON:
            return L"Check";
        case ROLE_SYSTEM_COMBOBOX:
            return L"Open";
        default:
            return L"";
    }
}

bool DoAccessibleDefaultAction(CControlUI* control) {
    if (AccessibleDefaultAction(control).empty() || !control->IsVisible() || !control->IsEnabled()) {
        return false;
    }
    return control->Activate();
}
