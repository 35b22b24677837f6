#include "platform/modal_dialog.h"

#include "platform/string_table.h"

#include <QPushButton>

CModalDialog::CModalDialog(const DialogTemplate& tmpl, QWidget* parent) : QDialog(parent)
{
    setWindowTitle(tmpl.caption);
    Qt::WindowFlags flags = Qt::Dialog | Qt::CustomizeWindowHint | Qt::WindowTitleHint;
    if (tmpl.systemMenu)
        flags |= Qt::WindowCloseButtonHint;
    setWindowFlags(flags);
    setFixedSize(m_controls.Build(this, tmpl));
    // Buttons with the standard ids end the dialog the standard way.
    if (auto* ok = Item<QPushButton>(1))
        connect(ok, &QPushButton::clicked, this, &QDialog::accept);
    if (auto* cancel = Item<QPushButton>(2))
        connect(cancel, &QPushButton::clicked, this, &QDialog::reject);
}
