#pragma once

#include "app/HandoverProtocol.h"
#include "platform/LocalLineSocket.h"

#include <QByteArray>
#include <QString>
#include <QStringList>

#include <optional>

class RunHost;

// orvane-cli's side of a run that the window carries out because it holds the configuration:
// the request goes over the window's single-instance socket; every row, status text and
// question that comes back is given to the host, as if the run were this program's own, and
// each answer goes back. A window that goes away or stops answering ends the wait at once or
// after the silence limit, never in a hang.
class CHandoverClient {
public:
    enum class Outcome {
        NoWindow,   // nobody took the request (no window, or one that does not know it)
        Refused,    // the window said why not: refusal and details
        Ran,        // the run ended: runResult
        Lost,       // the window went away or fell silent during the run: lostReason
    };
    enum class LostReason { Closed, Silent, NotUnderstood };

    struct Result {
        Outcome outcome = Outcome::NoWindow;
        HandoverRefusal refusal = HandoverRefusal::Busy;
        QStringList details;
        int runResult = 0;
        LostReason lostReason = LostReason::Closed;
    };

    struct Timeouts {
        int connectMs = 2000;
        int silenceMs = CHandoverProtocol::SilenceLimitMs;
    };

    explicit CHandoverClient(QString serverName);
    CHandoverClient(QString serverName, Timeouts timeouts);

    Result Run(const HandoverRequest &request, RunHost &host);

private:
    using Read = CLocalLineSocket::Read;

    Read ReadLine(CLocalLineSocket &socket, QByteArray &line) const;
    // Gives one line of the run to the host; false when it is not understood. end: the result.
    bool Dispatch(const HandoverLine &line, RunHost &host, CLocalLineSocket &socket, std::optional<int> &end) const;

    QString m_serverName;
    Timeouts m_timeouts;
};
