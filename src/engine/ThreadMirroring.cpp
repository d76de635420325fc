#include "engine/ThreadMirroring.h"

#include "engine/RunHost.h"
#include "engine/RunRequest.h"
#include "model/AppFlags.h"
#include "model/FolderSetting.h"
#include "platform/MessageBox.h"
#include "platform/Paths.h"
#include "platform/Text.h"
#include "res/StringIds.h"

#include <QDir>

namespace {

bool IsInside(const QString &inner, const QString &outer)
{
    return inner.size() > outer.size() && inner.startsWith(outer);
}


// The disk's snapshot service, or this platform's own, which cannot snapshot.
std::unique_ptr<CVssBackup> MakeShadowCopy(RunEnvironment &environment, FileSystem &disk)
{
    return std::make_unique<CVssBackup>(
        disk, environment.snapshotProvider ? environment.snapshotProvider() : nullptr,
        [&disk](const QString &folder) { return disk.VolumeRoot(folder); });
}

} // namespace

bool RunMirroringThread(RunRequest &request, RunEnvironment &environment)
{
    CThreadMirroring run(request, environment);
    return run.Run();
}

CThreadMirroring::CThreadMirroring(RunRequest &request, RunEnvironment &environment)
    : m_request(request)
    , m_environment(environment)
    , m_state(request.test, request.stop)
    , m_reporter(*request.host, m_state, environment.flags, environment.options)
    , m_filter(m_fileMatcher, m_folderMatcher)
    , m_disk(environment.fileSystem, m_journal)
    , m_shadowCopy(MakeShadowCopy(environment, m_disk))
    , m_operations(m_state, m_reporter, m_disk, *m_shadowCopy)
    , m_walk(m_state, m_reporter, m_operations, m_filter, m_disk, m_journal, environment.readers)
{
    m_state.walkRoot = MakeFolderRoot(QDir::currentPath()).value_or(QString());
}

CThreadMirroring::~CThreadMirroring()
{
    m_shadowCopy->ReleaseSnapshot();
    m_fileMatcher.Release();
    m_folderMatcher.Release();
}

// ---------------------------------------------------------------------------------------------
// The run driver

bool CThreadMirroring::Run()
{
    AppFlags &flags = m_environment.flags;
    const GlobalOptions &options = m_environment.options;
    flags.AnySettingCompleted = false;
    m_request.running = true;
    m_state.runStart = m_environment.now().toSecsSinceEpoch();

    Host().EnableClose(false);
    Host().ClearReport();

    const bool globalLogReady = IsTest() || !options.OutputLog || !options.ClearLog || ClearGlobalLog();
    if (!globalLogReady)
        m_reporter.RaiseResult(ErrorLevel::Setting);

    bool runSuccess = false;
    if (!m_fileMatcher.Create(true)) {
        ShowMatcherError(m_fileMatcher);
        m_reporter.RaiseResult(ErrorLevel::Setting);
    } else if (globalLogReady) {
        if (!m_folderMatcher.Create(true)) {
            ShowMatcherError(m_folderMatcher);
            m_reporter.RaiseResult(ErrorLevel::Setting);
        } else {
            runSuccess = true;
            for (int index = 0; index < int(m_request.settings.size()); ++index) {
                if (!ProcessSelected(index, runSuccess))
                    break;
            }
        }
    }

    FinishRun();
    if (!IsTest() && flags.AfterRunMessage)
        m_reporter.ShowMessage(Text(IDS_MSG_BACKUP_COMPLETE), Text(IDS_CAPTION_BACKUP_COMPLETE), MessageIcon::Information);
    const bool afterRunAction = flags.AfterRunExit || flags.AfterRunShutdown;
    const bool anythingRan = flags.AnySettingCompleted || flags.AutoMode;
    const bool mayClose = runSuccess || (flags.AutoMode && options.AutoExitWhenError);
    if (!IsTest() && afterRunAction && anythingRan && mayClose)
        Host().RequestClose();
    return runSuccess;
}

