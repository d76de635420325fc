#include "RemovableMedium.h"
#include "TestSupport.h"
#include "platform/PosixFileSystem.h"

#include <QDir>
#include <QRandomGenerator>
#include <QTemporaryDir>
#include <QtTest>

#include <memory>

#include <sys/stat.h>
#include <unistd.h>

using testsupport::ReadFile;
using testsupport::WriteFile;

// Copies onto the file systems of USB sticks, mounted from small images: FAT (the kernel's vfat,
// else fusefat) and exFAT (the kernel's, else through FUSE). They keep no owners, most keep no
// modes, none has unnamed temporary files, and fusefat cannot extend a file by truncation.
class TestRemovableMedia : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void initTestCase();
    void copyKeepsData_data();
    void copyKeepsData();

private:
    QMap<QString, std::shared_ptr<RemovableMedium>> m_media;
};

void TestRemovableMedia::initTestCase()
{
    m_media[QStringLiteral("FAT")] = std::make_shared<RemovableMedium>(RemovableMedium::Kind::Fat);
    m_media[QStringLiteral("exFAT")] = std::make_shared<RemovableMedium>(RemovableMedium::Kind::ExFat);
}

void TestRemovableMedia::copyKeepsData_data()
{
    QTest::addColumn<QString>("medium");
    QTest::addColumn<QString>("kind");        // "file" or "folder"
    QTest::addColumn<int>("mode");
    QTest::addColumn<int>("size");
    QTest::addColumn<qint64>("sparseSize");   // 0: no hole after the data
    QTest::addColumn<bool>("targetExists");

    for (const char *medium : {"FAT", "exFAT"}) {
        QTest::addRow("%s: file", medium) << medium << "file" << 0644 << 300000 << qint64(0) << false;
        QTest::addRow("%s: empty file", medium) << medium << "file" << 0644 << 0 << qint64(0) << false;
        QTest::addRow("%s: read-only file over an old one", medium) << medium << "file" << 0444 << 5 << qint64(0) << true;
        QTest::addRow("%s: setuid program", medium) << medium << "file" << 04755 << 1000 << qint64(0) << false;
        QTest::addRow("%s: sparse file", medium) << medium << "file" << 0600 << 300000 << qint64(8 << 20) << false;
        QTest::addRow("%s: private folder", medium) << medium << "folder" << 0700 << 0 << qint64(0) << false;
        QTest::addRow("%s: setgid folder", medium) << medium << "folder" << 02775 << 0 << qint64(0) << false;
    }
}

// The data arrives whole, whatever owner and mode the medium drops, and no temporary stays behind.
void TestRemovableMedia::copyKeepsData()
{
    QFETCH(QString, medium);
    QFETCH(QString, kind);
    QFETCH(int, mode);
    QFETCH(int, size);
    QFETCH(qint64, sparseSize);
    QFETCH(bool, targetExists);
    const RemovableMedium &mounted = *m_media[medium];
    if (!mounted.IsMounted())
        QSKIP(qPrintable(mounted.Reason()));
    QTemporaryDir master;
    static int rows = 0;
    const QString folder = mounted.MountPoint() + QStringLiteral("/row") + QString::number(++rows);
    const QString source = master.filePath(QStringLiteral("item"));
    const QString target = folder + QStringLiteral("/item");
    QVERIFY(QDir().mkpath(folder));
    QByteArray data(size, 'x');
    QRandomGenerator(quint32(size)).fillRange(reinterpret_cast<quint32 *>(data.data()), size / 4);
    QVERIFY(kind == u"folder" ? QDir().mkpath(source) : WriteFile(source, data));
    QVERIFY(sparseSize == 0 || QFile::resize(source, sparseSize));
    QCOMPARE(::chmod(QFile::encodeName(source).constData(), mode_t(mode)), 0);
    QCOMPARE(::chown(QFile::encodeName(source).constData(), 4321, 4321), 0);
    if (targetExists)
        QVERIFY(WriteFile(target, "old data, longer than the new"));

    PosixFileSystem fs;
    FsError error;
    const bool copied = kind == u"folder" ? fs.CreateFolder(target, &error) && fs.CopyFolderAttributes(source, target, &error)
                                          : fs.CopyFile(source, target, &error);
    QVERIFY2(copied, qPrintable(QString::number(error.code)));
    QCOMPARE(error.kind, FsErrorKind::None);
    QCOMPARE(QDir(folder).entryList(QDir::AllEntries | QDir::Hidden | QDir::NoDotAndDotDot), QStringList{QStringLiteral("item")});
    if (kind == u"file") {
        QCOMPARE(QFileInfo(target).size(), sparseSize > 0 ? sparseSize : qint64(size));
        QVERIFY(ReadFile(target) == ReadFile(source));
    } else {
        QVERIFY(WriteFile(target + QStringLiteral("/inside.txt"), "inside"));
    }
}

QTEST_APPLESS_MAIN(TestRemovableMedia)
#include "tst_removablemedia.moc"
