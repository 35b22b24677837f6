#pragma once
// Dialog templates as data, and the builder that turns one into widgets.
// Positions are dialog units, converted to pixels from the template font the
// way the original platform does it, so every panel keeps its proportions.
#include <QFont>
#include <QRect>
#include <QSize>
#include <QString>
#include <map>
#include <vector>

class QWidget;

enum class ControlKind {
    Static,          // text label
    FrameStatic,     // black-frame static, usually taken over by a display control
    Icon,            // icon static
    GroupBox,
    PushButton,
    DefPushButton,
    OwnerDrawButton, // taken over by a lamp
    Edit,
    DropList,        // drop-down list combo box (no typing)
    CheckBox,
    TabControl,
};

enum ControlStyle : unsigned {
    CS_NONE = 0,
    CS_LEFT = 1u << 0,
    CS_CENTER = 1u << 1,
    CS_RIGHT = 1u << 2,
    CS_TABSTOP = 1u << 3,
    CS_HIDDEN = 1u << 4,
    CS_DISABLED = 1u << 5,
    CS_TEXT_LEFT = 1u << 6,  // check box with its text on the left
    CS_GROUP = 1u << 7,
    CS_MULTILINE = 1u << 8,
    CS_AUTOHSCROLL = 1u << 9,
    CS_VSCROLL = 1u << 10,
    CS_HSCROLL = 1u << 11,
    CS_NOFOCUS = 1u << 12,   // never takes the focus (tab control)
};

struct ControlTemplate {
    int id;              // -1 for controls nothing refers to
    ControlKind kind;
    QString text;
    int x, y, cx, cy;    // dialog units
    unsigned style;
    std::vector<QString> items; // initial list items of a drop-down list
};

struct DialogTemplate {
    int id;
    int cx, cy;          // dialog units
    QString fontFamily;
    int pointSize;
    QString caption;     // empty: no caption (child panels)
    std::vector<ControlTemplate> controls;
    bool systemMenu = true; // a captioned dialog's close box
};

// Base units of a font: average width of "A".."Z""a".."z" rounded, and the
// font height. Pixels are units * base / 4 horizontally, / 8 vertically.
struct DialogBaseUnits {
    int x = 0;
    int y = 0;
};

QFont TemplateFont(const QString& family, int pointSize);
DialogBaseUnits BaseUnitsOf(const QFont& font);
int MulDiv(int number, int numerator, int denominator);
QRect MapDialogRect(const DialogBaseUnits& base, int x, int y, int cx, int cy);

// Controls of one built dialog, by id and in template order. Template order is
// the tab order. Frames, group boxes and tab controls are stacked beneath the
// other controls (each group in template order, later over earlier), so a
// frame never hides the controls it encloses.
class CControlMap {
public:
    // Builds every control as a child of `dialog`, sets the dialog's font and
    // returns the dialog's client size in pixels.
    QSize Build(QWidget* dialog, const DialogTemplate& tmpl);

    QWidget* Item(int id) const;
    // Gives `widget` the placeholder's geometry, stacking and tab position,
    // then deletes the placeholder. Returns false when no control has the id.
    bool Attach(int id, QWidget* widget);
    const std::vector<QWidget*>& InOrder() const { return m_order; }
    const DialogBaseUnits& BaseUnits() const { return m_base; }
    QRect MapRect(int x, int y, int cx, int cy) const;

private:
    void RefreshTabOrder();

    DialogBaseUnits m_base;
    std::map<int, QWidget*> m_byId;
    std::vector<QWidget*> m_order;
};
