#include "engine/TreeWalk.h"

#include "engine/RunHost.h"
#include "engine/RunReporter.h"
#include "engine/RunState.h"
#include "engine/ChangeJournal.h"
#include "engine/TargetFilter.h"
#include "model/FolderSetting.h"
#include "platform/MessageBox.h"
#include "platform/Paths.h"
#include "platform/Text.h"
#include "res/StringIds.h"

#include <QList>
#include <QScopeGuard>

namespace {

// path = folder + name, in the room path already has: the walk does this for every file.
const QString &SetPath(QString &path, QStringView folder, QStringView name)
{
    path.resize(folder.size() + name.size());
    QChar *out = path.data();
    std::copy(folder.begin(), folder.end(), out);
    std::copy(name.begin(), name.end(), out + folder.size());
    return path;
}

} // namespace

CTreeWalk::CTreeWalk(CRunState &state, CRunReporter &reporter, CFileOperations &operations, CTargetFilter &filter,
                     FileSystem &disk, const CChangeJournal &journal, std::optional<int> readers)
    : m_state(state), m_reporter(reporter), m_operations(operations), m_filter(filter), m_disk(disk)
    , m_journal(journal), m_requestedReaders(readers), m_exclusions(disk)
{
}

CTreeWalk::~CTreeWalk() = default;

void CTreeWalk::ReleaseReaders()
{
    m_readAhead.reset();
}

bool CTreeWalk::Passes()
{
    const CFolderSetting &setting = *m_state.setting;
    m_readers = ReadAheadReaders(m_disk, m_state.masterRoot, m_state.backupRoot, m_requestedReaders);
    if (setting.Mirroring && !GuardDeletions())
        return false;
    m_backupIgnoresCase = BackupIgnoresCase();
    bool completed = false;
    switch (setting.BackupType) {
    case BackupOrder::BackupFirst:
        completed = BackupPass();
        if (completed && setting.Mirroring)
            completed = MirroringPass();
        break;
    case BackupOrder::MirroringFirst:
        completed = !setting.Mirroring || MirroringPass();
        if (completed)
            completed = BackupPass();
        break;
    default:
        return false;
    }
    if (completed && m_state.backupRootCreated)
        m_operations.CopyFolderRights(m_state.masterRoot, m_state.backupRoot);
    if (completed && m_state.folderTimePending > 0) {
        m_operations.CopyFolderTimes(m_state.masterRoot, m_state.backupRoot);
        --m_state.folderTimePending;
    }
    return completed;
}

bool CTreeWalk::BackupPass()
{
    return StartPass(false, m_state.masterRoot);
}

bool CTreeWalk::MirroringPass()
{
    return StartPass(true, m_state.backupRoot);
}

bool CTreeWalk::StartPass(bool mirror, const QString &root)
{
    m_state.mirrorPass = mirror;
    m_state.walkRoot = root;
    m_state.currentPath.clear();
    m_exclusions.StartTree(root);
    m_caseFolders.clear();
    m_masterFolderKnown = false;
    m_masterEntries.Clear();
    StartReading(mirror, root);
    const bool completed = WalkFolder(m_state.walkRoot);
    if (m_readAhead)
        m_readAhead->Finish();
    return completed;
}

void CTreeWalk::StartReading(bool mirror, const QString &root)
{
    if (m_readAhead && m_readAhead->Readers() != m_readers)
        m_readAhead.reset();
    if (m_readers == 0)
        return;
    if (!m_readAhead)
        m_readAhead = std::make_unique<CReadAhead>(m_disk, m_journal, m_readers);
    // The backup pass compares each file with its backup; the mirroring pass asks only whether
    // the master has a name, which the master folder's listing answers.
    m_readAhead->Start({.walkRoot = root,
                        .otherRoot = mirror ? m_state.masterRoot : m_state.backupRoot,
                        .subfolders = m_state.setting->SubDir,
                        .compare = !mirror,
                        .listOther = mirror,
                        .keepListings = !mirror && m_state.setting->Mirroring
                            && m_state.setting->BackupType == BackupOrder::BackupFirst,
                        .leavesOut = [this](const QString &folder, const FolderEntry &entry) {
                            return m_exclusions.Excludes(folder, entry);
                        }});
}

