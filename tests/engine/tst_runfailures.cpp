#include "FaultInjectingFileSystem.h"
#include "RunFixture.h"

#include "platform/MessageBox.h"
#include "platform/Text.h"

#include <QtTest>

#include <cerrno>

using Op = FaultInjectingFileSystem::Op;
using testsupport::ReadFile;
using testsupport::TreeListing;
using testsupport::WriteFile;

namespace {

const QDateTime T0 = QDateTime::fromSecsSinceEpoch(1700000000);

} // namespace

class TestRunFailures : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void init();
    void copyFailureAnswers_data();
    void copyFailureAnswers();
    void retryRepeatsWithoutLimit();
    void errorLeaveIgnoresWithoutAsking();
    void unattendedExitRunShowsNoBoxes();
    void networkPathIsRetried_data();
    void networkPathIsRetried();
    void lockedFileTriesTheSnapshot();
    void fullDiskKeepsTheOldBackup();
    void unreadableFoldersAreReported();
    void deletionFailureIsLevelTwo();
    void vanishedMasterFileIsReportedAsFailedCopy();
    void nothingOutsideTheBackupIsTouched();
    void mirroringChecksNoListedFolderAgain();

private:
    std::unique_ptr<RunFixture> f;
};

void TestRunFailures::init()
{
    f = std::make_unique<RunFixture>();
    QVERIFY(WriteFile(f->MasterPath("a.txt"), "new a", T0.addSecs(100)));
    QVERIFY(WriteFile(f->MasterPath("b.txt"), "new b", T0.addSecs(100)));
    QVERIFY(WriteFile(f->BackupPath("a.txt"), "old a", T0));
}

void TestRunFailures::copyFailureAnswers_data()
{
    QTest::addColumn<MessageAnswer>("answer");
    QTest::addColumn<bool>("completed");
    QTest::addColumn<int>("errors");
    QTest::addColumn<QByteArray>("backupOfA");
    QTest::newRow("retry, then success") << MessageAnswer::Retry << true << 0 << QByteArray("new a");
    QTest::newRow("ignore") << MessageAnswer::Ignore << true << 1 << QByteArray("old a");
    QTest::newRow("abort") << MessageAnswer::Abort << false << 1 << QByteArray("old a");
}

void TestRunFailures::copyFailureAnswers()
{
    QFETCH(MessageAnswer, answer);
    QFETCH(bool, completed);
    QFETCH(int, errors);
    QFETCH(QByteArray, backupOfA);
    FaultInjectingFileSystem disk(f->posix);
    disk.FailOn(Op::CopyFile, f->MasterPath("a.txt"), EIO, 1);
    f->host.answers = {answer};
    QList<CFolderSetting> settings{f->Setting(QStringLiteral("one")), f->Setting(QStringLiteral("two"))};
    settings[1].Backup = f->dir.path() + "/second";
    QCOMPARE(f->Run(settings, false, false, &disk), completed);

    QCOMPARE(f->host.questions.first().caption, QStringLiteral(u"ファイルのコピーに失敗"));
    QCOMPARE(f->host.questions.first().buttons, MessageButtons::AbortRetryIgnore);
    QCOMPARE(f->host.questions.first().icon, MessageIcon::Error);
    QCOMPARE(f->host.questions.first().text,
             QStringLiteral(u"コピー元：%1\nコピー先：%2\n\n%3").arg(f->MasterPath("a.txt"), f->BackupPath("a.txt"), SystemErrorText(EIO)));
    QCOMPARE(settings[0].Errors, errors);
    QCOMPARE(ReadFile(f->BackupPath("a.txt")), backupOfA);
    QCOMPARE(f->Result(), 3);   // raised by the report even when a retry succeeded
    const QStringList rows = f->host.RowTexts();
    QCOMPARE(rows.count(QStringLiteral(u"エラー ファイルのコピーに失敗: ") + SystemErrorText(EIO)), errors);
    QCOMPARE(QFileInfo::exists(f->dir.path() + "/second/a.txt"), completed);
    QCOMPARE(settings[1].Errors, completed ? 0 : -1);
    if (!completed) {
        QCOMPARE(rows.last(), QStringLiteral(u"中断 "));
        QCOMPARE(f->host.questions.last().caption, QStringLiteral(u"中断"));
    }
}

