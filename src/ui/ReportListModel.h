#pragma once

#include "engine/ReportRow.h"
#include "ui/ReportRowBlock.h"

#include <QAbstractTableModel>

#include <memory>
#include <span>
#include <vector>

// The rows of the report list, since a run over a large tree reports a row per item: held in
// compact blocks that a run's worker fills (see CReportRowBlock), texts made only when a row is
// shown.
class CReportListModel : public QAbstractTableModel {
    Q_OBJECT

public:
    enum Column { Operation, Name, MasterTime, BackupTime, Size, ColumnCount };
    using Blocks = std::vector<std::unique_ptr<CReportRowBlock>>;

    explicit CReportListModel(QObject *parent = nullptr);
    ~CReportListModel() override;

    int rowCount(const QModelIndex &parent = QModelIndex()) const override;
    int columnCount(const QModelIndex &parent = QModelIndex()) const override;
    QVariant data(const QModelIndex &index, int role = Qt::DisplayRole) const override;
    QVariant headerData(int section, Qt::Orientation orientation, int role = Qt::DisplayRole) const override;

    // Adds the blocks' rows after the last one, all in one insertion.
    void Append(Blocks blocks);
    void Append(std::span<const ReportRow> rows);
    void Clear();

    // A row as it was added.
    ReportRow Row(int row) const;
    // The text a cell shows.
    QString Text(int row, Column column) const;

    // Bytes the rows take, and the part of them that is the names' characters.
    size_t StorageBytes() const;
    size_t NameBytes() const;

    // A last-write time as the list shows it: local time, or the mark of a missing time for 0.
    static QString FormatTime(qint64 seconds);

private:
    // A block smaller than this joins the last one when both fit in one: a slow run hands over
    // a few rows at a time, and a block per handful would cost more than the rows.
    static constexpr int JoinBelow = 1024;

    // The block that holds a row, and the row's place in it.
    std::pair<const CReportRowBlock *, int> Locate(int row) const;

    Blocks m_blocks;
    std::vector<int> m_starts;   // the first row of each block
    int m_count = 0;
};
