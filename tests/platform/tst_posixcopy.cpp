#include "TestSupport.h"
#include "platform/FileNames.h"
#include "platform/PosixFileSystem.h"

#include <QDir>
#include <QRandomGenerator>
#include <QTemporaryDir>
#include <QtTest>

#include <climits>
#include <fcntl.h>
#include <grp.h>
#include <linux/magic.h>
#include <sys/stat.h>
#include <sys/vfs.h>
#include <sys/wait.h>
#include <unistd.h>

using testsupport::ReadFile;
using testsupport::WriteFile;

// What a copy leaves on the backup side: its temporary names, nothing when the source changed
// meanwhile, holes, owners and set-ID bits.
class TestPosixCopy : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void init();
    void temporaryNameForm_data();
    void temporaryNameForm();
    void temporariesMade_data();
    void temporariesMade();
    void sourceChangedWhileCopied_data();
    void sourceChangedWhileCopied();
    void sparseFilesStaySparse_data();
    void sparseFilesStaySparse();
    void ownersAndModes_data();
    void ownersAndModes();
    void folderAttributesNotThroughLink();

private:
    QString path(const QString &relative) const { return m_dir->filePath(relative); }

    std::unique_ptr<QTemporaryDir> m_dir;
};

namespace {

constexpr uid_t Nobody = 65534;

QByteArray Native(const QString &path)
{
    return QFile::encodeName(path);
}

QByteArray RandomBytes(int size, quint32 seed)
{
    QByteArray data(size, Qt::Uninitialized);
    QRandomGenerator random(seed);
    for (char &c : data)
        c = char(random.bounded(256));
    return data;
}

QStringList Entries(const QString &folder)
{
    QStringList names = QDir(folder).entryList(QDir::AllEntries | QDir::Hidden | QDir::System | QDir::NoDotAndDotDot);
    names.sort();
    return names;
}

struct stat RawStatus(const QString &path)
{
    struct stat status {};
    ::lstat(Native(path).constData(), &status);
    return status;
}

QByteArray ReadAt(const QString &path, off_t offset, qsizetype length)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) && file.seek(offset) ? file.read(length) : QByteArray();
}

// A file, folder or link with the given owner (uid and gid alike) and mode.
bool MakeItem(const QString &kind, const QString &path, uid_t owner, mode_t mode)
{
    const QByteArray native = Native(path);
    if (kind == u"link")
        return ::symlink("elsewhere", native.constData()) == 0 && ::lchown(native.constData(), owner, owner) == 0;
    const bool made = kind == u"file" ? WriteFile(path, "#!/bin/sh\n") : ::mkdir(native.constData(), 0755) == 0;
    // chown first: it clears the set-ID bits.
    return made && ::chown(native.constData(), owner, owner) == 0 && ::chmod(native.constData(), mode) == 0;
}

// Copies as the engine does: files and links with CopyFile, folders by creating them and copying
// their attributes. As user 65534 (without other groups) in a child process where asked; the
// answer is the errno, or 255 when the child could not become that user.
int CopyItem(const QString &kind, const QString &source, const QString &target, bool asNobody)
{
    const auto copy = [&] {
        PosixFileSystem fs;
        FsError error;
        const bool done = kind == u"folder" ? fs.CreateFolder(target, &error) && fs.CopyFolderAttributes(source, target, &error)
                                            : fs.CopyFile(source, target, &error);
        return done ? 0 : error.code;
    };
    if (!asNobody)
        return copy();
    const pid_t child = ::fork();
    if (child == 0) {
        const bool dropped = ::setgroups(0, nullptr) == 0 && ::setgid(Nobody) == 0 && ::setuid(Nobody) == 0;
        ::_exit(dropped ? copy() & 0xFF : 255);
    }
    int status = 0;
    return child > 0 && ::waitpid(child, &status, 0) == child && WIFEXITED(status) ? WEXITSTATUS(status) : 255;
}

} // namespace

void TestPosixCopy::init()
{
    m_dir = std::make_unique<QTemporaryDir>();
    QVERIFY(m_dir->isValid());
}

