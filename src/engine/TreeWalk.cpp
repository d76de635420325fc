#include "engine/TreeWalk.h"

#include "engine/RunHost.h"
#include "engine/RunReporter.h"
#include "engine/RunState.h"
#include "engine/StatusPrefetch.h"
#include "engine/TargetFilter.h"
#include "model/FolderSetting.h"
#include "platform/MessageBox.h"
#include "platform/Paths.h"
#include "platform/Text.h"
#include "res/StringIds.h"

#include <QList>

namespace {

bool IsFileEntry(const FolderEntry &entry)
{
    // Links are copied as links; sockets, pipes and devices are no backup content.
    return entry.kind == ItemKind::File || entry.kind == ItemKind::Symlink;
}

} // namespace

CTreeWalk::CTreeWalk(CRunState &state, CRunReporter &reporter, CFileOperations &operations, CTargetFilter &filter,
                     FileSystem &disk)
    : m_state(state), m_reporter(reporter), m_operations(operations), m_filter(filter), m_disk(disk)
{
}

CTreeWalk::~CTreeWalk() = default;

void CTreeWalk::ReleaseReaders()
{
    m_prefetch.reset();
}

bool CTreeWalk::Passes()
{
    const CFolderSetting &setting = *m_state.setting;
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
    m_listedMasterFolder.clear();
    m_masterEntries.clear();
    return WalkFolder(m_state.walkRoot);
}

QString CTreeWalk::RelativeOf(const QString &path) const
{
    return path.mid(m_state.walkRoot.size());
}

