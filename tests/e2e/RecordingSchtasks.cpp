// Takes the place of the system's scheduled-task tool in an end-to-end test prefix only
// (Wine's has no "/tr"): it appends its command line to C:\e2e-schtasks.txt and answers
// as a real one does when the task was made or removed.
#include "AppendCommandLine.h"

int wmain() {
    return AppendCommandLine(L"C:\\e2e-schtasks.txt") ? 0 : 1;
}
