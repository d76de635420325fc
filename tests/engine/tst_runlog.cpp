#include "FaultInjectingFileSystem.h"
#include "RunFixture.h"

#include "engine/RunLog.h"
#include "platform/Text.h"

#include <QtTest>

#include <cerrno>

using Op = FaultInjectingFileSystem::Op;
using testsupport::ReadFile;
using testsupport::WriteFile;

namespace {

const QDateTime T0 = QDateTime::fromSecsSinceEpoch(1700000000);
const QDateTime RunTime(QDate(2024, 3, 5), QTime(9, 7, 3), Qt::UTC);

QByteArray Header(const QString &name, const QString &master, const QString &backup)
{
    return QStringLiteral(u"------------------------------------------------------------\r\n"
                          u"設定名称\u3000\u3000\u3000：%1\r\n"
                          u"更新時間\u3000\u3000\u3000：2024/03/05 09:07:03\r\n"
                          u"マスタ側\u3000\u3000\u3000：%2\r\n"
                          u"バックアップ側：%3\r\n\r\n")
        .arg(name, master, backup)
        .toUtf8();
}

QByteArray Line(const QString &operation, const QString &path)
{
    return (operation + QStringLiteral(" \"") + path + QStringLiteral("\"\r\n")).toUtf8();
}

} // namespace

class TestRunLog : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void init();
    void ownLogIsClearedEachRun();
    void globalLogHoldsOneHeaderPerSetting();
    void errorsOnlyKeepsHeadersAndBlocks();
    void skippedFilesFollowThePolicy();
    void logNameIsExpanded();
    void logThatCannotBeOpenedEndsTheRun();
    void globalLogInUseIsNotCleared();
    void testRunWritesNoLog();

private:
    QString logPath() const { return f->dir.path() + QStringLiteral("/logs/run.log"); }
    std::unique_ptr<RunFixture> f;
};

void TestRunLog::init()
{
    qputenv("TZ", "UTC");
    tzset();
    f = std::make_unique<RunFixture>();
    f->now = RunTime;
    QDir().mkpath(f->dir.path() + "/logs");
    QVERIFY(WriteFile(f->MasterPath("a.txt"), "a", T0));
}

void TestRunLog::ownLogIsClearedEachRun()
{
    CFolderSetting s = f->Setting(QStringLiteral(u"写真"));
    s.OutputLog = true;
    s.LogFileName = logPath();
    s.ClearLog = true;
    QVERIFY(f->RunOne(s));
    const QByteArray header = Header(QStringLiteral(u"写真"), f->master, f->backup);
    QCOMPARE(ReadFile(logPath()), header + Line(QStringLiteral(u"フォルダ作成"), ".") + Line(QStringLiteral(u"作成"), "a.txt"));

    QVERIFY(WriteFile(f->MasterPath("b.txt"), "b", T0));
    QVERIFY(f->RunOne(s));
    QCOMPARE(ReadFile(logPath()), header + Line(QStringLiteral(u"作成"), "b.txt"));
    QVERIFY(!ReadFile(logPath()).startsWith("\xEF\xBB\xBF"));
}

void TestRunLog::globalLogHoldsOneHeaderPerSetting()
{
    QVERIFY(WriteFile(logPath(), "from an earlier run\r\n"));
    f->options.OutputLog = true;
    f->options.LogFileName = logPath();
    f->options.ClearLog = true;
    QList<CFolderSetting> settings{f->Setting(QStringLiteral("one")), f->Setting(QStringLiteral("two"))};
    settings[1].Backup = f->dir.path() + "/second";
    QVERIFY(f->Run(settings));
    const QByteArray expected = Header("one", f->master, f->backup) + Line(QStringLiteral(u"フォルダ作成"), ".")
        + Line(QStringLiteral(u"作成"), "a.txt") + Header("two", f->master, f->dir.path() + "/second")
        + Line(QStringLiteral(u"フォルダ作成"), ".") + Line(QStringLiteral(u"作成"), "a.txt");
    QCOMPARE(ReadFile(logPath()), expected);
}

