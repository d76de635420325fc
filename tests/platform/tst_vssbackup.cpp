#include "platform/FileSystem.h"
#include "platform/NoSnapshotProvider.h"
#include "platform/VssBackup.h"

#include "TestSupport.h"

#include <QtTest>

#include <cerrno>

using testsupport::ReadFile;
using testsupport::WriteFile;

class TestVssBackup : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void init();
    void sameVolumeOneSnapshot();
    void changeOfVolumeTakesNewSnapshot();
    void failedStep_data();
    void failedStep();
    void failedInitializeIsRetried();
    void failedCopy();
    void refusedFolders_data();
    void refusedFolders();
    void releaseLeavesNoSnapshot();
    void copyTimes();
    void noSnapshotProvider();

private:
    QTemporaryDir dir;
};

namespace {

// Copies with QFile; the copy keeps no times. Fails chosen sources with chosen errors.
class CopyOnlyFileSystem final : public FileSystem {
public:
    QMap<QString, int> failures;
    QStringList sources;

    bool CopyFile(const QString &source, const QString &target, FsError *error) override
    {
        sources += source;
        int code = failures.value(source, 0);
        if (!code && !QFileInfo::exists(source))
            code = ENOENT;
        if (!code) {
            QFile::remove(target);
            if (QFile::copy(source, target))
                return true;
            code = EIO;
        }
        *error = FsError::FromErrno(code);
        return false;
    }
    std::optional<FileStatus> Status(const QString &, FsError *) override { return std::nullopt; }
    bool ListFolder(const QString &, const std::function<bool(const FolderEntry &)> &, FsError *) override
    {
        return false;
    }
    bool DeleteFile(const QString &, FsError *) override { return false; }
    bool RemoveFolder(const QString &, FsError *) override { return false; }
    bool Move(const QString &, const QString &, FsError *) override { return false; }
    bool CreateFolder(const QString &, FsError *) override { return false; }
    bool MakeWritable(const QString &, FsError *) override { return false; }
    bool CopyFolderAttributes(const QString &, const QString &, FsError *) override { return false; }
    bool SyncFileSystem(const QString &, FsError *) override { return false; }
    bool SetTimes(const QString &, const FileTime &, const FileTime &, FsError *) override { return false; }
    QString ActualName(const QString &) override { return QString(); }
    bool MoveToTrash(const QString &, FsError *) override { return false; }
};

enum class Step { None, Initialize, Start, Add, Prepare, Do, DevicePath };

// Serves <root>/<volume name> as the snapshot of the volume "/<volume name>/".
class FakeProvider final : public SnapshotProvider {
public:
    explicit FakeProvider(QString root) : root(std::move(root)) {}
    ~FakeProvider() override
    {
        if (liveAtDestruction)
            *liveAtDestruction = LiveSets();
    }

    QString root;
    qsizetype *liveAtDestruction = nullptr;
    Step failing = Step::None;
    int initializeCalls = 0;
    int completeCalls = 0;
    QList<QUuid> startedSets;
    QStringList addedVolumes;
    QList<QUuid> deletedSets;

    // Sets that were started and not deleted: snapshots left behind.
    qsizetype LiveSets() const
    {
        qsizetype live = 0;
        for (const QUuid &id : startedSets)
            live += deletedSets.contains(id) ? 0 : 1;
        return live;
    }

