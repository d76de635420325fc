#include "ui/DocumentDrop.h"

#include "platform/Text.h"

#include <QFile>
#include <QFileInfo>
#include <QUrl>

#include <cerrno>
#include <fcntl.h>
#include <unistd.h>

namespace {

const QString FolderRefused = QStringLiteral(
    u"%1\n\nフォルダはファイルとして開けないため、何もしませんでした。\n"
    u"バックアップするフォルダは、フォルダ設定の [追加] または [編集] で指定してください。");
const QString NotLocal = QStringLiteral(u"%1\n\nこの項目はファイルとして開けないため、何もしませんでした。");
const QString OpenFailed = QStringLiteral(u"%1\n\nファイルを開けなかったため、何もしませんでした。\n%2");

} // namespace

std::optional<QString> DocumentDropRefusal(const QUrl &item)
{
    if (!item.isLocalFile())
        return NotLocal.arg(item.toDisplayString());
    const QString path = item.toLocalFile();
    if (QFileInfo(path).isDir())
        return FolderRefused.arg(path);
    const int fd = ::open(QFile::encodeName(path).constData(), O_RDONLY | O_CLOEXEC | O_NOCTTY | O_NONBLOCK);
    if (fd < 0)
        return OpenFailed.arg(path, SystemErrorText(errno));
    ::close(fd);
    return std::nullopt;
}
