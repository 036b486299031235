#include "system/LogonTaskXml.h"

#include "util/StringUtil.h"

std::wstring XmlText(const std::wstring& text) {
    static constexpr CharEscape kEntities[] = {{L'&', L"&amp;"}, {L'<', L"&lt;"}, {L'>', L"&gt;"}};
    return EscapeChars(text, kEntities);
}

// Element order follows the scheduler's own export, which older versions of its schema
// check. A logon trigger without a user fires for any user, as the command-line tool's
// ONLOGON did; the principal without a user is the caller's, filled in at registration.
std::wstring LogonTaskXml(const std::wstring& exePath) {
    return L"<?xml version=\"1.0\" encoding=\"UTF-16\"?>\r\n"
           L"<Task version=\"1.2\" xmlns=\"http://schemas.microsoft.com/windows/2004/02/mit/task\">\r\n"
           L"  <Triggers>\r\n"
           L"    <LogonTrigger>\r\n"
           L"      <Enabled>true</Enabled>\r\n"
           L"      <Delay>PT" +
           std::to_wstring(kLogonDelaySeconds) +
           L"S</Delay>\r\n"
           L"    </LogonTrigger>\r\n"
           L"  </Triggers>\r\n"
           L"  <Principals>\r\n"
           L"    <Principal id=\"Author\">\r\n"
           L"      <LogonType>InteractiveToken</LogonType>\r\n"
           L"      <RunLevel>HighestAvailable</RunLevel>\r\n"
           L"    </Principal>\r\n"
           L"  </Principals>\r\n"
           L"  <Settings>\r\n"
           L"    <MultipleInstancesPolicy>IgnoreNew</MultipleInstancesPolicy>\r\n"
           L"    <DisallowStartIfOnBatteries>false</DisallowStartIfOnBatteries>\r\n"
           L"    <StopIfGoingOnBatteries>false</StopIfGoingOnBatteries>\r\n"
           L"    <AllowHardTerminate>true</AllowHardTerminate>\r\n"
           L"    <StartWhenAvailable>true</StartWhenAvailable>\r\n"
           L"    <RunOnlyIfNetworkAvailable>false</RunOnlyIfNetworkAvailable>\r\n"
           L"    <IdleSettings>\r\n"
           L"      <StopOnIdleEnd>false</StopOnIdleEnd>\r\n"
           L"      <RestartOnIdle>false</RestartOnIdle>\r\n"
           L"    </IdleSettings>\r\n"
           L"    <AllowStartOnDemand>true</AllowStartOnDemand>\r\n"
           L"    <Enabled>true</Enabled>\r\n"
           L"    <Hidden>false</Hidden>\r\n"
           L"    <RunOnlyIfIdle>false</RunOnlyIfIdle>\r\n"
           L"    <WakeToRun>false</WakeToRun>\r\n"
           L"    <ExecutionTimeLimit>PT0S</ExecutionTimeLimit>\r\n"
           L"    <Priority>7</Priority>\r\n"
           L"  </Settings>\r\n"
           L"  <Actions Context=\"Author\">\r\n"
           L"    <Exec>\r\n"
           L"      <Command>" +
           XmlText(L"\"" + exePath + L"\"") +
           L"</Command>\r\n"
           L"    </Exec>\r\n"
           L"  </Actions>\r\n"
           L"</Task>\r\n";
}
