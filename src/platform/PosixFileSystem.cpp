#include "platform/PosixFileSystem.h"

#include "platform/FileNames.h"
#include "platform/Shell.h"

#include <QFile>
#include <QRandomGenerator>
#include <QScopeGuard>
#include <QVarLengthArray>

#include <algorithm>
#include <array>
#include <atomic>
#include <cerrno>
#include <climits>
#include <cstdio>
#include <memory>
#include <utility>

#include <dirent.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace {

// Every internal step answers an errno value, 0 for success.
bool Finish(int code, FsError *error)
{
    if (error)
        *error = FsError::FromErrno(code);
    return code == 0;
}

int LastError(int result)
{
    return result == 0 ? 0 : errno;
}

// The bytes the kernel takes for path. A name that stands for no bytes, or holds a zero
// character that would cut the path short, is refused rather than changed into another name.
int NativePath(const QString &path, QByteArray *native)
{
    bool valid = true;
    *native = EncodeFileName(path, &valid);
    if (!valid)
        return EILSEQ;
    return native->contains('\0') ? EINVAL : 0;
}

class UniqueFd {
public:
    explicit UniqueFd(int fd = -1) : m_fd(fd) {}
    UniqueFd(const UniqueFd &) = delete;
    UniqueFd &operator=(const UniqueFd &) = delete;
    ~UniqueFd() { Reset(); }
    int Get() const { return m_fd; }
    bool Valid() const { return m_fd >= 0; }
    void Reset(int fd = -1)
    {
        if (m_fd >= 0)
            ::close(m_fd);
        m_fd = fd;
    }
    // Closing can be the first to report a failed write (network file systems).
    int Close()
    {
        const int fd = std::exchange(m_fd, -1);
        return fd < 0 ? 0 : LastError(::close(fd));
    }

private:
    int m_fd;
};

ItemKind KindOfMode(mode_t mode)
{
    if (S_ISREG(mode))
        return ItemKind::File;
    if (S_ISDIR(mode))
        return ItemKind::Folder;
    return S_ISLNK(mode) ? ItemKind::Symlink : ItemKind::Other;
}

std::optional<ItemKind> KindOfEntry(int folder, const dirent64 *entry)
{
    switch (entry->d_type) {
    case DT_REG: return ItemKind::File;
    case DT_DIR: return ItemKind::Folder;
    case DT_LNK: return ItemKind::Symlink;
    case DT_UNKNOWN: break;
    default: return ItemKind::Other;
    }
    struct stat status;
    if (fstatat(folder, entry->d_name, &status, AT_SYMLINK_NOFOLLOW) == 0)
        return KindOfMode(status.st_mode);
    // Gone since it was listed: it is no longer there to report.
    return errno == ENOENT ? std::nullopt : std::optional(ItemKind::Other);
}

FileTime ToFileTime(const timespec &time)
{
    return {qint64(time.tv_sec), qint32(time.tv_nsec)};
}

FileStatus ToFileStatus(const struct stat &status)
{
    FileStatus result;
    result.kind = KindOfMode(status.st_mode);
    result.size = quint64(status.st_size);
    result.lastWrite = ToFileTime(status.st_mtim);
    result.lastAccess = ToFileTime(status.st_atim);
    result.permissions = status.st_mode & 07777;
    result.device = quint64(status.st_dev);
    result.inode = quint64(status.st_ino);
    return result;
}

timespec ToTimespec(const FileTime &time)
{
    timespec result{};
    result.tv_sec = time_t(time.seconds);
    result.tv_nsec = long(time.nanoseconds);
    return result;
}

// The folder and the last part of a target path.
struct Place {
    QByteArray folder;
    QByteArray name;
};

Place SplitPlace(const QByteArray &path)
{
    const qsizetype slash = path.lastIndexOf('/');
    if (slash < 0)
        return {QByteArrayLiteral("."), path};
    return {slash == 0 ? QByteArrayLiteral("/") : path.left(slash), path.mid(slash + 1)};
}

// The bytes of FileSystem::CopyTemporaryMarker, which is plain ASCII.
QByteArray TemporaryMarker()
{
    static const QByteArray marker = FileSystem::CopyTemporaryMarker.toLatin1();
    return marker;
}

