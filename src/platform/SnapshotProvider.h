#pragma once

#include <QString>
#include <QUuid>

#include <optional>

// A point-in-time snapshot service of whole volumes, in the order CVssBackup calls it:
// Initialize once, then per snapshot StartSnapshotSet, AddToSnapshotSet, PrepareForBackup,
// DoSnapshotSet and SnapshotDevicePath; BackupComplete and DeleteSnapshots release it.
class SnapshotProvider {
public:
    virtual ~SnapshotProvider() = default;

    // Makes the service usable; asked again only until it once succeeded.
    virtual bool Initialize() = 0;
    // A new snapshot set; its id, none on failure.
    virtual std::optional<QUuid> StartSnapshotSet() = 0;
    // Adds the volume (a mount point ending in "/") to the set; the snapshot's id.
    virtual std::optional<QUuid> AddToSnapshotSet(const QString &volume) = 0;
    // Tells the writers of the volume that a copy backup follows.
    virtual bool PrepareForBackup() = 0;
    // Takes the snapshots of the set.
    virtual bool DoSnapshotSet() = 0;
    // The folder through which the snapshot's volume root is read.
    virtual std::optional<QString> SnapshotDevicePath(const QUuid &snapshotId) = 0;
    virtual bool BackupComplete() = 0;
    // Deletes every snapshot of the set, also of one that was never completed.
    virtual void DeleteSnapshots(const QUuid &snapshotSetId) = 0;
};
