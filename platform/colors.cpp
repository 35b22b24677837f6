#include "platform/colors.h"

#include <QApplication>
#include <QPalette>

namespace {
COLORREF PaletteColor(QPalette::ColorRole role)
{
    return FromQColor(QApplication::palette().color(QPalette::Active, role));
}
} // namespace

COLORREF SysColorButtonFace() { return PaletteColor(QPalette::Button); }
COLORREF SysColorButtonShadow() { return PaletteColor(QPalette::Dark); }
COLORREF SysColorButtonHighlight() { return PaletteColor(QPalette::Light); }

COLORREF GetPanelColor(int index)
{
    switch (index) {
    case 0: return RGB(255, 255, 255);
    case 1: return RGB(0, 0, 0);
    case 2: return SysColorButtonShadow();
    case 3: return SysColorButtonHighlight();
    case 4: return RGB(64, 64, 64);
    case 5: return RGB(128, 128, 128);
    case 6: return RGB(192, 192, 192);
    case 7: return SysColorButtonFace();
    case 8: return 0x02000000u | RGB(0, 128, 128);
    default: return RGB(255, 255, 255);
    }
}

void ApplyDialogColors()
{
    const QColor face(192, 192, 192);
    const QColor text(0, 0, 0);
    QPalette pal = QApplication::palette();
    for (auto group : {QPalette::Active, QPalette::Inactive, QPalette::Disabled}) {
        pal.setColor(group, QPalette::Window, face);
        pal.setColor(group, QPalette::Button, face);
        pal.setColor(group, QPalette::Light, QColor(255, 255, 255));
        pal.setColor(group, QPalette::Midlight, QColor(223, 223, 223));
        pal.setColor(group, QPalette::Dark, QColor(128, 128, 128));
        pal.setColor(group, QPalette::Mid, QColor(160, 160, 160));
        pal.setColor(group, QPalette::Shadow, QColor(0, 0, 0));
        pal.setColor(group, QPalette::Base, QColor(255, 255, 255));
        pal.setColor(group, QPalette::Highlight, QColor(0, 0, 128));
        pal.setColor(group, QPalette::HighlightedText, QColor(255, 255, 255));
        const QColor fg = group == QPalette::Disabled ? QColor(128, 128, 128) : text;
        pal.setColor(group, QPalette::WindowText, fg);
        pal.setColor(group, QPalette::ButtonText, fg);
        pal.setColor(group, QPalette::Text, fg);
    }
    QApplication::setPalette(pal);
}
