#include "FaultInjectingFileSystem.h"
#include "RemovableMedium.h"
#include "RunFixture.h"

#include <QtTest>

#include <sys/stat.h>

using Op = FaultInjectingFileSystem::Op;
using testsupport::ReadFile;
using testsupport::TreeListing;
using testsupport::WriteFile;

namespace {

const QDateTime T0 = QDateTime::fromSecsSinceEpoch(1700000000);

// The disk with the master and the backup folder each at the top of a drive, as on USB sticks.
class DriveRootFileSystem : public PosixFileSystem {
public:
    explicit DriveRootFileSystem(QStringList roots) : m_roots(std::move(roots)) {}
    QString VolumeRoot(const QString &path) override
    {
        for (const QString &root : std::as_const(m_roots)) {
            if (path.startsWith(root))
                return root;
        }
        return PosixFileSystem::VolumeRoot(path);
    }

private:
    QStringList m_roots;
};

int Mode(const QString &path)
{
    struct stat status;
    return ::stat(QFile::encodeName(path).constData(), &status) == 0 ? int(status.st_mode & 07777) : -1;
}

} // namespace

// What keeps a backup whole on real targets: names that differ only in case, the drive's trash,
// an interrupted copy's leftovers, a master that is not there, a file that changes while copied.
class TestBackupTrust : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void init();
    void caseOnlyRenameKeepsTheBackup();
    void caseTwinsNeverOverwriteEachOther();
    void trashFoldersAreNeverEntered();
    void copyTemporariesAreHousekeeping_data();
    void copyTemporariesAreHousekeeping();
    void emptyMasterDeletesNothing_data();
    void emptyMasterDeletesNothing();
    void deletionLimit_data();
    void deletionLimit();
    void changingSourceIsRetriedThenReported_data();
    void changingSourceIsRetriedThenReported();
    void createdFoldersTakeTheMasterRights();
    void completedSettingIsSynced();

private:
    std::unique_ptr<RunFixture> f;
};

void TestBackupTrust::init()
{
    f = std::make_unique<RunFixture>();
}

void TestBackupTrust::caseOnlyRenameKeepsTheBackup()
{
    RemovableMedium stick(RemovableMedium::Kind::ExFat);
    if (!stick.IsMounted())
        QSKIP(qPrintable(stick.Reason()));
    QVERIFY(WriteFile(f->MasterPath("Photos/a.jpg"), "a", T0));
    QVERIFY(WriteFile(f->MasterPath("Photos/b.jpg"), "b", T0));
    QVERIFY(WriteFile(f->MasterPath("Notes.TXT"), "n", T0));
    CFolderSetting s = f->Setting();
    s.Backup = stick.MountPoint() + QStringLiteral("/backup/");
    QVERIFY(f->RunOne(s));

    // Renamed on the master in case only; the stick keeps the old spelling.
    QVERIFY(QDir(f->master).rename("Photos", "photos"));
    QVERIFY(QDir(f->master).rename("Notes.TXT", "notes.txt"));
    QVERIFY(f->RunOne(s));
    QCOMPARE(f->Result(), 0);
    QCOMPARE(f->host.BodyRows(), QStringList());
    QCOMPARE(ReadFile(s.Backup + "photos/a.jpg"), QByteArray("a"));
    QCOMPARE(ReadFile(s.Backup + "photos/b.jpg"), QByteArray("b"));
    QCOMPARE(ReadFile(s.Backup + "notes.txt"), QByteArray("n"));
}

void TestBackupTrust::caseTwinsNeverOverwriteEachOther()
{
    RemovableMedium stick(RemovableMedium::Kind::ExFat);
    if (!stick.IsMounted())
        QSKIP(qPrintable(stick.Reason()));
    QVERIFY(WriteFile(f->MasterPath("a.txt"), "lower", T0));
    QVERIFY(WriteFile(f->MasterPath("A.txt"), "upper", T0.addSecs(60)));
    CFolderSetting s = f->Setting();
    s.Backup = stick.MountPoint() + QStringLiteral("/backup/");
    for (int run = 0; run < 2; ++run) {
        QVERIFY(f->RunOne(s));
        QCOMPARE(s.Errors, 1);
        QCOMPARE(f->Result(), 3);
        const QStringList errors = f->host.BodyRows().filter(QStringLiteral(u"エラー"));
        QCOMPARE(errors.size(), 1);
        QVERIFY2(errors.first().contains(QStringLiteral(u"名前の重複")), qPrintable(errors.first()));
        const QStringList names = QDir(s.Backup).entryList(QDir::Files);
        QCOMPARE(names.size(), 1);
        // Whichever came first stays, unchanged by the other.
        QCOMPARE(ReadFile(s.Backup + names.first()), ReadFile(f->MasterPath(names.first())));
    }
}

