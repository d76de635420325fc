#include "model/FolderSetting.h"
#include "model/GlobalOptions.h"
#include "platform/Paths.h"
#include "platform/Text.h"
#include "ui/Launches.h"

#include "ConfigTestSupport.h"
#include "TestSupport.h"

#include <QCoreApplication>
#include <QTemporaryDir>
#include <QUrl>
#include <QtTest>

#include <cerrno>

using testsupport::ReadFile;
using testsupport::WriteFile;

namespace {

// A program that writes the arguments it received, each ended by a NUL, into one file; the
// file appears whole, by a rename, once the program has written it.
bool WriteRecorder(const QString &path, const QString &output)
{
    const QByteArray out = QFile::encodeName(output);
    const QByteArray script = "#!/bin/sh\n"
                              "for a in \"$@\"; do printf '%s\\0' \"$a\"; done > '" + out + ".tmp'\n"
                              "mv '" + out + ".tmp' '" + out + "'\n";
    return WriteFile(path, script)
           && QFile::setPermissions(path, QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner | QFile::ExeGroup
                                              | QFile::ExeOther | QFile::ReadGroup | QFile::ReadOther);
}

QStringList RecordedArguments(const QString &output)
{
    QByteArray bytes = ReadFile(output);
    QStringList arguments;
    while (!bytes.isEmpty()) {
        const qsizetype end = bytes.indexOf('\0');
        if (end < 0)
            break;
        arguments << QString::fromUtf8(bytes.left(end));
        bytes.remove(0, end + 1);
    }
    return arguments;
}

CFolderSetting Setting(const QString &master, const QString &backup)
{
    CFolderSetting setting;
    setting.Master = master;
    setting.Backup = backup;
    return setting;
}

} // namespace

class TestLaunches : public QObject {
    Q_OBJECT

private slots:
    void initTestCase();
    void cleanupTestCase();
    void compareToolGetsTheFolders_data();
    void compareToolGetsTheFolders();
    void compareToolThatCannotStart_data();
    void compareToolThatCannotStart();
    void menuText_data();
    void menuText();
    void logFileThatApplies_data();
    void logFileThatApplies();
    void opensWithTheDesktop();
    void manualLiesBesideTheProgram();

private:
    QTemporaryDir m_dir;
};

void TestLaunches::initTestCase()
{
    QVERIFY(m_dir.isValid());
    QVERIFY(WriteRecorder(m_dir.filePath("args.sh"), m_dir.filePath("args")));
    QVERIFY(WriteRecorder(m_dir.filePath("my tools/args.sh"), m_dir.filePath("args")));
    qputenv("ORVANE_TEST_ROOT", "/home/tester");
    qputenv("ORVANE_TEST_TOOLS", QFile::encodeName(m_dir.path()));
}

void TestLaunches::cleanupTestCase()
{
    qunsetenv("ORVANE_TEST_ROOT");
    qunsetenv("ORVANE_TEST_TOOLS");
}

void TestLaunches::compareToolGetsTheFolders_data()
{
    QTest::addColumn<QString>("tool");   // "$DIR" stands for the folder of the recording program
    QTest::addColumn<QString>("parameters");
    QTest::addColumn<QString>("master");
    QTest::addColumn<QString>("backup");
    QTest::addColumn<QString>("commandLine");
    QTest::addColumn<QStringList>("arguments");

    QTest::newRow("defaults") << "$DIR/args.sh" << "%m %b" << "/data/work" << "/backup/work"
                              << "$DIR/args.sh \"/data/work\" \"/backup/work\"" << QStringList{"/data/work", "/backup/work"};
    QTest::newRow("folders with blanks") << "$DIR/args.sh" << "%m %b" << "/data/my docs/" << "/media/usb stick/docs/"
                                         << "$DIR/args.sh \"/data/my docs/\" \"/media/usb stick/docs/\""
                                         << QStringList{"/data/my docs/", "/media/usb stick/docs/"};
    QTest::newRow("upper case %M stays") << "$DIR/args.sh" << "-L %M %m" << "/data" << "/backup"
                                         << "$DIR/args.sh -L %M \"/data\"" << QStringList{"-L", "%M", "/data"};
    QTest::newRow("master holding %b is replaced again")
        << "$DIR/args.sh" << "%m %b" << "/data/%b" << "/backup"
        << "$DIR/args.sh \"/data/\"/backup\"\" \"/backup\"" << QStringList{"/data//backup", "/backup"};
    QTest::newRow("no folders named") << "$DIR/args.sh" << "--new-tab" << "/data" << "/backup"
                                      << "$DIR/args.sh --new-tab" << QStringList{"--new-tab"};
    QTest::newRow("each folder twice, backup first") << "$DIR/args.sh" << "%b %m %b" << "/d" << "/b"
                                                     << "$DIR/args.sh \"/b\" \"/d\" \"/b\"" << QStringList{"/b", "/d", "/b"};
    QTest::newRow("no parameters") << "$DIR/args.sh" << "" << "/data" << "/backup" << "$DIR/args.sh " << QStringList{};
    QTest::newRow("expanded folders") << "$DIR/args.sh" << "%m %b" << "%ORVANE_TEST_ROOT%/Documents" << "%NOT_SET_ORVANE%/b"
                                      << "$DIR/args.sh \"/home/tester/Documents\" \"%NOT_SET_ORVANE%/b\""
                                      << QStringList{"/home/tester/Documents", "%NOT_SET_ORVANE%/b"};
    QTest::newRow("expanded tool") << "%ORVANE_TEST_TOOLS%/args.sh" << "%m" << "/data" << "/backup"
                                   << "$DIR/args.sh \"/data\"" << QStringList{"/data"};
    QTest::newRow("tool in a folder with a blank, quoted")
        << "\"$DIR/my tools/args.sh\"" << "%m %b" << "/data" << "/backup"
        << "\"$DIR/my tools/args.sh\" \"/data\" \"/backup\"" << QStringList{"/data", "/backup"};
}

