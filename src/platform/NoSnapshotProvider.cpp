#include "platform/NoSnapshotProvider.h"

bool NoSnapshotProvider::Initialize()
{
    return true;
}

std::optional<QUuid> NoSnapshotProvider::StartSnapshotSet()
{
    return std::nullopt;
}

std::optional<QUuid> NoSnapshotProvider::AddToSnapshotSet(const QString &)
{
    return std::nullopt;
}

bool NoSnapshotProvider::PrepareForBackup()
{
    return false;
}

bool NoSnapshotProvider::DoSnapshotSet()
{
    return false;
}

std::optional<QString> NoSnapshotProvider::SnapshotDevicePath(const QUuid &)
{
    return std::nullopt;
}

bool NoSnapshotProvider::BackupComplete()
{
    return false;
}

void NoSnapshotProvider::DeleteSnapshots(const QUuid &)
{
}
