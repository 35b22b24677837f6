#include "panels/traffic/traffic_window.h"

#include "platform/look.h"
#include "platform/modal_runner.h"

#include <QCheckBox>
#include <QClipboard>
#include <QComboBox>
#include <QDateTime>
#include <QDir>
#include <QFileDialog>
#include <QFileInfo>
#include <QGridLayout>
#include <QGroupBox>
#include <QGuiApplication>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QHideEvent>
#include <QItemSelectionModel>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QListView>
#include <QPushButton>
#include <QSaveFile>
#include <QScrollBar>
#include <QStandardPaths>
#include <QTableWidget>
#include <QTimer>
#include <QVBoxLayout>

#include <algorithm>

namespace {

const char* const kStateNames[] = { "idle", "waiting for Start Test", "running", "finishing", "done" };

QString Count(std::uint64_t n)
{
    return QString::number(static_cast<qulonglong>(n));
}

QString Seconds(std::int64_t ms)
{
    return QString::number(static_cast<double>(ms) / 1000.0, 'f', 1) + " s";
}

} // namespace

QString TrafficLogFileName(const QDateTime& when)
{
    return QStringLiteral("tsx4410-") + when.toString(QStringLiteral("yyyyMMdd-HHmmss"))
        + QStringLiteral(".log");
}

CTrafficWindow::CTrafficWindow(QWidget* parent)
    : QWidget(parent, Qt::Window)
{
    setWindowTitle(QStringLiteral("TSX4410 SFP - Traffic"));
    setObjectName(QStringLiteral("traffic"));
    auto* layout = new QVBoxLayout(this);

    const QStringList columns { "Sent", "Received", "Errors", "Warnings", "Line errors", "In B/s", "Out B/s",
        "Nominal", "Elapsed" };
    m_counters = new QTableWidget(CTrafficMonitor::kChannels, static_cast<int>(columns.size()), this);
    m_counters->setHorizontalHeaderLabels(columns);
    m_counters->setVerticalHeaderLabels({ "Channel 1", "Channel 2", "Channel 3", "Channel 4" });
    m_counters->setEditTriggers(QAbstractItemView::NoEditTriggers);
    m_counters->horizontalHeader()->setSectionResizeMode(QHeaderView::Stretch);
    // The line errors by kind take what their text needs; the numbers share the rest.
    m_counters->horizontalHeader()->setSectionResizeMode(kLineErrorsColumn, QHeaderView::ResizeToContents);
    m_counters->horizontalHeaderItem(kLineErrorsColumn)->setToolTip(
        QStringLiteral("Parity errors, framing errors, overruns and breaks the channel's reads met"));
    m_counters->horizontalHeaderItem(kNominalColumn)->setToolTip(
        QStringLiteral("Bytes per second the line's settings carry at most"));
    m_counters->verticalHeader()->setSectionResizeMode(QHeaderView::Fixed);
    for (int r = 0; r < CTrafficMonitor::kChannels; ++r)
        for (int c = 0; c < m_counters->columnCount(); ++c)
            m_counters->setItem(r, c, new QTableWidgetItem(QStringLiteral("0")));
    m_counters->setFixedHeight(m_counters->horizontalHeader()->sizeHint().height()
        + 4 * m_counters->verticalHeader()->defaultSectionSize() + 4);
    layout->addWidget(m_counters);

    auto* patterns = new QGroupBox(QStringLiteral("Pattern test"), this);
    auto* grid = new QGridLayout(patterns);
    BuildPatternRows(grid);
    layout->addWidget(patterns);

    auto* bar = new QHBoxLayout;
    m_filter = new QComboBox(this);
    m_filter->addItems({ "All channels", "Channel 1", "Channel 2", "Channel 3", "Channel 4" });
    m_hex = new QCheckBox(QStringLiteral("Hex"), this);
    auto* clear = new QPushButton(QStringLiteral("Clear"), this);
    auto* save = new QPushButton(QStringLiteral("Save Log..."), this);
    m_logToFile = new QPushButton(QStringLiteral("Log to File..."), this);
    m_dropped = new QLabel(this);
    for (QWidget* w :
        std::initializer_list<QWidget*> { m_filter, m_hex, clear, save, m_logToFile, m_dropped })
        bar->addWidget(w);
    bar->addStretch();
    layout->addLayout(bar);

    m_model = new CTrafficLogModel(m_monitor.Log(), this);
    m_view = new QListView(this);
    m_view->setModel(m_model);
    m_view->setUniformItemSizes(true);
    m_view->setFont(MonospaceFont());
    m_view->setSelectionMode(QAbstractItemView::ExtendedSelection);
    // The list view alone copies only its current line.
    m_view->installEventFilter(this);
    layout->addWidget(m_view, 1);

    // The view follows the newest line until the operator scrolls up, and
    // again once they scroll back to the end.
    QScrollBar* scroll = m_view->verticalScrollBar();
    connect(scroll, &QScrollBar::valueChanged, this,
        [this, scroll](int value) { m_follow = value >= scroll->maximum(); });
    connect(scroll, &QScrollBar::rangeChanged, this, [this, scroll](int, int max) {
        if (m_follow)
            scroll->setValue(max);
    });
    connect(m_filter, &QComboBox::currentIndexChanged, this, [this](int i) { m_model->SetFilter(i); });
    connect(m_hex, &QCheckBox::toggled, this, [this](bool on) { m_model->SetHex(on); });
    connect(clear, &QPushButton::clicked, this, [this] {
        m_monitor.ClearLog();
        m_model->SetFilter(m_filter->currentIndex());
    });
    connect(save, &QPushButton::clicked, this, [this] { OnSaveLog(); });
    connect(m_logToFile, &QPushButton::clicked, this, [this] { OnLogToFile(); });
    connect(&m_monitor, &CTrafficMonitor::fileLogFailed, this,
        [this](const QString& t) { ShowFileLogFailed(t); });

    m_refresh = new QTimer(this);
    m_refresh->setInterval(kRefreshMs);
    connect(m_refresh, &QTimer::timeout, this, [this] { Refresh(); });
    resize(760, 620);
    Refresh();
}

