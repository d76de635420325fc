#pragma once

#include "model/FolderSetting.h"
#include "model/GlobalOptions.h"

#include <QObject>

#include <functional>
#include <memory>
#include <vector>

struct AppFlags;
struct RunEnvironment;
struct RunRequest;
struct SettingState;
class CReportList;
class FileSystem;
class RunHost;
class WrappingRunHost;

// What a run command asks for: the settings to consider (copies, in table order) and where the
// first of them stands in the view's table.
struct RunOrder {
    bool test = false;
    bool autoOnly = false;
    std::vector<CFolderSetting> settings;
    int first = 0;
    GlobalOptions options;
    // A run another program asked for: the flags it runs with instead of the program's, and a
    // host that wraps the window's own and is the one the worker talks to.
    std::shared_ptr<AppFlags> flags;
    std::function<std::shared_ptr<WrappingRunHost>(RunHost &windowHost)> wrapHost;
};

// Runs on a worker thread, one at a time, and the channel from each to the windows. The view
// asks it to start and stop; it tells the view what the run shows. A run counts as active from
// its start until it has cleared its running flag; its worker may live on a little longer (for
// the completion message), and is waited for when the controller goes.
class CRunController : public QObject {
    Q_OBJECT

public:
    // The engine's thread procedure; tests and benchmarks give their own.
    using Procedure = std::function<bool(RunRequest &, RunEnvironment &)>;

    CRunController(AppFlags &flags, FileSystem &disk, CReportList &report, QObject *parent = nullptr);
    // Stops an active run and waits for every worker.
    ~CRunController() override;

    // False when a run is active, the controller is shutting down or no worker could be started.
    bool Start(RunOrder order);
    // Asks the active run to stop, as the stop command does; it ends its current setting and the run.
    void RequestStop();
    bool IsRunning() const;
    bool StopRequested() const;
    // Of the run that ended last: whether it was stopped (by RequestStop or by an answer), and
    // whether RequestStop did it.
    bool LastRunStopped() const { return m_lastStopped; }
    bool LastRunStopCommanded() const { return m_lastStopCommanded; }
    // Stops the active run and waits for every worker, showing what they send meanwhile; their
    // questions take the answers that count when nobody can answer.
    void Shutdown();

    void SetProcedure(Procedure procedure) { m_procedure = std::move(procedure); }

Q_SIGNALS:
    void StatusTextChanged(const QString &text, const QString &path);
    // The worker waits until the receivers returned.
    void SettingUpdated(const SettingState &state);
    void RunningChanged(bool running);
    void CloseEnabledChanged(bool enabled);
    void CloseRequested();

private:
    struct Run;

    void OnRunEnded(Run *run);
    void Reap(Run *run);

    AppFlags &m_flags;
    FileSystem &m_disk;
    CReportList &m_report;
    Procedure m_procedure;
    std::vector<std::unique_ptr<Run>> m_runs;
    Run *m_active = nullptr;
    bool m_shuttingDown = false;
    bool m_lastStopped = false;
    bool m_lastStopCommanded = false;
};
