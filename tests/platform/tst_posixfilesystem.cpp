#include "FaultInjectingFileSystem.h"
#include "TestSupport.h"
#include "platform/FileNames.h"
#include "platform/PosixFileSystem.h"

#include <QDir>
#include <QRandomGenerator>
#include <QTemporaryDir>
#include <QtTest>

#include <csignal>
#include <fcntl.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <unistd.h>

using testsupport::ReadFile;
using testsupport::WriteFile;

class TestPosixFileSystem : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void initTestCase();
    void init();
    void fromErrno_data();
    void fromErrno();
    void copyKeepsDataTimesAndMode_data();
    void copyKeepsDataTimesAndMode();
    void copyFromFileWithoutSize();
    void copyLinks_data();
    void copyLinks();
    void failedCopyKeepsTarget_data();
    void failedCopyKeepsTarget();
    void copyBeyondFileSizeLimit_data();
    void copyBeyondFileSizeLimit();
    void statusOfLargeFile();
    void statusIdentity_data();
    void statusIdentity();
    void listFolderKinds();
    void invalidUtf8Names();
    void errors_data();
    void errors();
    void folderOperations();
    void syncFileSystem_data();
    void syncFileSystem();
    void makeWritable();
    void setTimes();
    void actualName_data();
    void actualName();
    void moveToTrash();
    void faultInjection();
    void readStatusesAnswersAsStatus_data();
    void readStatusesAnswersAsStatus();
    void faultInjectionOfStatusReads();

private:
    QString path(const QString &relative) const { return dir_->filePath(relative); }

    QTemporaryDir dataHome_;
    std::unique_ptr<QTemporaryDir> dir_;
    PosixFileSystem fs_;
};

namespace {

struct stat RawStatus(const QByteArray &path, bool *exists = nullptr)
{
    struct stat status {};
    const bool found = ::lstat(path.constData(), &status) == 0;
    if (exists)
        *exists = found;
    return status;
}

struct stat RawStatus(const QString &path, bool *exists = nullptr)
{
    return RawStatus(QFile::encodeName(path), exists);
}

bool Exists(const QString &path)
{
    bool exists = false;
    RawStatus(path, &exists);
    return exists;
}

void SetRawTimes(const QString &path, qint64 seconds, long nanoseconds)
{
    const timespec times[2] = {{seconds - 3600, nanoseconds / 2}, {seconds, nanoseconds}};
    QCOMPARE(::utimensat(AT_FDCWD, QFile::encodeName(path).constData(), times, AT_SYMLINK_NOFOLLOW), 0);
}

// What a folder holds, independent of the code under test (hidden names included).
QStringList Entries(const QString &folder)
{
    QStringList names = QDir(folder).entryList(QDir::AllEntries | QDir::Hidden | QDir::System | QDir::NoDotAndDotDot);
    names.sort();
    return names;
}

QByteArray RandomBytes(int size)
{
    QByteArray data(size, Qt::Uninitialized);
    QRandomGenerator random(size);
    for (char &c : data)
        c = char(random.bounded(256));
    return data;
}

QByteArray LinkText(const QString &path)
{
    char buffer[4096];
    const ssize_t length = ::readlink(QFile::encodeName(path).constData(), buffer, sizeof buffer);
    return length < 0 ? QByteArray() : QByteArray(buffer, length);
}

} // namespace

// Nothing a test trashes reaches the real user's trash.
void TestPosixFileSystem::initTestCase()
{
    QVERIFY(dataHome_.isValid());
    qputenv("XDG_DATA_HOME", QFile::encodeName(dataHome_.path()));
}

void TestPosixFileSystem::init()
{
    dir_ = std::make_unique<QTemporaryDir>();
    QVERIFY(dir_->isValid());
}

void TestPosixFileSystem::fromErrno_data()
{
    QTest::addColumn<int>("code");
    QTest::addColumn<FsErrorKind>("kind");
    QTest::newRow("none") << 0 << FsErrorKind::None;
    QTest::newRow("ENOENT") << ENOENT << FsErrorKind::NotFound;
    QTest::newRow("ENOTDIR") << ENOTDIR << FsErrorKind::PathNotFound;
    QTest::newRow("ESTALE") << ESTALE << FsErrorKind::NetworkPath;
    QTest::newRow("EHOSTDOWN") << EHOSTDOWN << FsErrorKind::NetworkPath;
    QTest::newRow("ECONNRESET") << ECONNRESET << FsErrorKind::NetworkPath;
    QTest::newRow("ETXTBSY") << ETXTBSY << FsErrorKind::Sharing;
    QTest::newRow("EWOULDBLOCK") << EWOULDBLOCK << FsErrorKind::Sharing;
    QTest::newRow("EILSEQ") << EILSEQ << FsErrorKind::InvalidName;
    QTest::newRow("ENAMETOOLONG") << ENAMETOOLONG << FsErrorKind::InvalidName;
    QTest::newRow("EACCES") << EACCES << FsErrorKind::Other;
    QTest::newRow("ENOSPC") << ENOSPC << FsErrorKind::Other;
    QTest::newRow("unknown number") << 99999 << FsErrorKind::Other;
}

void TestPosixFileSystem::fromErrno()
{
    QFETCH(int, code);
    const FsError error = FsError::FromErrno(code);
    QCOMPARE(error.code, code);
    QTEST(error.kind, "kind");
}

