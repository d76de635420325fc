#include "platform/ProgramFiles.h"

#include "TestSupport.h"

#include <QDir>
#include <QTemporaryDir>
#include <QtTest>

#include <cerrno>

class TestProgramFiles : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void installedDataFolder_data();
    void installedDataFolder();
    void manualPath_data();
    void manualPath();
    void folderCreationError_data();
    void folderCreationError();
};

void TestProgramFiles::installedDataFolder_data()
{
    QTest::addColumn<QString>("programFolder");
    QTest::addColumn<QString>("dataFolder");
    QTest::newRow("the package") << "/usr/bin/" << "/usr/share/orvane/";
    QTest::newRow("a prefix of one's own") << "/home/u/.local/bin/" << "/home/u/.local/share/orvane/";
    QTest::newRow("without the final separator") << "/opt/orvane/bin" << "/opt/orvane/share/orvane/";
}

void TestProgramFiles::installedDataFolder()
{
    QFETCH(QString, programFolder);
    QTEST(InstalledDataFolder(programFolder), "dataFolder");
}

void TestProgramFiles::manualPath_data()
{
    QTest::addColumn<bool>("beside");
    QTest::addColumn<bool>("installed");
    QTest::addColumn<QString>("found");   // relative to the temporary prefix
    QTest::newRow("a portable copy") << true << false << "bin/Orvane.txt";
    QTest::newRow("an installed program") << false << true << "share/orvane/Orvane.txt";
    QTest::newRow("both: the copy beside the program wins") << true << true << "bin/Orvane.txt";
    QTest::newRow("none: beside the program, for the desktop to report") << false << false << "bin/Orvane.txt";
}

void TestProgramFiles::manualPath()
{
    QFETCH(bool, beside);
    QFETCH(bool, installed);
    QFETCH(QString, found);
    QTemporaryDir prefix;
    QVERIFY(QDir().mkpath(prefix.filePath("bin")));
    if (beside)
        QVERIFY(testsupport::WriteFile(prefix.filePath("bin/Orvane.txt"), "beside"));
    if (installed)
        QVERIFY(testsupport::WriteFile(prefix.filePath("share/orvane/Orvane.txt"), "installed"));
    // A folder of that name is no manual.
    if (!beside)
        QVERIFY(QDir().mkpath(prefix.filePath("bin/Orvane.txt")));
    QCOMPARE(ManualPath(prefix.filePath("bin") + "/"), prefix.filePath(found));
    QCOMPARE(ManualPath(prefix.filePath("bin")), prefix.filePath(found));
}

void TestProgramFiles::folderCreationError_data()
{
    QTest::addColumn<QString>("folder");   // below a temporary folder
    QTest::addColumn<int>("error");
    QTest::newRow("a folder") << "folder" << 0;
    QTest::newRow("with the final separator") << "folder/" << 0;
    QTest::newRow("a missing folder") << "missing" << ENOENT;
    QTest::newRow("a file") << "file" << ENOTDIR;
}

void TestProgramFiles::folderCreationError()
{
    QFETCH(QString, folder);
    QTemporaryDir dir;
    QVERIFY(QDir().mkpath(dir.filePath("folder")));
    QVERIFY(testsupport::WriteFile(dir.filePath("file"), "a file"));
    const QStringList before = testsupport::TreeListing(dir.path());
    QTEST(FolderCreationError(dir.filePath(folder)), "error");
    // Trying leaves nothing behind.
    QCOMPARE(testsupport::TreeListing(dir.path()), before);
}

QTEST_APPLESS_MAIN(TestProgramFiles)
#include "tst_programfiles.moc"
