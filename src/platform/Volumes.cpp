#include "platform/Volumes.h"

#include "platform/Paths.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QList>

#include <sys/stat.h>
#include <sys/sysmacros.h>

namespace {

// mountinfo writes blanks, tabs, newlines and backslashes as three-digit octal escapes.
QString UnescapeMountField(const QByteArray &field)
{
    QByteArray out;
    out.reserve(field.size());
    for (qsizetype i = 0; i < field.size(); ++i) {
        if (field[i] == '\\' && i + 3 < field.size()) {
            bool ok = false;
            const int value = field.mid(i + 1, 3).toInt(&ok, 8);
            if (ok) {
                out += char(value);
                i += 3;
                continue;
            }
        }
        out += field[i];
    }
    return QFile::decodeName(out);
}

QString ReadSysFile(const QString &path)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return QString();
    return QString::fromLatin1(file.readAll()).trimmed();
}

// The directory of a block device below /sys/dev/block, or "" for a mount without one.
QString SysBlockDirectory(const MountInfo &mount)
{
    const QString path = QStringLiteral("/sys/dev/block/%1:%2").arg(mount.major).arg(mount.minor);
    return QFileInfo::exists(path) ? QFileInfo(path).canonicalFilePath() : QString();
}

QString WithoutTrailingSeparator(const QString &path)
{
    return path.size() > 1 && path.endsWith(PathSeparator) ? path.chopped(1) : path;
}

QList<MountInfo> CurrentMounts()
{
    QFile file(QStringLiteral("/proc/self/mountinfo"));
    return file.open(QIODevice::ReadOnly) ? ParseMountInfo(file.readAll()) : QList<MountInfo>();
}

std::optional<MountInfo> MountAt(const QString &root)
{
    const QString point = WithoutTrailingSeparator(root);
    std::optional<MountInfo> found;
    for (const MountInfo &mount : CurrentMounts()) {
        if (mount.mountPoint == point)
            found = mount;
    }
    return found;
}

} // namespace

QList<MountInfo> ParseMountInfo(const QByteArray &text)
{
    QList<MountInfo> mounts;
    for (const QByteArray &line : text.split('\n')) {
        const QList<QByteArray> fields = line.split(' ');
        const qsizetype dash = fields.indexOf(QByteArray("-"));
        if (fields.size() < 5 || dash < 6 || dash + 2 >= fields.size())
            continue;
        const QList<QByteArray> device = fields[2].split(':');
        if (device.size() != 2)
            continue;
        MountInfo mount;
        mount.major = device[0].toUInt();
        mount.minor = device[1].toUInt();
        mount.mountPoint = UnescapeMountField(fields[4]);
        mount.fileSystem = UnescapeMountField(fields[dash + 1]);
        mount.source = UnescapeMountField(fields[dash + 2]);
        mounts.append(mount);
    }
    return mounts;
}

std::optional<MountInfo> MountOfPath(const QString &path, const QList<MountInfo> &mounts)
{
    if (!path.startsWith(PathSeparator))
        return std::nullopt;
    std::optional<MountInfo> best;
    for (const MountInfo &mount : mounts) {
        const QString &point = mount.mountPoint;
        const bool contains = point == u"/"
            || path == point
            || (path.startsWith(point) && path.at(point.size()) == PathSeparator);
        if (contains && (!best || point.size() >= best->mountPoint.size()))
            best = mount;
    }
    return best;
}

std::optional<MountInfo> MountOfPath(const QString &path)
{
    return MountOfPath(path, CurrentMounts());
}

QString VolumeRootOf(const QString &path)
{
    const std::optional<MountInfo> mount = MountOfPath(path);
    if (!mount)
        return path;
    return mount->mountPoint == u"/" ? mount->mountPoint : mount->mountPoint + PathSeparator;
}

bool IsExchangeableDrive(const QString &root)
{
    const std::optional<MountInfo> mount = MountAt(root);
    if (!mount)
        return true;
    const QString device = SysBlockDirectory(*mount);
    if (device.isEmpty())
        return false;
    // A partition has no flag of its own; its disk is the parent directory.
    for (const QString &dir : {device, QFileInfo(device).path()}) {
        if (ReadSysFile(dir + QStringLiteral("/removable")) == u"1")
            return true;
        if (ReadSysFile(dir + QStringLiteral("/device/type")) == u"5")   // SCSI type 5: CD/DVD
            return true;
    }
    return false;
}

QString VolumeLabelOf(const QString &root)
{
    const std::optional<MountInfo> mount = MountAt(root);
    if (!mount)
        return QString();
    const QString sourceDevice = QFileInfo(mount->source).canonicalFilePath();
    const QDir labels(QStringLiteral("/dev/disk/by-label"));
    for (const QFileInfo &entry : labels.entryInfoList(QDir::System | QDir::Files | QDir::NoDotAndDotDot)) {
        struct stat status;
        const bool sameNumber = stat(QFile::encodeName(entry.filePath()).constData(), &status) == 0
            && S_ISBLK(status.st_mode) && ::major(status.st_rdev) == mount->major
            && ::minor(status.st_rdev) == mount->minor;
        const bool sameSource = !sourceDevice.isEmpty() && entry.canonicalFilePath() == sourceDevice;
        if (!sameNumber && !sameSource)
            continue;
        // udev writes unsafe characters of a label as \xHH.
        QByteArray name = QFile::encodeName(entry.fileName());
        QByteArray decoded;
        for (qsizetype i = 0; i < name.size(); ++i) {
            if (name[i] == '\\' && i + 3 < name.size() && name[i + 1] == 'x') {
                bool ok = false;
                const int value = name.mid(i + 2, 2).toInt(&ok, 16);
                if (ok) {
                    decoded += char(value);
                    i += 3;
                    continue;
                }
            }
            decoded += name[i];
        }
        return QString::fromUtf8(decoded);
    }
    return QString();
}
