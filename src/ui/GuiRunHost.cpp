#include "ui/GuiRunHost.h"

#include "ui/MessageBoxes.h"
#include "ui/ReportListModel.h"
#include "ui/dialogs/DlgDeleteFile.h"

#include <atomic>
#include <utility>

// The answer the worker waits for; the first value given counts, later ones (a window closed
// after the answer was forced) are dropped.
class CGuiRunHost::Answer {
public:
    void Set(int value)
    {
        if (!m_given.exchange(true))
            m_promise.set_value(value);
    }
    std::future<int> Future() { return m_promise.get_future(); }

private:
    std::atomic<bool> m_given{false};
    std::promise<int> m_promise;
};

CGuiRunHost::CGuiRunHost(CReportListModel &report, std::function<int(const QString &)> textWidth, QObject *parent)
    : QObject(parent), m_report(report), m_textWidth(std::move(textWidth))
{
    m_timer.setSingleShot(true);
    connect(&m_timer, &QTimer::timeout, this, &CGuiRunHost::Flush);
}

CGuiRunHost::~CGuiRunHost()
{
    // Not expected while a question is open: the owner waits for the worker first.
    AnswerUnattended();
}

// ---------------------------------------------------------------------------------------------
// The worker's side

void CGuiRunHost::StatusText(const QString &text, const QString &path)
{
    std::lock_guard lock(m_mutex);
    m_status.emplace(text, path);
    ScheduleLocked();
}

void CGuiRunHost::ClearReport()
{
    std::lock_guard lock(m_mutex);
    // Rows still queued would be cleared with the others.
    m_blocks.clear();
    m_queuedRows = 0;
    m_clear = true;
    ScheduleLocked();
}

void CGuiRunHost::AddReportRow(const ReportRow &row)
{
    std::unique_lock lock(m_mutex);
    m_space.wait(lock, [this] { return m_queuedRows < MaxQueuedRows; });
    if (m_blocks.empty() || m_blocks.back()->Full())
        m_blocks.push_back(std::make_unique<CReportRowBlock>());
    m_blocks.back()->Add(row);
    ++m_queuedRows;
    ScheduleLocked();
}

void CGuiRunHost::SettingUpdate(const SettingState &state)
{
    Ask({.ask = [this, state](const Reply &reply) -> QWidget * {
        emit SettingUpdated(state);
        reply(0);
        return nullptr;
    }});
}

MessageAnswer CGuiRunHost::MessageBox(const MessageBoxRequest &request)
{
    NoteCallAfterFinish();
    return MessageAnswer(Ask({.ask = [request](const Reply &reply) -> QWidget * {
                                  return CMessageBoxes::Open(request, nullptr,
                                                             [reply](MessageAnswer answer) { reply(int(answer)); });
                              },
                              .unattended = int(request.unattended),
                              .asksUser = true}));
}

DeleteChoice CGuiRunHost::ConfirmDelete(const QString &fileName, const QString &sizeText, const QString &dateText)
{
    NoteCallAfterFinish();
    return DeleteChoice(Ask({.ask = [fileName, sizeText, dateText](const Reply &reply) -> QWidget * {
                                 auto *dialog = new CDlgDeleteFile;
                                 dialog->setAttribute(Qt::WA_DeleteOnClose);
                                 dialog->SetTexts(fileName, sizeText, dateText);
                                 connect(dialog, &QDialog::finished, dialog,
                                         [dialog, reply](int) { reply(int(dialog->Choice())); });
                                 dialog->show();
                                 dialog->raise();
                                 dialog->activateWindow();
                                 return dialog;
                             },
                             .unattended = int(UnansweredDelete),
                             .asksUser = true}));
}

int CGuiRunHost::TextWidth(const QString &text)
{
    return Ask({.ask = [this, text](const Reply &reply) -> QWidget * {
        reply(m_textWidth(text));
        return nullptr;
    }});
}

void CGuiRunHost::EnableClose(bool enable)
{
    std::lock_guard lock(m_mutex);
    m_closeEnabled = enable;
    ScheduleLocked();
}

void CGuiRunHost::RunFinished()
{
    Ask({.ask = [](const Reply &reply) -> QWidget * {
        reply(0);
        return nullptr;
    }});
    std::lock_guard lock(m_mutex);
    m_finished = true;
}

void CGuiRunHost::RequestClose()
{
    {
        std::lock_guard lock(m_mutex);
        m_closeRequested = true;
        if (m_finished)
            m_ended = true;
    }
    QMetaObject::invokeMethod(this, &CGuiRunHost::Flush, Qt::QueuedConnection);
}

