#include "platform/FileSystem.h"

#include <algorithm>
#include <cerrno>
#include <iterator>

namespace {

struct ErrnoKind {
    int code;
    FsErrorKind kind;
};

// What the engine makes of an errno; anything not listed is Other.
constexpr ErrnoKind ErrnoKinds[] = {
    {ENOENT, FsErrorKind::NotFound},
    {ENOTDIR, FsErrorKind::PathNotFound},
    {ENOTCONN, FsErrorKind::NetworkPath},
    {EHOSTDOWN, FsErrorKind::NetworkPath},
    {EHOSTUNREACH, FsErrorKind::NetworkPath},
    {ENETUNREACH, FsErrorKind::NetworkPath},
    {ENETDOWN, FsErrorKind::NetworkPath},
    {ESTALE, FsErrorKind::NetworkPath},
    {ETIMEDOUT, FsErrorKind::NetworkPath},
    {ECONNABORTED, FsErrorKind::NetworkPath},
    {ECONNRESET, FsErrorKind::NetworkPath},
    {EBUSY, FsErrorKind::Sharing},
    {ETXTBSY, FsErrorKind::Sharing},
    {EAGAIN, FsErrorKind::Sharing},
    {EWOULDBLOCK, FsErrorKind::Sharing},
    {EILSEQ, FsErrorKind::InvalidName},
    {EINVAL, FsErrorKind::InvalidName},
    {ENAMETOOLONG, FsErrorKind::InvalidName},
};

} // namespace

bool FileSystem::IsCopyTemporaryName(QStringView name)
{
    const qsizetype tail = CopyTemporaryMarker.size() + CopyTemporaryRandomLength;
    if (name.size() < 1 + tail || !name.startsWith(u'.'))
        return false;
    const QStringView random = name.last(CopyTemporaryRandomLength);
    const auto alphanumeric = [](QChar c) {
        return (c >= u'a' && c <= u'z') || (c >= u'A' && c <= u'Z') || (c >= u'0' && c <= u'9');
    };
    return name.sliced(name.size() - tail, CopyTemporaryMarker.size()) == CopyTemporaryMarker
        && std::all_of(random.begin(), random.end(), alphanumeric);
}

void FileSystem::ReadStatuses(const QString &folder, StatusNames names, const StatusAnswer &answer)
{
    for (qsizetype i = 0; i < qsizetype(names.size()); ++i) {
        FsError error;
        const std::optional<FileStatus> status = Status(QString(folder).append(names[size_t(i)]), &error);
        answer(i, status, error);
    }
}

QString FileSystem::FileSystemType(const QString &path)
{
    const std::optional<MountInfo> mount = MountOfPath(path);
    return mount ? mount->fileSystem : QString();
}

FsError FsError::FromErrno(int code)
{
    if (code == 0)
        return {};
    if (code == SourceChangedCode)
        return {code, FsErrorKind::SourceChanged};
    for (const ErrnoKind &entry : ErrnoKinds) {
        if (entry.code == code)
            return {code, entry.kind};
    }
    return {code, FsErrorKind::Other};
}
