#include "ConfigTestSupport.h"
#include "TestSupport.h"

#include "cli/TerminalRunHost.h"
#include "config/Configuration.h"
#include "model/AppFlags.h"
#include "model/MirroringDefine.h"
#include "platform/InstanceLock.h"
#include "platform/MessageBox.h"

#include <QDateTime>
#include <QDir>
#include <QFile>
#include <QProcess>
#include <QTemporaryDir>
#include <QTest>

#include <csignal>
#include <functional>
#include <unistd.h>

using namespace testsupport;

namespace {

class NoBoxes : public MessageBoxPresenter {
public:
    MessageAnswer ShowMessageBox(const MessageBoxRequest &) override { return MessageAnswer::None; }
};

// Where a standard stream of the program goes: read back by the test, a device that is always
// full, or a pipe nobody reads.
enum class Sink { Captured, FullDevice, ClosedPipe };

struct Outcome {
    int code = -1;
    QStringList rows;     // lines of the output
    QString err;
    QStringList column(int c) const
    {
        QStringList values;
        for (const QString &row : rows)
            values << row.section(u'\t', c, c);
        return values;
    }
    // The names of the start rows, in order.
    QStringList started() const
    {
        QStringList names;
        for (const QString &row : rows) {
            if (row.startsWith(u"開始\t"_qs) || row.startsWith(u"テスト開始\t"_qs))
                names << row.section(u'\t', 1, 1).section(u' ', 1, 1);
        }
        return names;
    }
};

// A program folder, a user configuration folder and data folders, all temporary.
class Workspace {
public:
    Workspace()
        : programDir(dir.path() + u"/program/"_qs)
        , configHome(dir.path() + u"/xdg"_qs)
        , data(dir.path() + u"/data/"_qs)
    {
        QDir().mkpath(programDir);
        QDir().mkpath(configHome);
        QDir().mkpath(data);
    }

    QString registryPath() const { return configHome + u"/ZENTREL/Orvane Unicode/registry.sqlite3"_qs; }

    // inChild runs in the started process before the program, to limit it for instance.
    Outcome cli(const QStringList &arguments, Sink out = Sink::Captured, Sink err = Sink::Captured,
                const std::function<void()> &inChild = {}) const
    {
        QProcess process;
        process.setWorkingDirectory(workingDirectory.isEmpty() ? data : workingDirectory);
        QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
        environment.insert(u"ORVANE_PROGRAM_DIR"_qs, programDir);
        environment.insert(u"XDG_CONFIG_HOME"_qs, configHome);
        process.setProcessEnvironment(environment);
        if (out == Sink::FullDevice)
            process.setStandardOutputFile(u"/dev/full"_qs);
        if (err == Sink::FullDevice)
            process.setStandardErrorFile(u"/dev/full"_qs);
        int pipeEnds[2] = {-1, -1};
        if (pipe(pipeEnds) != 0)
            return {};
        close(pipeEnds[0]);   // no reader anywhere: a write meets EPIPE, or SIGPIPE
        const int unread = pipeEnds[1];
        process.setChildProcessModifier([=] {
            // As a shell starts it: SIGPIPE at its default action, whatever this process does.
            ::signal(SIGPIPE, SIG_DFL);
            if (out == Sink::ClosedPipe)
                dup2(unread, STDOUT_FILENO);
            if (err == Sink::ClosedPipe)
                dup2(unread, STDERR_FILENO);
            if (inChild)
                inChild();
        });
        process.start(QStringLiteral(ORVANE_CLI_PATH), arguments);
        process.closeWriteChannel();
        Outcome outcome;
        const bool finished = process.waitForFinished(60000);
        close(unread);
        if (!finished)
            return outcome;
        outcome.code = process.exitStatus() == QProcess::NormalExit ? process.exitCode() : -2;
        outcome.rows = QString::fromUtf8(process.readAllStandardOutput()).split(u'\n', Qt::SkipEmptyParts);
        outcome.err = QString::fromUtf8(process.readAllStandardError());
        return outcome;
    }

    // A folder setting from data/<master> to data/<backup>, with one file in the master.
    CFolderSetting setting(const QString &name, const QString &master, const QString &backup, bool autoExec = true) const
    {
        CFolderSetting s;
        s.Name = name;
        s.Master = data + master + u'/';
        s.Backup = data + backup + u'/';
        s.AutoExec = autoExec;
        WriteFile(s.Master + u"file.txt"_qs, name.toUtf8());
        return s;
    }