    bool Initialize() override
    {
        ++initializeCalls;
        return failing != Step::Initialize;
    }
    std::optional<QUuid> StartSnapshotSet() override
    {
        if (failing == Step::Start)
            return std::nullopt;
        startedSets += QUuid::createUuid();
        return startedSets.last();
    }
    std::optional<QUuid> AddToSnapshotSet(const QString &volume) override
    {
        addedVolumes += volume;
        if (failing == Step::Add)
            return std::nullopt;
        snapshotOf[snapshotId = QUuid::createUuid()] = volume;
        return snapshotId;
    }
    bool PrepareForBackup() override { return failing != Step::Prepare; }
    bool DoSnapshotSet() override { return failing != Step::Do; }
    std::optional<QString> SnapshotDevicePath(const QUuid &id) override
    {
        if (failing == Step::DevicePath || !snapshotOf.contains(id))
            return std::nullopt;
        return root + u'/' + snapshotOf[id].section(u'/', 1, 1);
    }
    bool BackupComplete() override
    {
        ++completeCalls;
        return true;
    }
    void DeleteSnapshots(const QUuid &setId) override { deletedSets += setId; }

private:
    QUuid snapshotId;
    QMap<QUuid, QString> snapshotOf;
};

// The first folder level is the volume; case counts.
QString FirstLevel(const QString &folder)
{
    return u'/' + folder.section(u'/', 1, 1) + u'/';
}

struct Fixture {
    CopyOnlyFileSystem fileSystem;
    FakeProvider *provider;
    CVssBackup backup;

    explicit Fixture(const QString &root)
        : provider(new FakeProvider(root + QStringLiteral("/snapshots"))),
          backup(fileSystem, std::unique_ptr<SnapshotProvider>(provider), FirstLevel)
    {
    }
};

} // namespace

void TestVssBackup::init()
{
    QVERIFY(dir.isValid());
    const QString snapshots = dir.filePath(QStringLiteral("snapshots"));
    QVERIFY(WriteFile(snapshots + QStringLiteral("/volC/data/a.txt"), "C a"));
    QVERIFY(WriteFile(snapshots + QStringLiteral("/volC/data/sub/b.txt"), "C b"));
    QVERIFY(WriteFile(snapshots + QStringLiteral("/volD/x/d.txt"), "D d"));
    QVERIFY(WriteFile(snapshots + QStringLiteral("/VOLC/data/a.txt"), "upper C a"));
    QVERIFY(QDir().mkpath(dir.filePath(QStringLiteral("target"))));
}

void TestVssBackup::sameVolumeOneSnapshot()
{
    Fixture f(dir.path());
    const QString target = dir.filePath(QStringLiteral("target/"));
    QVERIFY(f.backup.CopyFromSnapshot(QStringLiteral("/volC/data/"), QStringLiteral("a.txt"), target + "a", true));
    QVERIFY(f.backup.CopyFromSnapshot(QStringLiteral("/volC/data/sub"), QStringLiteral("b.txt"), target + "b", true));
    QCOMPARE(ReadFile(target + "a"), QByteArray("C a"));
    QCOMPARE(ReadFile(target + "b"), QByteArray("C b"));
    QCOMPARE(f.provider->startedSets.size(), 1);
    QCOMPARE(f.provider->addedVolumes, QStringList {"/volC/"});
    QCOMPARE(f.provider->initializeCalls, 1);
    QVERIFY(f.backup.IsSnapshotActive());
    QCOMPARE(f.backup.SnapshotVolume(), QStringLiteral("/volC/"));
    QCOMPARE(f.backup.LastCopyError(), 0);
    QCOMPARE(f.fileSystem.sources.last(), dir.filePath(QStringLiteral("snapshots/volC/data/sub/b.txt")));
}

void TestVssBackup::changeOfVolumeTakesNewSnapshot()
{
    Fixture f(dir.path());
    const QString target = dir.filePath(QStringLiteral("target/t"));
    const QStringList folders {"/volC/data/", "/volD/x/", "/volC/data/", "/VOLC/data/"};
    const QStringList names {"a.txt", "d.txt", "a.txt", "a.txt"};
    const QList<QByteArray> contents {"C a", "D d", "C a", "upper C a"};
    for (qsizetype i = 0; i < folders.size(); ++i) {
        QVERIFY(f.backup.CopyFromSnapshot(folders[i], names[i], target, true));
        QCOMPARE(ReadFile(target), contents[i]);
        // Only the snapshot of the current volume exists.
        QCOMPARE(f.provider->LiveSets(), 1);
    }
    QCOMPARE(f.provider->addedVolumes, QStringList({"/volC/", "/volD/", "/volC/", "/VOLC/"}));
    QCOMPARE(f.provider->deletedSets, f.provider->startedSets.first(3));
    QCOMPARE(f.provider->completeCalls, 3);
}

