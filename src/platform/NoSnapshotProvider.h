#pragma once

#include "platform/SnapshotProvider.h"

// This platform has no snapshot service: it can be initialised, but every snapshot fails.
class NoSnapshotProvider final : public SnapshotProvider {
public:
    bool Initialize() override;
    std::optional<QUuid> StartSnapshotSet() override;
    std::optional<QUuid> AddToSnapshotSet(const QString &volume) override;
    bool PrepareForBackup() override;
    bool DoSnapshotSet() override;
    std::optional<QString> SnapshotDevicePath(const QUuid &snapshotId) override;
    bool BackupComplete() override;
    void DeleteSnapshots(const QUuid &snapshotSetId) override;
};
