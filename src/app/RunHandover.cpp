#include "app/RunHandover.h"

#include "app/RelayRunHost.h"
#include "config/Configuration.h"
#include "model/AppFlags.h"
#include "ui/OrvaneView.h"
#include "ui/RunController.h"

#include <QLocalSocket>

#include <algorithm>

namespace {

constexpr int AllSettings = -1;

} // namespace

CRunHandover::CRunHandover(QLocalSocket *connection, const HandoverRequest &request, COrvaneView &view,
                           CConfiguration &config, const AppFlags &windowFlags, QObject *parent)
    : QObject(parent)
    , m_socket(connection)
    , m_request(request)
    , m_view(&view)
    , m_config(config)
    , m_logoffMode(windowFlags.LogoffMode)
{
    m_socket->setParent(this);
    m_queue = request.settings.isEmpty() ? QList<int>{AllSettings} : request.settings;
    connect(m_socket, &QLocalSocket::readyRead, this, &CRunHandover::ReadAnswers);
    connect(m_socket, &QLocalSocket::bytesWritten, this, [this] {
        m_sinceProgress.restart();
        Pump();
    });
    connect(m_socket, &QLocalSocket::disconnected, this, &CRunHandover::CallerGone);
    connect(&view.Runs(), &CRunController::RunningChanged, this, &CRunHandover::OnRunningChanged);
    m_heartbeat.setInterval(CHandoverProtocol::HeartbeatMs);
    connect(&m_heartbeat, &QTimer::timeout, this, &CRunHandover::Heartbeat);
}

CRunHandover::~CRunHandover()
{
    m_heartbeat.stop();
    if (m_relay)
        m_relay->CallerGone();
    // The connection goes without a word: the caller reads that the window went away.
    if (m_socket) {
        QObject::disconnect(m_socket, nullptr, this, nullptr);
        m_socket->abort();
    }
}

void CRunHandover::Refuse(QLocalSocket *connection, HandoverRefusal refusal, const QStringList &details)
{
    QObject::connect(connection, &QLocalSocket::disconnected, connection, &QObject::deleteLater);
    connection->write(CHandoverProtocol::Line(HandoverWord::Refused, QStringList{CHandoverProtocol::RefusalWord(refusal)} + details));
    // Closes once the line is written, or cut off when the caller does not read it.
    connection->disconnectFromServer();
    QTimer::singleShot(StallLimitMs, connection, [connection] { connection->abort(); });
}

bool CRunHandover::Start()
{
    if (!StartNext()) {
        m_callerGone = true;
        QObject::disconnect(m_socket, nullptr, this, nullptr);
        m_socket->setParent(nullptr);
        Refuse(m_socket, HandoverRefusal::NoWorker);
        m_socket = nullptr;
        deleteLater();
        return false;
    }
    m_active = true;
    Write(CHandoverProtocol::Line(HandoverWord::Accepted));
    m_sinceProgress.start();
    m_heartbeat.start();
    // The request line may have come with answers already; none are due yet, but read on.
    ReadAnswers();
    return true;
}

bool CRunHandover::StartNext()
{
    if (!m_view || m_queue.isEmpty())
        return false;
    const int setting = m_queue.takeFirst();
    RunOrder order{.test = m_request.test, .autoOnly = setting == AllSettings, .options = m_config.Options()};
    if (setting == AllSettings) {
        for (int i = 0; i < m_view->Count(); ++i)
            order.settings.push_back(m_view->Setting(i));
    } else if (setting < m_view->Count()) {
        order.first = setting;
        order.settings.push_back(m_view->Setting(setting));
    } else {
        return false;
    }
    // The caller's flags: its schedule gates, and no after-run action of the window.
    m_runFlags = std::make_shared<AppFlags>();
    m_runFlags->AutoMode = m_request.autoMode;
    m_runFlags->LogoffMode = m_logoffMode;
    order.flags = m_runFlags;
    order.wrapHost = [this](RunHost &window) {
        m_relay = std::make_shared<CRelayRunHost>(window, m_request.statusWanted);
        if (m_callerGone)
            m_relay->CallerGone();
        connect(m_relay.get(), &CRelayRunHost::OutputReady, this, &CRunHandover::Pump);
        return m_relay;
    };
    if (m_view->Runs().Start(std::move(order)))
        return true;
    m_relay.reset();
    return false;
}

