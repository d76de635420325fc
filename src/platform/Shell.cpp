#include "platform/Shell.h"

#include "platform/MessageBox.h"
#include "platform/Text.h"

#include <QDir>
#include <QFile>
#include <QStandardPaths>

#include <fcntl.h>
#include <sys/stat.h>

bool RecycleDelete(const QString &path)
{
    // Without the user's data folder, Qt would "trash" into the current directory and still
    // report success; make sure the folder exists and only trust an absolute trash path.
    const QString dataHome = QStandardPaths::writableLocation(QStandardPaths::GenericDataLocation);
    if (dataHome.isEmpty() || !QDir().mkpath(dataHome))
        return false;
    QString trashedAt;
    if (!QFile::moveToTrash(path, &trashedAt))
        return false;
    return QDir::isAbsolutePath(trashedAt);
}

bool CopyFileTimes(const QString &source, const QString &target)
{
    struct stat status;
    if (lstat(QFile::encodeName(source).constData(), &status) != 0)
        return false;
    const struct timespec times[2] = {status.st_atim, status.st_mtim};
    return utimensat(AT_FDCWD, QFile::encodeName(target).constData(), times, AT_SYMLINK_NOFOLLOW) == 0;
}

QString FormatMessageText(const QString &text, const QString &insert1, const std::optional<QString> &insert2)
{
    // One pass, so an insert that itself holds "%2" is not replaced again.
    QString result;
    result.reserve(text.size() + insert1.size());
    for (qsizetype i = 0; i < text.size(); ++i) {
        if (text[i] == u'%' && i + 1 < text.size()) {
            if (text[i + 1] == u'1') {
                result += insert1;
                ++i;
                continue;
            }
            if (text[i + 1] == u'2' && insert2) {
                result += *insert2;
                ++i;
                continue;
            }
        }
        result += text[i];
    }
    return result;
}

MessageAnswer MessageBoxById(MessageBoxPresenter &presenter, int textId, int captionId, MessageBoxRequest box)
{
    box.text = LoadResString(textId);
    box.caption = LoadResString(captionId);
    return presenter.ShowMessageBox(box);
}

MessageAnswer MessageBoxFormatted(MessageBoxPresenter &presenter, int textId, int captionId, MessageBoxRequest box,
                                  const QString &insert1, const std::optional<QString> &insert2)
{
    box.text = FormatMessageText(LoadResString(textId), insert1, insert2);
    box.caption = LoadResString(captionId);
    return presenter.ShowMessageBox(box);
}
