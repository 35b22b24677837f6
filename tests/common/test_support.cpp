#include "test_support.h"

#include "panels/panel_list.h"
#include "resources/resource_ids.h"

#include <QMessageBox>

ModalRecorder::ModalRecorder()
    : m_scope([this](QDialog& dialog) -> int {
          if (auto* box = qobject_cast<QMessageBox*>(&dialog)) {
              messages << box->text();
              captions << box->windowTitle();
              if (onMessage)
                  onMessage(box->text());
              return QMessageBox::Ok;
          }
          dialogTitles << dialog.windowTitle();
          return onDialog ? onDialog(dialog) : static_cast<int>(QDialog::Accepted);
      })
{
}

std::unique_ptr<CSfpApp> StartApp(const QString& commandLine)
{
    auto app = std::make_unique<CSfpApp>(commandLine);
    app->InitInstance();
    return app;
}

CPan1Dlg* MainPanel(const CSfpApp& app)
{
    return static_cast<CPan1Dlg*>(app.m_panels.FindByStringId(IDS_MAIN_PANEL)->m_pDialog);
}

void ProcessEvents()
{
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    QCoreApplication::processEvents();
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
}
