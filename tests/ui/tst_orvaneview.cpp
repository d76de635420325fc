#include "FakeEngine.h"
#include "ViewTestSupport.h"

#include "res/CommandIds.h"
#include "ui/OrvaneView.h"
#include "ui/ReportList.h"
#include "ui/ReportListModel.h"
#include "ui/RunController.h"
#include "ui/SetupList.h"

#include <QHeaderView>
#include <QMenu>
#include <QSignalSpy>
#include <QtTest>

// The commands of the main view on the active project's table, each checked in the store
// afterwards, and the view's own handling of the panes, the lists and a run's notifications.
class TestOrvaneView : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void deleteAsksThenRemoves_data();
    void deleteAsksThenRemoves();
    void copyAppends_data();
    void copyAppends();
    void move_data();
    void move();
    void disabledCommandsDoNothing_data();
    void disabledCommandsDoNothing();
    void runOrders_data();
    void runOrders();
    void stopActsOnce();
    void autoMarkToggles();
    void autoMarkRefusedDuringRun();
    void settingUpdateRewritesAndSaves();
    void contextMenuOnlyFromTheMouse();
    void dividerDrag_data();
    void dividerDrag();
    void shorterWindowPullsTheDividerUp();
    void switchToProject();
    void firstShownStartsUnattendedRun_data();
    void firstShownStartsUnattendedRun();
    void columnWidthsGoToTheLayout();
};

namespace {

using C = CommandId;

QStringList Names(int count)
{
    QStringList names;
    for (int i = 0; i < count; ++i)
        names << QStringLiteral("s%1").arg(i);
    return names;
}

QStringList ViewNames(const COrvaneView &view)
{
    QStringList names;
    for (int i = 0; i < view.Count(); ++i)
        names << view.Setting(i).Name;
    return names;
}

} // namespace

void TestOrvaneView::deleteAsksThenRemoves_data()
{
    QTest::addColumn<int>("count");
    QTest::addColumn<int>("selected");
    QTest::addColumn<MessageAnswer>("answer");
    QTest::addColumn<QStringList>("expected");
    QTest::newRow("yes: the middle one") << 3 << 1 << MessageAnswer::Yes << QStringList{"s0", "s2"};
    QTest::newRow("yes: the first one") << 3 << 0 << MessageAnswer::Yes << QStringList{"s1", "s2"};
    QTest::newRow("no keeps it") << 3 << 1 << MessageAnswer::No << Names(3);
    QTest::newRow("a closed question keeps it") << 3 << 1 << MessageAnswer::None << Names(3);
    QTest::newRow("yes: the only one") << 1 << 0 << MessageAnswer::Yes << QStringList{};
    QTest::newRow("yes: the last of 1000") << 1000 << 999 << MessageAnswer::Yes << Names(999);
}

void TestOrvaneView::deleteAsksThenRemoves()
{
    QFETCH(int, count);
    QFETCH(int, selected);
    QFETCH(MessageAnswer, answer);
    QFETCH(QStringList, expected);
    ViewEnv env(NamedSettings(count));
    COrvaneView view(*env.config, env.flags, env.disk);
    ScriptedPresenter boxes;
    boxes.answers = {answer};
    view.SetMessageBoxPresenter(boxes);
    view.SelectRow(selected);

    view.ExecuteCommand(C::DeleteSetting);
    QCOMPARE(boxes.boxes.size(), size_t(1));
    const MessageBoxRequest &question = boxes.boxes.front();
    QCOMPARE(question.text, QStringLiteral(u"s%1 を削除してもよろしいですか？").arg(selected));
    QCOMPARE(question.caption, QStringLiteral(u"削除確認"));
    QCOMPARE(question.buttons, MessageButtons::YesNo);
    QCOMPARE(question.icon, MessageIcon::Question);
    QVERIFY(question.topMost);

    QCOMPARE(ViewNames(view), expected);
    QCOMPARE(view.SetupList().model()->rowCount(), expected.size());
    QCOMPARE(env.StoredNames(), expected);
    if (answer == MessageAnswer::Yes) {
        // The place the last record left is a spare record again.
        QCOMPARE(view.Setting(count - 1), CFolderSetting());
        QCOMPARE(view.SelectedRow(), -1);
    }
}

