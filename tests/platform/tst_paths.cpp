#include "platform/Paths.h"

#include <QDir>
#include <QTemporaryDir>
#include <QtTest>

class TestPaths : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void parentOfPath_data();
    void parentOfPath();
    void lastNameOfPath_data();
    void lastNameOfPath();
    void splitPath_data();
    void splitPath();
    void makeFolderRoot_data();
    void makeFolderRoot();
    void makeFolderRootTakesRelativeInputAgainstCurrentDirectory();
    void makeFolderRootRefusesOverlongResults();
    void expandEnvironment_data();
    void expandEnvironment();
    void separatorAndModulePath();
};

void TestPaths::parentOfPath_data()
{
    QTest::addColumn<QString>("path");
    QTest::addColumn<QString>("parent");
    QTest::newRow("file") << "/dir/file.txt" << "/dir";
    QTest::newRow("folder with separator") << "/dir/" << "/dir";
    QTest::newRow("file in root") << "/file" << "";
    QTest::newRow("root") << "/" << "";
    QTest::newRow("bare name") << "file" << "file";
    QTest::newRow("empty") << "" << "";
    QTest::newRow("relative") << "sub/file.txt" << "sub";
}

void TestPaths::parentOfPath()
{
    QFETCH(QString, path);
    QTEST(ParentOfPath(path), "parent");
}

void TestPaths::lastNameOfPath_data()
{
    QTest::addColumn<QString>("path");
    QTest::addColumn<QString>("name");
    QTest::newRow("folder with separator") << "/dir/sub/" << "sub";
    QTest::newRow("folder without separator") << "/dir/sub" << "sub";
    QTest::newRow("root") << "/" << "";
    QTest::newRow("empty") << "" << "";
    QTest::newRow("date folder") << "/backup/20240131/" << "20240131";
    QTest::newRow("only one separator removed") << "/dir//" << "";
}

void TestPaths::lastNameOfPath()
{
    QFETCH(QString, path);
    QTEST(LastNameOfPath(path), "name");
}

void TestPaths::splitPath_data()
{
    QTest::addColumn<QString>("path");
    QTest::addColumn<QString>("folder");
    QTest::addColumn<QString>("name");
    QTest::addColumn<QString>("extension");
    QTest::newRow("two extensions") << "/dir/archive.tar.gz" << "/dir/" << "archive.tar" << ".gz";
    QTest::newRow("folder only") << "/dir/" << "/dir/" << "" << "";
    QTest::newRow("dot file is all extension") << ".profile" << "" << "" << ".profile";
    QTest::newRow("dot in folder only") << "/a.b/c" << "/a.b/" << "c" << "";
    QTest::newRow("backslash is a name character") << "/a\\b.txt" << "/" << "a\\b" << ".txt";
    QTest::newRow("no length limit") << "/" + QString(300, u'x') + "/f.txt" << "/" + QString(300, u'x') + "/" << "f" << ".txt";
}

void TestPaths::splitPath()
{
    QFETCH(QString, path);
    const PathParts parts = SplitPath(path);
    QVERIFY(parts.drive.isEmpty());
    QTEST(parts.folder, "folder");
    QTEST(parts.name, "name");
    QTEST(parts.extension, "extension");
    QCOMPARE(NameOfPath(path), parts.name + parts.extension);
}

void TestPaths::makeFolderRoot_data()
{
    QTest::addColumn<QString>("path");
    QTest::addColumn<QString>("root");
    QTest::newRow("without separator") << "/backup" << "/backup/";
    QTest::newRow("with separator") << "/backup/" << "/backup/";
    QTest::newRow("root") << "/" << "/";
    QTest::newRow("dot parts") << "/a/./b/../c" << "/a/c/";
    QTest::newRow("above the root") << "/../../x" << "/x/";
    QTest::newRow("doubled separators") << "//a///b" << "/a/b/";
    QTest::newRow("name with dots is kept") << "/a/..b/.c" << "/a/..b/.c/";
}

void TestPaths::makeFolderRoot()
{
    QFETCH(QString, path);
    const std::optional<QString> root = MakeFolderRoot(path);
    QVERIFY(root.has_value());
    QTEST(*root, "root");
}

void TestPaths::makeFolderRootTakesRelativeInputAgainstCurrentDirectory()
{
    QTemporaryDir dir;
    QVERIFY(dir.isValid());
    const QString previous = QDir::currentPath();
    QVERIFY(QDir::setCurrent(dir.path()));
    const std::optional<QString> root = MakeFolderRoot(QStringLiteral("sub/../data"));
    const std::optional<QString> dot = MakeFolderRoot(QStringLiteral("."));
    QDir::setCurrent(previous);
    QCOMPARE(root.value_or(QString()), QDir::cleanPath(dir.path()) + "/data/");
    QCOMPARE(dot.value_or(QString()), QDir::cleanPath(dir.path()) + "/");
    QVERIFY(!MakeFolderRoot(QString()).has_value());
}

void TestPaths::makeFolderRootRefusesOverlongResults()
{
    QVERIFY(MakeFolderRoot("/" + QString(32765, u'a')).has_value());   // 32767 with both separators
    QVERIFY(!MakeFolderRoot("/" + QString(32766, u'a')).has_value());
    QVERIFY(!MakeFolderRoot(QStringLiteral("/a") + QChar(u'\0') + QStringLiteral("b")).has_value());
}

void TestPaths::expandEnvironment_data()
{
    qputenv("ORVANE_TEST_VAR", "/var/value");
    qputenv("ORVANE_EMPTY", "");
    QTest::addColumn<QString>("text");
    QTest::addColumn<QString>("expanded");
    QTest::newRow("unset variable unchanged") << "%NO_SUCH_VARIABLE%/x" << "%NO_SUCH_VARIABLE%/x";
    QTest::newRow("home") << "%HOME%/backup" << qEnvironmentVariable("HOME") + "/backup";
    QTest::newRow("empty text") << "" << "";
    QTest::newRow("set variable") << "a%ORVANE_TEST_VAR%b" << "a/var/valueb";
    QTest::newRow("set to empty") << "x%ORVANE_EMPTY%y" << "xy";
    QTest::newRow("lone percent") << "50% off" << "50% off";
    QTest::newRow("double percent") << "%%" << "%%";
    QTest::newRow("unset then set shares the percent") << "%NOPE%ORVANE_TEST_VAR%" << "%NOPE/var/value";
    QTest::newRow("two variables") << "%ORVANE_TEST_VAR%%ORVANE_TEST_VAR%" << "/var/value/var/value";
}

void TestPaths::expandEnvironment()
{
    QFETCH(QString, text);
    QTEST(ExpandEnvironment(text), "expanded");
}

void TestPaths::separatorAndModulePath()
{
    QVERIFY(EndsWithSeparator(QStringLiteral("/")));
    QVERIFY(!EndsWithSeparator(QString()));
    const ModulePath module = ModulePathParts();
    QVERIFY(module.fullPath.startsWith(u'/'));
    QCOMPARE(module.folder + module.name + module.extension, module.fullPath);
}

QTEST_APPLESS_MAIN(TestPaths)
#include "tst_paths.moc"
