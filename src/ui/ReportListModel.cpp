#include "ui/ReportListModel.h"

#include "platform/Text.h"
#include "res/StringIds.h"

#include <algorithm>
#include <cstring>

namespace {

// Headers of the columns; the program holds them itself, the string table has no number for them.
const char16_t *const Headers[CReportListModel::ColumnCount] = {
    u"処理", u"ファイル名", u"マスター側", u"バックアップ側", u"サイズ",
};
const QString NoTime = QStringLiteral("--/--/-- --:--:--");

Qt::Alignment Alignment(int column)
{
    return (column == CReportListModel::Size ? Qt::AlignRight : Qt::AlignLeft) | Qt::AlignVCenter;
}

} // namespace

CReportListModel::CReportListModel(QObject *parent) : QAbstractTableModel(parent) {}

CReportListModel::~CReportListModel() = default;

int CReportListModel::rowCount(const QModelIndex &parent) const
{
    return parent.isValid() ? 0 : int(m_rows.size());
}

int CReportListModel::columnCount(const QModelIndex &parent) const
{
    return parent.isValid() ? 0 : ColumnCount;
}

QVariant CReportListModel::data(const QModelIndex &index, int role) const
{
    if (!index.isValid() || index.row() >= int(m_rows.size()))
        return {};
    if (role == Qt::DisplayRole)
        return Text(index.row(), Column(index.column()));
    if (role == Qt::TextAlignmentRole)
        return QVariant::fromValue(Alignment(index.column()));
    return {};
}

QVariant CReportListModel::headerData(int section, Qt::Orientation orientation, int role) const
{
    if (orientation != Qt::Horizontal || section < 0 || section >= ColumnCount)
        return {};
    if (role == Qt::DisplayRole)
        return QString::fromUtf16(Headers[section]);
    if (role == Qt::TextAlignmentRole)
        return QVariant::fromValue(Alignment(section));
    return {};
}

QString CReportListModel::Text(int row, Column column) const
{
    const StoredRow &entry = m_rows[size_t(row)];
    const bool timed = entry.masterTime != 0 || entry.backupTime != 0;
    switch (column) {
    case Operation: return m_operations.value(int(entry.operation & ~SizeShownBit));
    case Name: return QString(reinterpret_cast<const QChar *>(entry.name), qsizetype(entry.nameLength));
    // A row without any time (start, end, error rows) shows neither time nor size.
    case MasterTime: return timed ? FormatTime(entry.masterTime) : QString();
    case BackupTime: return timed ? FormatTime(entry.backupTime) : QString();
    case Size:
        if (!timed)
            return QString();
        return (entry.operation & SizeShownBit) ? FormatSize(entry.size) : QStringLiteral(" ");
    case ColumnCount: break;
    }
    return QString();
}

ReportRow CReportListModel::Row(int row) const
{
    const StoredRow &entry = m_rows[size_t(row)];
    return {.operation = Text(row, Operation),
            .name = Text(row, Name),
            .masterTime = entry.masterTime,
            .backupTime = entry.backupTime,
            .sizeShown = (entry.operation & SizeShownBit) != 0,
            .size = entry.size};
}

QString CReportListModel::FormatTime(qint64 seconds)
{
    if (seconds == 0)
        return NoTime;
    static const QString format = LoadResString(IDS_FMT_DATE_TIME);
    return FormatLocalDateTime(seconds, format).value_or(NoTime);
}

void CReportListModel::Append(std::span<const ReportRow> rows)
{
    if (rows.empty())
        return;
    const int first = int(m_rows.size());
    beginInsertRows(QModelIndex(), first, first + int(rows.size()) - 1);
    for (const ReportRow &row : rows) {
        StoredRow entry;
        entry.name = StoreName(row.name);
        entry.nameLength = quint32(row.name.size());
        entry.operation = OperationIndex(row.operation) | (row.sizeShown ? SizeShownBit : 0u);
        entry.masterTime = row.masterTime;
        entry.backupTime = row.backupTime;
        entry.size = row.size;
        m_rows.push_back(entry);
    }
    endInsertRows();
}

void CReportListModel::Clear()
{
    beginResetModel();
    std::deque<StoredRow>().swap(m_rows);
    m_chunks.clear();
    m_chunkBytes = 0;
    m_chunkFree = 0;
    m_chunkNext = nullptr;
    m_nameChars = 0;
    endResetModel();
}

size_t CReportListModel::StorageBytes() const
{
    size_t operations = 0;
    for (const QString &text : m_operations)
        operations += sizeof(QString) + size_t(text.size()) * sizeof(char16_t);
    return m_rows.size() * sizeof(StoredRow) + m_chunkBytes + m_chunks.capacity() * sizeof(m_chunks[0]) + operations;
}

quint32 CReportListModel::OperationIndex(const QString &operation)
{
    // Rows come in runs of the same operation: the previous row's is the likely one.
    if (m_recentOperation < quint32(m_operations.size()) && m_operations.at(m_recentOperation) == operation)
        return m_recentOperation;
    const auto found = m_operationIndex.constFind(operation);
    if (found != m_operationIndex.constEnd()) {
        m_recentOperation = *found;
    } else {
        m_recentOperation = quint32(m_operations.size());
        m_operations << operation;
        m_operationIndex.insert(operation, m_recentOperation);
    }
    return m_recentOperation;
}

const char16_t *CReportListModel::StoreName(const QString &name)
{
    const size_t length = size_t(name.size());
    if (length == 0)
        return nullptr;
    if (length > m_chunkFree) {
        const size_t chars = std::max(length, ChunkChars);
        m_chunks.push_back(std::make_unique<char16_t[]>(chars));
        m_chunkBytes += chars * sizeof(char16_t);
        m_chunkNext = m_chunks.back().get();
        m_chunkFree = chars;
    }
    char16_t *stored = m_chunkNext;
    std::memcpy(stored, name.utf16(), length * sizeof(char16_t));
    m_chunkNext += length;
    m_chunkFree -= length;
    m_nameChars += length;
    return stored;
}
