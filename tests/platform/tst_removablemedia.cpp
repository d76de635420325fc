#include "TestSupport.h"
#include "platform/PosixFileSystem.h"

#include <QDir>
#include <QProcess>
#include <QRandomGenerator>
#include <QTemporaryDir>
#include <QtTest>

#include <optional>

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
    void cleanupTestCase();
    void copyKeepsData_data();
    void copyKeepsData();

private:
    void Mount(const QString &name, const QString &mkfs, const QStringList &mounts);

    QTemporaryDir m_images;
    QMap<QString, QString> m_mounted;       // medium -> mount point
    QMap<QString, QString> m_notMounted;    // medium -> why not
    QStringList m_loopDevices;
};

namespace {

// Runs a program: its output, or nothing and the reason in *error.
std::optional<QString> Run(const QString &program, const QStringList &arguments, QString *error)
{
    QProcess process;
    process.start(program, arguments);
    if (!process.waitForFinished(60000) || process.exitStatus() != QProcess::NormalExit || process.exitCode() != 0) {
        *error = program + QStringLiteral(": ") + (process.error() == QProcess::FailedToStart ? QStringLiteral("not installed")
                                                   : QString::fromLocal8Bit(process.readAllStandardError()).trimmed());
        return std::nullopt;
    }
    return QString::fromLocal8Bit(process.readAllStandardOutput()).trimmed();
}

} // namespace

// Each way to mount is a command with {image}, {device} and {dir} filled in; {device} is the
// image on a loop device. The first way that works counts.
void TestRemovableMedia::Mount(const QString &name, const QString &mkfs, const QStringList &mounts)
{
    const QString image = m_images.filePath(name + QStringLiteral(".img"));
    const QString dir = m_images.filePath(name);
    QFile file(image);
    QString error;
    if (!file.open(QIODevice::WriteOnly) || !file.resize(64 << 20) || !QDir().mkpath(dir)) {
        m_notMounted[name] = QStringLiteral("no room for an image");
        return;
    }
    file.close();
    if (!Run(mkfs, {image}, &error)) {
        m_notMounted[name] = error;
        return;
    }
    const QString device = Run(QStringLiteral("losetup"), {QStringLiteral("-f"), QStringLiteral("--show"), image}, &error).value_or(QString());
    if (!device.isEmpty())
        m_loopDevices << device;
    QStringList reasons;
    if (device.isEmpty())
        reasons << error;
    for (const QString &way : mounts) {
        if (way.contains(QStringLiteral("{device}")) && device.isEmpty())
            continue;
        QStringList words = QString(way).replace(QStringLiteral("{image}"), image).replace(QStringLiteral("{device}"), device)
                                .replace(QStringLiteral("{dir}"), dir).split(u' ');
        const QString program = words.takeFirst();
        if (Run(program, words, &error)) {
            m_mounted[name] = dir;
            return;
        }
        reasons << error;
    }
    m_notMounted[name] = reasons.join(QStringLiteral("; "));
}

void TestRemovableMedia::initTestCase()
{
    QVERIFY(m_images.isValid());
    if (::geteuid() != 0) {
        m_notMounted[QStringLiteral("FAT")] = m_notMounted[QStringLiteral("exFAT")] = QStringLiteral("mounting needs root");
        return;
    }
    Mount(QStringLiteral("FAT"), QStringLiteral("mkfs.vfat"),
          {QStringLiteral("mount -t vfat {device} {dir}"), QStringLiteral("fusefat -o rw+ {image} {dir}")});
    Mount(QStringLiteral("exFAT"), QStringLiteral("mkfs.exfat"),
          {QStringLiteral("mount -t exfat {device} {dir}"), QStringLiteral("mount.exfat-fuse {device} {dir}")});
}

void TestRemovableMedia::cleanupTestCase()
{
    QString error;
    for (const QString &dir : std::as_const(m_mounted))
        Run(QStringLiteral("umount"), {dir}, &error);
    for (const QString &device : std::as_const(m_loopDevices))
        Run(QStringLiteral("losetup"), {QStringLiteral("-d"), device}, &error);
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
    if (!m_mounted.contains(medium))
        QSKIP(qPrintable(medium + QStringLiteral(" cannot be mounted here: ") + m_notMounted.value(medium)));
    QTemporaryDir master;
    static int rows = 0;
    const QString folder = m_mounted[medium] + QStringLiteral("/row") + QString::number(++rows);
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
