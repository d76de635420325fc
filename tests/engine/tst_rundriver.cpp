#include "FaultInjectingFileSystem.h"
#include "RunFixture.h"

#include "platform/MessageBox.h"

#include <QtTest>

#include <QDirIterator>

#include <cerrno>

using Op = FaultInjectingFileSystem::Op;
using testsupport::ReadFile;
using testsupport::WriteFile;

namespace {

const QDateTime T0 = QDateTime::fromSecsSinceEpoch(1700000000);

// A file system that presents any volume label and media kind.
class LabelledFileSystem : public PosixFileSystem {
public:
    QString VolumeLabel(const QString &) override { return labels.isEmpty() ? label : labels.takeFirst(); }
    bool IsExchangeable(const QString &) override { return exchangeable; }
    QString label;
    QStringList labels;
    bool exchangeable = false;
};

} // namespace

class TestRunDriver : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void init();
    void selectionByAutoExec();
    void scheduleGate_data();
    void scheduleGate();
    void stopDuringSecondOfThreeSettings();
    void preflightRefusals_data();
    void preflightRefusals();
    void backupInsideMasterIsAllowedWhenLeftOut();
    void missingBackupFolderChainIsCreated();
    void backupFolderThatCannotBeCreated();
    void volumeLabel_data();
    void volumeLabel();
    void volumeRetryAfterExchangingMedia();
    void patternThatDoesNotParseEndsTheRun();
    void afterRunActions_data();
    void afterRunActions();
    void runWorksOnCopiesAndPublishesByIndex();
    void noHandleIntoTheTreesOutlivesTheRun();

private:
    std::unique_ptr<RunFixture> f;
};

void TestRunDriver::init()
{
    qputenv("TZ", "UTC");
    tzset();
    f = std::make_unique<RunFixture>();
    QVERIFY(WriteFile(f->MasterPath("a.txt"), "a", T0));
}

void TestRunDriver::selectionByAutoExec()
{
    QList<CFolderSetting> settings{f->Setting(QStringLiteral("on")), f->Setting(QStringLiteral("off"))};
    settings[1].AutoExec = false;
    settings[1].LastExec = 77;
    QVERIFY(f->Run(settings, false, true));
    QCOMPARE(f->host.RowTexts().filter(QStringLiteral(u"開始")).size(), 1);
    QCOMPARE(settings[1].Errors, -1);
    QCOMPARE(settings[1].LastExec, 77);

    // No setting marked: nothing but the cleared list, and success.
    settings[0].AutoExec = false;
    QVERIFY(f->Run(settings, false, true));
    QVERIFY(f->host.rows.isEmpty());
    QCOMPARE(f->host.clears, 2);
}

void TestRunDriver::scheduleGate_data()
{
    QTest::addColumn<int>("type");
    QTest::addColumn<int>("hours");
    QTest::addColumn<QDateTime>("lastRun");
    QTest::addColumn<QDateTime>("now");
    QTest::addColumn<bool>("runs");
    const QDateTime noon(QDate(2024, 3, 5), QTime(12, 0), Qt::UTC);
    QTest::newRow("daily, same day") << 1 << 1 << noon << noon.addSecs(3600 * 11) << false;
    QTest::newRow("daily, a minute after midnight") << 1 << 1 << noon << QDateTime(QDate(2024, 3, 6), QTime(0, 1), Qt::UTC) << true;
    QTest::newRow("24 hours, 23:59 later") << 2 << 24 << noon << noon.addSecs(24 * 3600 - 60) << false;
    QTest::newRow("24 hours, exactly") << 2 << 24 << noon << noon.addSecs(24 * 3600) << true;
    QTest::newRow("clock set back") << 2 << 1 << noon << noon.addSecs(-7200) << false;
    QTest::newRow("every time") << 0 << 1 << noon << noon << true;
    QTest::newRow("unknown type") << 7 << 1 << noon << noon << true;
}