void TestOrvaneView::copyAppends_data()
{
    QTest::addColumn<int>("count");
    QTest::addColumn<int>("selected");
    QTest::addColumn<bool>("added");
    QTest::newRow("the second of three") << 3 << 1 << true;
    QTest::newRow("into the last free place") << 999 << 0 << true;
    QTest::newRow("a full table does nothing") << 1000 << 5 << false;
}

void TestOrvaneView::copyAppends()
{
    QFETCH(int, count);
    QFETCH(int, selected);
    QFETCH(bool, added);
    std::vector<CFolderSetting> settings = NamedSettings(count);
    settings[size_t(selected)].LastExec = 1706742309;
    settings[size_t(selected)].Errors = 3;
    settings[size_t(selected)].DeleteConf = true;
    ViewEnv env(settings);
    const QByteArray before = testsupport::ReadFile(env.IniPath());
    COrvaneView view(*env.config, env.flags, env.disk);
    view.SelectRow(selected);

    view.ExecuteCommand(C::CopySetting);
    if (!added) {
        QCOMPARE(view.Count(), count);
        QCOMPARE(testsupport::ReadFile(env.IniPath()), before);
        return;
    }
    CFolderSetting expected = settings[size_t(selected)];
    expected.Name += QStringLiteral(u"のコピー");
    expected.LastExec = 0;
    const std::vector<CFolderSetting> stored = env.Stored();
    QCOMPARE(int(stored.size()), count + 1);
    QCOMPARE(stored.back(), expected);
    QCOMPARE(stored[size_t(selected)], settings[size_t(selected)]);
    QCOMPARE(view.SetupList().model()->rowCount(), count + 1);
    QCOMPARE(view.SetupList().model()->index(count, 1).data().toString(), expected.Name);
}

void TestOrvaneView::move_data()
{
    QTest::addColumn<int>("command");
    QTest::addColumn<int>("selected");
    QTest::addColumn<QStringList>("expected");
    QTest::addColumn<int>("selectedAfter");
    QTest::newRow("up from the middle") << int(C::MoveUp) << 1 << QStringList{"s1", "s0", "s2"} << 0;
    QTest::newRow("down from the middle") << int(C::MoveDown) << 1 << QStringList{"s0", "s2", "s1"} << 2;
    QTest::newRow("up from the first: disabled") << int(C::MoveUp) << 0 << Names(3) << 0;
    QTest::newRow("down from the last: disabled") << int(C::MoveDown) << 2 << Names(3) << 2;
}

void TestOrvaneView::move()
{
    QFETCH(int, command);
    QFETCH(int, selected);
    QFETCH(QStringList, expected);
    QFETCH(int, selectedAfter);
    ViewEnv env(NamedSettings(3));
    COrvaneView view(*env.config, env.flags, env.disk);
    view.SelectRow(selected);
    view.ExecuteCommand(CommandId(command));
    QCOMPARE(ViewNames(view), expected);
    QCOMPARE(env.StoredNames(), expected);
    QCOMPARE(view.SelectedRow(), selectedAfter);
    for (int row = 0; row < 3; ++row)
        QCOMPARE(view.SetupList().model()->index(row, 1).data().toString(), expected[row]);
}

void TestOrvaneView::disabledCommandsDoNothing_data()
{
    QTest::addColumn<int>("command");
    QTest::addColumn<int>("selected");
    QTest::newRow("delete without a selection") << int(C::DeleteSetting) << -1;
    QTest::newRow("copy without a selection") << int(C::CopySetting) << -1;
    QTest::newRow("update without a selection") << int(C::UpdateSelected) << -1;
    QTest::newRow("stop without a run") << int(C::Stop) << 0;
    QTest::newRow("edit without a selection") << int(C::EditSetting) << -1;
}