void CThreadMirroring::ShowMatcherError(const CBRegExp &matcher)
{
    if (!m_reporter.MessagesSuppressedForExit())
        m_reporter.ShowMessage(matcher.ErrorText(), Text(IDS_APP_TITLE), MessageIcon::Error);
}

bool CThreadMirroring::ProcessSelected(int index, bool &runSuccess)
{
    const qint64 startTime = m_environment.now().toSecsSinceEpoch();
    m_request.current = index;
    CFolderSetting &candidate = m_request.settings[size_t(index)];
    m_state.confirmDelete = candidate.DeleteConf;
    if (m_request.autoOnly && !candidate.AutoExec)
        return true;
    if (m_environment.flags.AutoMode && !PassesSchedule(candidate, startTime))
        return true;

    m_state.setting = &candidate;
    if ((!IsTest() && !OpenSettingLog(candidate)) || !CompilePatterns(candidate)) {
        m_reporter.RaiseResult(ErrorLevel::Setting);
        runSuccess = false;
        return false;
    }

    candidate.Errors = CFolderSetting::ErrorsRunning;
    PublishSetting(index, candidate);
    candidate.Errors = 0;

    const QString title = FormatPrintf(Text(IDS_REPORT_SETTING_TITLE), {candidate.Name});
    const QString separator = SeparatorFor(title);

    // A date folder is a working copy's concern: the list and the store keep the plain folder.
    std::optional<CFolderSetting> workingCopy;
    if (candidate.MakeDateDir) {
        workingCopy = candidate;
        workingCopy->Backup = DateFolderOf(candidate.Backup);
    }
    CFolderSetting *current = workingCopy ? &*workingCopy : &candidate;

    if (m_reporter.LogIsOpen() && !IsTest())
        WriteHeader(*current);
    m_reporter.AddReportRow(Text(IsTest() ? IDS_OP_TEST_START : IDS_OP_START), title);

    m_state.backupChanged = false;
    m_state.backupRootCreated = false;
    const bool completed = ProcessSetting(current);
    // What a completed setting wrote is on the disk before its LastExec says it is done; a
    // failure to make sure is reported and counted like any failed write.
    if (completed)
        m_operations.SyncBackup(m_state.backupRoot);
    if (completed) {
        m_reporter.AddReportRow(Text(IDS_OP_END), separator);
        if (!IsTest())
            current->LastExec = startTime;
    } else {
        m_reporter.AddReportRow(Text(IDS_OP_ABORTED), QString());
        if (!m_reporter.MessagesSuppressedForExit())
            m_reporter.ShowMessage(Text(IDS_MSG_RUN_ABORTED), Text(IDS_CAPTION_RUN_ABORTED), MessageIcon::Warning);
        runSuccess = false;
    }
    m_reporter.CloseLog();

    if (workingCopy) {
        candidate.Errors = workingCopy->Errors;
        candidate.LastExec = workingCopy->LastExec;
    }
    m_state.setting = &candidate;
    PublishSetting(index, candidate);

    if (!completed) {
        m_reporter.RaiseResult(ErrorLevel::Minor);
        return false;
    }
    m_environment.flags.AnySettingCompleted = true;
    return true;
}

void CThreadMirroring::PublishSetting(int index, const CFolderSetting &candidate)
{
    Host().SettingUpdate({.index = m_request.first + index, .Errors = candidate.Errors, .LastExec = candidate.LastExec});
}

QString CThreadMirroring::DateFolderOf(const QString &backup) const
{
    // Always a subfolder of the backup folder, never a sibling named like it.
    const QDate today = m_environment.now().date();
    const QString date = QStringLiteral("%1%2%3")
                             .arg(today.year(), 4, 10, QChar(u'0'))
                             .arg(today.month(), 2, 10, QChar(u'0'))
                             .arg(today.day(), 2, 10, QChar(u'0'));
    return (EndsWithSeparator(backup) ? backup : backup + PathSeparator) + date + PathSeparator;
}

