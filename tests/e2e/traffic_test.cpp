// The Traffic window through the real panel: pattern tests non-live, on a faulty stand-in
// line and on a pseudo-terminal pair; the log, saved and written to files that fail.
#include "common/messages.h"
#include "common/test_support.h"
#include "controls/transfer_edit.h"
#include "panels/channel.h"
#include "panels/panel_list.h"
#include "panels/setting_panel.h"
#include "panels/traffic/traffic_window.h"
#include "resources/resource_ids.h"

#include <QCheckBox>
#include <QClipboard>
#include <QComboBox>
#include <QFile>
#include <QFileDialog>
#include <QGuiApplication>
#include <QLabel>
#include <QListView>
#include <QPushButton>
#include <QRegularExpression>
#include <QScrollBar>
#include <QSignalSpy>
#include <QTableWidget>
#include <QTemporaryDir>
#include <gtest/gtest.h>

#include <atomic>
#include <poll.h>
#include <pty.h>
#include <thread>
#include <unistd.h>

namespace {

CTrafficWindow* OpenTraffic(const SimPanel& p)
{
    p.frame->OnCommand(ID_PANELS_TRAFFIC);
    return p.frame->TrafficWindow();
}

void SetBaud(const SimPanel& p, int index, const QString& baud, const QString& data = QStringLiteral("8"))
{
    auto* store = static_cast<CSettingObj*>(p.app->m_panels.FindByStringId(IDS_SETTING_PANEL));
    store->SetChannelSettings(index, baud, data, "None", "1", "None", 0, "NORMAL");
}

// Runs the patterns a while, stops them, and lets the lines drain; the time they were stopped.
std::int64_t RunPatterns(CTrafficWindow* w, std::initializer_list<int> channels, int ms)
{
    QTest::qWait(ms);
    for (int ch : channels)
        QTest::mouseClick(w->PatternButton(ch), Qt::LeftButton);
    const std::int64_t stopped = w->Monitor().NowMs();
    for (int i = 0; i < 100 && w->Monitor().Lane(*channels.begin()).state != PatternLane::Done; ++i)
        QTest::qWait(20);
    return stopped;
}

std::vector<std::uint64_t> Counts(const PatternLane& lane)
{
    const CheckCounts& c = lane.checker.Counts();
    return { c.wrong, c.missing, c.repeated, c.received - c.matched };
}

const std::vector<std::uint64_t> kClean { 0, 0, 0, 0 };

} // namespace