void TestRunDriver::scheduleGate()
{
    QFETCH(int, type);
    QFETCH(int, hours);
    QFETCH(QDateTime, lastRun);
    QFETCH(QDateTime, now);
    QFETCH(bool, runs);
    f->flags.AutoMode = true;
    f->now = now;
    CFolderSetting s = f->Setting();
    s.ScheduleType = ScheduleKind(type);
    s.ScheduleTime = hours;
    s.LastExec = lastRun.toSecsSinceEpoch();
    QVERIFY(f->RunOne(s));
    QCOMPARE(!f->host.rows.isEmpty(), runs);
    QCOMPARE(s.LastExec, runs ? now.toSecsSinceEpoch() : lastRun.toSecsSinceEpoch());
    // Without the unattended mode the gate does not apply.
    f->flags.AutoMode = false;
    s.LastExec = lastRun.toSecsSinceEpoch();
    QVERIFY(f->RunOne(s));
    QVERIFY(!f->host.rows.isEmpty());
}

void TestRunDriver::stopDuringSecondOfThreeSettings()
{
    QList<CFolderSetting> settings{f->Setting(QStringLiteral("1")), f->Setting(QStringLiteral("2")), f->Setting(QStringLiteral("3"))};
    int seen = 0;
    f->host.onStatus = [&](const QString &text, const QString &) {
        if (text == u"バックアップ中…" && ++seen == 2)
            *f->stopFlag = true;
    };
    QVERIFY(!f->Run(settings));
    QCOMPARE(f->Result(), 1);
    QCOMPARE(settings[0].Errors, 0);
    QVERIFY(settings[0].LastExec > 0);
    QCOMPARE(settings[1].LastExec, 0);
    QCOMPARE(settings[2].Errors, -1);
    QCOMPARE(f->host.RowTexts().filter(QStringLiteral(u"中断")).size(), 1);
    QCOMPARE(f->host.RowTexts().filter(QStringLiteral(u"開始")).size(), 2);
}

void TestRunDriver::preflightRefusals_data()
{
    QTest::addColumn<QString>("master");
    QTest::addColumn<QString>("backup");
    QTest::addColumn<bool>("mirroring");
    QTest::addColumn<QString>("error");
    QTest::newRow("master empty") << "" << "{B}" << true << "マスター側の指定が正しくありません。";
    QTest::newRow("master missing") << "{M}/none" << "{B}" << true << "マスター側の指定が正しくありません。";
    QTest::newRow("master is a file") << "{M}/a.txt" << "{B}" << true << "マスター側の指定が正しくありません。";
    QTest::newRow("backup empty") << "{M}" << "" << true << "バックアップ側の指定が正しくありません。";
    QTest::newRow("same text") << "{M}" << "{M}" << true << "マスターとバックアップのフォルダが同じです。";
    QTest::newRow("same folder written otherwise") << "{M}" << "{M}/" << true << "マスターとバックアップのフォルダが同じです。";
    QTest::newRow("same folder through a link") << "{M}" << "{L}" << true << "マスターとバックアップのフォルダが同じです。";
    QTest::newRow("backup inside master") << "{M}" << "{M}/bk" << true << "バックアップ側のフォルダがマスター側のフォルダの中にあります。";
    QTest::newRow("master inside backup, mirroring") << "{B}/m" << "{B}" << true << "マスター側のフォルダがバックアップ側のフォルダの中にあります。";
}

