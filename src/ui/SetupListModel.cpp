#include "ui/SetupListModel.h"

#include "model/MirroringDefine.h"
#include "model/SettingListText.h"

CSetupListModel::CSetupListModel(const CMirroringDefine &table, QObject *parent)
    : QAbstractTableModel(parent), m_table(table)
{
}

int CSetupListModel::rowCount(const QModelIndex &parent) const
{
    return parent.isValid() ? 0 : m_rows;
}

int CSetupListModel::columnCount(const QModelIndex &parent) const
{
    return parent.isValid() ? 0 : SettingListColumnCount;
}

QVariant CSetupListModel::data(const QModelIndex &index, int role) const
{
    if (!index.isValid() || !HasRow(index.row()))
        return {};
    const CFolderSetting &record = m_table.Records()[index.row()];
    const auto column = SettingListColumn(index.column());
    switch (role) {
    case Qt::DisplayRole:
        return column == SettingListColumn::Auto ? QVariant() : QVariant(CSettingListText::Text(record, column));
    case Qt::CheckStateRole:
        return column == SettingListColumn::Auto ? QVariant(record.AutoExec ? Qt::Checked : Qt::Unchecked) : QVariant();
    case Qt::TextAlignmentRole:
        return column == SettingListColumn::Auto ? QVariant(Qt::AlignCenter) : QVariant(Qt::AlignLeft | Qt::AlignVCenter);
    default:
        return {};
    }
}

QVariant CSetupListModel::headerData(int section, Qt::Orientation orientation, int role) const
{
    if (orientation != Qt::Horizontal || section < 0 || section >= SettingListColumnCount)
        return {};
    if (role == Qt::DisplayRole)
        return CSettingListText::Header(SettingListColumn(section));
    if (role == Qt::TextAlignmentRole)
        return section == int(SettingListColumn::Auto) ? Qt::AlignCenter : Qt::AlignLeft;
    return {};
}

Qt::ItemFlags CSetupListModel::flags(const QModelIndex &index) const
{
    if (!index.isValid())
        return Qt::NoItemFlags;
    Qt::ItemFlags result = Qt::ItemIsEnabled | Qt::ItemIsSelectable;
    if (index.column() == int(SettingListColumn::Auto))
        result |= Qt::ItemIsUserCheckable;
    return result;
}

bool CSetupListModel::setData(const QModelIndex &index, const QVariant &value, int role)
{
    if (role != Qt::CheckStateRole || index.column() != int(SettingListColumn::Auto) || !HasRow(index.row()))
        return false;
    const bool ticked = value.value<Qt::CheckState>() == Qt::Checked;
    if (ticked == m_table.Records()[index.row()].AutoExec)
        return false;
    // Queued by the receiver: the list finishes its own handling of the click first.
    emit AutoMarkChanged(index.row());
    return true;
}

void CSetupListModel::Refill()
{
    beginResetModel();
    m_rows = m_table.Count();
    endResetModel();
}

void CSetupListModel::AddRow()
{
    if (m_rows >= CMirroringDefine::Capacity)
        return;
    beginInsertRows(QModelIndex(), m_rows, m_rows);
    ++m_rows;
    endInsertRows();
}

void CSetupListModel::RewriteRow(int row)
{
    if (HasRow(row))
        emit dataChanged(index(row, 0), index(row, SettingListColumnCount - 1));
}

void CSetupListModel::RemoveRow(int row)
{
    if (!HasRow(row))
        return;
    beginRemoveRows(QModelIndex(), row, row);
    --m_rows;
    endRemoveRows();
}