CTrafficWindow::~CTrafficWindow()
{
    m_monitor.Detach();
}

void CTrafficWindow::BuildPatternRows(QGridLayout* grid)
{
    for (int ch = 1; ch <= CTrafficMonitor::kChannels; ++ch) {
        PatternRow& row = m_rows[Row(ch)];
        row.kind = new QComboBox(this);
        row.kind->addItems({ "Counting 00-FF", "Text line" });
        row.returns = new QComboBox(this);
        row.returns->addItems({ QStringLiteral("Back on channel %1").arg(ch),
            QStringLiteral("Paired with channel %1").arg(CTrafficMonitor::PairedChannel(ch)) });
        row.startStop = new QPushButton(QStringLiteral("Start"), this);
        row.copy = new QPushButton(QStringLiteral("Copy Report"), this);
        row.status = new QLabel(this);
        row.status->setTextInteractionFlags(Qt::TextSelectableByMouse);
        // Its changing text never reflows the window: measuring wrapped text
        // each refresh would cost the panel more than the test itself. The
        // counts take one line, the first mismatch and the reason another.
        row.status->setSizePolicy(QSizePolicy::Ignored, QSizePolicy::Fixed);
        row.status->setMinimumHeight(3 * row.status->fontMetrics().lineSpacing());
        // The counts go on a line of their own under the channel's controls.
        const int r = 2 * (ch - 1);
        grid->addWidget(new QLabel(QStringLiteral("Channel %1").arg(ch), this), r, 0);
        grid->addWidget(row.kind, r, 1);
        grid->addWidget(row.returns, r, 2);
        grid->addWidget(row.startStop, r, 3);
        grid->addWidget(row.copy, r, 4);
        grid->addWidget(row.status, r + 1, 1, 1, 5);
        connect(row.startStop, &QPushButton::clicked, this, [this, ch] { OnPatternButton(ch); });
        connect(row.copy, &QPushButton::clicked, this, [this, ch] { OnCopyReport(ch); });
    }
    grid->setColumnStretch(5, 1);
    grid->setVerticalSpacing(2);
    m_patternText = new QLineEdit(QString::fromStdString(PatternSpec().text), this);
    m_patternText->setAccessibleName(QStringLiteral("Text line"));
    auto* label = new QLabel(QStringLiteral("Text line:"), this);
    label->setBuddy(m_patternText);
    grid->addWidget(label, 2 * CTrafficMonitor::kChannels, 0);
    grid->addWidget(m_patternText, 2 * CTrafficMonitor::kChannels, 1, 1, 5);
}

void CTrafficWindow::showEvent(QShowEvent* event)
{
    m_monitor.Attach();
    m_refresh->start();
    Refresh(); // what changed while it was closed, at once
    QWidget::showEvent(event);
}

void CTrafficWindow::hideEvent(QHideEvent* event)
{
    // Minimised (a hide the window system sends), it goes on working.
    if (event->spontaneous()) {
        QWidget::hideEvent(event);
        return;
    }
    // Closed, the window costs the tick nothing: it stops observing.
    m_monitor.Detach();
    m_refresh->stop();
    QWidget::hideEvent(event);
}