// The first bytes of name that fit into length, never a character cut in two: a UTF-8 sequence
// has at most three continuation bytes, which are left out with the character they belong to.
QByteArrayView FittingPrefix(QByteArrayView name, qsizetype length)
{
    if (name.size() <= length)
        return name;
    qsizetype end = length;
    for (int i = 0; i < 3 && end > 0 && (uchar(name[end]) & 0xC0) == 0x80; ++i)
        --end;
    return name.first(end);
}

// "." + name + marker + random letters and digits, the name shortened so that the whole stays
// within NAME_MAX bytes. FileSystem::IsCopyTemporaryName knows this form again.
QByteArray TemporaryName(QByteArrayView name)
{
    static constexpr char Letters[] = "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789";
    const QByteArray marker = TemporaryMarker();
    const qsizetype room = NAME_MAX - 1 - marker.size() - FileSystem::CopyTemporaryRandomLength;
    QByteArray result;
    result.reserve(NAME_MAX);
    result += '.';
    result += FittingPrefix(name, room);
    result += marker;
    for (int i = 0; i < FileSystem::CopyTemporaryRandomLength; ++i)
        result += Letters[QRandomGenerator::global()->bounded(int(sizeof Letters - 1))];
    return result;
}

// Calls create with fresh temporary names while the name is taken.
template <typename Create>
int WithTemporaryName(const QByteArray &name, QByteArray *used, Create create)
{
    for (int attempt = 0; attempt < 100; ++attempt) {
        *used = TemporaryName(name);
        const int code = create(*used);
        if (code != EEXIST)
            return code;
    }
    return EEXIST;
}

int OpenFolder(const QByteArray &folder, UniqueFd *fd)
{
    fd->Reset(::open(folder.constData(), O_PATH | O_DIRECTORY | O_CLOEXEC));
    return fd->Valid() ? 0 : errno;
}

// The copy while it is written: unnamed (O_TMPFILE) until it is complete, or under a
// temporary name where the file system has no unnamed files.
struct Temporary {
    UniqueFd fd;
    QByteArray name;
};

int CreateTemporary(int folder, const QByteArray &name, bool unnamed, Temporary *temp)
{
    if (unnamed) {
        temp->fd.Reset(::openat(folder, ".", O_TMPFILE | O_WRONLY | O_CLOEXEC, 0600));
        if (temp->fd.Valid())
            return 0;
        if (errno != EOPNOTSUPP && errno != EISDIR && errno != EINVAL)
            return errno;
    }
    return WithTemporaryName(name, &temp->name, [&](const QByteArray &tempName) {
        temp->fd.Reset(::openat(folder, tempName.constData(), O_CREAT | O_EXCL | O_WRONLY | O_CLOEXEC, 0600));
        return temp->fd.Valid() ? 0 : errno;
    });
}

// What chmod, chown or the extension of a file answer on a file system that keeps no modes or
// owners, or cannot do the change asked for (FAT, exFAT, many FUSE file systems, MTP, and EPERM
// for an ordinary user giving away a file): the attribute is lost, the data still counts.
bool AttributeRefused(int code)
{
    return code == EPERM || code == ENOSYS || code == EOPNOTSUPP || code == EINVAL;
}

int WriteAllAt(int fd, const char *data, size_t size, off_t offset)
{
    while (size > 0) {
        const ssize_t written = ::pwrite(fd, data, size, offset);
        if (written < 0 && errno == EINTR)
            continue;
        if (written < 0)
            return errno;
        if (written == 0)
            return EIO;
        data += written;
        size -= size_t(written);
        offset += written;
    }
    return 0;
}

constexpr size_t BufferSize = 256 * 1024;

char *CopyBuffer()
{
    thread_local std::unique_ptr<char[]> buffer;
    if (!buffer)
        buffer = std::make_unique<char[]>(BufferSize);
    return buffer.get();
}