    // Stores the projects in <program>/<name>.ini, or in the user database.
    void writeConfiguration(const QString &name, const QList<std::pair<QString, QList<CFolderSetting>>> &projects,
                            bool registry = false)
    {
        AppFlags flags;
        NoBoxes boxes;
        CConfiguration config(flags, boxes, registryPath());
        config.Store().SetIniPath(programDir + name + u".ini"_qs);
        config.Store().SetUseRegistry(registry);
        config.LoadGlobalSettings();
        config.SetActiveProject(0);
        config.Projects().Clear();
        for (int p = 0; p < projects.size(); ++p) {
            config.Projects().AddProject(projects[p].first);
            const QList<CFolderSetting> &records = projects[p].second;
            config.SaveProjectSettings(std::span(records.data(), size_t(records.size())), p);
        }
        config.SaveGlobalSettings();
    }

    QList<CFolderSetting> readProject(const QString &name, int p) const
    {
        AppFlags flags;
        flags.ForceIni = true;
        NoBoxes boxes;
        CConfiguration config(flags, boxes, registryPath());
        config.Store().SetIniPath(programDir + name + u".ini"_qs);
        config.LoadGlobalSettings();
        CMirroringDefine table;
        const int count = config.LoadProjectSettings(table, p);
        return QList<CFolderSetting>(table.Records(), table.Records() + count);
    }

    QTemporaryDir dir;
    QString programDir;
    QString configHome;
    QString data;
    QString workingDirectory;   // where the program starts; data when empty
};

} // namespace

class tst_OrvaneCli : public QObject {
    Q_OBJECT

private slots:
    void mirrorTestThenRealRun();
    void relativeFoldersAreTakenFromTheCurrentFolder();
    void mirrorWithSettings_data();
    void mirrorWithSettings();
    void usageErrors_data();
    void usageErrors();
    void helpNamesTheFilesItUses();
    void runStoredProject();
    void runListedSettingsInOrder();
    void scheduleGateWithAuto();
    void failedSettingEndsTheRun();
    void listProjectsAndSettings();
    void storedChoiceOfBackEnd();
    void lostResultsEndWithAnIoError_data();
    void lostResultsEndWithAnIoError();
    void secondRunIsRefused();
    void noConfiguration();
    void lostOutput_data();
    void lostOutput();
};

void tst_OrvaneCli::mirrorTestThenRealRun()
{
    Workspace w;
    const QString master = w.data + u"m/"_qs;
    const QString backup = w.data + u"b/"_qs;
    QVERIFY(WriteFile(master + u"a.txt"_qs, "hello\n"));
    QVERIFY(WriteFile(master + u"sub/b.bin"_qs, QByteArray(3000, 'x')));
    QVERIFY(WriteFile(backup + u"old.txt"_qs, "gone"));
    const QStringList before = TreeListing(w.data);

    const Outcome test = w.cli({u"mirror"_qs, master, backup, u"--test"_qs});
    QCOMPARE(test.code, 0);
    QCOMPARE(TreeListing(w.data), before);
    QVERIFY(test.rows.first().startsWith(u"テスト開始\t"_qs));
    QVERIFY(test.column(1).contains(u"a.txt"_qs));
    QVERIFY(test.column(1).contains(u"old.txt"_qs));

    const Outcome real = w.cli({u"mirror"_qs, master, backup});
    QCOMPARE(real.code, 0);
    QCOMPARE(ReadFile(backup + u"a.txt"_qs), QByteArray("hello\n"));
    QCOMPARE(ReadFile(backup + u"sub/b.bin"_qs), QByteArray(3000, 'x'));
    QVERIFY(!QFile::exists(backup + u"old.txt"_qs));
    // The test run reported exactly what the real run then did, apart from its first row.
    QCOMPARE(test.rows.mid(1), real.rows.mid(1));

    for (const QString &row : real.rows)
        QCOMPARE(row.count(u'\t'), 4);
    const QString created = real.rows.filter(u"\ta.txt\t"_qs).value(0);
    const QStringList fields = created.split(u'\t');
    QCOMPARE(fields[0], u"作成"_qs);
    QVERIFY(QRegularExpression(u"^\\d{4}/\\d\\d/\\d\\d \\d\\d:\\d\\d:\\d\\d$"_qs).match(fields[2]).hasMatch());
    QCOMPARE(fields[3], u"--/--/-- --:--:--"_qs);
    QCOMPARE(fields[4], u"6 B"_qs);
    const QString deleted = real.rows.filter(u"\told.txt\t"_qs).value(0);
    QVERIFY(deleted.startsWith(u"削除\told.txt\t--/--/-- --:--:--\t"_qs));
    QVERIFY(deleted.endsWith(u"\t4 B"_qs));
    // The closing row is as wide as the title in terminal cells.
    const QString title = real.rows.first().section(u'\t', 1, 1);
    QCOMPARE(real.rows.last(), u"終了\t"_qs + QString(CTerminalRunHost::CellWidth(title), u'-') + u"\t\t\t"_qs);

    // Unchanged master: the next run has nothing to do.
    const Outcome again = w.cli({u"mirror"_qs, master, backup});
    QCOMPARE(again.code, 0);
    QCOMPARE(again.column(0), (QStringList{u"開始"_qs, u"終了"_qs}));
}

