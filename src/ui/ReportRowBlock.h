#pragma once

#include "engine/ReportRow.h"

#include <QString>
#include <QtGlobal>

#include <vector>

// A run of report rows stored compactly: the operation as an index into the block's few distinct
// operation texts, the names' characters one after the other in one buffer, times and size as
// numbers. A run's worker fills a block while the interface shows the blocks it already has; the
// block changes hands whole, so the copying and the memory it touches stay on the worker.
class CReportRowBlock {
public:
    // A block the worker starts is closed at this many rows.
    static constexpr int MaxRows = 8192;

    virtual ~CReportRowBlock() = default;

    void Add(const ReportRow &row);
    // Adds the rows of another block after these.
    void Append(const CReportRowBlock &other);

    int Size() const { return int(m_rows.size()); }
    bool Full() const { return Size() >= MaxRows; }

    QString Operation(int row) const;
    QString Name(int row) const;
    qint64 MasterTime(int row) const { return m_rows[size_t(row)].masterTime; }
    qint64 BackupTime(int row) const { return m_rows[size_t(row)].backupTime; }
    bool SizeShown(int row) const { return (m_rows[size_t(row)].operation & SizeShownBit) != 0; }
    quint64 FileSize(int row) const { return m_rows[size_t(row)].size; }
    ReportRow Row(int row) const;

    // Bytes held, the object itself included, and the part of them that is names' characters.
    size_t StorageBytes() const;
    size_t NameChars() const { return m_names.size(); }

private:
    struct StoredRow {
        quint32 nameOffset = 0;
        quint32 nameLength = 0;
        quint32 operation = 0;      // index into m_operations; the top bit says a size is shown
        qint64 masterTime = 0;
        qint64 backupTime = 0;
        quint64 size = 0;
    };
    static constexpr quint32 SizeShownBit = 0x80000000u;

    quint32 OperationIndex(const QString &operation);

    std::vector<StoredRow> m_rows;
    std::vector<char16_t> m_names;
    std::vector<QString> m_operations;
    quint32 m_recentOperation = 0;
};