bool CTreeWalk::ListEntries(const QString &folder, QList<FolderEntry> &entries)
{
    FsError error;
    if (m_disk.ListFolder(folder, [&entries](const FolderEntry &entry) {
            entries.append(entry);
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

bool CTreeWalk::WalkFolder(const QString &folder)
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
    QList<FolderEntry> entries;
    ListEntries(folder, entries);

    if (!m_state.mirrorPass && !skipFiles)
        PrefetchBackupSide(folder, entries);
    bool changed = false;
    qsizetype fileIndex = -1;
    for (const FolderEntry &entry : std::as_const(entries)) {
        if (skipFiles || !IsFileEntry(entry))
            continue;
        ++fileIndex;
        m_state.currentPath = folder + entry.name;
        if (setting.CheckFileName && !m_operations.CheckItemName(m_state.currentPath, entry.nameValid)) {
            if (m_state.IsStopped())
                break;
            continue;
        }
        if (HandleFile(fileIndex, rootCode))
            changed = true;
        if (m_state.IsStopped())
            break;
    }
    if (m_state.IsStopped())
        return false;

    if (setting.SubDir) {
        for (const FolderEntry &entry : std::as_const(entries)) {
            if (entry.kind != ItemKind::Folder)
                continue;
            const QString path = folder + entry.name;
            m_state.currentPath = path;
            const bool nameValid = !setting.CheckFileName || m_operations.CheckItemName(path, entry.nameValid);
            if (nameValid && EnterFolder()) {
                if (!WalkFolder(path + PathSeparator))
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

bool CTreeWalk::HandleFile(qsizetype index, TargetCode rootTargetCode)
{
    return m_state.mirrorPass ? MirrorFile(rootTargetCode) : BackupFile(index);
}

void CTreeWalk::PrefetchBackupSide(const QString &folder, const QList<FolderEntry> &entries)
{
    if (!m_prefetch) {
        if (!m_disk.SupportsConcurrentReads())
            return;
        m_prefetch = std::make_unique<CStatusPrefetch>(m_disk);
    }
    const QString backupFolder = m_state.backupRoot + RelativeOf(folder);
    QStringList paths;
    for (const FolderEntry &entry : entries) {
        if (IsFileEntry(entry))
            paths << backupFolder + entry.name;
    }
    if (paths.size() < 2)
        m_prefetch->Clear();
    else
        m_prefetch->Start(std::move(paths));
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
    const QString relative = RelativeOf(m_state.currentPath);
    const QString backupPath = m_state.backupRoot + relative;
    m_reporter.StatusText(m_reporter.Text(IDS_STATUS_BACKING_UP), relative);
    if (!IsTarget(m_filter.FileTarget(relative)))
        return false;

    // A master file that vanished since the listing keeps zero time and size; its copy then
    // fails and is reported like any other.
    const FileStatus master = m_disk.Status(m_state.currentPath, nullptr).value_or(FileStatus{});
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

    const QString &create = m_reporter.Text(IDS_OP_CREATE);
    const QString &update = m_reporter.Text(IDS_OP_UPDATE);
    const QString &skip = m_reporter.Text(IDS_OP_SKIP);
    const bool sized = CTargetFilter::SizeFilter(setting, master.size);
    FileStatus backup;
    const std::optional<KnownStatus> known = m_prefetch ? m_prefetch->Take(index, backupPath) : std::nullopt;
    switch (m_operations.CheckFile(backupPath, &backup, known ? &*known : nullptr)) {
    case ExistResult::NotFound:
        if (m_state.IsStopped())
            return false;
        if (!sized) {
            m_reporter.ReportOperation(skip, masterTime, relative, 0, true, master.size, m_reporter.SkipPolicy());
            return false;
        }
        m_reporter.ReportOperation(create, masterTime, relative, 0, true, master.size, {});
        break;
    case ExistResult::Found: {
        const qint64 backupTime = WholeSeconds(backup.lastWrite);
        if (!sized) {
            m_reporter.ReportOperation(skip, masterTime, relative, backupTime, true, master.size, {});
            return false;
        }
        const Comparison comparison = CompareFile(master, backup);
        if (comparison == Comparison::Same)
            return FixFileCase(relative, master);
        if (comparison == Comparison::BackupNewer && !setting.OverWrite) {
            if (FixFileCase(relative, master))
                return true;
            m_reporter.ReportOperation(skip, masterTime, relative, backupTime, true, master.size, {});
            return false;
        }
        m_reporter.ReportOperation(update, masterTime, relative, backupTime, true, master.size, {});
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

bool CTreeWalk::MirrorFile(TargetCode targetCode)
{
    const CFolderSetting &setting = *m_state.setting;
    const QString relative = RelativeOf(m_state.currentPath);
    m_reporter.StatusText(m_reporter.Text(IDS_STATUS_MIRRORING), relative);
    if (targetCode == TargetCode::NoFilter)
        targetCode = m_filter.FileTarget(relative);

    bool deleting = false;
    if (m_state.deleteDepth > 0 || !IsTarget(targetCode)) {
        deleting = IsTarget(targetCode) || setting.DeleteIgnoreTarget;
    } else {
        const ExistResult master = MasterFileState(relative);
        if (master == ExistResult::CheckFailed || m_state.IsStopped())
            return false;
        deleting = master == ExistResult::NotFound || master == ExistResult::OtherKind;
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

ExistResult CTreeWalk::MasterFileState(const QString &relative)
{
    // One listing of the master folder answers for all its files. A name the listing lacks is
    // checked on its own, so a case-insensitive master and every failure are decided exactly
    // as a check of that file would decide them.
    const QString folder = m_state.masterRoot + relative.left(relative.size() - NameOfPath(relative).size());
    if (folder != m_listedMasterFolder) {
        m_listedMasterFolder = folder;
        m_masterEntries.clear();
        m_masterListed = m_disk.ListFolder(folder, [this](const FolderEntry &entry) {
            m_masterEntries.insert(entry.name, entry.kind);
            return true;
        }, nullptr);
    }
    const auto found = m_masterEntries.constFind(NameOfPath(relative));
    if (!m_masterListed || found == m_masterEntries.cend())
        return m_operations.CheckFile(m_state.masterRoot + relative);
    return *found == ItemKind::Folder ? ExistResult::OtherKind : ExistResult::Found;
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

bool CTreeWalk::EnterFolder()
{
    return m_state.mirrorPass ? EnterMirrorFolder() : EnterBackupFolder();
}

bool CTreeWalk::EnterBackupFolder()
{
    const QString relative = RelativeOf(m_state.currentPath);
    const QString backupPath = m_state.backupRoot + relative;
    if (!IsTarget(m_filter.FolderTarget(relative)))
        return false;
    switch (m_operations.CheckFolder(backupPath)) {
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
        m_operations.CreateFolderChain(backupPath);
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
    const ExistResult master = m_operations.CheckFolder(m_state.masterRoot + relative);
    if (master == ExistResult::NotFound || master == ExistResult::OtherKind)
        ++m_state.deleteDepth;
    return true;
}

void CTreeWalk::LeaveFolder()
{
    const QString relative = RelativeOf(m_state.currentPath);
    if (!m_state.mirrorPass) {
        if (m_state.folderTimePending > 0) {
            m_operations.CopyFolderTimes(m_state.masterRoot + relative, m_state.backupRoot + relative);
            --m_state.folderTimePending;
        }
        return;
    }
    if (m_state.deleteDepth <= 0)
        return;
    const QString &operation = m_reporter.Text(IDS_OP_DELETE_FOLDER);
    m_reporter.AddReportRow(operation, relative);
    m_reporter.WriteOperationLine(operation, relative);
    m_operations.RemoveBackupFolder(m_state.backupRoot + relative);
    --m_state.deleteDepth;
    ++m_state.folderTimePending;
}
