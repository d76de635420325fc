#pragma once

#include "platform/FileSystem.h"

#include <QString>
#include <QStringView>

// What a walk passes over because it is never backup content: the trash folders of the drive a
// tree lies on (a backup folder at the root of a USB drive holds that drive's trash, and deleting
// into the trash would otherwise feed the trash into the backup on every run), the user's own
// trash, and the temporary files an interrupted copy leaves behind.
class CWalkExclusions {
public:
    explicit CWalkExclusions(FileSystem &disk);
    virtual ~CWalkExclusions();

    // Before walking the tree below root (a full path ending in "/").
    void StartTree(const QString &root);
    // True for an entry of folder (a full path ending in "/") that the walk passes over.
    bool Excludes(const QString &folder, const FolderEntry &entry) const;

    // ".Trash" or ".Trash-<digits>": the trash folders a drive keeps at its top.
    static bool IsTrashName(QStringView name);

private:
    FileSystem &m_disk;
    QString m_volumeRoot;   // the top of the drive the tree lies on, ending in "/"
    QString m_homeTrash;    // the user's own trash, ending in "/"
};