void tst_OrvaneCli::relativeFoldersAreTakenFromTheCurrentFolder()
{
    // One-letter names: nothing in the path to walk up from but the current folder.
    Workspace w;
    QVERIFY(WriteFile(w.data + u"m/a.txt"_qs, "a"));
    const Outcome outcome = w.cli({u"mirror"_qs, u"m"_qs, u"c"_qs});
    QCOMPARE(outcome.code, 0);
    QCOMPARE(ReadFile(w.data + u"c/a.txt"_qs), QByteArray("a"));
}

void tst_OrvaneCli::mirrorWithSettings_data()
{
    QTest::addColumn<QStringList>("sets");
    QTest::addColumn<QStringList>("present");   // relative to the backup folder
    QTest::addColumn<QStringList>("absent");
    QTest::addColumn<QString>("rowPart");       // a text some row holds

    QTest::newRow("text and integer: include only *.txt")
        << QStringList{u"TargetFile=*.txt"_qs, u"TargetType=0"_qs} << QStringList{u"a.txt"_qs, u"sub"_qs}
        << QStringList{u"sub/b.bin"_qs, u"old.txt"_qs} << u"作成\ta.txt\t"_qs;
    QTest::newRow("size threshold")
        << QStringList{u"SkipTargetFileSize=1"_qs, u"TargetFileSize=1KB"_qs} << QStringList{u"a.txt"_qs}
        << QStringList{u"sub/b.bin"_qs, u"old.txt"_qs} << u"スキップ\tsub/b.bin\t"_qs;
    QTest::newRow("flag: no mirroring")
        << QStringList{u"Mirroring=0"_qs} << QStringList{u"a.txt"_qs, u"sub/b.bin"_qs, u"old.txt"_qs} << QStringList{}
        << u"作成\tsub/b.bin\t"_qs;
    QTest::newRow("time: only files newer than a date")
        << QStringList{u"TargetDateType=1"_qs, u"TargetDate=4294967295"_qs} << QStringList{}
        << QStringList{u"a.txt"_qs, u"sub/b.bin"_qs, u"old.txt"_qs} << u"削除\told.txt\t"_qs;
    QTest::newRow("delete confirmation that nobody answers keeps the file")
        << QStringList{u"DeleteConf=1"_qs} << QStringList{u"a.txt"_qs, u"sub/b.bin"_qs, u"old.txt"_qs} << QStringList{}
        << u"スキップ\told.txt\t"_qs;
    QTest::newRow("text: name of the title")
        << QStringList{u"Name=夜間 バックアップ"_qs, u"SubDir=0"_qs} << QStringList{u"a.txt"_qs}
        << QStringList{u"sub"_qs, u"old.txt"_qs} << u"開始\t--------------- 夜間 バックアップ ---------------\t"_qs;
}

void tst_OrvaneCli::mirrorWithSettings()
{
    QFETCH(QStringList, sets);
    QFETCH(QStringList, present);
    QFETCH(QStringList, absent);
    QFETCH(QString, rowPart);
    Workspace w;
    const QString master = w.data + u"m/"_qs;
    const QString backup = w.data + u"b/"_qs;
    QVERIFY(WriteFile(master + u"a.txt"_qs, "hello\n"));
    QVERIFY(WriteFile(master + u"sub/b.bin"_qs, QByteArray(3000, 'x')));
    QVERIFY(WriteFile(backup + u"old.txt"_qs, "gone"));

    QStringList arguments{u"mirror"_qs, master, backup};
    for (const QString &set : sets)
        arguments << u"--set"_qs << set;
    const Outcome outcome = w.cli(arguments);
    QCOMPARE(outcome.code, 0);
    for (const QString &name : present)
        QVERIFY2(QFile::exists(backup + name), qPrintable(name));
    for (const QString &name : absent)
        QVERIFY2(!QFile::exists(backup + name), qPrintable(name));
    QVERIFY2(outcome.rows.join(u'\n').contains(rowPart), qPrintable(outcome.rows.join(u'\n')));
}