void CTrafficWindow::OnPatternButton(int ch)
{
    const PatternLane::State s = m_monitor.Lane(ch).state;
    if (s == PatternLane::Idle || s == PatternLane::Done) {
        PatternSpec spec;
        spec.kind = PatternKind(ch)->currentIndex() == 1 ? PatternSpec::TextLine : PatternSpec::Counting;
        const QByteArray text = m_patternText->text().toLatin1();
        spec.text = text.isEmpty() ? PatternSpec().text : text.toStdString();
        m_monitor.StartPattern(ch, spec, PatternReturn(ch)->currentIndex() == 1);
    } else {
        m_monitor.StopPattern(ch);
    }
    Refresh();
}

void CTrafficWindow::OnCopyReport(int ch)
{
    // A pair's report gives both directions, this channel's stream first.
    const int to = m_monitor.Patterns().StreamFrom(ch).to;
    const std::string report = m_monitor.Report(ch) + (to != ch ? '\n' + m_monitor.Report(to) : std::string());
    if (QClipboard* clipboard = QGuiApplication::clipboard())
        clipboard->setText(QString::fromStdString(report));
}

void CTrafficWindow::CopySelectedLines()
{
    QModelIndexList rows = m_view->selectionModel()->selectedRows();
    std::sort(rows.begin(), rows.end()); // by row: the log's order
    QString text;
    for (const QModelIndex& row : rows)
        text += m_model->Line(row.row()) + QLatin1Char('\n');
    if (QClipboard* clipboard = QGuiApplication::clipboard(); clipboard && !text.isEmpty())
        clipboard->setText(text);
}

bool CTrafficWindow::eventFilter(QObject* watched, QEvent* event)
{
    if (watched == m_view && event->type() == QEvent::KeyPress
        && static_cast<QKeyEvent*>(event)->matches(QKeySequence::Copy)) {
        CopySelectedLines();
        return true;
    }
    return QWidget::eventFilter(watched, event);
}

void CTrafficWindow::Refresh()
{
    // Texts looked up now show in rows already there, too.
    const bool pending = m_monitor.Recorder().TextsPending();
    m_monitor.ResolveTexts();
    if (pending && !m_monitor.Recorder().TextsPending())
        m_model->Redraw();
    const std::int64_t now = m_monitor.NowMs();
    for (int ch = 1; ch <= CTrafficMonitor::kChannels; ++ch) {
        const ChannelCounters& c = m_monitor.Counters(ch);
        const QString cells[] = { Count(c.sent), Count(c.received), Count(c.errors), Count(c.warnings),
            QString::fromStdString(LineErrorsBrief(c.line)), QString::number(c.in.Rate(now), 'f', 0),
            QString::number(c.out.Rate(now), 'f', 0), QString::number(m_monitor.Nominal(ch), 'f', 0),
            m_monitor.TestRunning() ? Seconds(now) : QStringLiteral("-") };
        for (int col = 0; col < m_counters->columnCount(); ++col) {
            if (QTableWidgetItem* item = m_counters->item(ch - 1, col); item && item->text() != cells[col])
                item->setText(cells[col]);
        }
        // The row shows the stream the channel sends, named by where it goes.
        const CPatternRunner::Stream stream = m_monitor.Patterns().StreamFrom(ch);
        const PatternLane& lane = stream.sender;
        const bool busy = lane.state == PatternLane::Armed || lane.state == PatternLane::Running
            || lane.state == PatternLane::Draining;
        PatternRow& row = m_rows[Row(ch)];
        row.startStop->setText(busy ? QStringLiteral("Stop") : QStringLiteral("Start"));
        row.startStop->setEnabled(lane.state != PatternLane::Draining);
        row.kind->setEnabled(!busy);
        row.returns->setEnabled(!busy);
        row.copy->setEnabled(lane.state != PatternLane::Idle);
        if (lane.state != PatternLane::Idle) { // what runs, also where a partner started it
            row.kind->setCurrentIndex(lane.generator.Spec().kind == PatternSpec::TextLine ? 1 : 0);
            row.returns->setCurrentIndex(stream.to != ch ? 1 : 0);
        }
        const PatternLane& rx = stream.receiver;
        QString status = lane.state == PatternLane::Idle
            ? QString::fromLatin1(kStateNames[lane.state])
            : QStringLiteral("%1 \u2192 %2 %3").arg(stream.from).arg(stream.to).arg(kStateNames[rx.state]);
        if (rx.state != PatternLane::Idle && rx.state != PatternLane::Armed) {
            const CheckCounts& k = rx.checker.Counts();
            const std::int64_t end = rx.state == PatternLane::Running ? now : rx.endMs;
            const double secs = std::max<double>(static_cast<double>(rx.ActiveMs(end)) / 1000.0, 0.001);
            const std::uint64_t sent = lane.generator.Sent();
            // Three lines, each whole at the default width: the counts; the
            // rates and where the stream first went wrong; why it ended.
            status += QStringLiteral(" %1: sent %2, received %3, matched %4, wrong %5, missing %6%7, repeated %8\n"
                                     "%9 / %10 B/s")
                          .arg(Seconds(end - rx.startMs), Count(sent), Count(k.received), Count(k.matched),
                              Count(k.wrong), rx.checker.MissingAtLeast() ? QStringLiteral("\u2265 ") : QString(),
                              Count(k.missing), Count(k.repeated),
                              QString::number(static_cast<double>(sent) / secs, 'f', 0))
                          .arg(QString::number(static_cast<double>(k.received) / secs, 'f', 0));
            if (lane.nominal > 0)
                status += QStringLiteral(", %1 % of nominal")
                              .arg(QString::number(100.0 * static_cast<double>(k.received) / secs / lane.nominal, 'f', 1));
            if (rx.lineErrors.Any())
                status += QStringLiteral("; line errors ") + QString::fromStdString(LineErrorsBrief(rx.lineErrors));
            if (rx.checker.First().found)
                status += QStringLiteral("; first mismatch at byte %1").arg(Count(rx.checker.First().offset));
            QStringList more;
            for (const PatternLane* l : { &lane, &rx }) {
                if (!l->stopReason.empty() && !more.contains(QString::fromStdString(l->stopReason)))
                    more << QString::fromStdString(l->stopReason);
            }
            if (!more.isEmpty())
                status += QLatin1Char('\n') + more.join(QStringLiteral("; "));
        }
        if (row.status->text() != status)
            row.status->setText(status);
    }
    m_model->Sync();
    const CTrafficLog& log = m_monitor.Log();
    m_dropped->setText(QStringLiteral("%1 events, %2 dropped").arg(Count(log.Size()), Count(log.Dropped())));
    m_logToFile->setText(
        m_monitor.FileLog() ? QStringLiteral("Stop Log File") : QStringLiteral("Log to File..."));
}

