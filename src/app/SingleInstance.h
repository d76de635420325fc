#pragma once

#include "platform/InstanceLock.h"

#include <QObject>
#include <QString>

#include <functional>
#include <memory>
#include <optional>

class QLocalServer;
class QLocalSocket;

// What a later start may ask of the running copy. Each request travels as one line of text and
// is answered with one line. A line that begins with "run" is no such request: it hands a run
// of orvane-cli to the window, and the connection goes to the run handler.
enum class InstanceRequest {
    Show,    // show the main window normally and bring it forward; answers the window's state
    State,   // answers the window's state: "hidden", "minimized", "maximized" or "normal"
};

// One running copy of the program per user. The first copy holds a lock file and listens on a
// local socket beside it (in the user's runtime folder); a later start finds the lock taken,
// sends its request to the first copy and ends. A lock file rather than the socket alone
// decides who is first, because a copy that crashed leaves its socket behind but never its
// lock.
class CSingleInstance : public QObject {
    Q_OBJECT

public:
    enum class Claim {
        First,        // this is the running copy; requests of later starts arrive here
        Second,       // another copy runs
        Unavailable,  // neither could be found out (no lock file could be made)
    };
    using Handler = std::function<QString(InstanceRequest)>;
    // Takes over the connection (it becomes the handler's) with its first line.
    using RunHandler = std::function<void(QLocalSocket *connection, const QByteArray &line)>;

    // name: the socket's and the lock file's name, unique per user (InstanceName).
    explicit CSingleInstance(QString name, QObject *parent = nullptr);
    ~CSingleInstance() override;

    Claim TryClaim();
    // The first copy's answer to its requests.
    void SetHandler(Handler handler) { m_handler = std::move(handler); }
    void SetRunHandler(RunHandler handler) { m_runHandler = std::move(handler); }
    // Sends a request to the first copy and waits for its answer; none when it could not be
    // reached or did not answer in time.
    std::optional<QString> Send(InstanceRequest request, int timeoutMs = 5000);
    void Release();

    const QString &ServerName() const { return m_name; }

    static QString RequestText(InstanceRequest request);
    static std::optional<InstanceRequest> ParseRequest(QStringView text);
    static bool IsRunLine(const QByteArray &line);

    // Longer lines are cut off: a request names at most a path and some numbers.
    static constexpr qint64 MaxLine = 16384;

private:
    void Accept();
    void Answer(QLocalSocket *socket);

    QString m_name;
    CInstanceLock m_lock;
    std::unique_ptr<QLocalServer> m_server;
    Handler m_handler;
    RunHandler m_runHandler;
};
