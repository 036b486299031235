#include "system/LogonTaskXml.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace {

// The text of the element reached by `path` (each name found inside the previous one), or
// "<missing>". Enough for the flat, attribute-free elements read here.
std::wstring ElementText(const std::wstring& xml, const std::vector<std::wstring>& path) {
    size_t from = 0;
    size_t to = xml.size();
    for (const std::wstring& name : path) {
        const std::wstring open = L"<" + name + L">";
        const std::wstring openWithAttributes = L"<" + name + L" ";
        size_t at = xml.find(open, from);
        size_t openEnd = at == std::wstring::npos ? at : at + open.size();
        const size_t other = xml.find(openWithAttributes, from);
        if (other != std::wstring::npos && other < to && (at == std::wstring::npos || other < at)) {
            at = other;
            openEnd = xml.find(L'>', other) + 1;
        }
        const size_t close = at == std::wstring::npos ? at : xml.find(L"</" + name + L">", openEnd);
        if (at == std::wstring::npos || at >= to || close == std::wstring::npos || close > to) {
            return L"<missing>";
        }
        from = openEnd;
        to = close;
    }
    return xml.substr(from, to - from);
}

TEST(LogonTaskXml, DefinesTheLogonStartThatSurvivesTheBattery) {
    const std::wstring xml = LogonTaskXml(LR"(C:\Program Files (x86)\varlo\vljiasu.exe)");
    struct Row {
        std::vector<std::wstring> path;
        std::wstring value;
    } const table[] = {
        {{L"Triggers", L"LogonTrigger", L"Enabled"}, L"true"},
        {{L"Triggers", L"LogonTrigger", L"Delay"}, L"PT15S"},
        {{L"Principals", L"Principal", L"LogonType"}, L"InteractiveToken"},
        {{L"Principals", L"Principal", L"RunLevel"}, L"HighestAvailable"},
        {{L"Settings", L"DisallowStartIfOnBatteries"}, L"false"},
        {{L"Settings", L"StopIfGoingOnBatteries"}, L"false"},
        {{L"Settings", L"ExecutionTimeLimit"}, L"PT0S"},
        {{L"Settings", L"StartWhenAvailable"}, L"true"},
        {{L"Settings", L"Enabled"}, L"true"},
        {{L"Settings", L"IdleSettings", L"StopOnIdleEnd"}, L"false"},
        {{L"Actions", L"Exec", L"Command"}, LR"("C:\Program Files (x86)\varlo\vljiasu.exe")"},
    };
    for (const Row& row : table) {
        SCOPED_TRACE(testing::PrintToString(row.path.back()));
        EXPECT_EQ(ElementText(xml, row.path), row.value);
    }
    // The trigger names no user: it fires at any user's logon, as ONLOGON always did.
    EXPECT_EQ(ElementText(xml, {L"Triggers", L"LogonTrigger", L"UserId"}), L"<missing>");
    EXPECT_EQ(xml.find(L"<Arguments>"), std::wstring::npos);
}

TEST(LogonTaskXml, PathCharactersXmlReservesAreWrittenAsEntities) {
    const std::wstring xml = LogonTaskXml(LR"(D:\R&D <new>\vljiasu.exe)");
    EXPECT_EQ(ElementText(xml, {L"Actions", L"Exec", L"Command"}), LR"("D:\R&amp;D &lt;new&gt;\vljiasu.exe")");
    EXPECT_EQ(XmlText(L"a&b<c>d\"e'f"), L"a&amp;b&lt;c&gt;d\"e'f");
}

}  // namespace
