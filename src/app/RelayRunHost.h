#pragma once

#include "ui/WrappingRunHost.h"

#include <QByteArray>
#include <QObject>

#include <condition_variable>
#include <functional>
#include <future>
#include <map>
#include <mutex>

// The host of a run that another program handed to the window. The window shows the run as
// one of its own (rows, status texts, the settings' results, the close button); the program
// that asked gets every row and answers every question, which the window does not ask itself.
// The worker's calls put lines into an outbox, in order; the interface thread takes them to
// the socket. When the asking program is gone, its questions take the answers that count when
// nobody can answer, and nothing more is kept for it.
class CRelayRunHost : public QObject, public WrappingRunHost {
    Q_OBJECT

public:
    // A worker that runs this far ahead of the asking program waits for it.
    static constexpr qsizetype MaxOutbox = 1 << 20;

    // Created on the interface thread. statusWanted: the status texts go out too.
    CRelayRunHost(RunHost &window, bool statusWanted, QObject *parent = nullptr);
    ~CRelayRunHost() override;

    // The worker's side.
    void StatusText(const QString &text, const QString &path) override;
    void ClearReport() override;
    void AddReportRow(const ReportRow &row) override;
    void SettingUpdate(const SettingState &state) override;
    MessageAnswer MessageBox(const MessageBoxRequest &request) override;
    DeleteChoice ConfirmDelete(const QString &fileName, const QString &sizeText, const QString &dateText) override;
    int TextWidth(const QString &text) override;
    void EnableClose(bool enable) override;
    void RunFinished() override;
    // A run for another program never closes the window.
    void RequestClose() override {}

    // The interface thread's side.
    QByteArray TakeOutput();
    // The asking program's answer to question id; unknown ids are passed over.
    void Answer(int id, int value);
    void CallerGone();
    bool IsCallerGone() const;
    void AnswerUnattended() override { CallerGone(); }

Q_SIGNALS:
    // There is output to take; emitted on the interface thread.
    void OutputReady();

private:
    struct Pending {
        std::promise<int> promise;
        int unattended = 0;
        int highest = 0;   // answers above are not from this program: the unattended one counts
    };

    // Queues a line; waits while the outbox is full and the caller there.
    void Put(const QByteArray &line);
    void PutLocked(std::unique_lock<std::mutex> &lock, const QByteArray &line);
    // Sends a question made for its id and waits for the answer.
    int Ask(const std::function<QByteArray(int)> &question, int unattended, int highest);

    RunHost &m_window;
    const bool m_statusWanted;
    mutable std::mutex m_mutex;
    std::condition_variable m_space;
    QByteArray m_outbox;
    bool m_wakePending = false;
    bool m_gone = false;
    int m_nextId = 0;
    std::map<int, Pending> m_pending;
};
