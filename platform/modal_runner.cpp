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
static int g_modalsUp = 0; // dialogs on show, a responder's included

int RunModal(QDialog& dialog)
{
    if (g_modalsRefused)
        return QDialog::Rejected;
    ++g_modalsUp;
    int result = 0;
    if (Responder()) {
        result = Responder()(dialog);
    } else {
        ++g_modalDepth;
        result = dialog.exec();
        --g_modalDepth;
    }
    --g_modalsUp;
    return result;
}

int ModalDepth() { return g_modalDepth; }
bool ModalUp() { return g_modalsUp > 0; }
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
