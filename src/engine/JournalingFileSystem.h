#pragma once

#include "platform/FileSystem.h"

class CChangeJournal;

// The disk as a run changes it: every call passes to the wrapped file system, and every call that
// may change something is recorded in the journal once it has returned, whether it succeeded or
// not, so that nothing read of that path before it is taken for the disk as it is now.
class JournalingFileSystem : public FileSystem {
public:
    JournalingFileSystem(FileSystem &inner, CChangeJournal &journal) : m_inner(inner), m_journal(journal) {}

    std::optional<FileStatus> Status(const QString &path, FsError *error) override;
    bool ListFolder(const QString &path, const std::function<bool(const FolderEntry &)> &visit,
                    FsError *error) override;
    bool CopyFile(const QString &source, const QString &target, FsError *error) override;
    bool CopyFolderAttributes(const QString &source, const QString &target, FsError *error) override;
    bool SyncFileSystem(const QString &path, FsError *error) override;
    bool DeleteFile(const QString &path, FsError *error) override;
    bool RemoveFolder(const QString &path, FsError *error) override;
    bool Move(const QString &from, const QString &to, FsError *error) override;
    bool CreateFolder(const QString &path, FsError *error) override;
    bool MakeWritable(const QString &path, FsError *error) override;
    bool SetTimes(const QString &path, const FileTime &lastAccess, const FileTime &lastWrite,
                  FsError *error) override;
    QString ActualName(const QString &path) override;
    bool MoveToTrash(const QString &path, FsError *error) override;
    QString VolumeRoot(const QString &path) override;
    bool IsExchangeable(const QString &root) override;
    QString VolumeLabel(const QString &root) override;
    bool SupportsConcurrentReads() const override;
    void ReadStatuses(const QString &folder, StatusNames names, const StatusAnswer &answer) override;
    QString FileSystemType(const QString &path) override;
    void ReleaseHandles() override;
    QString ResolvedPath(const QString &path) override;

private:
    // Records path after the change, whatever it returned.
    template <typename Change>
    bool Recorded(const QString &path, Change change);

    FileSystem &m_inner;
    CChangeJournal &m_journal;
};
