#pragma once
// Tells assistive technology what the owner-drawn controls are: lamps are
// indicators, text fields are static text, pictures are graphics. The names
// and descriptions themselves travel in the widgets' accessible name and
// description (a text field's name is its text, a lamp's description its
// state, a lamp's name is set by the dialog that owns it).

// Registers the interface factory once; every control calls it when made.
void InstallControlAccessibility();