void TestRunFailures::retryRepeatsWithoutLimit()
{
    FaultInjectingFileSystem disk(f->posix);
    disk.FailOn(Op::CopyFile, f->MasterPath("a.txt"), EIO, 5);
    f->host.answers = {MessageAnswer::Retry, MessageAnswer::Retry, MessageAnswer::Retry, MessageAnswer::Retry, MessageAnswer::Retry};
    CFolderSetting s = f->Setting();
    QVERIFY(f->RunOne(s, false, &disk));
    QCOMPARE(f->host.questions.size(), 5);
    QCOMPARE(s.Errors, 0);
    QCOMPARE(ReadFile(f->BackupPath("a.txt")), QByteArray("new a"));
}

void TestRunFailures::errorLeaveIgnoresWithoutAsking()
{
    FaultInjectingFileSystem disk(f->posix);
    disk.FailOn(Op::CopyFile, f->MasterPath("a.txt"), EIO);
    f->options.OutputLog = true;
    f->options.LogFileName = f->dir.path() + "/run.log";
    f->options.OutputErrorOnly = true;
    CFolderSetting s = f->Setting();
    s.ErrorLeave = true;
    QVERIFY(f->RunOne(s, false, &disk));
    QVERIFY(f->host.questions.isEmpty());
    QCOMPARE(s.Errors, 1);
    const QString log = QString::fromUtf8(ReadFile(f->options.LogFileName));
    QVERIFY(log.contains(QStringLiteral(u"以下のエラーを無視しました。\r\n--------------------------------\r\nコピー元：")));
    QVERIFY(!log.contains(QStringLiteral(u"更新 \"")));   // errors only: no operation lines
}

void TestRunFailures::unattendedExitRunShowsNoBoxes()
{
    FaultInjectingFileSystem disk(f->posix);
    disk.FailOn(Op::CopyFile, f->MasterPath("a.txt"), EIO);
    f->flags.AutoMode = true;
    f->flags.AfterRunExit = true;
    f->options.AutoExitWhenError = true;
    CFolderSetting s = f->Setting();
    QVERIFY(f->RunOne(s, false, &disk));
    QVERIFY(f->host.questions.isEmpty());
    QCOMPARE(s.Errors, 1);
    QCOMPARE(f->host.closeRequests, 1);
}

void TestRunFailures::networkPathIsRetried_data()
{
    QTest::addColumn<int>("failures");
    QTest::addColumn<bool>("retryOn");
    QTest::addColumn<int>("errors");
    QTest::addColumn<QStringList>("retryStatus");
    QTest::newRow("answers on the third attempt") << 2 << true << 0 << QStringList{"リトライ中(1)…", "リトライ中(2)…"};
    QTest::newRow("never answers") << 99 << true << 1 << QStringList{"リトライ中(1)…", "リトライ中(2)…", "リトライ中(3)…"};
    QTest::newRow("retry off fails at once") << 1 << false << 1 << QStringList();
}