void TestPosixFileSystem::copyKeepsDataTimesAndMode_data()
{
    QTest::addColumn<bool>("unnamed");
    QTest::addColumn<QByteArray>("data");
    QTest::addColumn<int>("mode");
    QTest::addColumn<QByteArray>("oldTarget");   // null: no target yet
    QTest::addColumn<int>("oldTargetMode");

    for (const bool unnamed : {true, false}) {
        const char *way = unnamed ? "unnamed" : "named";
        QTest::addRow("%s: empty", way) << unnamed << QByteArray() << 0644 << QByteArray() << 0;
        QTest::addRow("%s: small, new", way) << unnamed << QByteArray("hello") << 0640 << QByteArray() << 0;
        QTest::addRow("%s: 1 MiB over longer target", way)
            << unnamed << RandomBytes(1 << 20) << 0755 << RandomBytes(3 << 20) << 0644;
        QTest::addRow("%s: read-only source", way) << unnamed << QByteArray("ro") << 0444 << QByteArray() << 0;
        QTest::addRow("%s: over read-only target", way)
            << unnamed << QByteArray("new") << 0600 << QByteArray("old data") << 0444;
        QTest::addRow("%s: setgid and sticky bits", way) << unnamed << QByteArray("x") << 03750 << QByteArray("y") << 0644;
    }
}

void TestPosixFileSystem::copyKeepsDataTimesAndMode()
{
    QFETCH(bool, unnamed);
    QFETCH(QByteArray, data);
    QFETCH(int, mode);
    QFETCH(QByteArray, oldTarget);
    QFETCH(int, oldTargetMode);
    const QString source = path(QStringLiteral("m/file.bin"));
    const QString target = path(QStringLiteral("b/file.bin"));
    QVERIFY(WriteFile(source, data));
    QVERIFY(QDir().mkpath(path(QStringLiteral("b"))));
    if (!oldTarget.isNull()) {
        QVERIFY(WriteFile(target, oldTarget));
        QCOMPARE(::chmod(QFile::encodeName(target).constData(), mode_t(oldTargetMode)), 0);
    }
    QCOMPARE(::chmod(QFile::encodeName(source).constData(), mode_t(mode)), 0);
    SetRawTimes(source, 1700000000, 123456789);

    FsError error{-1, FsErrorKind::Other};
    QVERIFY(PosixFileSystem(unnamed).CopyFile(source, target, &error));
    QCOMPARE(error.kind, FsErrorKind::None);
    // Before anything reads the copy: reading moves the last-access time.
    const struct stat to = RawStatus(target);
    QCOMPARE(to.st_mode & 07777, mode_t(mode));
    QCOMPARE(to.st_mtim.tv_sec, time_t(1700000000));
    QCOMPARE(to.st_mtim.tv_nsec, 123456789L);
    QCOMPARE(to.st_atim.tv_sec, time_t(1700000000 - 3600));
    QCOMPARE(to.st_atim.tv_nsec, 123456789L / 2);
    QCOMPARE(ReadFile(target), data);
    QCOMPARE(Entries(path(QStringLiteral("b"))), QStringList{QStringLiteral("file.bin")});
}

// procfs reports no size; the copy reads to the end all the same.
void TestPosixFileSystem::copyFromFileWithoutSize()
{
    const QString source = QStringLiteral("/proc/self/mountinfo");
    if (!Exists(source) || RawStatus(source).st_size != 0)
        QSKIP("no procfs here");
    const QString target = path(QStringLiteral("mountinfo"));
    FsError error;
    QVERIFY(fs_.CopyFile(source, target, &error));
    QVERIFY(ReadFile(target).contains(" - "));
}

void TestPosixFileSystem::copyLinks_data()
{
    QTest::addColumn<QString>("linkText");
    QTest::addColumn<QString>("existingTarget");   // "", "file", "link"

    QTest::newRow("to a file") << QStringLiteral("data.txt") << QString();
    QTest::newRow("to a folder") << QStringLiteral("sub") << QString();
    QTest::newRow("dangling") << QStringLiteral("../nowhere/x") << QString();
    QTest::newRow("absolute, over a file") << QStringLiteral("@/m/data.txt") << QStringLiteral("file");
    QTest::newRow("to a folder, over a link") << QStringLiteral("sub") << QStringLiteral("link");
}

void TestPosixFileSystem::copyLinks()
{
    QFETCH(QString, linkText);
    QFETCH(QString, existingTarget);
    linkText.replace(QStringLiteral("@"), dir_->path());   // the rows come before the folder
    QVERIFY(WriteFile(path(QStringLiteral("m/data.txt")), "data"));
    QVERIFY(WriteFile(path(QStringLiteral("m/sub/inner.txt")), "inner"));
    const QString source = path(QStringLiteral("m/link"));
    const QString target = path(QStringLiteral("b/link"));
    QCOMPARE(::symlink(QFile::encodeName(linkText).constData(), QFile::encodeName(source).constData()), 0);
    SetRawTimes(source, 1600000000, 5);
    QVERIFY(QDir().mkpath(path(QStringLiteral("b"))));
    if (existingTarget == u"file")
        QVERIFY(WriteFile(target, "old"));
    if (existingTarget == u"link")
        QCOMPARE(::symlink("elsewhere", QFile::encodeName(target).constData()), 0);

    FsError error;
    QVERIFY(fs_.CopyFile(source, target, &error));
    const struct stat copied = RawStatus(target);
    QVERIFY(S_ISLNK(copied.st_mode));
    QCOMPARE(LinkText(target), QFile::encodeName(linkText));
    QCOMPARE(copied.st_mtim.tv_sec, time_t(1600000000));
    QCOMPARE(copied.st_mtim.tv_nsec, 5L);
    QCOMPARE(Entries(path(QStringLiteral("b"))), QStringList{QStringLiteral("link")});
    QCOMPARE(fs_.Status(target, &error)->kind, ItemKind::Symlink);
    // Nothing the link points at was read into the backup or changed.
    QCOMPARE(ReadFile(path(QStringLiteral("m/data.txt"))), QByteArray("data"));
}