void TestOrvaneView::disabledCommandsDoNothing()
{
    QFETCH(int, command);
    QFETCH(int, selected);
    ViewEnv env(NamedSettings(2));
    const QByteArray before = testsupport::ReadFile(env.IniPath());
    COrvaneView view(*env.config, env.flags, env.disk);
    ScriptedPresenter boxes;
    view.SetMessageBoxPresenter(boxes);
    FakeEngine engine;
    view.Runs().SetProcedure(engine.Procedure());
    QSignalSpy status(&view, &COrvaneView::StatusTextChanged);
    view.SelectRow(selected);
    view.ExecuteCommand(CommandId(command));
    QCoreApplication::processEvents();
    QVERIFY(boxes.boxes.empty());
    QCOMPARE(engine.started.load(), 0);
    QCOMPARE(status.count(), 0);
    QCOMPARE(ViewNames(view), Names(2));
    QCOMPARE(testsupport::ReadFile(env.IniPath()), before);
}

void TestOrvaneView::runOrders_data()
{
    QTest::addColumn<int>("command");
    QTest::addColumn<int>("selected");
    QTest::addColumn<bool>("test");
    QTest::addColumn<bool>("autoOnly");
    QTest::addColumn<QStringList>("names");
    QTest::addColumn<int>("first");
    QTest::newRow("テスト: the selected one") << int(C::TestSelected) << 2 << true << false << QStringList{"s2"} << 2;
    QTest::newRow("更新: the selected one") << int(C::UpdateSelected) << 1 << false << false << QStringList{"s1"} << 1;
    QTest::newRow("全テスト: all, marked only") << int(C::TestAll) << -1 << true << true << Names(3) << 0;
    QTest::newRow("全更新: all, marked only") << int(C::UpdateAll) << 1 << false << true << Names(3) << 0;
}

void TestOrvaneView::runOrders()
{
    QFETCH(int, command);
    QFETCH(int, selected);
    QFETCH(bool, test);
    QFETCH(bool, autoOnly);
    QFETCH(QStringList, names);
    QFETCH(int, first);
    ViewEnv env(NamedSettings(3));
    COrvaneView view(*env.config, env.flags, env.disk);
    FakeEngine engine;
    engine.body = [&engine](RunRequest &request) { engine.WaitForRelease(request); };
    view.Runs().SetProcedure(engine.Procedure());
    QSignalSpy running(&view, &COrvaneView::RunningChanged);
    view.SelectRow(selected);

    view.ExecuteCommand(CommandId(command));
    QVERIFY(view.State().running);
    // A second start while the run is active is refused.
    view.ExecuteCommand(C::UpdateAll);
    engine.release = true;
    QTRY_VERIFY(!view.State().running);
    QCOMPARE(running.count(), 2);
    QCOMPARE(engine.seen.size(), size_t(1));
    const FakeEngine::Seen &seen = engine.seen.front();
    QCOMPARE(seen.test, test);
    QCOMPARE(seen.autoOnly, autoOnly);
    QCOMPARE(seen.names, names);
    QCOMPARE(seen.first, first);
}

void TestOrvaneView::stopActsOnce()
{
    ViewEnv env(NamedSettings(2));
    COrvaneView view(*env.config, env.flags, env.disk);
    FakeEngine engine;
    std::atomic<bool> stopSeen{false};
    engine.body = [&](RunRequest &request) {
        engine.WaitForRelease(request);
        stopSeen = request.stop.load();
    };
    view.Runs().SetProcedure(engine.Procedure());
    QSignalSpy status(&view, &COrvaneView::StatusTextChanged);
    view.ExecuteCommand(C::UpdateAll);
    QVERIFY(CommandState(C::Stop, view.State()));

    view.ExecuteCommand(C::Stop);
    QVERIFY(view.State().stopRequested);
    QVERIFY(!CommandState(C::Stop, view.State()));
    view.ExecuteCommand(C::Stop);
    view.StopRun();
    QTRY_VERIFY(!view.State().running);
    QVERIFY(stopSeen);
    const QString stopping = QStringLiteral(u"中断しています…");
    int stops = 0;
    for (const QList<QVariant> &arguments : status) {
        if (arguments.at(0).toString() == stopping) {
            ++stops;
            // The second part is cleared, not kept.
            QVERIFY(!arguments.at(1).toString().isNull());
            QVERIFY(arguments.at(1).toString().isEmpty());
        }
    }
    QCOMPARE(stops, 1);
}