TEST(Traffic, NonLivePatternIsCleanWhileTheLoopTestGoesOnBesideIt)
{
    SimPanel p(QString(), QString(), {}, Libraries::None);
    CTrafficWindow* w = OpenTraffic(p);
    ASSERT_TRUE(w && w->isVisible() && w->isWindow() && !w->isModal());
    w->PatternKind(4)->setCurrentIndex(1); // a text line on channel 4
    QTest::mouseClick(w->PatternButton(1), Qt::LeftButton);
    QTest::mouseClick(w->PatternButton(4), Qt::LeftButton);
    EXPECT_TRUE(w->Monitor().Lane(1).state == PatternLane::Armed && w->PatternButton(1)->text() == "Stop"
        && !w->PatternKind(1)->isEnabled() && !w->PatternReturn(1)->isEnabled()) << "waits for Start Test; can be called off";
    p.StartStop();
    QTest::keyClicks(p.Main()->Channel(2)->TransBox(), "hi\r");
    const std::int64_t stoppedAt = RunPatterns(w, { 1, 4 }, 700);
    for (int ch : { 1, 4 }) {
        const PatternLane& lane = w->Monitor().Lane(ch);
        EXPECT_TRUE(lane.state == PatternLane::Done && lane.endMs <= stoppedAt) << "its time ends at Stop, not after the drain";
        EXPECT_EQ(Counts(lane), kClean) << ch;
        EXPECT_GT(lane.generator.Sent(), 300u) << "paced on its own timer, not 39 bytes a tick";
        EXPECT_TRUE(lane.checker.Counts().matched == lane.generator.Sent() && w->Monitor().Counters(ch).sent == lane.generator.Sent());
        EXPECT_EQ(w->Monitor().Counters(ch).received, lane.checker.Counts().received) << "counted and logged as received";
        EXPECT_NE(w->Monitor().Report(ch).find("Wrong: 0\nMissing: 0\n"), std::string::npos);
    }
    EXPECT_EQ(p.Main()->Channel(1)->RecvBox()->text(), QString()) << "the loop test left channel 1 alone";
    EXPECT_EQ(p.Main()->Channel(2)->RecvBox()->text(), QStringLiteral("hi"));
    EXPECT_EQ(w->Monitor().Counters(2).sent, 3u);
    const std::uint64_t events = w->Monitor().Log().NextNumber();
    w->Monitor().OnReceived(2, "x", 0), w->Monitor().OnSent(2, "x", 0); // a read or write of nothing is no event
    EXPECT_EQ(w->Monitor().Log().NextNumber(), events);
    w->Refresh();
    EXPECT_EQ(w->CounterTable()->item(1, 1)->text() + w->CounterTable()->item(1, 6)->text(), "3960");
    EXPECT_TRUE(w->PatternStatus(4)->text().startsWith("4 \u2192 4 done ")) << w->PatternStatus(4)->text().toStdString();
    EXPECT_TRUE(w->PatternStatus(4)->text().contains(", wrong 0, missing 0, repeated 0\n"));
    EXPECT_EQ(w->PatternStatus(4)->text().count('\n'), 1) << "drained to the end: no reason given";
    EXPECT_EQ(w->DroppedLabel()->text(), QString::number(w->Monitor().Log().Size()) + " events, 0 dropped");
    QScrollBar* scroll = w->LogView()->verticalScrollBar();
    EXPECT_TRUE(scroll->maximum() > 0 && scroll->value() == scroll->maximum()) << "follows the newest line";
    w->Filter()->setCurrentIndex(2);
    w->Refresh();
    ASSERT_EQ(w->LogModel().rowCount(), 2);
    EXPECT_TRUE(w->LogModel().Line(0).endsWith(" Ch2 sent 3 'hi\\r'")) << w->LogModel().Line(0).toStdString();
    QSignalSpy redrawn(&w->LogModel(), &QAbstractItemModel::dataChanged);
    w->HexToggle()->setChecked(true);
    ASSERT_EQ(redrawn.size(), 1) << "the shown lines are drawn again in hex";
    EXPECT_EQ(redrawn[0][1].toModelIndex().row(), 1);
    EXPECT_TRUE(w->LogModel().Line(1).endsWith(" Ch2 recv 3 68 69 0D")) << w->LogModel().Line(1).toStdString();
    QWidget* lines = w->LogView()->viewport();
    for (int row : { 0, 1 })
        QTest::mouseClick(lines, Qt::LeftButton, row ? Qt::ShiftModifier : Qt::NoModifier,
            w->LogView()->visualRect(w->LogModel().index(row)).center());
    QTest::keyClick(w->LogView(), Qt::Key_C, Qt::ControlModifier);
    EXPECT_EQ(
        QGuiApplication::clipboard()->text(), w->LogModel().Line(0) + '\n' + w->LogModel().Line(1) + '\n');

    QTemporaryDir dir;
    QString saved = dir.filePath("saved.log");
    p.recorder.onDialog = [&](QDialog& d) {
        EXPECT_TRUE(static_cast<QFileDialog&>(d).acceptMode() == QFileDialog::AcceptSave // the same dialog on every desktop
            && static_cast<QFileDialog&>(d).testOption(QFileDialog::DontUseNativeDialog));
        static_cast<QFileDialog&>(d).selectFile(saved);
        return static_cast<int>(QDialog::Accepted);
    };
    w->OnSaveLog();
    QFile file(saved);
    ASSERT_TRUE(file.open(QIODevice::ReadOnly));
    EXPECT_EQ(file.readAll().count('\n'), static_cast<qsizetype>(w->Monitor().Log().Size()));
    p.recorder.onDialog = [&](QDialog& d) { return static_cast<QFileDialog&>(d).selectFile(saved + "2"), 0; };
    w->OnSaveLog(); // Cancel, a file selected or not, saves nothing
    EXPECT_FALSE(QFile::exists(saved + "2"));
    saved = QStringLiteral("/proc/tsx4410.log");
    p.recorder.onDialog = [&](QDialog& d) { return static_cast<QFileDialog&>(d).selectFile(saved), 1; };
    w->OnSaveLog();
    EXPECT_TRUE(p.recorder.messages.constLast().startsWith("The log could not be saved: /proc/tsx4410.log: "));
    QTest::mouseClick(w->CopyReportButton(4), Qt::LeftButton);
    QTest::qWait(5); // a finished pattern's report no longer changes
    EXPECT_EQ(QGuiApplication::clipboard()->text().toStdString(), w->Monitor().Report(4));
    for (QPushButton* clear : w->findChildren<QPushButton*>())
        if (clear->text() == "Clear")
            QTest::mouseClick(clear, Qt::LeftButton);
    EXPECT_EQ(w->Monitor().Log().Size() + w->LogModel().rowCount(), 0u);
    QTest::mouseClick(w->PatternButton(3), Qt::LeftButton);
    w->close();
    EXPECT_EQ(CChannel::Observer(), nullptr) << "closed, the window costs the tick nothing";
    EXPECT_EQ(w->Monitor().Lane(3).stopReason, "the Traffic window was closed") << "nothing was on the way";
    p.frame->OnCommand(ID_PANELS_TRAFFIC);
    EXPECT_TRUE(w->PatternStatus(3)->text().contains(" of nominal\nthe Traffic window was closed")) << "shown on opening again";
    w->close(), p.StartStop(), p.frame->OnCommand(ID_PANELS_TRAFFIC); // the test stopped while it was closed
    EXPECT_FALSE(w->Monitor().TestRunning());
    w->close(), p.StartStop(), p.frame->OnCommand(ID_PANELS_TRAFFIC); // and started again
    EXPECT_TRUE(w->Monitor().TestRunning() && w->CounterTable()->item(1, 0)->text() == "0");
}

