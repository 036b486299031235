#pragma once
// Makes the toolkit's classes known to the control factory, so that layouts can name them:
// Control, Container, VerticalLayout, HorizontalLayout, TabLayout, Label, Text, Button,
// Option, CheckBox, Progress, Edit, Combo, ListLabelElement, RichEdit, ScrollBar and
// GifAnim. A program calls it once as the toolkit starts, before it builds a layout;
// calling it again changes nothing.

void RegisterControlClasses();
