#include "platform/dialog_template.h"

#include <QCheckBox>
#include <QComboBox>
#include <QFontMetrics>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QTabWidget>
#include <QWidget>
#include <algorithm>

int MulDiv(int number, int numerator, int denominator)
{
    // Rounds half away from zero, like the platform's own MulDiv.
    if (denominator == 0)
        return -1;
    long long p = static_cast<long long>(number) * numerator;
    long long d = denominator;
    if (d < 0) {
        p = -p;
        d = -d;
    }
    return static_cast<int>(p >= 0 ? (p + d / 2) / d : -((-p + d / 2) / d));
}

QFont TemplateFont(const QString& family, int pointSize)
{
    QFont font(family);
    // Point sizes are turned into pixels at 96 dots per inch, as the panels
    // were laid out, so the layout does not depend on the screen's DPI.
    font.setPixelSize(MulDiv(pointSize, 96, 72));
    font.setStyleHint(QFont::SansSerif);
    return font;
}

DialogBaseUnits BaseUnitsOf(const QFont& font)
{
    const QFontMetrics fm(font);
    static const QString letters = QStringLiteral("ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz");
    DialogBaseUnits base;
    base.x = (fm.horizontalAdvance(letters) / 26 + 1) / 2;
    base.y = fm.height();
    return base;
}

QRect MapDialogRect(const DialogBaseUnits& base, int x, int y, int cx, int cy)
{
    const int left = MulDiv(x, base.x, 4);
    const int top = MulDiv(y, base.y, 8);
    const int right = MulDiv(x + cx, base.x, 4);
    const int bottom = MulDiv(y + cy, base.y, 8);
    return QRect(left, top, right - left, bottom - top);
}

namespace {

Qt::Alignment TextAlignment(unsigned style)
{
    if (style & CS_CENTER)
        return Qt::AlignHCenter | Qt::AlignTop;
    if (style & CS_RIGHT)
        return Qt::AlignRight | Qt::AlignTop;
    return Qt::AlignLeft | Qt::AlignTop;
}

QWidget* MakeControl(QWidget* dialog, const ControlTemplate& c)
{
    switch (c.kind) {
    case ControlKind::Static: {
        auto* label = new QLabel(c.text, dialog);
        label->setAlignment(TextAlignment(c.style));
        label->setWordWrap(true);
        label->setTextFormat(Qt::PlainText);
        // Plain labels are drawn in the dialog colours, background included.
        label->setAutoFillBackground(true);
        label->setAttribute(Qt::WA_TransparentForMouseEvents);
        return label;
    }
    case ControlKind::FrameStatic: {
        auto* label = new QLabel(dialog);
        label->setFrameStyle(QFrame::Box | QFrame::Plain);
        label->setAttribute(Qt::WA_TransparentForMouseEvents);
        return label;
    }
    case ControlKind::Icon: {
        auto* label = new QLabel(dialog);
        label->setAttribute(Qt::WA_TransparentForMouseEvents);
        return label;
    }
    case ControlKind::GroupBox: {
        auto* box = new QGroupBox(c.text, dialog);
        box->setAlignment(c.style & CS_CENTER ? Qt::AlignHCenter : Qt::AlignLeft);
        box->setFocusPolicy(Qt::NoFocus);
        box->setAttribute(Qt::WA_TransparentForMouseEvents);
        return box;
    }
    case ControlKind::PushButton:
    case ControlKind::DefPushButton:
    case ControlKind::OwnerDrawButton: {
        auto* button = new QPushButton(c.text, dialog);
        button->setAutoDefault(false);
        button->setDefault(c.kind == ControlKind::DefPushButton);
        return button;
    }
    case ControlKind::Edit: {
        auto* edit = new QLineEdit(c.text, dialog);
        return edit;
    }
    case ControlKind::DropList: {
        auto* combo = new QComboBox(dialog);
        combo->setEditable(false);
        for (const QString& item : c.items)
            combo->addItem(item);
        return combo;
    }
    case ControlKind::CheckBox: {
        auto* box = new QCheckBox(c.text, dialog);
        if (c.style & CS_TEXT_LEFT)
            box->setLayoutDirection(Qt::RightToLeft);
        return box;
    }
    case ControlKind::TabControl: {
        auto* tabs = new QTabWidget(dialog);
        tabs->setFocusPolicy(Qt::NoFocus);
        return tabs;
    }
    }
    return new QWidget(dialog);
}

} // namespace

