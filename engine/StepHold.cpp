#include "engine/StepHold.h"

void HoldInsideSystemSteps(const std::atomic<bool>*) {}