void TestRunFailures::networkPathIsRetried()
{
    QFETCH(int, failures);
    QFETCH(bool, retryOn);
    QFETCH(int, errors);
    QFETCH(QStringList, retryStatus);
    FaultInjectingFileSystem disk(f->posix);
    disk.FailOn(Op::Status, f->BackupPath("a.txt"), EHOSTDOWN, failures);
    f->options.OutputLog = true;
    f->options.LogFileName = f->dir.path() + "/run.log";
    CFolderSetting s = f->Setting();
    s.ErrorNetPathRetry = retryOn;
    QVERIFY(f->RunOne(s, false, &disk));

    QStringList shown;
    for (const QString &status : f->host.statusTexts) {
        if (status.startsWith(QStringLiteral(u"リトライ中"))) {
            QCOMPARE(status.section(u'|', 1), f->BackupPath("a.txt"));
            shown << status.section(u'|', 0, 0);
        }
    }
    QCOMPARE(shown, retryStatus);
    QCOMPARE(s.Errors, errors);
    QVERIFY(f->Result() >= 1);
    const QString log = QString::fromUtf8(ReadFile(f->options.LogFileName));
    if (errors == 0) {
        QVERIFY(f->host.questions.isEmpty());
        QVERIFY(log.contains(QStringLiteral(u"以下のエラーが発生しましたが、リトライにより解決しました。\r\n"
                                            "--------------------------------\r\nファイル存在チェック(リトライ 2 回)：")));
        QCOMPARE(f->Result(), 1);
        QCOMPARE(ReadFile(f->BackupPath("a.txt")), QByteArray("new a"));
    } else {
        QCOMPARE(f->host.questions.size(), 1);
        const QString note = retryOn ? QStringLiteral(u"(リトライ 3 回)") : QString();
        QCOMPARE(f->host.questions.first().text, QStringLiteral(u"ファイル存在チェック%1：%2\n\n%3")
                                                     .arg(note, f->BackupPath("a.txt"), SystemErrorText(EHOSTDOWN)));
        QCOMPARE(f->host.questions.first().caption, QStringLiteral(u"ファイル存在チェックに失敗"));
        QCOMPARE(f->Result(), 3);
        QCOMPARE(ReadFile(f->BackupPath("a.txt")), QByteArray("old a"));
    }
}

void TestRunFailures::lockedFileTriesTheSnapshot()
{
    FaultInjectingFileSystem disk(f->posix);
    disk.FailOn(Op::CopyFile, f->MasterPath("a.txt"), EBUSY);
    CFolderSetting s = f->Setting();
    s.CopyLockedFile = true;
    QVERIFY(f->RunOne(s, false, &disk));
    QCOMPARE(f->host.questions.size(), 1);
    QVERIFY(f->host.questions.first().text.endsWith(
        SystemErrorText(EBUSY) + QStringLiteral(u"\r\nボリュームシャドウコピーでエラーが発生しました。\r\n")));
    QCOMPARE(s.Errors, 1);
}

void TestRunFailures::fullDiskKeepsTheOldBackup()
{
    FaultInjectingFileSystem disk(f->posix);
    disk.FailOn(Op::CopyFile, f->MasterPath("a.txt"), ENOSPC);
    CFolderSetting s = f->Setting();
    QVERIFY(f->RunOne(s, false, &disk));
    QCOMPARE(ReadFile(f->BackupPath("a.txt")), QByteArray("old a"));
    QCOMPARE(QDir(f->backup).entryList(QDir::AllEntries | QDir::Hidden | QDir::NoDotAndDotDot),
             QStringList({"a.txt", "b.txt"}));
    QVERIFY(f->host.RowTexts().contains(QStringLiteral(u"エラー ファイルのコピーに失敗: ") + SystemErrorText(ENOSPC)));
}

void TestRunFailures::unreadableFoldersAreReported()
{
    QVERIFY(WriteFile(f->MasterPath("locked/x.txt"), "x", T0));
    QVERIFY(WriteFile(f->BackupPath("stale/y.txt"), "y", T0));
    FaultInjectingFileSystem disk(f->posix);
    disk.FailOn(Op::ListFolder, f->MasterPath("locked/"), EACCES);
    disk.FailOn(Op::ListFolder, f->BackupPath("stale/"), EACCES);
    CFolderSetting s = f->Setting();
    QVERIFY(f->RunOne(s, false, &disk));
    // Two listings failed; the unread folder then cannot be removed either.
    QCOMPARE(s.Errors, 3);
    QCOMPARE(f->host.RowTexts().filter(QStringLiteral(u"エラー フォルダの読み取りに失敗: ")).size(), 2);
    QCOMPARE(f->host.RowTexts().filter(QStringLiteral(u"エラー フォルダの削除に失敗: ")).size(), 1);
    // The folder that could not be read is kept, and its content with it.
    QVERIFY(QFileInfo::exists(f->BackupPath("stale/y.txt")));
    QCOMPARE(f->Result(), 3);
}