TEST(Traffic, LineFaultsABusyChannelAndAFailedReadAreCountedExactlyChannelByChannel)
{
    // Its count always says bytes wait, whatever a read brings: the drain still ends when reads bring nothing.
    SimPanel p(VxiBench(R"({"channels":{"1":{"corrupt_one_in":1000,"bytes_waiting":5000},"2":{"busy":true},"3":{"drop_one_in":1}}})",
        R"({"function":"tsx4410_read","channel":4,"from_call":2,"count":1,"status":-1073807339})"));
    SetBaud(p, 0, "38.4k");
    CTrafficWindow* w = OpenTraffic(p);
    p.StartStop();
    for (int ch : { 1, 2, 3, 4 })
        QTest::mouseClick(w->PatternButton(ch), Qt::LeftButton);
    RunPatterns(w, { 1, 3 }, 1200);
    EXPECT_EQ(w->Monitor().Lane(2).generator.Sent(), 0u) << "a channel that says it is busy is sent nothing";
    const CheckCounts& lost = w->Monitor().Lane(3).checker.Counts(); // its line drops every byte: missing once drained
    EXPECT_TRUE(lost.received == 0 && lost.missing == w->Monitor().Lane(3).generator.Sent() && lost.missing > 0);
    const PatternLane& failed = w->Monitor().Lane(4); // its second read failed: ended, and counted on its channel
    EXPECT_TRUE(failed.stopReason.rfind("driver error: ", 0) == 0 && w->Monitor().Counters(4).errors == 1) << failed.stopReason;
    const PatternLane& lane = w->Monitor().Lane(1);
    const CheckCounts& c = lane.checker.Counts();
    EXPECT_TRUE(lane.state == PatternLane::Done && c.received > 3000u);
    EXPECT_EQ(c.wrong, c.received / 1000);
    EXPECT_EQ(c.missing + c.repeated, 0u);
    EXPECT_EQ(lane.checker.First().offset, 999u);
    EXPECT_EQ(lane.checker.First().received.substr(0, 2), std::string("\x18\xE8", 2)) << "0xE7 inverted, then 0xE8";
}