// Plain reads and writes from the start to the end of a source that reports no size (procfs).
int CopyToEnd(int in, int out)
{
    char *buffer = CopyBuffer();
    for (off_t offset = 0;;) {
        const ssize_t got = ::pread(in, buffer, BufferSize, offset);
        if (got < 0 && errno == EINTR)
            continue;
        if (got <= 0)
            return got == 0 ? 0 : errno;
        if (const int code = WriteAllAt(out, buffer, size_t(got), offset))
            return code;
        offset += got;
    }
}

// Plain reads and writes of [offset, end) to the same place of out. A source that ends early
// shrank while it was read.
int CopyRangePlainly(int in, int out, off_t offset, off_t end)
{
    char *buffer = CopyBuffer();
    while (offset < end) {
        const ssize_t got = ::pread(in, buffer, size_t(std::min<off_t>(off_t(BufferSize), end - offset)), offset);
        if (got < 0 && errno == EINTR)
            continue;
        if (got < 0)
            return errno;
        if (got == 0)
            return FsError::SourceChangedCode;
        if (const int code = WriteAllAt(out, buffer, size_t(got), offset))
            return code;
        offset += got;
    }
    return 0;
}

bool RangesUnsupported(int code)
{
    return code == EXDEV || code == ENOSYS || code == EINVAL || code == EOPNOTSUPP;
}

// [offset, end) of in to the same place of out with copy_file_range, which lets the kernel share
// or offload the data; plain reads and writes from the first refusal on (another file system,
// or one without the call) for the rest of this copy.
int CopyRange(int in, int out, off_t offset, off_t end, bool *plain)
{
    static constexpr off_t Chunk = off_t(1) << 30;
    while (offset < end && !*plain) {
        off_t from = offset;
        off_t to = offset;
        const ssize_t copied = ::copy_file_range(in, &from, out, &to, size_t(std::min(end - offset, Chunk)), 0);
        if (copied > 0) {
            offset += copied;
            continue;
        }
        if (copied < 0 && errno == EINTR)
            continue;
        // Nothing copied before the end: some file systems say so instead of refusing; the plain
        // reads tell whether the source really shrank.
        if (copied < 0 && !RangesUnsupported(errno))
            return errno;
        *plain = true;
    }
    return CopyRangePlainly(in, out, offset, end);
}

// A file with fewer blocks than its size has holes (or is compressed); only then is it worth
// asking where its data lies.
bool MayHaveHoles(const struct stat &status)
{
    return off_t(status.st_blocks) * 512 < status.st_size;
}

// The data segments of in below size, each to the same place of out, so that holes stay holes;
// *written is where the last segment ended. Where the file system cannot tell data from holes,
// all of it is copied.
int CopySegments(int in, int out, off_t size, off_t *written)
{
    bool plain = false;
    off_t offset = 0;
    while (offset < size) {
        const off_t data = ::lseek(in, offset, SEEK_DATA);
        if (data < 0 && errno == ENXIO)
            break;      // only a hole is left (or the source shrank: the check after the copy sees it)
        if (data < 0 && errno != EINVAL)
            return errno;
        const off_t hole = data < 0 ? size : ::lseek(in, data, SEEK_HOLE);
        if (hole < 0)
            return errno == ENXIO ? FsError::SourceChangedCode : errno;
        const off_t start = data < 0 ? offset : data;
        if (start >= size)
            break;
        const off_t end = std::min(hole, size);
        if (const int code = CopyRange(in, out, start, end, &plain))
            return code;
        *written = offset = end;
    }
    return 0;
}

// Gives out the length size beyond what was written: a hole where the file system has them, else
// zeros (fusefat, for one, refuses to extend a file but fills a gap that is written past).
int Extend(int out, off_t written, off_t size)
{
    if (::ftruncate(out, size) == 0)
        return 0;
    if (!AttributeRefused(errno))
        return errno;
    static const std::array<char, 64 * 1024> zeros{};
    for (off_t offset = written; offset < size; offset += off_t(zeros.size())) {
        const size_t length = size_t(std::min<off_t>(off_t(zeros.size()), size - offset));
        if (const int code = WriteAllAt(out, zeros.data(), length, offset))
            return code;
    }
    return 0;
}