void TestBackupTrust::trashFoldersAreNeverEntered()
{
    QTemporaryDir data;
    qputenv("XDG_DATA_HOME", QFile::encodeName(f->backup + "home-data"));
    QVERIFY(WriteFile(f->BackupPath(".Trash-1000/files/old.txt"), "trashed", T0));
    QVERIFY(WriteFile(f->BackupPath(".Trash/files/x"), "trashed", T0));
    QVERIFY(WriteFile(f->BackupPath("home-data/Trash/files/y"), "trashed", T0));
    QVERIFY(WriteFile(f->BackupPath("gone.txt"), "delete me", T0));
    QVERIFY(WriteFile(f->MasterPath(".Trash-0/files/master.txt"), "master's trash", T0));
    QVERIFY(WriteFile(f->MasterPath("home-data/kept.txt"), "k", T0));
    DriveRootFileSystem disk({f->master, f->backup});
    CFolderSetting s = f->Setting();
    s.DeleteRecycleBin = true;
    const bool done = f->RunOne(s, false, &disk);
    qunsetenv("XDG_DATA_HOME");
    QVERIFY(done);
    QCOMPARE(f->host.BodyRows(), QStringList({QStringLiteral(u"作成 home-data/kept.txt"),
                                              QStringLiteral(u"削除 gone.txt")}));
    QCOMPARE(ReadFile(f->BackupPath(".Trash-1000/files/old.txt")), QByteArray("trashed"));
    QCOMPARE(ReadFile(f->BackupPath(".Trash/files/x")), QByteArray("trashed"));
    QVERIFY(QFileInfo::exists(f->BackupPath("home-data/Trash/files/gone.txt")));
    QVERIFY(!QFileInfo::exists(f->BackupPath(".Trash-0")));
}

void TestBackupTrust::copyTemporariesAreHousekeeping_data()
{
    QTest::addColumn<bool>("test");
    QTest::addColumn<QDateTime>("written");
    QTest::addColumn<bool>("remains");
    QTest::newRow("left by an earlier run") << false << T0 << false;
    QTest::newRow("a copy going on now") << false << QDateTime::currentDateTime().addSecs(3600) << true;
    QTest::newRow("a test run changes nothing") << true << T0 << true;
}

void TestBackupTrust::copyTemporariesAreHousekeeping()
{
    QFETCH(bool, test);
    QFETCH(QDateTime, written);
    QFETCH(bool, remains);
    const QString leftover = QStringLiteral(".big.iso.orvane-tmp-Ab3dE6gH");
    QVERIFY(WriteFile(f->BackupPath("sub/" + leftover), "half", written));
    QVERIFY(WriteFile(f->MasterPath("sub/keep.txt"), "k", T0));
    QVERIFY(WriteFile(f->MasterPath(".x.orvane-tmp-00000000"), "a master's leftover", T0));
    CFolderSetting s = f->Setting();
    QVERIFY(f->RunOne(s, test));
    QCOMPARE(QFileInfo::exists(f->BackupPath("sub/" + leftover)), remains);
    QVERIFY(!QFileInfo::exists(f->BackupPath(".x.orvane-tmp-00000000")));
    // Never a row of its own: not copied, not deleted as user data.
    QCOMPARE(f->host.BodyRows(), QStringList{QStringLiteral(u"作成 sub/keep.txt")});
    QCOMPARE(s.Errors, 0);
}

void TestBackupTrust::emptyMasterDeletesNothing_data()
{
    QTest::addColumn<bool>("test");
    QTest::addColumn<BackupOrder>("order");
    QTest::newRow("real run") << false << BackupOrder::BackupFirst;
    QTest::newRow("mirroring first") << false << BackupOrder::MirroringFirst;
    QTest::newRow("test run reports the same") << true << BackupOrder::BackupFirst;
}

void TestBackupTrust::emptyMasterDeletesNothing()
{
    QFETCH(bool, test);
    QFETCH(BackupOrder, order);
    QVERIFY(WriteFile(f->BackupPath("photos/2023/a.jpg"), "a", T0));
    QVERIFY(WriteFile(f->BackupPath("b.txt"), "b", T0));
    const QStringList before = TreeListing(f->backup);
    CFolderSetting s = f->Setting();
    s.BackupType = order;
    QVERIFY(!f->RunOne(s, test));
    QCOMPARE(f->Result(), 4);
    QCOMPARE(TreeListing(f->backup), before);
    QCOMPARE(f->host.BodyRows().size(), 1);
    QVERIFY(f->host.BodyRows().first().contains(QStringLiteral(u"マスター側のフォルダが空です")));
    QVERIFY(f->host.questions.first().text.contains(f->master));
}

void TestBackupTrust::deletionLimit_data()
{
    QTest::addColumn<int>("limit");
    QTest::addColumn<int>("gone");       // of 20 backup files, the master lacks these
    QTest::addColumn<bool>("refused");
    QTest::newRow("off") << 0 << 15 << false;
    QTest::newRow("over the limit") << 50 << 15 << true;
    QTest::newRow("at the limit") << 50 << 10 << false;
    QTest::newRow("fewer than the minimum") << 10 << 9 << false;
    QTest::newRow("minimum reached") << 10 << 10 << true;
}

