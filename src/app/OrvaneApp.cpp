#include "app/OrvaneApp.h"

#include "app/FirstStartQuestion.h"
#include "app/MainFrame.h"
#include "app/RunHandover.h"
#include "app/ToolDialogBar.h"
#include "config/Configuration.h"
#include "platform/InstanceLock.h"
#include "platform/Paths.h"
#include "platform/PosixFileSystem.h"
#include "platform/Text.h"
#include "res/StringIds.h"
#include "ui/MessageBoxes.h"
#include "ui/OrvaneView.h"
#include "ui/RunController.h"

#include <QApplication>
#include <QFileInfo>
#include <QSessionManager>

namespace {

// The INI file without ini= is named after the program, whatever its file is called, so the
// window and orvane-cli find the same one.
const QString MainProgramName = QStringLiteral("orvane");

} // namespace

COrvaneApp::COrvaneApp() : COrvaneApp(Setup()) {}

COrvaneApp::COrvaneApp(Setup setup) : m_setup(std::move(setup))
{
    if (m_setup.boxes) {
        m_boxes = m_setup.boxes;
    } else {
        m_ownBoxes = std::make_unique<CMessageBoxes>();
        m_boxes = m_ownBoxes.get();
    }
}

COrvaneApp::~COrvaneApp()
{
    // The window goes before the configuration and the disk it refers to.
    m_view = nullptr;
    m_frame.reset();
}

std::optional<int> COrvaneApp::Start(const QStringList &arguments)
{
    if (HandOver()) {
        // A second start: the first copy shows its window; nothing here is read or saved.
        return 0;
    }

    m_options = CStartupWords::Parse(arguments.mid(1));
    m_flags.AutoMode = m_options.autoMode;
    m_flags.AfterRunExit = m_options.afterRunExit;
    m_flags.AfterRunShutdown = m_options.afterRunShutdown;
    m_flags.LogoffMode = m_options.logoffMode;
    m_flags.ForceIni = m_options.forceIni;

    m_config = std::make_unique<CConfiguration>(m_flags, *m_boxes);
    ModulePath program;
    program.folder = ProgramFolder();
    program.name = MainProgramName;
    m_config->Store().SetIniPath(CSettingsStore::BuildIniPath(program, m_options.iniName));

    const CFirstStartQuestion::Decision decision = CFirstStartQuestion(m_config->Store(), m_flags, *m_boxes).Decide();
    if (decision != CFirstStartQuestion::Decision::Go) {
        // The program ends without a window and without writing anything.
        m_flags.LogoffMode = true;
        m_config->SetGlobalSaveSuppressed(true);
        return decision == CFirstStartQuestion::Decision::Cancelled ? 0 : ExitIniNotWritable;
    }
    if (const std::optional<int> code = LockConfiguration())
        return code;

    // The index given by project= is known before the load, which reads the stored one only
    // when none was given, and is in range before the view loads its settings.
    m_config->SetActiveProject(m_options.project.value_or(-1));
    m_config->LoadGlobalSettings();
    m_config->ConvertIniToUnicode();
    m_config->BringActiveProjectIntoRange();
    m_loaded = true;

    CreateWindow();
    m_frame->ShowInitially(m_options.startHidden);
    m_frame->FirstShow();
    return std::nullopt;
}

bool COrvaneApp::HandOver()
{
    const QString name = m_setup.instanceName.isEmpty() ? InstanceName(LoadResString(IDS_APP_TITLE))
                                                        : m_setup.instanceName;
    m_instance = std::make_unique<CSingleInstance>(name);
    switch (m_instance->TryClaim()) {
    case CSingleInstance::Claim::Second:
        m_secondCopy = true;
        // Whether the first copy answers or not, this one ends without a word.
        m_instance->Send(InstanceRequest::Show);
        return true;
    case CSingleInstance::Claim::Unavailable:
        // No way to tell; the configuration's lock still keeps two copies off one configuration.
        qWarning("orvane: cannot tell whether the program runs already (%s)", qPrintable(name));
        return false;
    case CSingleInstance::Claim::First:
        m_instance->SetHandler([this](InstanceRequest request) { return Answer(request); });
        m_instance->SetRunHandler([this](QLocalSocket *connection, const QByteArray &line) { HandleRunRequest(connection, line); });
        return false;
    }
    return false;
}

