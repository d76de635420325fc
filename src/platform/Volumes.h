#pragma once

#include <QString>
#include <optional>

// The mounted file systems, for the volume-label check of a run.

struct MountInfo {
    QString mountPoint;   // as listed, without a trailing "/" (except "/")
    QString source;       // the device or share it comes from
    QString fileSystem;   // "ext4", "vfat", "cifs", ...
    quint32 major = 0;
    quint32 minor = 0;
};

// Parses the text of /proc/self/mountinfo; lines that do not parse are passed over.
QList<MountInfo> ParseMountInfo(const QByteArray &text);

// The mount that holds an absolute path (longest mount point that is a prefix of it, the last
// listed on a tie); none for a relative path or when the mounts cannot be read.
std::optional<MountInfo> MountOfPath(const QString &path, const QList<MountInfo> &mounts);
std::optional<MountInfo> MountOfPath(const QString &path);

// The mount point that holds the path, ending in "/"; the path itself when it is on no known mount.
QString VolumeRootOf(const QString &path);

// True for removable and optical media and for roots that are not a mount point.
bool IsExchangeableDrive(const QString &root);

// The label of the file system mounted at root ("" when it has none or it cannot be read).
QString VolumeLabelOf(const QString &root);