void TestPosixFileSystem::failedCopyKeepsTarget_data()
{
    QTest::addColumn<bool>("unnamed");
    QTest::addColumn<QString>("source");
    QTest::addColumn<QString>("target");
    QTest::addColumn<int>("code");
    QTest::addColumn<FsErrorKind>("kind");

    for (const bool unnamed : {true, false}) {
        const char *way = unnamed ? "unnamed" : "named";
        QTest::addRow("%s: target is a folder", way) << unnamed << "m/big.bin" << "b/folder" << EISDIR << FsErrorKind::Other;
        QTest::addRow("%s: target folder missing", way)
            << unnamed << "m/big.bin" << "b/none/x" << ENOENT << FsErrorKind::NotFound;
        QTest::addRow("%s: target folder is a file", way)
            << unnamed << "m/big.bin" << "b/old.txt/x" << ENOTDIR << FsErrorKind::PathNotFound;
        QTest::addRow("%s: target name too long", way)
            << unnamed << "m/big.bin" << "b/" + QString(300, u'n') << ENAMETOOLONG << FsErrorKind::InvalidName;
    }
    QTest::newRow("link over a folder") << true << "m/link" << "b/folder" << EISDIR << FsErrorKind::Other;
    QTest::newRow("source missing") << true << "m/none" << "b/old.txt" << ENOENT << FsErrorKind::NotFound;
    QTest::newRow("source is a folder") << true << "m" << "b/old.txt" << EISDIR << FsErrorKind::Other;
    QTest::newRow("source is a FIFO") << true << "m/fifo" << "b/old.txt" << EOPNOTSUPP << FsErrorKind::Other;
}

void TestPosixFileSystem::failedCopyKeepsTarget()
{
    QFETCH(bool, unnamed);
    QFETCH(QString, source);
    QFETCH(QString, target);
    QVERIFY(WriteFile(path(QStringLiteral("m/big.bin")), RandomBytes(300000)));
    QVERIFY(WriteFile(path(QStringLiteral("b/old.txt")), "old backup"));
    QVERIFY(WriteFile(path(QStringLiteral("b/folder/inside.txt")), "inside"));
    QCOMPARE(::symlink("big.bin", QFile::encodeName(path(QStringLiteral("m/link"))).constData()), 0);
    QCOMPARE(::mkfifo(QFile::encodeName(path(QStringLiteral("m/fifo"))).constData(), 0644), 0);
    const QStringList before = testsupport::TreeListing(path(QStringLiteral("b")));

    FsError error;
    QVERIFY(!PosixFileSystem(unnamed).CopyFile(path(source), path(target), &error));
    QTEST(error.code, "code");
    QTEST(error.kind, "kind");
    QCOMPARE(testsupport::TreeListing(path(QStringLiteral("b"))), before);
    QCOMPARE(ReadFile(path(QStringLiteral("b/old.txt"))), QByteArray("old backup"));
}

// A disk that fills up midway, for real: the old target stays byte for byte, no temporary remains.
void TestPosixFileSystem::copyBeyondFileSizeLimit_data()
{
    QTest::addColumn<bool>("unnamed");
    QTest::newRow("unnamed") << true;
    QTest::newRow("named") << false;
}

void TestPosixFileSystem::copyBeyondFileSizeLimit()
{
    QFETCH(bool, unnamed);
    PosixFileSystem fs(unnamed);
    const QString source = path(QStringLiteral("m/big.bin"));
    const QString target = path(QStringLiteral("b/big.bin"));
    const QByteArray old = RandomBytes(1000);
    QVERIFY(WriteFile(source, RandomBytes(1 << 20)));
    QVERIFY(WriteFile(target, old));
    const QStringList before = testsupport::TreeListing(path(QStringLiteral("b")));

    struct rlimit saved {};
    QCOMPARE(::getrlimit(RLIMIT_FSIZE, &saved), 0);
    struct rlimit limited = saved;
    limited.rlim_cur = 64 * 1024;
    const auto previousHandler = std::signal(SIGXFSZ, SIG_IGN);
    QCOMPARE(::setrlimit(RLIMIT_FSIZE, &limited), 0);
    FsError error;
    const bool copied = fs.CopyFile(source, target, &error);
    ::setrlimit(RLIMIT_FSIZE, &saved);
    std::signal(SIGXFSZ, previousHandler);

    QVERIFY(!copied);
    QCOMPARE(error.code, EFBIG);
    QCOMPARE(error.kind, FsErrorKind::Other);
    QCOMPARE(ReadFile(target), old);
    QCOMPARE(testsupport::TreeListing(path(QStringLiteral("b"))), before);
    // And once the disk has room again the same copy succeeds.
    QVERIFY(fs.CopyFile(source, target, &error));
    QCOMPARE(ReadFile(target), ReadFile(source));
}

