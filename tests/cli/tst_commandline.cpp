#include "cli/CommandLine.h"

#include <QDir>
#include <QTest>

using Command = CliOptions::Command;

class tst_CommandLine : public QObject {
    Q_OBJECT

private slots:
    void acceptedOptions();
    void usageErrors_data();
    void usageErrors();
    void settingOrderAndValues();
    void helpWins();
    void setFields_data();
    void setFields();
    void badSetValues_data();
    void badSetValues();
    void helpDocumentsEveryOption();
};

static CCommandLine::Result Parse(const QString &line)
{
    return CCommandLine::Parse(line.split(u' ', Qt::SkipEmptyParts));
}

void tst_CommandLine::acceptedOptions()
{
    const auto run = Parse(QStringLiteral("run --ini=test --project=3 --setting=2 --test --auto -q --interactive"));
    QVERIFY2(run.Ok(), qPrintable(run.error));
    QCOMPARE(run.options.command, Command::Run);
    QCOMPARE(run.options.ini, std::optional<QString>(QStringLiteral("test")));
    QCOMPARE(run.options.project, std::optional<int>(2));
    QCOMPARE(run.options.settings, QList<int>{1});
    QVERIFY(run.options.test && run.options.autoMode && run.options.quiet && run.options.interactive);

    // Values may also follow as the next argument.
    const auto separate = Parse(QStringLiteral("list --ini other --project 1000"));
    QVERIFY2(separate.Ok(), qPrintable(separate.error));
    QCOMPARE(separate.options.command, Command::List);
    QCOMPARE(separate.options.ini, std::optional<QString>(QStringLiteral("other")));
    QCOMPARE(separate.options.project, std::optional<int>(999));

    const auto plain = Parse(QStringLiteral("run"));
    QVERIFY(plain.Ok());
    QVERIFY(!plain.options.ini && !plain.options.project && plain.options.settings.isEmpty());
    QVERIFY(!plain.options.test && !plain.options.autoMode && !plain.options.quiet && !plain.options.interactive);

    const auto mirror = CCommandLine::Parse({QStringLiteral("mirror"), QStringLiteral("/m a"), QStringLiteral("--quiet"),
                                             QStringLiteral("--"), QStringLiteral("-b")});
    QVERIFY2(mirror.Ok(), qPrintable(mirror.error));
    QCOMPARE(mirror.options.adHoc.Master, QStringLiteral("/m a"));
    // A relative folder is taken against the current folder.
    QCOMPARE(mirror.options.adHoc.Backup, QDir::current().filePath(QStringLiteral("-b")));
    QVERIFY(mirror.options.quiet);
    // Everything else keeps the values of a new setting.
    CFolderSetting fresh;
    fresh.Master = mirror.options.adHoc.Master;
    fresh.Backup = mirror.options.adHoc.Backup;
    QCOMPARE(mirror.options.adHoc, fresh);
}

void tst_CommandLine::usageErrors_data()
{
    QTest::addColumn<QString>("line");
    QTest::addColumn<QString>("named");   // what the error text must name

    QTest::newRow("no command") << "" << "no command";
    QTest::newRow("unknown command") << "backup" << "backup";
    QTest::newRow("option before command") << "--test run" << "--test";
    QTest::newRow("unknown option") << "run --fast" << "--fast";
    QTest::newRow("unknown short option") << "run -x" << "-x";
    QTest::newRow("project zero") << "run --project=0" << "--project";
    QTest::newRow("project too large") << "run --project=1001" << "--project";
    QTest::newRow("project not a number") << "run --project=two" << "--project";
    QTest::newRow("project with junk") << "run --project=3x" << "--project";
    QTest::newRow("project missing value") << "run --project" << "--project";
    QTest::newRow("setting zero") << "run --setting=0" << "--setting";
    QTest::newRow("setting negative") << "run --setting=-1" << "--setting";
    QTest::newRow("empty ini") << "run --ini=" << "--ini";
    QTest::newRow("switch with value") << "run --test=1" << "--test";
    QTest::newRow("set on run") << "run --set Name=x" << "--set";
    QTest::newRow("auto on mirror") << "mirror /a /b --auto" << "--auto";
    QTest::newRow("ini on mirror") << "mirror /a /b --ini=x" << "--ini";
    QTest::newRow("test on list") << "list --test" << "--test";
    QTest::newRow("setting on list") << "list --setting=1" << "--setting";
    QTest::newRow("mirror one folder") << "mirror /a" << "mirror";
    QTest::newRow("mirror three folders") << "mirror /a /b /c" << "mirror";
    QTest::newRow("run with folder") << "run /a" << "/a";
    QTest::newRow("bad set") << "mirror /a /b --set LeaveTime=x" << "LeaveTime";
}

void tst_CommandLine::usageErrors()
{
    QFETCH(QString, line);
    QFETCH(QString, named);
    const auto result = Parse(line);
    QVERIFY(!result.Ok());
    QVERIFY2(result.error.contains(named), qPrintable(result.error));
}

void tst_CommandLine::settingOrderAndValues()
{
    const auto result = Parse(QStringLiteral("run --setting=3 --setting 1 --setting=1000 --setting=2"));
    QVERIFY2(result.Ok(), qPrintable(result.error));
    QCOMPARE(result.options.settings, (QList<int>{2, 0, 999, 1}));
}

