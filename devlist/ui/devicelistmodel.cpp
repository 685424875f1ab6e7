#include "devicelistmodel.h"

#include "gbk.h"
#include "record.h"
#include "recordtext.h"

#include <climits>

namespace {

}  // namespace

QString DeviceColumnTitle(int column)
{
    if (column < 0 || column >= COL_COUNT) return {};
    return QString::fromUtf8(kDeviceColumns[column].title);
}

int DeviceColumnWidth(int column)
{
    if (column < 0 || column >= COL_COUNT) return 0;
    return kDeviceColumns[column].width;
}

QString DeviceCellText(const DeviceRecord& r, std::size_t row, int column)
{
    return QString::fromStdString(DeviceCellUtf8(r, row, column));
}

DeviceListModel::DeviceListModel(const DeviceList& list, QObject* parent)
    : QAbstractTableModel(parent), m_list(list)
{
}

int DeviceListModel::rowCount(const QModelIndex& parent) const
{
    return parent.isValid() ? 0 : m_nRows;
}

int DeviceListModel::columnCount(const QModelIndex& parent) const
{
    return parent.isValid() ? 0 : COL_COUNT;
}

QVariant DeviceListModel::data(const QModelIndex& index, int role) const
{
    if (!index.isValid()) return {};
    if (role == Qt::TextAlignmentRole) return QVariant::fromValue(Qt::Alignment(Qt::AlignCenter));
    if (role != Qt::DisplayRole) return {};
    const auto row = static_cast<std::size_t>(index.row());
    // The list may already be shorter than the rows the view knows: a question shown between a
    // change and the refill lets the view repaint before the rows are brought in line.
    if (row >= m_list.Count()) return {};
    return DeviceCellText(*m_list.At(row), row, index.column());
}

QVariant DeviceListModel::headerData(int section, Qt::Orientation orientation, int role) const
{
    if (orientation != Qt::Horizontal) return {};
    if (role == Qt::DisplayRole) return DeviceColumnTitle(section);
    if (role == Qt::TextAlignmentRole) return QVariant::fromValue(Qt::Alignment(Qt::AlignCenter));
    return {};
}

void DeviceListModel::SyncRows()
{
    const std::size_t count = m_list.Count();
    // A view cannot hold more rows than an int counts; records past that stay in the list and
    // in saved files but are not shown.
    const int n = count > static_cast<std::size_t>(INT_MAX) ? INT_MAX : static_cast<int>(count);
    if (n > m_nRows) {
        beginInsertRows(QModelIndex(), m_nRows, n - 1);
        m_nRows = n;
        endInsertRows();
    } else if (n < m_nRows) {
        beginRemoveRows(QModelIndex(), n, m_nRows - 1);
        m_nRows = n;
        endRemoveRows();
    }
    if (m_nRows > 0) emit dataChanged(index(0, COL_NAME), index(m_nRows - 1, COL_COUNT - 1), {Qt::DisplayRole});
}