void TestRunDriver::preflightRefusals()
{
    QFETCH(QString, master);
    QFETCH(QString, backup);
    QFETCH(bool, mirroring);
    QFETCH(QString, error);
    QVERIFY(QFile::link(f->master, f->dir.path() + "/L"));
    QVERIFY(WriteFile(f->BackupPath("m/keep.txt"), "k", T0));
    const auto expand = [this](QString path) {
        return path.replace(QStringLiteral("{M}"), f->master.chopped(1))
            .replace(QStringLiteral("{B}"), f->backup.chopped(1))
            .replace(QStringLiteral("{L}"), f->dir.path() + "/L");
    };
    CFolderSetting s = f->Setting();
    s.Master = master.isEmpty() ? QString() : expand(master);
    s.Backup = backup.isEmpty() ? QString() : expand(backup);
    s.Mirroring = mirroring;
    QList<CFolderSetting> settings{s, f->Setting(QStringLiteral("next"))};
    QVERIFY(!f->Run(settings));
    QCOMPARE(f->Result(), 4);
    const auto refusal = std::find_if(f->host.questions.cbegin(), f->host.questions.cend(), [](const auto &q) {
        return q.caption == u"フォルダ設定エラー";
    });
    QVERIFY(refusal != f->host.questions.cend());
    QVERIFY(refusal->text.startsWith(error + u'\n'));
    QCOMPARE(refusal->buttons, MessageButtons::Ok);
    QCOMPARE(refusal->icon, MessageIcon::Error);
    QCOMPARE(f->host.questions.last().text, QStringLiteral(u"処理が中断されました。"));
    QVERIFY(f->host.RowTexts().contains(QStringLiteral(u"エラー フォルダ設定エラー: ") + error));
    QCOMPARE(f->host.RowTexts().last(), QStringLiteral(u"中断 "));
    QCOMPARE(settings[1].Errors, -1);
    QVERIFY(QFileInfo::exists(f->BackupPath("m/keep.txt")));
    QVERIFY(!QFileInfo::exists(f->MasterPath("bk")));
}

void TestRunDriver::backupInsideMasterIsAllowedWhenLeftOut()
{
    CFolderSetting s = f->Setting();
    s.Backup = f->MasterPath("bk/data");
    s.TargetDirectory = QStringLiteral("bk");
    s.TargetType = 1;
    QVERIFY(f->RunOne(s));
    QVERIFY(QFileInfo::exists(f->MasterPath("bk/data/a.txt")));
    QVERIFY(!QFileInfo::exists(f->MasterPath("bk/data/bk")));
    QVERIFY(f->RunOne(s));
    QCOMPARE(f->host.BodyRows(), QStringList());

    // Master inside the backup is fine while nothing is deleted.
    CFolderSetting inside = f->Setting();
    inside.Master = f->master;
    inside.Backup = f->dir.path();
    inside.Mirroring = false;
    inside.SubDir = false;
    QVERIFY(f->RunOne(inside));
}

void TestRunDriver::missingBackupFolderChainIsCreated()
{
    CFolderSetting s = f->Setting();
    s.Backup = f->dir.path() + "/x/y/Docs";
    QVERIFY(f->RunOne(s, true));
    QCOMPARE(f->host.BodyRows(), QStringList({QStringLiteral(u"フォルダ作成 ../Docs"), QStringLiteral(u"作成 a.txt")}));
    QVERIFY(!QFileInfo::exists(f->dir.path() + "/x"));
    QVERIFY(f->RunOne(s));
    QVERIFY(QFileInfo::exists(f->dir.path() + "/x/y/Docs/a.txt"));
}

void TestRunDriver::backupFolderThatCannotBeCreated()
{
    FaultInjectingFileSystem disk(f->posix);
    disk.FailOn(Op::CreateFolder, f->backup.chopped(1), EACCES);
    f->host.answers = {MessageAnswer::Ignore};
    CFolderSetting s = f->Setting();
    QVERIFY(!f->RunOne(s, false, &disk));
    QCOMPARE(f->Result(), 4);
    QCOMPARE(f->host.questions.size(), 3);
    QCOMPARE(f->host.questions[0].caption, QStringLiteral(u"フォルダの作成に失敗"));
    QCOMPARE(f->host.questions[2].caption, QStringLiteral(u"中断"));
    QCOMPARE(f->host.questions[1].text,
             QStringLiteral(u"バックアップ側のフォルダが作成できませんでした。\nバックアップを中止します。\n"));
    QCOMPARE(s.Errors, 1);
}

