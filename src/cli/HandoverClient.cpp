#include "cli/HandoverClient.h"

#include "engine/RunHost.h"

CHandoverClient::CHandoverClient(QString serverName)
    : CHandoverClient(std::move(serverName), Timeouts{})
{
}

CHandoverClient::CHandoverClient(QString serverName, Timeouts timeouts)
    : m_serverName(std::move(serverName)), m_timeouts(timeouts)
{
}

CHandoverClient::Read CHandoverClient::ReadLine(CLocalLineSocket &socket, QByteArray &line) const
{
    // The window says "alive" every second; silence this long means it is gone or hangs.
    return socket.ReadLine(line, CHandoverProtocol::MaxLine, m_timeouts.silenceMs);
}

CHandoverClient::Result CHandoverClient::Run(const HandoverRequest &request, RunHost &host)
{
    Result result;
    CLocalLineSocket socket;
    if (!socket.Connect(m_serverName, m_timeouts.connectMs)
        || !socket.Write(CHandoverProtocol::RequestLine(request), m_timeouts.connectMs))
        return result;

    // The first line says whether the window takes the run.
    QByteArray bytes;
    if (ReadLine(socket, bytes) != Read::Line)
        return result;
    const std::optional<HandoverLine> first = CHandoverProtocol::Parse(bytes);
    if (!first)
        return result;   // an answer of another program, or of a window that does not know runs
    if (first->word == HandoverWord::Refused) {
        const std::optional<HandoverRefusal> refusal = first->fields.isEmpty() ? std::nullopt : CHandoverProtocol::RefusalOf(first->fields.front());
        if (!refusal)
            return result;
        result.outcome = Outcome::Refused;
        result.refusal = *refusal;
        result.details = first->fields.mid(1);
        return result;
    }
    if (first->word != HandoverWord::Accepted)
        return result;

    result.outcome = Outcome::Lost;
    for (;;) {
        switch (ReadLine(socket, bytes)) {
        case Read::Line: break;
        case Read::Closed: result.lostReason = LostReason::Closed; return result;
        case Read::Silent: result.lostReason = LostReason::Silent; return result;
        case Read::TooLong: result.lostReason = LostReason::NotUnderstood; return result;
        }
        const std::optional<HandoverLine> line = CHandoverProtocol::Parse(bytes);
        std::optional<int> end;
        if (!line || !Dispatch(*line, host, socket, end)) {
            result.lostReason = LostReason::NotUnderstood;
            return result;
        }
        if (end) {
            result.outcome = Outcome::Ran;
            result.runResult = *end;
            return result;
        }
    }
}

bool CHandoverClient::Dispatch(const HandoverLine &line, RunHost &host, CLocalLineSocket &socket, std::optional<int> &end) const
{
    const QStringList &f = line.fields;
    // An answer that cannot be sent shows as the window's silence or its going away.
    const auto answer = [&](const QString &id, int value) {
        socket.Write(CHandoverProtocol::Line(HandoverWord::Answer, {id, QString::number(value)}), m_timeouts.silenceMs);
    };
    switch (line.word) {
    case HandoverWord::Row: {
        const std::optional<ReportRow> row = CHandoverProtocol::RowOf(f);
        if (row)
            host.AddReportRow(*row);
        return row.has_value();
    }
    case HandoverWord::Status:
        if (f.size() != 2)
            return false;
        host.StatusText(f[0], f[1]);
        return true;
    case HandoverWord::Message: {
        const auto message = CHandoverProtocol::MessageOf(f);
        if (message)
            answer(f[0], int(host.MessageBox(message->second)));
        return message.has_value();
    }
    case HandoverWord::Delete:
        if (f.size() != 4 || !CHandoverProtocol::Number(f[0]))
            return false;
        answer(f[0], int(host.ConfirmDelete(f[1], f[2], f[3])));
        return true;
    case HandoverWord::Alive:
        return true;
    case HandoverWord::End:
        end = f.size() == 1 ? CHandoverProtocol::Number(f[0], CHandoverProtocol::MaxResult) : std::nullopt;
        return end.has_value();
    case HandoverWord::Run:
    case HandoverWord::Accepted:
    case HandoverWord::Refused:
    case HandoverWord::Answer:
        break;
    }
    return false;
}