void tst_OrvaneCli::usageErrors_data()
{
    QTest::addColumn<QStringList>("arguments");
    QTest::addColumn<QString>("named");

    QTest::newRow("unknown key") << QStringList{u"mirror"_qs, u"m"_qs, u"b"_qs, u"--set"_qs, u"Bogus=1"_qs} << u"Bogus"_qs;
    QTest::newRow("bad flag") << QStringList{u"mirror"_qs, u"m"_qs, u"b"_qs, u"--set=SubDir=2"_qs} << u"SubDir"_qs;
    QTest::newRow("bad project") << QStringList{u"run"_qs, u"--project=0"_qs} << u"--project"_qs;
    QTest::newRow("no command") << QStringList{} << u"no command"_qs;
}

void tst_OrvaneCli::usageErrors()
{
    QFETCH(QStringList, arguments);
    QFETCH(QString, named);
    Workspace w;
    const Outcome outcome = w.cli(arguments);
    QCOMPARE(outcome.code, 64);
    QVERIFY2(outcome.err.contains(named), qPrintable(outcome.err));
    QVERIFY(outcome.err.contains(u"Usage"_qs));
    QVERIFY(outcome.rows.isEmpty());
    QVERIFY(QDir(w.data).isEmpty());

    const Outcome help = w.cli({u"--help"_qs});
    QCOMPARE(help.code, 0);
    QVERIFY(help.rows.join(u'\n').contains(u"--interactive"_qs));
}

void tst_OrvaneCli::helpNamesTheFilesItUses()
{
    Workspace w;
    const Outcome help = w.cli({u"--help"_qs});
    QCOMPARE(help.code, 0);
    // Each place on the line after its name, as it is: a path to paste, nothing around it.
    const auto placeOf = [&](const QString &name) {
        const qsizetype at = help.rows.indexOf(name);
        return at < 0 || at + 1 >= help.rows.size() ? QString() : help.rows[at + 1].trimmed();
    };
    // The build tree is a portable copy: the manual lies beside the program.
    const QString manual = QFileInfo(QStringLiteral(ORVANE_CLI_PATH)).absolutePath() + u"/Orvane.txt"_qs;
    QVERIFY(QFileInfo(manual).isFile());
    QCOMPARE(placeOf(u"  説明書 / manual"_qs), manual);
    QCOMPARE(placeOf(u"  INI ファイルのフォルダ / folder of the INI files"_qs), w.programDir);
    QCOMPARE(placeOf(u"  ユーザーの設定データベース (レジストリ) / user database"_qs), w.registryPath());
}

void tst_OrvaneCli::runStoredProject()
{
    Workspace w;
    w.writeConfiguration(u"test"_qs, {{u"A"_qs, {w.setting(u"S1"_qs, u"m1"_qs, u"b1"_qs),
                                                 w.setting(u"S2"_qs, u"m2"_qs, u"b2"_qs, false),
                                                 w.setting(u"S3"_qs, u"m3"_qs, u"b3"_qs)}},
                                      {u"B"_qs, {w.setting(u"T1"_qs, u"m4"_qs, u"b4"_qs)}}});
    const qint64 start = QDateTime::currentSecsSinceEpoch();
    const Outcome outcome = w.cli({u"run"_qs, u"--ini=test"_qs});
    const qint64 end = QDateTime::currentSecsSinceEpoch();
    QCOMPARE(outcome.code, 0);
    QCOMPARE(outcome.started(), (QStringList{u"S1"_qs, u"S3"_qs}));
    QVERIFY(QFile::exists(w.data + u"b1/file.txt"_qs));
    QVERIFY(!QFile::exists(w.data + u"b2"_qs));
    QVERIFY(QFile::exists(w.data + u"b3/file.txt"_qs));
    QVERIFY(!QFile::exists(w.data + u"b4"_qs));

    const QList<CFolderSetting> stored = w.readProject(u"test"_qs, 0);
    QCOMPARE(stored.size(), 3);
    for (int i : {0, 2}) {
        QCOMPARE(stored[i].Errors, 0);
        QVERIFY2(stored[i].LastExec >= start && stored[i].LastExec <= end, qPrintable(stored[i].Name));
    }
    QCOMPARE(stored[1].Errors, -1);
    QCOMPARE(stored[1].LastExec, 0);
    // The other project is untouched.
    QCOMPARE(w.readProject(u"test"_qs, 1).value(0).LastExec, 0);

    // A test run saves no LastExec.
    const Outcome test = w.cli({u"run"_qs, u"--ini=test"_qs, u"--project=2"_qs, u"--test"_qs});
    QCOMPARE(test.code, 0);
    QCOMPARE(test.started(), QStringList{u"T1"_qs});
    QVERIFY(test.rows.first().startsWith(u"テスト開始"_qs));
    QVERIFY(!QFile::exists(w.data + u"b4"_qs));
    QCOMPARE(w.readProject(u"test"_qs, 1).value(0).LastExec, 0);
    QCOMPARE(w.readProject(u"test"_qs, 1).value(0).Errors, 0);
}

