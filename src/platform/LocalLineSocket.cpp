#include "platform/LocalLineSocket.h"

#include <QDir>
#include <QFile>

#include <cerrno>
#include <cstring>

#include <poll.h>
#include <sys/socket.h>
#include <sys/un.h>
#include <unistd.h>

CLocalLineSocket::~CLocalLineSocket()
{
    if (m_fd >= 0)
        ::close(m_fd);
}

QString CLocalLineSocket::PathOf(const QString &serverName)
{
    // Where the local server puts a socket it is given only a name for.
    return serverName.startsWith(u'/') ? serverName : QDir::cleanPath(QDir::tempPath()) + u'/' + serverName;
}

bool CLocalLineSocket::SetSendTimeout(int timeoutMs)
{
    const timeval timeout{timeoutMs / 1000, (timeoutMs % 1000) * 1000};
    return ::setsockopt(m_fd, SOL_SOCKET, SO_SNDTIMEO, &timeout, sizeof timeout) == 0;
}

bool CLocalLineSocket::Connect(const QString &serverName, int timeoutMs)
{
    const QByteArray path = QFile::encodeName(PathOf(serverName));
    sockaddr_un address{};
    address.sun_family = AF_UNIX;
    if (m_fd >= 0 || path.isEmpty() || path.contains('\0') || size_t(path.size()) >= sizeof address.sun_path)
        return false;
    std::memcpy(address.sun_path, path.constData(), size_t(path.size()));
    m_fd = ::socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0);
    // A server whose queue is full keeps the caller waiting, at most as long as a send may.
    if (m_fd < 0 || !SetSendTimeout(timeoutMs))
        return false;
    for (;;) {
        if (::connect(m_fd, reinterpret_cast<const sockaddr *>(&address), sizeof address) == 0)
            return true;
        if (errno != EINTR)
            break;
    }
    ::close(m_fd);
    m_fd = -1;
    return false;
}

bool CLocalLineSocket::Write(const QByteArray &bytes, int timeoutMs)
{
    if (m_fd < 0 || !SetSendTimeout(timeoutMs))
        return false;
    for (qsizetype sent = 0; sent < bytes.size();) {
        const ssize_t done = ::send(m_fd, bytes.constData() + sent, size_t(bytes.size() - sent), MSG_NOSIGNAL);
        if (done < 0 && errno == EINTR)
            continue;
        if (done <= 0)
            return false;
        sent += done;
    }
    return true;
}

CLocalLineSocket::Read CLocalLineSocket::ReadLine(QByteArray &line, qsizetype maxLine, int silenceMs)
{
    for (;;) {
        const qsizetype newline = m_buffer.indexOf('\n');
        if (newline >= 0 && newline < maxLine) {
            line = m_buffer.left(newline + 1);
            m_buffer.remove(0, newline + 1);
            return Read::Line;
        }
        if (newline >= 0 || m_buffer.size() >= maxLine)
            return Read::TooLong;
        if (m_fd < 0 || m_closed)
            return Read::Closed;
        pollfd waiting{m_fd, POLLIN, 0};
        const int ready = ::poll(&waiting, 1, silenceMs);
        if (ready < 0 && errno == EINTR)
            continue;
        if (ready == 0)
            return Read::Silent;
        char chunk[4096];
        const ssize_t got = ready < 0 ? -1 : ::recv(m_fd, chunk, sizeof chunk, 0);
        if (got < 0 && errno == EINTR)
            continue;
        if (got <= 0)
            m_closed = true;
        else
            m_buffer.append(chunk, got);
    }
}