QString CTreeWalk::RelativeOf(const QString &path) const
{
    return path.mid(m_state.walkRoot.size());
}

void CTreeWalk::ReadEntries(const QString &folder, CReadAhead::Ticket &ticket, CFolderListing &entries)
{
    CFolderListing leftOut;
    if (!ticket.Listing(entries, leftOut)) {
        entries.Clear();
        ListEntries(folder, entries);
        return;
    }
    if (m_state.mirrorPass && !m_state.IsTest() && !m_state.counting) {
        for (qsizetype i = 0; i < leftOut.Size(); ++i) {
            if (leftOut.KindAt(i) == ItemKind::File)
                RemoveStaleTemporary(QString(folder).append(leftOut.NameAt(i)));
        }
    }
}

bool CTreeWalk::ListEntries(const QString &folder, CFolderListing &entries)
{
    FsError error;
    const bool cleaning = m_state.mirrorPass && !m_state.IsTest() && !m_state.counting;
    if (m_disk.ListFolder(folder, [&](const FolderEntry &entry) {
            if (!m_exclusions.Excludes(folder, entry))
                entries.Append(entry);
            else if (cleaning && entry.kind == ItemKind::File)
                RemoveStaleTemporary(folder + entry.name);
            return true;
        }, &error))
        return true;
    // A folder that is gone has nothing to walk; any other failure would silently leave out a
    // whole subtree, so it is reported and counted.
    if (error.kind == FsErrorKind::NotFound)
        return false;
    const QString detail = SystemErrorText(error.code);
    m_reporter.ReportError(m_state.mirrorPass ? ErrorLevel::Deletion : ErrorLevel::Update, detail,
                      {.text = FormatPrintf(m_reporter.Text(IDS_FMT_PATH_DETAIL), {folder, detail}),
                       .caption = m_reporter.Text(IDS_CAPTION_LIST_FOLDER_FAILED), .icon = MessageIcon::Error,
                       .unattended = MessageAnswer::Ignore});
    m_reporter.CountError();
    return false;
}

void CTreeWalk::RemoveStaleTemporary(const QString &path)
{
    // Left by a copy that was interrupted: never user data. One written since this run began may
    // belong to a copy still going on elsewhere. A failure is not the user's concern; the next
    // run tries again.
    const std::optional<FileStatus> status = m_disk.Status(path, nullptr);
    if (status && status->kind == ItemKind::File && status->lastWrite.seconds < m_state.runStart)
        m_disk.DeleteFile(path, nullptr);
}

QHash<QString, QString> CTreeWalk::CaseTwins(const CFolderListing &entries)
{
    // A hash of each case-folded name, without making the folded texts: a folder's names are
    // sorted by it and only equal neighbours are compared.
    std::vector<std::pair<quint64, qsizetype>> folded;
    folded.reserve(size_t(entries.Size()));
    for (qsizetype i = 0; i < entries.Size(); ++i) {
        quint64 hash = 1469598103934665603ull;
        for (const QChar c : entries.NameAt(i)) {
            const char16_t u = c.unicode();
            const char16_t folded = u < 0x80 ? (u >= u'A' && u <= u'Z' ? u | 0x20 : u) : c.toCaseFolded().unicode();
            hash = (hash ^ folded) * 1099511628211ull;
        }
        folded.emplace_back(hash, i);
    }
    std::sort(folded.begin(), folded.end());
    QHash<QString, QString> twins;
    for (size_t k = 1; k < folded.size(); ++k) {
        if (folded[k].first != folded[k - 1].first)
            continue;
        // The earlier entry in listing order is the one that is backed up.
        size_t first = k - 1;
        while (first > 0 && folded[first - 1].first == folded[k].first)
            --first;
        const QStringView earlier = entries.NameAt(folded[first].second);
        const QStringView name = entries.NameAt(folded[k].second);
        if (earlier.compare(name, Qt::CaseInsensitive) == 0 && earlier != name)
            twins.insert(name.toString(), earlier.toString());
    }
    return twins;
}

