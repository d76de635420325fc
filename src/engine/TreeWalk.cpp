#include "engine/TreeWalk.h"

#include "engine/RunHost.h"
#include "engine/RunRequest.h"
#include "engine/StatusPrefetch.h"
#include "engine/ThreadMirroring.h"
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

CTreeWalk::CTreeWalk(CThreadMirroring &run)
    : m_run(run)
{
}

CTreeWalk::~CTreeWalk() = default;

bool CTreeWalk::Passes()
{
    const CFolderSetting &setting = *m_run.setting;
    bool completed = false;
    switch (setting.BackupType) {
    case 0:
        completed = BackupPass();
        if (completed && setting.Mirroring)
            completed = MirroringPass();
        break;
    case 1:
        completed = !setting.Mirroring || MirroringPass();
        if (completed)
            completed = BackupPass();
        break;
    default:
        return false;
    }
    if (completed && m_run.folderTimePending > 0) {
        m_run.operations.CopyFolderTimes(m_run.masterRoot, m_run.backupRoot);
        --m_run.folderTimePending;
    }
    return completed;
}

bool CTreeWalk::BackupPass()
{
    return StartPass(false, m_run.masterRoot);
}

bool CTreeWalk::MirroringPass()
{
    return StartPass(true, m_run.backupRoot);
}

bool CTreeWalk::StartPass(bool mirror, const QString &root)
{
    m_run.mirrorPass = mirror;
    m_run.walkRoot = root;
    m_run.currentPath.clear();
    m_run.searchPattern = QStringLiteral("*.*");
    m_run.walkFlags = m_run.setting->SubDir ? 0x33 : 0x23;
    m_listedMasterFolder.clear();
    m_masterEntries.clear();
    return WalkFolder(m_run.walkRoot);
}

QString CTreeWalk::RelativeOf(const QString &path) const
{
    return path.mid(m_run.walkRoot.size());
}

bool CTreeWalk::ListEntries(const QString &folder, QList<FolderEntry> &entries)
{
    FsError error;
    if (m_run.Disk().ListFolder(folder, [&entries](const FolderEntry &entry) {
            entries.append(entry);
            return true;
        }, &error))
        return true;
    // A folder that is gone has nothing to walk; any other failure would silently leave out a
    // whole subtree, so it is reported and counted.
    if (error.kind == FsErrorKind::NotFound)
        return false;
    const QString detail = SystemErrorText(error.code);
    m_run.ReportError(m_run.mirrorPass ? 2 : 3, detail,
                      {.text = FormatPrintf(m_run.Text(IDS_FMT_PATH_DETAIL), {folder, detail}),
                       .caption = m_run.Text(IDS_CAPTION_LIST_FOLDER_FAILED), .icon = MessageIcon::Error,
                       .unattended = MessageAnswer::Ignore});
    m_run.CountError();
    return false;
}

bool CTreeWalk::WalkFolder(const QString &folder)
{
    if (m_run.IsStopped())
        return false;
    const CFolderSetting &setting = *m_run.setting;

    // With an include list of folders, the root itself is no target and neither are its files.
    int rootCode = TargetNoFilter;
    bool skipFiles = false;
    if (folder == m_run.walkRoot && m_run.filter.FolderTarget(u"") == TargetNotIncluded) {
        if (m_run.mirrorPass && setting.DeleteIgnoreTarget)
            rootCode = TargetNotIncluded;
        else
            skipFiles = true;
    }

    // One listing serves the file loop and the folder loop.
    QList<FolderEntry> entries;
    ListEntries(folder, entries);

    if (!m_run.mirrorPass && !skipFiles)
        PrefetchBackupSide(folder, entries);
    bool changed = false;
    qsizetype fileIndex = -1;
    for (const FolderEntry &entry : std::as_const(entries)) {
        if (skipFiles || !IsFileEntry(entry))
            continue;
        ++fileIndex;
        m_run.currentPath = folder + entry.name;
        if (setting.CheckFileName && !m_run.operations.CheckItemName(m_run.currentPath, entry.nameValid)) {
            if (m_run.IsStopped())
                break;
            continue;
        }
        if (HandleFile(fileIndex, rootCode))
            changed = true;
        if (m_run.IsStopped())
            break;
    }
    if (m_run.IsStopped())
        return false;

    if (setting.SubDir) {
        for (const FolderEntry &entry : std::as_const(entries)) {
            if (entry.kind != ItemKind::Folder)
                continue;
            const QString path = folder + entry.name;
            m_run.currentPath = path;
            const bool nameValid = !setting.CheckFileName || m_run.operations.CheckItemName(path, entry.nameValid);
            if (nameValid && EnterFolder()) {
                if (!WalkFolder(path + PathSeparator))
                    break;
                m_run.currentPath = path;
                LeaveFolder();
            }
            if (m_run.IsStopped())
                break;
        }
    }
    if (changed)
        ++m_run.folderTimePending;
    return !m_run.IsStopped();
}