void TestPosixFileSystem::statusOfLargeFile()
{
    const QString file = path(QStringLiteral("sparse.bin"));
    const int fd = ::open(QFile::encodeName(file).constData(), O_CREAT | O_WRONLY, 0644);
    QVERIFY(fd >= 0);
    const bool sized = ::ftruncate(fd, off_t(5368709120LL)) == 0;
    ::close(fd);
    if (!sized)
        QSKIP("this file system takes no 5 GiB file");
    FsError error;
    const std::optional<FileStatus> status = fs_.Status(file, &error);
    QVERIFY(status);
    QCOMPARE(status->size, quint64(5368709120ULL));
    QCOMPARE(status->kind, ItemKind::File);
    QVERIFY(fs_.DeleteFile(file, &error));
    QVERIFY(!Exists(file));
}

// Two names reach the same item exactly when the item's identity says so.
void TestPosixFileSystem::statusIdentity_data()
{
    QTest::addColumn<QString>("other");
    QTest::addColumn<bool>("same");

    QTest::newRow("the same path") << "m/a.txt" << true;
    QTest::newRow("a hard link") << "m/hard" << true;
    QTest::newRow("another path to it") << "m/../m/a.txt" << true;
    QTest::newRow("a copy") << "b/a.txt" << false;
    QTest::newRow("a file of equal content") << "m/twin.txt" << false;
    QTest::newRow("a symbolic link to it") << "m/soft" << false;
    QTest::newRow("its folder") << "m" << false;
}

void TestPosixFileSystem::statusIdentity()
{
    QFETCH(QString, other);
    const QString file = path(QStringLiteral("m/a.txt"));
    QVERIFY(WriteFile(file, "same"));
    QVERIFY(WriteFile(path(QStringLiteral("m/twin.txt")), "same"));
    QCOMPARE(::link(QFile::encodeName(file).constData(), QFile::encodeName(path(QStringLiteral("m/hard"))).constData()), 0);
    QCOMPARE(::symlink("a.txt", QFile::encodeName(path(QStringLiteral("m/soft"))).constData()), 0);
    QVERIFY(QDir().mkpath(path(QStringLiteral("b"))));
    FsError error;
    QVERIFY(fs_.CopyFile(file, path(QStringLiteral("b/a.txt")), &error));

    const std::optional<FileStatus> first = fs_.Status(file, &error);
    const std::optional<FileStatus> second = fs_.Status(path(other), &error);
    QVERIFY(first && second);
    const struct stat raw = RawStatus(file);
    QCOMPARE(first->device, quint64(raw.st_dev));
    QCOMPARE(first->inode, quint64(raw.st_ino));
    QTEST(first->SameItem(*second), "same");
    QTEST(second->SameItem(*first), "same");
}

void TestPosixFileSystem::listFolderKinds()
{
    QVERIFY(WriteFile(path(QStringLiteral("f/file.txt")), "x"));
    QVERIFY(QDir().mkpath(path(QStringLiteral("f/folder"))));
    QVERIFY(QDir().mkpath(path(QStringLiteral("f/.hidden"))));
    QCOMPARE(::symlink("folder", QFile::encodeName(path(QStringLiteral("f/to-folder"))).constData()), 0);
    QCOMPARE(::symlink("gone", QFile::encodeName(path(QStringLiteral("f/dangling"))).constData()), 0);
    QCOMPARE(::mkfifo(QFile::encodeName(path(QStringLiteral("f/fifo"))).constData(), 0644), 0);

    QMap<QString, ItemKind> seen;
    FsError error;
    QVERIFY(fs_.ListFolder(path(QStringLiteral("f")), [&](const FolderEntry &entry) {
        seen.insert(entry.name, entry.kind);
        return entry.nameValid;
    }, &error));
    const QMap<QString, ItemKind> expected{
        {QStringLiteral("file.txt"), ItemKind::File},       {QStringLiteral("folder"), ItemKind::Folder},
        {QStringLiteral(".hidden"), ItemKind::Folder},      {QStringLiteral("to-folder"), ItemKind::Symlink},
        {QStringLiteral("dangling"), ItemKind::Symlink},    {QStringLiteral("fifo"), ItemKind::Other},
    };
    QCOMPARE(seen, expected);

    int visits = 0;
    QVERIFY(fs_.ListFolder(path(QStringLiteral("f")), [&](const FolderEntry &) { return ++visits < 2; }, &error));
    QCOMPARE(visits, 2);
    QVERIFY(!fs_.ListFolder(path(QStringLiteral("f/file.txt")), [](const FolderEntry &) { return true; }, &error));
    QCOMPARE(error.kind, FsErrorKind::PathNotFound);
}

