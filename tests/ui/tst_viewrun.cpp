#include "FakeEngine.h"
#include "FaultInjectingFileSystem.h"
#include "RunFixture.h"
#include "ViewTestSupport.h"

#include "ui/OrvaneView.h"
#include "ui/ReportList.h"
#include "ui/ReportListModel.h"
#include "ui/RunController.h"
#include "ui/SetupList.h"
#include "ui/dialogs/DlgDeleteFile.h"

#include <QMessageBox>
#include <QPushButton>
#include <QSignalSpy>
#include <QtTest>

#include <cerrno>

using testsupport::WriteFile;

// Runs started from the main view: with the engine on generated trees, and with a scripted
// worker for the order of the channel, the end of a run and the end of the view during one.
class TestViewRun : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void runShowsRowsInOrderAndSavesResults();
    void stopDuringDeleteQuestion();
    void workerMessageBoxAnsweredRunGoesOn();
    void rowsBeforeAQuestionAreShownFirst();
    void runEndsBeforeCompletionMessage();
    void viewGoesDuringARun();
};

namespace {

constexpr int RunTimeout = 30000;

QStringList ShownRows(const COrvaneView &view, bool withSeparatorNames = true)
{
    const CReportListModel &rows = view.ReportList().Rows();
    QStringList shown;
    for (int row = 0; row < rows.rowCount(); ++row) {
        const QString operation = rows.Text(row, CReportListModel::Operation);
        // The closing row's dashes are as many as fit the list's font: the width differs by host.
        const bool separator = operation == QStringLiteral(u"終了");
        shown << (separator && !withSeparatorNames ? operation : operation + ' ' + rows.Text(row, CReportListModel::Name));
    }
    return shown;
}

void MakeTree(const QString &root)
{
    QVERIFY(WriteFile(root + "a.txt", "alpha"));
    QVERIFY(WriteFile(root + "sub/b.txt", "beta"));
    QVERIFY(WriteFile(root + "sub/deeper/c.txt", QByteArray(5000, 'c')));
    QVERIFY(WriteFile(root + QStringLiteral(u"写真.jpg"), "jpeg"));
}

// Records the last-result text of each row rewrite into shown, which outlives the view.
void RecordResults(COrvaneView &view, QStringList &shown)
{
    QObject::connect(view.SetupList().model(), &QAbstractItemModel::dataChanged, &view,
                     [&shown](const QModelIndex &from) { shown << from.siblingAtColumn(4).data().toString(); });
}

} // namespace

void TestViewRun::runShowsRowsInOrderAndSavesResults()
{
    RunFixture tree;
    MakeTree(tree.master);
    ViewEnv env({tree.Setting(QStringLiteral(u"写真の設定"))});
    QStringList results;
    COrvaneView view(*env.config, env.flags, env.disk);
    view.resize(800, 600);
    view.show();
    RecordResults(view, results);
    QSignalSpy closeEnabled(&view, &COrvaneView::CloseEnabledChanged);
    const qint64 before = QDateTime::currentSecsSinceEpoch();

    view.SelectRow(0);
    view.ExecuteCommand(CommandId::UpdateSelected);
    QVERIFY(view.State().running);
    QTRY_VERIFY_WITH_TIMEOUT(!view.State().running, RunTimeout);

    // The same setting on a twin tree, reported to a host that records every call.
    RunFixture twin;
    MakeTree(twin.master);
    CFolderSetting twinSetting = twin.Setting(QStringLiteral(u"写真の設定"));
    QVERIFY(twin.RunOne(twinSetting));
    QStringList expected;
    for (const ReportRow &row : twin.host.rows)
        expected << (row.operation == QStringLiteral(u"終了") ? row.operation : row.operation + ' ' + row.name);
    QVERIFY(expected.size() > 6);
    QCOMPARE(ShownRows(view, false), expected);
    QVERIFY(ShownRows(view).last().startsWith(QStringLiteral(u"終了 ---")));

    QVERIFY(results.size() >= 2);
    QCOMPARE(results.at(results.size() - 2), QStringLiteral(u"現在実行中!!"));
    QVERIFY2(results.last().endsWith(QStringLiteral(u" 正常終了")), qPrintable(results.last()));
    QCOMPARE(closeEnabled.count(), 2);
    QCOMPARE(closeEnabled.at(0).at(0).toBool(), false);
    QCOMPARE(closeEnabled.at(1).at(0).toBool(), true);

    const CFolderSetting stored = env.Stored().front();
    QCOMPARE(stored.Errors, 0);
    QVERIFY(stored.LastExec >= before && stored.LastExec <= QDateTime::currentSecsSinceEpoch());
    QCOMPARE(testsupport::ReadFile(tree.BackupPath("sub/deeper/c.txt")), QByteArray(5000, 'c'));
    QCOMPARE(env.flags.LastRunResult.load(), 0);

    // A second run empties the report of the first.
    view.ExecuteCommand(CommandId::TestSelected);
    QTRY_VERIFY_WITH_TIMEOUT(!view.State().running, RunTimeout);
    QVERIFY(ShownRows(view).first().startsWith(QStringLiteral(u"テスト開始")));
    QCOMPARE(ShownRows(view).size(), 2);   // nothing to do: start and end
}

