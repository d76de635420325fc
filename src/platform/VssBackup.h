#pragma once

#include "platform/SnapshotProvider.h"

#include <QString>
#include <QUuid>

#include <functional>
#include <memory>

class FileSystem;

// Copies files that another program holds open out of a snapshot of their volume. Holds at
// most one snapshot, for one volume, from the first such file on it until ReleaseSnapshot.
// Used by one thread.
class CVssBackup {
public:
    using VolumeResolver = std::function<QString(const QString &folder)>;

    // Without a provider, the platform's own (which cannot snapshot); volumes are mount points.
    explicit CVssBackup(FileSystem &fileSystem, std::unique_ptr<SnapshotProvider> provider = nullptr,
                        VolumeResolver volumeOf = nullptr);
    CVssBackup(const CVssBackup &) = delete;
    CVssBackup &operator=(const CVssBackup &) = delete;
    virtual ~CVssBackup();

    bool Initialize();
    // True when a snapshot of the volume that holds folder exists afterwards.
    bool CreateSnapshot(const QString &folder);
    void ReleaseSnapshot();
    // Copies folder + name as it is in the snapshot to target; folder ends in "/". On failure
    // LastCopyError() is the errno of the copy, 0 when it failed before copying.
    bool CopyFromSnapshot(const QString &folder, const QString &name, const QString &target,
                          bool copyTimes);

    int LastCopyError() const { return lastCopyError; }
    bool IsSnapshotActive() const { return snapshotActive; }
    QString SnapshotVolume() const { return snapshotVolume; }

private:
    QString SourcePath(const QString &folder, const QString &name) const;

    FileSystem &fileSystem;
    std::unique_ptr<SnapshotProvider> provider;
    VolumeResolver volumeOf;
    bool initialized = false;
    bool snapshotActive = false;
    QString snapshotVolume;
    QUuid snapshotSetId;
    QUuid snapshotId;
    QString snapshotDevicePath;
    int lastCopyError = 0;
};