void TestRunFailures::deletionFailureIsLevelTwo()
{
    QVERIFY(WriteFile(f->BackupPath("extra.txt"), "e", T0));
    FaultInjectingFileSystem disk(f->posix);
    disk.FailOn(Op::DeleteFile, f->BackupPath("extra.txt"), EPERM);
    CFolderSetting s = f->Setting();
    QVERIFY(f->RunOne(s, false, &disk));
    QCOMPARE(f->host.questions.first().caption, QStringLiteral(u"ファイルの削除に失敗"));
    QCOMPARE(f->host.questions.first().text, f->BackupPath("extra.txt") + QStringLiteral("\n\n") + SystemErrorText(EPERM));
    QCOMPARE(f->Result(), 2);
    QCOMPARE(s.Errors, 1);
}

void TestRunFailures::vanishedMasterFileIsReportedAsFailedCopy()
{
    FaultInjectingFileSystem disk(f->posix);
    disk.FailOn(Op::Status, f->MasterPath("b.txt"), ENOENT);
    disk.FailOn(Op::CopyFile, f->MasterPath("b.txt"), ENOENT);
    CFolderSetting s = f->Setting();
    QVERIFY(f->RunOne(s, false, &disk));
    QCOMPARE(s.Errors, 1);
    QCOMPARE(ReadFile(f->BackupPath("a.txt")), QByteArray("new a"));
}

void TestRunFailures::nothingOutsideTheBackupIsTouched()
{
    QVERIFY(WriteFile(f->MasterPath("sub/c.txt"), "c", T0));
    QVERIFY(WriteFile(f->BackupPath("gone/d.txt"), "d", T0));
    FaultInjectingFileSystem disk(f->posix);
    disk.FailOn(Op::CopyFile, f->MasterPath("b.txt"), EACCES);
    CFolderSetting s = f->Setting();
    s.CopyFolderTime = true;
    QVERIFY(f->RunOne(s, false, &disk));
    for (const QString &path : disk.ChangedPaths()) {
        const bool backupSide = path.startsWith(f->backup);
        const bool copySource = path.startsWith(f->master);
        QVERIFY2(backupSide || copySource, qPrintable(path));
    }
    for (const auto &call : disk.Calls()) {
        if (call.op != Op::CopyFile && call.op != Op::Status && call.op != Op::ListFolder && call.op != Op::ActualName
            && call.op != Op::ReadStatuses)
            QVERIFY2(call.path.startsWith(f->backup), qPrintable(call.path));
    }
}

// The mirroring pass learns that the master still has a folder from the master's listing it
// reads for the files anyway; only a folder the listing lacks is checked on its own.
void TestRunFailures::mirroringChecksNoListedFolderAgain()
{
    QVERIFY(WriteFile(f->MasterPath("kept/sub/c.txt"), "c", T0));
    CFolderSetting s = f->Setting();
    QVERIFY(f->RunOne(s));
    QVERIFY(WriteFile(f->BackupPath("gone/d.txt"), "d", T0));
    FaultInjectingFileSystem disk(f->posix);
    QVERIFY(f->RunOne(s, false, &disk));
    const QStringList checked = disk.CallsOf(Op::Status);
    QVERIFY2(!checked.contains(f->MasterPath("kept")) && !checked.contains(f->MasterPath("kept/sub")),
             qPrintable(checked.join(u'\n')));
    QVERIFY(checked.contains(f->MasterPath("gone")));
    QVERIFY(!QFileInfo::exists(f->BackupPath("gone")));
    QCOMPARE(ReadFile(f->BackupPath("kept/sub/c.txt")), QByteArray("c"));
}

QTEST_APPLESS_MAIN(TestRunFailures)
#include "tst_runfailures.moc"
