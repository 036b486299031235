#include "toolkit/ControlClasses.h"

#include "toolkit/ButtonUI.h"
#include "toolkit/CheckBoxUI.h"
#include "toolkit/ComboUI.h"
#include "toolkit/ContainerUI.h"
#include "toolkit/ControlFactory.h"
#include "toolkit/EditUI.h"
#include "toolkit/GifAnimUI.h"
#include "toolkit/HorizontalLayoutUI.h"
#include "toolkit/LabelUI.h"
#include "toolkit/ListLabelElementUI.h"
#include "toolkit/OptionUI.h"
#include "toolkit/ProgressUI.h"
#include "toolkit/RichEditUI.h"
#include "toolkit/ScrollBarUI.h"
#include "toolkit/TabLayoutUI.h"
#include "toolkit/TextUI.h"
#include "toolkit/VerticalLayoutUI.h"

#include <utility>
#include <vector>

void RegisterControlClasses() {
    std::vector<std::pair<const wchar_t*, CControlFactory::Constructor>> classes = {
        {L"Control", [] { return new CControlUI; }},
        {L"Container", [] { return new CContainerUI; }},
        {L"VerticalLayout", [] { return new CVerticalLayoutUI; }},
        {L"HorizontalLayout", [] { return new CHorizontalLayoutUI; }},
        {L"TabLayout", [] { return new CTabLayoutUI; }},
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
    for (auto& entry : classes) {
        CControlFactory::Register(entry.first, std::move(entry.second));
    }
}
