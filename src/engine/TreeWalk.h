#pragma once

#include "engine/FileOperations.h"
#include "engine/ReadAhead.h"
#include "engine/WalkExclusions.h"
#include "platform/FileSystem.h"

#include <QHash>
#include <QSet>
#include <QString>

#include <memory>

class CChangeJournal;
class CRunReporter;
class CTargetFilter;
enum class TargetCode;
struct CRunState;

// How a master file compares with its backup.
enum class Comparison { Same = 0, BackupNewer = 1, MasterNewer = 2, SizeDiffers = 3 };

// The two passes of a folder setting: the backup pass walks the master tree and brings the
// backup up to date, the mirroring pass walks the backup tree and deletes what the master no
// longer has. Depth-first, files before subfolders; only the current path is kept.
class CTreeWalk {
public:
    // The journal holds what the run changed through disk; readers, when given, is how many
    // threads read ahead of the walk (0: none), else the file systems of the setting decide.
    CTreeWalk(CRunState &state, CRunReporter &reporter, CFileOperations &operations, CTargetFilter &filter,
              FileSystem &disk, const CChangeJournal &journal, std::optional<int> readers = std::nullopt);
    virtual ~CTreeWalk();

    // Both passes in the setting's order, then the root's timestamp; true when they completed.
    bool Passes();
    bool BackupPass();
    bool MirroringPass();
    bool WalkFolder(const QString &folder);

    // In whole seconds, with the setting's tolerance; equal times with other sizes differ.
    Comparison CompareFile(const FileStatus &master, const FileStatus &backup) const;
    // Lets go of the reading threads and whatever they hold open.
    void ReleaseReaders();

private:
    // What a counting pass of the mirroring side found.
    struct DeletionCount {
        qint64 files = 0;
        qint64 deletions = 0;
    };

    bool StartPass(bool mirror, const QString &root);
    void StartReading(bool mirror, const QString &root);
    bool WalkFolder(const QString &folder, CReadAhead::Ticket ticket);
    // The folder's entries as the readers listed them, or as the walk lists them now.
    void ReadEntries(const QString &folder, CReadAhead::Ticket &ticket, CFolderListing &entries);
    bool ListEntries(const QString &folder, CFolderListing &entries);
    void RemoveStaleTemporary(const QString &path);
    // Names of entries that a case-insensitive backup could not tell from an earlier entry:
    // name -> the earlier name.
    static QHash<QString, QString> CaseTwins(const CFolderListing &entries);
    // Whether the backup's file system takes names that differ only in case for one.
    bool BackupIgnoresCase();
    // True (after reporting it) when the backup side takes name for the earlier one.
    bool RefusesCaseTwin(const QString &folder, const QString &name, const QString &earlier);
    // The mirroring pass deletes nothing when the master looks lost, or more than the limit.
    bool GuardDeletions();
    bool TreeHasEntries(const QString &root);
    DeletionCount CountDeletions();
    bool RefuseDeletions(int shortId, const QString &text);
    // index: of the entry in the folder's listing.
    bool HandleFile(QStringView name, qsizetype index, TargetCode rootTargetCode);
    bool BackupFile(qsizetype index);
    bool MirrorFile(QStringView name, TargetCode targetCode);
    bool EnterFolder(qsizetype index);
    bool EnterBackupFolder(qsizetype index);
    bool EnterMirrorFolder();
    void LeaveFolder();
    bool FixFileCase(const QString &relative, const FileStatus &master);
    bool ConfirmDeletion(const QString &path, const FileStatus &backup, bool &deleting);
    QString RelativeOf(const QString &path) const;
    // relative: of the backup file, whose name is name.
    ExistResult MasterFileState(const QString &relative, QStringView name);
    // The kind the listing of the master folder above gives the item at masterRelative, whose last
    // part is name; none when the listing lacks it or could not be read.
    std::optional<ItemKind> ListedMasterKind(const QString &masterRelative, QStringView name);
    // relative: of the master folder, "" or ending in "/".
    void ListMasterFolder(QStringView relative);
    // The kind of the master entry that a case-insensitive backup matches with the backup item
    // at relative, when the master has it only under another spelling.
    std::optional<ItemKind> CaseCounterpart(const QString &relative);
    // The master's spelling of a path of the backup tree: below a backup folder kept for a
    // master folder spelled in other case, the master's spelling of that folder.
    QString MasterRelativeOf(const QString &relative) const;

    CRunState &m_state;
    CRunReporter &m_reporter;
    CFileOperations &m_operations;
    CTargetFilter &m_filter;
    FileSystem &m_disk;
    const CChangeJournal &m_journal;
    const std::optional<int> m_requestedReaders;
    int m_readers = 0;
    // Reads listings and statuses ahead of the walk, where the disk allows it.
    std::unique_ptr<CReadAhead> m_readAhead;
    // What was read ahead of the folder being walked; none when nothing was.
    CReadAhead::Ticket *m_ticket = nullptr;
    // The master counterpart of the backup folder whose files the mirroring pass is deciding
    // on, listed once instead of checked file by file. Only the current folder is held.
    QString m_listedMasterFolder;       // relative
    bool m_masterFolderKnown = false;
    CFolderNames m_masterEntries;
    bool m_masterListed = false;
    CWalkExclusions m_exclusions;
    // Backup folders of the mirroring pass kept for master folders spelled in other case:
    // backup relative path -> master relative path, both ending in "/", innermost last.
    QList<std::pair<QString, QString>> m_caseFolders;
    // Backup folders made in this pass, whose rights follow their master folders once filled.
    QSet<QString> m_createdFolders;
    DeletionCount m_counted;
    // The relative and the backup path of the file being handled, kept in the room they had for
    // the file before.
    QString m_relative;
    QString m_backupPath;
    bool m_backupIgnoresCase = true;
};
