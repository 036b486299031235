#pragma once

#include "app/StartupSequence.h"

// The toolkit and main window the product exe runs with.
StartupHooks MakeProductHooks();
