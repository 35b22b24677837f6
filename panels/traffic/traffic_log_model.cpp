#include "panels/traffic/traffic_log_model.h"

#include <algorithm>

CTrafficLogModel::CTrafficLogModel(const CTrafficLog& log, QObject* parent)
    : QAbstractListModel(parent)
    , m_log(log)
{
}

int CTrafficLogModel::rowCount(const QModelIndex& parent) const
{
    return parent.isValid() ? 0 : static_cast<int>(m_rows.size());
}

QString CTrafficLogModel::Line(int row) const
{
    if (row < 0 || static_cast<std::size_t>(row) >= m_rows.size())
        return QString();
    const std::uint64_t number = m_rows[static_cast<std::size_t>(row)];
    if (number < m_log.FirstNumber() || number >= m_log.NextNumber())
        return QString();
    return QString::fromStdString(FormatEvent(m_log.At(number - m_log.FirstNumber()), m_hex));
}

QVariant CTrafficLogModel::data(const QModelIndex& index, int role) const
{
    if (role != Qt::DisplayRole || !index.isValid())
        return QVariant();
    return Line(index.row());
}

void CTrafficLogModel::Sync()
{
    std::size_t gone = 0;
    while (gone < m_rows.size() && m_rows[gone] < m_log.FirstNumber())
        ++gone;
    if (gone > 0) {
        beginRemoveRows(QModelIndex(), 0, static_cast<int>(gone) - 1);
        m_rows.erase(m_rows.begin(), m_rows.begin() + static_cast<std::ptrdiff_t>(gone));
        endRemoveRows();
    }
    std::vector<std::uint64_t> added;
    for (std::uint64_t n = std::max(m_seen, m_log.FirstNumber()); n < m_log.NextNumber(); ++n) {
        if (m_filter == 0 || m_log.At(n - m_log.FirstNumber()).channel == m_filter)
            added.push_back(n);
    }
    m_seen = m_log.NextNumber();
    if (added.empty())
        return;
    const int first = static_cast<int>(m_rows.size());
    beginInsertRows(QModelIndex(), first, first + static_cast<int>(added.size()) - 1);
    m_rows.insert(m_rows.end(), added.begin(), added.end());
    endInsertRows();
}

void CTrafficLogModel::Rebuild()
{
    beginResetModel();
    m_rows.clear();
    m_seen = m_log.FirstNumber();
    endResetModel();
    Sync();
}

void CTrafficLogModel::SetFilter(int channel)
{
    m_filter = channel;
    Rebuild();
}

void CTrafficLogModel::SetHex(bool hex)
{
    m_hex = hex;
    Redraw();
}

void CTrafficLogModel::Redraw()
{
    if (!m_rows.empty())
        emit dataChanged(index(0), index(static_cast<int>(m_rows.size()) - 1));
}