bool CThreadMirroring::PassesSchedule(const CFolderSetting &candidate, qint64 startTime) const
{
    switch (candidate.ScheduleType) {
    case ScheduleKind::OncePerDay:
        return QDateTime::fromSecsSinceEpoch(startTime).date()
            != QDateTime::fromSecsSinceEpoch(candidate.LastExec).date();
    case ScheduleKind::EveryHours:
        // A clock set back gives a negative difference: the setting waits.
        return (startTime - candidate.LastExec) / 3600 >= candidate.ScheduleTime;
    default:
        return true;
    }
}

bool CThreadMirroring::CompilePatterns(const CFolderSetting &candidate)
{
    const bool files = m_filter.CompileFilePatterns(candidate);
    if (files && m_filter.CompileFolderPatterns(candidate))
        return true;
    if (!m_environment.flags.LogoffMode) {
        const int shortId = files ? IDS_ERR_FOLDER_PATTERN : IDS_ERR_FILE_PATTERN;
        const int messageId = files ? IDS_MSG_FOLDER_PATTERN : IDS_MSG_FILE_PATTERN;
        m_reporter.ReportError(ErrorLevel::Update, Text(shortId),
                               {.text = Text(messageId), .caption = Text(IDS_CAPTION_TARGET_ERROR),
                                .icon = MessageIcon::Error, .unattended = MessageAnswer::Ignore});
        m_reporter.AddErrorRow();
    }
    return false;
}

QString CThreadMirroring::SeparatorFor(const QString &title)
{
    const QString &dash = Text(IDS_REPORT_SEPARATOR_CHAR);
    const int dashWidth = Host().TextWidth(dash);
    const int count = dashWidth == 0 ? 30 : Host().TextWidth(title) / dashWidth;
    return dash.repeated(std::max(count, 0));
}

void CThreadMirroring::WriteHeader(const CFolderSetting &current)
{
    using Line = CRunReporter::LogLine;
    const qint64 now = m_environment.now().toSecsSinceEpoch();
    m_reporter.WriteLogLine(Line::Header, Text(IDS_LOG_HEADER_RULE), false);
    m_reporter.WriteLogLine(Line::Header, FormatPrintf(Text(IDS_LOG_HEADER_NAME), {current.Name}), false);
    m_reporter.WriteLogLine(Line::Header, FormatLocalDateTime(now, Text(IDS_LOG_HEADER_TIME)).value_or(QString()), false);
    m_reporter.WriteLogLine(Line::Header, FormatPrintf(Text(IDS_LOG_HEADER_MASTER), {ExpandEnvironment(current.Master)}),
                            false);
    m_reporter.WriteLogLine(Line::Header, FormatPrintf(Text(IDS_LOG_HEADER_BACKUP), {ExpandEnvironment(current.Backup)}));
}

void CThreadMirroring::FinishRun()
{
    m_reporter.StatusText(Text(IDS_STATUS_FINISHED), QString());
    m_reporter.CloseLog();
    m_fileMatcher.Release();
    m_folderMatcher.Release();
    m_shadowCopy->ReleaseSnapshot();
    // A window lives on after the run: nothing may keep the trees (a USB drive, say) busy.
    m_walk.ReleaseReaders();
    Disk().ReleaseHandles();
    Host().EnableClose(true);
    Host().RunFinished();
    m_request.running = false;
    m_environment.flags.LastRunResult = m_reporter.Result();
}

// ---------------------------------------------------------------------------------------------
// Checks before the passes of a setting

bool CThreadMirroring::ProcessSetting(CFolderSetting *current)
{
    m_state.setting = current;
    if (current->CheckVolume) {
        if (const std::optional<bool> skipped = CheckVolume())
            return *skipped;
    }
    m_state.mirrorPass = false;
    const QString master = ExpandEnvironment(current->Master);
    const QString backup = ExpandEnvironment(current->Backup);
    if (!CheckMasterFolder(master) || !CheckBackupFolder(backup))
        return false;
    if (master == backup)
        return RefuseSetting(IDS_ERR_SAME_FOLDERS, IDS_MSG_SAME_FOLDERS, IDS_CAPTION_SETTING_ERROR);
    if (!CheckOverlap() || !EnsureBackupFolder(backup))
        return false;
    return m_walk.Passes();
}

