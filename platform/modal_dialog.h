#pragma once
#include "platform/dialog_template.h"

#include <QDialog>

// A modal dialog built from a dialog template (About, Select Instrument).
// Run it with RunModal so tests can answer it.
class CModalDialog : public QDialog {
    Q_OBJECT
public:
    CModalDialog(const DialogTemplate& tmpl, QWidget* parent);

    QWidget* GetDlgItem(int id) const { return m_controls.Item(id); }
    template <class T>
    T* Item(int id) const { return qobject_cast<T*>(m_controls.Item(id)); }
    const CControlMap& Controls() const { return m_controls; }

protected:
    CControlMap m_controls;
};
