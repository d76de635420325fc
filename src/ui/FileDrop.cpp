#include "ui/FileDrop.h"

#include "platform/Paths.h"

#include <QDir>
#include <QFileInfo>
#include <QMimeData>
#include <QUrl>

namespace {

// An item counts as a folder unless it is known to be something else: one that vanished or
// cannot be examined is treated as a folder.
bool IsFolderItem(const QString &path)
{
    const QFileInfo info(path);
    return info.isDir() || !info.exists();
}

QString WithoutTrailingSeparator(const QString &path)
{
    return path.size() > 1 && path.endsWith(PathSeparator) ? path.chopped(1) : path;
}

} // namespace

QStringList CFileDrop::LocalPathsOf(const QMimeData &data)
{
    QStringList paths;
    for (const QUrl &url : data.urls()) {
        if (url.isLocalFile() && !url.toLocalFile().isEmpty())
            paths << QDir::cleanPath(url.toLocalFile());
    }
    return paths;
}

bool CFileDrop::CanTake(const QMimeData &data)
{
    return !LocalPathsOf(data).isEmpty();
}

void CFileDrop::TakeDrop(const QStringList &paths, bool firstOnly)
{
    m_items.clear();
    for (const QString &path : paths) {
        const QString text = Convert(path);
        if (!text.isEmpty())
            m_items << text;
        if (firstOnly)
            break;
    }
}

QString CFileDrop::Convert(const QString &path) const
{
    const bool folder = IsFolderItem(path);
    QString text = path;
    if (folderMode && !folder)
        text = WithoutTrailingSeparator(SplitPath(path).folder);
    if (nameMode)
        text = folder ? QString() : NameOfPath(path);
    if (relativeMode && !text.isEmpty())
        text = RelativeToBase(text);
    return text;
}

// The base must end where a path component ends: "/data" is the base of "/data/x" but not of
// "/database", which is not below it and gives its last part like any other outside path.
// Letters compare without regard to case, as the target patterns do.
QString CFileDrop::RelativeToBase(const QString &text) const
{
    const QString base = basePath;
    const qsizetype m = base.size();
    const bool belowBase = m >= 1 && text.startsWith(base, Qt::CaseInsensitive)
        && (text.size() == m || base.endsWith(PathSeparator) || text.at(m) == PathSeparator);
    if (!belowBase)
        return LastNameOfPath(text);
    const bool separatorFollows = text.size() > m && text.at(m) == PathSeparator;
    return text.mid(separatorFollows ? m + 1 : m);
}
