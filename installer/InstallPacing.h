#pragma once
// How long the install lets each stage be seen, and how fast the progress bar runs ahead
// of the work. These are the product's; the end-to-end build of the exe links a quicker
// pacing of its own in their place (tests/e2e/QuickPacing.cpp), fixed when it is linked,
// so that nothing at run time can change the pacing of an exe.

struct InstallPacing {
    // The least time the worker stays in each stage it enters; a stop cuts it short.
    unsigned stagePauseMs;
    // The bar's timer periods (installer/ProgressModel.h) are divided by this.
    int barSpeedUp;
};

[[nodiscard]] InstallPacing CurrentInstallPacing();
