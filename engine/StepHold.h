#pragma once
// A point inside the system steps where a test build of the exe can hold the install, so
// that a close can land there. The product's hold returns at once; the end-to-end build
// links a hold of its own in its place (tests/e2e/StepHold.cpp).

#include <atomic>

// Returns when the test lets the install go on, or once `cancel` is set.
void HoldInsideSystemSteps(const std::atomic<bool>* cancel);