void TestPosixCopy::temporaryNameForm_data()
{
    QTest::addColumn<QString>("name");
    QTest::addColumn<bool>("temporary");

    QTest::newRow("plain name") << ".data.txt.orvane-tmp-A1b2C3d4" << true;
    QTest::newRow("Japanese name") << ".日本語.orvane-tmp-zzzzzzzz" << true;
    QTest::newRow("a hidden file") << ".bashrc" << false;
    QTest::newRow("marker and random part only") << ".orvane-tmp-A1b2C3d4" << false;
    QTest::newRow("no leading dot") << "data.txt.orvane-tmp-A1b2C3d4" << false;
    QTest::newRow("random part too short") << ".data.txt.orvane-tmp-A1b2C3d" << false;
    QTest::newRow("random part too long") << ".data.txt.orvane-tmp-A1b2C3d4e" << false;
    QTest::newRow("random part with a dash") << ".data.txt.orvane-tmp-A1b2-3d4" << false;
    QTest::newRow("random part with a non-ASCII letter") << ".data.txt.orvane-tmp-A1b2Ç3d4" << false;
    QTest::newRow("marker in other case") << ".data.txt.ORVANE-TMP-A1b2C3d4" << false;
    QTest::newRow("a name after the random part") << ".data.orvane-tmp-A1b2C3d4.txt" << false;
}

void TestPosixCopy::temporaryNameForm()
{
    QFETCH(QString, name);
    QTEST(FileSystem::IsCopyTemporaryName(name), "temporary");
}

void TestPosixCopy::temporariesMade_data()
{
    QTest::addColumn<QString>("name");
    QTest::addColumn<bool>("targetExists");

    QTest::newRow("plain") << "plain.txt" << false;
    QTest::newRow("plain, over a target") << "plain.txt" << true;
    QTest::newRow("255 bytes") << QString(NAME_MAX, u'n') << true;
    QTest::newRow("Japanese, 255 bytes") << QString(NAME_MAX / 3, QChar(u'語')) << false;
    QTest::newRow("Japanese, cut inside a character") << QStringLiteral("a") + QString(84, QChar(u'語')) << true;
}

// The temporary of a named copy is known as one, is valid UTF-8 within NAME_MAX bytes, and starts
// with whole characters of the target's name.
void TestPosixCopy::temporariesMade()
{
    QFETCH(QString, name);
    QFETCH(bool, targetExists);
    const QString source = path(QStringLiteral("m/") + name);
    const QString folder = path(QStringLiteral("b"));
    QVERIFY(WriteFile(source, "new"));
    QVERIFY(QDir().mkpath(folder));
    if (targetExists)
        QVERIFY(WriteFile(folder + u'/' + name, "old"));

    PosixFileSystem fs(false);
    QStringList during;
    fs.SetDataCopiedHook([&] { during = Entries(folder); });
    FsError error;
    QVERIFY(fs.CopyFile(source, folder + u'/' + name, &error));
    during.removeAll(name);
    QCOMPARE(during.size(), 1);
    const QByteArray bytes = EncodeFileName(during.first());
    bool valid = false;
    QCOMPARE(DecodeFileName(bytes, &valid), during.first());
    QVERIFY(valid);
    QVERIFY(bytes.size() <= NAME_MAX);
    QVERIFY(FileSystem::IsCopyTemporaryName(during.first()));
    const qsizetype tail = FileSystem::CopyTemporaryMarker.size() + FileSystem::CopyTemporaryRandomLength;
    const QString kept = during.first().sliced(1, during.first().size() - 1 - tail);
    QVERIFY(!kept.isEmpty() && name.startsWith(kept));
    QCOMPARE(Entries(folder), QStringList{name});
}

void TestPosixCopy::sourceChangedWhileCopied_data()
{
    QTest::addColumn<bool>("unnamed");
    QTest::addColumn<QString>("change");
    QTest::addColumn<bool>("sparse");
    QTest::addColumn<bool>("changed");

    for (const bool unnamed : {true, false}) {
        const char *way = unnamed ? "unnamed" : "named";
        QTest::addRow("%s: grown", way) << unnamed << "append" << false << true;
        QTest::addRow("%s: rewritten in place", way) << unnamed << "rewrite" << false << true;
        QTest::addRow("%s: sparse, rewritten in place", way) << unnamed << "rewrite" << true << true;
        QTest::addRow("%s: shrunk", way) << unnamed << "truncate" << false << true;
        QTest::addRow("%s: only read meanwhile", way) << unnamed << "read" << false << false;
    }
}

