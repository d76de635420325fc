#include "platform/ProgramFiles.h"

#include "InstallLayout.h"
#include "platform/Paths.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>

#include <cerrno>
#include <cstdlib>
#include <fcntl.h>
#include <unistd.h>

QString InstalledDataFolder(const QString &programFolder)
{
    const QString folder = EndsWithSeparator(programFolder) ? programFolder : programFolder + PathSeparator;
    return QDir::cleanPath(folder + QStringLiteral(ORVANE_DATA_FROM_PROGRAM)) + PathSeparator;
}

QString ManualPath(const QString &programFolder)
{
    const QString folder = EndsWithSeparator(programFolder) ? programFolder : programFolder + PathSeparator;
    const QString beside = folder + ManualFileName;
    if (QFileInfo(beside).isFile())
        return beside;
    const QString installed = InstalledDataFolder(folder) + ManualFileName;
    return QFileInfo(installed).isFile() ? installed : beside;
}

QString ManualPath()
{
    return ManualPath(ModulePathParts().folder);
}

int FolderCreationError(const QString &folder)
{
    const QByteArray path = QFile::encodeName(folder);
    // An unnamed file vanishes with its descriptor: nothing to clean up, even after a crash.
    int fd = ::open(path.constData(), O_TMPFILE | O_WRONLY | O_CLOEXEC, 0600);
    if (fd >= 0) {
        ::close(fd);
        return 0;
    }
    // File systems without unnamed files answer one of these; a named probe tells instead.
    if (errno != EOPNOTSUPP && errno != EISDIR && errno != EINVAL)
        return errno;
    QByteArray probe = path + (path.endsWith('/') ? "" : "/") + ".orvane-probe-XXXXXX";
    fd = ::mkostemp(probe.data(), O_CLOEXEC);
    if (fd < 0)
        return errno;
    ::close(fd);
    ::unlink(probe.constData());
    return 0;
}