void TestLaunches::compareToolGetsTheFolders()
{
    QFETCH(QString, tool);
    QFETCH(QString, parameters);
    QFETCH(QString, master);
    QFETCH(QString, backup);
    QFETCH(QString, commandLine);
    QFETCH(QStringList, arguments);

    GlobalOptions options;
    options.CompareToolPath = tool.replace(QStringLiteral("$DIR"), m_dir.path());
    options.CompareToolParam = parameters;
    const CFolderSetting setting = Setting(master, backup);
    QCOMPARE(CLaunches::CompareCommandLine(options, setting), commandLine.replace(QStringLiteral("$DIR"), m_dir.path()));

    const QString output = m_dir.filePath("args");
    QFile::remove(output);
    ScriptedPresenter boxes;
    CLaunches launches(boxes);
    QVERIFY(launches.StartCompareTool(options, setting));
    QVERIFY(boxes.boxes.empty());
    QTRY_VERIFY_WITH_TIMEOUT(QFile::exists(output), 10000);
    QCOMPARE(RecordedArguments(output), arguments);
}

void TestLaunches::compareToolThatCannotStart_data()
{
    QTest::addColumn<QString>("tool");   // "$DIR": a folder of the test
    QTest::addColumn<QString>("text");
    QTest::addColumn<MessageIcon>("icon");

    QTest::newRow("no tool set") << "" << u"フォルダ設定ツールが設定されていません。\n環境設定でツールを設定してください。"_qs
                                 << MessageIcon::Warning;
    QTest::newRow("missing program") << "$DIR/missing/diff" << SystemErrorText(ENOENT) << MessageIcon::Error;
    QTest::newRow("not on the path") << "orvane-no-such-compare-tool" << SystemErrorText(ENOENT) << MessageIcon::Error;
    QTest::newRow("not executable") << "$DIR/plain.txt" << SystemErrorText(EACCES) << MessageIcon::Error;
    QTest::newRow("a folder") << "$DIR" << SystemErrorText(EACCES) << MessageIcon::Error;
}

void TestLaunches::compareToolThatCannotStart()
{
    QFETCH(QString, tool);
    QFETCH(QString, text);
    QFETCH(MessageIcon, icon);

    QVERIFY(WriteFile(m_dir.filePath("plain.txt"), "not a program\n"));
    GlobalOptions options;
    options.CompareToolPath = tool.replace(QStringLiteral("$DIR"), m_dir.path());
    options.CompareToolParam = QStringLiteral("%m %b");
    ScriptedPresenter boxes;
    CLaunches launches(boxes);
    QVERIFY(!launches.StartCompareTool(options, Setting("/data", "/backup")));
    QCOMPARE(boxes.boxes.size(), size_t(1));
    QCOMPARE(boxes.boxes.front().text, text);
    QCOMPARE(boxes.boxes.front().caption, u"フォルダ比較ツールの起動"_qs);
    QCOMPARE(boxes.boxes.front().icon, icon);
    QVERIFY(boxes.boxes.front().topMost);
}

