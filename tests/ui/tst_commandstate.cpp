#include "res/Menus.h"
#include "ui/CommandState.h"

#include <QtTest>

// The enable rules over the states that matter: run or not, stop asked, selection and its place,
// the number of settings, the log options.
class TestCommandState : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void rules_data();
    void rules();
    void everyOfferedCommandCanBeEnabled();
};

namespace {

ViewState Idle(int selected, int count)
{
    return {.selectedRow = selected, .count = count};
}

ViewState Running(int selected, int count, bool stopRequested = false)
{
    return {.running = true, .stopRequested = stopRequested, .selectedRow = selected, .count = count};
}

} // namespace

void TestCommandState::rules_data()
{
    QTest::addColumn<CommandId>("command");
    QTest::addColumn<ViewState>("state");
    QTest::addColumn<bool>("enabled");
    using C = CommandId;
    const auto row = [](const char *name, CommandId command, ViewState state, bool enabled) {
        QTest::newRow(name) << command << state << enabled;
    };
    row("add in an empty project", C::AddSetting, Idle(-1, 0), true);
    row("add during a run", C::AddSetting, Running(0, 3), false);
    row("edit without a selection", C::EditSetting, Idle(-1, 3), false);
    row("edit with one", C::EditSetting, Idle(1, 3), true);
    row("edit during a run (double-click)", C::EditSetting, Running(1, 3), false);
    row("delete the last row", C::DeleteSetting, Idle(2, 3), true);
    row("copy at 1000 settings still enabled", C::CopySetting, Idle(999, 1000), true);
    row("up on the first row", C::MoveUp, Idle(0, 3), false);
    row("up on the second", C::MoveUp, Idle(1, 3), true);
    row("down on the last row", C::MoveDown, Idle(2, 3), false);
    row("down on the second", C::MoveDown, Idle(1, 3), true);
    row("up without a selection", C::MoveUp, Idle(-1, 3), false);
    row("down in a list of one", C::MoveDown, Idle(0, 1), false);
    row("test without a selection", C::TestSelected, Idle(-1, 3), false);
    row("update selected", C::UpdateSelected, Idle(0, 3), true);
    row("update all in an empty project", C::UpdateAll, Idle(-1, 0), false);
    row("test all with settings, no selection", C::TestAll, Idle(-1, 2), true);
    row("test all during a run", C::TestAll, Running(-1, 2), false);
    row("stop when idle", C::Stop, Idle(0, 3), false);
    row("stop during a run", C::Stop, Running(0, 3), true);
    row("stop pressed twice", C::Stop, Running(0, 3, true), false);
    row("open master during a run", C::OpenMasterFolder, Running(0, 3), true);
    row("open backup without a selection", C::OpenBackupFolder, Idle(-1, 3), false);
    row("compare tool during a run", C::StartCompareTool, Running(0, 3), false);
    row("manual during a run", C::OpenManual, Running(-1, 0), true);
    row("options during a run", C::Options, Running(-1, 0), false);
    row("exit during a run", C::Exit, Running(-1, 0), false);
    row("exit when idle", C::Exit, Idle(-1, 0), true);
    row("show window during a run", C::ShowWindow, Running(-1, 0), true);
    row("select project during a run", C::SelectProject, Running(-1, 0), false);
    row("project list button during a run", C::EditProjectsButton, Running(-1, 0), false);
    row("focus the list when idle", C::FocusSettingList, Idle(-1, 0), true);
    row("after-run exit during a run", C::ExitAfterRun, Running(-1, 0), true);
    row("about during a run", C::About, Running(-1, 0), true);
    row("a selection past the count is none", C::EditSetting, Idle(5, 3), false);

    ViewState log = Idle(-1, 3);
    row("log: none on", C::OpenLogFile, log, false);
    log.globalOutputLog = true;
    row("log: global, no selection", C::OpenLogFile, log, true);
    log = Idle(0, 3);
    log.selectedOutputLog = true;
    row("log: the selected setting's own", C::OpenLogFile, log, true);
    log.selectedRow = -1;
    row("log: own log but nothing selected", C::OpenLogFile, log, false);
    log = Running(0, 3);
    log.globalOutputLog = true;
    row("log: during a run", C::OpenLogFile, log, false);
}

void TestCommandState::rules()
{
    QFETCH(CommandId, command);
    QFETCH(ViewState, state);
    QFETCH(bool, enabled);
    QCOMPARE(CommandState(command, state), enabled);
}

void TestCommandState::everyOfferedCommandCanBeEnabled()
{
    // A command in a menu or on the tool bar without a rule would be dead in every state.
    QList<CommandId> offered;
    for (const Menu &menu : CMenus::MainMenu())
        for (const MenuItem &item : menu.items)
            offered << item.command;
    for (const MenuItem &item : CMenus::SettingListMenu())
        offered << item.command;
    for (const MenuItem &item : CMenus::TrayMenu())
        offered << item.command;
    for (const ToolButton &button : CMenus::ToolBar())
        offered << button.command;
    ViewState logOn = Idle(0, 2);
    logOn.globalOutputLog = true;
    for (const CommandId command : offered) {
        const bool somewhere = CommandState(command, Idle(1, 3)) || CommandState(command, Running(1, 3))
            || CommandState(command, logOn);
        QVERIFY2(somewhere, qPrintable(QString::number(int(command))));
    }
}

QTEST_GUILESS_MAIN(TestCommandState)
#include "tst_commandstate.moc"