void TestPosixCopy::sourceChangedWhileCopied()
{
    QFETCH(bool, unnamed);
    QFETCH(QString, change);
    QFETCH(bool, sparse);
    QFETCH(bool, changed);
    const QString source = path(QStringLiteral("m/db.bin"));
    const QString target = path(QStringLiteral("b/db.bin"));
    const QByteArray old = RandomBytes(1000, 2);
    QVERIFY(WriteFile(source, RandomBytes(600000, 1)));
    QVERIFY(!sparse || ::truncate(Native(source).constData(), 64 << 20) == 0);
    QVERIFY(WriteFile(target, old));
    // An old time, so that any write during the copy gives another one, however coarse the clock.
    const timespec times[2] = {{1600000000, 0}, {1600000000, 0}};
    QCOMPARE(::utimensat(AT_FDCWD, Native(source).constData(), times, 0), 0);
    const QStringList before = testsupport::TreeListing(path(QStringLiteral("b")));

    PosixFileSystem fs(unnamed);
    fs.SetDataCopiedHook([&] {
        QFile file(source);
        QVERIFY(file.open(QIODevice::ReadWrite));
        if (change == u"append")
            QVERIFY(file.seek(file.size()) && file.write("more") == 4);
        if (change == u"rewrite")
            QVERIFY(file.seek(1000) && file.write("NEW!") == 4);
        if (change == u"truncate")
            QVERIFY(file.resize(1000));
        if (change == u"read")
            QCOMPARE(file.read(10).size(), 10);
    });
    FsError error;
    QCOMPARE(fs.CopyFile(source, target, &error), !changed);
    if (changed) {
        QCOMPARE(error.code, FsError::SourceChangedCode);
        QCOMPARE(error.kind, FsErrorKind::SourceChanged);
        QCOMPARE(testsupport::TreeListing(path(QStringLiteral("b"))), before);
        QCOMPARE(ReadFile(target), old);
        // Once the source holds still, the same copy goes through.
        fs.SetDataCopiedHook({});
        QVERIFY(fs.CopyFile(source, target, &error));
    }
    QCOMPARE(ReadFile(target), ReadFile(source));
    QCOMPARE(Entries(path(QStringLiteral("b"))), QStringList{QStringLiteral("db.bin")});
}

void TestPosixCopy::sparseFilesStaySparse_data()
{
    QTest::addColumn<bool>("unnamed");
    QTest::addColumn<qint64>("size");
    QTest::addColumn<QList<qint64>>("dataAt");   // 4 KiB of data at each offset

    constexpr qint64 GiB = qint64(1) << 30;
    QTest::newRow("data at the start") << true << GiB << QList<qint64>{0};
    QTest::newRow("data in the middle") << true << GiB << QList<qint64>{GiB / 2};
    QTest::newRow("several pieces, the last at the end") << true << GiB << QList<qint64>{0, 1 << 20, GiB - 4096};
    QTest::newRow("no data at all") << true << GiB << QList<qint64>{};
    QTest::newRow("named, data beyond 4 GiB") << false << 5 * GiB << QList<qint64>{4 * GiB + 12288};
}

// On tmpfs, where holes surely exist: the backup takes as much room as the data.
void TestPosixCopy::sparseFilesStaySparse()
{
    QFETCH(bool, unnamed);
    QFETCH(qint64, size);
    QFETCH(QList<qint64>, dataAt);
    QTemporaryDir shm(QStringLiteral("/dev/shm/orvane-sparse-XXXXXX"));
    struct statfs info {};
    if (!shm.isValid() || ::statfs(Native(shm.path()).constData(), &info) != 0 || info.f_type != TMPFS_MAGIC)
        QSKIP("no tmpfs at /dev/shm to make holes in");
    const QString source = shm.filePath(QStringLiteral("sparse.img"));
    const QString target = shm.filePath(QStringLiteral("copy.img"));
    QFile file(source);
    QVERIFY(file.open(QIODevice::WriteOnly));
    if (!file.resize(size))
        QSKIP("this tmpfs takes no file of that size");
    for (const qint64 offset : dataAt)
        QVERIFY(file.seek(offset) && file.write(RandomBytes(4096, quint32(offset))) == 4096);
    file.close();
    if (qint64(RawStatus(source).st_blocks) * 512 > 4096 * (dataAt.size() + 1))
        QSKIP("this tmpfs makes no holes");

    FsError error;
    QVERIFY(PosixFileSystem(unnamed).CopyFile(source, target, &error));
    QCOMPARE(qint64(RawStatus(target).st_size), size);
    QCOMPARE(RawStatus(target).st_blocks, RawStatus(source).st_blocks);
    for (const qint64 offset : dataAt)
        QCOMPARE(ReadAt(target, offset, 4096), RandomBytes(4096, quint32(offset)));
    QCOMPARE(ReadAt(target, size / 3, 4096), QByteArray(4096, '\0'));
    QCOMPARE(ReadAt(target, size - 1, 1), ReadAt(source, size - 1, 1));
}

