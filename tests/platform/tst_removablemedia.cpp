#include "TestSupport.h"
#include "platform/PosixFileSystem.h"

#include <QDir>
#include <QProcess>
#include <QRandomGenerator>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QtTest>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

using testsupport::ReadFile;
using testsupport::WriteFile;

// Copies onto the file systems of USB sticks and memory cards, mounted from small images: FAT
// (the kernel's vfat, else fusefat) and exFAT through FUSE. They keep no owners, most keep no
// modes, none has unnamed temporary files, and fusefat cannot extend a file by truncation.
class TestRemovableMedia : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void initTestCase();
    void cleanupTestCase();
    void init();
    void copyKeepsData_data();
    void copyKeepsData();
    void folderAttributes_data();
    void folderAttributes();

private:
    struct Medium {
        QString mountPoint;     // empty when it could not be mounted
        QString reason;         // why not
        QString loopDevice;
    };

    void Mount(const QString &name, const QString &mkfs, const QStringList &mounts);
    // The folder for one test on the medium, or a skip with the reason it is missing.
    QString Folder(const QString &medium);

    QTemporaryDir m_images;
    std::unique_ptr<QTemporaryDir> m_master;
    QMap<QString, Medium> m_media;
};

namespace {

QByteArray RandomBytes(int size, quint32 seed)
{
    QByteArray data(size, Qt::Uninitialized);
    QRandomGenerator random(seed);
    for (char &c : data)
        c = char(random.bounded(256));
    return data;
}

// Runs a program, returns its output, and tells in *error what went wrong.
QString Run(const QString &program, const QStringList &arguments, QString *error)
{
    const QString found = QStandardPaths::findExecutable(program, {QStringLiteral("/usr/sbin"), QStringLiteral("/sbin"),
                                                                   QStringLiteral("/usr/bin"), QStringLiteral("/bin")});
    if (found.isEmpty()) {
        *error = program + QStringLiteral(" is not installed");
        return {};
    }
    QProcess process;
    process.start(found, arguments);
    if (!process.waitForFinished(60000) || process.exitStatus() != QProcess::NormalExit || process.exitCode() != 0) {
        *error = program + QStringLiteral(" failed: ") + QString::fromLocal8Bit(process.readAllStandardError()).trimmed();
        return {};
    }
    error->clear();
    return QString::fromLocal8Bit(process.readAllStandardOutput()).trimmed();
}

QStringList Entries(const QString &folder)
{
    QStringList names = QDir(folder).entryList(QDir::AllEntries | QDir::Hidden | QDir::System | QDir::NoDotAndDotDot);
    names.sort();
    return names;
}

} // namespace

// Each mount line: the program and its arguments, with {image}, {device} and {dir} filled in;
// a {device} line first attaches the image to a loop device. The first line that works counts.
void TestRemovableMedia::Mount(const QString &name, const QString &mkfs, const QStringList &mounts)
{
    Medium &medium = m_media[name];
    const QString image = m_images.filePath(name + QStringLiteral(".img"));
    const QString dir = m_images.filePath(name);
    QFile file(image);
    if (!file.open(QIODevice::WriteOnly) || !file.resize(64 << 20) || !QDir().mkpath(dir)) {
        medium.reason = QStringLiteral("no room for the image");
        return;
    }
    file.close();
    QString error;
    Run(mkfs, {image}, &error);
    if (!error.isEmpty()) {
        medium.reason = error;
        return;
    }
    QStringList reasons;
    for (const QString &line : mounts) {
        QStringList words = line.split(u' ');
        if (line.contains(QStringLiteral("{device}")) && medium.loopDevice.isEmpty()) {
            medium.loopDevice = Run(QStringLiteral("losetup"), {QStringLiteral("-f"), QStringLiteral("--show"), image}, &error);
            if (!error.isEmpty()) {
                reasons << error;
                continue;
            }
        }
        for (QString &word : words)
            word.replace(QStringLiteral("{image}"), image).replace(QStringLiteral("{device}"), medium.loopDevice).replace(QStringLiteral("{dir}"), dir);
        const QString program = words.takeFirst();
        Run(program, words, &error);
        if (error.isEmpty()) {
            medium.mountPoint = dir;
            return;
        }
        reasons << error;
    }
    medium.reason = reasons.join(QStringLiteral("; "));
}