QString COrvaneApp::Answer(InstanceRequest request)
{
    if (!m_frame)
        return QStringLiteral("none");   // still starting, or ending
    if (request == InstanceRequest::Show)
        m_frame->ShowNormally();
    return m_frame->WindowStateText();
}

std::optional<int> COrvaneApp::LockConfiguration()
{
    CSettingsStore &store = m_config->Store();
    const bool ini = m_flags.ForceIni || !store.UseRegistry();
    m_lock = std::make_unique<CInstanceLock>(CInstanceLock::LockPathFor(store.FilePath(!ini)));
    switch (m_lock->TryLock()) {
    case CInstanceLock::Result::Acquired:
        return std::nullopt;
    case CInstanceLock::Result::Failed:
        // Where no lock file can be made, orvane-cli cannot make one either and does not run.
        qWarning("orvane: cannot lock the configuration (%s): %s", qPrintable(m_lock->Path()),
                 qPrintable(SystemErrorText(m_lock->Error()).trimmed()));
        return std::nullopt;
    case CInstanceLock::Result::HeldElsewhere:
        break;
    }
    m_config->SetGlobalSaveSuppressed(true);
    MessageBoxRequest box;
    box.text = QStringLiteral(u"この設定は別のプログラム (orvane-cli run など) が使用しています。\n"
                              u"そのプログラムが終わってから、もう一度起動してください。\n\n%1")
                   .arg(m_lock->Path());
    box.caption = LoadResString(IDS_APP_TITLE);
    box.icon = MessageIcon::Error;
    m_boxes->ShowMessageBox(box);
    return ExitConfigurationInUse;
}

void COrvaneApp::CreateWindow()
{
    m_disk = std::make_unique<PosixFileSystem>();
    m_frame = std::make_unique<CMainFrame>(*m_config, m_flags, m_setup.trayAvailable);
    CMainFrame *frame = m_frame.get();
    // Creating the view loads the active project's folder settings.
    m_view = new COrvaneView(*m_config, m_flags, *m_disk, frame);
    if (m_setup.boxes)
        m_view->SetMessageBoxPresenter(*m_setup.boxes);
    m_view->SetConfigurationLock(m_lock);
    frame->SetView(m_view, m_view);

    connect(m_view, &COrvaneView::StatusTextChanged, frame, [frame](const QString &text, const QString &path) {
        const auto part = [](const QString &s) { return s.isNull() ? std::nullopt : std::optional<QString>(s); };
        frame->SetStatusText(part(text), part(path));
    });
    connect(m_view, &COrvaneView::CloseEnabledChanged, frame, &CMainFrame::SetCloseEnabled);
    connect(m_view, &COrvaneView::CommandStatesChanged, frame, &CMainFrame::UpdateCommandStates);
    connect(m_view, &COrvaneView::RunningChanged, frame, &CMainFrame::UpdateCommandStates);
    // Before the view loads the active project: the box brings the active number into the list.
    connect(m_view, &COrvaneView::ProjectListChanged, frame, [this, frame] { frame->DialogBar()->FillProjectBox(*m_config); });
    // Posted, as the run's close request is: the window closes after the run has ended.
    connect(m_view, &COrvaneView::CloseRequested, frame, &QWidget::close, Qt::QueuedConnection);
    connect(frame, &CMainFrame::Closed, this, [this] {
        m_windowClosed = true;
        emit Finished();
    });
    // The session ends: an active run is asked to stop, and the session may go on. A quit that
    // comes while the window is still open comes from the session too.
    if (auto *gui = qobject_cast<QGuiApplication *>(QCoreApplication::instance())) {
        connect(gui, &QGuiApplication::commitDataRequest, this, [this](QSessionManager &) { SessionEnding(); },
                Qt::DirectConnection);
        connect(gui, &QCoreApplication::aboutToQuit, this, [this] {
            if (!m_windowClosed)
                SessionEnding();
        });
    }
}

void COrvaneApp::SessionEnding()
{
    m_sessionEnding = true;
    if (m_frame)
        m_frame->SetSessionEnding();
    if (m_view)
        m_view->StopRun();
}

// ---------------------------------------------------------------------------------------------
// Runs handed over by orvane-cli

