#pragma once
// The Select Instrument dialog (template 107): the operator picks one of the
// accepted resources when discovery cannot tell which one is meant.
#include "platform/modal_dialog.h"

#include <QString>
#include <QStringList>
#include <optional>

class CSelectInstrumentDlg : public CModalDialog {
    Q_OBJECT
public:
    // The descriptors are listed in the order given, unsorted, the first
    // one selected.
    CSelectInstrumentDlg(QWidget* parent, const QStringList& descriptors);

    // Empty until OK; then the text of the entry selected at that moment.
    QString m_strSelected;

    void accept() override;

    // Runs the dialog modally; the chosen descriptor, or nothing on Cancel.
    static std::optional<QString> Choose(QWidget* parent, const QStringList& descriptors);

private:
    QStringList m_descriptors;
};