// A name that is no UTF-8 is listed, flagged, and reached again through its decoded form.
void TestPosixFileSystem::invalidUtf8Names()
{
    const QByteArray folder = QFile::encodeName(path(QStringLiteral("m")));
    QVERIFY(QDir().mkpath(path(QStringLiteral("m"))));
    QVERIFY(QDir().mkpath(path(QStringLiteral("b"))));
    const QByteArray raw = folder + "/bad\xFF\xFE.txt";
    const int fd = ::open(raw.constData(), O_CREAT | O_WRONLY, 0644);
    QVERIFY(fd >= 0);
    QCOMPARE(::write(fd, "raw", 3), ssize_t(3));
    ::close(fd);
    // The name Qt's own encoding would make of the decoded name; it must never be touched.
    QVERIFY(WriteFile(path(QStringLiteral("m/bad??.txt")), "decoy"));

    QList<FolderEntry> entries;
    FsError error;
    QVERIFY(fs_.ListFolder(path(QStringLiteral("m")), [&](const FolderEntry &entry) {
        entries << entry;
        return true;
    }, &error));
    QCOMPARE(entries.size(), 2);
    const auto bad = std::find_if(entries.begin(), entries.end(), [](const FolderEntry &e) { return !e.nameValid; });
    QVERIFY(bad != entries.end());
    QCOMPARE(EncodeFileName(bad->name), QByteArray("bad\xFF\xFE.txt"));

    const QString source = path(QStringLiteral("m/")) + bad->name;
    const QString target = path(QStringLiteral("b/")) + bad->name;
    QCOMPARE(fs_.Status(source, &error)->size, quint64(3));
    QVERIFY(fs_.CopyFile(source, target, &error));
    bool copied = false;
    RawStatus(QFile::encodeName(path(QStringLiteral("b"))) + "/bad\xFF\xFE.txt", &copied);
    QVERIFY(copied);

    QVERIFY(!fs_.MoveToTrash(source, &error));
    QCOMPARE(error.kind, FsErrorKind::InvalidName);
    QVERIFY(fs_.DeleteFile(source, &error));
    bool stillThere = true;
    RawStatus(raw, &stillThere);
    QVERIFY(!stillThere);
    QCOMPARE(ReadFile(path(QStringLiteral("m/bad??.txt"))), QByteArray("decoy"));
    // QTemporaryDir cannot remove such a name itself.
    QVERIFY(fs_.DeleteFile(target, &error));
    QCOMPARE(Entries(path(QStringLiteral("b"))), QStringList());
}

void TestPosixFileSystem::errors_data()
{
    QTest::addColumn<QString>("operation");
    QTest::addColumn<QString>("item");
    QTest::addColumn<int>("code");
    QTest::addColumn<FsErrorKind>("kind");

    QTest::newRow("status, missing") << "status" << "none" << ENOENT << FsErrorKind::NotFound;
    QTest::newRow("status, missing folder") << "status" << "none/x" << ENOENT << FsErrorKind::NotFound;
    QTest::newRow("status, file as folder") << "status" << "file.txt/x" << ENOTDIR << FsErrorKind::PathNotFound;
    QTest::newRow("status, name too long") << "status" << QString(300, u'x') << ENAMETOOLONG << FsErrorKind::InvalidName;
    QTest::newRow("status, lone surrogate")
        << "status" << QString(QChar(char16_t(0xD800))) << EILSEQ << FsErrorKind::InvalidName;
    QTest::newRow("status, zero character")
        << "status" << QStringLiteral("file.txt") + QChar(u'\0') + u'x' << EINVAL << FsErrorKind::InvalidName;
    QTest::newRow("delete, folder") << "delete" << "folder" << EISDIR << FsErrorKind::Other;
    QTest::newRow("delete, missing") << "delete" << "none" << ENOENT << FsErrorKind::NotFound;
    QTest::newRow("remove, not empty") << "remove" << "folder" << ENOTEMPTY << FsErrorKind::Other;
    QTest::newRow("remove, a file") << "remove" << "file.txt" << ENOTDIR << FsErrorKind::PathNotFound;
    QTest::newRow("create, exists") << "create" << "folder" << EEXIST << FsErrorKind::Other;
    QTest::newRow("create, parent missing") << "create" << "none/x" << ENOENT << FsErrorKind::NotFound;
    QTest::newRow("move, missing") << "move" << "none" << ENOENT << FsErrorKind::NotFound;
    QTest::newRow("times, missing") << "times" << "none" << ENOENT << FsErrorKind::NotFound;
    QTest::newRow("writable, missing") << "writable" << "none" << ENOENT << FsErrorKind::NotFound;
    QTest::newRow("trash, missing") << "trash" << "none" << ENOENT << FsErrorKind::NotFound;
}

void TestPosixFileSystem::errors()
{
    QFETCH(QString, operation);
    QFETCH(QString, item);
    QVERIFY(WriteFile(path(QStringLiteral("file.txt")), "x"));
    QVERIFY(WriteFile(path(QStringLiteral("folder/inside.txt")), "y"));
    const QString full = path(item);
    const QStringList before = testsupport::TreeListing(dir_->path());
    FsError error;
    bool ok = true;
    if (operation == u"status")
        ok = fs_.Status(full, &error).has_value();
    else if (operation == u"delete")
        ok = fs_.DeleteFile(full, &error);
    else if (operation == u"remove")
        ok = fs_.RemoveFolder(full, &error);
    else if (operation == u"create")
        ok = fs_.CreateFolder(full, &error);
    else if (operation == u"move")
        ok = fs_.Move(full, path(QStringLiteral("moved")), &error);
    else if (operation == u"times")
        ok = fs_.SetTimes(full, {1, 0}, {2, 0}, &error);
    else if (operation == u"writable")
        ok = fs_.MakeWritable(full, &error);
    else if (operation == u"trash")
        ok = fs_.MoveToTrash(full, &error);
    else
        QFAIL("unknown operation");
    QVERIFY(!ok);
    QTEST(error.code, "code");
    QTEST(error.kind, "kind");
    QCOMPARE(testsupport::TreeListing(dir_->path()), before);
}