bool CTreeWalk::BackupIgnoresCase()
{
    // The backup's file system decides. A part of the backup folder's path on the same drive,
    // spelled in other case, reaches it only where case does not count; without a letter to
    // turn, the walk looks for twins all the same.
    const std::optional<FileStatus> root = m_disk.Status(m_state.backupRoot, nullptr);
    QString path = m_state.backupRoot;
    while (path.endsWith(PathSeparator) && path.size() > 1)
        path.chop(1);
    while (root && path.size() > 1) {
        const QString name = NameOfPath(path);
        const QString parent = path.left(path.size() - name.size());
        const std::optional<FileStatus> part = m_disk.Status(path, nullptr);
        if (!part || part->device != root->device)
            break;
        QString swapped = name;
        for (QChar &c : swapped)
            c = c.isUpper() ? c.toLower() : c.toUpper();
        if (swapped != name)
            return m_disk.Status(parent + swapped, nullptr) && m_operations.ActualNameOf(parent + swapped) == name;
        path = parent.size() > 1 ? parent.chopped(1) : parent;
    }
    return true;
}

bool CTreeWalk::RefusesCaseTwin(const QString &folder, const QString &name, const QString &earlier)
{
    // On a case-insensitive backup the name reaches the item stored under the earlier spelling.
    const QString backupPath = m_state.backupRoot + RelativeOf(folder) + name;
    const QString stored = m_operations.ActualNameOf(backupPath);
    if (stored.isEmpty() || stored == name)
        return false;
    const QString detail = FormatPrintf(m_reporter.Text(IDS_ERR_CASE_COLLISION), {earlier});
    m_reporter.ReportError(ErrorLevel::Update, detail,
                           {.text = FormatPrintf(m_reporter.Text(IDS_FMT_PATH_DETAIL), {folder + name, detail}),
                            .caption = m_reporter.Text(IDS_CAPTION_CASE_COLLISION), .icon = MessageIcon::Error,
                            .unattended = MessageAnswer::Ignore});
    m_reporter.CountError();
    return true;
}

bool CTreeWalk::WalkFolder(const QString &folder)
{
    const bool root = folder == m_state.walkRoot && m_readAhead;
    return WalkFolder(folder, root ? m_readAhead->Root() : CReadAhead::Ticket());
}

bool CTreeWalk::WalkFolder(const QString &folder, CReadAhead::Ticket ticket)
{
    if (m_state.IsStopped())
        return false;
    const CFolderSetting &setting = *m_state.setting;

    // With an include list of folders, the root itself is no target and neither are its files.
    TargetCode rootCode = TargetCode::NoFilter;
    bool skipFiles = false;
    if (folder == m_state.walkRoot && m_filter.FolderTarget(u"") == TargetCode::NotIncluded) {
        if (m_state.mirrorPass && setting.DeleteIgnoreTarget)
            rootCode = TargetCode::NotIncluded;
        else
            skipFiles = true;
    }

    // One listing serves the file loop and the folder loop.
    CFolderListing entries;
    ReadEntries(folder, ticket, entries);
    CReadAhead::Ticket *const outer = std::exchange(m_ticket, &ticket);
    const auto restoreTicket = qScopeGuard([&] { m_ticket = outer; });
    // Two master names a case-insensitive backup cannot tell apart must not overwrite each other.
    const bool twinsPossible = !m_state.mirrorPass && m_backupIgnoresCase && entries.Size() > 1;
    const QHash<QString, QString> twins = twinsPossible ? CaseTwins(entries) : QHash<QString, QString>();
    const auto isRefusedTwin = [&](QStringView name) {
        if (twins.isEmpty())
            return false;
        const auto twin = twins.constFind(name.toString());
        return twin != twins.cend() && RefusesCaseTwin(folder, twin.key(), *twin);
    };
    bool changed = false;
    for (qsizetype index = 0; index < entries.Size(); ++index) {
        if (skipFiles || !IsFileKind(entries.KindAt(index)))
            continue;
        const QStringView name = entries.NameAt(index);
        SetPath(m_state.currentPath, folder, name);
        if ((setting.CheckFileName && !m_operations.CheckItemName(m_state.currentPath, entries.NameValidAt(index)))
            || isRefusedTwin(name)) {
            if (m_state.IsStopped())
                break;
            continue;
        }
        if (HandleFile(name, index, rootCode))
            changed = true;
        if (m_state.IsStopped())
            break;
    }
    if (m_state.IsStopped())
        return false;

    if (setting.SubDir) {
        for (qsizetype index = 0; index < entries.Size(); ++index) {
            if (entries.KindAt(index) != ItemKind::Folder)
                continue;
            // A subfolder the walk does not enter is dropped, with all read below it, at the end of
            // this round.
            const QStringView name = entries.NameAt(index);
            CReadAhead::Ticket child = ticket.Child(name);
            const QString path = QString(folder).append(name);
            m_state.currentPath = path;
            const bool nameValid = !setting.CheckFileName || m_operations.CheckItemName(path, entries.NameValidAt(index));
            if (nameValid && !isRefusedTwin(name) && EnterFolder(index)) {
                if (!WalkFolder(path + PathSeparator, std::move(child)))
                    break;
                m_state.currentPath = path;
                LeaveFolder();
            }
            if (m_state.IsStopped())
                break;
        }
    }
    if (changed)
        ++m_state.folderTimePending;
    return !m_state.IsStopped();
}

