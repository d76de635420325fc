#pragma once

#include "app/HandoverProtocol.h"

#include <QElapsedTimer>
#include <QObject>
#include <QPointer>
#include <QTimer>

#include <memory>

struct AppFlags;
class CConfiguration;
class COrvaneView;
class CRelayRunHost;
class QLocalSocket;

// A run of orvane-cli that the window carries out because it holds the configuration: 全更新 or
// 全テスト of the active project, or one run per listed setting, each started as the window's
// command would start it, with the caller's schedule gates and none of the window's after-run
// actions. The window shows the run; the caller gets the rows, answers the questions, and at
// the end the highest result code. A caller that goes away stops the run as 中止 does; a
// window that goes away closes the connection, which the caller notices at once.
class CRunHandover : public QObject {
    Q_OBJECT

public:
    // A caller that has not read for this long is taken for gone.
    static constexpr int StallLimitMs = 60000;

    // connection: becomes this object's child. The project to run is the active one.
    CRunHandover(QLocalSocket *connection, const HandoverRequest &request, COrvaneView &view, CConfiguration &config,
                 const AppFlags &windowFlags, QObject *parent = nullptr);
    // Abandons the caller: what waits for it takes the unattended answers, the connection closes.
    ~CRunHandover() override;

    // Answers a request with a refusal and closes the connection (it deletes itself when closed).
    static void Refuse(QLocalSocket *connection, HandoverRefusal refusal, const QStringList &details = {});

    // Starts the first run; false when no worker could be started (the caller was refused).
    bool Start();
    // Between Start and the end line: the window takes no other request meanwhile.
    bool IsActive() const { return m_active; }

private:
    bool StartNext();
    void OnRunningChanged(bool running);
    void Pump();
    void ReadAnswers();
    void Heartbeat();
    void CallerGone();
    void Finish();
    bool Connected() const;
    void Write(const QByteArray &bytes);

    QLocalSocket *m_socket;
    HandoverRequest m_request;
    QPointer<COrvaneView> m_view;
    CConfiguration &m_config;
    const bool m_logoffMode;
    QList<int> m_queue;                      // the settings still to run; -1: all of them
    std::shared_ptr<CRelayRunHost> m_relay;  // of the run now active
    std::shared_ptr<AppFlags> m_runFlags;
    int m_worst = 0;
    bool m_active = false;
    bool m_callerGone = false;
    QTimer m_heartbeat;
    QElapsedTimer m_sinceProgress;
};
