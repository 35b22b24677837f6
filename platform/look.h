#pragma once

// The classic look the panels were drawn for: the "Windows" widget style and
// the font names of the templates mapped to fonts this system has.
void ApplyClassicLook();
