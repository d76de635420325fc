#include "platform/Paths.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QList>
#include <QStringView>

#include <unistd.h>

namespace {

// Longest text the path operations produce, as the system calls' buffers allow.
constexpr qsizetype MaxPathLength = 32767;

} // namespace

bool EndsWithSeparator(const QString &path)
{
    return path.endsWith(PathSeparator);
}

std::optional<QString> MakeFolderRoot(const QString &path)
{
    if (path.isEmpty() || path.contains(QChar(u'\0')))
        return std::nullopt;
    QString absolute = path;
    if (!absolute.startsWith(PathSeparator)) {
        const QString current = QDir::currentPath();
        if (current.isEmpty())
            return std::nullopt;
        absolute = current + PathSeparator + path;
    }

    QList<QStringView> parts;
    for (QStringView part : QStringView(absolute).split(PathSeparator, Qt::SkipEmptyParts)) {
        if (part == u".")
            continue;
        if (part == u"..") {
            if (!parts.isEmpty())
                parts.removeLast();
            continue;
        }
        parts.append(part);
    }

    QString root(1, PathSeparator);
    for (QStringView part : parts) {
        root += part;
        root += PathSeparator;
    }
    if (root.size() > MaxPathLength)
        return std::nullopt;
    return root;
}

QString ExpandEnvironment(const QString &text)
{
    if (text.isEmpty() || !text.contains(u'%'))
        return text;

    QString result;
    result.reserve(text.size());
    qsizetype pos = 0;
    while (pos < text.size()) {
        const qsizetype open = text.indexOf(u'%', pos);
        const qsizetype close = open < 0 ? -1 : text.indexOf(u'%', open + 1);
        if (close < 0) {
            result += QStringView(text).mid(pos);
            break;
        }
        result += QStringView(text).mid(pos, open - pos);
        const QString name = text.mid(open + 1, close - open - 1);
        const QByteArray key = name.toLocal8Bit();
        if (!name.isEmpty() && qEnvironmentVariableIsSet(key.constData())) {
            result += qEnvironmentVariable(key.constData());
            pos = close + 1;
        } else {
            // Not a variable: keep "%NAME" and let the closing "%" start the next reference.
            result += QStringView(text).mid(open, close - open);
            pos = close;
        }
        if (result.size() > MaxPathLength)
            return text;
    }
    return result;
}

PathParts SplitPath(const QString &path)
{
    PathParts parts;
    const qsizetype slash = path.lastIndexOf(PathSeparator);
    parts.folder = path.left(slash + 1);
    const QString last = path.mid(slash + 1);
    const qsizetype dot = last.lastIndexOf(u'.');
    if (dot < 0) {
        parts.name = last;
    } else {
        parts.name = last.left(dot);
        parts.extension = last.mid(dot);
    }
    return parts;
}

QString NameOfPath(const QString &path)
{
    return path.mid(path.lastIndexOf(PathSeparator) + 1);
}

QString ParentOfPath(const QString &path)
{
    if (path.endsWith(PathSeparator))
        return path.chopped(1);
    const qsizetype slash = path.lastIndexOf(PathSeparator);
    return slash < 0 ? path : path.left(slash);
}

QString LastNameOfPath(const QString &path)
{
    const QString trimmed = path.endsWith(PathSeparator) ? path.chopped(1) : path;
    return trimmed.mid(trimmed.lastIndexOf(PathSeparator) + 1);
}

ModulePath ModulePathParts()
{
    ModulePath module;
    char buffer[4096];
    const ssize_t length = readlink("/proc/self/exe", buffer, sizeof buffer - 1);
    if (length <= 0)
        return module;
    module.fullPath = QFile::decodeName(QByteArray(buffer, length));
    const PathParts parts = SplitPath(module.fullPath);
    module.folder = parts.folder;
    module.name = parts.name;
    module.extension = parts.extension;
    return module;
}

QString ProgramFolder()
{
    const QString folder = qEnvironmentVariable("ORVANE_PROGRAM_DIR");
    if (folder.isEmpty())
        return ModulePathParts().folder;
    return EndsWithSeparator(folder) ? folder : folder + PathSeparator;
}

QString ResolveLinks(const QString &path)
{
    // Walk up until a part exists, resolve that, then put the rest back.
    const bool trailing = path.endsWith(PathSeparator);
    QString existing = trailing ? path.chopped(1) : path;
    QString rest;
    for (;;) {
        const QString resolved = existing.isEmpty() ? QStringLiteral("/") : QFileInfo(existing).canonicalFilePath();
        if (!resolved.isEmpty()) {
            QString result = (resolved == u"/" ? QString() : resolved) + rest;
            if (result.isEmpty() || trailing)
                result += PathSeparator;
            return result;
        }
        const qsizetype slash = existing.lastIndexOf(PathSeparator);
        if (slash < 0)
            return path;
        rest.prepend(existing.mid(slash));
        existing.truncate(slash);
    }
}

QString InstanceName(const QString &title)
{
    const QString base = QStringLiteral("%1-%2").arg(title).arg(::getuid());
    const QString runtime = RuntimeFolder(qEnvironmentVariable("XDG_RUNTIME_DIR"), QStringLiteral("/run/user/%1").arg(::getuid()));
    return runtime.isEmpty() ? QDir::tempPath() + u'/' + base : QDir(runtime).filePath(base);
}

QString RuntimeFolder(const QString &fromEnvironment, const QString &usersOwn)
{
    if (!fromEnvironment.isEmpty())
        return fromEnvironment;
    // Only a real folder of this user: another user's socket must never be taken for ours.
    const QFileInfo folder(usersOwn);
    return folder.isDir() && !folder.isSymLink() && folder.ownerId() == ::getuid() ? usersOwn : QString();
}
