#include "ui/RunController.h"

#include "engine/RunEnvironment.h"
#include "engine/RunRequest.h"
#include "engine/ThreadMirroring.h"
#include "ui/GuiRunHost.h"
#include "ui/ReportList.h"

#include <QThread>

#include <algorithm>
#include <system_error>
#include <thread>

// One run: its request, its environment, the host its worker talks to and the worker itself.
struct CRunController::Run {
    Run(AppFlags &flags, FileSystem &disk, const GlobalOptions &options, CReportList &report)
        : environment{.fileSystem = disk, .flags = flags, .options = options, .snapshotProvider = {}}
        , host(report.Rows(), [&report](const QString &text) { return report.TextWidth(text); })
    {
    }

    RunRequest request;
    RunEnvironment environment;
    CGuiRunHost host;
    std::thread worker;
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
    if (IsRunning())
        return false;
    auto run = std::make_unique<Run>(m_flags, m_disk, order.options, m_report);
    RunRequest &request = run->request;
    request.test = order.test;
    request.autoOnly = order.autoOnly;
    request.settings = std::move(order.settings);
    request.first = order.first;
    request.current = 0;
    request.stop = false;
    request.host = &run->host;
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
    if (m_active)
        m_active->request.stop = true;
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
    emit RunningChanged(false);
}

void CRunController::Reap(Run *run)
{
    const auto found = std::find_if(m_runs.begin(), m_runs.end(), [run](const auto &owned) { return owned.get() == run; });
    if (found == m_runs.end())
        return;
    run->worker.join();
    // Whatever the worker sent last is shown before its host goes.
    run->host.Flush();
    OnRunEnded(run);
    m_runs.erase(found);
}

void CRunController::Shutdown()
{
    for (const auto &run : m_runs) {
        run->request.stop = true;
        run->host.AnswerUnattended();
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