void TestViewRun::stopDuringDeleteQuestion()
{
    RunFixture tree;
    QVERIFY(WriteFile(tree.MasterPath("keep.txt"), "keep"));
    QVERIFY(WriteFile(tree.BackupPath("old1.txt"), "old"));
    QVERIFY(WriteFile(tree.BackupPath("old2.txt"), "old"));
    CFolderSetting setting = tree.Setting();
    setting.DeleteConf = true;
    ViewEnv env({setting});
    COrvaneView view(*env.config, env.flags, env.disk);
    QSignalSpy status(&view, &COrvaneView::StatusTextChanged);
    view.SelectRow(0);
    view.ExecuteCommand(CommandId::UpdateSelected);

    QTRY_VERIFY_WITH_TIMEOUT(FindTopLevel<CDlgDeleteFile>() != nullptr, RunTimeout);
    CDlgDeleteFile *question = FindTopLevel<CDlgDeleteFile>();
    // The main window goes on while the worker waits: the stop command is there.
    QVERIFY(view.State().running);
    view.ExecuteCommand(CommandId::Stop);
    view.ExecuteCommand(CommandId::Stop);
    int stops = 0;
    for (const QList<QVariant> &arguments : status)
        stops += arguments.at(0).toString() == QStringLiteral(u"中断しています…") ? 1 : 0;
    QCOMPARE(stops, 1);

    QTest::mouseClick(question->Button(DeleteChoice::SkipThis), Qt::LeftButton);
    // The setting ends early and says so in a box of the worker's.
    QTRY_VERIFY_WITH_TIMEOUT(FindTopLevel<QMessageBox>() != nullptr, RunTimeout);
    QMessageBox *stopped = FindTopLevel<QMessageBox>();
    QCOMPARE(stopped->text(), QStringLiteral(u"処理が中断されました。"));
    QCOMPARE(stopped->windowTitle(), QStringLiteral(u"中断"));
    stopped->button(QMessageBox::Ok)->click();
    QTRY_VERIFY_WITH_TIMEOUT(!view.State().running, RunTimeout);

    QCOMPARE(ShownRows(view).last(), QStringLiteral(u"中断 "));
    QVERIFY(QFile::exists(tree.BackupPath("old1.txt")));
    QVERIFY(QFile::exists(tree.BackupPath("old2.txt")));
    const CFolderSetting stored = env.Stored().front();
    QCOMPARE(stored.LastExec, 0);
    QVERIFY(stored.Errors != CFolderSetting::ErrorsRunning);
    QCOMPARE(env.flags.LastRunResult.load(), 1);
}