void CGuiRunHost::WorkerEnded()
{
    {
        std::lock_guard lock(m_mutex);
        m_ended = true;
        m_workerEnded = true;
    }
    QMetaObject::invokeMethod(this, &CGuiRunHost::Flush, Qt::QueuedConnection);
}

void CGuiRunHost::NoteCallAfterFinish()
{
    // After RunFinished the run clears its running flag and publishes its result before it
    // calls anything else: a call now means the run has ended.
    std::lock_guard lock(m_mutex);
    if (m_finished)
        m_ended = true;
}

int CGuiRunHost::Ask(Question question)
{
    question.answer = std::make_shared<Answer>();
    std::future<int> answer = question.answer->Future();
    {
        std::lock_guard lock(m_mutex);
        m_question = std::move(question);
    }
    QMetaObject::invokeMethod(this, &CGuiRunHost::Flush, Qt::QueuedConnection);
    return answer.get();
}

void CGuiRunHost::ScheduleLocked()
{
    if (m_flushScheduled)
        return;
    m_flushScheduled = true;
    QMetaObject::invokeMethod(this, &CGuiRunHost::ScheduleFlush, Qt::QueuedConnection);
}

// ---------------------------------------------------------------------------------------------
// The interface thread's side

bool CGuiRunHost::HasWorkerEnded() const
{
    std::lock_guard lock(m_mutex);
    return m_workerEnded;
}

void CGuiRunHost::ScheduleFlush()
{
    if (m_timer.isActive())
        return;
    const qint64 since = m_sinceFlush.isValid() ? m_sinceFlush.elapsed() : FlushInterval;
    if (since >= FlushInterval)
        Flush();
    else
        m_timer.start(int(FlushInterval - since));
}

void CGuiRunHost::Flush()
{
    // A receiver that opened a modal window runs a nested event loop: the next flush waits.
    if (m_flushing) {
        m_timer.start(FlushInterval);
        return;
    }
    m_flushing = true;
    m_timer.stop();
    CReportListModel::Blocks blocks;
    bool clear = false;
    std::optional<std::pair<QString, QString>> status;
    std::optional<bool> closeEnabled;
    bool closeRequested = false;
    std::optional<Question> question;
    bool ended = false;
    {
        std::lock_guard lock(m_mutex);
        blocks.swap(m_blocks);
        m_queuedRows = 0;
        clear = std::exchange(m_clear, false);
        status = std::exchange(m_status, std::nullopt);
        closeEnabled = std::exchange(m_closeEnabled, std::nullopt);
        closeRequested = std::exchange(m_closeRequested, false);
        question = std::exchange(m_question, std::nullopt);
        ended = m_ended;
        m_flushScheduled = false;
    }
    m_space.notify_all();
    m_sinceFlush.start();

    if (clear)
        m_report.Clear();
    m_report.Append(std::move(blocks));
    if (status)
        emit StatusTextChanged(status->first, status->second);
    if (closeEnabled)
        emit CloseEnabledChanged(*closeEnabled);
    if (ended && !m_endAnnounced) {
        m_endAnnounced = true;
        emit RunEnded();
    }
    m_flushing = false;
    if (question)
        Handle(std::move(*question));
    // Last: the receiver may close the window, and this host with it.
    if (closeRequested)
        emit CloseRequested();
}

void CGuiRunHost::Handle(Question question)
{
    const std::shared_ptr<Answer> answer = question.answer;
    if (question.asksUser && m_unattended) {
        answer->Set(question.unattended);
        return;
    }
    // The window may answer after this host has gone (it was told to answer unattended then).
    const Reply reply = [host = QPointer<CGuiRunHost>(this), answer](int value) {
        answer->Set(value);
        if (host && host->m_openAnswer == answer) {
            host->m_openAnswer.reset();
            host->m_openWindow = nullptr;
        }
    };
    if (QWidget *window = question.ask(reply); window && question.asksUser) {
        m_openWindow = window;
        m_openAnswer = answer;
        m_openUnattended = question.unattended;
    }
}

void CGuiRunHost::AnswerUnattended()
{
    m_unattended = true;
    if (const std::shared_ptr<Answer> answer = std::exchange(m_openAnswer, nullptr))
        answer->Set(m_openUnattended);
    // Hidden, not closed: a box whose buttons have no escape would refuse to close.
    if (QWidget *window = m_openWindow.data()) {
        m_openWindow = nullptr;
        window->hide();
        window->deleteLater();
    }
}
