// Takes the place of the command interpreter in one end-to-end prefix: whatever starts it
// leaves its command line in C:\e2e-cmd.txt, so a run that starts none leaves no file.
#include "AppendCommandLine.h"

int wmain() {
    return AppendCommandLine(L"C:\\e2e-cmd.txt") ? 0 : 1;
}
