#include "platform/VssBackup.h"

#include "platform/FileSystem.h"
#include "platform/NoSnapshotProvider.h"
#include "platform/Paths.h"
#include "platform/Shell.h"
#include "platform/Volumes.h"

namespace {

QString WithSeparator(const QString &path)
{
    return path.endsWith(PathSeparator) ? path : path + PathSeparator;
}

} // namespace

CVssBackup::CVssBackup(FileSystem &fileSystem, std::unique_ptr<SnapshotProvider> provider,
                       VolumeResolver volumeOf)
    : fileSystem(fileSystem),
      provider(provider ? std::move(provider) : std::make_unique<NoSnapshotProvider>()),
      volumeOf(volumeOf ? std::move(volumeOf) : VolumeResolver(VolumeRootOf))
{
}

CVssBackup::~CVssBackup()
{
    ReleaseSnapshot();
}

bool CVssBackup::Initialize()
{
    // Never asked again once it succeeded; a failure is retried with the next file.
    if (!initialized)
        initialized = provider->Initialize();
    return initialized;
}

bool CVssBackup::CreateSnapshot(const QString &folder)
{
    const QString volume = WithSeparator(volumeOf(folder));
    if (snapshotActive) {
        if (snapshotVolume == volume)
            return true;
        ReleaseSnapshot();
    }
    const std::optional<QUuid> setId = provider->StartSnapshotSet();
    if (!setId)
        return false;
    snapshotSetId = *setId;
    const std::optional<QUuid> id = provider->AddToSnapshotSet(volume);
    std::optional<QString> device;
    if (id) {
        snapshotId = *id;
        if (provider->PrepareForBackup() && provider->DoSnapshotSet())
            device = provider->SnapshotDevicePath(snapshotId);
    }
    if (!device) {
        // A set that got as far as its snapshot would otherwise stay on the volume.
        provider->DeleteSnapshots(snapshotSetId);
        return false;
    }
    snapshotDevicePath = *device;
    snapshotActive = true;
    snapshotVolume = volume;
    return true;
}

void CVssBackup::ReleaseSnapshot()
{
    if (!snapshotActive)
        return;
    provider->BackupComplete();
    provider->DeleteSnapshots(snapshotSetId);
    snapshotActive = false;
    snapshotVolume.clear();
    snapshotDevicePath.clear();
}

QString CVssBackup::SourcePath(const QString &folder, const QString &name) const
{
    // The folder below the volume root, read through the snapshot's own root.
    const QString below = folder.startsWith(snapshotVolume) ? folder.mid(snapshotVolume.size())
                                                            : folder.mid(1);
    return WithSeparator(snapshotDevicePath) + below + name;
}

bool CVssBackup::CopyFromSnapshot(const QString &folder, const QString &name, const QString &target,
                                  bool copyTimes)
{
    lastCopyError = 0;
    if (folder.size() < 3)
        return false;
    if (!Initialize() || !CreateSnapshot(folder))
        return false;
    const QString source = SourcePath(WithSeparator(folder), name);
    FsError error;
    if (!fileSystem.CopyFile(source, target, &error)) {
        lastCopyError = error.code;
        return false;
    }
    if (copyTimes)
        CopyFileTimes(source, target);
    return true;
}
