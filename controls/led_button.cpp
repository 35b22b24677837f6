#include "controls/led_button.h"

#include "controls/accessibility.h"
#include "controls/led_geometry.h"

#include <QKeyEvent>
#include <QPainter>
#include <QPainterPath>
#include <QShowEvent>

namespace {

// Ellipse bounded by `r` (right and bottom exclusive), rim in the current pen.
// Aliased QPainter strokes a w x h rectangle's outline over w + 1 columns, so
// the box it is given is one pixel smaller than the bounds.
QRect OutlineBox(const LedRect& r)
{
    return QRect(r.left, r.top, r.Width() - 1, r.Height() - 1);
}

} // namespace

CLedButton::CLedButton(COLORREF lamp, COLORREF background)
    : CLedButton(lamp, background, kLedInsetPlain)
{
}

CLedButton::CLedButton(COLORREF lamp, COLORREF background, double insetFactor)
    : m_crLamp(lamp), m_crBackground(background), m_dInset(insetFactor)
{
    InstallControlAccessibility();
    setFocusPolicy(Qt::NoFocus);
}

CLedButton::~CLedButton() = default;

void CLedButton::DrawItem(QPainter& painter, const QRect& item) const
{
    // Pens and brushes are made for this one drawing and dropped at its end.
    const QPen highlightPen(ToQColor(SysColorButtonHighlight()), 1);
    const QPen shadowPen(ToQColor(SysColorButtonShadow()), 1);
    const QPen facePen(ToQColor(SysColorButtonFace()), 1);
    const QBrush lampBrush(ToQColor(m_crLamp));
    const QBrush backgroundBrush(ToQColor(m_crBackground));
    const QBrush faceBrush(ToQColor(SysColorButtonFace()));

    painter.save();
    painter.fillRect(item, backgroundBrush);

    const LedRect r{item.left(), item.top(), item.left() + item.width(), item.top() + item.height()};
    const LedGeometry g = ComputeLedGeometry(r, m_dInset);
    if (g.diameter > 0) {
        painter.setPen(highlightPen);
        painter.setBrush(faceBrush);
        painter.drawEllipse(OutlineBox(g.square));

        // The shadow arc redraws the same rim pixels the ellipse just drew,
        // from the lower-left radial point counter-clockwise to the upper-right
        // one: the rim is stroked again through a pie-shaped clip of that
        // sweep, so no lit pixel of the lower-right half is left over.
        const QRectF outer(g.square.left - g.diameter, g.square.top - g.diameter,
                           3.0 * g.diameter, 3.0 * g.diameter);
        QPainterPath sector;
        sector.moveTo(outer.center());
        sector.arcTo(outer, g.arcStartDegrees, g.arcSweepDegrees);
        sector.closeSubpath();
        painter.save();
        painter.setClipPath(sector, Qt::IntersectClip);
        painter.setPen(shadowPen);
        painter.setBrush(Qt::NoBrush);
        painter.drawEllipse(OutlineBox(g.square));
        painter.restore();

        if (g.lamp.Width() > 0) {
            painter.setPen(facePen);
            painter.setBrush(lampBrush);
            painter.drawEllipse(OutlineBox(g.lamp));
        }
    }
    painter.restore();
}

void CLedButton::paintEvent(QPaintEvent*)
{
    ++m_nPaintCount;
    QPainter painter(this);
    DrawItem(painter, rect());
}

void CLedButton::showEvent(QShowEvent* event)
{
    // The dialog hands over the template button's focus policy when it
    // attaches the lamp; a lamp never takes the focus from a mouse click.
    setFocusPolicy(static_cast<Qt::FocusPolicy>(focusPolicy() & ~Qt::ClickFocus));
    QAbstractButton::showEvent(event);
}

// The space bar would press the button like a click; a lamp has no action,
// so keys go on to the dialog instead.
void CLedButton::keyPressEvent(QKeyEvent* event) { event->ignore(); }
void CLedButton::keyReleaseEvent(QKeyEvent* event) { event->ignore(); }

CStateLedButton::CStateLedButton(COLORREF lit, COLORREF dim, COLORREF dark, COLORREF background)
    : CLedButton(dark, background, kLedInsetState), m_crLit(lit), m_crDim(dim), m_crDark(dark)
{
    Describe();
}

CStateLedButton::~CStateLedButton() = default;

void CStateLedButton::SetState(int state)
{
    if (state == m_nState)
        return;
    switch (state) {
    case kLit:
        m_nState = kLit;
        m_crLamp = m_crLit;
        break;
    case kDim:
        m_nState = kDim;
        m_crLamp = m_crDim;
        break;
    case kDark:
        m_nState = kDark;
        m_crLamp = m_crDark;
        break;
    default:
        // Not a state: the colour stays, but the lamp is still redrawn.
        break;
    }
    Describe();
    repaint();
}

void CStateLedButton::Describe()
{
    static const char* const kWords[] = {"lit", "dark", "dim"};
    setAccessibleDescription(QString::fromLatin1(kWords[m_nState]));
}