void TestBackupTrust::deletionLimit()
{
    QFETCH(int, limit);
    QFETCH(int, gone);
    QFETCH(bool, refused);
    for (int i = 0; i < 20; ++i) {
        const QString name = QString("d%1/f%2.txt").arg(i % 3).arg(i);
        QVERIFY(WriteFile(f->BackupPath(name), "x", T0));
        if (i >= gone)
            QVERIFY(WriteFile(f->MasterPath(name), "x", T0));
    }
    CFolderSetting s = f->Setting();
    s.DeleteLimit = limit;
    for (bool test : {true, false}) {
        const QStringList before = TreeListing(f->backup);
        QCOMPARE(f->RunOne(s, test), !refused);
        const int deleted = int(f->host.BodyRows().filter(QRegularExpression(QStringLiteral(u"^削除 "))).size());
        QCOMPARE(deleted, refused ? 0 : gone);
        if (refused) {
            QCOMPARE(f->Result(), 4);
            QCOMPARE(TreeListing(f->backup), before);
            QVERIFY(f->host.questions.first().text.contains(QStringLiteral(u"20 個のファイルのうち %1 個").arg(gone)));
        }
    }
}

void TestBackupTrust::changingSourceIsRetriedThenReported_data()
{
    QTest::addColumn<int>("changes");
    QTest::addColumn<int>("errors");
    QTest::newRow("settles at the third attempt") << 2 << 0;
    QTest::newRow("never settles") << 99 << 1;
}

void TestBackupTrust::changingSourceIsRetriedThenReported()
{
    QFETCH(int, changes);
    QFETCH(int, errors);
    QVERIFY(WriteFile(f->MasterPath("live.db"), "data", T0));
    FaultInjectingFileSystem disk(f->posix);
    disk.FailOn(Op::CopyFile, f->MasterPath("live.db"), FsError::SourceChangedCode, changes);
    CFolderSetting s = f->Setting();
    QVERIFY(f->RunOne(s, false, &disk));
    QCOMPARE(s.Errors, errors);
    QCOMPARE(QFileInfo::exists(f->BackupPath("live.db")), errors == 0);
    if (errors > 0) {
        QCOMPARE(f->Result(), 3);
        QCOMPARE(f->host.questions.size(), 1);
        QVERIFY(f->host.questions.first().text.contains(QStringLiteral(u"コピー中にマスター側のファイルが変更されました")));
        QCOMPARE(disk.CallsOf(Op::CopyFile).size(), 4);
    }
}

void TestBackupTrust::createdFoldersTakeTheMasterRights()
{
    QVERIFY(WriteFile(f->MasterPath("private/p.txt"), "p", T0));
    QVERIFY(WriteFile(f->MasterPath("shared/s.txt"), "s", T0));
    QVERIFY(WriteFile(f->MasterPath("readonly/r.txt"), "r", T0));
    QCOMPARE(::chmod(QFile::encodeName(f->MasterPath("private")).constData(), 0700), 0);
    QCOMPARE(::chmod(QFile::encodeName(f->MasterPath("shared")).constData(), 0775), 0);
    QCOMPARE(::chmod(QFile::encodeName(f->MasterPath("readonly")).constData(), 0555), 0);
    CFolderSetting s = f->Setting();
    QVERIFY(f->RunOne(s));
    QCOMPARE(s.Errors, 0);
    QCOMPARE(Mode(f->BackupPath("private")), 0700);
    QCOMPARE(Mode(f->BackupPath("shared")), 0775);
    QCOMPARE(Mode(f->BackupPath("readonly")), 0555);
    QCOMPARE(ReadFile(f->BackupPath("readonly/r.txt")), QByteArray("r"));
    ::chmod(QFile::encodeName(f->BackupPath("readonly")).constData(), 0755);
    ::chmod(QFile::encodeName(f->MasterPath("readonly")).constData(), 0755);
}

void TestBackupTrust::completedSettingIsSynced()
{
    QVERIFY(WriteFile(f->MasterPath("a.txt"), "a", T0));
    FaultInjectingFileSystem disk(f->posix);
    CFolderSetting s = f->Setting();
    QVERIFY(f->RunOne(s, true, &disk));
    QVERIFY(disk.CallsOf(Op::SyncFileSystem).isEmpty());   // a test run writes nothing

    disk.FailOn(Op::SyncFileSystem, f->backup, EIO, 1);
    QVERIFY(f->RunOne(s, false, &disk));
    QCOMPARE(disk.CallsOf(Op::SyncFileSystem), QStringList{f->backup});
    QCOMPARE(s.Errors, 1);
    QCOMPARE(f->Result(), 3);
    QVERIFY(s.LastExec > 0);

    disk.ClearCalls();
    QVERIFY(f->RunOne(s, false, &disk));   // nothing changed: nothing to sync
    QVERIFY(disk.CallsOf(Op::SyncFileSystem).isEmpty());
}

QTEST_GUILESS_MAIN(TestBackupTrust)
#include "tst_backuptrust.moc"
