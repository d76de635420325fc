#pragma once

#include "platform/FileSystem.h"

#include <functional>
#include <utility>


// The real disk: POSIX calls on paths encoded by EncodeFileName, errors from errno.
class PosixFileSystem : public FileSystem {
public:
    // A copy is written into an unnamed file (O_TMPFILE) where the file system has them; with
    // unnamedTemporaries false always into a named temporary file, as on vfat or a share.
    explicit PosixFileSystem(bool unnamedTemporaries = true) : m_unnamedTemporaries(unnamedTemporaries) {}

    std::optional<FileStatus> Status(const QString &path, FsError *error) override;
    bool ListFolder(const QString &path, const std::function<bool(const FolderEntry &)> &visit,
                    FsError *error) override;
    bool CopyFile(const QString &source, const QString &target, FsError *error) override;
    bool DeleteFile(const QString &path, FsError *error) override;
    bool RemoveFolder(const QString &path, FsError *error) override;
    bool Move(const QString &from, const QString &to, FsError *error) override;
    bool CreateFolder(const QString &path, FsError *error) override;
    bool CopyFolderAttributes(const QString &source, const QString &target, FsError *error) override;
    bool SyncFileSystem(const QString &path, FsError *error) override;
    bool MakeWritable(const QString &path, FsError *error) override;
    bool SetTimes(const QString &path, const FileTime &lastAccess, const FileTime &lastWrite,
                  FsError *error) override;
    QString ActualName(const QString &path) override;
    bool MoveToTrash(const QString &path, FsError *error) override;
    bool SupportsConcurrentReads() const override { return true; }
    void ReadStatuses(const QString &folder, StatusNames names, const StatusAnswer &answer) override;
    void ReleaseHandles() override;

    // For tests only: called during every copy of a file after its data is written and before
    // the source is checked for changes, so that a test can change the source at that moment.
    void SetDataCopiedHook(std::function<void()> hook) { m_dataCopied = std::move(hook); }

private:
    template <typename Call>
    bool Changing(const QString &path, FsError *error, Call call);

    bool m_unnamedTemporaries;
    std::function<void()> m_dataCopied;
};
