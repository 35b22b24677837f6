#include "platform/modal_runner.h"

#include "platform/string_table.h"
#include "resources/resource_ids.h"

#include <QApplication>
#include <QDialog>
#include <QMessageBox>
#include <QPointer>

namespace {
ModalResponder& Responder()
{
    static ModalResponder responder;
    return responder;
}
QPointer<QWidget>& Owner()
{
    static QPointer<QWidget> owner;
    return owner;
}
} // namespace

static int g_modalDepth = 0;
static bool g_modalsRefused = false;

int RunModal(QDialog& dialog)
{
    if (g_modalsRefused)
        return QDialog::Rejected;
    if (Responder())
        return Responder()(dialog);
    ++g_modalDepth;
    const int result = dialog.exec();
    --g_modalDepth;
    return result;
}

int ModalDepth() { return g_modalDepth; }
void SetModalsRefused(bool refused) { g_modalsRefused = refused; }

void SetModalResponder(ModalResponder responder) { Responder() = std::move(responder); }

ScopedModalResponder::ScopedModalResponder(ModalResponder responder)
{
    SetModalResponder(std::move(responder));
}
ScopedModalResponder::~ScopedModalResponder() { SetModalResponder(nullptr); }

void SetModalOwner(QWidget* owner) { Owner() = owner; }
QWidget* ModalOwner() { return Owner().data(); }

void SfpMessageBox(const QString& text)
{
    QMessageBox box(QMessageBox::Warning, LoadString(IDS_APP_TITLE), text, QMessageBox::Ok,
                    ModalOwner());
    box.setWindowModality(Qt::ApplicationModal);
    RunModal(box);
}

void MessageBeep() { QApplication::beep(); }