void TestOrvaneView::autoMarkToggles()
{
    std::vector<CFolderSetting> settings = NamedSettings(2);
    settings[1].AutoExec = false;
    ViewEnv env(settings);
    COrvaneView view(*env.config, env.flags, env.disk);
    QAbstractItemModel &rows = *view.SetupList().model();
    const QModelIndex mark = rows.index(1, 0);
    QCOMPARE(mark.data(Qt::CheckStateRole).value<Qt::CheckState>(), Qt::Unchecked);
    QVERIFY(rows.setData(mark, Qt::Checked, Qt::CheckStateRole));
    QTRY_VERIFY(view.Setting(1).AutoExec);
    QCOMPARE(mark.data(Qt::CheckStateRole).value<Qt::CheckState>(), Qt::Checked);
    QVERIFY(env.Stored()[1].AutoExec);
    QVERIFY(env.Stored()[0].AutoExec);
    // Setting what is shown already is no change.
    QVERIFY(!rows.setData(rows.index(0, 0), Qt::Checked, Qt::CheckStateRole));
}

void TestOrvaneView::autoMarkRefusedDuringRun()
{
    ViewEnv env(NamedSettings(2));
    COrvaneView view(*env.config, env.flags, env.disk);
    view.resize(800, 600);
    view.show();
    QVERIFY(QTest::qWaitForWindowExposed(&view));
    ScriptedPresenter boxes;
    boxes.answers = {MessageAnswer::Ok};
    view.SetMessageBoxPresenter(boxes);
    FakeEngine engine;
    engine.body = [&engine](RunRequest &request) { engine.WaitForRelease(request); };
    view.Runs().SetProcedure(engine.Procedure());
    view.ExecuteCommand(C::UpdateAll);

    // A click on the check box of the second row, as the user makes it.
    CSetupList &list = view.SetupList();
    const QModelIndex mark = list.model()->index(1, 0);
    QTest::mouseClick(list.viewport(), Qt::LeftButton, {}, list.visualRect(mark).center());
    QTRY_COMPARE(boxes.boxes.size(), size_t(1));
    const MessageBoxRequest &refusal = boxes.boxes.front();
    QCOMPARE(refusal.text, QStringLiteral(u"バックアップ実行中は変更できません。"));
    QCOMPARE(refusal.caption, QStringLiteral(u"自動更新の変更"));
    QCOMPARE(refusal.icon, MessageIcon::Error);
    QVERIFY(refusal.topMost);
    QVERIFY(view.Setting(1).AutoExec);
    QCOMPARE(mark.data(Qt::CheckStateRole).value<Qt::CheckState>(), Qt::Checked);

    engine.release = true;
    QTRY_VERIFY(!view.State().running);
    QVERIFY(env.Stored()[1].AutoExec);
    // After the run the same click is taken.
    QTest::mouseClick(list.viewport(), Qt::LeftButton, {}, list.visualRect(mark).center());
    QTRY_VERIFY(!view.Setting(1).AutoExec);
    QVERIFY(!env.Stored()[1].AutoExec);
}

void TestOrvaneView::settingUpdateRewritesAndSaves()
{
    ViewEnv env(NamedSettings(3));
    COrvaneView view(*env.config, env.flags, env.disk);
    FakeEngine engine;
    engine.body = [](RunRequest &request) {
        request.host->SettingUpdate({.index = 7, .Errors = 9, .LastExec = 9});   // not in the table
        request.host->SettingUpdate({.index = 2, .Errors = CFolderSetting::ErrorsRunning, .LastExec = 0});
        request.host->SettingUpdate({.index = 2, .Errors = 4, .LastExec = 1706742309});
    };
    view.Runs().SetProcedure(engine.Procedure());
    QStringList shown;
    connect(view.SetupList().model(), &QAbstractItemModel::dataChanged, this,
            [&](const QModelIndex &from) { shown << from.siblingAtColumn(4).data().toString(); });
    view.SelectRow(0);
    view.ExecuteCommand(C::UpdateSelected);
    QTRY_VERIFY(!view.State().running);
    QCOMPARE(shown.size(), 2);
    QCOMPARE(shown[0], QStringLiteral(u"現在実行中!!"));
    QVERIFY2(shown[1].endsWith(QStringLiteral(u" 4件のエラー")), qPrintable(shown[1]));
    QCOMPARE(view.SelectedRow(), 2);
    const std::vector<CFolderSetting> stored = env.Stored();
    QCOMPARE(stored[2].Errors, 4);
    QCOMPARE(stored[2].LastExec, 1706742309);
    QCOMPARE(stored[0].Errors, CFolderSetting::ErrorsUnknown);
    QCOMPARE(int(stored.size()), 3);
}

