#pragma once

class QFont;

// The classic look the panels were drawn for: the "Windows" widget style and
// the font names of the templates mapped to fonts this system has.
void ApplyClassicLook();

// A font whose characters all take the same width, for text read in columns:
// `preferred` (by default the desktop's fixed font) when its "iW0" really have
// equal advances, else Liberation Mono at its size. Judged by the advances,
// not by the font's spacing flag: some monospaced fonts do not set it.
QFont MonospaceFont();
QFont MonospaceFont(const QFont& preferred);
