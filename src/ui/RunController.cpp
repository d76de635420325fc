#include "ui/RunController.h"

#include "engine/RunEnvironment.h"
#include "engine/RunRequest.h"
#include "engine/ThreadMirroring.h"
#include "ui/GuiRunHost.h"
#include "ui/ReportList.h"
#include "ui/WrappingRunHost.h"

#include <QThread>

#include <algorithm>
#include <system_error>
#include <thread>

// One run: its request, its environment, the host its worker talks to and the worker itself.
struct CRunController::Run {
    Run(AppFlags &programFlags, FileSystem &disk, const RunOrder &order, CReportList &report)
        : flags(order.flags)
        , environment{.fileSystem = disk, .flags = flags ? *flags : programFlags, .options = order.options, .snapshotProvider = {}}
        , host(report.Rows(), [&report](const QString &text) { return report.TextWidth(text); })
        , outer(order.wrapHost ? order.wrapHost(host) : nullptr)
    {
    }

    std::shared_ptr<AppFlags> flags;
    RunRequest request;
    RunEnvironment environment;
    CGuiRunHost host;
    std::shared_ptr<WrappingRunHost> outer;   // the host the worker talks to, when not the window's
    std::thread worker;
    bool stopCommanded = false;
};

CRunController::CRunController(AppFlags &flags, FileSystem &disk, CReportList &report, QObject *parent)
    : QObject(parent), m_flags(flags), m_disk(disk), m_report(report), m_procedure(RunMirroringThread)
{
}

CRunController::~CRunController()
{
    Shutdown();
}

bool CRunController::Start(RunOrder order)
{
    if (IsRunning() || m_shuttingDown)
        return false;
    auto run = std::make_unique<Run>(m_flags, m_disk, order, m_report);
    RunRequest &request = run->request;
    request.test = order.test;
    request.autoOnly = order.autoOnly;
    request.settings = std::move(order.settings);
    request.first = order.first;
    request.current = 0;
    request.stop = false;
    request.host = run->outer ? static_cast<RunHost *>(run->outer.get()) : &run->host;
    request.running = true;

    Run *raw = run.get();
    CGuiRunHost &host = run->host;
    connect(&host, &CGuiRunHost::StatusTextChanged, this, &CRunController::StatusTextChanged);
    connect(&host, &CGuiRunHost::SettingUpdated, this, &CRunController::SettingUpdated);
    connect(&host, &CGuiRunHost::CloseEnabledChanged, this, &CRunController::CloseEnabledChanged);
    connect(&host, &CGuiRunHost::CloseRequested, this, &CRunController::CloseRequested);
    connect(&host, &CGuiRunHost::RunEnded, this, [this, raw] { OnRunEnded(raw); });

    try {
        run->worker = std::thread([this, raw, procedure = m_procedure] {
            procedure(raw->request, raw->environment);
            raw->host.WorkerEnded();
            // The controller waits for the worker before it goes, so it is still there.
            QMetaObject::invokeMethod(this, [this, raw] { Reap(raw); }, Qt::QueuedConnection);
        });
    } catch (const std::system_error &) {
        // No thread: nothing ran, and the run is not active.
        return false;
    }
    m_runs.push_back(std::move(run));
    m_active = raw;
    emit RunningChanged(true);
    return true;
}

void CRunController::RequestStop()
{
    if (!m_active)
        return;
    m_active->request.stop = true;
    m_active->stopCommanded = true;
}

bool CRunController::IsRunning() const
{
    return m_active != nullptr;
}

bool CRunController::StopRequested() const
{
    return m_active && m_active->request.stop;
}

void CRunController::OnRunEnded(Run *run)
{
    if (run != m_active)
        return;
    m_active = nullptr;
    m_lastStopped = run->request.stop;
    m_lastStopCommanded = run->stopCommanded;
    emit RunningChanged(false);
}

void CRunController::Reap(Run *run)
{
    const auto found = std::find_if(m_runs.begin(), m_runs.end(), [run](const auto &owned) { return owned.get() == run; });
    if (found == m_runs.end())
        return;
    // Out of the list before anyone hears of the end: a receiver may start the next run.
    const std::unique_ptr<Run> owned = std::move(*found);
    m_runs.erase(found);
    run->worker.join();
    // Whatever the worker sent last is shown before its host goes.
    run->host.Flush();
    OnRunEnded(run);
}

void CRunController::Shutdown()
{
    // No run starts any more, also not from a receiver of the end of one.
    m_shuttingDown = true;
    for (const auto &run : m_runs) {
        run->request.stop = true;
        run->host.AnswerUnattended();
        if (run->outer)
            run->outer->AnswerUnattended();
    }
    while (!m_runs.empty()) {
        Run *run = m_runs.front().get();
        while (!run->host.HasWorkerEnded()) {
            run->host.Flush();
            QThread::msleep(2);
        }
        Reap(run);
    }
}