void TestOrvaneView::contextMenuOnlyFromTheMouse()
{
    ViewEnv env(NamedSettings(3));
    COrvaneView view(*env.config, env.flags, env.disk);
    view.resize(800, 600);
    view.show();
    QVERIFY(QTest::qWaitForWindowExposed(&view));
    view.SelectRow(0);
    CSetupList &list = view.SetupList();
    const QPoint at = list.visualRect(list.model()->index(0, 1)).center();

    QContextMenuEvent keyboard(QContextMenuEvent::Keyboard, at, list.viewport()->mapToGlobal(at));
    QApplication::sendEvent(list.viewport(), &keyboard);
    QCoreApplication::processEvents();
    QCOMPARE(QApplication::activePopupWidget(), nullptr);

    QContextMenuEvent mouse(QContextMenuEvent::Mouse, at, list.viewport()->mapToGlobal(at));
    QApplication::sendEvent(list.viewport(), &mouse);
    QTRY_VERIFY(QApplication::activePopupWidget() != nullptr);
    auto *menu = qobject_cast<QMenu *>(QApplication::activePopupWidget());
    QVERIFY(menu);
    QStringList enabled;
    for (QAction *action : menu->actions()) {
        if (!action->isSeparator() && action->isEnabled())
            enabled << action->text();
    }
    menu->close();
    // First row selected, no run: everything but stop; the compare tool named by its program.
    QCOMPARE(enabled, (QStringList{u"追加(&A)"_qs, u"編集(&E)"_qs, u"削除(&D)"_qs, u"複製(&C)"_qs, u"テスト(&T)"_qs,
                                   u"全テスト(&L)"_qs, u"更新(&R)"_qs, u"全更新(&F)"_qs,
                                   u"マスターフォルダを開く(&M)"_qs, u"バックアップフォルダを開く(&B)"_qs,
                                   u"meld を起動(&W)"_qs}));
}

void TestOrvaneView::dividerDrag_data()
{
    QTest::addColumn<int>("to");
    QTest::addColumn<int>("divideY");
    QTest::newRow("within the view") << 300 << 300;
    QTest::newRow("7 from the top closes the upper pane") << 7 << 0;
    QTest::newRow("12 above the bottom closes the lower pane") << 588 << 595;
}

void TestOrvaneView::dividerDrag()
{
    QFETCH(int, to);
    QFETCH(int, divideY);
    ViewEnv env(NamedSettings(2));
    COrvaneView view(*env.config, env.flags, env.disk);
    view.resize(800, 600);
    view.show();
    QVERIFY(QTest::qWaitForWindowExposed(&view));
    QCOMPARE(view.DivideY(), 192);
    QCOMPARE(view.SetupList().geometry(), QRect(1, 1, 798, 190));

    QTest::mousePress(&view, Qt::LeftButton, {}, QPoint(400, 194));
    QMouseEvent move(QEvent::MouseMove, QPointF(400, to), view.mapToGlobal(QPointF(400, to)), Qt::NoButton,
                     Qt::LeftButton, Qt::NoModifier);
    QApplication::sendEvent(&view, &move);
    QTest::mouseRelease(&view, Qt::LeftButton, {}, QPoint(400, to));
    QCOMPARE(view.DivideY(), divideY);
    QCOMPARE(env.config->Options().DivideY, divideY);
    const int lowerTop = divideY + 5;
    QCOMPARE(view.ReportList().geometry(), QRect(1, lowerTop + (600 - lowerTop > 0 ? 1 : 0), 798,
                                                  std::max(0, 600 - lowerTop - 2)));
    // Saved with the project, as the option it is.
    QVERIFY(view.SaveActiveProject());
    CMirroringDefine table;
    const std::unique_ptr<CConfiguration> later = env.Open();
    later->LoadProjectSettings(table, 0);
    QCOMPARE(later->Options().DivideY, divideY);
}