void TestPosixCopy::ownersAndModes_data()
{
    QTest::addColumn<QString>("kind");
    QTest::addColumn<bool>("asNobody");    // copied by user 65534, else by root
    QTest::addColumn<uint>("owner");      // of the source, uid and gid alike
    QTest::addColumn<int>("mode");
    QTest::addColumn<int>("copiedMode");

    QTest::newRow("root: another's file") << "file" << false << 4321u << 0640 << 0640;
    QTest::newRow("root: another's setuid and setgid program") << "file" << false << 4321u << 06750 << 06750;
    QTest::newRow("root: another's private folder") << "folder" << false << 4321u << 0700 << 0700;
    QTest::newRow("root: another's setgid folder") << "folder" << false << 4321u << 02770 << 02770;
    QTest::newRow("root: another's link") << "link" << false << 4321u << 0777 << 0777;
    QTest::newRow("user: root's setuid program") << "file" << true << 0u << 04755 << 0755;
    QTest::newRow("user: root's setgid program") << "file" << true << 0u << 02755 << 0755;
    QTest::newRow("user: root's plain file") << "file" << true << 0u << 0644 << 0644;
    QTest::newRow("user: own setuid program") << "file" << true << uint(Nobody) << 04755 << 04755;
    QTest::newRow("user: root's setgid folder") << "folder" << true << 0u << 02775 << 0775;
    QTest::newRow("user: root's private folder") << "folder" << true << 0u << 0700 << 0700;
    QTest::newRow("user: root's sticky folder") << "folder" << true << 0u << 01777 << 01777;
}

// Root keeps owner, group and every bit; an ordinary user owns what it copies, and set-ID bits of
// someone else's item do not come along.
void TestPosixCopy::ownersAndModes()
{
    QFETCH(QString, kind);
    QFETCH(bool, asNobody);
    QFETCH(uint, owner);
    QFETCH(int, mode);
    if (::geteuid() != 0)
        QSKIP("only root can give items to other owners");
    const QString source = path(QStringLiteral("m/item"));
    const QString target = path(QStringLiteral("b/item"));
    QVERIFY(QDir().mkpath(path(QStringLiteral("m"))) && QDir().mkpath(path(QStringLiteral("b"))));
    QCOMPARE(::chmod(Native(m_dir->path()).constData(), 0755), 0);
    QCOMPARE(::chown(Native(path(QStringLiteral("b"))).constData(), Nobody, Nobody), 0);
    QVERIFY(MakeItem(kind, source, owner, mode_t(mode)));

    QCOMPARE(CopyItem(kind, source, target, asNobody), 0);
    const struct stat to = RawStatus(target);
    QCOMPARE(to.st_mode & S_IFMT, RawStatus(source).st_mode & S_IFMT);
    QCOMPARE(to.st_uid, asNobody ? Nobody : owner);
    QCOMPARE(to.st_gid, asNobody ? Nobody : owner);
    if (kind != u"link")
        QTEST(int(to.st_mode & 07777), "copiedMode");
    if (kind == u"file")
        QCOMPARE(ReadFile(target), ReadFile(source));
}

// Folder attributes go to the folder itself: a link in its place is refused, and the folder it
// points at keeps its own mode.
void TestPosixCopy::folderAttributesNotThroughLink()
{
    QVERIFY(QDir().mkpath(path(QStringLiteral("m/item"))));
    QVERIFY(QDir().mkpath(path(QStringLiteral("elsewhere"))));
    QCOMPARE(::chmod(Native(path(QStringLiteral("m/item"))).constData(), 0700), 0);
    QCOMPARE(::symlink("elsewhere", Native(path(QStringLiteral("link"))).constData()), 0);
    const QStringList before = testsupport::TreeListing(m_dir->path());

    FsError error;
    QVERIFY(!PosixFileSystem().CopyFolderAttributes(path(QStringLiteral("m/item")), path(QStringLiteral("link")), &error));
    QCOMPARE(error.code, ENOTDIR);
    QCOMPARE(testsupport::TreeListing(m_dir->path()), before);
}

QTEST_APPLESS_MAIN(TestPosixCopy)
#include "tst_posixcopy.moc"
