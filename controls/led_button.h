#pragma once
// The panels' round lamps. Each takes over an owner-drawn button of a panel
// template (made without a parent, then given its place by the dialog's
// Attach) and draws it completely: a lamp-coloured disc in a face-coloured
// ring lit from the upper left, on a background-coloured rectangle.
#include "platform/colors.h"

#include <QAbstractButton>

class CLedButton : public QAbstractButton {
    Q_OBJECT
public:
    CLedButton(COLORREF lamp, COLORREF background);
    ~CLedButton() override;

    COLORREF LampColor() const { return m_crLamp; }
    COLORREF BackgroundColor() const { return m_crBackground; }
    // How many times the lamp has been drawn so far.
    int PaintCount() const { return m_nPaintCount; }

protected:
    CLedButton(COLORREF lamp, COLORREF background, double insetFactor);

    // Draws the lamp into the whole control; the button's pressed, focused
    // and disabled states are deliberately not looked at.
    void DrawItem(class QPainter& painter, const QRect& item) const;

    void paintEvent(class QPaintEvent* event) override;
    void showEvent(class QShowEvent* event) override;
    void keyPressEvent(class QKeyEvent* event) override;
    void keyReleaseEvent(class QKeyEvent* event) override;

    COLORREF m_crLamp;
    COLORREF m_crBackground;

private:
    double m_dInset;
    int m_nPaintCount = 0;
};

// A lamp with three colours picked by its state: 0 lit, 1 dark, 2 dim.
class CStateLedButton : public CLedButton {
    Q_OBJECT
public:
    static constexpr int kLit = 0;
    static constexpr int kDark = 1;
    static constexpr int kDim = 2;

    CStateLedButton(COLORREF lit, COLORREF dim, COLORREF dark, COLORREF background);
    ~CStateLedButton() override;

    // Switches to `state` and repaints before returning. The channels call it
    // on every tick, mostly with the state the lamp has: that returns at once.
    void SetState(int state);
    int State() const { return m_nState; }

private:
    void Describe();

    COLORREF m_crLit;
    COLORREF m_crDim;
    COLORREF m_crDark;
    int m_nState = kDark;
};
