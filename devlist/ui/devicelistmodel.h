#pragma once
#include <QAbstractTableModel>
#include <QString>

#include <cstddef>

class DeviceList;
struct DeviceRecord;

#include "windowtext.h"

// Texts of the six list columns (windowtext.h). `row` is only used by column 0.
QString DeviceCellText(const DeviceRecord& record, std::size_t row, int column);
QString DeviceColumnTitle(int column);
int DeviceColumnWidth(int column);

// The list view's model over the window's DeviceList. The list is read on demand, so a list of
// a million records costs nothing until rows become visible. The model keeps its own row count,
// the number of rows the view has been told about: the window changes the list first and then
// brings the rows in line with SyncRows(), so rows only ever come and go at the end.
class DeviceListModel : public QAbstractTableModel {
    Q_OBJECT
public:
    explicit DeviceListModel(const DeviceList& list, QObject* parent = nullptr);

    int rowCount(const QModelIndex& parent = QModelIndex()) const override;
    int columnCount(const QModelIndex& parent = QModelIndex()) const override;
    QVariant data(const QModelIndex& index, int role = Qt::DisplayRole) const override;
    QVariant headerData(int section, Qt::Orientation orientation, int role = Qt::DisplayRole) const override;

    // Adds or removes rows at the end until the view shows one row per record, then tells the
    // view that the text columns of every remaining row may have changed.
    void SyncRows();

private:
    const DeviceList& m_list;
    int m_nRows = 0;
};
