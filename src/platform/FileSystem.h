#pragma once

#include "platform/Paths.h"
#include "platform/Volumes.h"

#include <QString>
#include <QStringList>
#include <QtGlobal>

#include <functional>
#include <optional>
#include <span>

// What a failed file-system call tells the engine: the errno and how the engine should take it.
enum class FsErrorKind {
    None,
    NotFound,       // ENOENT
    PathNotFound,   // ENOTDIR: a part of the path is not a folder
    NetworkPath,    // a mounted share that is briefly gone (ENOTCONN, EHOSTDOWN, ESTALE, ...)
    Sharing,        // busy or locked by another program (EBUSY, ETXTBSY, EAGAIN)
    InvalidName,    // a name this platform cannot represent (not UTF-8, EILSEQ, EINVAL, ENAMETOOLONG)
    SourceChanged,  // the source of a copy changed while it was read: the copy was not put in place
    Other,
};

struct FsError {
    int code = 0;
    FsErrorKind kind = FsErrorKind::None;

    // Not an errno: what a copy reports when its source changed while it was read.
    static constexpr int SourceChangedCode = -1;
    static FsError FromErrno(int code);
};

enum class ItemKind { File, Folder, Symlink, Other };

// Times in whole seconds plus nanoseconds since 1970 UTC.
struct FileTime {
    qint64 seconds = 0;
    qint32 nanoseconds = 0;
    friend bool operator==(const FileTime &, const FileTime &) = default;
};

struct FileStatus {
    ItemKind kind = ItemKind::File;
    quint64 size = 0;
    FileTime lastWrite;
    FileTime lastAccess;
    quint32 permissions = 0;    // the mode's permission bits
    quint64 device = 0;         // with inode: the item's identity, whatever name reaches it
    quint64 inode = 0;
    bool IsFolder() const { return kind == ItemKind::Folder; }
    bool SameItem(const FileStatus &other) const { return device == other.device && inode == other.inode; }
};

// One item of a folder listing. The kind comes from the listing itself where it can; a link is
// never followed, so a link to a folder is listed as a link.
struct FolderEntry {
    QString name;
    ItemKind kind = ItemKind::File;
    bool nameValid = true;      // false when the bytes on disk are no valid UTF-8
};
// Moved in memory as it stands when a listing grows, as its name is.
Q_DECLARE_TYPEINFO(FolderEntry, Q_RELOCATABLE_TYPE);

// The disk as the engine sees it. Every path is absolute. PosixFileSystem is the real one;
// tests wrap it to fail chosen paths with chosen errors.
class FileSystem {
public:
    virtual ~FileSystem() = default;

    // Status of the item itself (a link is not followed).
    virtual std::optional<FileStatus> Status(const QString &path, FsError *error) = 0;
    // Calls visit for each entry except "." and ".."; visit returns false to stop early.
    virtual bool ListFolder(const QString &path, const std::function<bool(const FolderEntry &)> &visit,
                            FsError *error) = 0;
    // Copies data, last-write time and permission bits (and, where the process may, owner and
    // group) through a temporary file in the target's folder that is renamed over the target, so
    // a failed copy leaves the old target untouched. A source that changes while it is read is
    // not put in place (SourceChanged). Holes of a sparse file stay holes. A link is copied as a
    // link.
    virtual bool CopyFile(const QString &source, const QString &target, FsError *error) = 0;
    // Gives the folder target, made for the folder source, the source's permission bits and,
    // where the process may, its owner and group. Set-user-ID and set-group-ID are dropped when
    // the owner cannot be kept; a file system that keeps no modes or owners is no error.
    virtual bool CopyFolderAttributes(const QString &source, const QString &target, FsError *error) = 0;
    // Everything written so far to the file system that holds path reaches the disk.
    virtual bool SyncFileSystem(const QString &path, FsError *error) = 0;
    virtual bool DeleteFile(const QString &path, FsError *error) = 0;
    virtual bool RemoveFolder(const QString &path, FsError *error) = 0;   // only an empty one
    virtual bool Move(const QString &from, const QString &to, FsError *error) = 0;
    virtual bool CreateFolder(const QString &path, FsError *error) = 0;
    // Gives the owner write permission, so that the item can be replaced or removed.
    virtual bool MakeWritable(const QString &path, FsError *error) = 0;
    virtual bool SetTimes(const QString &path, const FileTime &lastAccess, const FileTime &lastWrite,
                          FsError *error) = 0;
    // The spelling of the last part of path as stored on disk; "" when nothing is found.
    virtual QString ActualName(const QString &path) = 0;
    // Into the user's trash; false (and nothing moved) when no trash can take it.
    virtual bool MoveToTrash(const QString &path, FsError *error) = 0;

    // The volume that holds a path, whether its media can be exchanged, and its label; through
    // the file system so that tests can present any drive.
    virtual QString VolumeRoot(const QString &path) { return VolumeRootOf(path); }
    virtual bool IsExchangeable(const QString &root) { return IsExchangeableDrive(root); }
    virtual QString VolumeLabel(const QString &root) { return VolumeLabelOf(root); }
    // Whether Status, ListFolder and ReadStatuses may be called from other threads while the first
    // goes on.
    virtual bool SupportsConcurrentReads() const { return false; }
    // The status of each of names (entries of folder, a full path ending in "/") in turn, as Status
    // gives it: answer(index, status, error). A file system that can reads them all relative to one
    // handle of the folder.
    using StatusNames = std::span<const QStringView>;
    using StatusAnswer = std::function<void(qsizetype index, const std::optional<FileStatus> &status,
                                            const FsError &error)>;
    virtual void ReadStatuses(const QString &folder, StatusNames names, const StatusAnswer &answer);
    // The type of the file system that holds path ("ext4", "vfat", "fuse.sshfs"), "" when unknown.
    virtual QString FileSystemType(const QString &path);

    // Closes whatever the calling thread keeps open into the trees to make later calls faster, so
    // that a finished run keeps no drive busy.
    virtual void ReleaseHandles() {}

    // The name of a temporary file of a copy, as an interrupted copy may leave it behind where
    // the file system has no unnamed files: never user data.
    // The form is "." + the target's name (perhaps shortened) + CopyTemporaryMarker + a random
    // part of CopyTemporaryRandomLength letters and digits.
    static bool IsCopyTemporaryName(QStringView name);
    static constexpr QStringView CopyTemporaryMarker = u".orvane-tmp-";
    static constexpr int CopyTemporaryRandomLength = 8;

    // The path with its symbolic links resolved as far as it exists.
    virtual QString ResolvedPath(const QString &path) { return ResolveLinks(path); }
};