void CRunHandover::OnRunningChanged(bool running)
{
    if (running || !m_relay || !m_view)
        return;
    // Everything the run sent, whatever the caller has not read yet.
    Write(m_relay->TakeOutput());
    m_relay.reset();
    m_worst = std::max(m_worst, m_runFlags->LastRunResult.load());
    const CRunController &runs = m_view->Runs();
    // As orvane-cli: a stop the caller's user chose ends them all, and so does 中止 in the window.
    const bool stopAll = runs.LastRunStopCommanded() || (m_request.interactive && runs.LastRunStopped());
    if (m_queue.isEmpty() || m_callerGone || stopAll) {
        Finish();
        return;
    }
    if (!StartNext()) {
        // A listed setting that could not run was not carried out.
        m_worst = CHandoverProtocol::MaxResult;
        Finish();
    }
}

bool CRunHandover::Connected() const
{
    return m_socket && m_socket->state() == QLocalSocket::ConnectedState;
}

void CRunHandover::Write(const QByteArray &bytes)
{
    if (!bytes.isEmpty() && Connected())
        m_socket->write(bytes);
}

void CRunHandover::Pump()
{
    // A caller that reads slowly holds the worker back instead of filling the memory.
    if (!m_relay || !Connected() || m_socket->bytesToWrite() >= CRelayRunHost::MaxOutbox)
        return;
    Write(m_relay->TakeOutput());
}

void CRunHandover::ReadAnswers()
{
    while (m_socket && m_socket->canReadLine()) {
        const std::optional<HandoverLine> line = CHandoverProtocol::Parse(m_socket->readLine(CHandoverProtocol::MaxLine));
        if (!line || line->word != HandoverWord::Answer || line->fields.size() != 2)
            continue;   // not for this side: passed over
        const std::optional<int> id = CHandoverProtocol::Number(line->fields[0]);
        const std::optional<int> value = CHandoverProtocol::Number(line->fields[1]);
        if (id && value && m_relay)
            m_relay->Answer(*id, *value);
    }
    if (m_socket && !m_socket->canReadLine() && m_socket->bytesAvailable() >= CHandoverProtocol::MaxLine)
        CallerGone();
}

void CRunHandover::Heartbeat()
{
    if (m_socket && m_socket->bytesToWrite() > 0 && m_sinceProgress.hasExpired(StallLimitMs)) {
        CallerGone();
        return;
    }
    if (m_active && m_socket && m_socket->bytesToWrite() == 0)
        Write(CHandoverProtocol::Line(HandoverWord::Alive));
}

void CRunHandover::CallerGone()
{
    if (std::exchange(m_callerGone, true))
        return;
    // Nobody waits for the rest: the run stops as 中止 stops it, and the job ends with it. The
    // stop comes before the waiting question is answered, so the worker cannot go on meanwhile.
    const bool running = m_active && m_relay && m_view;
    if (running)
        m_view->StopRun();
    if (m_relay)
        m_relay->CallerGone();
    if (m_socket && m_socket->state() != QLocalSocket::UnconnectedState)
        m_socket->abort();
    if (!m_active)
        deleteLater();
    else if (!running)
        Finish();
}

void CRunHandover::Finish()
{
    m_active = false;
    Write(CHandoverProtocol::Line(HandoverWord::End, {QString::number(m_worst)}));
    if (!Connected()) {
        m_heartbeat.stop();
        deleteLater();
        return;
    }
    // Goes when the caller has read the end and the connection is closed (or the caller stalls).
    connect(m_socket, &QLocalSocket::disconnected, this, &QObject::deleteLater);
    m_socket->disconnectFromServer();
}
