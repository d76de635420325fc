#include "model/MirroringDefine.h"
#include "ui/SetupList.h"
#include "ui/SetupListModel.h"
#include "ui/ViewCommands.h"

#include <QMenu>
#include <QSignalSpy>
#include <QtTest>

Q_DECLARE_METATYPE(ViewState)

// The folder-setting list on its own: which input asks for which command, the menu's enable
// states, and that only the user's change of a check box is reported.
class TestSetupList : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void inputAsksForEdit_data();
    void inputAsksForEdit();
    void menuFollowsTheRules_data();
    void menuFollowsTheRules();
    void menuItemRunsItsCommand();
    void programChangesAreNotReported();
    void autoMarkIsClickedInTheMiddle();
};

namespace {

// Answers State() with a set state and records every command asked for.
class RecordingCommands : public ViewCommands {
public:
    ViewState State() const override { return state; }
    void ExecuteCommand(CommandId command) override { commands << int(command); }
    void SwitchToProject(int) override {}
    void FirstShown() override {}
    void StopRun() override {}
    bool SaveActiveProject() override { return true; }
    QString MenuText(CommandId, bool) const override { return QString(); }
    bool OpenDocument(const QUrl &) override { return false; }

    ViewState state;
    QList<int> commands;
};

struct ListEnv {
    CMirroringDefine table;
    std::array<qint32, 5> widths{40, 240, 280, 280, 160};
    RecordingCommands commands;
    CSetupListModel model{table};
    CSetupList list{commands, widths};

    explicit ListEnv(int count)
    {
        for (int i = 0; i < count; ++i)
            table.Records()[i].Name = QStringLiteral("s%1").arg(i);
        table.SetCount(count);
        list.setModel(&model);
        model.Refill();
        list.resize(800, 300);
        list.show();
    }
    QPoint CellCentre(int row, int column) const { return list.visualRect(model.index(row, column)).center(); }
};

} // namespace

void TestSetupList::inputAsksForEdit_data()
{
    QTest::addColumn<QString>("input");
    QTest::addColumn<QList<int>>("commands");
    const QList<int> edit{int(CommandId::EditSetting)};
    QTest::newRow("double-click on a name") << "double-click" << edit;
    QTest::newRow("Enter") << "Return" << edit;
    QTest::newRow("keypad Enter") << "Enter" << edit;
    QTest::newRow("a single click") << "click" << QList<int>{};
    QTest::newRow("space") << "Space" << QList<int>{};
}

void TestSetupList::inputAsksForEdit()
{
    QFETCH(QString, input);
    QFETCH(QList<int>, commands);
    ListEnv env(3);
    QVERIFY(QTest::qWaitForWindowExposed(&env.list));
    const QPoint name = env.CellCentre(1, 1);
    if (input == "double-click") {
        QTest::mouseDClick(env.list.viewport(), Qt::LeftButton, {}, name);
    } else if (input == "click") {
        QTest::mouseClick(env.list.viewport(), Qt::LeftButton, {}, name);
    } else {
        env.list.setCurrentIndex(env.model.index(1, 1));
        QTest::keyClick(&env.list, input == "Return" ? Qt::Key_Return : input == "Enter" ? Qt::Key_Enter : Qt::Key_Space);
    }
    QTest::qWait(20);
    QCOMPARE(env.commands.commands, commands);
}

void TestSetupList::menuFollowsTheRules_data()
{
    QTest::addColumn<ViewState>("state");
    QTest::addColumn<QStringList>("enabled");
    QTest::newRow("idle, nothing selected")
        << ViewState{.selectedRow = -1, .count = 3} << QStringList{u"追加(&A)"_qs, u"全テスト(&L)"_qs, u"全更新(&F)"_qs};
    QTest::newRow("a run")
        << ViewState{.running = true, .selectedRow = 1, .count = 3}
        << QStringList{u"中止(&S)"_qs, u"マスターフォルダを開く(&M)"_qs, u"バックアップフォルダを開く(&B)"_qs};
    QTest::newRow("a run told to stop")
        << ViewState{.running = true, .stopRequested = true, .selectedRow = 1, .count = 3}
        << QStringList{u"マスターフォルダを開く(&M)"_qs, u"バックアップフォルダを開く(&B)"_qs};
}

void TestSetupList::menuFollowsTheRules()
{
    QFETCH(ViewState, state);
    QFETCH(QStringList, enabled);
    ListEnv env(3);
    env.commands.state = state;
    std::unique_ptr<QMenu> menu(env.list.CreateContextMenu(nullptr));
    QStringList shown;
    int separators = 0;
    for (QAction *action : menu->actions()) {
        separators += action->isSeparator() ? 1 : 0;
        if (!action->isSeparator() && action->isEnabled())
            shown << action->text();
    }
    QCOMPARE(shown, enabled);
    QCOMPARE(menu->actions().size(), 15);
    QCOMPARE(separators, 3);
}

void TestSetupList::menuItemRunsItsCommand()
{
    ListEnv env(3);
    env.commands.state = {.selectedRow = 0, .count = 3};
    std::unique_ptr<QMenu> menu(env.list.CreateContextMenu(nullptr));
    for (QAction *action : menu->actions()) {
        if (action->text() == u"複製(&C)"_qs)
            action->trigger();
    }
    QCOMPARE(env.commands.commands, QList<int>{int(CommandId::CopySetting)});
}

void TestSetupList::programChangesAreNotReported()
{
    ListEnv env(3);
    QSignalSpy marks(&env.model, &CSetupListModel::AutoMarkChanged);
    env.table.Records()[1].AutoExec = false;
    env.model.RewriteRow(1);
    env.table.Records()[3].Name = QStringLiteral("s3");
    env.table.SetCount(4);
    env.model.AddRow();
    env.model.Refill();
    QCOMPARE(marks.count(), 0);
    QCOMPARE(env.model.index(1, 0).data(Qt::CheckStateRole).value<Qt::CheckState>(), Qt::Unchecked);
    QCOMPARE(env.model.rowCount(), 4);
    // The user's change of a mark is reported, and the table is left alone.
    QVERIFY(env.model.setData(env.model.index(2, 0), Qt::Unchecked, Qt::CheckStateRole));
    QCOMPARE(marks.count(), 1);
    QCOMPARE(marks.at(0).at(0).toInt(), 2);
    QVERIFY(env.table.Records()[2].AutoExec);
    // Only the mark column takes a check state.
    QVERIFY(!env.model.setData(env.model.index(2, 1), Qt::Unchecked, Qt::CheckStateRole));
    QVERIFY(!env.model.setData(env.model.index(2, 0), QStringLiteral("x"), Qt::EditRole));
    QCOMPARE(marks.count(), 1);
}


void TestSetupList::autoMarkIsClickedInTheMiddle()
{
    ListEnv env(1);
    QSignalSpy marks(&env.model, &CSetupListModel::AutoMarkChanged);
    const QRect cell = env.list.visualRect(env.model.index(0, 0));
    QTest::mouseClick(env.list.viewport(), Qt::LeftButton, {}, QPoint(cell.left() + 3, cell.center().y()));
    QCOMPARE(marks.size(), 0);   // the left edge of the cell is no longer the box
    QTest::mouseClick(env.list.viewport(), Qt::LeftButton, {}, cell.center());
    QCOMPARE(marks.size(), 1);
    QCOMPARE(marks.first().first().toInt(), 0);
}

QTEST_MAIN(TestSetupList)
#include "tst_setuplist.moc"