void COrvaneApp::HandleRunRequest(QLocalSocket *connection, const QByteArray &line)
{
    // A line cut off at its length limit is no request.
    const std::optional<HandoverLine> parsed = line.endsWith('\n') ? CHandoverProtocol::Parse(line) : std::nullopt;
    const std::optional<HandoverRequest> request = parsed ? CHandoverProtocol::RequestOf(*parsed) : std::nullopt;
    if (const std::optional<Refusal> refusal = RefusalFor(request)) {
        CRunHandover::Refuse(connection, refusal->reason, refusal->details);
        return;
    }
    if (request->project && *request->project != m_config->ActiveProject()) {
        // As picking it in the project box: the project the run is about is the one shown.
        m_view->SwitchToProject(*request->project);
        m_frame->DialogBar()->ShowActiveProject(m_config->ActiveProject());
    }
    auto *handover = new CRunHandover(connection, *request, *m_view, *m_config, m_flags, this);
    if (handover->Start())
        m_handover = handover;
}

std::optional<COrvaneApp::Refusal> COrvaneApp::RefusalFor(const std::optional<HandoverRequest> &request) const
{
    using R = HandoverRefusal;
    if (!request)
        return Refusal{R::BadRequest, {}};
    if (!m_frame || !m_view || m_windowClosed || m_sessionEnding)
        return Refusal{R::NotReady, {}};
    if (!HoldsConfiguration(request->lockPath))
        return Refusal{R::OtherConfiguration, {}};
    if (Busy())
        return Refusal{R::Busy, {}};
    // A dialog may be editing a setting of the table the run would write to.
    if (QApplication::activeModalWidget())
        return Refusal{R::DialogOpen, {}};
    const int projects = m_config->Projects().Count();
    if (request->project && *request->project >= projects)
        return Refusal{R::NoProject, {QString::number(projects)}};
    if (request->settings.isEmpty())
        return std::nullopt;
    const int project = request->project.value_or(m_config->ActiveProject());
    const int count = SettingCount(project);
    for (int setting : request->settings) {
        if (setting >= count)
            return Refusal{R::NoSetting, {QString::number(setting), QString::number(project), QString::number(count)}};
    }
    return std::nullopt;
}

bool COrvaneApp::HoldsConfiguration(const QString &lockPath) const
{
    if (!m_lock || !m_lock->IsLocked())
        return false;
    // Both lock files exist: the caller found this one taken.
    const QString mine = QFileInfo(m_lock->Path()).canonicalFilePath();
    const QString theirs = QFileInfo(lockPath).canonicalFilePath();
    return mine.isEmpty() || theirs.isEmpty() ? m_lock->Path() == lockPath : mine == theirs;
}

bool COrvaneApp::Busy() const
{
    // The window's own unattended run must not be pushed aside by one that came in before it.
    return m_view->Runs().IsRunning() || (m_handover && m_handover->IsActive()) || m_view->UnattendedStartPending();
}

int COrvaneApp::SettingCount(int project) const
{
    if (project == m_config->ActiveProject())
        return m_view->Count();
    return m_config->StoredFolderSettingCount(project);
}

int COrvaneApp::End()
{
    // A caller still waiting hears the connection close; what its run waits for is answered.
    delete m_handover.data();
    // The view saves the active project as it goes.
    m_view = nullptr;
    m_frame.reset();
    if (m_loaded)
        m_config->SaveGlobalSettings();   // writes nothing for a log-off start
    if (m_instance)
        m_instance->Release();
    if (m_lock)
        m_lock->Unlock();
    if (m_secondCopy)
        return 0;
    if (!PowerOffDue())
        return ExitCode(m_flags.LastRunResult, std::nullopt);
    const CPowerOff::Outcome outcome = m_setup.powerOff ? m_setup.powerOff() : CPowerOff::Request();
    return ExitCode(m_flags.LastRunResult, outcome);
}

bool COrvaneApp::PowerOffDue() const
{
    // A session that ends takes the program with it: logging off powers nothing off.
    return m_loaded && !m_sessionEnding && m_flags.AnySettingCompleted && m_flags.AfterRunShutdown;
}

int COrvaneApp::ExitCode(int lastRunResult, std::optional<CPowerOff::Outcome> powerOff)
{
    // Without the right to power off the program ends quietly with 0; a power-off that was
    // allowed but failed leaves the run's result.
    return powerOff == CPowerOff::Outcome::NotPermitted ? 0 : lastRunResult;
}
