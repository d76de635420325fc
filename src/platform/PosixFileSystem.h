#pragma once

#include "platform/FileSystem.h"

#include <QByteArray>

#include <array>
#include <mutex>

// The real disk: POSIX calls on paths encoded by EncodeFileName, errors from errno.
class PosixFileSystem : public FileSystem {
public:
    // A copy is written into an unnamed file (O_TMPFILE) where the file system has them; with
    // unnamedTemporaries false always into a named temporary file, as on vfat or a share.
    explicit PosixFileSystem(bool unnamedTemporaries = true) : unnamedTemporaries_(unnamedTemporaries) {}
    ~PosixFileSystem() override;
    PosixFileSystem(const PosixFileSystem &) = delete;
    PosixFileSystem &operator=(const PosixFileSystem &) = delete;

    std::optional<FileStatus> Status(const QString &path, FsError *error) override;
    bool ListFolder(const QString &path, const std::function<bool(const FolderEntry &)> &visit,
                    FsError *error) override;
    bool CopyFile(const QString &source, const QString &target, FsError *error) override;
    bool DeleteFile(const QString &path, FsError *error) override;
    bool RemoveFolder(const QString &path, FsError *error) override;
    bool Move(const QString &from, const QString &to, FsError *error) override;
    bool CreateFolder(const QString &path, FsError *error) override;
    bool MakeWritable(const QString &path, FsError *error) override;
    bool SetTimes(const QString &path, const FileTime &lastAccess, const FileTime &lastWrite,
                  FsError *error) override;
    QString ActualName(const QString &path) override;
    bool MoveToTrash(const QString &path, FsError *error) override;

private:
    // The folders whose items were asked about last stay open, so that the status of an item is
    // read relative to its folder instead of walking the whole path each time. A change to a
    // folder, or to anything above it, closes it again.
    struct FolderHandle {
        QByteArray path;
        int fd = -1;
    };
    int OpenFolderHandle(const QByteArray &folder);
    void ForgetFolders(const QByteArray &changed);
    template <typename Call>
    bool Changing(const QString &path, FsError *error, Call call);

    bool unnamedTemporaries_;
    std::mutex folderMutex_;
    std::array<FolderHandle, 4> folders_;
    size_t nextFolder_ = 0;
};
