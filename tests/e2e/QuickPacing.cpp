// The end-to-end build's pacing: a tenth of a second per stage and the bar five times as
// fast, so that a scenario waits for the install, not for the animation. One scenario
// runs the exe with the product's pacing (setup_e2e_paced) and checks it.
#include "installer/InstallPacing.h"

InstallPacing CurrentInstallPacing() {
    return InstallPacing{100, 5};
}
