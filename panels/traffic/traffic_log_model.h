#pragma once
#include "panels/traffic/traffic_log.h"

#include <QAbstractListModel>

#include <deque>

// The log as rows for a list view: the events of one channel or of all, by
// their numbers, kept in step with the log by Sync.
class CTrafficLogModel : public QAbstractListModel {
    Q_OBJECT
public:
    explicit CTrafficLogModel(const CTrafficLog& log, QObject* parent = nullptr);
    int rowCount(const QModelIndex& parent = QModelIndex()) const override;
    QVariant data(const QModelIndex& index, int role) const override;

    // Drops rows whose events left the log, appends the new ones.
    void Sync();
    void SetFilter(int channel); // 0 for all
    void SetHex(bool hex);
    void Redraw(); // the shown rows again (a text looked up since)
    bool Hex() const { return m_hex; }
    QString Line(int row) const;

private:
    void Rebuild();

    const CTrafficLog& m_log;
    std::deque<std::uint64_t> m_rows;
    std::uint64_t m_seen = 0;
    int m_filter = 0;
    bool m_hex = false;
};