void TestViewRun::workerMessageBoxAnsweredRunGoesOn()
{
    RunFixture tree;
    MakeTree(tree.master);
    FaultInjectingFileSystem disk(tree.posix);
    disk.FailOn(FaultInjectingFileSystem::Op::CopyFile, tree.MasterPath("sub/b.txt"), EACCES);
    ViewEnv env({tree.Setting()});
    QStringList results;
    COrvaneView view(*env.config, env.flags, disk);
    RecordResults(view, results);
    view.SelectRow(0);
    view.ExecuteCommand(CommandId::UpdateSelected);

    QTRY_VERIFY_WITH_TIMEOUT(FindTopLevel<QMessageBox>() != nullptr, RunTimeout);
    QMessageBox *box = FindTopLevel<QMessageBox>();
    QVERIFY(box->button(QMessageBox::Abort) && box->button(QMessageBox::Retry) && box->button(QMessageBox::Ignore));
    QVERIFY(box->windowFlags().testFlag(Qt::WindowStaysOnTopHint));
    QVERIFY(!box->isModal());
    // The row sent just before the question is on screen; its error row comes after the answer.
    QCOMPARE(ShownRows(view).last(), QStringLiteral(u"作成 sub/b.txt"));
    QVERIFY(!ShownRows(view).join(QChar(10)).contains(QStringLiteral(u"エラー")));
    QTest::qWait(50);
    QVERIFY(view.State().running);
    box->button(QMessageBox::Ignore)->click();
    QTRY_VERIFY_WITH_TIMEOUT(!view.State().running, RunTimeout);

    const QStringList shown = ShownRows(view);
    QVERIFY2(shown.filter(QStringLiteral(u"エラー")).size() == 1, qPrintable(shown.join('\n')));
    QVERIFY(QFile::exists(tree.BackupPath("a.txt")));
    QVERIFY(QFile::exists(tree.BackupPath("sub/deeper/c.txt")));
    QVERIFY(!QFile::exists(tree.BackupPath("sub/b.txt")));
    QVERIFY2(results.last().endsWith(QStringLiteral(u" 1件のエラー")), qPrintable(results.last()));
    QCOMPARE(env.Stored().front().Errors, 1);
    QCOMPARE(env.flags.LastRunResult.load(), 3);
}

void TestViewRun::rowsBeforeAQuestionAreShownFirst()
{
    ViewEnv env(NamedSettings(1));
    COrvaneView view(*env.config, env.flags, env.disk);
    FakeEngine engine;
    std::atomic<int> answer{-1};
    constexpr int Before = 20000;
    engine.body = [&](RunRequest &request) {
        for (int i = 0; i < Before; ++i) {
            request.host->StatusText(QStringLiteral("status %1").arg(i), QStringLiteral("/path"));
            request.host->AddReportRow({.operation = QStringLiteral(u"作成"), .name = QString::number(i)});
        }
        answer = int(request.host->MessageBox({.text = QStringLiteral("question"), .buttons = MessageButtons::OkCancel,
                                                .unattended = MessageAnswer::Cancel}));
        request.host->AddReportRow({.operation = QStringLiteral(u"作成"), .name = QStringLiteral("after")});
    };
    view.Runs().SetProcedure(engine.Procedure());
    QSignalSpy status(&view, &COrvaneView::StatusTextChanged);
    QSignalSpy inserted(&view.ReportList().Rows(), &QAbstractItemModel::rowsInserted);
    view.ExecuteCommand(CommandId::UpdateAll);

    QTRY_VERIFY_WITH_TIMEOUT(FindTopLevel<QMessageBox>() != nullptr, RunTimeout);
    const CReportListModel &rows = view.ReportList().Rows();
    QCOMPARE(rows.rowCount(), Before);
    QCOMPARE(rows.Text(Before - 1, CReportListModel::Name), QString::number(Before - 1));
    QVERIFY(!status.isEmpty());
    QCOMPARE(status.last().at(0).toString(), QStringLiteral("status %1").arg(Before - 1));
    // Coalesced and batched, not one paint per call.
    QVERIFY2(status.count() < Before / 10, qPrintable(QString::number(status.count())));
    QVERIFY2(inserted.count() < Before / 10, qPrintable(QString::number(inserted.count())));
    FindTopLevel<QMessageBox>()->button(QMessageBox::Ok)->click();
    QTRY_VERIFY_WITH_TIMEOUT(!view.State().running, RunTimeout);
    QCOMPARE(answer.load(), int(MessageAnswer::Ok));
    QCOMPARE(rows.rowCount(), Before + 1);
    QCOMPARE(rows.Text(Before, CReportListModel::Name), QStringLiteral("after"));
}

