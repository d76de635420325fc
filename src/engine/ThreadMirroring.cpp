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

} // namespace

bool RunMirroringThread(RunRequest &request, RunEnvironment &environment)
{
    CThreadMirroring run(request, environment);
    return run.Run();
}

CThreadMirroring::CThreadMirroring(RunRequest &runRequest, RunEnvironment &runEnvironment)
    : request(&runRequest)
    , environment(runEnvironment)
    , filter(fileMatcher, folderMatcher)
    , operations(*this)
    , walk(*this)
{
    FileSystem &disk = environment.fileSystem;
    shadowCopy = std::make_unique<CVssBackup>(
        disk, environment.snapshotProvider ? environment.snapshotProvider() : nullptr,
        [&disk](const QString &folder) { return disk.VolumeRoot(folder); });
    walkRoot = MakeFolderRoot(QDir::currentPath()).value_or(QString());
}

CThreadMirroring::~CThreadMirroring()
{
    shadowCopy->ReleaseSnapshot();
    fileMatcher.Release();
    folderMatcher.Release();
}

bool CThreadMirroring::IsTest() const
{
    return request->test;
}

bool CThreadMirroring::IsStopped() const
{
    return request->stop;
}

void CThreadMirroring::RequestStop()
{
    request->stop = true;
}

RunHost &CThreadMirroring::Host() const
{
    return *request->host;
}

const QString &CThreadMirroring::Text(int id)
{
    auto it = m_texts.find(id);
    if (it == m_texts.end())
        it = m_texts.emplace(id, LoadResString(id)).first;
    return it->second;
}

bool CThreadMirroring::MessagesSuppressedForExit() const
{
    return environment.flags.AfterRunExit && environment.options.AutoExitWhenError;
}

void CThreadMirroring::ShowRunMessage(const QString &text, const QString &caption, MessageIcon icon)
{
    Host().MessageBox({.text = text, .caption = caption, .icon = icon});
}

// ---------------------------------------------------------------------------------------------
// The run driver

bool CThreadMirroring::Run()
{
    AppFlags &flags = environment.flags;
    const GlobalOptions &options = environment.options;
    masterRoot.clear();
    backupRoot.clear();
    mirrorPass = false;
    deleteDepth = 0;
    folderTimePending = 0;
    logFile.Close();
    logFile.flush = false;
    result = 0;
    lastError.clear();
    flags.AnySettingCompleted = false;
    request->running = true;

    Host().EnableClose(false);
    Host().ClearReport();

    const bool globalLogReady = IsTest() || !options.OutputLog || !options.ClearLog || ClearGlobalLog();
    if (!globalLogReady)
        result = 4;

    bool runSuccess = false;
    if (!fileMatcher.Create(true)) {
        ShowMatcherError(fileMatcher);
        result = 4;
    } else if (globalLogReady) {
        if (!folderMatcher.Create(true)) {
            ShowMatcherError(folderMatcher);
            result = 4;
        } else {
            runSuccess = true;
            for (int index = 0; index < int(request->settings.size()); ++index) {
                if (!ProcessSelected(index, runSuccess))
                    break;
            }
        }
    }

    FinishRun();
    if (!IsTest() && flags.AfterRunMessage)
        ShowRunMessage(Text(IDS_MSG_BACKUP_COMPLETE), Text(IDS_CAPTION_BACKUP_COMPLETE), MessageIcon::Information);
    const bool afterRunAction = flags.AfterRunExit || flags.AfterRunShutdown;
    const bool anythingRan = flags.AnySettingCompleted || flags.AutoMode;
    const bool mayClose = runSuccess || (flags.AutoMode && options.AutoExitWhenError);
    if (!IsTest() && afterRunAction && anythingRan && mayClose)
        Host().RequestClose();
    return runSuccess;
}

void CThreadMirroring::ShowMatcherError(const CBRegExp &matcher)
{
    if (!MessagesSuppressedForExit())
        ShowRunMessage(matcher.ErrorText(), Text(IDS_APP_TITLE), MessageIcon::Error);
}

