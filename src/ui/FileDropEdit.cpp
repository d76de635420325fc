#include "ui/FileDropEdit.h"

#include <QDragEnterEvent>
#include <QDropEvent>
#include <QMimeData>

CFileDropEdit::CFileDropEdit(QWidget *parent) : QLineEdit(parent)
{
    setAcceptDrops(true);
}

void CFileDropEdit::dragEnterEvent(QDragEnterEvent *event)
{
    if (CFileDrop::CanTake(*event->mimeData()))
        event->acceptProposedAction();
    else
        QLineEdit::dragEnterEvent(event);
}

void CFileDropEdit::dragMoveEvent(QDragMoveEvent *event)
{
    if (CFileDrop::CanTake(*event->mimeData()))
        event->acceptProposedAction();
    else
        QLineEdit::dragMoveEvent(event);
}

void CFileDropEdit::dropEvent(QDropEvent *event)
{
    if (!CFileDrop::CanTake(*event->mimeData())) {
        QLineEdit::dropEvent(event);
        return;
    }
    event->acceptProposedAction();
    m_drop.TakeDrop(CFileDrop::LocalPathsOf(*event->mimeData()), true);
    if (m_drop.ItemCount() < 1)
        return;
    setText(m_drop.Items().first());
    Q_EMIT Dropped();
}

void CFileDropEdit::focusOutEvent(QFocusEvent *event)
{
    QLineEdit::focusOutEvent(event);
    Q_EMIT FocusLeft();
}
