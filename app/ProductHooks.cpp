#include "app/ProductHooks.h"

StartupHooks MakeProductHooks() {
    // The skinned window is not part of this build yet: start-up runs to the guard and
    // ends as if the window had been closed.
    return StartupHooks{};
}