bool CTreeWalk::HandleFile(qsizetype index, int rootTargetCode)
{
    return m_run.mirrorPass ? MirrorFile(rootTargetCode) : BackupFile(index);
}

void CTreeWalk::PrefetchBackupSide(const QString &folder, const QList<FolderEntry> &entries)
{
    if (!m_prefetch) {
        if (!m_run.Disk().SupportsConcurrentReads())
            return;
        m_prefetch = std::make_unique<CStatusPrefetch>(m_run.Disk());
    }
    const QString backupFolder = m_run.backupRoot + RelativeOf(folder);
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

int CTreeWalk::CompareFile(const FileStatus &master, const FileStatus &backup) const
{
    const CFolderSetting &setting = *m_run.setting;
    qint64 masterTime = WholeSeconds(master.lastWrite);
    const qint64 backupTime = WholeSeconds(backup.lastWrite);
    if (setting.NtfsToFat && qAbs(masterTime - backupTime) <= setting.LeaveTime)
        masterTime = backupTime;
    if (masterTime > backupTime)
        return 2;
    if (backupTime > masterTime)
        return 1;
    return master.size != backup.size ? 3 : 0;
}

bool CTreeWalk::BackupFile(qsizetype index)
{
    const CFolderSetting &setting = *m_run.setting;
    const QString relative = RelativeOf(m_run.currentPath);
    const QString backupPath = m_run.backupRoot + relative;
    m_run.StatusText(m_run.Text(IDS_STATUS_BACKING_UP), relative);
    if (!IsTarget(m_run.filter.FileTarget(relative)))
        return false;

    // A master file that vanished since the listing keeps zero time and size; its copy then
    // fails and is reported like any other.
    const FileStatus master = m_run.Disk().Status(m_run.currentPath, nullptr).value_or(FileStatus{});
    const qint64 masterTime = WholeSeconds(master.lastWrite);
    const std::optional<bool> dated = CTargetFilter::DateFilter(setting, masterTime);
    if (!dated) {
        const QString detail = m_run.Text(IDS_ERR_INVALID_TIMESTAMP);
        m_run.ReportError(1, detail,
                          {.text = FormatPrintf(m_run.Text(IDS_FMT_PATH_DETAIL), {m_run.currentPath, detail}),
                           .caption = m_run.Text(IDS_CAPTION_TIMESTAMP_CHECK), .icon = MessageIcon::Warning,
                           .unattended = MessageAnswer::Ignore});
        m_run.CountError();
        return false;
    }
    if (!*dated)
        return false;

    const QString &create = m_run.Text(IDS_OP_CREATE);
    const QString &update = m_run.Text(IDS_OP_UPDATE);
    const QString &skip = m_run.Text(IDS_OP_SKIP);
    const bool sized = CTargetFilter::SizeFilter(setting, master.size);
    FileStatus backup;
    const std::optional<KnownStatus> known = m_prefetch ? m_prefetch->Take(index, backupPath) : std::nullopt;
    switch (m_run.operations.CheckFile(backupPath, &backup, known ? &*known : nullptr)) {
    case ExistResult::NotFound:
        if (m_run.IsStopped())
            return false;
        if (!sized) {
            m_run.ReportOperation(skip, masterTime, relative, 0, true, master.size, m_run.SkipPolicy());
            return false;
        }
        m_run.ReportOperation(create, masterTime, relative, 0, true, master.size, ReportToBoth);
        break;
    case ExistResult::Found: {
        const qint64 backupTime = WholeSeconds(backup.lastWrite);
        if (!sized) {
            m_run.ReportOperation(skip, masterTime, relative, backupTime, true, master.size, ReportToBoth);
            return false;
        }
        const int comparison = CompareFile(master, backup);
        if (comparison == 0)
            return FixFileCase(relative, master);
        if (comparison == 1 && !setting.OverWrite) {
            if (FixFileCase(relative, master))
                return true;
            m_run.ReportOperation(skip, masterTime, relative, backupTime, true, master.size, ReportToBoth);
            return false;
        }
        m_run.ReportOperation(update, masterTime, relative, backupTime, true, master.size, ReportToBoth);
        break;
    }
    case ExistResult::OtherKind:
    case ExistResult::CheckFailed:
        return false;
    }
    m_run.operations.CopyToBackup(m_run.currentPath, backupPath);
    FixFileCase(relative, master);
    return true;
}

bool CTreeWalk::FixFileCase(const QString &relative, const FileStatus &master)
{
    if (!m_run.setting->RenameCapital)
        return false;
    const QString backupPath = m_run.backupRoot + relative;
    const QString actual = m_run.operations.ActualNameOf(backupPath);
    if (actual.isEmpty())
        return false;
    const QString onDisk = relative.left(relative.size() - NameOfPath(relative).size()) + actual;
    if (onDisk.size() != relative.size() || onDisk == relative)
        return false;
    m_run.ReportOperation(m_run.Text(IDS_OP_RENAME), WholeSeconds(master.lastWrite), relative,
                          m_run.operations.LastWriteOf(backupPath), true, master.size, ReportToBoth);
    m_run.operations.RenameBackupItem(m_run.backupRoot, onDisk, relative);
    return true;
}

bool CTreeWalk::MirrorFile(int targetCode)
{
    const CFolderSetting &setting = *m_run.setting;
    const QString relative = RelativeOf(m_run.currentPath);
    m_run.StatusText(m_run.Text(IDS_STATUS_MIRRORING), relative);
    if (targetCode == TargetNoFilter)
        targetCode = m_run.filter.FileTarget(relative);

    bool deleting = false;
    if (m_run.deleteDepth > 0 || !IsTarget(targetCode)) {
        deleting = IsTarget(targetCode) || setting.DeleteIgnoreTarget;
    } else {
        const ExistResult master = MasterFileState(relative);
        if (master == ExistResult::CheckFailed || m_run.IsStopped())
            return false;
        deleting = master == ExistResult::NotFound || master == ExistResult::OtherKind;
    }
    if (!deleting)
        return false;

    const FileStatus backup = m_run.Disk().Status(m_run.currentPath, nullptr).value_or(FileStatus{});
    if (!ConfirmDeletion(m_run.currentPath, backup, deleting))
        return false;
    const QString &operation = m_run.Text(deleting ? IDS_OP_DELETE : IDS_OP_SKIP);
    m_run.ReportOperation(operation, 0, relative, WholeSeconds(backup.lastWrite), true, backup.size,
                          deleting ? ReportToBoth : m_run.SkipPolicy());
    if (!deleting)
        return false;
    m_run.operations.DeleteBackupFile(m_run.currentPath);
    return true;
}

ExistResult CTreeWalk::MasterFileState(const QString &relative)
{
    // One listing of the master folder answers for all its files. A name the listing lacks is
    // checked on its own, so a case-insensitive master and every failure are decided exactly
    // as a check of that file would decide them.
    const QString folder = m_run.masterRoot + relative.left(relative.size() - NameOfPath(relative).size());
    if (folder != m_listedMasterFolder) {
        m_listedMasterFolder = folder;
        m_masterEntries.clear();
        m_masterListed = m_run.Disk().ListFolder(folder, [this](const FolderEntry &entry) {
            m_masterEntries.insert(entry.name, entry.kind);
            return true;
        }, nullptr);
    }
    const auto found = m_masterEntries.constFind(NameOfPath(relative));
    if (!m_masterListed || found == m_masterEntries.cend())
        return m_run.operations.CheckFile(m_run.masterRoot + relative);
    return *found == ItemKind::Folder ? ExistResult::OtherKind : ExistResult::Found;
}

bool CTreeWalk::ConfirmDeletion(const QString &path, const FileStatus &backup, bool &deleting)
{
    if (m_run.IsTest() || !m_run.confirmDelete)
        return true;
    const QString sizeText = FormatPrintf(m_run.Text(IDS_FMT_SIZE_BYTES), {FormatThousands(m_run.operations.QueryFileSize(path))});
    const QString dateText = FormatLocalDateTime(WholeSeconds(backup.lastWrite), m_run.Text(IDS_FMT_DATE_TIME))
                                 .value_or(m_run.Text(IDS_FMT_DATE_TIME_UNKNOWN));
    switch (m_run.Host().ConfirmDelete(path, sizeText, dateText)) {
    case DeleteChoice::DeleteAll:
        m_run.confirmDelete = false;
        return true;
    case DeleteChoice::DeleteThis:
        return true;
    case DeleteChoice::SkipThis:
        deleting = false;
        return true;
    case DeleteChoice::AbortRun:
        break;
    }
    m_run.RequestStop();
    return false;
}

bool CTreeWalk::EnterFolder()
{
    return m_run.mirrorPass ? EnterMirrorFolder() : EnterBackupFolder();
}

bool CTreeWalk::EnterBackupFolder()
{
    const QString relative = RelativeOf(m_run.currentPath);
    const QString backupPath = m_run.backupRoot + relative;
    if (!IsTarget(m_run.filter.FolderTarget(relative)))
        return false;
    switch (m_run.operations.CheckFolder(backupPath)) {
    case ExistResult::Found: {
        if (m_run.IsStopped())
            return false;
        if (!m_run.setting->RenameCapital)
            return true;
        const QString name = NameOfPath(relative);
        const QString actual = m_run.operations.ActualNameOf(backupPath);
        if (actual.size() == name.size() && actual != name) {
            m_run.ReportOperation(m_run.Text(IDS_OP_RENAME), m_run.operations.LastWriteOf(m_run.currentPath), relative,
                                  m_run.operations.LastWriteOf(backupPath), false, 0, ReportToBoth);
            m_run.operations.RenameBackupItem(m_run.backupRoot, relative.left(relative.size() - name.size()) + actual,
                                              relative);
            ++m_run.folderTimePending;
        }
        return true;
    }
    case ExistResult::NotFound: {
        if (m_run.IsStopped())
            return false;
        const QString &operation = m_run.Text(IDS_OP_CREATE_FOLDER);
        m_run.AddReportRow(operation, relative);
        m_run.WriteOperationLine(operation, relative);
        m_run.operations.CreateFolderChain(backupPath);
        ++m_run.folderTimePending;
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
    const QString relative = RelativeOf(m_run.currentPath);
    if (!IsTarget(m_run.filter.FolderTarget(relative))) {
        if (!m_run.setting->DeleteIgnoreTarget)
            return false;
        ++m_run.deleteDepth;
        return true;
    }
    const ExistResult master = m_run.operations.CheckFolder(m_run.masterRoot + relative);
    if (master == ExistResult::NotFound || master == ExistResult::OtherKind)
        ++m_run.deleteDepth;
    return true;
}

void CTreeWalk::LeaveFolder()
{
    const QString relative = RelativeOf(m_run.currentPath);
    if (!m_run.mirrorPass) {
        if (m_run.folderTimePending > 0) {
            m_run.operations.CopyFolderTimes(m_run.masterRoot + relative, m_run.backupRoot + relative);
            --m_run.folderTimePending;
        }
        return;
    }
    if (m_run.deleteDepth <= 0)
        return;
    const QString &operation = m_run.Text(IDS_OP_DELETE_FOLDER);
    m_run.AddReportRow(operation, relative);
    m_run.WriteOperationLine(operation, relative);
    m_run.operations.RemoveBackupFolder(m_run.backupRoot + relative);
    --m_run.deleteDepth;
    ++m_run.folderTimePending;
}
