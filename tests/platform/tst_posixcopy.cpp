#include "TestSupport.h"
#include "platform/FileNames.h"
#include "platform/PosixFileSystem.h"

#include <QDir>
#include <QRandomGenerator>
#include <QTemporaryDir>
#include <QtTest>

#include <climits>
#include <fcntl.h>
#include <linux/magic.h>
#include <sys/inotify.h>
#include <sys/stat.h>
#include <sys/vfs.h>
#include <unistd.h>

using testsupport::ReadFile;
using testsupport::WriteFile;

// How a copy's data reaches the backup: under which temporary names, what happens when the source
// changes meanwhile, and whether holes stay holes.
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

private:
    QString path(const QString &relative) const { return m_dir->filePath(relative); }

    std::unique_ptr<QTemporaryDir> m_dir;
};

namespace {

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

// The names created in or moved into a folder while it is watched, as bytes.
class CreatedNames {
public:
    explicit CreatedNames(const QString &folder)
        : m_fd(::inotify_init1(IN_NONBLOCK | IN_CLOEXEC))
    {
        if (m_fd >= 0 && ::inotify_add_watch(m_fd, Native(folder).constData(), IN_CREATE | IN_MOVED_TO) < 0) {
            ::close(m_fd);
            m_fd = -1;
        }
    }
    ~CreatedNames()
    {
        if (m_fd >= 0)
            ::close(m_fd);
    }
    bool Valid() const { return m_fd >= 0; }

