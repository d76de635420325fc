#include "ui/FileDropListBox.h"

#include <QDragEnterEvent>
#include <QDropEvent>
#include <QMimeData>

#include <algorithm>

namespace {

bool SortsBefore(const QString &left, const QString &right)
{
    const int folded = left.compare(right, Qt::CaseInsensitive);
    return folded != 0 ? folded < 0 : left < right;
}

} // namespace

CFileDropListBox::CFileDropListBox(QWidget *parent) : QListWidget(parent)
{
    setAcceptDrops(true);
    setDragDropMode(QAbstractItemView::DropOnly);
    setSelectionMode(QAbstractItemView::ExtendedSelection);
    setHorizontalScrollBarPolicy(Qt::ScrollBarAsNeeded);
}

int CFileDropListBox::AddEntry(const QString &text)
{
    const QStringList entries = Entries();
    const auto place = std::upper_bound(entries.begin(), entries.end(), text, SortsBefore);
    const int row = int(place - entries.begin());
    insertItem(row, text);
    return row;
}

QStringList CFileDropListBox::Entries() const
{
    QStringList entries;
    entries.reserve(count());
    for (int row = 0; row < count(); ++row)
        entries << item(row)->text();
    return entries;
}

void CFileDropListBox::RemoveSelected()
{
    for (int row = count() - 1; row >= 0; --row) {
        if (item(row)->isSelected())
            delete takeItem(row);
    }
}

void CFileDropListBox::dragEnterEvent(QDragEnterEvent *event)
{
    if (CFileDrop::CanTake(*event->mimeData()))
        event->acceptProposedAction();
    else
        event->ignore();
}

void CFileDropListBox::dragMoveEvent(QDragMoveEvent *event)
{
    if (CFileDrop::CanTake(*event->mimeData()))
        event->acceptProposedAction();
    else
        event->ignore();
}

void CFileDropListBox::dropEvent(QDropEvent *event)
{
    if (!CFileDrop::CanTake(*event->mimeData())) {
        event->ignore();
        return;
    }
    event->acceptProposedAction();
    m_drop.TakeDrop(CFileDrop::LocalPathsOf(*event->mimeData()), false);
    setUpdatesEnabled(false);
    for (const QString &text : m_drop.Items())
        AddEntry(text);
    setUpdatesEnabled(true);
}

Qt::DropActions CFileDropListBox::supportedDropActions() const
{
    return Qt::CopyAction | Qt::LinkAction;
}
