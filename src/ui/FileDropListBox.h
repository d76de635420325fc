#pragma once

#include "ui/FileDrop.h"

#include <QListWidget>

// A list of patterns kept in sorted order (letters compared without regard to case) that adds
// every file or folder dropped on it from the file manager, converted by its CFileDrop. An entry
// already in the list is added again.
class CFileDropListBox : public QListWidget {
    Q_OBJECT

public:
    explicit CFileDropListBox(QWidget *parent = nullptr);

    CFileDrop &Drop() { return m_drop; }

    // Adds an entry at its sorted place and returns its row.
    int AddEntry(const QString &text);
    QStringList Entries() const;
    // Removes every selected entry.
    void RemoveSelected();

protected:
    void dragEnterEvent(QDragEnterEvent *event) override;
    void dragMoveEvent(QDragMoveEvent *event) override;
    void dropEvent(QDropEvent *event) override;
    Qt::DropActions supportedDropActions() const override;

private:
    CFileDrop m_drop;
};
