#include "app/RelayRunHost.h"

#include "app/HandoverProtocol.h"

CRelayRunHost::CRelayRunHost(RunHost &window, bool statusWanted, QObject *parent)
    : QObject(parent), m_window(window), m_statusWanted(statusWanted)
{
}

CRelayRunHost::~CRelayRunHost()
{
    // Not expected while the worker waits: its owner joins it first.
    CallerGone();
}

// ---------------------------------------------------------------------------------------------
// The worker's side

void CRelayRunHost::PutLocked(std::unique_lock<std::mutex> &lock, const QByteArray &line)
{
    m_space.wait(lock, [this] { return m_gone || m_outbox.size() < MaxOutbox; });
    if (m_gone)
        return;
    m_outbox += line;
    if (std::exchange(m_wakePending, true))
        return;
    // Taken on the interface thread; a host that has gone by then takes nothing.
    QMetaObject::invokeMethod(this, &CRelayRunHost::OutputReady, Qt::QueuedConnection);
}

void CRelayRunHost::Put(const QByteArray &line)
{
    std::unique_lock lock(m_mutex);
    PutLocked(lock, line);
}

void CRelayRunHost::StatusText(const QString &text, const QString &path)
{
    m_window.StatusText(text, path);
    if (m_statusWanted)
        Put(CHandoverProtocol::Line(HandoverWord::Status, {text, path}));
}

void CRelayRunHost::ClearReport()
{
    m_window.ClearReport();
}

void CRelayRunHost::AddReportRow(const ReportRow &row)
{
    m_window.AddReportRow(row);
    Put(CHandoverProtocol::Line(HandoverWord::Row, CHandoverProtocol::RowFields(row)));
}

void CRelayRunHost::SettingUpdate(const SettingState &state)
{
    m_window.SettingUpdate(state);
}

int CRelayRunHost::TextWidth(const QString &text)
{
    // The rows are the window's: its list measures them.
    return m_window.TextWidth(text);
}

void CRelayRunHost::EnableClose(bool enable)
{
    m_window.EnableClose(enable);
}

void CRelayRunHost::RunFinished()
{
    m_window.RunFinished();
}

int CRelayRunHost::Ask(const std::function<QByteArray(int)> &question, int unattended, int highest)
{
    std::future<int> answer;
    {
        std::unique_lock lock(m_mutex);
        if (m_gone)
            return unattended;
        const int id = ++m_nextId;
        Pending &pending = m_pending[id];
        pending.unattended = unattended;
        pending.highest = highest;
        answer = pending.promise.get_future();
        PutLocked(lock, question(id));
        if (m_gone)
            return unattended;
    }
    return answer.get();
}

MessageAnswer CRelayRunHost::MessageBox(const MessageBoxRequest &request)
{
    const auto question = [&request](int id) {
        return CHandoverProtocol::Line(HandoverWord::Message, CHandoverProtocol::MessageFields(id, request));
    };
    return MessageAnswer(Ask(question, int(request.unattended), int(MessageAnswer::No)));
}

DeleteChoice CRelayRunHost::ConfirmDelete(const QString &fileName, const QString &sizeText, const QString &dateText)
{
    const auto question = [&](int id) {
        return CHandoverProtocol::Line(HandoverWord::Delete, {QString::number(id), fileName, sizeText, dateText});
    };
    return DeleteChoice(Ask(question, int(UnansweredDelete), int(DeleteChoice::AbortRun)));
}

// ---------------------------------------------------------------------------------------------
// The interface thread's side

QByteArray CRelayRunHost::TakeOutput()
{
    QByteArray output;
    {
        std::lock_guard lock(m_mutex);
        output.swap(m_outbox);
        m_wakePending = false;
    }
    m_space.notify_all();
    return output;
}

void CRelayRunHost::Answer(int id, int value)
{
    std::lock_guard lock(m_mutex);
    const auto found = m_pending.find(id);
    if (found == m_pending.end())
        return;
    Pending &pending = found->second;
    pending.promise.set_value(value >= 0 && value <= pending.highest ? value : pending.unattended);
    m_pending.erase(found);
}

void CRelayRunHost::CallerGone()
{
    {
        std::lock_guard lock(m_mutex);
        m_gone = true;
        m_outbox.clear();
        for (auto &[id, pending] : m_pending)
            pending.promise.set_value(pending.unattended);
        m_pending.clear();
    }
    m_space.notify_all();
}

bool CRelayRunHost::IsCallerGone() const
{
    std::lock_guard lock(m_mutex);
    return m_gone;
}
