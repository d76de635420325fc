#include "engine/RunLog.h"

#include <QFile>

#include <cerrno>
#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

CRunLog::~CRunLog()
{
    Close();
}

bool CRunLog::Open(const QString &path, bool truncate)
{
    Close();
    if (path.isEmpty())
        return false;
    const QByteArray name = QFile::encodeName(path);
    // Take the lock before emptying, so a log that another run writes is never cut short.
    const int fd = ::open(name.constData(), O_WRONLY | O_CREAT | O_APPEND | O_CLOEXEC, 0666);
    if (fd < 0)
        return false;
    if (::flock(fd, LOCK_EX | LOCK_NB) != 0 || (truncate && ::ftruncate(fd, 0) != 0)) {
        ::close(fd);
        return false;
    }
    m_fd = fd;
    return true;
}

void CRunLog::Close()
{
    if (m_fd >= 0)
        ::close(m_fd);
    m_fd = -1;
}

void CRunLog::Write(const QByteArray &bytes, bool flushNow)
{
    if (m_fd < 0)
        return;
    const char *data = bytes.constData();
    qsizetype left = bytes.size();
    while (left > 0) {
        const ssize_t written = ::write(m_fd, data, size_t(left));
        if (written < 0 && errno == EINTR)
            continue;
        if (written <= 0)
            return;
        data += written;
        left -= written;
    }
    if (flushNow)
        ::fdatasync(m_fd);
}

bool CRunLog::Truncate(const QString &path)
{
    const QByteArray name = QFile::encodeName(path);
    struct stat status;
    if (path.isEmpty() || ::stat(name.constData(), &status) != 0)
        return true;
    const int fd = ::open(name.constData(), O_WRONLY | O_CLOEXEC);
    if (fd < 0)
        return false;
    // A log that a run is writing right now is not emptied under it.
    const bool emptied = ::flock(fd, LOCK_EX | LOCK_NB) == 0 && ::ftruncate(fd, 0) == 0;
    ::close(fd);
    return emptied;
}
