#include "panels/panel_dialog.h"

#include "panels/panel.h"
#include "panels/panel_host.h"

#include <QKeyEvent>

namespace {
int g_liveDialogs = 0;
}

CPanelDialog::CPanelDialog(QWidget* parent, CPanel* owner) : QWidget(parent), m_pOwner(owner)
{
    ++g_liveDialogs;
    setAutoFillBackground(true);
}

CPanelDialog::~CPanelDialog()
{
    --g_liveDialogs;
    // The panel must not keep a pointer to a dialog that no longer exists,
    // whichever road (panel switch or shut-down) destroyed it.
    if (m_pOwner && m_pOwner->m_pDialog == this)
        m_pOwner->m_pDialog = nullptr;
}

int CPanelDialog::LiveCount() { return g_liveDialogs; }

void CPanelDialog::Create(const DialogTemplate& tmpl)
{
    setFixedSize(m_controls.Build(this, tmpl));
    move(0, 0);
    OnInitDialog();
    show();
}

bool CPanelDialog::OnInitDialog()
{
    return true;
}

void CPanelDialog::FitMainWindow()
{
    if (CPanelHost* host = CPanelHost::Get())
        host->FitMainWindowTo(size());
}

void CPanelDialog::DestroyWindow()
{
    if (m_bDestroyed)
        return;
    m_bDestroyed = true;
    hide();
    PostNcDestroy();
}

void CPanelDialog::PostNcDestroy() { delete this; }

void CPanelDialog::keyPressEvent(QKeyEvent* event)
{
    // Enter and Escape never close a panel.
    switch (event->key()) {
    case Qt::Key_Return:
    case Qt::Key_Enter:
    case Qt::Key_Escape:
        event->accept();
        return;
    default:
        QWidget::keyPressEvent(event);
    }
}
