#include "controls/text_static.h"

#include "controls/accessibility.h"
#include "controls/text_layout.h"

#include <QFontMetrics>
#include <QPainter>

CTextStatic::CTextStatic(COLORREF background, COLORREF text, COLORREF topLeft,
                         COLORREF bottomRight, int border, const QFont* font, QWidget* fontWindow)
    : m_crBackground(background),
      m_crText(text),
      m_crTopLeft(topLeft),
      m_crBottomRight(bottomRight),
      m_pFont(font),
      m_bBorder(border),
      m_pFontWindow(fontWindow)
{
    InstallControlAccessibility();
    setAttribute(Qt::WA_TransparentForMouseEvents);
}

CTextStatic::~CTextStatic() = default;

void CTextStatic::SetText(const QString& text)
{
    m_strText = text;
    setAccessibleName(m_strText);
    repaint();
}

QFont CTextStatic::SystemFont()
{
    QFont font(QStringLiteral("Arial"));
    font.setStyleHint(QFont::SansSerif);
    font.setPixelSize(13);
    font.setBold(true);
    return font;
}

QFont CTextStatic::EffectiveFont() const
{
    if (m_pFont)
        return *m_pFont;
    if (m_pFontWindow)
        return m_pFontWindow->font();
    return SystemFont();
}

void CTextStatic::paintEvent(QPaintEvent*)
{
    ++m_nPaintCount;
    QPainter painter(this);
    painter.setFont(EffectiveFont());
    const QFontMetrics fm = painter.fontMetrics();

    const TextFieldLayout l = LayoutTextField(width(), height(), m_bBorder != 0,
                                              fm.horizontalAdvance(m_strText), fm.height());
    const TextRect& r = l.inner;
    if (m_bBorder) {
        // Two-pixel pens centred on the inner rectangle's edges: each line
        // covers the edge's own pixels and the ones just outside it.
        QPen pen(ToQColor(m_crTopLeft), 2, Qt::SolidLine, Qt::SquareCap, Qt::MiterJoin);
        painter.setPen(pen);
        const QPoint topLeftPath[] = {{r.left, r.bottom}, {r.left, r.top}, {r.right, r.top}};
        painter.drawPolyline(topLeftPath, 3);
        pen.setColor(ToQColor(m_crBottomRight));
        painter.setPen(pen);
        const QPoint bottomRightPath[] = {{r.right, r.top}, {r.right, r.bottom}, {r.left, r.bottom}};
        painter.drawPolyline(bottomRightPath, 3);
        const TextRect& f = l.fill;
        if (f.Width() > 0 && f.Height() > 0)
            painter.fillRect(QRect(f.left, f.top, f.Width(), f.Height()), ToQColor(m_crBackground));
    }

    if (!m_strText.isEmpty() && r.Width() > 0 && r.Height() > 0) {
        painter.setClipRect(QRect(r.left, r.top, r.Width(), r.Height()));
        painter.setPen(ToQColor(m_crText));
        painter.setBackgroundMode(Qt::TransparentMode);
        painter.drawText(l.textX, l.textY + fm.ascent(), m_strText);
    }
}
