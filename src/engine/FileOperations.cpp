#include "engine/FileOperations.h"

#include "engine/RunState.h"
#include "model/FolderSetting.h"
#include "platform/VssBackup.h"
#include "platform/MessageBox.h"
#include "platform/Paths.h"
#include "platform/Text.h"
#include "res/StringIds.h"

namespace {

// A failed change: Abort, Retry or Ignore; nobody there to answer ignores it.
MessageBoxRequest RetryBox(const QString &text, const QString &caption)
{
    return {.text = text, .caption = caption, .buttons = MessageButtons::AbortRetryIgnore,
            .icon = MessageIcon::Error, .unattended = MessageAnswer::Ignore};
}

// A failed check: acknowledged, and the item is given up.
MessageBoxRequest AcknowledgeBox(const QString &text, const QString &caption)
{
    return {.text = text, .caption = caption, .icon = MessageIcon::Error, .unattended = MessageAnswer::Ignore};
}
// A master file that changed while it was copied is copied again this many times before the
// failure is reported: a log being written settles between two attempts, a live database may not.
constexpr int SourceChangedRetries = 3;
// 1900-01-01 00:00 UTC: earlier times compare as 0.
constexpr qint64 Year1900 = -2208988800;

} // namespace

qint64 WholeSeconds(const FileTime &time)
{
    return time.seconds < Year1900 ? 0 : time.seconds;
}

CFileOperations::CFileOperations(CRunState &state, CRunReporter &reporter, FileSystem &disk, CVssBackup &shadowCopy)
    : m_state(state), m_reporter(reporter), m_disk(disk), m_shadowCopy(shadowCopy)
{
}

CFileOperations::~CFileOperations() = default;

bool CFileOperations::AskRetry(ErrorLevel level, const QString &detail, const QString &text, int captionId)
{
    if (m_reporter.ReportError(level, detail, RetryBox(text, m_reporter.Text(captionId))) == MessageAnswer::Retry)
        return true;
    m_reporter.CountError();
    return false;
}

bool CFileOperations::CopyToBackup(const QString &source, const QString &target)
{
    if (m_state.IsTest())
        return true;
    FileSystem &disk = m_disk;
    disk.MakeWritable(target, nullptr);
    FsError error;
    int changedAttempts = 0;
    while (!disk.CopyFile(source, target, &error)) {
        const bool changed = error.kind == FsErrorKind::SourceChanged;
        if (changed && changedAttempts++ < SourceChangedRetries)
            continue;
        QString detail = changed ? m_reporter.Text(IDS_ERR_SOURCE_CHANGED) + QStringLiteral("\r\n")
                                 : SystemErrorText(error.code);
        if (m_state.setting->CopyLockedFile && error.kind == FsErrorKind::Sharing) {
            CVssBackup &snapshot = m_shadowCopy;
            if (snapshot.CopyFromSnapshot(ParentOfPath(source) + PathSeparator, NameOfPath(source), target, true))
                return true;
            const int snapshotError = snapshot.LastCopyError();
            detail += QStringLiteral("\r\n")
                + (snapshotError != 0 ? SystemErrorText(snapshotError) : m_reporter.Text(IDS_ERR_SNAPSHOT))
                + QStringLiteral("\r\n");
        }
        if (!AskRetry(ErrorLevel::Update, detail, FormatPrintf(m_reporter.Text(IDS_FMT_COPY_DETAIL), {source, target, detail}),
                      IDS_CAPTION_COPY_FAILED))
            return false;
        changedAttempts = 0;
    }
    m_state.backupChanged = true;
    CopyTimesIfWanted(source, target);
    return true;
}

bool CFileOperations::RemoveItem(const QString &path, bool folder)
{
    if (m_state.IsTest())
        return true;
    FileSystem &disk = m_disk;
    disk.MakeWritable(path, nullptr);
    FsError error;
    const auto remove = [&] {
        if (m_state.setting->DeleteRecycleBin)
            return disk.MoveToTrash(path, &error);
        return folder ? disk.RemoveFolder(path, &error) : disk.DeleteFile(path, &error);
    };
    while (!remove()) {
        const QString detail = SystemErrorText(error.code);
        if (!AskRetry(ErrorLevel::Deletion, detail, FormatPrintf(m_reporter.Text(IDS_FMT_PATH_DETAIL), {path, detail}),
                      folder ? IDS_CAPTION_DELETE_FOLDER_FAILED : IDS_CAPTION_DELETE_FILE_FAILED))
            return false;
    }
    m_state.backupChanged = true;
    return true;
}

bool CFileOperations::DeleteBackupFile(const QString &path)
{
    return RemoveItem(path, false);
}

