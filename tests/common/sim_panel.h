#pragma once
#include "app/main_frame.h"
#include "panels/main_panel.h"
#include "sim_env.h"
#include "test_support.h"

#include <QPushButton>
#include <QTest>

#include <functional>

// The application started on a bench with `commandLine`, every dialog answered
// by the recorder (`onDialog` answers those other than message boxes).
struct SimPanel {
    explicit SimPanel(const QString& bench = QString(), const QString& commandLine = QString(),
                      const QStringList& variants = {}, Libraries libraries = Libraries::StandIns,
                      std::function<int(QDialog&)> onDialog = {})
        : sim(bench, variants, libraries)
    {
        recorder.onDialog = std::move(onDialog);
        app = StartApp(commandLine);
        frame = app->MainFrame();
    }
    CPan1Dlg* Main() const { return MainPanel(*app); }
    void StartStop() const { QTest::mouseClick(Main()->StartStopButton(), Qt::LeftButton); }

    SimEnv sim;
    ModalRecorder recorder;
    std::unique_ptr<CSfpApp> app;
    CMainFrame* frame = nullptr;
};
