#pragma once
// Where the control tests find the images they draw, and the toolkit's set-up for them.

#include <string>

// The folder of the generated test images, as a resource path for the toolkit.
std::wstring ControlsSkinFolder();
// Process set-up for these tests: module instance, control classes, skin folder.
void PrepareToolkitForTests();