bool CThreadMirroring::ProcessSelected(int index, bool &runSuccess)
{
    const qint64 startTime = environment.now().toSecsSinceEpoch();
    request->current = index;
    CFolderSetting &candidate = request->settings[index];
    confirmDelete = candidate.DeleteConf;
    if (request->autoOnly && !candidate.AutoExec)
        return true;
    if (environment.flags.AutoMode && !PassesSchedule(candidate, startTime))
        return true;

    setting = &candidate;
    if ((!IsTest() && !OpenSettingLog(candidate)) || !CompilePatterns(candidate)) {
        result = 4;
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
    setting = current;

    if (logFile.IsOpen() && !IsTest())
        WriteHeader(*current);
    AddReportRow(Text(IsTest() ? IDS_OP_TEST_START : IDS_OP_START), title);

    const bool completed = ProcessSetting(current);
    if (completed) {
        AddReportRow(Text(IDS_OP_END), separator);
        if (!IsTest())
            current->LastExec = startTime;
    } else {
        AddReportRow(Text(IDS_OP_ABORTED), QString());
        if (!MessagesSuppressedForExit())
            ShowRunMessage(Text(IDS_MSG_RUN_ABORTED), Text(IDS_CAPTION_RUN_ABORTED), MessageIcon::Warning);
        runSuccess = false;
    }
    logFile.Close();

    if (workingCopy) {
        candidate.Errors = workingCopy->Errors;
        candidate.LastExec = workingCopy->LastExec;
    }
    setting = &candidate;
    PublishSetting(index, candidate);

    if (!completed) {
        result = std::max(result, 1);
        return false;
    }
    environment.flags.AnySettingCompleted = true;
    return true;
}

void CThreadMirroring::PublishSetting(int index, const CFolderSetting &candidate)
{
    Host().SettingUpdate({.index = request->first + index, .Errors = candidate.Errors, .LastExec = candidate.LastExec});
}

QString CThreadMirroring::DateFolderOf(const QString &backup) const
{
    // Always a subfolder of the backup folder, never a sibling named like it.
    const QDate today = environment.now().date();
    const QString date = QStringLiteral("%1%2%3")
                             .arg(today.year(), 4, 10, QChar(u'0'))
                             .arg(today.month(), 2, 10, QChar(u'0'))
                             .arg(today.day(), 2, 10, QChar(u'0'));
    return (EndsWithSeparator(backup) ? backup : backup + PathSeparator) + date + PathSeparator;
}

bool CThreadMirroring::PassesSchedule(const CFolderSetting &candidate, qint64 startTime) const
{
    switch (candidate.ScheduleType) {
    case 1:
        return QDateTime::fromSecsSinceEpoch(startTime).date()
            != QDateTime::fromSecsSinceEpoch(candidate.LastExec).date();
    case 2:
        // A clock set back gives a negative difference: the setting waits.
        return (startTime - candidate.LastExec) / 3600 >= candidate.ScheduleTime;
    default:
        return true;
    }
}

bool CThreadMirroring::CompilePatterns(const CFolderSetting &candidate)
{
    const bool files = filter.CompileFilePatterns(candidate);
    if (files && filter.CompileFolderPatterns(candidate))
        return true;
    if (!environment.flags.LogoffMode) {
        const int shortId = files ? IDS_ERR_FOLDER_PATTERN : IDS_ERR_FILE_PATTERN;
        const int messageId = files ? IDS_MSG_FOLDER_PATTERN : IDS_MSG_FILE_PATTERN;
        ReportError(3, Text(shortId), {.text = Text(messageId), .caption = Text(IDS_CAPTION_TARGET_ERROR),
                                       .icon = MessageIcon::Error, .unattended = MessageAnswer::Ignore});
        AddErrorRow();
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
    const qint64 now = environment.now().toSecsSinceEpoch();
    WriteLogLine(99, Text(IDS_LOG_HEADER_RULE), false);
    WriteLogLine(99, FormatPrintf(Text(IDS_LOG_HEADER_NAME), {current.Name}), false);
    WriteLogLine(99, FormatLocalDateTime(now, Text(IDS_LOG_HEADER_TIME)).value_or(QString()), false);
    WriteLogLine(99, FormatPrintf(Text(IDS_LOG_HEADER_MASTER), {ExpandEnvironment(current.Master)}), false);
    WriteLogLine(99, FormatPrintf(Text(IDS_LOG_HEADER_BACKUP), {ExpandEnvironment(current.Backup)}), logFile.flush);
}

void CThreadMirroring::FinishRun()
{
    StatusText(Text(IDS_STATUS_FINISHED), QString());
    logFile.Close();
    fileMatcher.Release();
    folderMatcher.Release();
    shadowCopy->ReleaseSnapshot();
    Host().EnableClose(true);
    Host().RunFinished();
    request->running = false;
    environment.flags.LastRunResult = result;
}

// ---------------------------------------------------------------------------------------------
// Checks before the passes of a setting

bool CThreadMirroring::ProcessSetting(CFolderSetting *current)
{
    setting = current;
    if (current->CheckVolume) {
        if (const std::optional<bool> skipped = CheckVolume())
            return *skipped;
    }
    mirrorPass = false;
    const QString master = ExpandEnvironment(current->Master);
    const QString backup = ExpandEnvironment(current->Backup);
    if (!CheckMasterFolder(master) || !CheckBackupFolder(backup))
        return false;
    if (master == backup)
        return RefuseSetting(IDS_ERR_SAME_FOLDERS, IDS_MSG_SAME_FOLDERS, IDS_CAPTION_SETTING_ERROR);
    if (!CheckOverlap() || !EnsureBackupFolder(backup))
        return false;
    return walk.Passes();
}

std::optional<bool> CThreadMirroring::CheckVolume()
{
    const AppFlags &flags = environment.flags;
    const CFolderSetting &current = *setting;
    const QString backup = ExpandEnvironment(current.Backup);
    const QString root = Disk().VolumeRoot(MakeFolderRoot(backup).value_or(backup));
    const bool exchangeable = Disk().IsExchangeable(root);
    const bool offerExchange = !current.VolErrorSkip
        && ((!flags.AutoMode && exchangeable) || (flags.AutoMode && !MessagesSuppressedForExit()));
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
        if (ReportError(4, Text(IDS_ERR_VOLUME_LABEL), box) != MessageAnswer::Retry)
            break;
    }
    setting->Errors = CFolderSetting::ErrorsVolumeSkipped;
    AddErrorRow();
    return !IsStopped();
}

bool CThreadMirroring::RefuseSetting(int shortId, int messageId, int captionId, bool rowInLogoffMode)
{
    const bool logoff = environment.flags.LogoffMode;
    if (!logoff)
        ReportError(4, Text(shortId), {.text = Text(messageId), .caption = Text(captionId), .icon = MessageIcon::Error,
                                       .unattended = MessageAnswer::Abort});
    if (!logoff || rowInLogoffMode)
        AddErrorRow();
    return false;
}

bool CThreadMirroring::CheckMasterFolder(const QString &master)
{
    const std::optional<QString> root = setting->Master.isEmpty() ? std::nullopt : MakeFolderRoot(master);
    if (root && operations.CheckFolder(master, nullptr, true) == ExistResult::Found) {
        masterRoot = *root;
        return true;
    }
    return RefuseSetting(IDS_ERR_MASTER_INVALID, IDS_MSG_MASTER_INVALID, IDS_CAPTION_SETTING_ERROR, true);
}

bool CThreadMirroring::CheckBackupFolder(const QString &backup)
{
    const std::optional<QString> root = setting->Backup.isEmpty() ? std::nullopt : MakeFolderRoot(backup);
    if (root && operations.CheckFolder(backup, nullptr, true) != ExistResult::CheckFailed) {
        backupRoot = *root;
        return true;
    }
    return RefuseSetting(IDS_ERR_BACKUP_INVALID, IDS_MSG_BACKUP_INVALID, IDS_CAPTION_SETTING_ERROR, true);
}

bool CThreadMirroring::CheckOverlap()
{
    // Compared with links resolved, so a link cannot hide that one folder holds the other.
    const QString master = Disk().ResolvedPath(masterRoot);
    const QString backup = Disk().ResolvedPath(backupRoot);
    if (master == backup)
        return RefuseSetting(IDS_ERR_SAME_FOLDERS, IDS_MSG_SAME_FOLDERS, IDS_CAPTION_SETTING_ERROR);
    if (IsInside(backup, master)) {
        // Harmless only when the walk never enters it: no subfolders, or a level of it is no target.
        const QStringList parts = backup.mid(master.size()).split(PathSeparator, Qt::SkipEmptyParts);
        bool leftOut = !setting->SubDir;
        for (qsizetype depth = 1; depth <= parts.size() && !leftOut; ++depth)
            leftOut = !IsTarget(filter.FolderTarget(parts.mid(0, depth).join(PathSeparator)));
        if (!leftOut)
            return RefuseSetting(IDS_ERR_BACKUP_INSIDE_MASTER, IDS_MSG_BACKUP_INSIDE_MASTER, IDS_CAPTION_SETTING_ERROR);
    }
    if (setting->Mirroring && IsInside(master, backup))
        return RefuseSetting(IDS_ERR_MASTER_INSIDE_BACKUP, IDS_MSG_MASTER_INSIDE_BACKUP, IDS_CAPTION_SETTING_ERROR);
    return true;
}

bool CThreadMirroring::EnsureBackupFolder(const QString &backup)
{
    switch (operations.CheckFolder(backup, nullptr, true)) {
    case ExistResult::NotFound: {
        if (IsStopped())
            return false;
        const QString &operation = Text(IDS_OP_CREATE_FOLDER);
        AddReportRow(operation, QStringLiteral("../") + LastNameOfPath(backup));
        WriteOperationLine(operation, QStringLiteral("."));
        if (operations.CreateFolderChain(backup))
            return true;
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
// Errors

MessageAnswer CThreadMirroring::ReportError(int level, const QString &detail, const MessageBoxRequest &box,
                                            ReportMode mode)
{
    const AppFlags &flags = environment.flags;
    result = std::max(result, level);
    lastError = box.caption + QStringLiteral(": ") + detail;

    MessageAnswer answer = box.unattended;
    QString heading;
    if (mode == ReportResolvedByRetry) {
        heading = Text(IDS_LOG_ERROR_RESOLVED);
    } else {
        const bool leave = level < 4 && setting && setting->ErrorLeave;
        const bool suppressed = flags.AutoMode && flags.AfterRunExit && environment.options.AutoExitWhenError;
        if (leave) {
            answer = MessageAnswer::Ignore;
        } else if (!suppressed) {
            const MessageAnswer shown = Host().MessageBox(box);
            if (box.Asks())
                answer = shown;
        }
        switch (answer) {
        case MessageAnswer::Abort:
            RequestStop();
            heading = Text(IDS_LOG_ERROR_ABORTED);
            break;
        case MessageAnswer::Retry:
            return answer;
        case MessageAnswer::Ignore:
            heading = Text(IDS_LOG_ERROR_IGNORED);
            break;
        default:
            break;
        }
    }
    WriteLogLine(level, FormatPrintf(Text(IDS_LOG_ERROR_BLOCK), {heading, box.text}), logFile.flush);
    return answer;
}

void CThreadMirroring::CountError()
{
    ++setting->Errors;
    AddErrorRow();
}

// ---------------------------------------------------------------------------------------------
// Rows, status texts and the log

void CThreadMirroring::AddReportRow(const QString &operation, const QString &name, qint64 masterTime,
                                    qint64 backupTime, bool sizeShown, quint64 size)
{
    Host().AddReportRow(ReportRow{operation, name, masterTime, backupTime, sizeShown, size});
}

void CThreadMirroring::ReportOperation(const QString &operation, qint64 masterTime, const QString &relative,
                                       qint64 backupTime, bool sizeShown, quint64 size, int where)
{
    if (where & ReportToList)
        AddReportRow(operation, relative, masterTime, backupTime, sizeShown, size);
    if (where & ReportToLog)
        WriteOperationLine(operation, relative);
}

void CThreadMirroring::WriteOperationLine(const QString &operation, const QString &relative)
{
    WriteLogLine(0, FormatPrintf(Text(IDS_LOG_OPERATION_LINE), {operation, relative}), logFile.flush);
}

void CThreadMirroring::AddErrorRow()
{
    AddReportRow(Text(IDS_OP_ERROR), lastError);
}

void CThreadMirroring::StatusText(const QString &text, const QString &path)
{
    Host().StatusText(text, path);
}

void CThreadMirroring::WriteLogLine(int level, const QString &text, bool flush)
{
    if (!logFile.IsOpen() || IsTest() || level < logFile.threshold)
        return;
    logFile.Write(ToUtf8(text), flush);
}

bool CThreadMirroring::SkipsGoToLog() const
{
    const CFolderSetting &current = *setting;
    const GlobalOptions &options = environment.options;
    const bool skipLog = current.OutputLog ? current.OutputSkipLog : options.OutputSkipLog;
    const bool errorsOnly = current.OutputLog ? current.OutputErrorOnly : options.OutputErrorOnly;
    return skipLog && !errorsOnly;
}

int CThreadMirroring::SkipPolicy() const
{
    return (setting->ShowSkipFile ? ReportToList : 0) | (SkipsGoToLog() ? ReportToLog : 0);
}

bool CThreadMirroring::ClearGlobalLog()
{
    const QString path = ExpandEnvironment(environment.options.LogFileName);
    if (CRunLog::Truncate(path))
        return true;
    if (!environment.flags.LogoffMode)
        ShowRunMessage(FormatPrintf(Text(IDS_MSG_LOG_IN_USE), {path}), Text(IDS_CAPTION_CLEAR_LOG), MessageIcon::Warning);
    return false;
}

bool CThreadMirroring::OpenSettingLog(const CFolderSetting &current)
{
    const GlobalOptions &options = environment.options;
    const bool own = current.OutputLog;
    logFile.Close();
    logFile.flush = false;
    if (!own && !options.OutputLog)
        return true;
    logFile.threshold = (own ? current.OutputErrorOnly : options.OutputErrorOnly) ? 1 : 0;
    logFile.flush = own ? current.WriteLogImmediately : options.WriteLogImmediately;
    const QString path = ExpandEnvironment(own ? current.LogFileName : options.LogFileName);
    if (logFile.Open(path, own && current.ClearLog))
        return true;
    if (!environment.flags.LogoffMode && !MessagesSuppressedForExit())
        ShowRunMessage(FormatPrintf(Text(IDS_MSG_LOG_OPEN_FAILED), {path}), Text(IDS_CAPTION_OPEN_LOG), MessageIcon::Warning);
    return false;
}
