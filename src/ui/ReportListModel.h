#pragma once

#include "engine/ReportRow.h"

#include <QAbstractTableModel>
#include <QHash>
#include <QStringList>

#include <deque>
#include <memory>
#include <span>
#include <vector>

// The rows of the report list, held compactly, since a run over a large tree reports a row per
// item: the operation as an index into the few distinct operation texts, the name's characters
// once in a shared pool, times and size as numbers. Texts are made only when a row is shown.
class CReportListModel : public QAbstractTableModel {
    Q_OBJECT

public:
    enum Column { Operation, Name, MasterTime, BackupTime, Size, ColumnCount };

    explicit CReportListModel(QObject *parent = nullptr);
    ~CReportListModel() override;

    int rowCount(const QModelIndex &parent = QModelIndex()) const override;
    int columnCount(const QModelIndex &parent = QModelIndex()) const override;
    QVariant data(const QModelIndex &index, int role = Qt::DisplayRole) const override;
    QVariant headerData(int section, Qt::Orientation orientation, int role = Qt::DisplayRole) const override;

    // Adds the rows after the last one, all in one insertion.
    void Append(std::span<const ReportRow> rows);
    void Clear();

    // A row as it was added.
    ReportRow Row(int row) const;
    // The text a cell shows.
    QString Text(int row, Column column) const;

    // Bytes the rows take, and the part of them that is the names' characters.
    size_t StorageBytes() const;
    size_t NameBytes() const { return m_nameChars * sizeof(char16_t); }

    // A last-write time as the list shows it: local time, or the mark of a missing time for 0.
    static QString FormatTime(qint64 seconds);

private:
    struct StoredRow {
        const char16_t *name = nullptr;
        quint32 nameLength = 0;
        quint32 operation = 0;      // index into m_operations; the top bit says a size is shown
        qint64 masterTime = 0;
        qint64 backupTime = 0;
        quint64 size = 0;
    };
    static constexpr quint32 SizeShownBit = 0x80000000u;
    static constexpr size_t ChunkChars = 32768;

    quint32 OperationIndex(const QString &operation);
    const char16_t *StoreName(const QString &name);

    std::deque<StoredRow> m_rows;
    QStringList m_operations;
    QHash<QString, quint32> m_operationIndex;
    quint32 m_recentOperation = 0;
    std::vector<std::unique_ptr<char16_t[]>> m_chunks;
    size_t m_chunkBytes = 0;      // allocated for names
    size_t m_chunkFree = 0;       // characters left in the newest chunk
    char16_t *m_chunkNext = nullptr;
    size_t m_nameChars = 0;
};
