#include "instrument/select_instrument_dlg.h"

#include "platform/modal_runner.h"
#include "resources/dialog_templates.h"
#include "resources/resource_ids.h"

#include <QComboBox>

CSelectInstrumentDlg::CSelectInstrumentDlg(QWidget* parent, const QStringList& descriptors)
    : CModalDialog(SelectInstrumentTemplate(), parent), m_descriptors(descriptors)
{
    if (auto* list = Item<QComboBox>(IDC_INSTRUMENT_LIST)) {
        list->addItems(m_descriptors);
        list->setCurrentIndex(m_descriptors.isEmpty() ? -1 : 0);
    }
}

void CSelectInstrumentDlg::accept()
{
    auto* list = Item<QComboBox>(IDC_INSTRUMENT_LIST);
    const int index = list ? list->currentIndex() : -1;
    m_strSelected = index >= 0 ? list->itemText(index) : QString();
    QDialog::accept();
}

std::optional<QString> CSelectInstrumentDlg::Choose(QWidget* parent, const QStringList& descriptors)
{
    CSelectInstrumentDlg dialog(parent, descriptors);
    if (RunModal(dialog) != QDialog::Accepted)
        return std::nullopt;
    return dialog.m_strSelected;
}
