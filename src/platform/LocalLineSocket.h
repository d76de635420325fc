#pragma once

#include <QByteArray>
#include <QString>

// The client end of a local stream socket that speaks in lines, blocking, each wait bounded. The
// window listens with Qt's local server; orvane-cli talks to it through this plain socket rather
// than Qt's network module, whose libraries cost every start of orvane-cli a few milliseconds.
class CLocalLineSocket {
public:
    enum class Read { Line, Closed, Silent, TooLong };

    CLocalLineSocket() = default;
    CLocalLineSocket(const CLocalLineSocket &) = delete;
    CLocalLineSocket &operator=(const CLocalLineSocket &) = delete;
    ~CLocalLineSocket();

    // serverName as the local server takes it: a full path, or a name in the temporary folder.
    bool Connect(const QString &serverName, int timeoutMs);
    // False when not all of bytes could be sent within the time.
    bool Write(const QByteArray &bytes, int timeoutMs);
    // The next line with its newline. Silent: nothing came for silenceMs; TooLong: maxLine bytes
    // came without a newline; Closed: the other end closed (or failed) before a whole line.
    Read ReadLine(QByteArray &line, qsizetype maxLine, int silenceMs);

    static QString PathOf(const QString &serverName);

private:
    bool SetSendTimeout(int timeoutMs);

    int m_fd = -1;
    bool m_closed = false;
    QByteArray m_buffer;
};
