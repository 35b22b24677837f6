#include "app/about_dlg.h"

#include "resources/dialog_templates.h"

#include <QIcon>
#include <QLabel>

CAboutDlg::CAboutDlg(QWidget* parent) : CModalDialog(AboutTemplate(), parent)
{
    // The icon static shows icon 2 at its natural size.
    for (QWidget* w : m_controls.InOrder()) {
        auto* label = qobject_cast<QLabel*>(w);
        if (label && label->text().isEmpty()) {
            const QPixmap icon = QIcon(QStringLiteral(":/resources/icons/app_icon.png")).pixmap(32, 32);
            label->setPixmap(icon);
            label->resize(icon.size());
            break;
        }
    }
}
