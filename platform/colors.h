#pragma once
// Colours as the panels handle them: 32-bit values with red in the low byte,
// so the constants the panels use read the same as everywhere else in the code.
#include <QColor>
#include <cstdint>

using COLORREF = std::uint32_t;

constexpr COLORREF RGB(int r, int g, int b)
{
    return static_cast<COLORREF>((r & 0xFF) | ((g & 0xFF) << 8) | ((b & 0xFF) << 16));
}
constexpr int GetRValue(COLORREF c) { return static_cast<int>(c & 0xFF); }
constexpr int GetGValue(COLORREF c) { return static_cast<int>((c >> 8) & 0xFF); }
constexpr int GetBValue(COLORREF c) { return static_cast<int>((c >> 16) & 0xFF); }

// Palette-relative values carry a flag in the top byte; only the RGB part draws.
inline QColor ToQColor(COLORREF c) { return QColor(GetRValue(c), GetGValue(c), GetBValue(c)); }
inline COLORREF FromQColor(const QColor& c) { return RGB(c.red(), c.green(), c.blue()); }

// The system colours that lamps and frames are drawn with, read from the
// application palette at each call so a changed palette shows at the next paint.
COLORREF SysColorButtonFace();
COLORREF SysColorButtonShadow();
COLORREF SysColorButtonHighlight();

// The shared palette of the panels and display controls; any other index
// gives white. Shadow, highlight and face are the system colours of the moment.
enum PanelColorIndex : int {
    kWhite = 0,
    kBlack = 1,
    kShadow = 2,
    kHighlight = 3,
    kDarkGrey = 4,
    kGrey = 5,
    kLightGrey = 6,
    kButtonFace = 7,
    kTeal = 8, // palette-relative
};
COLORREF GetPanelColor(int index);

// Dialog colours for the whole application: light grey dialogs, black text,
// and the classic three-dimensional system colours.
void ApplyDialogColors();