void TestPosixFileSystem::folderOperations()
{
    FsError error;
    const mode_t oldMask = ::umask(022);
    const bool created = fs_.CreateFolder(path(QStringLiteral("new")), &error);
    ::umask(oldMask);
    QVERIFY(created);
    QCOMPARE(RawStatus(path(QStringLiteral("new"))).st_mode & 07777, mode_t(0755));
    QCOMPARE(fs_.Status(path(QStringLiteral("new")), &error)->kind, ItemKind::Folder);

    QVERIFY(WriteFile(path(QStringLiteral("new/a.txt")), "a"));
    QVERIFY(fs_.Move(path(QStringLiteral("new/a.txt")), path(QStringLiteral("new/B.txt")), &error));
    QCOMPARE(Entries(path(QStringLiteral("new"))), QStringList{QStringLiteral("B.txt")});
    QVERIFY(fs_.DeleteFile(path(QStringLiteral("new/B.txt")), &error));
    QVERIFY(fs_.RemoveFolder(path(QStringLiteral("new")), &error));
    QVERIFY(!Exists(path(QStringLiteral("new"))));

    // A link to a folder is deleted as a link; the folder stays.
    QVERIFY(WriteFile(path(QStringLiteral("real/x.txt")), "x"));
    QCOMPARE(::symlink("real", QFile::encodeName(path(QStringLiteral("link"))).constData()), 0);
    QVERIFY(fs_.DeleteFile(path(QStringLiteral("link")), &error));
    QCOMPARE(ReadFile(path(QStringLiteral("real/x.txt"))), QByteArray("x"));
}

void TestPosixFileSystem::syncFileSystem_data()
{
    QTest::addColumn<QString>("item");
    QTest::addColumn<int>("code");

    QTest::newRow("folder") << "folder" << 0;
    QTest::newRow("file") << "folder/file.txt" << 0;
    QTest::newRow("FIFO without a writer") << "fifo" << 0;
    QTest::newRow("link to a folder") << "link" << 0;
    QTest::newRow("missing") << "none" << ENOENT;
    QTest::newRow("below a missing folder") << "none/x" << ENOENT;
    QTest::newRow("below a file") << "folder/file.txt/x" << ENOTDIR;
    QTest::newRow("dangling link") << "dangling" << ENOENT;
}

void TestPosixFileSystem::syncFileSystem()
{
    QFETCH(QString, item);
    QFETCH(int, code);
    QVERIFY(WriteFile(path(QStringLiteral("folder/file.txt")), "x"));
    QCOMPARE(::mkfifo(QFile::encodeName(path(QStringLiteral("fifo"))).constData(), 0644), 0);
    QCOMPARE(::symlink("folder", QFile::encodeName(path(QStringLiteral("link"))).constData()), 0);
    QCOMPARE(::symlink("none", QFile::encodeName(path(QStringLiteral("dangling"))).constData()), 0);
    FsError error{-1, FsErrorKind::Other};
    QCOMPARE(fs_.SyncFileSystem(path(item), &error), code == 0);
    QCOMPARE(error.code, code);
    QCOMPARE(error.kind, FsError::FromErrno(code).kind);
}

void TestPosixFileSystem::makeWritable()
{
    const QString file = path(QStringLiteral("ro.txt"));
    QVERIFY(WriteFile(file, "x"));
    QCOMPARE(::chmod(QFile::encodeName(file).constData(), 0444), 0);
    QCOMPARE(::symlink("ro.txt", QFile::encodeName(path(QStringLiteral("link"))).constData()), 0);
    FsError error;
    // Through a link nothing changes: the link has no permissions of its own.
    QVERIFY(fs_.MakeWritable(path(QStringLiteral("link")), &error));
    QCOMPARE(RawStatus(file).st_mode & 07777, mode_t(0444));
    QVERIFY(fs_.MakeWritable(file, &error));
    QCOMPARE(RawStatus(file).st_mode & 07777, mode_t(0644));
    QVERIFY(fs_.MakeWritable(file, &error));
    QCOMPARE(RawStatus(file).st_mode & 07777, mode_t(0644));
}

void TestPosixFileSystem::setTimes()
{
    const QString file = path(QStringLiteral("f.txt"));
    const QString link = path(QStringLiteral("link"));
    QVERIFY(WriteFile(file, "x"));
    SetRawTimes(file, 1000000000, 0);
    QCOMPARE(::symlink("f.txt", QFile::encodeName(link).constData()), 0);
    FsError error;
    QVERIFY(fs_.SetTimes(link, {1500000000, 1}, {1600000000, 999999999}, &error));
    const std::optional<FileStatus> status = fs_.Status(link, &error);
    QVERIFY(status);
    QCOMPARE(status->lastWrite, (FileTime{1600000000, 999999999}));
    QCOMPARE(status->lastAccess, (FileTime{1500000000, 1}));
    // The link was given the times, not the file it points at.
    QCOMPARE(fs_.Status(file, &error)->lastWrite, (FileTime{1000000000, 0}));
}