void TestViewRun::runEndsBeforeCompletionMessage()
{
    ViewEnv env(NamedSettings(1));
    COrvaneView view(*env.config, env.flags, env.disk);
    FakeEngine engine;
    engine.afterEnd = [](RunRequest &request) {
        request.host->MessageBox({.text = QStringLiteral(u"バックアップが完了しました。")});
        request.host->RequestClose();
    };
    view.Runs().SetProcedure(engine.Procedure());
    QStringList events;
    connect(&view, &COrvaneView::RunningChanged, this, [&](bool running) { events << (running ? "running" : "ended"); });
    connect(&view, &COrvaneView::CloseRequested, this, [&] { events << "close"; });
    view.ExecuteCommand(CommandId::UpdateAll);

    QTRY_VERIFY_WITH_TIMEOUT(FindTopLevel<QMessageBox>() != nullptr, RunTimeout);
    QCOMPARE(events, (QStringList{"running", "ended"}));
    QVERIFY(CommandState(CommandId::Exit, view.State()));
    // Another run may start while the message of the last one is still open.
    engine.afterEnd = nullptr;
    view.ExecuteCommand(CommandId::TestAll);
    QTRY_VERIFY_WITH_TIMEOUT(!view.State().running, RunTimeout);
    QCOMPARE(engine.started.load(), 2);
    FindTopLevel<QMessageBox>()->button(QMessageBox::Ok)->click();
    QTRY_COMPARE(events.size(), 5);
    QCOMPARE(events, (QStringList{"running", "ended", "running", "ended", "close"}));
}

void TestViewRun::viewGoesDuringARun()
{
    ViewEnv env(NamedSettings(2));
    auto view = std::make_unique<COrvaneView>(*env.config, env.flags, env.disk);
    FakeEngine engine;
    std::atomic<int> answer{-1};
    std::atomic<bool> stopSeen{false};
    engine.body = [&](RunRequest &request) {
        request.host->SettingUpdate({.index = 1, .Errors = CFolderSetting::ErrorsRunning});
        answer = int(request.host->MessageBox({.text = QStringLiteral("failed"), .buttons = MessageButtons::AbortRetryIgnore,
                                                .icon = MessageIcon::Error, .unattended = MessageAnswer::Ignore}));
        while (!request.stop)
            request.host->AddReportRow({.operation = QStringLiteral(u"作成"), .name = QStringLiteral("x")});
        stopSeen = true;
        request.host->SettingUpdate({.index = 1, .Errors = 2, .LastExec = 123});
    };
    view->Runs().SetProcedure(engine.Procedure());
    view->ExecuteCommand(CommandId::UpdateAll);
    QTRY_VERIFY_WITH_TIMEOUT(FindTopLevel<QMessageBox>() != nullptr, RunTimeout);

    view.reset();
    QCOMPARE(answer.load(), int(MessageAnswer::Ignore));
    QVERIFY(stopSeen);
    QCoreApplication::processEvents();
    QCOMPARE(FindTopLevel<QMessageBox>(), nullptr);
    // What the run sent while the view went is in the store, not the running mark.
    const CFolderSetting stored = env.Stored()[1];
    QCOMPARE(stored.Errors, 2);
    QCOMPARE(stored.LastExec, 123);
}

QTEST_MAIN(TestViewRun)
#include "tst_viewrun.moc"
