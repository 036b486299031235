// The end-to-end build's hold inside the system steps: while the scenario's marker file
// exists, the install waits there (until it is cancelled), and says so in a file of its
// own so the scenario knows the install has reached it. While another marker exists, the
// step throws instead, as a fault no step expects would.
#include "engine/StepHold.h"

#include <windows.h>

#include <stdexcept>

void HoldInsideSystemSteps(const std::atomic<bool>* cancel) {
    if (::GetFileAttributesW(L"C:\\e2e-throw-in-steps") != INVALID_FILE_ATTRIBUTES) {
        throw std::runtime_error("a fault inside the system steps");
    }
    if (::GetFileAttributesW(L"C:\\e2e-hold-steps") == INVALID_FILE_ATTRIBUTES) {
        return;
    }
    const HANDLE reached = ::CreateFileW(L"C:\\e2e-held-steps", GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr);
    if (reached != INVALID_HANDLE_VALUE) {
        ::CloseHandle(reached);
    }
    for (int waited = 0; waited < 1200 && !(cancel != nullptr && cancel->load()); ++waited) {
        if (::GetFileAttributesW(L"C:\\e2e-hold-steps") == INVALID_FILE_ATTRIBUTES) {
            return;
        }
        ::Sleep(50);
    }
}