// The data of in up to the size it had when opened: a file that keeps growing cannot make the
// copy endless. Only a regular file that reports no size at all (procfs) is read to its end.
int CopyData(int in, int out, const struct stat &status)
{
    const off_t size = status.st_size;
    if (size == 0)
        return CopyToEnd(in, out);
    bool plain = false;
    if (!MayHaveHoles(status))
        return CopyRange(in, out, 0, size, &plain);
    off_t written = 0;
    if (const int code = CopySegments(in, out, size, &written))
        return code;
    return written < size ? Extend(out, written, size) : 0;
}

// Size and last-write time of the open source are as they were when it was opened; otherwise it
// changed while it was read and the copy may hold old and new blocks side by side.
int CheckUnchanged(int in, const struct stat &before)
{
    struct stat after;
    if (::fstat(in, &after) != 0)
        return errno;
    const bool same = after.st_size == before.st_size && after.st_mtim.tv_sec == before.st_mtim.tv_sec
        && after.st_mtim.tv_nsec == before.st_mtim.tv_nsec;
    return same ? 0 : FsError::SourceChangedCode;
}

// The owner and group of source where the process may give them (root, or the owner itself),
// then the permission bits, since a change of owner clears set-user-ID. When the owner or group
// cannot be kept, set-user-ID and set-group-ID are dropped: a backup never turns someone's
// program into a program of whoever made the copy.
int CopyOwnerAndMode(int fd, const struct stat &source)
{
    mode_t mode = source.st_mode & 07777;
    if (::fchown(fd, source.st_uid, source.st_gid) != 0) {
        if (!AttributeRefused(errno))
            return errno;
        mode &= ~mode_t(S_ISUID | S_ISGID);
    }
    if (::fchmod(fd, mode) != 0 && !AttributeRefused(errno))
        return errno;
    return 0;
}

int CopyMetadata(int out, const struct stat &source)
{
    if (const int code = CopyOwnerAndMode(out, source))
        return code;
    const timespec times[2] = {source.st_atim, source.st_mtim};
    return LastError(::futimens(out, times));
}

int LinkUnnamed(int fd, int folder, const QByteArray &name)
{
    char procPath[40];
    std::snprintf(procPath, sizeof procPath, "/proc/self/fd/%d", fd);
    if (::linkat(AT_FDCWD, procPath, folder, name.constData(), AT_SYMLINK_FOLLOW) == 0)
        return 0;
    const int code = errno;
    if (code != ENOENT)
        return code;
    // No /proc: the direct way, which needs CAP_DAC_READ_SEARCH.
    return ::linkat(fd, "", folder, name.constData(), AT_EMPTY_PATH) == 0 ? 0 : code;
}

// Replaces target by the temporary, which then has a name, by a rename.
int RenameOver(int folder, const QByteArray &tempName, const QByteArray &target)
{
    if (::renameat(folder, tempName.constData(), folder, target.constData()) == 0)
        return 0;
    const int code = errno;
    ::unlinkat(folder, tempName.constData(), 0);
    return code;
}

// Puts the finished copy in place of the target.
int Publish(int folder, const QByteArray &target, Temporary &temp)
{
    if (!temp.name.isEmpty()) {
        if (const int code = temp.fd.Close()) {
            ::unlinkat(folder, temp.name.constData(), 0);
            return code;
        }
        return RenameOver(folder, temp.name, target);
    }
    // An unnamed file goes straight to the target's name when there is nothing to replace;
    // otherwise it gets a temporary name that is renamed over the target.
    int code = LinkUnnamed(temp.fd.Get(), folder, target);
    if (code == 0) {
        code = temp.fd.Close();
        if (code != 0)
            ::unlinkat(folder, target.constData(), 0);
        return code;
    }
    if (code != EEXIST)
        return code;
    code = WithTemporaryName(target, &temp.name, [&](const QByteArray &tempName) {
        return LinkUnnamed(temp.fd.Get(), folder, tempName);
    });
    if (code != 0)
        return code;
    if ((code = temp.fd.Close())) {
        ::unlinkat(folder, temp.name.constData(), 0);
        return code;
    }
    return RenameOver(folder, temp.name, target);
}