void TestRunDriver::volumeLabel_data()
{
    QTest::addColumn<QString>("label");
    QTest::addColumn<bool>("volErrorSkip");
    QTest::addColumn<bool>("exchangeable");
    QTest::addColumn<MessageAnswer>("answer");
    QTest::addColumn<bool>("success");
    QTest::addColumn<int>("errors");
    QTest::addColumn<bool>("exchangeText");
    QTest::newRow("label matches without regard to case") << "backup" << false << false << MessageAnswer::None << true << 0 << false;
    QTest::newRow("mismatch skipped") << "OTHER" << true << true << MessageAnswer::None << true << -3 << false;
    QTest::newRow("mismatch ignored on exchangeable media") << "OTHER" << false << true << MessageAnswer::Ignore << true << -3 << true;
    QTest::newRow("mismatch aborted on a fixed disk") << "OTHER" << false << false << MessageAnswer::Abort << false << -3 << false;
}

void TestRunDriver::volumeLabel()
{
    QFETCH(QString, label);
    QFETCH(bool, volErrorSkip);
    QFETCH(bool, exchangeable);
    QFETCH(MessageAnswer, answer);
    QFETCH(bool, success);
    QFETCH(int, errors);
    QFETCH(bool, exchangeText);
    LabelledFileSystem disk;
    disk.label = label;
    disk.exchangeable = exchangeable;
    if (answer != MessageAnswer::None)
        f->host.answers = {answer};
    CFolderSetting s = f->Setting();
    s.CheckVolume = true;
    s.Volume = QStringLiteral("BACKUP");
    s.VolErrorSkip = volErrorSkip;
    QCOMPARE(f->RunOne(s, false, &disk), success);
    QCOMPARE(s.Errors, errors);
    if (errors == 0) {
        QVERIFY(f->host.questions.isEmpty());
        return;
    }
    const QString base = QStringLiteral(u"設定 のボリュームラベルが設定されている内容と一致しません。\n\n設定されている内容：\"BACKUP\"\n実際のボリュームラベル：\"OTHER\"\n");
    QCOMPARE(f->host.questions.first().text,
             exchangeText ? base + QStringLiteral(u"\nメディアを交換する場合は、メディアを入れ換えて [再試行] を押してください。\n") : base);
    QCOMPARE(f->host.questions.first().caption, QStringLiteral(u"ボリュームラベルの不一致"));
    QCOMPARE(f->Result(), 4);
    // A skipped setting counts as completed.
    QCOMPARE(s.LastExec > 0, success);
    QCOMPARE(f->host.rows.last().operation, success ? QStringLiteral(u"終了") : QStringLiteral(u"中断"));
}

void TestRunDriver::volumeRetryAfterExchangingMedia()
{
    LabelledFileSystem disk;
    disk.labels = {QStringLiteral("WRONG"), QStringLiteral("BACKUP")};
    disk.exchangeable = true;
    f->host.answers = {MessageAnswer::Retry};
    CFolderSetting s = f->Setting();
    s.CheckVolume = true;
    s.Volume = QStringLiteral("BACKUP");
    QVERIFY(f->RunOne(s, false, &disk));
    QCOMPARE(s.Errors, 0);
    QVERIFY(QFileInfo::exists(f->BackupPath("a.txt")));
}

void TestRunDriver::patternThatDoesNotParseEndsTheRun()
{
    QList<CFolderSetting> settings{f->Setting(QStringLiteral("first")), f->Setting(QStringLiteral("broken"))};
    settings[1].TargetDirectory = QStringLiteral("re:(");
    QVERIFY(!f->Run(settings));
    QCOMPARE(f->Result(), 4);
    QCOMPARE(settings[0].Errors, 0);
    QCOMPARE(settings[1].Errors, -1);
    QCOMPARE(f->host.questions.first().text, QStringLiteral(u"ターゲットフォルダ指定の解析に失敗しました。\n"));
    QCOMPARE(f->host.RowTexts().last(), QStringLiteral(u"エラー ターゲット指定エラー: ターゲットフォルダ指定の解析に失敗しました。"));
}

