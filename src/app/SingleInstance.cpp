#include "app/SingleInstance.h"

#include <QDeadlineTimer>
#include <QDir>
#include <QFileInfo>
#include <QLocalServer>
#include <QLocalSocket>
#include <QThread>

#include <array>
#include <unistd.h>

namespace {

struct RequestWord {
    InstanceRequest request;
    const char16_t *text;
};

constexpr std::array RequestWords{
    RequestWord{InstanceRequest::Show, u"show"},
    RequestWord{InstanceRequest::State, u"state"},
};

} // namespace

CSingleInstance::CSingleInstance(QString name, QObject *parent)
    : QObject(parent), m_name(std::move(name)), m_lock(m_name + QStringLiteral(".lock"))
{
}

CSingleInstance::~CSingleInstance()
{
    Release();
}

QString CSingleInstance::RequestText(InstanceRequest request)
{
    for (const RequestWord &word : RequestWords) {
        if (word.request == request)
            return QString::fromUtf16(word.text);
    }
    return {};
}

bool CSingleInstance::IsRunLine(const QByteArray &line)
{
    return line == "run" || line.startsWith("run\t") || line.startsWith("run\n");
}

std::optional<InstanceRequest> CSingleInstance::ParseRequest(QStringView text)
{
    for (const RequestWord &word : RequestWords) {
        if (text == QStringView(word.text))
            return word.request;
    }
    return std::nullopt;
}

CSingleInstance::Claim CSingleInstance::TryClaim()
{
    switch (m_lock.TryLock()) {
    case CInstanceLock::Result::HeldElsewhere:
        return Claim::Second;
    case CInstanceLock::Result::Failed:
        return Claim::Unavailable;
    case CInstanceLock::Result::Acquired:
        break;
    }
    // Holding the lock, a socket of this name can only be a crashed copy's.
    QLocalServer::removeServer(m_name);
    m_server = std::make_unique<QLocalServer>();
    m_server->setSocketOptions(QLocalServer::UserAccessOption);
    if (!m_server->listen(m_name)) {
        // Still the only copy; later starts find the lock and end without reaching it.
        qWarning("orvane: cannot listen on %s: %s", qPrintable(m_name), qPrintable(m_server->errorString()));
        m_server.reset();
        return Claim::First;
    }
    connect(m_server.get(), &QLocalServer::newConnection, this, &CSingleInstance::Accept);
    return Claim::First;
}

void CSingleInstance::Accept()
{
    while (QLocalSocket *socket = m_server->nextPendingConnection()) {
        connect(socket, &QLocalSocket::disconnected, socket, &QObject::deleteLater);
        connect(socket, &QLocalSocket::readyRead, this, [this, socket] { Answer(socket); });
        if (socket->canReadLine())
            Answer(socket);
    }
}

void CSingleInstance::Answer(QLocalSocket *socket)
{
    while (socket->canReadLine()) {
        const QByteArray bytes = socket->readLine(MaxLine);
        if (IsRunLine(bytes) && m_runHandler) {
            // The connection is the run's from now on; this object no longer listens to it.
            socket->disconnect();
            socket->setParent(nullptr);
            m_runHandler(socket, bytes);
            return;
        }
        const QString line = QString::fromUtf8(bytes).trimmed();
        const std::optional<InstanceRequest> request = ParseRequest(line);
        const QString reply = !request ? QStringLiteral("unknown") : m_handler ? m_handler(*request) : QStringLiteral("none");
        socket->write(reply.toUtf8() + '\n');
        socket->flush();
    }
    if (!socket->canReadLine() && socket->bytesAvailable() >= MaxLine)
        socket->abort();
}

std::optional<QString> CSingleInstance::Send(InstanceRequest request, int timeoutMs)
{
    const QDeadlineTimer deadline(timeoutMs);
    QLocalSocket socket;
    // The first copy may hold the lock and not listen yet: it is just starting.
    for (;;) {
        socket.connectToServer(m_name);
        if (socket.waitForConnected(int(deadline.remainingTime())))
            break;
        if (deadline.hasExpired())
            return std::nullopt;
        QThread::msleep(50);
    }
    socket.write(RequestText(request).toUtf8() + '\n');
    if (!socket.waitForBytesWritten(int(deadline.remainingTime())))
        return std::nullopt;
    while (!socket.canReadLine()) {
        if (deadline.hasExpired() || !socket.waitForReadyRead(int(deadline.remainingTime())))
            return std::nullopt;
    }
    return QString::fromUtf8(socket.readLine(MaxLine)).trimmed();
}

void CSingleInstance::Release()
{
    if (m_server) {
        m_server->close();
        m_server.reset();
    }
    m_lock.Unlock();
}