void tst_OrvaneCli::runListedSettingsInOrder()
{
    Workspace w;
    w.writeConfiguration(u"test"_qs, {{u"A"_qs, {w.setting(u"S1"_qs, u"m1"_qs, u"b1"_qs),
                                                 w.setting(u"S2"_qs, u"m2"_qs, u"b2"_qs, false),
                                                 w.setting(u"S3"_qs, u"m3"_qs, u"b3"_qs)}}});
    const Outcome outcome = w.cli({u"run"_qs, u"--ini=test"_qs, u"--setting=2"_qs, u"--setting=1"_qs});
    QCOMPARE(outcome.code, 0);
    // A listed setting runs whatever its AutoExec.
    QCOMPARE(outcome.started(), (QStringList{u"S2"_qs, u"S1"_qs}));
    QVERIFY(QFile::exists(w.data + u"b2/file.txt"_qs));
    QVERIFY(!QFile::exists(w.data + u"b3"_qs));
    const QList<CFolderSetting> stored = w.readProject(u"test"_qs, 0);
    QVERIFY(stored[0].LastExec != 0 && stored[1].LastExec != 0);
    QCOMPARE(stored[2].LastExec, 0);

    const Outcome missing = w.cli({u"run"_qs, u"--ini=test"_qs, u"--setting=4"_qs});
    QCOMPARE(missing.code, 64);
    QVERIFY(missing.err.contains(u"4"_qs));
    QVERIFY(missing.rows.isEmpty());
}

void tst_OrvaneCli::scheduleGateWithAuto()
{
    Workspace w;
    CFolderSetting hourly = w.setting(u"Daily24h"_qs, u"m1"_qs, u"b1"_qs);
    hourly.ScheduleType = ScheduleKind::EveryHours;
    hourly.ScheduleTime = 24;
    hourly.LastExec = QDateTime::currentSecsSinceEpoch() - 3600;
    hourly.Errors = 0;
    const CFolderSetting always = w.setting(u"Always"_qs, u"m2"_qs, u"b2"_qs);
    w.writeConfiguration(u"test"_qs, {{u"A"_qs, {}}, {u"B"_qs, {hourly, always}}});

    const Outcome gated = w.cli({u"run"_qs, u"--ini=test"_qs, u"--project=2"_qs, u"--auto"_qs});
    QCOMPARE(gated.code, 0);
    QCOMPARE(gated.started(), QStringList{u"Always"_qs});
    QVERIFY(!QFile::exists(w.data + u"b1"_qs));
    QCOMPARE(w.readProject(u"test"_qs, 1).value(0).LastExec, hourly.LastExec);

    // Without --auto no schedule applies.
    const Outcome plain = w.cli({u"run"_qs, u"--ini=test"_qs, u"--project=2"_qs});
    QCOMPARE(plain.code, 0);
    QCOMPARE(plain.started(), (QStringList{u"Daily24h"_qs, u"Always"_qs}));
    QVERIFY(w.readProject(u"test"_qs, 1).value(0).LastExec > hourly.LastExec);
}

