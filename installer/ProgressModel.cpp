#include "installer/ProgressModel.h"

int ProgressTimerPeriodMs(int stage) {
    return stage >= 1 ? kProgressBasePeriodMs / stage : kProgressBasePeriodMs;
}

int ProgressCeiling(int stage) {
    switch (stage) {
        case 1:
            return 5;
        case 2:
            return 65;
        case 4:
            return 85;
        case 5:
            return 99;
        case 6:
            return kProgressComplete;
        default:
            return -1;
    }
}

int NextProgress(int stage, int progress) {
    const int ceiling = ProgressCeiling(stage);
    return progress < ceiling ? progress + 1 : progress;
}