int ReadLink(const QByteArray &path, off_t sizeHint, QByteArray *text)
{
    qsizetype capacity = std::max<qsizetype>(qsizetype(sizeHint) + 1, 256);
    for (;;) {
        text->resize(capacity);
        const ssize_t length = ::readlink(path.constData(), text->data(), size_t(capacity));
        if (length < 0)
            return errno;
        if (length < capacity) {
            text->resize(length);
            return 0;
        }
        capacity *= 2;
    }
}

// Owner and group where the process may give them (root), then the times.
int FinishLink(int folder, const QByteArray &name, const struct stat &source)
{
    if (::fchownat(folder, name.constData(), source.st_uid, source.st_gid, AT_SYMLINK_NOFOLLOW) != 0
        && !AttributeRefused(errno))
        return errno;
    const timespec times[2] = {source.st_atim, source.st_mtim};
    return LastError(::utimensat(folder, name.constData(), times, AT_SYMLINK_NOFOLLOW));
}

// A link is copied as the same link, never followed.
int CopyLink(const QByteArray &source, const QByteArray &target)
{
    struct stat status;
    if (::lstat(source.constData(), &status) != 0)
        return errno;
    if (!S_ISLNK(status.st_mode))
        return ELOOP;   // the loop was in the path, not the item
    QByteArray text;
    if (const int code = ReadLink(source, status.st_size, &text))
        return code;
    const Place place = SplitPlace(target);
    UniqueFd folder;
    if (const int code = OpenFolder(place.folder, &folder))
        return code;
    if (::symlinkat(text.constData(), folder.Get(), place.name.constData()) == 0) {
        const int code = FinishLink(folder.Get(), place.name, status);
        if (code != 0)
            ::unlinkat(folder.Get(), place.name.constData(), 0);
        return code;
    }
    if (errno != EEXIST)
        return errno;
    QByteArray tempName;
    int code = WithTemporaryName(place.name, &tempName, [&](const QByteArray &name) {
        return LastError(::symlinkat(text.constData(), folder.Get(), name.constData()));
    });
    if (code != 0)
        return code;
    if ((code = FinishLink(folder.Get(), tempName, status))) {
        ::unlinkat(folder.Get(), tempName.constData(), 0);
        return code;
    }
    return RenameOver(folder.Get(), tempName, place.name);
}

// The data, then the check that the source stayed as it was; a torn copy never gets the
// target's name together with the source's time.
int CopyContents(int in, int out, const struct stat &status, const std::function<void()> &dataCopied)
{
    if (const int code = CopyData(in, out, status))
        return code;
    if (dataCopied)
        dataCopied();
    return CheckUnchanged(in, status);
}

int CopyRegular(int in, const struct stat &status, const QByteArray &target, bool unnamed,
                const std::function<void()> &dataCopied)
{
    const Place place = SplitPlace(target);
    if (place.name.isEmpty())
        return EISDIR;
    UniqueFd folder;
    if (const int code = OpenFolder(place.folder, &folder))
        return code;
    Temporary temp;
    if (const int code = CreateTemporary(folder.Get(), place.name, unnamed, &temp))
        return code;
    int code = CopyContents(in, temp.fd.Get(), status, dataCopied);
    if (code == 0)
        code = CopyMetadata(temp.fd.Get(), status);
    if (code == 0)
        return Publish(folder.Get(), place.name, temp);
    if (!temp.name.isEmpty())
        ::unlinkat(folder.Get(), temp.name.constData(), 0);
    return code;
}

int CopyNative(const QByteArray &source, const QByteArray &target, bool unnamed,
               const std::function<void()> &dataCopied)
{
    // O_NONBLOCK keeps a FIFO from waiting for a writer; it changes nothing for a regular file.
    UniqueFd in(::open(source.constData(), O_RDONLY | O_NOFOLLOW | O_CLOEXEC | O_NONBLOCK));
    if (!in.Valid())
        return errno == ELOOP ? CopyLink(source, target) : errno;
    struct stat status;
    if (::fstat(in.Get(), &status) != 0)
        return errno;
    if (S_ISDIR(status.st_mode))
        return EISDIR;
    if (!S_ISREG(status.st_mode))
        return EOPNOTSUPP;
    return CopyRegular(in.Get(), status, target, unnamed, dataCopied);
}

