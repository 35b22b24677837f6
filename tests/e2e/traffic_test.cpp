// The Traffic window through the real panel: pattern tests non-live, on a faulty stand-in
// line and on a pseudo-terminal pair; the log, saved and written to files that fail.
#include "common/messages.h"
#include "common/test_support.h"
#include "controls/led_button.h"
#include "controls/transfer_edit.h"
#include "panels/channel.h"
#include "panels/panel_list.h"
#include "panels/setting_panel.h"
#include "panels/traffic/traffic_window.h"
#include "resources/resource_ids.h"

#include <QCheckBox>
#include <QClipboard>
#include <QComboBox>
#include <QDialog>
#include <QElapsedTimer>
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
#include <QTimer>
#include <gtest/gtest.h>

#include <atomic>
#include <poll.h>
#include <pty.h>
#include <sys/stat.h>
#include <thread>
#include <unistd.h>

namespace {

CTrafficWindow* OpenTraffic(const SimPanel& p)
{
    p.frame->OnCommand(ID_PANELS_TRAFFIC);
    return p.frame->TrafficWindow();
}

void SetBaud(const SimPanel& p, int index, const QString& baud, const QString& data = QStringLiteral("8"),
    const QString& parity = QStringLiteral("None"), int check = 0)
{
    auto* store = static_cast<CSettingObj*>(p.app->m_panels.FindByStringId(IDS_SETTING_PANEL));
    store->SetChannelSettings(index, baud, data, parity, "1", "None", check, "NORMAL");
}

// Runs the patterns a while, stops them, and lets the lines drain; the time they were stopped.
std::int64_t RunPatterns(CTrafficWindow* w, std::initializer_list<int> channels, int ms)
{
    QTest::qWait(ms);
    for (int ch : channels)
        QTest::mouseClick(w->PatternButton(ch), Qt::LeftButton);
    const std::int64_t stopped = w->Monitor().NowMs();
    const auto drained = [w] {
        for (int ch = 1; ch <= 4; ++ch)
            if (const PatternLane::State s = w->Monitor().Lane(ch).state; s != PatternLane::Idle && s != PatternLane::Done)
                return false;
        return true;
    };
    for (int i = 0; i < 100 && !drained(); ++i)
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
    const auto labels = w->findChildren<QLabel*>();
    EXPECT_TRUE(std::any_of(labels.begin(), labels.end(), [&](QLabel* l) { return l->buddy() == w->PatternText(); }))
        << "the label names the box for screen readers";
    w->PatternKind(4)->setCurrentIndex(1); // a text line on channel 4
    QTest::mouseClick(w->PatternButton(1), Qt::LeftButton);
    QTest::mouseClick(w->PatternButton(4), Qt::LeftButton);
    EXPECT_TRUE(w->Monitor().Lane(1).state == PatternLane::Armed && w->PatternButton(1)->text() == "Stop"
        && !w->PatternKind(1)->isEnabled() && !w->PatternReturn(1)->isEnabled()) << "waits for Start Test; can be called off";
    p.StartStop();
    QTest::keyClicks(p.Main()->Channel(2)->TransBox(), "hi\r");
    p.recorder.onDialog = [](QDialog&) { return QTest::qWait(600), static_cast<int>(QDialog::Accepted); };
    QTimer::singleShot(200, [] { QDialog d; RunModal(d); }); // a dialog holds the patterns back for a while
    const std::int64_t stoppedAt = RunPatterns(w, { 1, 4 }, 1300);
    for (int ch : { 1, 4 }) {
        const PatternLane& lane = w->Monitor().Lane(ch);
        EXPECT_TRUE(lane.pausedMs >= 550 && lane.pausedMs < 800) << lane.pausedMs << ": its rates leave the pause out";
        EXPECT_TRUE(lane.state == PatternLane::Done && lane.endMs <= std::max(stoppedAt, lane.lastReadMs))
            << "its time ends at Stop or with the drain's last byte, not after the drain's quiet";
        EXPECT_EQ(Counts(lane), kClean) << ch;
        EXPECT_GT(lane.generator.Sent(), 300u) << "paced on its own timer, not 39 bytes a tick";
        EXPECT_TRUE(lane.checker.Counts().matched == lane.generator.Sent() && w->Monitor().Counters(ch).sent == lane.generator.Sent());
        EXPECT_EQ(w->Monitor().Counters(ch).received, lane.checker.Counts().received) << "counted and logged as received";
        EXPECT_NE(w->Monitor().Report(ch).find("Wrong: 0\nMissing: 0\n"), std::string::npos);
    }
    EXPECT_EQ(p.Main()->Channel(1)->RecvBox()->text() + '|' + p.Main()->Channel(2)->RecvBox()->text(), "|hi")
        << "the loop test left channel 1 alone";
    EXPECT_EQ(w->Monitor().Counters(2).sent, 3u);
    const std::uint64_t events = w->Monitor().Log().NextNumber();
    w->Monitor().OnReceived(2, "x", 0), w->Monitor().OnSent(2, "x", 0); // a read or write of nothing is no event
    EXPECT_EQ(w->Monitor().Log().NextNumber(), events);
    w->Refresh();
    EXPECT_EQ(w->CounterTable()->item(1, 1)->text() + w->CounterTable()->item(1, CTrafficWindow::kNominalColumn)->text(), "3960");
    EXPECT_TRUE(w->PatternStatus(4)->text().contains(QRegularExpression("^4 \u2192 4 done .*, wrong 0, missing 0, repeated 0\n[^\n]*$")))
        << "drained to the end: no reason given; " << w->PatternStatus(4)->text().toStdString();
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
    QGuiApplication::clipboard()->clear();
    QTest::keyClick(w->LogView(), Qt::Key_Down, Qt::ControlModifier); // moves the current line, keeps the selection
    EXPECT_TRUE(QGuiApplication::clipboard()->text().isEmpty()) << "only Ctrl+C copies";
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
    EXPECT_EQ(std::vector<std::uint64_t>({ c.wrong, c.missing + c.repeated, lane.checker.First().offset }),
        std::vector<std::uint64_t>({ c.received / 1000, 0, 999 }));
    EXPECT_EQ(lane.checker.First().received.substr(0, 2), std::string("\x18\xE8", 2)) << "0xE7 inverted, then 0xE8";
}

TEST(Traffic, LineErrorsAreCountedByKindAndThePatternGoesOnOverThem)
{
    // Of the bytes arriving at channel 2 from 1, every 1100th is an overrun, else every 700th a framing error,
    // else every 300th a parity error. Channel 3, polled by the panel, loops back with every 2nd byte framed wrong.
    const std::uint64_t every[] = { 300, 700, 1100 };
    SimPanel p(VxiBench(R"({"channels":{"1":{"cable":2},"2":{"parity_error_one_in":300,"framing_error_one_in":700,
        "overrun_one_in":1100},"3":{"framing_error_one_in":2,"pace":"instant"}}})"));
    for (int i : { 0, 1 })
        SetBaud(p, i, "38.4k", "8", "Even", 1);
    CTrafficWindow* w = OpenTraffic(p);
    w->PatternReturn(1)->setCurrentIndex(1);
    QTest::mouseClick(w->PatternButton(1), Qt::LeftButton);
    p.StartStop();
    QTest::keyClicks(p.Main()->Channel(3)->TransBox(), "abcd");
    for (int i = 0; i < 6; ++i)
        p.frame->DispatchTimer(), ProcessEvents(); // the texts are read between ticks
    EXPECT_EQ(p.Main()->Channel(3)->ErrLamp()->State(), CStateLedButton::kLit) << "the panel's failed read: its lamp, no box";
    RunPatterns(w, { 1 }, 1000);
    w->Refresh();
    EXPECT_TRUE(p.recorder.messages.isEmpty()) << p.recorder.messages.join('|').toStdString();
    LineErrorCounts want;
    for (std::uint64_t k = 1; k <= w->Monitor().Lane(1).generator.Sent(); ++k)
        ++*(k % every[2] == 0 ? &want.overruns : k % every[1] == 0 ? &want.framing : k % every[0] == 0 ? &want.parity : &want.breaks);
    want.breaks = 0;
    const PatternLane& rx = w->Monitor().Lane(2);
    EXPECT_TRUE(rx.state == PatternLane::Done && rx.stopReason.empty() && want.parity > 5) << rx.stopReason;
    EXPECT_EQ(Counts(rx), std::vector<std::uint64_t>({ 0, want.parity + want.framing + want.overruns, 0, 0 }));
    EXPECT_EQ(Counts(w->Monitor().Lane(1)), kClean) << "2 -> 1 meets none";
    EXPECT_TRUE(rx.endMs >= rx.lastReadMs && rx.lastReadMs > rx.startMs + 1000) << "what came while it drained took its time too";
    EXPECT_TRUE(rx.lineErrors == want && w->Monitor().Counters(2).line == want && !w->Monitor().Counters(1).line.Any()
        && w->Monitor().Counters(3).line == LineErrorCounts({ 0, 2, 0, 0 }));
    EXPECT_EQ(w->Monitor().Counters(2).errors, want.parity + want.framing + want.overruns) << "one error each";
    const std::string brief = LineErrorsBrief(want);
    QTableWidget* table = w->CounterTable();
    EXPECT_EQ(table->item(1, CTrafficWindow::kLineErrorsColumn)->text().toStdString(), brief);
    EXPECT_GE(table->columnWidth(CTrafficWindow::kLineErrorsColumn),
        table->fontMetrics().horizontalAdvance(QString::fromStdString(brief))) << "read whole, not elided";
    EXPECT_TRUE(w->PatternStatus(1)->text().contains(QString::fromStdString("; line errors " + brief)));
    EXPECT_FALSE(w->PatternStatus(2)->text().contains("line errors"));
    EXPECT_NE(w->Monitor().Report(1).find("Line errors on channel 2: " + std::to_string(want.parity) + " parity, "
        + std::to_string(want.framing) + " framing, " + std::to_string(want.overruns) + " overruns, 0 breaks\n"),
        std::string::npos) << w->Monitor().Report(1);
    EXPECT_NE(p.Main()->Channel(2)->ErrLamp()->State(), CStateLedButton::kLit) << "the window's reads leave the panel's lamps alone";
}

