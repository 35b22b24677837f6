#pragma once
// What the widget tests share: the program started as main() starts it with
// its modal dialogs answered, and a control rendered into an image.
#include "app/main_frame.h"
#include "app/sfp_app.h"
#include "common/messages.h"
#include "common/test_support.h"
#include "instrument/instrument_driver.h"
#include "panels/panel.h"
#include "panels/panel_dialog.h"
#include "panels/panel_list.h"
#include "platform/user_exception.h"
#include "resources/resource_ids.h"

#include <QApplication>
#include <QImage>
#include <gtest/gtest.h>

class AppTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        app = StartApp();
        frame = app->MainFrame();
        startup = recorder.messages;
        recorder.messages.clear();
        recorder.captions.clear();
    }
    template <class D> D* UseDriver(D* driver)
    {
        delete app->m_pDriver;
        app->m_pDriver = driver;
        return driver;
    }
    // A menu command. Through a local: GCC's vptr check misreads a member pointer on a fixture member.
    void Run(void (CMainFrame::*command)())
    {
        CMainFrame* f = frame;
        (f->*command)();
        ProcessEvents();
    }
    CPanelDialog* DialogOf(int panelId) const { return app->m_panels.FindByStringId(panelId)->m_pDialog; }
    QString Current() const { return app->m_pCurrentPanel ? app->m_pCurrentPanel->m_strName : QString(); }

    QStringList log; // outlives the application, whose test panels and drivers write to it
    ModalRecorder recorder;
    std::unique_ptr<CSfpApp> app;
    CMainFrame* frame = nullptr;
    QStringList startup; // message boxes of the start
};

inline const QColor kUnpainted(Qt::magenta);

// The control drawn on magenta, without any window background.
inline QImage Render(QWidget& w, int width, int height)
{
    w.resize(width, height);
    QImage img(width, height, QImage::Format_RGB32);
    img.fill(kUnpainted);
    w.render(&img, QPoint(), QRegion(), QWidget::RenderFlags());
    return img;
}