void TestRunDriver::afterRunActions_data()
{
    QTest::addColumn<bool>("test");
    QTest::addColumn<bool>("autoMode");
    QTest::addColumn<bool>("autoExitWhenError");
    QTest::addColumn<bool>("failing");
    QTest::addColumn<int>("closes");
    QTest::newRow("successful run closes") << false << false << false << false << 1;
    QTest::newRow("test run never closes") << true << false << false << false << 0;
    QTest::newRow("failed unattended run stays") << false << true << false << true << 0;
    QTest::newRow("failed unattended run closes when told") << false << true << true << true << 1;
}

void TestRunDriver::afterRunActions()
{
    QFETCH(bool, test);
    QFETCH(bool, autoMode);
    QFETCH(bool, autoExitWhenError);
    QFETCH(bool, failing);
    QFETCH(int, closes);
    f->flags.AfterRunExit = true;
    f->flags.AfterRunMessage = true;
    f->flags.AutoMode = autoMode;
    f->options.AutoExitWhenError = autoExitWhenError;
    CFolderSetting s = f->Setting();
    if (failing)
        s.Master.clear();
    QCOMPARE(f->RunOne(s, test), !failing);
    QCOMPARE(f->host.closeRequests, closes);
    const bool messageShown = !f->host.questions.isEmpty() && f->host.questions.last().text == u"バックアップが完了しました。";
    QCOMPARE(messageShown, !test);
}

QTEST_APPLESS_MAIN(TestRunDriver)
#include "tst_rundriver.moc"

void TestRunDriver::runWorksOnCopiesAndPublishesByIndex()
{
    // The host's table: the run takes settings 1 and 2 of it, and only the host writes it.
    QList<CFolderSetting> table{f->Setting("zero"), f->Setting("one"), f->Setting("two")};
    table[2].Backup = f->dir.path() + "/second/";
    RunRequest request;
    request.settings = {table[1], table[2]};
    request.first = 1;
    request.host = &f->host;
    f->host.table = &table;
    bool runningAtFinish = false;
    qsizetype rowsAtFinish = -1;
    f->host.onRunFinished = [&] {
        runningAtFinish = request.running;
        rowsAtFinish = f->host.rows.size();
    };
    RunEnvironment environment{.fileSystem = f->posix, .flags = f->flags, .options = f->options, .snapshotProvider = {}};
    QVERIFY(RunMirroringThread(request, environment));

    QList<int> indexes;
    for (const SettingState &state : std::as_const(f->host.updates))
        indexes << state.index;
    QCOMPARE(indexes, QList<int>({1, 1, 2, 2}));
    QCOMPARE(table[0], f->Setting("zero"));
    QCOMPARE(table[1].Errors, 0);
    QVERIFY(table[1].LastExec > 0);
    QCOMPARE(table[2].LastExec, f->host.updates.last().LastExec);
    // The end of the run is handed over while the run still counts as running, after every row.
    QCOMPARE(f->host.runsFinished, 1);
    QVERIFY(runningAtFinish);
    QCOMPARE(rowsAtFinish, f->host.rows.size());
    QVERIFY(!request.running);
}

void TestRunDriver::noHandleIntoTheTreesOutlivesTheRun()
{
    for (int i = 0; i < 6; ++i)
        QVERIFY(WriteFile(f->MasterPath(QString("d%1/e/f%1.txt").arg(i)), "x", T0));
    QList<CFolderSetting> settings{f->Setting()};
    QVERIFY(f->Run(settings));
    QVERIFY(f->Run(settings));   // a rescan reads the backup side through folder handles
    QStringList open;
    QDirIterator fds("/proc/self/fd", QDir::AllEntries | QDir::System | QDir::NoDotAndDotDot);
    while (fds.hasNext()) {
        const QString target = QFileInfo(fds.next()).symLinkTarget();
        if (target.startsWith(f->dir.path()))
            open << target;
    }
    QVERIFY2(open.isEmpty(), qPrintable(open.join(u'\n')));
}