QString CTrafficWindow::DefaultLogName()
{
    QString folder = QStandardPaths::writableLocation(QStandardPaths::DocumentsLocation);
    if (folder.isEmpty() || !QDir(folder).exists())
        folder = QDir::homePath();
    return QDir(folder).filePath(TrafficLogFileName(QDateTime::currentDateTime()));
}

QString CTrafficWindow::AskFileName(const QString& title, const QString& suggested)
{
    QFileDialog dialog(
        this, title, QFileInfo(suggested).absolutePath(), QStringLiteral("Log files (*.log);;All files (*)"));
    dialog.setAcceptMode(QFileDialog::AcceptSave);
    dialog.setOption(QFileDialog::DontUseNativeDialog);
    dialog.selectFile(QFileInfo(suggested).fileName());
    if (RunModal(dialog) != QDialog::Accepted || dialog.selectedFiles().isEmpty())
        return QString();
    return dialog.selectedFiles().constFirst();
}

void CTrafficWindow::OnSaveLog()
{
    const QString path = AskFileName(QStringLiteral("Save Log"), DefaultLogName());
    if (path.isEmpty())
        return;
    QSaveFile file(path);
    bool ok = file.open(QIODevice::WriteOnly | QIODevice::Text);
    const CTrafficLog& log = m_monitor.Log();
    for (std::size_t i = 0; ok && i < log.Size(); ++i)
        ok = file.write((FormatEvent(log.At(i), m_model->Hex()) + '\n').c_str()) >= 0;
    if (ok)
        ok = file.commit();
    if (!ok)
        SfpMessageBox(QStringLiteral("The log could not be saved: %1: %2").arg(path, file.errorString()));
}

void CTrafficWindow::OnLogToFile()
{
    if (m_monitor.FileLog()) {
        m_monitor.StopFileLog();
        Refresh();
        // A disk that keeps up has written the last lines by then; one that
        // stalls is told about, once, while it keeps what it holds.
        QTimer::singleShot(kStoppedFileGraceMs, this, [this] {
            if (const std::string backlog = m_monitor.Recorder().StoppedFileBacklog(); !backlog.empty())
                SfpMessageBox(QStringLiteral("Logging to the file has stopped: %1").arg(QString::fromStdString(backlog)));
        });
        return;
    }
    const QString path = AskFileName(QStringLiteral("Log to File"), DefaultLogName());
    if (path.isEmpty())
        return;
    QString error;
    if (!m_monitor.StartFileLog(path, &error))
        SfpMessageBox(QStringLiteral("The log file could not be made: %1").arg(error));
    Refresh();
}

void CTrafficWindow::ShowFileLogFailed(const QString& text)
{
    Refresh();
    SfpMessageBox(QStringLiteral("Logging to the file has stopped: %1").arg(text));
}