bool CTreeWalk::HandleFile(QStringView name, qsizetype index, TargetCode rootTargetCode)
{
    return m_state.mirrorPass ? MirrorFile(name, rootTargetCode) : BackupFile(index);
}

bool CTreeWalk::GuardDeletions()
{
    // A master that is empty while its backup is not is far more often a drive that is not
    // there, a share that is not up or a wrong path than a wish to delete everything.
    m_exclusions.StartTree(m_state.masterRoot);
    const bool masterHasEntries = TreeHasEntries(m_state.masterRoot);
    m_exclusions.StartTree(m_state.backupRoot);
    if (!masterHasEntries && TreeHasEntries(m_state.backupRoot)) {
        return RefuseDeletions(IDS_ERR_MASTER_EMPTY, FormatPrintf(m_reporter.Text(IDS_MSG_MASTER_EMPTY),
                                                                  {m_state.masterRoot, m_state.backupRoot}));
    }
    const qint32 limit = m_state.setting->DeleteLimit;
    if (limit <= 0)
        return true;
    const DeletionCount count = CountDeletions();
    if (m_state.IsStopped())
        return false;
    const bool withinLimit = count.deletions < CFolderSetting::DeleteLimitMinimumFiles
        || count.deletions * 100 <= qint64(limit) * count.files;
    if (withinLimit)
        return true;
    const qint64 percent = count.files > 0 ? count.deletions * 100 / count.files : 100;
    return RefuseDeletions(IDS_ERR_DELETE_LIMIT,
                           FormatPrintf(m_reporter.Text(IDS_MSG_DELETE_LIMIT),
                                        {QString::number(count.files), QString::number(count.deletions),
                                         QString::number(percent), QString::number(limit)}));
}

bool CTreeWalk::TreeHasEntries(const QString &root)
{
    bool found = false;
    m_disk.ListFolder(root, [&](const FolderEntry &entry) {
        found = !m_exclusions.Excludes(root, entry);
        return !found;
    }, nullptr);
    return found;
}

CTreeWalk::DeletionCount CTreeWalk::CountDeletions()
{
    // The mirroring pass as it would decide, acting on nothing and showing nothing.
    m_counted = {};
    m_state.counting = true;
    m_reporter.SetMuted(true);
    const int timesPending = m_state.folderTimePending;
    MirroringPass();
    m_state.folderTimePending = timesPending;
    m_state.deleteDepth = 0;
    m_reporter.SetMuted(false);
    m_state.counting = false;
    return m_counted;
}

