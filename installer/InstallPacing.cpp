#include "installer/InstallPacing.h"

// One second per stage, and the bar at its specified speed.
InstallPacing CurrentInstallPacing() {
    return InstallPacing{1000, 1};
}
