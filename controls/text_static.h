#pragma once
// A one-line read-out: text centred on a coloured field inside an optional
// two-pixel border. With the shadow colour top-left and the highlight colour
// bottom-right the field looks sunken; exchanging the two makes it raised.
// Made without a parent and put in place of a template control by the
// dialog's Attach; the dialog deletes it.
#include "platform/colors.h"

#include <QFont>
#include <QPointer>
#include <QString>
#include <QWidget>

class CTextStatic : public QWidget {
    Q_OBJECT
public:
    CTextStatic(COLORREF background, COLORREF text, COLORREF topLeft, COLORREF bottomRight,
                int border, const QFont* font, QWidget* fontWindow);
    ~CTextStatic() override;

    // Shows `text` before returning, even when it is the text already shown,
    // so a read-out changed in a loop shows every value.
    void SetText(const QString& text);
    QString Text() const { return m_strText; }
    int PaintCount() const { return m_nPaintCount; }

    // The font the text is drawn in when neither a font nor a font window is
    // set: the bold system font, not the dialog's font.
    static QFont SystemFont();

    // Owners change these directly; a change shows at the next repaint.
    COLORREF m_crBackground;
    COLORREF m_crText;
    COLORREF m_crTopLeft;
    COLORREF m_crBottomRight;
    const QFont* m_pFont;      // not owned; wins over the font window's font
    int m_bBorder;             // non-zero: border and field fill
    QPointer<QWidget> m_pFontWindow; // not owned; its current font is used

protected:
    void paintEvent(class QPaintEvent* event) override;

private:
    QFont EffectiveFont() const;

    QString m_strText;
    int m_nPaintCount = 0;
};
