#pragma once

#include <QString>
#include <QStringList>

class QMimeData;

// Turns files and folders dropped from the file manager into texts for a text box or a list.
// The modes combine and apply in the order folder, name, relative:
// - folder: a dropped file stands for the folder that holds it;
// - name: only a file's name remains; folders give nothing;
// - relative: the path below basePath, or its last part when it is not below it.
class CFileDrop {
public:
    virtual ~CFileDrop() = default;

    bool folderMode = false;
    bool nameMode = false;
    bool relativeMode = false;
    QString basePath;   // base folder of the relative mode

    // Converts the dropped paths (only the first with firstOnly); empty results are left out.
    void TakeDrop(const QStringList &paths, bool firstOnly);
    // The local paths of a drop, in drop order; items that are not local files are passed over.
    static QStringList LocalPathsOf(const QMimeData &data);
    static bool CanTake(const QMimeData &data);

    // The text one dropped path becomes; empty when it gives nothing.
    QString Convert(const QString &path) const;

    const QStringList &Items() const { return m_items; }
    qsizetype ItemCount() const { return m_items.size(); }

private:
    QString RelativeToBase(const QString &text) const;

    QStringList m_items;
};
