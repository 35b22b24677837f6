#include "controls/bitmap_static.h"

#include "controls/accessibility.h"
#include "resources/bitmap_resources.h"

#include <QPainter>

CBitmapStatic::CBitmapStatic(int bitmapId) : m_nBitmapId(bitmapId)
{
    InstallControlAccessibility();
    setAttribute(Qt::WA_TransparentForMouseEvents);
}

CBitmapStatic::~CBitmapStatic() = default;

void CBitmapStatic::paintEvent(QPaintEvent*)
{
    ++m_nPaintCount;
    // Loaded for every paint and dropped at its end; resource ids are 16 bits.
    const QImage bitmap = LoadBitmapResource(m_nBitmapId & 0xFFFF);
    if (bitmap.isNull())
        return;
    QPainter painter(this);
    // Unscaled, from the bitmap's corner; the widget's edge clips the rest.
    painter.drawImage(QPoint(0, 0), bitmap);
}
