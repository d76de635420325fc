#pragma once

#include "ui/FileDrop.h"

#include <QLineEdit>

// A text box that takes the first file or folder dropped on it from the file manager as its
// whole text, converted by its CFileDrop. Text dragged from elsewhere is inserted as usual.
class CFileDropEdit : public QLineEdit {
    Q_OBJECT

public:
    explicit CFileDropEdit(QWidget *parent = nullptr);

    CFileDrop &Drop() { return m_drop; }

Q_SIGNALS:
    // A drop replaced the text (textChanged has been emitted as well).
    void Dropped();
    // The box lost the keyboard focus.
    void FocusLeft();

protected:
    void dragEnterEvent(QDragEnterEvent *event) override;
    void dragMoveEvent(QDragMoveEvent *event) override;
    void dropEvent(QDropEvent *event) override;
    void focusOutEvent(QFocusEvent *event) override;

private:
    CFileDrop m_drop;
};