TEST(Traffic, PatternOnAPseudoTerminalPairBothWaysAndTheDevicesWarning)
{
    int m1, s1, m2, s2;
    char n1[64], n2[64];
    ASSERT_EQ(openpty(&m1, &s1, n1, nullptr, nullptr), 0);
    ASSERT_EQ(openpty(&m2, &s2, n2, nullptr, nullptr), 0);
    close(s1), close(s2);
    std::atomic<bool> done { false };
    std::thread cable([&] { // a null-modem cable between the two far ends
        char buf[4096];
        while (!done) {
            pollfd fds[2] = { { m1, POLLIN, 0 }, { m2, POLLIN, 0 } };
            if (poll(fds, 2, 20) <= 0)
                continue;
            for (int i = 0; i < 2; ++i) {
                const ssize_t n = (fds[i].revents & POLLIN) ? read(fds[i].fd, buf, sizeof buf) : 0;
                for (ssize_t at = 0; n > 0 && at < n;)
                    at += std::max<ssize_t>(
                        write(i ? m1 : m2, buf + at, static_cast<std::size_t>(n - at)), 0);
            }
        }
    });
    {
        SimPanel p(
            VxiBench(QStringLiteral(R"({"channels":{"1":{"port":"%1"},"2":{"port":"%2"}}})").arg(n1, n2)));
        SetBaud(p, 0, "38.4k");
        SetBaud(p, 1, "38.4k", "7"); // a pseudo-terminal keeps 8 data bits: a warning
        CTrafficWindow* w = OpenTraffic(p);
        w->PatternReturn(1)->setCurrentIndex(1);
        QTest::mouseClick(w->PatternButton(1), Qt::LeftButton);
        p.StartStop();
        RunPatterns(w, { 1 }, 1000);
        for (int ch : { 1, 2 }) {
            const PatternLane& lane = w->Monitor().Lane(ch);
            EXPECT_EQ(lane.source, 3 - ch);
            EXPECT_EQ(Counts(lane), kClean) << ch;
            EXPECT_EQ(lane.checker.Counts().received, w->Monitor().Lane(3 - ch).generator.Sent()) << ch;
            EXPECT_GT(lane.checker.Counts().received, 1500u) << ch;
        }
        EXPECT_EQ(w->Monitor().Counters(2).warnings, 1u);
        w->Filter()->setCurrentIndex(2);
        w->Refresh();
        EXPECT_TRUE(w->LogModel().Line(0).contains(
            QStringLiteral(" Ch2 warning 1073348609 ") + n2 + ": the device kept"))
            << w->LogModel().Line(0).toStdString();
        p.StartStop();
    }
    done = true;
    cable.join();
    close(m1), close(m2);
}

