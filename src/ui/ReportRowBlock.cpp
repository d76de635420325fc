#include "ui/ReportRowBlock.h"

void CReportRowBlock::Add(const ReportRow &row)
{
    StoredRow stored;
    stored.nameOffset = quint32(m_names.size());
    stored.nameLength = quint32(row.name.size());
    stored.operation = OperationIndex(row.operation) | (row.sizeShown ? SizeShownBit : 0u);
    stored.masterTime = row.masterTime;
    stored.backupTime = row.backupTime;
    stored.size = row.size;
    m_names.insert(m_names.end(), row.name.utf16(), row.name.utf16() + row.name.size());
    m_rows.push_back(stored);
}

void CReportRowBlock::Append(const CReportRowBlock &other)
{
    const auto nameBase = quint32(m_names.size());
    m_names.insert(m_names.end(), other.m_names.begin(), other.m_names.end());
    for (StoredRow row : other.m_rows) {
        const quint32 sizeShown = row.operation & SizeShownBit;
        row.operation = OperationIndex(other.m_operations[row.operation & ~SizeShownBit]) | sizeShown;
        row.nameOffset += nameBase;
        m_rows.push_back(row);
    }
}

QString CReportRowBlock::Operation(int row) const
{
    return m_operations[m_rows[size_t(row)].operation & ~SizeShownBit];
}

QString CReportRowBlock::Name(int row) const
{
    const StoredRow &stored = m_rows[size_t(row)];
    return QString(reinterpret_cast<const QChar *>(m_names.data() + stored.nameOffset), qsizetype(stored.nameLength));
}

ReportRow CReportRowBlock::Row(int row) const
{
    return {.operation = Operation(row),
            .name = Name(row),
            .masterTime = MasterTime(row),
            .backupTime = BackupTime(row),
            .sizeShown = SizeShown(row),
            .size = FileSize(row)};
}

size_t CReportRowBlock::StorageBytes() const
{
    size_t operations = m_operations.capacity() * sizeof(QString);
    for (const QString &text : m_operations)
        operations += size_t(text.capacity()) * sizeof(char16_t);
    return sizeof(*this) + m_rows.capacity() * sizeof(StoredRow) + m_names.capacity() * sizeof(char16_t) + operations;
}

quint32 CReportRowBlock::OperationIndex(const QString &operation)
{
    // Rows come in runs of the same operation, and a run knows only a dozen of them.
    if (m_recentOperation < m_operations.size() && m_operations[m_recentOperation] == operation)
        return m_recentOperation;
    for (quint32 index = 0; index < m_operations.size(); ++index) {
        if (m_operations[index] == operation)
            return m_recentOperation = index;
    }
    m_operations.push_back(operation);
    return m_recentOperation = quint32(m_operations.size() - 1);
}