void TestRunLog::errorsOnlyKeepsHeadersAndBlocks()
{
    QVERIFY(WriteFile(f->MasterPath("b.txt"), "b", T0));
    QVERIFY(QDir().mkpath(f->backup));
    FaultInjectingFileSystem disk(f->posix);
    disk.FailOn(Op::CopyFile, f->MasterPath("b.txt"), EIO);
    CFolderSetting s = f->Setting(QStringLiteral("err"));
    s.OutputLog = true;
    s.LogFileName = logPath();
    s.OutputErrorOnly = true;
    QVERIFY(f->RunOne(s, false, &disk));
    const QByteArray block = QStringLiteral(u"以下のエラーを無視しました。\r\n--------------------------------\r\n"
                                            u"コピー元：%1\nコピー先：%2\n\n%3--------------------------------\r\n")
                                 .arg(f->MasterPath("b.txt"), f->BackupPath("b.txt"), SystemErrorText(EIO))
                                 .toUtf8();
    QCOMPARE(ReadFile(logPath()), Header("err", f->master, f->backup) + block);
}

void TestRunLog::skippedFilesFollowThePolicy()
{
    QVERIFY(WriteFile(f->MasterPath("big"), QByteArray(2048, 'b'), T0));
    QVERIFY(WriteFile(f->BackupPath("a.txt"), "newer backup", T0.addSecs(100)));
    CFolderSetting s = f->Setting(QStringLiteral("skip"));
    s.OutputLog = true;
    s.LogFileName = logPath();
    s.OutputSkipLog = false;
    s.OverWrite = false;
    s.SkipTargetFileSize = true;
    s.TargetFileSize = 1;
    s.TargetFileSizeUnit = 1;
    QVERIFY(f->RunOne(s));
    // The newer backup is always logged; the new file the size filter left out follows the policy.
    QCOMPARE(ReadFile(logPath()), Header("skip", f->master, f->backup) + Line(QStringLiteral(u"スキップ"), "a.txt"));
    QCOMPARE(f->host.BodyRows().size(), 2);
}

void TestRunLog::logNameIsExpanded()
{
    qputenv("ORVANE_LOG_DIR", (f->dir.path() + "/logs").toUtf8());
    CFolderSetting s = f->Setting();
    s.OutputLog = true;
    s.LogFileName = QStringLiteral("%ORVANE_LOG_DIR%/expanded.log");
    QVERIFY(f->RunOne(s));
    qunsetenv("ORVANE_LOG_DIR");
    QVERIFY(ReadFile(f->dir.path() + "/logs/expanded.log").startsWith(QByteArray(60, '-') + "\r\n"));
}

void TestRunLog::logThatCannotBeOpenedEndsTheRun()
{
    CFolderSetting s = f->Setting();
    s.OutputLog = true;
    s.LogFileName = f->dir.path() + "/logs";   // a folder
    QVERIFY(!f->RunOne(s));
    QCOMPARE(f->Result(), 4);
    QVERIFY(f->host.rows.isEmpty());
    QCOMPARE(f->host.questions.size(), 1);
    QCOMPARE(f->host.questions.first().text,
             QStringLiteral(u"ログファイルがオープンできませんでした。\n中断します。\n\n") + f->dir.path() + "/logs");
    QCOMPARE(f->host.questions.first().caption, QStringLiteral(u"ログファイルを開く"));
    QCOMPARE(s.Errors, -1);

    s.LogFileName.clear();   // an empty name does not open either
    QVERIFY(!f->RunOne(s));
    QCOMPARE(f->Result(), 4);
}

void TestRunLog::globalLogInUseIsNotCleared()
{
    QVERIFY(WriteFile(logPath(), "kept\r\n"));
    CRunLog other;
    QVERIFY(other.Open(logPath(), false));
    f->options.OutputLog = true;
    f->options.LogFileName = logPath();
    f->options.ClearLog = true;
    CFolderSetting s = f->Setting();
    QVERIFY(!f->RunOne(s));
    QCOMPARE(f->Result(), 4);
    QCOMPARE(f->host.questions.first().caption, QStringLiteral(u"ログファイルのクリア"));
    QVERIFY(f->host.rows.isEmpty());
    QCOMPARE(ReadFile(logPath()), QByteArray("kept\r\n"));
}

void TestRunLog::testRunWritesNoLog()
{
    f->options.OutputLog = true;
    f->options.LogFileName = logPath();
    f->options.ClearLog = true;
    QVERIFY(WriteFile(logPath(), "kept\r\n"));
    CFolderSetting s = f->Setting();
    QVERIFY(f->RunOne(s, true));
    QCOMPARE(ReadFile(logPath()), QByteArray("kept\r\n"));
}

QTEST_APPLESS_MAIN(TestRunLog)
#include "tst_runlog.moc"