void TestOrvaneView::shorterWindowPullsTheDividerUp()
{
    ViewEnv env(NamedSettings(1));
    COrvaneView view(*env.config, env.flags, env.disk);
    view.resize(800, 600);
    view.show();
    QVERIFY(QTest::qWaitForWindowExposed(&view));
    view.resize(800, 150);
    QTRY_COMPARE(view.height(), 150);
    QCOMPARE(view.DivideY(), 145);
    QCOMPARE(env.config->Options().DivideY, 145);
    QCOMPARE(view.ReportList().height(), 0);
    // A view of no height leaves the divider where it is.
    view.resize(800, 0);
    QTRY_COMPARE(view.height(), 0);
    view.FirstShown();
    QCOMPARE(env.config->Options().DivideY, 145);
}

void TestOrvaneView::switchToProject()
{
    ViewEnv env(NamedSettings(2));
    std::vector<CFolderSetting> other{Named(QStringLiteral("other"))};
    env.config->SaveProjectSettings(std::span(other), 3);
    COrvaneView view(*env.config, env.flags, env.disk);
    view.SelectRow(0);
    view.ExecuteCommand(C::MoveDown);
    QSignalSpy states(&view, &COrvaneView::CommandStatesChanged);

    view.SwitchToProject(3);
    QCOMPARE(env.config->ActiveProject(), 3);
    QCOMPARE(ViewNames(view), QStringList{"other"});
    QCOMPARE(view.SelectedRow(), -1);
    QVERIFY(states.count() > 0);
    QCOMPARE(env.StoredNames(0), (QStringList{"s1", "s0"}));
    view.SwitchToProject(3);   // the active one again: nothing
    view.SwitchToProject(5000);
    QCOMPARE(env.config->ActiveProject(), 3);
}

void TestOrvaneView::firstShownStartsUnattendedRun_data()
{
    QTest::addColumn<bool>("autoMode");
    QTest::addColumn<bool>("afterRunExit");
    QTest::addColumn<int>("runs");
    QTest::newRow("started by hand") << false << false << 0;
    QTest::newRow("auto") << true << false << 1;
    QTest::newRow("exit after the run") << false << true << 1;
}

void TestOrvaneView::firstShownStartsUnattendedRun()
{
    QFETCH(bool, autoMode);
    QFETCH(bool, afterRunExit);
    QFETCH(int, runs);
    ViewEnv env(NamedSettings(2));
    env.flags.AutoMode = autoMode;
    env.flags.AfterRunExit = afterRunExit;
    env.flags.AnySettingCompleted = true;
    COrvaneView view(*env.config, env.flags, env.disk);
    FakeEngine engine;
    view.Runs().SetProcedure(engine.Procedure());
    QElapsedTimer clock;
    clock.start();
    view.FirstShown();
    view.FirstShown();
    QVERIFY(!env.flags.AnySettingCompleted);
    QTest::qWait(700);
    QCOMPARE(engine.started.load(), runs);
    if (runs == 1) {
        QTRY_VERIFY(!view.State().running);
        QCOMPARE(engine.seen.front().autoOnly, true);
        QCOMPARE(engine.seen.front().test, false);
        QCOMPARE(engine.seen.front().count, 2);
    }
}

void TestOrvaneView::columnWidthsGoToTheLayout()
{
    ViewEnv env(NamedSettings(2));
    COrvaneView view(*env.config, env.flags, env.disk);
    QHeaderView &header = *view.SetupList().header();
    const std::array<qint32, 5> defaults{40, 240, 280, 280, 160};
    for (int column = 0; column < 5; ++column)
        QCOMPARE(header.sectionSize(column), defaults[size_t(column)]);
    header.resizeSection(2, 333);
    view.RefillSettingList();
    QCOMPARE(header.sectionSize(2), 333);
    QCOMPARE(env.config->Layout().setupListWidths[2], 333);
    QVERIFY(env.config->SaveGlobalSettings());
    QCOMPARE(env.Open()->Layout().setupListWidths[2], 333);
}

QTEST_MAIN(TestOrvaneView)
#include "tst_orvaneview.moc"
