// Every push button and menu item of every window, used once on the simulated instrument as an operator
// would: each must do the one thing it is there for, seen as a driver call, a box, a dialog, a window or a
// text. A control on show without a row here, or a row without its control, fails the test.
#include "common/test_support.h"
#include "controls/text_static.h"
#include "instrument/select_instrument_dlg.h"
#include "panels/panel_dialog.h"
#include "panels/panel_list.h"
#include "panels/traffic/traffic_window.h"
#include "platform/help_viewer.h"
#include "resources/resource_ids.h"

#include <QApplication>
#include <QClipboard>
#include <QComboBox>
#include <QFileDialog>
#include <QGridLayout>
#include <QLabel>
#include <QMenu>
#include <QMenuBar>
#include <gtest/gtest.h>

#include <set>

namespace {

struct Row {
    QString window, control; // the panel, window, menu or dialog, and the control's text (in a grid, after its row's label)
    QString want;            // what using it must show, among all it shows; empty: nothing at all
    std::function<QString()> watch = {}; // a text it is there to change
    std::function<void()> before = {};   // what makes it worth pressing
};

TEST(EveryControl, DoesTheOneThingItIsThereFor)
{
    SimPanel p;
    std::set<QString> present, used; // "window: control"
    std::size_t traced = 0, next = 0;
    QString active, panel = "Main Panel";
    QDialog* modal = nullptr; // the dialog on show
    const auto traffic = [&] { return p.app->MainFrame()->TrafficWindow(); };
    const auto window = [&](const QString& name) -> QWidget* {
        if (!p.app->MainFrame()) // after Exit
            return nullptr;
        if (CPanel* open = p.app->m_pCurrentPanel; open && open->m_strName == name)
            return open->m_pDialog;
        QWidget* found = modal && modal->windowTitle() == name ? modal : nullptr;
        for (QWidget* w : QApplication::topLevelWidgets())
            found = !found && w->isVisible() && !qobject_cast<QDialog*>(w) && w->windowTitle().endsWith(name) ? w : found;
        return found;
    };
    // Each push button an operator can press, or menu item they can choose, by the name a row gives it.
    const auto controls = [&](const QString& name) {
        std::map<QString, QObject*> found;
        for (QAction* menu : p.app->MainFrame() ? p.app->MainFrame()->menuBar()->actions() : QList<QAction*>())
            for (QAction* item : menu->menu()->actions())
                found[item->isSeparator() || menu->text().remove('&') != name ? QString() : item->text()] = item;
        QWidget* w = window(name);
        for (QPushButton* b : w ? w->findChildren<QPushButton*>() : QList<QPushButton*>()) {
            QString text = b->text();
            for (QGridLayout* g : w->findChildren<QGridLayout*>()) {
                int row = 0, col, rows, cols;
                if (g->indexOf(b) >= 0 && (g->getItemPosition(g->indexOf(b), &row, &col, &rows, &cols), true))
                    if (auto* label = qobject_cast<QLabel*>(g->itemAtPosition(row, 0)->widget()))
                        text = label->text() + ' ' + text;
            }
            found[b->isVisibleTo(w) ? text : QString()] = b;
        }
        found.erase(QString());
        for (const auto& f : found)
            present.insert(name + ": " + f.first);
        return found;
    };
    // All that came of it: driver calls, boxes, dialogs, the panel or window brought forward, the text it watches.
    const auto outcome = [&](const Row& r) {
        QStringList out;
        const std::vector<TraceCall> trace = p.sim.Trace();
        for (std::size_t i = std::exchange(traced, trace.size()); i < trace.size(); ++i)
            out << QString::fromStdString(trace[i].function);
        out << std::exchange(p.recorder.messages, {}) << std::exchange(p.recorder.dialogTitles, {});
        if (const QString now = p.app->MainFrame() ? p.app->m_pCurrentPanel->m_strName : "none"; std::exchange(panel, now) != now)
            out << "panel " + now;
        if (const QWidget* w = QApplication::activeWindow(); w && std::exchange(active, w->windowTitle()) != active)
            out << "window " + active;
        return (r.watch ? out << "text " + r.watch() : out).join(" | ");
    };
    const auto result = [&] { return modal->result() == QDialog::Accepted ? "accepted" : "rejected"; };
    const auto status = [&](int at) { return window("Status Panel")->findChildren<CTextStatic*>().at(at)->Text(); };
    const auto baud = [&] { return window("Setting Panel")->findChildren<QComboBox*>().at(1); };
    std::vector<Row> rows = {
        {"Options", "&Reset", "tsx4410_reset"},
        {"Options", "Self &Test", "tsx4410_self_test"},
        {"Panels", "s&Etting Panel", "panel Setting Panel"},
        {"Setting Panel", "Restore", "text 9600", [&] { return baud()->currentText(); }, [&] { baud()->setCurrentIndex(0), emit baud()->activated(0); }},
        {"Panels", "&Status ", "panel Status Panel"},
        {"Status Panel", "Read Error Queue", "text 0None", [&] { return status(3) + status(4); }},
        {"Status Panel", "OPC?", ""}, // names a query the module does not make: nothing to see
        {"Panels", "&Main Panel", "panel Main Panel"},
        {"Main Panel", "Start Test", "tsx4410_openChannel"},
        {"Panels", "&Traffic", "window TSX4410 SFP - Traffic"},
        {"Panels", "&Traffic", "window TSX4410 SFP - Traffic | text shown", [&] { return traffic()->isMinimized() ? "minimized" : "shown"; },
         [&] { traffic()->showMinimized(), p.app->MainFrame()->activateWindow(), ProcessEvents(), active.clear(); }}, // open: brought back
        {"Traffic", "Clear", "text 0 events", [&] { return traffic()->DroppedLabel()->text().left(8); }},
        {"Traffic", "Save Log...", "Save Log"},
        {"Traffic", "Log to File...", "Log to File"},
        {"Main Panel", "Stop!", "tsx4410_closeChannel"},
        {"Help", "&Help Contents", "window TSX4410 Soft Front Panel Help"},
        {"Help", "&About...", ""}, // what it opened shows in the row of the dialog's button, pressed while it is open
        {"About tsxXXXX Sfp", "OK", "About tsxXXXX Sfp | text accepted", result},
        {"Select Instrument", "OK", "Select Instrument | text accepted", result},
        {"Select Instrument", "Cancel", "Select Instrument | text rejected", result},
        {"Options", "&Exit", "tsx4410_close | panel none"},
    };
    for (int ch = 1; ch <= 4; ++ch) { // the last channel first: its Start turns Stop, and the others keep their numbers
        const QString n = "Channel " + QString::number(ch) + ' ';
        const auto button = [&, ch] { return traffic()->PatternButton(ch)->text() + (traffic()->PatternButton(ch)->isEnabled() ? "" : " disabled"); };
        rows.insert(rows.begin() + 12, {{"Traffic", n + "Start", "text Stop", button}, {"Traffic", n + "Stop", "text Stop disabled", button},
                                        {"Traffic", n + "Copy Report", "text Pattern test, channel " + QString::number(ch),
                                         [] { return QApplication::clipboard()->text().section('\n', 0, 0); }}});
    }
    const auto press = [&](const Row& r) {
        r.before ? r.before() : void();
        QObject* control = controls(r.window)[r.control];
        ASSERT_TRUE(control) << (r.window + ": " + r.control).toStdString();
        used.insert(r.window + ": " + r.control);
        qobject_cast<QAction*>(control) ? static_cast<QAction*>(control)->trigger() : QTest::mouseClick(static_cast<QPushButton*>(control), Qt::LeftButton);
        ProcessEvents();
        const QString got = outcome(r);
        EXPECT_TRUE(r.want.isEmpty() ? got.isEmpty() : got.contains(r.want)) << (r.window + ": " + r.control + " -> " + got).toStdString();
        for (const char* name : {"Main Panel", "Setting Panel", "Status Panel", "Traffic", "Help", "Options", "Panels"})
            controls(name);
    };
    p.recorder.onDialog = [&](QDialog& d) { // a dialog of ours runs the next row, on one of its buttons
        if (qobject_cast<QFileDialog*>(&d) || next >= rows.size() || rows[next].window != d.windowTitle())
            return static_cast<int>(QDialog::Rejected);
        modal = &d, d.setResult(-1), press(rows[next++]);
        return std::exchange(modal, nullptr)->result();
    };
    while (next < rows.size()) {
        if (rows[next].window != "Select Instrument")
            press(rows[next++]);
        else if (CSelectInstrumentDlg select(p.app->MainFrame(), {"VXI0::1::INSTR", "GPIB-VXI0::2::INSTR"}); true)
            RunModal(select);
    }
    EXPECT_EQ(QStringList(present.begin(), present.end()), QStringList(used.begin(), used.end()));
}

} // namespace
