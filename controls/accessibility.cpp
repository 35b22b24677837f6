#include "controls/accessibility.h"

#include "controls/bitmap_static.h"
#include "controls/led_button.h"
#include "controls/text_static.h"

#include <QAccessible>
#include <QAccessibleWidget>

namespace {

QAccessibleInterface* ControlInterface(const QString&, QObject* object)
{
    auto* widget = qobject_cast<QWidget*>(object);
    if (!widget)
        return nullptr;
    if (qobject_cast<CLedButton*>(widget))
        return new QAccessibleWidget(widget, QAccessible::Indicator);
    if (qobject_cast<CTextStatic*>(widget))
        return new QAccessibleWidget(widget, QAccessible::StaticText);
    if (qobject_cast<CBitmapStatic*>(widget))
        return new QAccessibleWidget(widget, QAccessible::Graphic);
    return nullptr;
}

} // namespace

void InstallControlAccessibility()
{
    static const bool installed = [] {
        QAccessible::installFactory(ControlInterface);
        return true;
    }();
    (void)installed;
}