void TestVssBackup::failedStep_data()
{
    QTest::addColumn<Step>("step");
    QTest::addColumn<int>("setsStarted");
    QTest::newRow("start set") << Step::Start << 0;
    QTest::newRow("add volume") << Step::Add << 1;
    QTest::newRow("prepare") << Step::Prepare << 1;
    QTest::newRow("take snapshot") << Step::Do << 1;
    QTest::newRow("properties") << Step::DevicePath << 1;
}

void TestVssBackup::failedStep()
{
    QFETCH(Step, step);
    QFETCH(int, setsStarted);
    Fixture f(dir.path());
    const QString target = dir.filePath(QStringLiteral("target/t"));
    f.provider->failing = step;
    QVERIFY(!f.backup.CopyFromSnapshot(QStringLiteral("/volC/data/"), QStringLiteral("a.txt"), target, true));
    QCOMPARE(f.backup.LastCopyError(), 0);
    QVERIFY(!f.backup.IsSnapshotActive());
    QVERIFY(f.backup.SnapshotVolume().isEmpty());
    QVERIFY(f.fileSystem.sources.isEmpty());
    QCOMPARE(f.provider->startedSets.size(), setsStarted);
    // A set that was started is not left behind.
    QCOMPARE(f.provider->LiveSets(), 0);
    QCOMPARE(f.provider->completeCalls, 0);

    f.provider->failing = Step::None;
    QVERIFY(f.backup.CopyFromSnapshot(QStringLiteral("/volC/data/"), QStringLiteral("a.txt"), target, true));
    QCOMPARE(f.provider->startedSets.size(), setsStarted + 1);
    QCOMPARE(ReadFile(target), QByteArray("C a"));
    QCOMPARE(f.provider->initializeCalls, 1);
}

void TestVssBackup::failedInitializeIsRetried()
{
    Fixture f(dir.path());
    const QString target = dir.filePath(QStringLiteral("target/t"));
    f.provider->failing = Step::Initialize;
    QVERIFY(!f.backup.CopyFromSnapshot(QStringLiteral("/volC/data/"), QStringLiteral("a.txt"), target, true));
    QCOMPARE(f.backup.LastCopyError(), 0);
    QVERIFY(f.provider->startedSets.isEmpty());
    f.provider->failing = Step::None;
    QVERIFY(f.backup.CopyFromSnapshot(QStringLiteral("/volC/data/"), QStringLiteral("a.txt"), target, true));
    QVERIFY(f.backup.CopyFromSnapshot(QStringLiteral("/volC/data/"), QStringLiteral("a.txt"), target, true));
    QCOMPARE(f.provider->initializeCalls, 2);
}

void TestVssBackup::failedCopy()
{
    Fixture f(dir.path());
    const QString target = dir.filePath(QStringLiteral("target/t"));
    QVERIFY(!f.backup.CopyFromSnapshot(QStringLiteral("/volC/data/"), QStringLiteral("gone.txt"), target, true));
    QCOMPARE(f.backup.LastCopyError(), ENOENT);
    // The snapshot was taken and stays for the next file.
    QVERIFY(f.backup.IsSnapshotActive());
    f.fileSystem.failures[dir.filePath(QStringLiteral("snapshots/volC/data/a.txt"))] = EACCES;
    QVERIFY(!f.backup.CopyFromSnapshot(QStringLiteral("/volC/data/"), QStringLiteral("a.txt"), target, true));
    QCOMPARE(f.backup.LastCopyError(), EACCES);
    QVERIFY(f.backup.CopyFromSnapshot(QStringLiteral("/volC/data/sub/"), QStringLiteral("b.txt"), target, true));
    QCOMPARE(f.backup.LastCopyError(), 0);
    QCOMPARE(f.provider->startedSets.size(), 1);
}