bool CTreeWalk::RefuseDeletions(int shortId, const QString &text)
{
    m_reporter.ReportError(ErrorLevel::Setting, m_reporter.Text(shortId),
                           {.text = text, .caption = m_reporter.Text(IDS_CAPTION_DELETION_GUARD),
                            .icon = MessageIcon::Error, .unattended = MessageAnswer::Abort});
    m_reporter.AddErrorRow();
    return false;
}

Comparison CTreeWalk::CompareFile(const FileStatus &master, const FileStatus &backup) const
{
    const CFolderSetting &setting = *m_state.setting;
    qint64 masterTime = WholeSeconds(master.lastWrite);
    const qint64 backupTime = WholeSeconds(backup.lastWrite);
    if (setting.NtfsToFat && qAbs(masterTime - backupTime) <= setting.LeaveTime)
        masterTime = backupTime;
    if (masterTime > backupTime)
        return Comparison::MasterNewer;
    if (backupTime > masterTime)
        return Comparison::BackupNewer;
    return master.size != backup.size ? Comparison::SizeDiffers : Comparison::Same;
}

bool CTreeWalk::BackupFile(qsizetype index)
{
    const CFolderSetting &setting = *m_state.setting;
    const QString &relative = SetPath(m_relative, {}, QStringView(m_state.currentPath).sliced(m_state.walkRoot.size()));
    const QString &backupPath = SetPath(m_backupPath, m_state.backupRoot, relative);
    m_reporter.StatusText(m_reporter.Text(IDS_STATUS_BACKING_UP), relative);
    if (!IsTarget(m_filter.FileTarget(relative)))
        return false;

    // A master file that vanished since the listing keeps zero time and size; its copy then
    // fails and is reported like any other.
    const std::optional<FileStatus> readAhead = m_ticket ? m_ticket->Walked(index, m_state.currentPath) : std::nullopt;
    const FileStatus master = readAhead ? *readAhead : m_disk.Status(m_state.currentPath, nullptr).value_or(FileStatus{});
    const qint64 masterTime = WholeSeconds(master.lastWrite);
    const std::optional<bool> dated = CTargetFilter::DateFilter(setting, masterTime);
    if (!dated) {
        const QString detail = m_reporter.Text(IDS_ERR_INVALID_TIMESTAMP);
        m_reporter.ReportError(ErrorLevel::Minor, detail,
                          {.text = FormatPrintf(m_reporter.Text(IDS_FMT_PATH_DETAIL), {m_state.currentPath, detail}),
                           .caption = m_reporter.Text(IDS_CAPTION_TIMESTAMP_CHECK), .icon = MessageIcon::Warning,
                           .unattended = MessageAnswer::Ignore});
        m_reporter.CountError();
        return false;
    }
    if (!*dated)
        return false;

    // The texts are looked up only for a row: an unchanged file has none.
    const auto create = [this]() -> const QString & { return m_reporter.Text(IDS_OP_CREATE); };
    const auto update = [this]() -> const QString & { return m_reporter.Text(IDS_OP_UPDATE); };
    const auto skip = [this]() -> const QString & { return m_reporter.Text(IDS_OP_SKIP); };
    const bool sized = CTargetFilter::SizeFilter(setting, master.size);
    FileStatus backup;
    const std::optional<KnownStatus> known = m_ticket ? m_ticket->Counterpart(index, backupPath) : std::nullopt;
    switch (m_operations.CheckFile(backupPath, &backup, known ? &*known : nullptr)) {
    case ExistResult::NotFound:
        if (m_state.IsStopped())
            return false;
        if (!sized) {
            m_reporter.ReportOperation(skip(), masterTime, relative, 0, true, master.size, m_reporter.SkipPolicy());
            return false;
        }
        m_reporter.ReportOperation(create(), masterTime, relative, 0, true, master.size, {});
        break;
    case ExistResult::Found: {
        const qint64 backupTime = WholeSeconds(backup.lastWrite);
        if (!sized) {
            m_reporter.ReportOperation(skip(), masterTime, relative, backupTime, true, master.size, {});
            return false;
        }
        const Comparison comparison = CompareFile(master, backup);
        if (comparison == Comparison::Same)
            return FixFileCase(relative, master);
        if (comparison == Comparison::BackupNewer && !setting.OverWrite) {
            if (FixFileCase(relative, master))
                return true;
            m_reporter.ReportOperation(skip(), masterTime, relative, backupTime, true, master.size, {});
            return false;
        }
        m_reporter.ReportOperation(update(), masterTime, relative, backupTime, true, master.size, {});
        break;
    }
    case ExistResult::OtherKind:
    case ExistResult::CheckFailed:
        return false;
    }
    m_operations.CopyToBackup(m_state.currentPath, backupPath);
    FixFileCase(relative, master);
    return true;
}

