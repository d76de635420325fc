#include "engine/JournalingFileSystem.h"

#include "engine/ChangeJournal.h"

template <typename Change>
bool JournalingFileSystem::Recorded(const QString &path, Change change)
{
    const bool done = change();
    m_journal.Record(path);
    return done;
}

std::optional<FileStatus> JournalingFileSystem::Status(const QString &path, FsError *error)
{
    return m_inner.Status(path, error);
}

bool JournalingFileSystem::ListFolder(const QString &path, const std::function<bool(const FolderEntry &)> &visit,
                                      FsError *error)
{
    return m_inner.ListFolder(path, visit, error);
}

bool JournalingFileSystem::CopyFile(const QString &source, const QString &target, FsError *error)
{
    return Recorded(target, [&] { return m_inner.CopyFile(source, target, error); });
}

bool JournalingFileSystem::CopyFolderAttributes(const QString &source, const QString &target, FsError *error)
{
    return Recorded(target, [&] { return m_inner.CopyFolderAttributes(source, target, error); });
}

bool JournalingFileSystem::SyncFileSystem(const QString &path, FsError *error)
{
    return m_inner.SyncFileSystem(path, error);
}

bool JournalingFileSystem::DeleteFile(const QString &path, FsError *error)
{
    return Recorded(path, [&] { return m_inner.DeleteFile(path, error); });
}

bool JournalingFileSystem::RemoveFolder(const QString &path, FsError *error)
{
    return Recorded(path, [&] { return m_inner.RemoveFolder(path, error); });
}

bool JournalingFileSystem::Move(const QString &from, const QString &to, FsError *error)
{
    const bool moved = Recorded(from, [&] { return m_inner.Move(from, to, error); });
    m_journal.Record(to);
    return moved;
}

bool JournalingFileSystem::CreateFolder(const QString &path, FsError *error)
{
    const bool made = m_inner.CreateFolder(path, error);
    m_journal.RecordCreated(path);
    return made;
}

bool JournalingFileSystem::MakeWritable(const QString &path, FsError *error)
{
    return Recorded(path, [&] { return m_inner.MakeWritable(path, error); });
}

bool JournalingFileSystem::SetTimes(const QString &path, const FileTime &lastAccess, const FileTime &lastWrite,
                                    FsError *error)
{
    return Recorded(path, [&] { return m_inner.SetTimes(path, lastAccess, lastWrite, error); });
}

QString JournalingFileSystem::ActualName(const QString &path)
{
    return m_inner.ActualName(path);
}

bool JournalingFileSystem::MoveToTrash(const QString &path, FsError *error)
{
    return Recorded(path, [&] { return m_inner.MoveToTrash(path, error); });
}

QString JournalingFileSystem::VolumeRoot(const QString &path)
{
    return m_inner.VolumeRoot(path);
}

bool JournalingFileSystem::IsExchangeable(const QString &root)
{
    return m_inner.IsExchangeable(root);
}

QString JournalingFileSystem::VolumeLabel(const QString &root)
{
    return m_inner.VolumeLabel(root);
}

bool JournalingFileSystem::SupportsConcurrentReads() const
{
    return m_inner.SupportsConcurrentReads();
}

void JournalingFileSystem::ReadStatuses(const QString &folder, StatusNames names, const StatusAnswer &answer)
{
    m_inner.ReadStatuses(folder, names, answer);
}

QString JournalingFileSystem::FileSystemType(const QString &path)
{
    return m_inner.FileSystemType(path);
}

void JournalingFileSystem::ReleaseHandles()
{
    m_inner.ReleaseHandles();
}

QString JournalingFileSystem::ResolvedPath(const QString &path)
{
    return m_inner.ResolvedPath(path);
}