QSize CControlMap::Build(QWidget* dialog, const DialogTemplate& tmpl)
{
    const QFont font = TemplateFont(tmpl.fontFamily, tmpl.pointSize);
    dialog->setFont(font);
    m_base = BaseUnitsOf(font);
    m_byId.clear();
    m_order.clear();

    for (const ControlTemplate& c : tmpl.controls) {
        QWidget* w = MakeControl(dialog, c);
        QRect r = MapRect(c.x, c.y, c.cx, c.cy);
        if (c.kind == ControlKind::DropList) {
            // The template height of a drop-down list is the height of its
            // open list; the closed box is as tall as its font needs.
            r.setHeight(w->sizeHint().height());
        }
        w->setGeometry(r);
        w->setFocusPolicy((c.style & CS_TABSTOP) ? Qt::StrongFocus
                          : (c.style & CS_NOFOCUS) ? Qt::NoFocus
                          : c.kind == ControlKind::Static || c.kind == ControlKind::FrameStatic ||
                                  c.kind == ControlKind::Icon || c.kind == ControlKind::GroupBox
                              ? Qt::NoFocus
                              : Qt::ClickFocus);
        if (c.style & CS_DISABLED)
            w->setEnabled(false);
        w->setVisible(!(c.style & CS_HIDDEN));
        if (c.id != -1)
            m_byId[c.id] = w;
        m_order.push_back(w);
    }
    // Frames, group boxes and tab controls enclose other controls of the
    // template; they go beneath everything else, each group in template order.
    for (int pass = 0; pass < 2; ++pass) {
        for (std::size_t i = 0; i < tmpl.controls.size(); ++i) {
            const ControlKind k = tmpl.controls[i].kind;
            const bool background = k == ControlKind::FrameStatic || k == ControlKind::GroupBox ||
                                    k == ControlKind::TabControl;
            if (background == (pass == 0))
                m_order[i]->raise();
        }
    }
    RefreshTabOrder();
    const QRect all = MapRect(0, 0, tmpl.cx, tmpl.cy);
    return all.size();
}

QRect CControlMap::MapRect(int x, int y, int cx, int cy) const
{
    return MapDialogRect(m_base, x, y, cx, cy);
}

QWidget* CControlMap::Item(int id) const
{
    auto it = m_byId.find(id);
    return it == m_byId.end() ? nullptr : it->second;
}

bool CControlMap::Attach(int id, QWidget* widget)
{
    auto it = m_byId.find(id);
    if (it == m_byId.end() || widget == nullptr)
        return false;
    QWidget* placeholder = it->second;
    QWidget* parent = placeholder->parentWidget();
    widget->setParent(parent);
    widget->setGeometry(placeholder->geometry());
    widget->setFocusPolicy(placeholder->focusPolicy());
    widget->setEnabled(placeholder->isEnabled());
    widget->stackUnder(placeholder);
    widget->setVisible(!placeholder->isHidden());
    std::replace(m_order.begin(), m_order.end(), placeholder, widget);
    it->second = widget;
    delete placeholder;
    RefreshTabOrder();
    return true;
}

void CControlMap::RefreshTabOrder()
{
    QWidget* previous = nullptr;
    for (QWidget* w : m_order) {
        if (w->focusPolicy() == Qt::NoFocus)
            continue;
        if (previous)
            QWidget::setTabOrder(previous, w);
        previous = w;
    }
}
