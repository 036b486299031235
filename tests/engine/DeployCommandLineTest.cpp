#include "engine/DeployCommandLine.h"

#include <gtest/gtest.h>

namespace {

using Kind = DeployCommand::Kind;

TEST(DeployCommandLine, SwitchesAsDeploymentToolsPassThem) {
    struct Case {
        const wchar_t* line;
        Kind kind;
        DeployLanguage language = DeployLanguage::Detected;
        bool desktop = true, pin = true, autostart = true, sharedParent = false;
        const wchar_t* folder = L"";
    };
    const Case cases[] = {
        {L"", Kind::Window},
        {L"  \t ", Kind::Window},
        {L"/S", Kind::Silent},
        {L"  /s  ", Kind::Silent},
        {L"/S /LANG=zh-tw /NODESKTOP /NOPIN /NOAUTOSTART /D=C:\\My Apps\\Varlo Client", Kind::Silent,
         DeployLanguage::Traditional, false, false, false, false, L"C:\\My Apps\\Varlo Client"},
        {L"/nopin /lang=ZH-CN /s", Kind::Silent, DeployLanguage::Simplified, true, false},
        {L"/S\t/NOAUTOSTART", Kind::Silent, DeployLanguage::Detected, true, true, false},
        {L"/S /AllowSharedParent", Kind::Silent, DeployLanguage::Detected, true, true, true, true},
        // "/D=" takes the rest of the line: blanks, and what looks like a switch, are the folder's.
        {L"/S /D=D:\\Games  \t", Kind::Silent, DeployLanguage::Detected, true, true, true, false, L"D:\\Games"},
        {L"/S /d=C:\\a /NOPIN", Kind::Silent, DeployLanguage::Detected, true, true, true, false, L"C:\\a /NOPIN"},
        {L"/S /D=  C:\\Program Files\\x  y", Kind::Silent, DeployLanguage::Detected, true, true, true, false,
         L"C:\\Program Files\\x  y"},
        // The whole switch quoted, as PowerShell and Python pass an argument with blanks: the
        // same folder as the unquoted form.
        {L"/S \"/D=C:\\游戏 加速\\varlo\"", Kind::Silent, DeployLanguage::Detected, true, true, true, false,
         L"C:\\游戏 加速\\varlo"},
        {L"/S /NOPIN \"/d=C:\\游戏 加速\\varlo\"  ", Kind::Silent, DeployLanguage::Detected, true, false, true, false,
         L"C:\\游戏 加速\\varlo"},
        {L"/S \"/D=D:\\Games\"", Kind::Silent, DeployLanguage::Detected, true, true, true, false, L"D:\\Games"},
        // The folder rules come later: a folder they refuse is no bad argument.
        {L"/S /D=varlo", Kind::Silent, DeployLanguage::Detected, true, true, true, false, L"varlo"},
    };
    for (const Case& c : cases) {
        const DeployCommand command = ParseDeployCommandLine(c.line);
        SCOPED_TRACE(testing::Message() << "line: " << testing::PrintToString(std::wstring(c.line)));
        ASSERT_EQ(command.kind, c.kind) << testing::PrintToString(command.problem);
        EXPECT_EQ(command.options.language, c.language);
        EXPECT_EQ(command.options.desktopShortcut, c.desktop);
        EXPECT_EQ(command.options.taskbarPin, c.pin);
        EXPECT_EQ(command.options.autostart, c.autostart);
        EXPECT_EQ(command.options.allowSharedParent, c.sharedParent);
        EXPECT_EQ(command.options.folder, c.folder);
    }
}

TEST(DeployCommandLine, AnythingElseIsRefusedWithItsReason) {
    const wchar_t* const lines[] = {
        L"/NODESKTOP",                  // switches without /S
        L"/D=C:\\x /S",                 // the /S is the folder's
        L"/S /X",                       // unknown
        L"S",                           // no slash
        L"-S",                          //
        L"/S/NOPIN",                    // switches must stand apart
        L"\"/S\"",                      // quoted
        L"/S /LANG=en",                 // no such language
        L"/S /LANG=",                   //
        L"/S /LANG=zh-cn /LANG=zh-tw",  // repeated
        L"/S /S",                       //
        L"/S /NOPIN /nopin",            //
        L"/S /D=",                      // no folder
        L"/S /D=  \t",                  //
        L"/S /NODESKTOPX",              // a switch's name only as a prefix
        L"/S \"/D=C:\\a b",             // a quote left open
        L"/S \"/D=C:\\a\" /NOPIN",      // text after the closing quote
        L"/S \"/D=C:\\a\"b\"",          // a quote inside
        L"/S \"/D=\"",                  // no folder inside the quotes
        L"/S \"/D=  \"",                //
        L"/S \"/D",                     //
    };
    for (const wchar_t* line : lines) {
        const DeployCommand command = ParseDeployCommandLine(line);
        EXPECT_EQ(command.kind, Kind::Invalid) << testing::PrintToString(std::wstring(line));
        EXPECT_FALSE(command.problem.empty()) << testing::PrintToString(std::wstring(line));
    }
}

}  // namespace
