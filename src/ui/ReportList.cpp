#include "ui/ReportList.h"

#include "ui/ReportListModel.h"

#include <QContextMenuEvent>
#include <QHeaderView>
#include <QMouseEvent>

CReportList::CReportList(std::array<qint32, 5> &widths, QWidget *parent)
    : QTableView(parent), m_rows(new CReportListModel(this)), m_widths(widths)
{
    setModel(m_rows);
    setSelectionMode(QAbstractItemView::NoSelection);
    setEditTriggers(QAbstractItemView::NoEditTriggers);
    setFocusPolicy(Qt::NoFocus);
    setShowGrid(false);
    setWordWrap(false);
    setSortingEnabled(false);
    setCornerButtonEnabled(false);
    setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
    // Rows of one height and no row headers: the list stays cheap with a million rows.
    verticalHeader()->hide();
    verticalHeader()->setSectionResizeMode(QHeaderView::Fixed);
    verticalHeader()->setDefaultSectionSize(fontMetrics().height() + 4);
    horizontalHeader()->setSectionsMovable(false);
    horizontalHeader()->setStretchLastSection(false);
    horizontalHeader()->setHighlightSections(false);
    for (int column = 0; column < int(m_widths.size()); ++column)
        horizontalHeader()->resizeSection(column, m_widths[size_t(column)]);
    connect(horizontalHeader(), &QHeaderView::sectionResized, this, [this](int column, int, int size) {
        if (column >= 0 && column < int(m_widths.size()))
            m_widths[size_t(column)] = size;
    });
    connect(m_rows, &QAbstractItemModel::rowsInserted, this, [this] { scrollToBottom(); });
}

CReportList::~CReportList() = default;

int CReportList::TextWidth(const QString &text) const
{
    return fontMetrics().horizontalAdvance(text);
}

void CReportList::mousePressEvent(QMouseEvent *event)
{
    // A single press of either button does nothing: no selection, no focus, no menu.
    if (event->button() == Qt::LeftButton || event->button() == Qt::RightButton) {
        event->accept();
        return;
    }
    QTableView::mousePressEvent(event);
}

void CReportList::contextMenuEvent(QContextMenuEvent *event)
{
    event->accept();
}