bool CFileOperations::RemoveBackupFolder(const QString &path)
{
    return RemoveItem(path, true);
}

bool CFileOperations::RenameBackupItem(const QString &root, const QString &oldRelative, const QString &newRelative)
{
    if (m_state.IsTest())
        return true;
    FsError error;
    while (!m_disk.Move(root + oldRelative, root + newRelative, &error)) {
        const QString detail = SystemErrorText(error.code);
        if (!AskRetry(ErrorLevel::Update, detail, FormatPrintf(m_reporter.Text(IDS_FMT_RENAME_DETAIL), {oldRelative, newRelative, detail}),
                      IDS_CAPTION_RENAME_FAILED))
            return false;
    }
    m_state.backupChanged = true;
    return true;
}

bool CFileOperations::CreateFolderChain(const QString &path)
{
    if (m_state.IsTest())
        return true;
    if (path.size() <= 1)
        return false;
    // Every level below the root "/" is checked and, when missing, created in turn.
    for (qsizetype i = 1; i <= path.size(); ++i) {
        if (i < path.size() && path[i] != PathSeparator)
            continue;
        const QString prefix = path.left(i);
        switch (CheckFolder(prefix, nullptr, true)) {
        case ExistResult::NotFound: {
            if (m_state.IsStopped())
                return false;
            FsError error;
            while (!m_disk.CreateFolder(prefix, &error)) {
                const QString detail = SystemErrorText(error.code);
                if (!AskRetry(ErrorLevel::Update, detail, FormatPrintf(m_reporter.Text(IDS_FMT_PATH_DETAIL), {prefix, detail}),
                              IDS_CAPTION_CREATE_FOLDER_FAILED))
                    return false;
            }
            m_state.backupChanged = true;
            break;
        }
        case ExistResult::CheckFailed:
            return false;
        case ExistResult::Found:
        case ExistResult::OtherKind:
            break;
        }
    }
    return true;
}

bool CFileOperations::CreateBackupFolder(const QString &masterFolder, const QString &backupFolder)
{
    if (!CreateFolderChain(backupFolder))
        return false;
    // Private at once when the master folder is, yet writable for its content; a folder that
    // stays unwritable makes the copies into it fail, and those are reported.
    CopyFolderRights(masterFolder, backupFolder);
    if (!m_state.IsTest())
        m_disk.MakeWritable(backupFolder, nullptr);
    return true;
}

bool CFileOperations::CopyFolderRights(const QString &masterFolder, const QString &backupFolder)
{
    if (m_state.IsTest())
        return true;
    FsError error;
    if (m_disk.CopyFolderAttributes(masterFolder, backupFolder, &error))
        return true;
    const QString detail = SystemErrorText(error.code);
    m_reporter.ReportError(ErrorLevel::Update, detail,
                           AcknowledgeBox(FormatPrintf(m_reporter.Text(IDS_FMT_PATH_DETAIL), {backupFolder, detail}),
                                          m_reporter.Text(IDS_CAPTION_CREATE_FOLDER_FAILED)));
    m_reporter.CountError();
    return false;
}

bool CFileOperations::SyncBackup(const QString &backupRoot)
{
    if (m_state.IsTest() || !m_state.backupChanged)
        return true;
    FsError error;
    if (m_disk.SyncFileSystem(backupRoot, &error))
        return true;
    const QString detail = SystemErrorText(error.code);
    m_reporter.ReportError(ErrorLevel::Update, detail,
                           AcknowledgeBox(FormatPrintf(m_reporter.Text(IDS_FMT_PATH_DETAIL), {backupRoot, detail}),
                                          m_reporter.Text(IDS_CAPTION_SYNC_FAILED)));
    m_reporter.CountError();
    return false;
}

ExistResult CFileOperations::CheckFolder(const QString &path, FileStatus *status, bool followLink,
                                         const KnownStatus *known)
{
    return CheckItem(path, true, status, followLink, known);
}

ExistResult CFileOperations::CheckFile(const QString &path, FileStatus *status, const KnownStatus *known)
{
    return CheckItem(path, false, status, false, known);
}