void tst_OrvaneCli::failedSettingEndsTheRun()
{
    Workspace w;
    CFolderSetting broken = w.setting(u"Broken"_qs, u"m1"_qs, u"b1"_qs);
    broken.Master = w.data + u"nowhere/"_qs;
    w.writeConfiguration(u"test"_qs, {{u"A"_qs, {broken, w.setting(u"Fine"_qs, u"m2"_qs, u"b2"_qs)}}});
    const Outcome outcome = w.cli({u"run"_qs, u"--ini=test"_qs});
    QCOMPARE(outcome.code, 4);
    QCOMPARE(outcome.started(), QStringList{u"Broken"_qs});
    QCOMPARE(outcome.column(0).mid(1), (QStringList{u"エラー"_qs, u"中断"_qs}));
    QVERIFY(!QFile::exists(w.data + u"b2"_qs));
    // The message of each box reaches the error stream, answered without anyone there.
    QVERIFY2(outcome.err.contains(u"処理が中断されました。"_qs), qPrintable(outcome.err));
    const QList<CFolderSetting> stored = w.readProject(u"test"_qs, 0);
    QCOMPARE(stored[0].LastExec, 0);
    QCOMPARE(stored[0].Errors, 0);
    QCOMPARE(stored[1].Errors, -1);

    // Each listed setting is a run of its own: the second still runs; the worst result counts.
    const Outcome listed = w.cli({u"run"_qs, u"--ini=test"_qs, u"--setting=1"_qs, u"--setting=2"_qs, u"-q"_qs});
    QCOMPARE(listed.code, 4);
    QVERIFY(listed.rows.isEmpty());
    QVERIFY(listed.err.contains(u"エラー\t"_qs));
    QVERIFY(QFile::exists(w.data + u"b2/file.txt"_qs));
}

void tst_OrvaneCli::listProjectsAndSettings()
{
    Workspace w;
    CFolderSetting done = w.setting(u"S1"_qs, u"m1"_qs, u"b1"_qs);
    done.Errors = 2;
    done.LastExec = QDateTime(QDate(2024, 1, 31), QTime(23, 5, 9)).toSecsSinceEpoch();
    w.writeConfiguration(u"test"_qs, {{u"A"_qs, {done, w.setting(u"S2"_qs, u"m2"_qs, u"b2"_qs, false)}},
                                      {u"B"_qs, {}}});
    const Outcome projects = w.cli({u"list"_qs, u"--ini=test"_qs});
    QCOMPARE(projects.code, 0);
    QCOMPARE(projects.rows, (QStringList{u"1: A"_qs, u"2: B"_qs}));

    const Outcome settings = w.cli({u"list"_qs, u"--ini=test"_qs, u"--project=1"_qs});
    QCOMPARE(settings.code, 0);
    QCOMPARE(settings.rows,
             (QStringList{u"1\t*\tS1\t"_qs + done.Master + u'\t' + done.Backup + u"\t01/31 23:05:09 2件のエラー"_qs,
                          u"2\t-\tS2\t"_qs + w.data + u"m2/\t"_qs + w.data + u"b2/\t--/-- --:--:-- 不明"_qs}));
    QCOMPARE(w.cli({u"list"_qs, u"--ini=test"_qs, u"--project=3"_qs}).code, 64);
}

void tst_OrvaneCli::storedChoiceOfBackEnd()
{
    // Without --ini the stored choice decides: here the user database.
    Workspace w;
    w.writeConfiguration(u"orvane"_qs, {{u"InDatabase"_qs, {w.setting(u"D1"_qs, u"m1"_qs, u"b1"_qs)}}}, true);
    QVERIFY(QFile::exists(w.registryPath()));
    QVERIFY(!QFile::exists(w.programDir + u"orvane.ini"_qs));
    const Outcome database = w.cli({u"list"_qs});
    QCOMPARE(database.code, 0);
    QCOMPARE(database.rows, QStringList{u"1: InDatabase"_qs});
    {
        CInstanceLock held(CInstanceLock::LockPathFor(w.registryPath()));
        QCOMPARE(held.TryLock(), CInstanceLock::Result::Acquired);
        QCOMPARE(w.cli({u"run"_qs}).code, 75);
    }
    const Outcome run = w.cli({u"run"_qs});
    QCOMPARE(run.code, 0);
    QCOMPARE(run.started(), QStringList{u"D1"_qs});
    QVERIFY(QFile::exists(w.data + u"b1/file.txt"_qs));
    QVERIFY(!QFile::exists(w.programDir + u"orvane.ini"_qs));

    // And the INI file beside the program when that was chosen.
    Workspace v;
    v.writeConfiguration(u"orvane"_qs, {{u"InIni"_qs, {}}});
    const Outcome ini = v.cli({u"list"_qs});
    QCOMPARE(ini.code, 0);
    QCOMPARE(ini.rows, QStringList{u"1: InIni"_qs});
}

