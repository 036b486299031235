#include "toolkit/ControlClasses.h"

#include "toolkit/ButtonUI.h"
#include "toolkit/CheckBoxUI.h"
#include "toolkit/ComboUI.h"
#include "toolkit/ControlFactory.h"
#include "toolkit/EditUI.h"
#include "toolkit/GifAnimUI.h"
#include "toolkit/LabelUI.h"
#include "toolkit/ListLabelElementUI.h"
#include "toolkit/OptionUI.h"
#include "toolkit/ProgressUI.h"
#include "toolkit/RichEditUI.h"
#include "toolkit/ScrollBarUI.h"
#include "toolkit/TextUI.h"

std::vector<std::pair<const wchar_t*, CControlFactory::Constructor>> ControlClassTable() {
    return {
        {L"Label", [] { return new CLabelUI; }},
        {L"Text", [] { return new CTextUI; }},
        {L"Button", [] { return new CButtonUI; }},
        {L"Option", [] { return new COptionUI; }},
        {L"CheckBox", [] { return new CCheckBoxUI; }},
        {L"Progress", [] { return new CProgressUI; }},
        {L"Edit", [] { return new CEditUI; }},
        {L"Combo", [] { return new CComboUI; }},
        {L"ListLabelElement", [] { return new CListLabelElementUI; }},
        {L"RichEdit", [] { return new CRichEditUI; }},
        {L"ScrollBar", [] { return new CScrollBarUI; }},
        {L"GifAnim", [] { return new CGifAnimUI; }},
    };
}

void RegisterControlClasses() {
    for (auto& entry : ControlClassTable()) {
        CControlFactory::Register(entry.first, std::move(entry.second));
    }
}
