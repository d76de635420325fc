#pragma once

#include <QAbstractTableModel>

class CMirroringDefine;

// The folder-setting list's rows over the view's table. Like the rows of a list control, they
// follow the table only when told: the view changes the table, then says which rows changed.
// The auto mark is the one thing the user changes here; the model reports it and leaves the
// table to the view.
class CSetupListModel : public QAbstractTableModel {
    Q_OBJECT

public:
    explicit CSetupListModel(const CMirroringDefine &table, QObject *parent = nullptr);

    int rowCount(const QModelIndex &parent = QModelIndex()) const override;
    int columnCount(const QModelIndex &parent = QModelIndex()) const override;
    QVariant data(const QModelIndex &index, int role = Qt::DisplayRole) const override;
    QVariant headerData(int section, Qt::Orientation orientation, int role = Qt::DisplayRole) const override;
    Qt::ItemFlags flags(const QModelIndex &index) const override;
    // Only the user's change of a check box comes here.
    bool setData(const QModelIndex &index, const QVariant &value, int role = Qt::EditRole) override;

    // One row per record in use.
    void Refill();
    // The record after the last row is now in use.
    void AddRow();
    void RewriteRow(int row);
    // The row's record is gone; the following records moved up one place.
    void RemoveRow(int row);

Q_SIGNALS:
    // The user ticked or cleared the auto mark of a row; the record is unchanged.
    void AutoMarkChanged(int row);

private:
    bool HasRow(int row) const { return row >= 0 && row < m_rows; }

    const CMirroringDefine &m_table;
    int m_rows = 0;
};