void tst_OrvaneCli::lostResultsEndWithAnIoError_data()
{
    QTest::addColumn<bool>("registry");
    QTest::addColumn<bool>("brokenSetting");   // the run's own result is 4
    QTest::newRow("INI file cannot grow") << false << false;
    QTest::newRow("INI file cannot grow, a setting fails") << false << true;
    QTest::newRow("database held by another process") << true << false;
}

void tst_OrvaneCli::lostResultsEndWithAnIoError()
{
    QFETCH(bool, registry);
    QFETCH(bool, brokenSetting);
    Workspace w;
    CFolderSetting first = w.setting(u"S1"_qs, u"m1"_qs, u"b1"_qs);
    if (brokenSetting)
        first.Master = w.data + u"nowhere/"_qs;
    w.writeConfiguration(u"orvane"_qs, {{u"A"_qs, {first, w.setting(u"S2"_qs, u"m2"_qs, u"b2"_qs)}}}, registry);
    const QString store = registry ? w.registryPath() : w.programDir + u"orvane.ini"_qs;
    const QByteArray before = ReadFile(store);

    Outcome outcome;
    if (registry) {
        // Reading is allowed, writing waits for a lock that does not come.
        LockingProcess lock(w.registryPath(), "BEGIN IMMEDIATE");
        QVERIFY(lock.locked());
        outcome = w.cli({u"run"_qs});
    } else {
        // The copies of a few bytes fit; the INI file of some kilobytes does not.
        QVERIFY(before.size() > 2048);
        outcome = w.cli({u"run"_qs}, Sink::Captured, Sink::Captured, [] { LimitFileSize(1024); });
    }
    QCOMPARE(outcome.code, 74);
    QVERIFY2(outcome.err.contains(u"orvane-cli: 実行結果 (Errors, LastExec) を保存できませんでした。"_qs), qPrintable(outcome.err));
    QVERIFY(outcome.err.contains(u"\n            The run's results (Errors, LastExec) could not be saved; the stored ones are stale: "_qs
                                 + store));
    // The store's own message box is not written besides.
    QVERIFY2(!outcome.err.contains(u"[INI ファイルのオープン]"_qs) && !outcome.err.contains(u"[レジストリへの保存]"_qs),
             qPrintable(outcome.err));
    // The run itself went on to its end.
    QCOMPARE(outcome.started(), brokenSetting ? QStringList{u"S1"_qs} : (QStringList{u"S1"_qs, u"S2"_qs}));
    if (!brokenSetting)
        QCOMPARE(ReadFile(w.data + u"b2/file.txt"_qs), QByteArray("S2"));
    QCOMPARE(ReadFile(store), before);
}

void tst_OrvaneCli::secondRunIsRefused()
{
    Workspace w;
    w.writeConfiguration(u"test"_qs, {{u"A"_qs, {w.setting(u"S1"_qs, u"m1"_qs, u"b1"_qs)}}});
    w.writeConfiguration(u"other"_qs, {{u"A"_qs, {w.setting(u"O1"_qs, u"m2"_qs, u"b2"_qs)}}});
    const QByteArray iniBefore = ReadFile(w.programDir + u"test.ini"_qs);
    {
        CInstanceLock held(CInstanceLock::LockPathFor(w.programDir + u"test.ini"_qs));
        QCOMPARE(held.TryLock(), CInstanceLock::Result::Acquired);
        const Outcome refused = w.cli({u"run"_qs, u"--ini=test"_qs});
        QCOMPARE(refused.code, 75);
        QVERIFY2(refused.err.contains(u"open in the Orvane Unicode window (or another program)"_qs), qPrintable(refused.err));
        QVERIFY(refused.rows.isEmpty());
        QVERIFY(!QFile::exists(w.data + u"b1"_qs));
        QCOMPARE(ReadFile(w.programDir + u"test.ini"_qs), iniBefore);
        // Another configuration is not blocked, and reading the locked one is allowed.
        QCOMPARE(w.cli({u"run"_qs, u"--ini=other"_qs}).code, 0);
        QCOMPARE(w.cli({u"list"_qs, u"--ini=test"_qs}).code, 0);
    }
    QCOMPARE(w.cli({u"run"_qs, u"--ini=test"_qs}).code, 0);
    QVERIFY(QFile::exists(w.data + u"b1/file.txt"_qs));
}

