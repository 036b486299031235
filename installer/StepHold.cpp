#include "installer/StepHold.h"

void HoldInsideSystemSteps(const std::atomic<bool>*) {}