template <typename Call>
bool OnPath(const QString &path, FsError *error, Call call)
{
    QByteArray native;
    int code = NativePath(path, &native);
    if (code == 0)
        code = call(native.constData());
    return Finish(code, error);
}

} // namespace

namespace {

// The folders whose items were asked about last stay open, so that the status of an item is
// read relative to its folder instead of walking the whole path each time. Each thread keeps its
// own; any change made through a file system that may remove, rename or replace an item closes
// them all, so a folder that was removed, renamed or replaced is opened anew.
std::atomic<quint64> FolderGeneration{0};

class FolderHandles {
public:
    ~FolderHandles() { CloseAll(); }

    void CloseAll()
    {
        for (Slot &slot : m_slots) {
            if (slot.fd >= 0)
                ::close(slot.fd);
            slot = {};
        }
    }

    int Open(QByteArrayView folder)
    {
        const quint64 generation = FolderGeneration.load(std::memory_order_acquire);
        if (generation != m_generation) {
            CloseAll();
            m_generation = generation;
        }
        for (const Slot &slot : m_slots) {
            if (slot.fd >= 0 && slot.path == folder)
                return slot.fd;
        }
        const QByteArray path = folder.toByteArray();
        const int fd = ::open(path.constData(), O_PATH | O_DIRECTORY | O_CLOEXEC);
        if (fd < 0)
            return -1;
        Slot &slot = m_slots[m_next];
        m_next = (m_next + 1) % m_slots.size();
        if (slot.fd >= 0)
            ::close(slot.fd);
        slot = {path, fd};
        return fd;
    }

private:
    struct Slot {
        QByteArray path;
        int fd = -1;
    };

    std::array<Slot, 4> m_slots;
    size_t m_next = 0;
    quint64 m_generation = 0;
};

thread_local FolderHandles OpenFolders;

void ForgetFolders()
{
    FolderGeneration.fetch_add(1, std::memory_order_acq_rel);
}

} // namespace

template <typename Call>
bool PosixFileSystem::Changing(const QString &path, FsError *error, Call call)
{
    ForgetFolders();
    return OnPath(path, error, call);
}

void PosixFileSystem::ReleaseHandles()
{
    OpenFolders.CloseAll();
}

std::optional<FileStatus> PosixFileSystem::Status(const QString &path, FsError *error)
{
    struct stat status;
    const bool read = OnPath(path, error, [&](const char *p) {
        const QByteArrayView native(p);
        const qsizetype slash = native.lastIndexOf('/');
        if (slash > 0 && slash + 1 < native.size()) {
            const int folder = OpenFolders.Open(native.first(slash));
            if (folder >= 0)
                return LastError(::fstatat(folder, p + slash + 1, &status, AT_SYMLINK_NOFOLLOW));
        }
        return LastError(::lstat(p, &status));
    });
    if (!read)
        return std::nullopt;
    return ToFileStatus(status);
}

namespace {

// Appends the bytes of name, a single name within a folder, and a zero to block; an error when the
// name stands for no such bytes or holds a separator.
template <typename Block>
int AppendName(QStringView name, Block &block)
{
    const char16_t *unit = name.utf16();
    const bool plain = name.size() <= NAME_MAX
        && std::all_of(unit, unit + name.size(), [](char16_t c) { return c < 0x80 && c != u'/' && c != 0; });
    if (plain) {
        for (qsizetype i = 0; i < name.size(); ++i)
            block.append(char(unit[i]));
    } else {
        QByteArray native;
        const int code = NativePath(name.toString(), &native);
        if (code != 0)
            return code;
        if (native.contains('/'))
            return EINVAL;
        block.append(native.constData(), native.size());
    }
    block.append('\0');
    return 0;
}

} // namespace