void tst_OrvaneCli::noConfiguration()
{
    Workspace w;
    for (const QStringList &arguments : {QStringList{u"run"_qs}, QStringList{u"list"_qs}}) {
        const Outcome outcome = w.cli(arguments);
        QCOMPARE(outcome.code, 78);
        QVERIFY2(outcome.err.contains(u"--ini=NAME"_qs), qPrintable(outcome.err));
    }
    const Outcome missing = w.cli({u"run"_qs, u"--ini=typo"_qs});
    QCOMPARE(missing.code, 78);
    QVERIFY(missing.err.contains(u"typo.ini"_qs));
    // Nothing was created by asking.
    QVERIFY(QDir(w.programDir).isEmpty());
    QVERIFY(QDir(w.configHome).isEmpty());
    // An ad-hoc mirror needs no configuration.
    QVERIFY(WriteFile(w.data + u"m/x"_qs, "x"));
    QCOMPARE(w.cli({u"mirror"_qs, w.data + u"m"_qs, w.data + u"b"_qs}).code, 0);
    QVERIFY(QFile::exists(w.data + u"b/x"_qs));
}

void tst_OrvaneCli::lostOutput_data()
{
    QTest::addColumn<QStringList>("arguments");   // MASTER and BACKUP stand for the folders
    QTest::addColumn<Sink>("out");
    QTest::addColumn<Sink>("err");
    QTest::addColumn<int>("code");
    QTest::addColumn<bool>("backedUp");

    const QStringList mirror{u"mirror"_qs, u"MASTER"_qs, u"BACKUP"_qs};
    const QStringList failing{u"mirror"_qs, u"NOWHERE"_qs, u"BACKUP"_qs};
    QTest::newRow("rows read") << mirror << Sink::Captured << Sink::Captured << 0 << true;
    QTest::newRow("rows to a full device") << mirror << Sink::FullDevice << Sink::Captured << 74 << true;
    QTest::newRow("rows to a closed pipe") << mirror << Sink::ClosedPipe << Sink::Captured << 74 << true;
    QTest::newRow("messages lost: 74 over the run's 4") << failing << Sink::Captured << Sink::ClosedPipe << 74 << false;
    QTest::newRow("list to a full device") << QStringList{u"list"_qs, u"--ini=test"_qs, u"--project=1"_qs}
                                           << Sink::FullDevice << Sink::Captured << 74 << false;
    QTest::newRow("help to a closed pipe") << QStringList{u"--help"_qs} << Sink::ClosedPipe << Sink::Captured << 74
                                           << false;
    QTest::newRow("a refusal keeps its code") << QStringList{u"bogus"_qs} << Sink::Captured << Sink::FullDevice << 64
                                              << false;
}

void tst_OrvaneCli::lostOutput()
{
    QFETCH(QStringList, arguments);
    QFETCH(Sink, out);
    QFETCH(Sink, err);
    QFETCH(int, code);
    QFETCH(bool, backedUp);

    Workspace w;
    const QString master = w.data + u"m/"_qs;
    const QString backup = w.data + u"b/"_qs;
    // Rows enough to fill the output's buffer several times while the run is still going.
    constexpr int Files = 300;
    for (int i = 0; i < Files; ++i)
        QVERIFY(WriteFile(master + u"file%1.txt"_qs.arg(i), QByteArray::number(i)));
    w.writeConfiguration(u"test"_qs, {{u"A"_qs, {w.setting(u"S1"_qs, u"m1"_qs, u"b1"_qs)}}});
    arguments.replaceInStrings(u"MASTER"_qs, master);
    arguments.replaceInStrings(u"BACKUP"_qs, backup);
    arguments.replaceInStrings(u"NOWHERE"_qs, w.data + u"nowhere/"_qs);

    const Outcome outcome = w.cli(arguments, out, err);
    QCOMPARE(outcome.code, code);
    // The backup does not depend on whether its report could be printed.
    QCOMPARE(QDir(backup).entryList(QDir::Files).size(), backedUp ? Files : 0);
    if (out != Sink::Captured)
        QVERIFY2(outcome.err.contains(u"The output could not be written"_qs), qPrintable(outcome.err));
    else if (arguments.first() == u"mirror"_qs)   // and the start, the backup folder or the error, the end
        QCOMPARE(outcome.rows.size(), (backedUp ? Files : 0) + 3);
}

QTEST_APPLESS_MAIN(tst_OrvaneCli)
#include "tst_orvanecli.moc"