bool CTreeWalk::FixFileCase(const QString &relative, const FileStatus &master)
{
    if (!m_state.setting->RenameCapital)
        return false;
    const QString backupPath = m_state.backupRoot + relative;
    const QString actual = m_operations.ActualNameOf(backupPath);
    if (actual.isEmpty())
        return false;
    const QString onDisk = relative.left(relative.size() - NameOfPath(relative).size()) + actual;
    if (onDisk.size() != relative.size() || onDisk == relative)
        return false;
    m_reporter.ReportOperation(m_reporter.Text(IDS_OP_RENAME), WholeSeconds(master.lastWrite), relative,
                          m_operations.LastWriteOf(backupPath), true, master.size, {});
    m_operations.RenameBackupItem(m_state.backupRoot, onDisk, relative);
    return true;
}

bool CTreeWalk::MirrorFile(QStringView name, TargetCode targetCode)
{
    const CFolderSetting &setting = *m_state.setting;
    const QString &relative = SetPath(m_relative, {}, QStringView(m_state.currentPath).sliced(m_state.walkRoot.size()));
    m_reporter.StatusText(m_reporter.Text(IDS_STATUS_MIRRORING), relative);
    if (targetCode == TargetCode::NoFilter)
        targetCode = m_filter.FileTarget(relative);

    bool deleting = false;
    if (m_state.deleteDepth > 0 || !IsTarget(targetCode)) {
        deleting = IsTarget(targetCode) || setting.DeleteIgnoreTarget;
    } else {
        ExistResult master = MasterFileState(relative, name);
        if (master == ExistResult::CheckFailed || m_state.IsStopped())
            return false;
        // The same name comparison the backup pass met: a case-insensitive backup keeps the file
        // under the spelling it had when the master renamed it only in case.
        if (master == ExistResult::NotFound) {
            if (const std::optional<ItemKind> twin = CaseCounterpart(relative))
                master = *twin == ItemKind::Folder ? ExistResult::OtherKind : ExistResult::Found;
        }
        deleting = master == ExistResult::NotFound || master == ExistResult::OtherKind;
    }
    if (m_state.counting) {
        ++m_counted.files;
        m_counted.deletions += deleting ? 1 : 0;
        return false;
    }
    if (!deleting)
        return false;

    const FileStatus backup = m_disk.Status(m_state.currentPath, nullptr).value_or(FileStatus{});
    if (!ConfirmDeletion(m_state.currentPath, backup, deleting))
        return false;
    const QString &operation = m_reporter.Text(deleting ? IDS_OP_DELETE : IDS_OP_SKIP);
    m_reporter.ReportOperation(operation, 0, relative, WholeSeconds(backup.lastWrite), true, backup.size,
                          deleting ? ReportWhere{} : m_reporter.SkipPolicy());
    if (!deleting)
        return false;
    m_operations.DeleteBackupFile(m_state.currentPath);
    return true;
}