void PosixFileSystem::ReadStatuses(const QString &folder, StatusNames names, const StatusAnswer &answer)
{
    // One handle of the folder for all its names, kept for the next call as Status keeps it; a
    // folder that cannot be opened gives each name the error its own status would give.
    QByteArray native;
    int folderError = NativePath(folder, &native);
    int handle = -1;
    if (folderError == 0) {
        const QByteArrayView path(native);
        handle = OpenFolders.Open(path.size() > 1 && path.endsWith('/') ? path.chopped(1) : path);
        folderError = handle < 0 ? errno : 0;
    }
    // The names of a batch are encoded into one block first and answered only after all their
    // statuses are read: every call into the kernel can cost the process its cached address
    // translations, and between the calls the loop touches only that block and its results.
    constexpr qsizetype Batch = 64;
    struct Read {
        qsizetype name = 0;     // offset in the block
        int code = 0;
        struct stat status;
    };
    Read reads[Batch];
    QVarLengthArray<char, Batch * 32> block;
    const qsizetype total = qsizetype(names.size());
    for (qsizetype begin = 0; begin < total; begin += Batch) {
        const qsizetype count = std::min(Batch, total - begin);
        block.clear();
        for (qsizetype i = 0; i < count; ++i) {
            Read &read = reads[i];
            read.name = block.size();
            read.code = folderError;
            if (read.code == 0)
                read.code = AppendName(names[size_t(begin + i)], block);
        }
        for (qsizetype i = 0; i < count; ++i) {
            Read &read = reads[i];
            if (read.code == 0)
                read.code = LastError(::fstatat(handle, block.constData() + read.name, &read.status, AT_SYMLINK_NOFOLLOW));
        }
        for (qsizetype i = 0; i < count; ++i) {
            const Read &read = reads[i];
            answer(begin + i, read.code == 0 ? std::optional(ToFileStatus(read.status)) : std::nullopt,
                   FsError::FromErrno(read.code));
        }
    }
}

bool PosixFileSystem::ListFolder(const QString &path, const std::function<bool(const FolderEntry &)> &visit,
                                 FsError *error)
{
    return OnPath(path, error, [&](const char *p) {
        const int fd = ::open(p, O_RDONLY | O_DIRECTORY | O_CLOEXEC);
        if (fd < 0)
            return errno;
        const auto closing = qScopeGuard([fd] { ::close(fd); });
        // The entries are read straight into a buffer on the stack: a folder stream allocates one
        // of this size for every listing, and a rescan lists every folder twice.
        alignas(dirent64) char buffer[32768];
        // One entry for all names: a visitor that keeps none of them costs no string per name.
        FolderEntry item;
        item.name.reserve(64);
        for (;;) {
            const ssize_t got = ::getdents64(fd, buffer, sizeof buffer);
            if (got < 0 && errno == EINTR)
                continue;
            if (got <= 0)
                return got == 0 ? 0 : errno;
            for (ssize_t at = 0; at < got;) {
                const auto *entry = reinterpret_cast<const dirent64 *>(buffer + at);
                at += entry->d_reclen;
                const QByteArrayView name(entry->d_name);
                if (name == "." || name == "..")
                    continue;
                const std::optional<ItemKind> kind = KindOfEntry(fd, entry);
                if (!kind)
                    continue;
                DecodeFileName(name, item.name, &item.nameValid);
                item.kind = *kind;
                if (!visit(item))
                    return 0;
            }
        }
    });
}

bool PosixFileSystem::CopyFile(const QString &source, const QString &target, FsError *error)
{
    QByteArray from, to;
    int code = NativePath(source, &from);
    if (code == 0)
        code = NativePath(target, &to);
    // A copy puts a file in place of a file: no folder whose handle is kept changes with it.
    if (code == 0)
        code = CopyNative(from, to, m_unnamedTemporaries, m_dataCopied);
    return Finish(code, error);
}

bool PosixFileSystem::DeleteFile(const QString &path, FsError *error)
{
    return Changing(path, error, [](const char *p) { return LastError(::unlink(p)); });
}

bool PosixFileSystem::RemoveFolder(const QString &path, FsError *error)
{
    return Changing(path, error, [](const char *p) { return LastError(::rmdir(p)); });
}