ExistResult CFileOperations::CheckItem(const QString &path, bool folder, FileStatus *status, bool followLink,
                                       const KnownStatus *known)
{
    const CFolderSetting &setting = *m_state.setting;
    const QString query = path.size() > 1 && path.endsWith(PathSeparator) ? path.chopped(1) : path;
    const int attempts = setting.ErrorNetPathRetry ? std::max(1, setting.NetPathRetryCount) : 1;

    QString retryNote;
    int networkError = 0;
    FsError error;
    std::optional<FileStatus> found;
    if (known && known->notFound)
        return ExistResult::NotFound;
    for (int attempt = 1; !found; ++attempt) {
        found = attempt == 1 && known ? known->status : m_disk.Status(query, &error);
        if (found)
            break;
        const bool network = error.kind == FsErrorKind::NetworkPath && setting.ErrorNetPathRetry;
        if (!network && (error.kind == FsErrorKind::NotFound || error.kind == FsErrorKind::PathNotFound))
            return ExistResult::NotFound;
        if (!network)
            break;
        networkError = error.code;
        retryNote = FormatPrintf(m_reporter.Text(IDS_FMT_RETRY_NOTE), {QString::number(attempt)});
        if (m_state.IsStopped())
            break;
        m_reporter.StatusText(FormatPrintf(m_reporter.Text(IDS_STATUS_RETRYING), {QString::number(attempt)}), path);
        if (attempt >= attempts)
            break;
    }

    // The texts are built only when something is reported: this check runs for every file.
    const QString &checkName = m_reporter.Text(folder ? IDS_CHECK_FOLDER_EXISTS : IDS_CHECK_FILE_EXISTS);
    const auto message = [&](const QString &detail) {
        return FormatPrintf(m_reporter.Text(IDS_FMT_CHECK_MESSAGE), {checkName, retryNote, path, detail});
    };
    const auto caption = [&] { return FormatPrintf(m_reporter.Text(IDS_FMT_CHECK_CAPTION), {checkName}); };
    if (!found) {
        const QString detail = SystemErrorText(error.code);
        m_reporter.ReportError(m_state.mirrorPass ? ErrorLevel::Deletion : ErrorLevel::Update, detail,
                               AcknowledgeBox(message(detail), caption()));
        m_reporter.CountError();
        return ExistResult::CheckFailed;
    }
    if (networkError != 0) {
        const QString detail = SystemErrorText(networkError);
        m_reporter.ReportError(ErrorLevel::Minor, detail, AcknowledgeBox(message(detail), caption()),
                               CRunReporter::ErrorMode::ResolvedByRetry);
    }
    if (followLink && found->kind == ItemKind::Symlink) {
        // A trailing separator makes the system resolve the link.
        if (const std::optional<FileStatus> target = m_disk.Status(query + PathSeparator, nullptr))
            found = target;
    }
    if (status)
        *status = *found;
    if (found->IsFolder() == folder)
        return ExistResult::Found;
    if (m_state.mirrorPass)
        return ExistResult::OtherKind;
    // The mirroring pass ran first and removes the item of the other kind in a real run.
    if (setting.Mirroring && setting.BackupType == BackupOrder::MirroringFirst)
        return ExistResult::NotFound;
    retryNote.clear();
    const QString detail = m_reporter.Text(folder ? IDS_ERR_FILE_WITH_FOLDER_NAME : IDS_ERR_FOLDER_WITH_FILE_NAME);
    m_reporter.ReportError(ErrorLevel::Update, detail, AcknowledgeBox(message(detail), caption()));
    m_reporter.CountError();
    return ExistResult::CheckFailed;
}

bool CFileOperations::CheckItemName(const QString &path, bool nameValid)
{
    if (nameValid)
        return true;
    const QString detail = m_reporter.Text(IDS_ERR_INVALID_NAME);
    m_reporter.ReportError(ErrorLevel::Update, detail,
                           AcknowledgeBox(FormatPrintf(m_reporter.Text(IDS_FMT_PATH_DETAIL), {path, detail}), detail));
    m_reporter.CountError();
    return false;
}

bool CFileOperations::CopyTimes(const QString &source, const QString &target)
{
    const std::optional<FileStatus> status = m_disk.Status(source, nullptr);
    return status && m_disk.SetTimes(target, status->lastAccess, status->lastWrite, nullptr);
}

bool CFileOperations::CopyTimesIfWanted(const QString &source, const QString &target)
{
    if (m_state.IsTest() || !m_state.setting->CopyFileTimeAll)
        return true;
    return CopyTimes(source, target);
}

bool CFileOperations::CopyFolderTimes(const QString &masterFolder, const QString &backupFolder)
{
    if (m_state.IsTest() || !m_state.setting->CopyFolderTime)
        return true;
    return CopyTimes(masterFolder, backupFolder);
}

quint64 CFileOperations::QueryFileSize(const QString &path)
{
    const std::optional<FileStatus> status = m_disk.Status(path, nullptr);
    return status ? status->size : 0;
}

QString CFileOperations::ActualNameOf(const QString &path)
{
    return m_disk.ActualName(path);
}

qint64 CFileOperations::LastWriteOf(const QString &path)
{
    const std::optional<FileStatus> status = m_disk.Status(path, nullptr);
    return status ? WholeSeconds(status->lastWrite) : 0;
}
