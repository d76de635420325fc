#include "TestSupport.h"

#include <QDir>
#include <QDirIterator>
#include <QFile>
#include <QFileInfo>

#include <sys/stat.h>

namespace testsupport {

bool WriteFile(const QString &path, const QByteArray &content, const QDateTime &lastWrite)
{
    if (!QDir().mkpath(QFileInfo(path).path()))
        return false;
    QFile file(path);
    if (!file.open(QIODevice::WriteOnly | QIODevice::Truncate) || file.write(content) != content.size())
        return false;
    // Flush first: data still buffered would reach the disk on close and stamp it with now.
    if (!file.flush())
        return false;
    if (lastWrite.isValid() && !file.setFileTime(lastWrite, QFileDevice::FileModificationTime))
        return false;
    return true;
}

QByteArray ReadFile(const QString &path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

QStringList TreeListing(const QString &root)
{
    QStringList lines;
    QDirIterator it(root, QDir::AllEntries | QDir::Hidden | QDir::System | QDir::NoDotAndDotDot,
                    QDirIterator::Subdirectories);
    const QDir base(root);
    while (it.hasNext()) {
        const QString path = it.next();
        struct stat status;
        if (lstat(QFile::encodeName(path).constData(), &status) != 0) {
            lines << base.relativeFilePath(path) + QStringLiteral(" ?");
            continue;
        }
        const char kind = S_ISDIR(status.st_mode) ? 'd' : S_ISLNK(status.st_mode) ? 'l' : 'f';
        const qint64 mtime = qint64(status.st_mtim.tv_sec) * 1000000000 + status.st_mtim.tv_nsec;
        lines << QStringLiteral("%1 %2 %3 %4 %5")
                     .arg(base.relativeFilePath(path))
                     .arg(QChar::fromLatin1(kind))
                     .arg(S_ISDIR(status.st_mode) ? 0 : qint64(status.st_size))
                     .arg(mtime)
                     .arg(status.st_mode & 07777, 0, 8);
    }
    lines.sort();
    return lines;
}

} // namespace testsupport
