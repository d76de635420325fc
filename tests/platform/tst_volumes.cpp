#include "platform/Volumes.h"

#include <QtTest>

class TestVolumes : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void parseMountInfo();
    void mountOfPath_data();
    void mountOfPath();
    void rootsOfThisMachine();
};

namespace {

const QByteArray SampleMountInfo =
    "22 1 254:0 / / rw,relatime shared:1 - ext4 /dev/vda rw\n"
    "30 22 8:17 / /media/usb rw,nosuid master:7 - vfat /dev/sdb1 rw,fmask=0022\n"
    "31 22 8:33 / /media/usb\\040stick rw - exfat /dev/sdc1 rw\n"
    "garbage line without fields\n"
    "32 30 0:45 / /media/usb/inner rw shared:9 shared:10 - tmpfs tmpfs rw\n"
    "33 22 0:46 / /media/usb rw - ntfs3 /dev/sdd1 rw\n";

} // namespace

void TestVolumes::parseMountInfo()
{
    const QList<MountInfo> mounts = ParseMountInfo(SampleMountInfo);
    QCOMPARE(mounts.size(), 5);
    QCOMPARE(mounts[1].mountPoint, QStringLiteral("/media/usb"));
    QCOMPARE(mounts[1].fileSystem, QStringLiteral("vfat"));
    QCOMPARE(mounts[1].source, QStringLiteral("/dev/sdb1"));
    QCOMPARE(mounts[1].major, 8u);
    QCOMPARE(mounts[1].minor, 17u);
    QCOMPARE(mounts[2].mountPoint, QStringLiteral("/media/usb stick"));
    QCOMPARE(mounts[3].fileSystem, QStringLiteral("tmpfs"));
}

void TestVolumes::mountOfPath_data()
{
    QTest::addColumn<QString>("path");
    QTest::addColumn<QString>("source");
    QTest::newRow("root") << "/home/user" << "/dev/vda";
    QTest::newRow("mount point itself, last listed wins") << "/media/usb" << "/dev/sdd1";
    QTest::newRow("inside a mount") << "/media/usb/backup/x" << "/dev/sdd1";
    QTest::newRow("prefix that is no folder boundary") << "/media/usb2/x" << "/dev/vda";
    QTest::newRow("escaped blank") << "/media/usb stick/a" << "/dev/sdc1";
    QTest::newRow("nested mount") << "/media/usb/inner/f" << "tmpfs";
    QTest::newRow("relative path has none") << "media/usb" << "";
}

void TestVolumes::mountOfPath()
{
    QFETCH(QString, path);
    const std::optional<MountInfo> mount = MountOfPath(path, ParseMountInfo(SampleMountInfo));
    QTEST(mount ? mount->source : QString(), "source");
}

void TestVolumes::rootsOfThisMachine()
{
    QCOMPARE(VolumeRootOf(QStringLiteral("/")), QStringLiteral("/"));
    QVERIFY(VolumeRootOf(QStringLiteral("/proc/self")).startsWith(QStringLiteral("/proc")));
    QCOMPARE(VolumeRootOf(QStringLiteral("relative")), QStringLiteral("relative"));
    QVERIFY(IsExchangeableDrive(QStringLiteral("/no/such/mount/point/")));
    QVERIFY(!IsExchangeableDrive(QStringLiteral("/proc/")));
    QCOMPARE(VolumeLabelOf(QStringLiteral("/no/such/mount/point/")), QString());
}

QTEST_APPLESS_MAIN(TestVolumes)
#include "tst_volumes.moc"