void TestLaunches::menuText_data()
{
    QTest::addColumn<QString>("tool");
    QTest::addColumn<bool>("withShortcut");
    QTest::addColumn<QString>("text");

    QTest::newRow("tools menu") << "meld" << true << u"meld を起動(&W)\tCtrl+W"_qs;
    QTest::newRow("context menu") << "/usr/bin/meld" << false << u"meld を起動(&W)"_qs;
    QTest::newRow("extension left out") << "/opt/FolderDiff.exe" << true << u"FolderDiff を起動(&W)\tCtrl+W"_qs;
    QTest::newRow("expanded") << "%ORVANE_TEST_ROOT%/bin/kdiff3" << false << u"kdiff3 を起動(&W)"_qs;
    QTest::newRow("quoted path with a blank") << "\"/opt/my tools/diff\"" << false << u"diff を起動(&W)"_qs;
    QTest::newRow("no tool") << "" << true << u"フォルダ比較ツールが設定されていません"_qs;
    QTest::newRow("a folder, no name") << "/opt/tools/" << false << u"フォルダ比較ツールが設定されていません"_qs;
}

void TestLaunches::menuText()
{
    QFETCH(QString, tool);
    QFETCH(bool, withShortcut);
    QFETCH(QString, text);
    QCOMPARE(CLaunches::CompareMenuText(tool, withShortcut), text);
}

void TestLaunches::logFileThatApplies_data()
{
    QTest::addColumn<bool>("selected");
    QTest::addColumn<bool>("ownLog");
    QTest::addColumn<bool>("globalLog");
    QTest::addColumn<QString>("opened");   // empty: nothing

    QTest::newRow("own log") << true << true << true << "/home/tester/own.log";
    QTest::newRow("own log, global off") << true << true << false << "/home/tester/own.log";
    QTest::newRow("setting without its own") << true << false << true << "/logs/global.log";
    QTest::newRow("no selection") << false << false << true << "/logs/global.log";
    QTest::newRow("no log anywhere") << true << false << false << "";
    QTest::newRow("no selection, global off") << false << false << false << "";
}

void TestLaunches::logFileThatApplies()
{
    QFETCH(bool, selected);
    QFETCH(bool, ownLog);
    QFETCH(bool, globalLog);
    QFETCH(QString, opened);

    CFolderSetting setting;
    setting.OutputLog = ownLog;
    setting.LogFileName = QStringLiteral("%ORVANE_TEST_ROOT%/own.log");
    GlobalOptions options;
    options.OutputLog = globalLog;
    options.LogFileName = QStringLiteral("/logs/global.log");
    QList<QUrl> urls;
    ScriptedPresenter boxes;
    CLaunches launches(boxes, [&](const QUrl &url) {
        urls << url;
        return true;
    });
    launches.OpenLogFile(selected ? &setting : nullptr, options);
    QCOMPARE(urls, opened.isEmpty() ? QList<QUrl>{} : QList<QUrl>{QUrl::fromLocalFile(opened)});
    QVERIFY(boxes.boxes.empty());
}

void TestLaunches::opensWithTheDesktop()
{
    QList<QUrl> urls;
    ScriptedPresenter boxes;
    CLaunches launches(boxes, [&](const QUrl &url) {
        urls << url;
        return false;   // what the desktop cannot open it reports itself
    });
    const CFolderSetting setting = Setting("%ORVANE_TEST_ROOT%/my data/", "/media/usb/backup/");
    launches.OpenMasterFolder(setting);
    launches.OpenBackupFolder(setting);
    launches.OpenManual();
    QCOMPARE(urls, (QList<QUrl>{QUrl::fromLocalFile("/home/tester/my data/"), QUrl::fromLocalFile("/media/usb/backup/"),
                                QUrl::fromLocalFile(QCoreApplication::applicationDirPath() + "/Orvane.txt")}));
    QVERIFY(boxes.boxes.empty());
}

void TestLaunches::manualLiesBesideTheProgram()
{
    QCOMPARE(CLaunches::ManualPath(), QCoreApplication::applicationDirPath() + "/Orvane.txt");
    const QString program = QStringLiteral(ORVANE_GUI_PATH);
    const QString manual = SplitPath(program).folder + "Orvane.txt";
    QVERIFY2(QFile::exists(manual), qPrintable(manual));
    const QString sourceDir = qEnvironmentVariable("ORVANE_SOURCE_DIR");
    if (!sourceDir.isEmpty())
        QCOMPARE(ReadFile(manual), ReadFile(sourceDir + "/src/res/Orvane.txt"));
    const QString text = QString::fromUtf8(ReadFile(manual));
    for (const char16_t *topic : {u"フォルダ設定", u"テスト", u"ミラーリング", u"/auto", u"スケジュール", u"registry.sqlite3"})
        QVERIFY2(text.contains(QString::fromUtf16(topic)), qPrintable(QString::fromUtf16(topic)));
}

QTEST_GUILESS_MAIN(TestLaunches)
#include "tst_launches.moc"