void TestRemovableMedia::initTestCase()
{
    QVERIFY(m_images.isValid());
    if (::geteuid() != 0) {
        m_media[QStringLiteral("FAT")].reason = QStringLiteral("mounting an image needs root");
        m_media[QStringLiteral("exFAT")].reason = m_media[QStringLiteral("FAT")].reason;
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
    for (const Medium &medium : std::as_const(m_media)) {
        if (!medium.mountPoint.isEmpty())
            Run(QStringLiteral("umount"), {medium.mountPoint}, &error);
        if (!medium.loopDevice.isEmpty())
            Run(QStringLiteral("losetup"), {QStringLiteral("-d"), medium.loopDevice}, &error);
    }
}

void TestRemovableMedia::init()
{
    m_master = std::make_unique<QTemporaryDir>();
    QVERIFY(m_master->isValid());
}

QString TestRemovableMedia::Folder(const QString &medium)
{
    const Medium &found = m_media.value(medium);
    if (found.mountPoint.isEmpty())
        return {};
    const QString folder = found.mountPoint + u'/' + QString::fromLatin1(QTest::currentDataTag()).replace(u' ', u'_').replace(u',', u'_');
    return QDir().mkpath(folder) ? folder : QString();
}

void TestRemovableMedia::copyKeepsData_data()
{
    QTest::addColumn<QString>("medium");
    QTest::addColumn<bool>("unnamed");
    QTest::addColumn<int>("mode");
    QTest::addColumn<qint64>("sparseSize");    // 0: no hole after the data
    QTest::addColumn<bool>("targetExists");

    for (const char *medium : {"FAT", "exFAT"}) {
        QTest::addRow("%s, small file", medium) << medium << true << 0644 << qint64(0) << false;
        QTest::addRow("%s, empty file", medium) << medium << true << 0644 << qint64(0) << false;
        QTest::addRow("%s, over an old file", medium) << medium << true << 0644 << qint64(0) << true;
        QTest::addRow("%s, always a named temporary", medium) << medium << false << 0644 << qint64(0) << true;
        QTest::addRow("%s, setuid program", medium) << medium << true << 04755 << qint64(0) << false;
        QTest::addRow("%s, private file", medium) << medium << true << 0600 << qint64(0) << false;
        QTest::addRow("%s, read-only file", medium) << medium << true << 0444 << qint64(0) << true;
        QTest::addRow("%s, sparse file", medium) << medium << true << 0644 << qint64(8 << 20) << false;
    }
}

// The data arrives whole, whatever attributes the medium drops, and no temporary stays behind.
void TestRemovableMedia::copyKeepsData()
{
    QFETCH(QString, medium);
    QFETCH(bool, unnamed);
    QFETCH(int, mode);
    QFETCH(qint64, sparseSize);
    QFETCH(bool, targetExists);
    const QString folder = Folder(medium);
    if (folder.isEmpty())
        QSKIP(qPrintable(medium + QStringLiteral(" cannot be mounted here: ") + m_media.value(medium).reason));
    const QString source = m_master->filePath(QStringLiteral("data.bin"));
    const QString target = folder + QStringLiteral("/data.bin");
    const bool empty = QByteArray(QTest::currentDataTag()).contains("empty");
    const QByteArray data = empty ? QByteArray() : RandomBytes(300000, quint32(mode));
    QVERIFY(WriteFile(source, data));
    if (sparseSize > 0)
        QCOMPARE(::truncate(QFile::encodeName(source).constData(), off_t(sparseSize)), 0);
    QCOMPARE(::chmod(QFile::encodeName(source).constData(), mode_t(mode)), 0);
    if (targetExists)
        QVERIFY(WriteFile(target, RandomBytes(500000, 99)));

    FsError error;
    QVERIFY2(PosixFileSystem(unnamed).CopyFile(source, target, &error), qPrintable(QString::number(error.code)));
    QCOMPARE(error.kind, FsErrorKind::None);
    const QByteArray copied = ReadFile(target);
    QCOMPARE(copied.size(), sparseSize > 0 ? sparseSize : data.size());
    QVERIFY(copied == ReadFile(source));
    QCOMPARE(Entries(folder), QStringList{QStringLiteral("data.bin")});
}

void TestRemovableMedia::folderAttributes_data()
{
    QTest::addColumn<QString>("medium");
    QTest::addColumn<int>("mode");

    for (const char *medium : {"FAT", "exFAT"}) {
        QTest::addRow("%s, private folder", medium) << medium << 0700;
        QTest::addRow("%s, setgid folder", medium) << medium << 02775;
    }
}

// A medium without modes or owners takes the folder as it is; that is no failure.
void TestRemovableMedia::folderAttributes()
{
    QFETCH(QString, medium);
    QFETCH(int, mode);
    const QString folder = Folder(medium);
    if (folder.isEmpty())
        QSKIP(qPrintable(medium + QStringLiteral(" cannot be mounted here: ") + m_media.value(medium).reason));
    const QString source = m_master->filePath(QStringLiteral("folder"));
    const QString target = folder + QStringLiteral("/folder");
    QVERIFY(QDir().mkpath(source));
    QCOMPARE(::chmod(QFile::encodeName(source).constData(), mode_t(mode)), 0);
    QCOMPARE(::chown(QFile::encodeName(source).constData(), 4321, 8765), 0);

    PosixFileSystem fs;
    FsError error;
    QVERIFY(fs.CreateFolder(target, &error));
    QVERIFY2(fs.CopyFolderAttributes(source, target, &error), qPrintable(QString::number(error.code)));
    QCOMPARE(error.kind, FsErrorKind::None);
    QVERIFY(WriteFile(target + QStringLiteral("/inside.txt"), "inside"));
    QCOMPARE(ReadFile(target + QStringLiteral("/inside.txt")), QByteArray("inside"));
}

QTEST_APPLESS_MAIN(TestRemovableMedia)
#include "tst_removablemedia.moc"
