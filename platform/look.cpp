#include "platform/look.h"

#include <QApplication>
#include <QFont>
#include <QFontDatabase>
#include <QFontMetrics>
#include <QStyleFactory>

void ApplyClassicLook()
{
    if (QStyle* classic = QStyleFactory::create(QStringLiteral("Windows")))
        QApplication::setStyle(classic);
    QFont::insertSubstitution(QStringLiteral("MS Sans Serif"), QStringLiteral("Liberation Sans"));
    QFont::insertSubstitution(QStringLiteral("Arial"), QStringLiteral("Liberation Sans"));
}

QFont MonospaceFont() { return MonospaceFont(QFontDatabase::systemFont(QFontDatabase::FixedFont)); }

QFont MonospaceFont(const QFont& preferred)
{
    const QFontMetrics fm(preferred);
    const int i = fm.horizontalAdvance(QLatin1Char('i'));
    if (i > 0 && fm.horizontalAdvance(QLatin1Char('W')) == i && fm.horizontalAdvance(QLatin1Char('0')) == i)
        return preferred;
    QFont mono(QStringLiteral("Liberation Mono"));
    mono.setStyleHint(QFont::Monospace);
    if (preferred.pointSizeF() > 0)
        mono.setPointSizeF(preferred.pointSizeF());
    else
        mono.setPixelSize(preferred.pixelSize());
    return mono;
}