TEST(Traffic, TwoRelayedCablesOfPseudoTerminalsEachLoseOneBurstOnOneStreamAndTheReportsSayWhich)
{
    // Channel n on the n-th pseudo-terminal; a relay plays the null-modem cables 1-2 and 3-4 and loses the
    // bytes 2000 to 2499 of the streams 1 -> 2 and 3 -> 4.
    int far[4], near;
    char names[4][64];
    for (int i = 0; i < 4; ++i)
        ASSERT_EQ(openpty(&far[i], &near, names[i], nullptr, nullptr) + close(near), 0);
    std::atomic<bool> done { false };
    std::thread relay([&] {
        char buf[4096];
        std::uint64_t passed[4] = {};
        while (!done) {
            pollfd fds[4];
            for (int i = 0; i < 4; ++i)
                fds[i] = { far[i], POLLIN, 0 };
            if (poll(fds, 4, 20) <= 0)
                continue;
            for (int i = 0; i < 4; ++i) {
                const ssize_t n = (fds[i].revents & POLLIN) ? read(far[i], buf, sizeof buf) : 0;
                std::string out;
                for (ssize_t k = 0; k < n; ++k, ++passed[i])
                    if (i % 2 || passed[i] < 2000 || passed[i] >= 2500)
                        out += buf[k];
                for (std::size_t at = 0; at < out.size();)
                    at += static_cast<std::size_t>(std::max<ssize_t>(write(far[i ^ 1], out.data() + at, out.size() - at), 0));
            }
        }
    });
    {
        SimPanel p(VxiBench(QStringLiteral(R"({"channels":{"1":{"port":"%1"},"2":{"port":"%2"},"3":{"port":"%3"},"4":{"port":"%4"}}})")
                                .arg(names[0], names[1], names[2], names[3])));
        for (int i = 0; i < 4; ++i)
            SetBaud(p, i, "38.4k", i == 1 ? "7" : "8"); // a pseudo-terminal keeps 8 data bits: a warning
        CTrafficWindow* w = OpenTraffic(p);
        w->PatternKind(1)->setCurrentIndex(1);
        for (int ch : { 1, 3 }) {
            w->PatternReturn(ch)->setCurrentIndex(1);
            QTest::mouseClick(w->PatternButton(ch), Qt::LeftButton);
        }
        p.StartStop();
        RunPatterns(w, { 1, 3 }, 1200);
        for (int ch = 1; ch <= 4; ++ch) {
            const PatternLane& lane = w->Monitor().Lane(ch);
            const std::uint64_t lost = ch % 2 ? 0 : 500, sent = w->Monitor().Lane(lane.source).generator.Sent();
            EXPECT_EQ(lane.source, ch + (ch % 2 ? 1 : -1));
            EXPECT_EQ(Counts(lane), std::vector<std::uint64_t>({ 0, lost, 0, 0 })) << ch;
            EXPECT_TRUE(lane.checker.Counts().received + lost == sent && sent > 3000) << ch << ": " << sent;
            const std::string report = w->Monitor().Report(lane.source), from = std::to_string(lane.source), to = std::to_string(ch);
            for (const std::string& part : { "Pattern test, channel " + from + " \u2192 " + to + "\n", "Checks: the stream from channel "
                     + from + " to channel " + to, "Wrong: 0\nMissing: " + std::to_string(lost) + "\nRepeated: 0\n" })
                EXPECT_NE(report.find(part), std::string::npos) << part << " in\n" << report;
        }
        EXPECT_NE(w->Monitor().Report(1).find("Pattern: text line"), std::string::npos);
        QTest::mouseClick(w->CopyReportButton(1), Qt::LeftButton);
        EXPECT_EQ(QGuiApplication::clipboard()->text().toStdString(), w->Monitor().Report(1) + '\n' + w->Monitor().Report(2));
        EXPECT_EQ(w->Monitor().Counters(2).warnings, 1u);
        w->Filter()->setCurrentIndex(2);
        w->Refresh();
        EXPECT_TRUE(w->LogModel().Line(0).contains(QStringLiteral(" Ch2 warning 1073348609 ") + names[1] + ": the device kept"))
            << w->LogModel().Line(0).toStdString();
        p.StartStop();
    }
    done = true;
    relay.join();
    for (int fd : far)
        close(fd);
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
    target = dir.filePath("fifo.log"); // nobody reads it: the writer never gets it open
    ASSERT_EQ(mkfifo(target.toLocal8Bit().constData(), 0600), 0);
    QTest::mouseClick(w->LogToFileButton(), Qt::LeftButton);
    QTest::qWait(300);
    QElapsedTimer stop;
    stop.start(), QTest::mouseClick(w->LogToFileButton(), Qt::LeftButton);
    EXPECT_LT(stop.elapsed(), 500) << "Stop Log File waits on nothing";
    ASSERT_TRUE(QTest::qWaitFor([&] { return p.recorder.messages.size() == 4; }, 5000));
    EXPECT_TRUE(p.recorder.messages[3].contains(QRegularExpression(
        "^Logging to the file has stopped: .*/fifo.log: the disk is not taking the log; [1-9]\\d* events did not")))
        << p.recorder.messages[3].toStdString();
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
    ASSERT_TRUE(QTest::qWaitFor([&] { return w->Monitor().Log().NextNumber() >= 20; }, 5000));
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