void TestVssBackup::refusedFolders_data()
{
    QTest::addColumn<QString>("folder");
    QTest::newRow("empty") << "";
    QTest::newRow("two characters") << "/a";
}

void TestVssBackup::refusedFolders()
{
    QFETCH(QString, folder);
    Fixture f(dir.path());
    QVERIFY(!f.backup.CopyFromSnapshot(folder, QStringLiteral("a.txt"), dir.filePath(QStringLiteral("t")), true));
    QCOMPARE(f.backup.LastCopyError(), 0);
    QCOMPARE(f.provider->initializeCalls, 0);
    QVERIFY(f.provider->startedSets.isEmpty());
}

void TestVssBackup::releaseLeavesNoSnapshot()
{
    auto *provider = new FakeProvider(dir.filePath(QStringLiteral("snapshots")));
    const QString target = dir.filePath(QStringLiteral("target/t"));
    CopyOnlyFileSystem fileSystem;
    qsizetype liveAtEnd = -1;
    provider->liveAtDestruction = &liveAtEnd;
    {
        CVssBackup backup(fileSystem, std::unique_ptr<SnapshotProvider>(provider), FirstLevel);
        QVERIFY(backup.CopyFromSnapshot(QStringLiteral("/volC/data/"), QStringLiteral("a.txt"), target, true));
        backup.ReleaseSnapshot();
        QVERIFY(!backup.IsSnapshotActive());
        QVERIFY(backup.SnapshotVolume().isEmpty());
        QCOMPARE(provider->LiveSets(), 0);
        backup.ReleaseSnapshot();
        QCOMPARE(provider->deletedSets.size(), 1);
        QCOMPARE(provider->completeCalls, 1);
        // The next locked file takes a new snapshot, which the destructor releases.
        QVERIFY(backup.CopyFromSnapshot(QStringLiteral("/volC/data/"), QStringLiteral("a.txt"), target, true));
        QCOMPARE(provider->startedSets.size(), 2);
        QCOMPARE(provider->LiveSets(), 1);
    }
    QCOMPARE(liveAtEnd, 0);
}

void TestVssBackup::copyTimes()
{
    const QString source = dir.filePath(QStringLiteral("snapshots/volC/data/a.txt"));
    const QDateTime old = QDateTime::fromSecsSinceEpoch(1000000000);
    QVERIFY(WriteFile(source, "C a", old));
    QCOMPARE(QFileInfo(source).lastModified(), old);
    Fixture f(dir.path());
    const QString withTimes = dir.filePath(QStringLiteral("target/with"));
    const QString without = dir.filePath(QStringLiteral("target/without"));
    QVERIFY(f.backup.CopyFromSnapshot(QStringLiteral("/volC/data/"), QStringLiteral("a.txt"), withTimes, true));
    QVERIFY(f.backup.CopyFromSnapshot(QStringLiteral("/volC/data/"), QStringLiteral("a.txt"), without, false));
    QCOMPARE(QFileInfo(withTimes).lastModified(), old);
    QVERIFY(QFileInfo(without).lastModified() != old);
}

void TestVssBackup::noSnapshotProvider()
{
    const QString folder = dir.filePath(QStringLiteral("master/"));
    QVERIFY(WriteFile(folder + QStringLiteral("a.txt"), "a"));
    CopyOnlyFileSystem fileSystem;
    CVssBackup backup(fileSystem);
    QVERIFY(backup.Initialize());
    QVERIFY(!backup.CopyFromSnapshot(folder, QStringLiteral("a.txt"), dir.filePath(QStringLiteral("t")), true));
    QCOMPARE(backup.LastCopyError(), 0);
    QVERIFY(!backup.IsSnapshotActive());
    QVERIFY(fileSystem.sources.isEmpty());
    QVERIFY(!QFileInfo::exists(dir.filePath(QStringLiteral("t"))));
}

QTEST_APPLESS_MAIN(TestVssBackup)
#include "tst_vssbackup.moc"