void TestPosixFileSystem::actualName_data()
{
    QTest::addColumn<QString>("query");
    QTest::addColumn<QString>("name");

    QTest::newRow("exact") << "c/Readme.TXT" << "Readme.TXT";
    QTest::newRow("other case") << "c/README.txt" << "Readme.TXT";
    QTest::newRow("folder with separator") << "c/sub/" << "Sub";
    QTest::newRow("exact wins over an earlier match") << "d/abc" << "abc";
    QTest::newRow("exact wins, other spelling") << "d/ABC" << "ABC";
    QTest::newRow("missing") << "c/none" << "";
    QTest::newRow("parent missing") << "none/x" << "";
    QTest::newRow("root") << "/" << "";
}

void TestPosixFileSystem::actualName()
{
    QFETCH(QString, query);
    QVERIFY(WriteFile(path(QStringLiteral("c/Readme.TXT")), "x"));
    QVERIFY(QDir().mkpath(path(QStringLiteral("c/Sub"))));
    QVERIFY(WriteFile(path(QStringLiteral("d/abc")), "1"));
    QVERIFY(WriteFile(path(QStringLiteral("d/ABC")), "2"));
    QVERIFY(WriteFile(path(QStringLiteral("d/aBc")), "3"));
    QTEST(fs_.ActualName(query.startsWith(u'/') ? query : path(query)), "name");
}

void TestPosixFileSystem::moveToTrash()
{
    const QByteArray savedData = qgetenv("XDG_DATA_HOME");
    const QString savedCwd = QDir::currentPath();
    const QString dataHome = path(QStringLiteral("data/home"));   // does not exist yet
    qputenv("XDG_DATA_HOME", QFile::encodeName(dataHome));
    QVERIFY(QDir().mkpath(path(QStringLiteral("cwd"))));
    QVERIFY(QDir::setCurrent(path(QStringLiteral("cwd"))));

    QVERIFY(WriteFile(path(QStringLiteral("b/old.txt")), "old"));
    QVERIFY(WriteFile(path(QStringLiteral("b/folder/inner.txt")), "inner"));
    QVERIFY(WriteFile(path(QStringLiteral("kept/x.txt")), "x"));
    QCOMPARE(::symlink("../kept", QFile::encodeName(path(QStringLiteral("b/link"))).constData()), 0);
    FsError error;
    const bool fileTrashed = fs_.MoveToTrash(path(QStringLiteral("b/old.txt")), &error);
    const bool folderTrashed = fs_.MoveToTrash(path(QStringLiteral("b/folder")), &error);
    const bool linkTrashed = fs_.MoveToTrash(path(QStringLiteral("b/link")), &error);
    const QStringList cwdAfter = Entries(path(QStringLiteral("cwd")));

    QDir::setCurrent(savedCwd);
    qputenv("XDG_DATA_HOME", savedData);

    QVERIFY(fileTrashed);
    QVERIFY(folderTrashed);
    QVERIFY(linkTrashed);
    QVERIFY(S_ISLNK(RawStatus(dataHome + QStringLiteral("/Trash/files/link")).st_mode));
    QCOMPARE(ReadFile(path(QStringLiteral("kept/x.txt"))), QByteArray("x"));
    QCOMPARE(Entries(path(QStringLiteral("b"))), QStringList());
    QCOMPARE(ReadFile(dataHome + QStringLiteral("/Trash/files/old.txt")), QByteArray("old"));
    QCOMPARE(ReadFile(dataHome + QStringLiteral("/Trash/files/folder/inner.txt")), QByteArray("inner"));
    QCOMPARE(cwdAfter, QStringList());
}

void TestPosixFileSystem::faultInjection()
{
    using Op = FaultInjectingFileSystem::Op;
    FaultInjectingFileSystem fs(fs_);
    const QString source = path(QStringLiteral("m/a.txt"));
    const QString target = path(QStringLiteral("b/a.txt"));
    QVERIFY(WriteFile(source, "a"));
    QVERIFY(QDir().mkpath(path(QStringLiteral("b"))));
    fs.FailOn(Op::CopyFile, target, ENOSPC, 2);
    fs.FailOnSuffix(Op::Status, QStringLiteral("/share"), ESTALE);

    FsError error;
    for (int attempt = 0; attempt < 2; ++attempt) {
        QVERIFY(!fs.CopyFile(source, target, &error));
        QCOMPARE(error.code, ENOSPC);
        QCOMPARE(error.kind, FsErrorKind::Other);
        QVERIFY(!Exists(target));
    }
    QVERIFY(fs.CopyFile(source, target, &error));
    QCOMPARE(ReadFile(target), QByteArray("a"));
    for (int attempt = 0; attempt < 3; ++attempt) {
        QVERIFY(!fs.Status(path(QStringLiteral("share")), &error));
        QCOMPARE(error.kind, FsErrorKind::NetworkPath);
    }
    QVERIFY(fs.Status(source, &error));
    QVERIFY(fs.DeleteFile(target, &error));

    QCOMPARE(fs.CallsOf(Op::CopyFile), QStringList(3, source));
    QCOMPARE(fs.CallsOf(Op::Status).size(), 4);
    QCOMPARE(fs.Calls().first(), (FaultInjectingFileSystem::Call{Op::CopyFile, source, target, true}));
    QCOMPARE(fs.Calls().at(2), (FaultInjectingFileSystem::Call{Op::CopyFile, source, target, false}));
    QCOMPARE(fs.ChangedPaths(), (QStringList{target, target, target, target}));
    fs.ClearRules();
    QVERIFY(fs.Status(path(QStringLiteral("share")), &error) == std::nullopt);
    QCOMPARE(error.kind, FsErrorKind::NotFound);
}