bool PosixFileSystem::Move(const QString &from, const QString &to, FsError *error)
{
    QByteArray target;
    if (const int code = NativePath(to, &target))
        return Finish(code, error);
    return Changing(from, error, [&](const char *p) { return LastError(::rename(p, target.constData())); });
}

bool PosixFileSystem::CreateFolder(const QString &path, FsError *error)
{
    // A new folder takes the place of nothing, so no handle kept can reach another one.
    return OnPath(path, error, [](const char *p) { return LastError(::mkdir(p, 0777)); });
}

bool PosixFileSystem::CopyFolderAttributes(const QString &source, const QString &target, FsError *error)
{
    QByteArray from;
    if (const int code = NativePath(source, &from))
        return Finish(code, error);
    return OnPath(target, error, [&](const char *p) {
        struct stat status;
        if (::stat(from.constData(), &status) != 0)
            return errno;
        // The folder itself, never one that a link in its place points at.
        const UniqueFd folder(::open(p, O_RDONLY | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC));
        if (!folder.Valid())
            return errno;
        return CopyOwnerAndMode(folder.Get(), status);
    });
}

// syncfs needs a descriptor of something on the file system; a folder or a regular file is opened
// for that, anything else (a device, a FIFO) is reached through the folder that holds it.
bool PosixFileSystem::SyncFileSystem(const QString &path, FsError *error)
{
    return OnPath(path, error, [](const char *p) {
        struct stat status;
        if (::stat(p, &status) != 0)
            return errno;
        QByteArray opened(p);
        if (!S_ISDIR(status.st_mode) && !S_ISREG(status.st_mode))
            opened = SplitPlace(opened).folder;
        const UniqueFd fd(::open(opened.constData(), O_RDONLY | O_CLOEXEC | O_NOCTTY | O_NONBLOCK));
        if (!fd.Valid())
            return errno;
        return LastError(::syncfs(fd.Get()));
    });
}

bool PosixFileSystem::MakeWritable(const QString &path, FsError *error)
{
    return OnPath(path, error, [](const char *p) {
        struct stat status;
        if (::lstat(p, &status) != 0)
            return errno;
        if (S_ISLNK(status.st_mode) || (status.st_mode & S_IWUSR))
            return 0;
        return LastError(::chmod(p, (status.st_mode & 07777) | S_IWUSR));
    });
}

bool PosixFileSystem::SetTimes(const QString &path, const FileTime &lastAccess, const FileTime &lastWrite,
                               FsError *error)
{
    const timespec times[2] = {ToTimespec(lastAccess), ToTimespec(lastWrite)};
    return OnPath(path, error, [&](const char *p) {
        return LastError(::utimensat(AT_FDCWD, p, times, AT_SYMLINK_NOFOLLOW));
    });
}

QString PosixFileSystem::ActualName(const QString &path)
{
    QStringView rest(path);
    while (rest.size() > 1 && rest.endsWith(u'/'))
        rest.chop(1);
    const qsizetype slash = rest.lastIndexOf(u'/');
    const QStringView name = rest.mid(slash + 1);
    if (name.isEmpty())
        return {};
    const QString folder = slash < 0 ? QStringLiteral(".") : slash == 0 ? QStringLiteral("/") : rest.left(slash).toString();
    // The entry spelled exactly so wins; else the first that differs only in case, which is how a
    // case-insensitive file system shows the spelling it stored.
    QString found;
    ListFolder(folder, [&](const FolderEntry &entry) {
        if (entry.name == name) {
            found = entry.name;
            return false;
        }
        if (found.isEmpty() && QStringView(entry.name).compare(name, Qt::CaseInsensitive) == 0)
            found = entry.name;
        return true;
    }, nullptr);
    return found;
}

bool PosixFileSystem::MoveToTrash(const QString &path, FsError *error)
{
    return Changing(path, error, [&](const char *p) {
        // The trash reaches the item through Qt's own encoding of the path; where that spells
        // other bytes (a name that is no UTF-8), it could reach another item, so it is refused.
        if (QFile::encodeName(path) != QByteArrayView(p))
            return EILSEQ;
        if (RecycleDelete(path))
            return 0;
        struct stat status;
        return ::lstat(p, &status) != 0 ? errno : ENOTSUP;
    });
}