std::optional<bool> CThreadMirroring::CheckVolume()
{
    const AppFlags &flags = m_environment.flags;
    CFolderSetting &current = *m_state.setting;
    const QString backup = ExpandEnvironment(current.Backup);
    const QString root = Disk().VolumeRoot(MakeFolderRoot(backup).value_or(backup));
    const bool exchangeable = Disk().IsExchangeable(root);
    const bool offerExchange = !current.VolErrorSkip
        && ((!flags.AutoMode && exchangeable) || (flags.AutoMode && !m_reporter.MessagesSuppressedForExit()));
    MessageBoxRequest box{.caption = Text(IDS_CAPTION_VOLUME_LABEL),
                          .buttons = current.VolErrorSkip ? MessageButtons::Ok : MessageButtons::AbortRetryIgnore,
                          .icon = MessageIcon::Error,
                          .unattended = current.VolErrorSkip ? MessageAnswer::Ignore : MessageAnswer::Abort};
    for (;;) {
        const QString label = Disk().VolumeLabel(root);
        if (label.compare(current.Volume, Qt::CaseInsensitive) == 0)
            return std::nullopt;
        box.text = FormatPrintf(Text(offerExchange ? IDS_MSG_VOLUME_LABEL_EXCHANGE : IDS_MSG_VOLUME_LABEL),
                                {current.Name, current.Volume, label});
        if (m_reporter.ReportError(ErrorLevel::Setting, Text(IDS_ERR_VOLUME_LABEL), box) != MessageAnswer::Retry)
            break;
    }
    current.Errors = CFolderSetting::ErrorsVolumeSkipped;
    m_reporter.AddErrorRow();
    return !IsStopped();
}

bool CThreadMirroring::RefuseSetting(int shortId, int messageId, int captionId, bool rowInLogoffMode)
{
    const bool logoff = m_environment.flags.LogoffMode;
    if (!logoff)
        m_reporter.ReportError(ErrorLevel::Setting, Text(shortId),
                               {.text = Text(messageId), .caption = Text(captionId), .icon = MessageIcon::Error,
                                .unattended = MessageAnswer::Abort});
    if (!logoff || rowInLogoffMode)
        m_reporter.AddErrorRow();
    return false;
}

bool CThreadMirroring::CheckMasterFolder(const QString &master)
{
    const std::optional<QString> root = m_state.setting->Master.isEmpty() ? std::nullopt : MakeFolderRoot(master);
    if (root && m_operations.CheckFolder(master, nullptr, true) == ExistResult::Found) {
        m_state.masterRoot = *root;
        return true;
    }
    return RefuseSetting(IDS_ERR_MASTER_INVALID, IDS_MSG_MASTER_INVALID, IDS_CAPTION_SETTING_ERROR, true);
}

bool CThreadMirroring::CheckBackupFolder(const QString &backup)
{
    const std::optional<QString> root = m_state.setting->Backup.isEmpty() ? std::nullopt : MakeFolderRoot(backup);
    if (root && m_operations.CheckFolder(backup, nullptr, true) != ExistResult::CheckFailed) {
        m_state.backupRoot = *root;
        return true;
    }
    return RefuseSetting(IDS_ERR_BACKUP_INVALID, IDS_MSG_BACKUP_INVALID, IDS_CAPTION_SETTING_ERROR, true);
}