void TestPosixFileSystem::readStatusesAnswersAsStatus_data()
{
    QTest::addColumn<QString>("folder");
    QTest::addColumn<QStringList>("names");

    const QString surrogate(QChar(char16_t(0xD800)));
    QTest::newRow("every kind of entry") << "" << QStringList{"file.txt", "folder", "link", "写真.jpg"};
    QTest::newRow("missing and refused names")
        << "" << QStringList{"none", QString(300, u'x'), surrogate, QStringLiteral("file.txt") + QChar(u'\0')};
    QTest::newRow("missing folder") << "none/" << QStringList{"file.txt", "folder"};
    QTest::newRow("a file as folder") << "file.txt/" << QStringList{"x"};
    QTest::newRow("folder with a refused name") << surrogate + u'/' << QStringList{"x"};
    QTest::newRow("no names") << "" << QStringList{};
    QStringList many;
    for (int i = 0; i < 150; ++i)
        many << QStringList{"file.txt", "none", "写真.jpg", "folder", "link"}.at(i % 5);
    QTest::newRow("names of several batches") << "" << many;
}

// The status of each name is what Status gives for the full path, error kinds included, and the
// answers come once each, in order.
void TestPosixFileSystem::readStatusesAnswersAsStatus()
{
    QFETCH(QString, folder);
    QFETCH(QStringList, names);
    QVERIFY(WriteFile(path(QStringLiteral("file.txt")), "abc"));
    QVERIFY(WriteFile(path(QStringLiteral("写真.jpg")), QByteArray(5000, 'x')));
    QVERIFY(WriteFile(path(QStringLiteral("folder/inside.txt")), "y"));
    QCOMPARE(::symlink("folder", QFile::encodeName(path(QStringLiteral("link"))).constData()), 0);
    const QString full = path(folder.isEmpty() ? QString() : folder);
    const QString prefix = full.endsWith(u'/') ? full : full + u'/';

    QList<qsizetype> order;
    const std::vector<QStringView> views(names.cbegin(), names.cend());
    fs_.ReadStatuses(prefix, views, [&](qsizetype index, const std::optional<FileStatus> &status, const FsError &error) {
        order << index;
        FsError expectedError;
        const std::optional<FileStatus> expected = fs_.Status(prefix + names.at(index), &expectedError);
        QCOMPARE(status.has_value(), expected.has_value());
        if (status) {
            QCOMPARE(status->kind, expected->kind);
            QCOMPARE(status->size, expected->size);
            QCOMPARE(status->lastWrite.seconds, expected->lastWrite.seconds);
            QCOMPARE(status->inode, expected->inode);
        } else {
            QCOMPARE(error.code, expectedError.code);
            QCOMPARE(error.kind, expectedError.kind);
        }
    });
    QList<qsizetype> expectedOrder;
    for (qsizetype i = 0; i < names.size(); ++i)
        expectedOrder << i;
    QCOMPARE(order, expectedOrder);
}

// Status reads of a whole folder fail by their own rules, and while a Status rule holds for the
// path without using it up: the checks that read again meet every failure the test asked for.
void TestPosixFileSystem::faultInjectionOfStatusReads()
{
    using Op = FaultInjectingFileSystem::Op;
    FaultInjectingFileSystem fs(fs_);
    QVERIFY(WriteFile(path(QStringLiteral("a.txt")), "a"));
    QVERIFY(WriteFile(path(QStringLiteral("b.txt")), "b"));
    QVERIFY(WriteFile(path(QStringLiteral("c.txt")), "c"));
    const QString folder = path(QString()) + u'/';
    fs.FailOn(Op::Status, folder + "a.txt", EHOSTDOWN, 1);
    fs.FailOn(Op::ReadStatuses, folder + "b.txt", EIO, 1);

    const auto read = [&] {
        QStringList answers;
        const QStringView names[] = {u"a.txt", u"b.txt", u"c.txt"};
        fs.ReadStatuses(folder, names,
                        [&](qsizetype index, const std::optional<FileStatus> &status, const FsError &error) {
            answers << QString::number(index) + (status ? QStringLiteral(" found") : QStringLiteral(" %1").arg(error.code));
        });
        return answers;
    };
    QCOMPARE(read(), (QStringList{"0 " + QString::number(EHOSTDOWN), "1 " + QString::number(EIO), "2 found"}));
    QCOMPARE(read(), (QStringList{"0 " + QString::number(EHOSTDOWN), "1 found", "2 found"}));
    FsError error;
    QVERIFY(!fs.Status(folder + "a.txt", &error));
    QCOMPARE(error.kind, FsErrorKind::NetworkPath);
    QVERIFY(fs.Status(folder + "a.txt", &error));
    QCOMPARE(read(), (QStringList{"0 found", "1 found", "2 found"}));
    QCOMPARE(fs.CallsOf(Op::ReadStatuses).size(), 9);
    QCOMPARE(fs.CallsOf(Op::ReadStatuses).first(), folder + "a.txt");
    QVERIFY(fs.ChangedPaths().isEmpty());
}

QTEST_APPLESS_MAIN(TestPosixFileSystem)
#include "tst_posixfilesystem.moc"