TEST(Traffic, LogToFileThatCannotBeMadeOrWrittenSaysSoOnceAndStopsNothingElse)
{
    SimPanel p(QString(), QString(), {}, Libraries::None);
    CTrafficWindow* w = OpenTraffic(p);
    QTemporaryDir dir;
    QString target = dir.filePath("events.log");
    p.recorder.onDialog = [&](QDialog& d) {
        static_cast<QFileDialog&>(d).selectFile(target);
        return static_cast<int>(QDialog::Accepted);
    };
    QTest::mouseClick(w->LogToFileButton(), Qt::LeftButton);
    p.StartStop();
    QTest::keyClicks(p.Main()->Channel(4)->TransBox(), "ok");
    p.frame->DispatchTimer();
    ASSERT_TRUE(QTest::qWaitFor([&] { return w->Monitor().FileLog()->Queued() == 0; }, 5000));
    w->Refresh();
    EXPECT_EQ(w->CounterTable()->item(3, 0)->text(), QStringLiteral("2"));
    QFile written(target);
    ASSERT_TRUE(written.open(QIODevice::ReadOnly));
    EXPECT_TRUE(written.readAll().endsWith(" Ch4 sent 2 'ok'\n")) << "on disk within the tick";
    QTest::mouseClick(w->LogToFileButton(), Qt::LeftButton);
    p.StartStop();
    target = QStringLiteral("/proc/tsx4410.log"); // a folder nobody can write, root included
    QTest::mouseClick(w->LogToFileButton(), Qt::LeftButton); // made away from the panel: told on a refresh
    ASSERT_TRUE(QTest::qWaitFor([&] { return p.recorder.messages.size() == 2; }, 5000));
    EXPECT_TRUE(p.recorder.messages[1].contains(QRegularExpression(
        "^Logging to the file has stopped: /proc/tsx4410.log: .*; 0 events did not reach")))
        << p.recorder.messages[1].toStdString();
    EXPECT_EQ(w->Monitor().FileLog(), nullptr);

    target = QStringLiteral("/dev/full"); // opens, then every write fails
    QTest::mouseClick(w->LogToFileButton(), Qt::LeftButton);
    EXPECT_EQ(w->LogToFileButton()->text(), QStringLiteral("Stop Log File"));
    QTest::mouseClick(w->PatternButton(1), Qt::LeftButton);
    p.StartStop();
    QTest::qWait(600);
    EXPECT_TRUE(p.recorder.messages.mid(2).join('|').contains(QRegularExpression(
        "^Logging to the file has stopped: /dev/full: No space left on device; [1-9]\\d* events did not")))
        << p.recorder.messages.join('|').toStdString();
    EXPECT_EQ(w->Monitor().FileLog(), nullptr);
    EXPECT_EQ(w->Monitor().Lane(1).state, PatternLane::Running) << "the test goes on";
    EXPECT_TRUE(p.frame->IsTimerRunning());
    p.StartStop(); // Stop! ends the pattern too: what was on the way is told, not missing
    EXPECT_EQ(w->Monitor().Lane(1).checker.Counts().missing, 0u);
    EXPECT_EQ(w->Monitor().Lane(1).stopReason.rfind("the test was stopped", 0), 0u);
    w->Refresh();
    EXPECT_TRUE(w->PatternStatus(1)->text().contains(" of nominal\nthe test was stopped")) << w->PatternStatus(1)->text().toStdString();
    EXPECT_TRUE(
        TrafficLogFileName(QDateTime(QDate(2026, 1, 2), QTime(3, 4, 5))) == "tsx4410-20260102-030405.log");
}

// Exit with the window open, a pattern running and a log file: every event in the file, nothing left watching.
TEST(Traffic, ExitWithAPatternRunningAndTheLogGoingToAFileLosesNothing)
{
    SimPanel p(VxiBench());
    CTrafficWindow* w = OpenTraffic(p);
    QTemporaryDir dir;
    p.recorder.onDialog = [&](QDialog& d) {
        static_cast<QFileDialog&>(d).selectFile(dir.filePath("exit.log"));
        return static_cast<int>(QDialog::Accepted);
    };
    QTest::mouseClick(w->LogToFileButton(), Qt::LeftButton);
    QTest::mouseClick(w->PatternButton(1), Qt::LeftButton);
    p.StartStop();
    QTest::qWait(100);
    const qsizetype events = static_cast<qsizetype>(w->Monitor().Log().NextNumber());
    p.frame->OnCommand(ID_APP_EXIT);
    ProcessEvents();
    EXPECT_EQ(CChannel::Observer(), nullptr);
    QFile file(dir.filePath("exit.log"));
    ASSERT_TRUE(file.open(QIODevice::ReadOnly | QIODevice::Unbuffered));
    QByteArray written; // exit does not wait for the file: its thread finishes it alone
    const auto whole = [&] { return written.count('\n') >= events && written.endsWith('\n'); };
    for (int i = 0; i < 500 && !whole(); ++i, QTest::qSleep(10))
        written += file.readAll();
    EXPECT_TRUE(whole()) << written.count('\n') << " of " << events;
}
