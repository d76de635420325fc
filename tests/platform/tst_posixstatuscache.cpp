#include "platform/PosixFileSystem.h"

#include "TestSupport.h"

#include <QDir>
#include <QTemporaryDir>
#include <QtTest>

using testsupport::WriteFile;

// Status reads go through open folder handles; every change through the file system must make
// later reads see the disk as it is now.
class TestPosixStatusCache : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void changesAreSeen_data();
    void changesAreSeen();
};

void TestPosixStatusCache::changesAreSeen_data()
{
    QTest::addColumn<QString>("change");
    QTest::newRow("folder removed and made again") << "recreate";
    QTest::newRow("parent renamed away") << "rename-parent";
    QTest::newRow("folder replaced by a renamed one") << "rename-over";
    QTest::newRow("folder trashed and made again") << "trash";
}

void TestPosixStatusCache::changesAreSeen()
{
    QFETCH(QString, change);
    QTemporaryDir dir;
    QTemporaryDir data;
    qputenv("XDG_DATA_HOME", data.path().toUtf8());
    const QString root = dir.path();
    QVERIFY(WriteFile(root + "/a/b/old.txt", "old"));
    QVERIFY(WriteFile(root + "/other/b/new.txt", "new"));
    PosixFileSystem disk;
    QVERIFY(disk.Status(root + "/a/b/old.txt", nullptr).has_value());

    FsError error;
    if (change == u"recreate") {
        QVERIFY(disk.DeleteFile(root + "/a/b/old.txt", &error));
        QVERIFY(disk.RemoveFolder(root + "/a/b", &error));
        QVERIFY(disk.CreateFolder(root + "/a/b", &error));
        QVERIFY(WriteFile(root + "/a/b/new.txt", "new"));
    } else if (change == u"rename-parent") {
        QVERIFY(disk.Move(root + "/a", root + "/gone", &error));
        QVERIFY(disk.CreateFolder(root + "/a", &error));
        QVERIFY(disk.Move(root + "/other/b", root + "/a/b", &error));
    } else if (change == u"rename-over") {
        QVERIFY(disk.DeleteFile(root + "/a/b/old.txt", &error));
        QVERIFY(disk.RemoveFolder(root + "/a/b", &error));
        QVERIFY(disk.Move(root + "/other/b", root + "/a/b", &error));
    } else {
        QVERIFY(disk.MoveToTrash(root + "/a/b", &error));
        QVERIFY(disk.CreateFolder(root + "/a/b", &error));
        QVERIFY(WriteFile(root + "/a/b/new.txt", "new"));
    }
    qunsetenv("XDG_DATA_HOME");
    QVERIFY(!disk.Status(root + "/a/b/old.txt", &error).has_value());
    QCOMPARE(error.kind, FsErrorKind::NotFound);
    QVERIFY(disk.Status(root + "/a/b/new.txt", nullptr).has_value());
}

QTEST_APPLESS_MAIN(TestPosixStatusCache)
#include "tst_posixstatuscache.moc"
