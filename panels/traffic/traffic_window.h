#pragma once
// The Traffic window: a top-level window of its own beside the main window.
// Counters per channel, the pattern tests, and the log of every event, with
// saving and logging to a file. It observes the channels while it is shown.
#include "panels/traffic/traffic_log_model.h"
#include "panels/traffic/traffic_monitor.h"

#include <QWidget>

#include <array>
#include <deque>

class QCheckBox;
class QComboBox;
class QLabel;
class QLineEdit;
class QListView;
class QPushButton;
class QTableWidget;

class CTrafficWindow : public QWidget {
    Q_OBJECT
public:
    static constexpr int kRefreshMs = 500;
    static constexpr int kStoppedFileGraceMs = 1000; // then a stopped log file's backlog is told
    static constexpr int kLineErrorsColumn = 4, kNominalColumn = 7; // of the counter table

    explicit CTrafficWindow(QWidget* parent = nullptr);
    ~CTrafficWindow() override;

    CTrafficMonitor& Monitor() { return m_monitor; }
    CTrafficLogModel& LogModel() { return *m_model; }
    // Brings the shown numbers up to date; the refresh timer calls it.
    void Refresh();

    // Pattern controls of channel 1 to 4.
    QComboBox* PatternKind(int channel) const { return m_rows.at(Row(channel)).kind; }
    QComboBox* PatternReturn(int channel) const { return m_rows.at(Row(channel)).returns; }
    QPushButton* PatternButton(int channel) const { return m_rows.at(Row(channel)).startStop; }
    QLabel* PatternStatus(int channel) const { return m_rows.at(Row(channel)).status; }
    QPushButton* CopyReportButton(int channel) const { return m_rows.at(Row(channel)).copy; }
    QLineEdit* PatternText() const { return m_patternText; }
    QTableWidget* CounterTable() const { return m_counters; }
    QComboBox* Filter() const { return m_filter; }
    QCheckBox* HexToggle() const { return m_hex; }
    QListView* LogView() const { return m_view; }
    QPushButton* LogToFileButton() const { return m_logToFile; }
    QLabel* DroppedLabel() const { return m_dropped; }

    void OnSaveLog();
    void OnLogToFile();
    void OnPatternButton(int channel);
    void OnCopyReport(int channel);
    // The selected log lines, oldest first, one per line, to the clipboard.
    void CopySelectedLines();

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;
    void showEvent(class QShowEvent* event) override;
    void hideEvent(class QHideEvent* event) override;

private:
    struct PatternRow {
        QComboBox* kind = nullptr;
        QComboBox* returns = nullptr;
        QPushButton* startStop = nullptr;
        QLabel* status = nullptr;
        QPushButton* copy = nullptr;
    };
    static std::size_t Row(int channel) { return static_cast<std::size_t>(channel - 1); }
    void BuildPatternRows(class QGridLayout* grid);
    void ShowFileLogFailed(const QString& text);
    // The file name for the save dialogs: the documents folder and the time.
    static QString DefaultLogName();
    QString AskFileName(const QString& title, const QString& suggested);

    CTrafficMonitor m_monitor;
    CTrafficLogModel* m_model = nullptr;
    std::array<PatternRow, CTrafficMonitor::kChannels> m_rows {};
    QLineEdit* m_patternText = nullptr;
    QTableWidget* m_counters = nullptr;
    QComboBox* m_filter = nullptr;
    QCheckBox* m_hex = nullptr;
    QListView* m_view = nullptr;
    QPushButton* m_logToFile = nullptr;
    QLabel* m_dropped = nullptr;
    QTimer* m_refresh = nullptr;
    bool m_follow = true;
};

// "tsx4410-YYYYMMDD-HHMMSS.log" for a moment.
QString TrafficLogFileName(const class QDateTime& when);
