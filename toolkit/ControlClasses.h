#pragma once
// Makes the toolkit's controls known to the control factory, so that layouts can name
// them: Label, Text, Button, Option, CheckBox, Progress, Edit, Combo, ListLabelElement,
// RichEdit, ScrollBar and GifAnim. Calling it again changes nothing.

#include <utility>
#include <vector>

#include "toolkit/ControlFactory.h"

void RegisterControlClasses();

// The same classes as a table, for the factory's own start-up fill.
std::vector<std::pair<const wchar_t*, CControlFactory::Constructor>> ControlClassTable();