bool CThreadMirroring::CheckOverlap()
{
    // Compared with links resolved, so a link cannot hide that one folder holds the other.
    const QString master = Disk().ResolvedPath(m_state.masterRoot);
    const QString backup = Disk().ResolvedPath(m_state.backupRoot);
    if (master == backup)
        return RefuseSetting(IDS_ERR_SAME_FOLDERS, IDS_MSG_SAME_FOLDERS, IDS_CAPTION_SETTING_ERROR);
    if (IsInside(backup, master)) {
        // Harmless only when the walk never enters it: no subfolders, or a level of it is no target.
        const QStringList parts = backup.mid(master.size()).split(PathSeparator, Qt::SkipEmptyParts);
        bool leftOut = !m_state.setting->SubDir;
        for (qsizetype depth = 1; depth <= parts.size() && !leftOut; ++depth)
            leftOut = !IsTarget(m_filter.FolderTarget(parts.mid(0, depth).join(PathSeparator)));
        if (!leftOut)
            return RefuseSetting(IDS_ERR_BACKUP_INSIDE_MASTER, IDS_MSG_BACKUP_INSIDE_MASTER, IDS_CAPTION_SETTING_ERROR);
    }
    if (m_state.setting->Mirroring && IsInside(master, backup))
        return RefuseSetting(IDS_ERR_MASTER_INSIDE_BACKUP, IDS_MSG_MASTER_INSIDE_BACKUP, IDS_CAPTION_SETTING_ERROR);
    return true;
}

bool CThreadMirroring::EnsureBackupFolder(const QString &backup)
{
    switch (m_operations.CheckFolder(backup, nullptr, true)) {
    case ExistResult::NotFound: {
        if (IsStopped())
            return false;
        const QString &operation = Text(IDS_OP_CREATE_FOLDER);
        m_reporter.AddReportRow(operation, QStringLiteral("../") + LastNameOfPath(backup));
        m_reporter.WriteOperationLine(operation, QStringLiteral("."));
        // The root is the absolute form: a relative folder has no chain to create from "/".
        if (m_operations.CreateBackupFolder(m_state.masterRoot, m_state.backupRoot)) {
            m_state.backupRootCreated = true;
            return true;
        }
        return RefuseSetting(IDS_ERR_CREATE_BACKUP_FOLDER, IDS_MSG_CREATE_BACKUP_FOLDER, IDS_CAPTION_CREATE_FOLDER_FAILED);
    }
    case ExistResult::CheckFailed:
        return RefuseSetting(IDS_ERR_ACCESS_BACKUP_FOLDER, IDS_MSG_ACCESS_BACKUP_FOLDER, IDS_CAPTION_CREATE_FOLDER_FAILED);
    case ExistResult::Found:
    case ExistResult::OtherKind:
        break;
    }
    return true;
}

// ---------------------------------------------------------------------------------------------
// Logs

bool CThreadMirroring::ClearGlobalLog()
{
    const QString path = ExpandEnvironment(m_environment.options.LogFileName);
    if (CRunLog::Truncate(path))
        return true;
    if (!m_environment.flags.LogoffMode)
        m_reporter.ShowMessage(FormatPrintf(Text(IDS_MSG_LOG_IN_USE), {path}), Text(IDS_CAPTION_CLEAR_LOG),
                               MessageIcon::Warning);
    return false;
}

bool CThreadMirroring::OpenSettingLog(const CFolderSetting &current)
{
    const GlobalOptions &options = m_environment.options;
    const bool own = current.OutputLog;
    m_reporter.CloseLog();
    if (!own && !options.OutputLog)
        return true;
    const bool errorsOnly = own ? current.OutputErrorOnly : options.OutputErrorOnly;
    const bool flush = own ? current.WriteLogImmediately : options.WriteLogImmediately;
    const QString path = ExpandEnvironment(own ? current.LogFileName : options.LogFileName);
    if (m_reporter.OpenLog(path, own && current.ClearLog, errorsOnly, flush)) {
        // A log kept inside a tree grows all through the run: what was read of it ahead is stale.
        m_journal.RecordAlways(QDir::cleanPath(QDir::current().absoluteFilePath(path)));
        return true;
    }
    if (!m_environment.flags.LogoffMode && !m_reporter.MessagesSuppressedForExit())
        m_reporter.ShowMessage(FormatPrintf(Text(IDS_MSG_LOG_OPEN_FAILED), {path}), Text(IDS_CAPTION_OPEN_LOG),
                               MessageIcon::Warning);
    return false;
}
