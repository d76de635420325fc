#include "platform/InstanceLock.h"

#include <QFile>

#include <cerrno>
#include <fcntl.h>
#include <sys/file.h>
#include <unistd.h>

CInstanceLock::CInstanceLock(QString lockPath) : m_path(std::move(lockPath)) {}

CInstanceLock::~CInstanceLock()
{
    Unlock();
}

QString CInstanceLock::LockPathFor(const QString &storePath)
{
    return storePath + QStringLiteral(".lock");
}

CInstanceLock::Result CInstanceLock::TryLock()
{
    if (m_fd >= 0)
        return Result::Acquired;
    m_error = 0;
    const QByteArray name = QFile::encodeName(m_path);
    const int fd = ::open(name.constData(), O_RDWR | O_CREAT | O_CLOEXEC, 0600);
    if (fd < 0) {
        m_error = errno;
        return Result::Failed;
    }
    int rc;
    do {
        rc = ::flock(fd, LOCK_EX | LOCK_NB);
    } while (rc != 0 && errno == EINTR);
    if (rc != 0) {
        m_error = errno;
        ::close(fd);
        return m_error == EWOULDBLOCK ? Result::HeldElsewhere : Result::Failed;
    }
    m_fd = fd;
    return Result::Acquired;
}

void CInstanceLock::Unlock()
{
    if (m_fd < 0)
        return;
    // The file stays: removing it would race with a process that has just opened it.
    ::flock(m_fd, LOCK_UN);
    ::close(m_fd);
    m_fd = -1;
}