    QList<QByteArray> Take()
    {
        QList<QByteArray> names;
        alignas(inotify_event) char buffer[64 * 1024];
        ssize_t length;
        while ((length = ::read(m_fd, buffer, sizeof buffer)) > 0) {
            for (ssize_t at = 0; at < length;) {
                const auto *event = reinterpret_cast<const inotify_event *>(buffer + at);
                if (event->len > 0)
                    names << QByteArray(event->name);
                at += ssize_t(sizeof(inotify_event) + event->len);
            }
        }
        return names;
    }

private:
    int m_fd;
};

// Where a file holds data, as the file system reports it.
QList<QPair<off_t, off_t>> DataSegments(int fd, off_t size)
{
    QList<QPair<off_t, off_t>> segments;
    for (off_t offset = 0; offset < size;) {
        const off_t data = ::lseek(fd, offset, SEEK_DATA);
        if (data < 0)
            break;
        const off_t hole = ::lseek(fd, data, SEEK_HOLE);
        segments.append({data, hole});
        offset = hole;
    }
    return segments;
}

QByteArray ReadAt(int fd, off_t offset, qsizetype length)
{
    QByteArray data(length, Qt::Uninitialized);
    const ssize_t got = ::pread(fd, data.data(), size_t(length), offset);
    data.resize(got < 0 ? 0 : got);
    return data;
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

    QTest::newRow("made for a plain name") << ".data.txt.orvane-tmp-A1b2C3d4" << true;
    QTest::newRow("made for a Japanese name") << ".日本語.orvane-tmp-zzzzzzzz" << true;
    QTest::newRow("made for a hidden name") << "..profile.orvane-tmp-00000000" << true;
    QTest::newRow("empty") << "" << false;
    QTest::newRow("a plain file") << "data.txt" << false;
    QTest::newRow("a hidden file") << ".bashrc" << false;
    QTest::newRow("marker and random part only") << ".orvane-tmp-A1b2C3d4" << false;
    QTest::newRow("no leading dot") << "data.txt.orvane-tmp-A1b2C3d4" << false;
    QTest::newRow("random part too short") << ".data.txt.orvane-tmp-A1b2C3d" << false;
    QTest::newRow("random part too long") << ".data.txt.orvane-tmp-A1b2C3d4e" << false;
    QTest::newRow("random part with a dash") << ".data.txt.orvane-tmp-A1b2-3d4" << false;
    QTest::newRow("random part with a non-ASCII letter") << ".data.txt.orvane-tmp-A1b2Ç3d4" << false;
    QTest::newRow("marker in other case") << ".data.txt.ORVANE-TMP-A1b2C3d4" << false;
    QTest::newRow("a name after the random part") << ".data.orvane-tmp-A1b2C3d4.txt" << false;
    QTest::newRow("marker without its last dash") << ".data.txt.orvane-tmpA1b2C3d4" << false;
    QTest::newRow("the former six-letter form") << ".data.txt.orvane-A1b2C3" << false;
}

void TestPosixCopy::temporaryNameForm()
{
    QFETCH(QString, name);
    QTEST(FileSystem::IsCopyTemporaryName(name), "temporary");
}

// Every name a copy creates besides the target's own is one that is known as a temporary.
void TestPosixCopy::temporariesMade_data()
{
    QTest::addColumn<QString>("kind");          // "file" or "link"
    QTest::addColumn<bool>("unnamed");
    QTest::addColumn<bool>("targetExists");
    QTest::addColumn<QString>("name");

    const QString nearLimit(NAME_MAX, u'n');
    const QString japanese(NAME_MAX / 3, QChar(u'語'));                // 255 bytes, 85 characters
    const QString shifted = QStringLiteral("a") + QString(84, QChar(u'語'));   // the cut falls inside a character
    QTest::newRow("file, named") << "file" << false << false << "plain.txt";
    QTest::newRow("file, named, over a target") << "file" << false << true << "plain.txt";
    QTest::newRow("file, unnamed, over a target") << "file" << true << true << "plain.txt";
    QTest::newRow("file, named, 255 bytes") << "file" << false << false << nearLimit;
    QTest::newRow("file, unnamed, 255 bytes, over a target") << "file" << true << true << nearLimit;
    QTest::newRow("file, named, Japanese 255 bytes") << "file" << false << true << japanese;
    QTest::newRow("file, named, Japanese cut inside a character") << "file" << false << false << shifted;
    QTest::newRow("link over a target") << "link" << false << true << "plain.txt";
    QTest::newRow("link over a target, Japanese cut inside a character") << "link" << false << true << shifted;
}

void TestPosixCopy::temporariesMade()
{
    QFETCH(QString, kind);
    QFETCH(bool, unnamed);
    QFETCH(bool, targetExists);
    QFETCH(QString, name);
    QVERIFY(EncodeFileName(name).size() <= NAME_MAX);
    const QString source = path(QStringLiteral("m/") + name);
    const QString folder = path(QStringLiteral("b"));
    const QString target = folder + u'/' + name;
    if (kind == u"link")
        QVERIFY(QDir().mkpath(path(QStringLiteral("m"))) && ::symlink("elsewhere", Native(source).constData()) == 0);
    else
        QVERIFY(WriteFile(source, "new content"));
    QVERIFY(QDir().mkpath(folder));
    if (targetExists)
        QVERIFY(WriteFile(target, "old"));

    CreatedNames created(folder);
    QVERIFY(created.Valid());
    PosixFileSystem fs(unnamed);
    QStringList seenDuringCopy;
    fs.SetDataCopiedHook([&] { seenDuringCopy = Entries(folder); });
    FsError error;
    QVERIFY(fs.CopyFile(source, target, &error));

    const QByteArray targetBytes = EncodeFileName(name);
    QList<QByteArray> temporaries = created.Take();
    temporaries.removeAll(targetBytes);
    // A named copy, and anything put over an existing target, goes through a temporary name.
    if (!unnamed || targetExists)
        QVERIFY(!temporaries.isEmpty());
    const qsizetype tail = FileSystem::CopyTemporaryMarker.size() + FileSystem::CopyTemporaryRandomLength;
    for (const QByteArray &bytes : std::as_const(temporaries)) {
        QVERIFY2(bytes.size() <= NAME_MAX, bytes.constData());
        bool valid = false;
        const QString decoded = DecodeFileName(bytes, &valid);
        QVERIFY2(valid, bytes.constData());
        QVERIFY2(FileSystem::IsCopyTemporaryName(decoded), bytes.constData());
        const QString kept = decoded.sliced(1, decoded.size() - 1 - tail);
        QVERIFY(!kept.isEmpty());
        QVERIFY2(name.startsWith(kept), bytes.constData());
    }
    QStringList expected{name};
    QCOMPARE(Entries(folder), expected);
    if (!unnamed && kind == u"file")
        QCOMPARE(seenDuringCopy.size(), targetExists ? 2 : 1);
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
        QTest::addRow("%s: rewritten in place, sparse", way) << unnamed << "rewrite" << true << true;
        QTest::addRow("%s: shrunk", way) << unnamed << "truncate" << false << true;
        QTest::addRow("%s: last-write time set", way) << unnamed << "touch" << false << true;
        QTest::addRow("%s: read meanwhile", way) << unnamed << "read" << false << false;
        QTest::addRow("%s: mode changed meanwhile", way) << unnamed << "chmod" << false << false;
        QTest::addRow("%s: nothing", way) << unnamed << "" << false << false;
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
    const QByteArray original = RandomBytes(600000, 1);
    const QByteArray old = RandomBytes(1000, 2);
    QVERIFY(WriteFile(source, original));
    if (sparse)
        QVERIFY(::truncate(Native(source).constData(), 64 << 20) == 0);
    QVERIFY(WriteFile(target, old));
    // An old time, so that any write during the copy gives another one, however coarse the clock.
    const timespec times[2] = {{1600000000, 0}, {1600000000, 0}};
    QCOMPARE(::utimensat(AT_FDCWD, Native(source).constData(), times, 0), 0);
    const QStringList before = testsupport::TreeListing(path(QStringLiteral("b")));

    PosixFileSystem fs(unnamed);
    fs.SetDataCopiedHook([&] {
        const int fd = ::open(Native(source).constData(), O_RDWR);
        QVERIFY(fd >= 0);
        if (change == u"append")
            QCOMPARE(::pwrite(fd, "more", 4, ::lseek(fd, 0, SEEK_END)), ssize_t(4));
        if (change == u"rewrite")
            QCOMPARE(::pwrite(fd, "NEW!", 4, 1000), ssize_t(4));
        if (change == u"truncate")
            QCOMPARE(::ftruncate(fd, 1000), 0);
        if (change == u"touch") {
            const timespec later[2] = {{1600000000, 0}, {1600000001, 0}};
            QCOMPARE(::futimens(fd, later), 0);
        }
        if (change == u"read") {
            char byte;
            QCOMPARE(::pread(fd, &byte, 1, 0), ssize_t(1));
        }
        if (change == u"chmod")
            QCOMPARE(::fchmod(fd, 0600), 0);
        ::close(fd);
    });
    FsError error;
    const bool copied = fs.CopyFile(source, target, &error);

    QCOMPARE(copied, !changed);
    if (changed) {
        QCOMPARE(error.code, FsError::SourceChangedCode);
        QCOMPARE(error.kind, FsErrorKind::SourceChanged);
        QCOMPARE(ReadFile(target), old);
        QCOMPARE(testsupport::TreeListing(path(QStringLiteral("b"))), before);
        // Once the source holds still, the same copy goes through.
        fs.SetDataCopiedHook({});
        QVERIFY(fs.CopyFile(source, target, &error));
    }
    QCOMPARE(error.kind, FsErrorKind::None);
    QCOMPARE(ReadFile(target), ReadFile(source));
    QCOMPARE(Entries(path(QStringLiteral("b"))), QStringList{QStringLiteral("db.bin")});
}

void TestPosixCopy::sparseFilesStaySparse_data()
{
    QTest::addColumn<bool>("unnamed");
    QTest::addColumn<qint64>("size");
    QTest::addColumn<QList<qint64>>("dataAt");   // 4 KiB of data at each offset

    constexpr qint64 GiB = qint64(1) << 30;
    for (const bool unnamed : {true, false}) {
        const char *way = unnamed ? "unnamed" : "named";
        QTest::addRow("%s: 1 GiB, data at the start", way) << unnamed << GiB << QList<qint64>{0};
        QTest::addRow("%s: 1 GiB, data in the middle", way) << unnamed << GiB << QList<qint64>{GiB / 2};
        QTest::addRow("%s: 1 GiB, data at the end", way) << unnamed << GiB << QList<qint64>{GiB - 4096};
        QTest::addRow("%s: 1 GiB, several pieces", way)
            << unnamed << GiB << QList<qint64>{0, 1 << 20, 300 << 20, GiB - 4096};
        QTest::addRow("%s: 1 GiB, no data at all", way) << unnamed << GiB << QList<qint64>{};
        QTest::addRow("%s: 5 GiB, data beyond 4 GiB", way) << unnamed << 5 * GiB << QList<qint64>{4 * GiB + 12288};
    }
}

// On tmpfs, where holes surely exist: the backup takes about as much room as the data.
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
    {
        const int fd = ::open(Native(source).constData(), O_CREAT | O_WRONLY, 0644);
        QVERIFY(fd >= 0);
        const bool sized = ::ftruncate(fd, off_t(size)) == 0;
        for (const qint64 offset : dataAt)
            QCOMPARE(::pwrite(fd, RandomBytes(4096, quint32(offset)).constData(), 4096, off_t(offset)), ssize_t(4096));
        ::close(fd);
        if (!sized)
            QSKIP("this tmpfs takes no file of that size");
    }
    struct stat from {};
    QCOMPARE(::stat(Native(source).constData(), &from), 0);
    if (qint64(from.st_blocks) * 512 > 4096 * (dataAt.size() + 1))
        QSKIP("this tmpfs makes no holes");

    FsError error;
    QVERIFY(PosixFileSystem(unnamed).CopyFile(source, target, &error));
    struct stat to {};
    QCOMPARE(::stat(Native(target).constData(), &to), 0);
    QCOMPARE(qint64(to.st_size), size);
    QCOMPARE(to.st_blocks, from.st_blocks);

    const int in = ::open(Native(source).constData(), O_RDONLY);
    const int out = ::open(Native(target).constData(), O_RDONLY);
    QVERIFY(in >= 0 && out >= 0);
    const auto segments = DataSegments(out, off_t(size));
    QCOMPARE(segments, DataSegments(in, off_t(size)));
    for (const auto &[start, end] : segments)
        QVERIFY(ReadAt(out, start, end - start) == ReadAt(in, start, end - start));
    // Between the data the copy reads as zeros, up to its last byte.
    QCOMPARE(ReadAt(out, off_t(size) - 1, 1), ReadAt(in, off_t(size) - 1, 1));
    QCOMPARE(ReadAt(out, off_t(size / 3), 8192), ReadAt(in, off_t(size / 3), 8192));
    ::close(in);
    ::close(out);
}

QTEST_APPLESS_MAIN(TestPosixCopy)
#include "tst_posixcopy.moc"
