#include "system/TaskArguments.h"

#include <gtest/gtest.h>

namespace {

TEST(TaskArguments, CreateCarriesEscapedQuotesAroundAPathWithBlanks) {
    const auto arguments = FormatCreateTaskArguments(L"vljsqRun", LR"(C:\Program Files (x86)\Varlo加速器\vljiasu.exe)");
    ASSERT_TRUE(arguments.has_value());
    // Two blanks before /sc and one at the very end belong to the established line.
    EXPECT_EQ(
        *arguments,
        LR"(/create /tn vljsqRun /tr "\"C:\Program Files (x86)\Varlo加速器\vljiasu.exe\""  /sc ONLOGON /DELAY 0000:15 /RL HIGHEST /f )");
    EXPECT_EQ(
        SchtasksCommandLine(*arguments),
        LR"(Schtasks /create /tn vljsqRun /tr "\"C:\Program Files (x86)\Varlo加速器\vljiasu.exe\""  /sc ONLOGON /DELAY 0000:15 /RL HIGHEST /f )");
}

TEST(TaskArguments, Delete) {
    const auto arguments = FormatDeleteTaskArguments(L"vljsqRun");
    ASSERT_TRUE(arguments.has_value());
    EXPECT_EQ(SchtasksCommandLine(*arguments), L"Schtasks /delete /tn vljsqRun /f");
}

// The arguments must fit 511 characters plus the terminator; one more is refused, not cut.
TEST(TaskArguments, RefusesArgumentsBeyondTheBufferInsteadOfCutting) {
    const std::wstring fixedPart = FormatCreateTaskArguments(L"vljsqRun", L"").value();
    const size_t room = kTaskArgumentsCapacity - 1 - fixedPart.size();
    const std::wstring fits = L"C:\\" + std::wstring(room - 3, L'a');
    const auto atLimit = FormatCreateTaskArguments(L"vljsqRun", fits);
    ASSERT_TRUE(atLimit.has_value());
    EXPECT_EQ(atLimit->size(), 511u);
    EXPECT_NE(atLimit->find(fits + L"\\\"\""), std::wstring::npos);
    EXPECT_FALSE(FormatCreateTaskArguments(L"vljsqRun", fits + L"a").has_value());

    const std::wstring longName(511 - std::wstring(L"/delete /tn  /f").size(), L'n');
    EXPECT_TRUE(FormatDeleteTaskArguments(longName).has_value());
    EXPECT_FALSE(FormatDeleteTaskArguments(longName + L"n").has_value());
}

}  // namespace
