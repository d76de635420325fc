#include "ui/ReportListModel.h"

#include "platform/Text.h"
#include "res/StringIds.h"

#include <algorithm>

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
    return parent.isValid() ? 0 : m_count;
}

int CReportListModel::columnCount(const QModelIndex &parent) const
{
    return parent.isValid() ? 0 : ColumnCount;
}

QVariant CReportListModel::data(const QModelIndex &index, int role) const
{
    if (!index.isValid() || index.row() >= m_count)
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

std::pair<const CReportRowBlock *, int> CReportListModel::Locate(int row) const
{
    const auto after = std::upper_bound(m_starts.begin(), m_starts.end(), row);
    const size_t block = size_t(after - m_starts.begin()) - 1;
    return {m_blocks[block].get(), row - m_starts[block]};
}

QString CReportListModel::Text(int row, Column column) const
{
    const auto [block, at] = Locate(row);
    const qint64 master = block->MasterTime(at);
    const qint64 backup = block->BackupTime(at);
    // A row without any time (start, end, error rows) shows neither time nor size.
    const bool timed = master != 0 || backup != 0;
    switch (column) {
    case Operation: return block->Operation(at);
    case Name: return block->Name(at);
    case MasterTime: return timed ? FormatTime(master) : QString();
    case BackupTime: return timed ? FormatTime(backup) : QString();
    case Size:
        if (!timed)
            return QString();
        return block->SizeShown(at) ? FormatSize(block->FileSize(at)) : QStringLiteral(" ");
    case ColumnCount: break;
    }
    return QString();
}

ReportRow CReportListModel::Row(int row) const
{
    const auto [block, at] = Locate(row);
    return block->Row(at);
}

QString CReportListModel::FormatTime(qint64 seconds)
{
    if (seconds == 0)
        return NoTime;
    static const QString format = LoadResString(IDS_FMT_DATE_TIME);
    return FormatLocalDateTime(seconds, format).value_or(NoTime);
}

void CReportListModel::Append(Blocks blocks)
{
    std::erase_if(blocks, [](const auto &block) { return !block || block->Size() == 0; });
    if (blocks.empty())
        return;
    int added = 0;
    for (const auto &block : blocks)
        added += block->Size();
    beginInsertRows(QModelIndex(), m_count, m_count + added - 1);
    for (auto &block : blocks) {
        CReportRowBlock *last = m_blocks.empty() ? nullptr : m_blocks.back().get();
        if (last && block->Size() < JoinBelow && last->Size() + block->Size() <= CReportRowBlock::MaxRows) {
            last->Append(*block);
        } else {
            m_starts.push_back(m_count);
            m_blocks.push_back(std::move(block));
        }
        m_count = m_starts.back() + m_blocks.back()->Size();
    }
    endInsertRows();
}

void CReportListModel::Append(std::span<const ReportRow> rows)
{
    Blocks blocks;
    for (const ReportRow &row : rows) {
        if (blocks.empty() || blocks.back()->Full())
            blocks.push_back(std::make_unique<CReportRowBlock>());
        blocks.back()->Add(row);
    }
    Append(std::move(blocks));
}

void CReportListModel::Clear()
{
    beginResetModel();
    Blocks().swap(m_blocks);
    std::vector<int>().swap(m_starts);
    m_count = 0;
    endResetModel();
}

size_t CReportListModel::StorageBytes() const
{
    size_t bytes = m_blocks.capacity() * sizeof(m_blocks[0]) + m_starts.capacity() * sizeof(int);
    for (const auto &block : m_blocks)
        bytes += block->StorageBytes();
    return bytes;
}

size_t CReportListModel::NameBytes() const
{
    size_t characters = 0;
    for (const auto &block : m_blocks)
        characters += block->NameChars();
    return characters * sizeof(char16_t);
}
