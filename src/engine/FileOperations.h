#pragma once

#include "engine/RunReporter.h"
#include "platform/FileSystem.h"

#include <QString>

#include <optional>

class CRunReporter;
class CVssBackup;
struct CRunState;

// Answer of an existence check.
enum class ExistResult { Found = 0, NotFound = 1, OtherKind = 2, CheckFailed = 3 };

// Whether the walk backs up an item of this kind as a file. Links are copied as links; sockets,
// pipes and devices are no backup content.
inline bool IsFileKind(ItemKind kind)
{
    return kind == ItemKind::File || kind == ItemKind::Symlink;
}

// What was read of an item just before: found, or plainly not there.
struct KnownStatus {
    std::optional<FileStatus> status;
    bool notFound = false;
};

// The operations of a run that touch the disk, with their checks, retries and error reports.
// In a test run every operation that would change something succeeds at once and does nothing.
class CFileOperations {
public:
    CFileOperations(CRunState &state, CRunReporter &reporter, FileSystem &disk, CVssBackup &shadowCopy);
    virtual ~CFileOperations();

    bool CopyToBackup(const QString &source, const QString &target);
    bool DeleteBackupFile(const QString &path);
    bool RemoveBackupFolder(const QString &path);
    bool RenameBackupItem(const QString &root, const QString &oldRelative, const QString &newRelative);
    bool CreateFolderChain(const QString &path);
    // The backup folder of a master folder, with the master folder's rights (and writable
    // until CopyFolderRights gives it exactly those once it is filled).
    bool CreateBackupFolder(const QString &masterFolder, const QString &backupFolder);
    bool CopyFolderRights(const QString &masterFolder, const QString &backupFolder);
    // What the setting wrote reaches the disk of the backup side before its run counts as done.
    bool SyncBackup(const QString &backupRoot);

    // status, when given, receives what the check read of an item it found. Links count as what
    // they are, never as the folder they point to, unless followLink is set (the folders the user
    // chose and the folders above them may well be links).
    // known, when given, stands in for the first read of the item.
    ExistResult CheckFolder(const QString &path, FileStatus *status = nullptr, bool followLink = false,
                            const KnownStatus *known = nullptr);
    ExistResult CheckFile(const QString &path, FileStatus *status = nullptr, const KnownStatus *known = nullptr);
    // False, after reporting and counting, for a name this platform cannot represent.
    bool CheckItemName(const QString &path, bool nameValid);

    bool CopyTimesIfWanted(const QString &source, const QString &target);
    bool CopyFolderTimes(const QString &masterFolder, const QString &backupFolder);
    quint64 QueryFileSize(const QString &path);
    QString ActualNameOf(const QString &path);
    // Whole seconds of an item's last write; 0 when it cannot be read.
    qint64 LastWriteOf(const QString &path);

private:
    ExistResult CheckItem(const QString &path, bool folder, FileStatus *status, bool followLink = false,
                          const KnownStatus *known = nullptr);
    bool CopyTimes(const QString &source, const QString &target);
    bool RemoveItem(const QString &path, bool folder);
    // Reports a failed change with Abort, Retry and Ignore; true when the caller is to try again.
    bool AskRetry(ErrorLevel level, const QString &detail, const QString &text, int captionId);

    CRunState &m_state;
    CRunReporter &m_reporter;
    FileSystem &m_disk;
    CVssBackup &m_shadowCopy;
};

// Last-write time in whole seconds as the comparisons use it: a time before 1900 counts as 0.
qint64 WholeSeconds(const FileTime &time);