void CTreeWalk::ListMasterFolder(QStringView relative)
{
    if (m_masterFolderKnown && relative == m_listedMasterFolder)
        return;
    m_listedMasterFolder = relative.toString();
    m_masterFolderKnown = true;
    const QString folder = m_state.masterRoot + m_listedMasterFolder;
    if (const CFolderNames *listed = m_ticket ? m_ticket->OtherEntries(folder) : nullptr) {
        m_masterEntries = *listed;
        m_masterListed = true;
        return;
    }
    m_masterEntries.Clear();
    m_masterListed = m_disk.ListFolder(folder, [this](const FolderEntry &entry) {
        m_masterEntries.Add(entry.name, entry.kind);
        return true;
    }, nullptr);
}

ExistResult CTreeWalk::MasterFileState(const QString &relative, QStringView name)
{
    // One listing of the master folder answers for all its files. A name the listing lacks is
    // checked on its own, so a case-insensitive master and every failure are decided exactly
    // as a check of that file would decide them.
    const QString master = m_caseFolders.isEmpty() ? relative : MasterRelativeOf(relative);
    const std::optional<ItemKind> found = ListedMasterKind(master, name);
    if (!found)
        return m_operations.CheckFile(m_state.masterRoot + master);
    return *found == ItemKind::Folder ? ExistResult::OtherKind : ExistResult::Found;
}

std::optional<ItemKind> CTreeWalk::ListedMasterKind(const QString &masterRelative, QStringView name)
{
    ListMasterFolder(QStringView(masterRelative).chopped(name.size()));
    return m_masterListed ? m_masterEntries.Find(name) : std::nullopt;
}

std::optional<ItemKind> CTreeWalk::CaseCounterpart(const QString &relative)
{
    const QString name = NameOfPath(relative);
    const QString parent = relative.left(relative.size() - name.size());
    const QString masterParent = MasterRelativeOf(parent);
    ListMasterFolder(masterParent);
    for (qsizetype i = 0; i < m_masterEntries.Size(); ++i) {
        const QStringView spelling = m_masterEntries.NameAt(i);
        if (spelling == name || spelling.compare(name, Qt::CaseInsensitive) != 0)
            continue;
        const QString twin = spelling.toString();
        // The backup's file system decides: the master's spelling reaches this very item when
        // the name stored on disk for it is this item's.
        if (m_operations.ActualNameOf(m_state.backupRoot + parent + twin) == name) {
            if (m_masterEntries.KindAt(i) == ItemKind::Folder)
                m_caseFolders.append({relative + PathSeparator, masterParent + twin + PathSeparator});
            return m_masterEntries.KindAt(i);
        }
    }
    return std::nullopt;
}

QString CTreeWalk::MasterRelativeOf(const QString &relative) const
{
    for (auto folder = m_caseFolders.crbegin(); folder != m_caseFolders.crend(); ++folder) {
        if (relative.startsWith(folder->first))
            return folder->second + relative.mid(folder->first.size());
    }
    return relative;
}

bool CTreeWalk::ConfirmDeletion(const QString &path, const FileStatus &backup, bool &deleting)
{
    if (m_state.IsTest() || !m_state.confirmDelete)
        return true;
    const QString sizeText = FormatPrintf(m_reporter.Text(IDS_FMT_SIZE_BYTES), {FormatThousands(m_operations.QueryFileSize(path))});
    const QString dateText = FormatLocalDateTime(WholeSeconds(backup.lastWrite), m_reporter.Text(IDS_FMT_DATE_TIME))
                                 .value_or(m_reporter.Text(IDS_FMT_DATE_TIME_UNKNOWN));
    switch (m_reporter.Host().ConfirmDelete(path, sizeText, dateText)) {
    case DeleteChoice::DeleteAll:
        m_state.confirmDelete = false;
        return true;
    case DeleteChoice::DeleteThis:
        return true;
    case DeleteChoice::SkipThis:
        deleting = false;
        return true;
    case DeleteChoice::AbortRun:
        break;
    }
    m_state.RequestStop();
    return false;
}

bool CTreeWalk::EnterFolder(qsizetype index)
{
    return m_state.mirrorPass ? EnterMirrorFolder() : EnterBackupFolder(index);
}