void tst_CommandLine::helpWins()
{
    for (const QString &line : {QStringLiteral("--help"), QStringLiteral("run --bogus -h"), QStringLiteral("help"),
                                QStringLiteral("mirror --help")}) {
        const auto result = Parse(line);
        QVERIFY2(result.Ok(), qPrintable(line));
        QCOMPARE(result.options.command, Command::Help);
    }
    // After "--" it is a folder name.
    const auto folder = Parse(QStringLiteral("mirror -- --help /b"));
    QVERIFY(folder.Ok());
    QCOMPARE(folder.options.command, Command::Mirror);
    QCOMPARE(folder.options.adHoc.Master, QDir::current().filePath(QStringLiteral("--help")));
}

void tst_CommandLine::setFields_data()
{
    QTest::addColumn<QString>("assignment");
    QTest::addColumn<QString>("field");
    QTest::addColumn<qint64>("expected");

    QTest::newRow("flag off") << "Mirroring=0" << "Mirroring" << qint64(0);
    QTest::newRow("flag on, key in any case") << "deleteconf=1" << "DeleteConf" << qint64(1);
    QTest::newRow("integer") << "LeaveTime=5" << "LeaveTime" << qint64(5);
    QTest::newRow("negative integer") << "BackupType=-7" << "BackupType" << qint64(-7);
    QTest::newRow("largest integer") << "ScheduleTime=2147483647" << "ScheduleTime" << qint64(2147483647);
    QTest::newRow("time past 2038") << "TargetDate=4294967295" << "TargetDate" << qint64(4294967295LL);
    QTest::newRow("time zero") << "LastExec=0" << "LastExec" << qint64(0);
    QTest::newRow("size with unit") << "TargetFileSize=500MB" << "TargetFileSize" << qint64(500);
    QTest::newRow("size unit lower case") << "TargetFileSize=3kb" << "TargetFileSizeUnit" << qint64(1);
    QTest::newRow("size in bytes") << "TargetFileSize=1024" << "TargetFileSizeUnit" << qint64(0);
    QTest::newRow("size TB") << "TargetFileSize=2TB" << "TargetFileSizeUnit" << qint64(4);
}

static qint64 FieldValue(const CFolderSetting &s, const QString &field)
{
    const std::pair<const char *, qint64> values[] = {
        {"Mirroring", s.Mirroring}, {"DeleteConf", s.DeleteConf}, {"LeaveTime", s.LeaveTime},
        {"BackupType", qint64(s.BackupType)}, {"ScheduleTime", s.ScheduleTime}, {"TargetDate", s.TargetDate},
        {"LastExec", s.LastExec}, {"TargetFileSize", s.TargetFileSize}, {"TargetFileSizeUnit", s.TargetFileSizeUnit},
    };
    for (const auto &[name, value] : values) {
        if (field == QLatin1String(name))
            return value;
    }
    return -999;
}

void tst_CommandLine::setFields()
{
    QFETCH(QString, assignment);
    QFETCH(QString, field);
    QFETCH(qint64, expected);
    CFolderSetting record;
    record.DeleteConf = false;
    record.Mirroring = true;
    const QString error = CCommandLine::ApplySetting(record, assignment);
    QVERIFY2(error.isEmpty(), qPrintable(error));
    QCOMPARE(FieldValue(record, field), expected);
}

void tst_CommandLine::badSetValues_data()
{
    QTest::addColumn<QString>("assignment");
    QTest::addColumn<QString>("named");

    QTest::newRow("unknown key") << "Bogus=1" << "Bogus";
    QTest::newRow("no equals") << "Mirroring" << "Mirroring";
    QTest::newRow("no key") << "=1" << "=1";
    QTest::newRow("flag 2") << "Mirroring=2" << "Mirroring";
    QTest::newRow("flag word") << "SubDir=yes" << "SubDir";
    QTest::newRow("flag empty") << "SubDir=" << "SubDir";
    QTest::newRow("integer too large") << "LeaveTime=2147483648" << "LeaveTime";
    QTest::newRow("integer too small") << "LeaveTime=-2147483649" << "LeaveTime";
    QTest::newRow("integer fraction") << "LeaveTime=1.5" << "LeaveTime";
    QTest::newRow("integer blank") << "LeaveTime= 2" << "LeaveTime";
    QTest::newRow("time negative") << "TargetDate=-1" << "TargetDate";
    QTest::newRow("time past 32 bits") << "TargetDate=4294967296" << "TargetDate";
    QTest::newRow("size bad unit") << "TargetFileSize=5XB" << "TargetFileSize";
    QTest::newRow("size negative") << "TargetFileSize=-5" << "TargetFileSize";
    QTest::newRow("size unit only") << "TargetFileSize=MB" << "TargetFileSize";
    QTest::newRow("size too large") << "TargetFileSize=2147483648KB" << "TargetFileSize";
}

void tst_CommandLine::badSetValues()
{
    QFETCH(QString, assignment);
    QFETCH(QString, named);
    CFolderSetting record;
    const CFolderSetting before = record;
    const QString error = CCommandLine::ApplySetting(record, assignment);
    QVERIFY(!error.isEmpty());
    QVERIFY2(error.contains(named), qPrintable(error));
    QCOMPARE(record, before);
}

void tst_CommandLine::helpDocumentsEveryOption()
{
    const QString help = CCommandLine::HelpText();
    for (const char *word : {"run", "mirror", "list", "--ini", "--project", "--setting", "--test", "--auto", "--set",
                             "--quiet", "-q", "--interactive", "--help", "64", "73", "74", "75", "78", "ORVANE_PROGRAM_DIR"})
        QVERIFY2(help.contains(QLatin1String(word)), word);
    // Both languages.
    QVERIFY(help.contains(QStringLiteral(u"使い方")));
    QVERIFY(help.contains(QStringLiteral("Usage")));
}

QTEST_APPLESS_MAIN(tst_CommandLine)
#include "tst_commandline.moc"
