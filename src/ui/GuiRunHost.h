#pragma once

#include "engine/RunHost.h"
#include "ui/ReportListModel.h"

#include <QElapsedTimer>
#include <QObject>
#include <QPointer>
#include <QTimer>

#include <condition_variable>
#include <functional>
#include <future>
#include <memory>
#include <mutex>
#include <optional>
#include <vector>

// The windows as a run's worker sees them. The worker's calls travel through one ordered channel
// to the interface thread: rows and status texts are queued and shown in batches at most every
// FlushInterval (only the newest status text is shown); a call that needs an answer or a
// consistent record (a message box, the delete confirmation, a setting update, the text width,
// the end of the run) waits until the interface thread has shown everything queued before it
// and handled the call. Questions open windows that do not block the interface thread.
class CGuiRunHost : public QObject, public RunHost {
    Q_OBJECT

public:
    static constexpr int FlushInterval = 30;            // milliseconds
    static constexpr size_t MaxQueuedRows = 16384;      // a faster worker waits for the windows

    // textWidth measures in the report list's font; called on the interface thread.
    CGuiRunHost(CReportListModel &report, std::function<int(const QString &)> textWidth, QObject *parent = nullptr);
    ~CGuiRunHost() override;

    // Called on the worker.
    void StatusText(const QString &text, const QString &path) override;
    void ClearReport() override;
    void AddReportRow(const ReportRow &row) override;
    void SettingUpdate(const SettingState &state) override;
    MessageAnswer MessageBox(const MessageBoxRequest &request) override;
    DeleteChoice ConfirmDelete(const QString &fileName, const QString &sizeText, const QString &dateText) override;
    int TextWidth(const QString &text) override;
    void EnableClose(bool enable) override;
    void RunFinished() override;
    void RequestClose() override;
    // The worker's last call: it calls nothing after this.
    void WorkerEnded();

    // Interface thread: shows what is queued and handles a waiting call.
    void Flush();
    // From now on, questions take the answers that count when nobody can answer, and an open
    // question window is closed with that answer. For the end of the program during a run.
    void AnswerUnattended();
    bool HasWorkerEnded() const;

Q_SIGNALS:
    // All emitted on the interface thread, in the order the worker made its calls.
    void StatusTextChanged(const QString &text, const QString &path);
    // The worker waits until the receivers returned.
    void SettingUpdated(const SettingState &state);
    void CloseEnabledChanged(bool enabled);
    // The run has cleared its running flag and published its result.
    void RunEnded();
    void CloseRequested();

private:
    class Answer;
    using Reply = std::function<void(int)>;
    // A call the worker waits for. ask runs on the interface thread and replies now or later
    // (from a window); returns the window it opened, if any.
    struct Question {
        std::function<QWidget *(const Reply &)> ask;
        int unattended = 0;         // the answer when nobody can answer
        bool asksUser = false;      // opens a window for the user
        std::shared_ptr<Answer> answer;
    };

    int Ask(Question question);
    void ScheduleLocked();
    void ScheduleFlush();
    void Handle(Question question);
    void NoteCallAfterFinish();

    CReportListModel &m_report;
    std::function<int(const QString &)> m_textWidth;

    mutable std::mutex m_mutex;
    std::condition_variable m_space;
    // Queued by the worker, guarded by m_mutex. The newest block is still being filled.
    CReportListModel::Blocks m_blocks;
    size_t m_queuedRows = 0;
    bool m_clear = false;
    std::optional<std::pair<QString, QString>> m_status;
    std::optional<bool> m_closeEnabled;
    bool m_closeRequested = false;
    std::optional<Question> m_question;
    bool m_flushScheduled = false;
    bool m_finished = false;        // RunFinished returned
    bool m_ended = false;           // the worker is past the end of its run
    bool m_workerEnded = false;

    // Interface thread only.
    QTimer m_timer;
    QElapsedTimer m_sinceFlush;
    bool m_flushing = false;
    bool m_unattended = false;
    bool m_endAnnounced = false;
    QPointer<QWidget> m_openWindow;
    std::shared_ptr<Answer> m_openAnswer;
    int m_openUnattended = 0;
};