bool CTreeWalk::EnterBackupFolder(qsizetype index)
{
    const QString relative = RelativeOf(m_state.currentPath);
    const QString backupPath = m_state.backupRoot + relative;
    if (!IsTarget(m_filter.FolderTarget(relative)))
        return false;
    const std::optional<KnownStatus> known = m_ticket ? m_ticket->Counterpart(index, backupPath) : std::nullopt;
    switch (m_operations.CheckFolder(backupPath, nullptr, false, known ? &*known : nullptr)) {
    case ExistResult::Found: {
        if (m_state.IsStopped())
            return false;
        if (!m_state.setting->RenameCapital)
            return true;
        const QString name = NameOfPath(relative);
        const QString actual = m_operations.ActualNameOf(backupPath);
        if (actual.size() == name.size() && actual != name) {
            m_reporter.ReportOperation(m_reporter.Text(IDS_OP_RENAME), m_operations.LastWriteOf(m_state.currentPath), relative,
                                  m_operations.LastWriteOf(backupPath), false, 0, {});
            m_operations.RenameBackupItem(m_state.backupRoot, relative.left(relative.size() - name.size()) + actual,
                                              relative);
            ++m_state.folderTimePending;
        }
        return true;
    }
    case ExistResult::NotFound: {
        if (m_state.IsStopped())
            return false;
        const QString &operation = m_reporter.Text(IDS_OP_CREATE_FOLDER);
        m_reporter.AddReportRow(operation, relative);
        m_reporter.WriteOperationLine(operation, relative);
        if (m_operations.CreateBackupFolder(m_state.currentPath, backupPath))
            m_createdFolders.insert(backupPath);
        ++m_state.folderTimePending;
        return true;
    }
    case ExistResult::OtherKind:
    case ExistResult::CheckFailed:
        break;
    }
    return false;
}

bool CTreeWalk::EnterMirrorFolder()
{
    const QString relative = RelativeOf(m_state.currentPath);
    if (!IsTarget(m_filter.FolderTarget(relative))) {
        if (!m_state.setting->DeleteIgnoreTarget)
            return false;
        ++m_state.deleteDepth;
        return true;
    }
    // The listing of the master folder above, which the walk reads for its files anyway, answers
    // for a subfolder it holds; anything else is checked on its own.
    const QString masterRelative = MasterRelativeOf(relative);
    ExistResult master = ListedMasterKind(masterRelative, NameOfPath(masterRelative)) == ItemKind::Folder
        ? ExistResult::Found
        : m_operations.CheckFolder(m_state.masterRoot + masterRelative);
    if (master == ExistResult::NotFound) {
        if (const std::optional<ItemKind> twin = CaseCounterpart(relative))
            master = *twin == ItemKind::Folder ? ExistResult::Found : ExistResult::OtherKind;
    }
    if (master == ExistResult::NotFound || master == ExistResult::OtherKind)
        ++m_state.deleteDepth;
    return true;
}

void CTreeWalk::LeaveFolder()
{
    const QString relative = RelativeOf(m_state.currentPath);
    if (!m_state.mirrorPass) {
        // A folder made in this pass takes the master's rights now that it is filled: a master
        // folder without write permission must not keep its own content out.
        if (m_createdFolders.remove(m_state.backupRoot + relative))
            m_operations.CopyFolderRights(m_state.currentPath, m_state.backupRoot + relative);
        if (m_state.folderTimePending > 0) {
            m_operations.CopyFolderTimes(m_state.masterRoot + relative, m_state.backupRoot + relative);
            --m_state.folderTimePending;
        }
        return;
    }
    if (!m_caseFolders.isEmpty() && m_caseFolders.last().first == relative + PathSeparator)
        m_caseFolders.removeLast();
    if (m_state.deleteDepth <= 0)
        return;
    if (m_state.counting) {
        --m_state.deleteDepth;
        return;
    }
    const QString &operation = m_reporter.Text(IDS_OP_DELETE_FOLDER);
    m_reporter.AddReportRow(operation, relative);
    m_reporter.WriteOperationLine(operation, relative);
    m_operations.RemoveBackupFolder(m_state.backupRoot + relative);
    --m_state.deleteDepth;
    ++m_state.folderTimePending;
}
