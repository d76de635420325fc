#include "app/MainFrame.h"
#include "app/ToolDialogBar.h"
#include "app/TrayIcon.h"
#include "config/Configuration.h"
#include "model/AppFlags.h"
#include "model/WindowLayout.h"
#include "ui/ViewCommands.h"
#include "ui/dialogs/DlgAbout.h"

#include "ConfigTestSupport.h"

#include <QAction>
#include <QComboBox>
#include <QLabel>
#include <QMenu>
#include <QMenuBar>
#include <QPushButton>
#include <QStatusTipEvent>
#include <QTemporaryDir>
#include <QToolBar>
#include <QToolButton>
#include <QtTest>

#include <memory>

namespace {

using C = CommandId;

// The view as the frame sees it: a state the test sets, and what the frame asked of it.
class FakeView : public QWidget, public ViewCommands {
public:
    ViewState state;
    QList<CommandId> executed;
    QList<int> switchedTo;
    int firstShown = 0;
    int saves = 0;
    CConfiguration *config = nullptr;   // a switch makes the project active, as the view does
    bool refuseSwitch = false;

    ViewState State() const override { return state; }
    void ExecuteCommand(CommandId command) override { executed << command; }
    void SwitchToProject(int project) override
    {
        switchedTo << project;
        if (config && !refuseSwitch)
            config->SetActiveProject(project);
    }
    void FirstShown() override { ++firstShown; }
    void StopRun() override {}
    bool SaveActiveProject() override
    {
        ++saves;
        return true;
    }
};

// A frame with its view over a configuration in memory, of three projects.
struct Fixture {
    QTemporaryDir dir;
    AppFlags flags;
    ScriptedPresenter boxes;
    CConfiguration config{flags, boxes, dir.filePath("registry.sqlite3")};
    FakeView *view = new FakeView;
    bool tray = true;
    std::unique_ptr<CMainFrame> frame;

    explicit Fixture(bool trayAvailable = true, const WindowLayout &layout = {}) : tray(trayAvailable)
    {
        for (const char16_t *name : {u"デフォルト", u"仕事", u"写真"})
            config.Projects().AddProject(QString::fromUtf16(name));
        config.SetActiveProject(0);
        config.Layout() = layout;
        view->config = &config;
        frame = std::make_unique<CMainFrame>(config, flags, [this] { return tray; });
        frame->SetView(view, view);
    }
    QAction *action(CommandId command) const { return frame->Action(command); }
    CToolDialogBar *bar() const { return frame->DialogBar(); }
};

// A menu's items as "text<TAB>shortcut", "-" for a separator.
QStringList Items(const QMenu *menu)
{
    QStringList items;
    for (const QAction *action : menu->actions()) {
        if (action->isSeparator())
            items << "-";
        else if (action->shortcut().isEmpty())
            items << action->text();
        else
            items << action->text() + u'\t' + action->shortcut().toString();
    }
    return items;
}

// Runs the event loop as the program does, waiting for events, so that it goes idle.
void RunEventLoop(int ms)
{
    QEventLoop loop;
    QTimer::singleShot(ms, &loop, &QEventLoop::quit);
    loop.exec();
}

QStringList EnabledItems(const QMenu *menu)
{
    QStringList items;
    for (const QAction *action : menu->actions()) {
        if (!action->isSeparator() && action->isEnabled())
            items << action->text();
    }
    return items;
}

} // namespace

class TestMainFrame : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void menuBar_data();
    void menuBar();
    void toolBar();
    void oneActionPerCommand();
    void promptsAndToolTips_data();
    void promptsAndToolTips();
    void statusText_data();
    void statusText();
    void idleTextWhenNothingIsHighlighted();
    void initialPlacement_data();
    void initialPlacement();
    void savedRectangleOpensTheWindow();
    void onlyTheNormalStateIsRecorded();
    void minimising_data();
    void minimising();
    void startState_data();
    void startState();
    void trayDoubleClickBringsTheWindowBack();
    void afterRunCommands_data();
    void afterRunCommands();
    void afterRunBox_data();
    void afterRunBox();
    void enableRulesFollowTheView_data();
    void enableRulesFollowTheView();
    void commandsGoToTheView();
    void closingDuringARunIsRefused();
    void closingSavesAndEnds();
    void projectBox();
    void selectProjectFocusesTheBox();
    void dialogBarLabelsAndTabOrder();
    void trayIconAnimation();
    void firstShowHappensOnce();
    void captionStaysTheTitle();
    void aboutBoxShowsTheVersionLine();
};

void TestMainFrame::menuBar_data()
{
    QTest::addColumn<int>("index");
    QTest::addColumn<QString>("title");
    QTest::addColumn<QStringList>("items");

    QTest::newRow("フォルダ設定") << 0 << u"フォルダ設定(&F)"_qs
                              << QStringList{u"プロジェクトの選択(&S)\tCtrl+P"_qs, u"プロジェクトリストの編集(&E)\tCtrl+R"_qs,
                                             "-", u"選択(&F)"_qs, u"追加(&A)\tCtrl+N"_qs, u"削除(&D)\tDel"_qs,
                                             u"編集(&I)"_qs, u"コピー(&C)"_qs, "-", u"上へ(&U)\tCtrl+Up"_qs,
                                             u"下へ(&W)\tCtrl+Down"_qs, "-", u"ログファイルを開く(&L)"_qs, "-", u"終了(&X)"_qs};
    QTest::newRow("バックアップ") << 1 << u"バックアップ(&B)"_qs
                              << QStringList{u"テスト(&T)\tCtrl+T"_qs, u"全テスト(&E)\tCtrl+E"_qs, u"更新(&O)\tCtrl+U"_qs,
                                             u"全更新(&S)\tCtrl+A"_qs, u"中止(&B)\tEsc"_qs, "-",
                                             u"更新終了後にプログラム終了(&X)"_qs, u"更新終了後にシャットダウン(&D)"_qs};
    QTest::newRow("ツール") << 2 << u"ツール(&T)"_qs
                         << QStringList{u"フォルダ比較ツールを起動(&W)\tCtrl+W"_qs, "-", u"オプション(&O)..."_qs};
    QTest::newRow("ヘルプ") << 3 << u"ヘルプ(&H)"_qs << QStringList{u"説明書を開く(&H)"_qs, u"バージョン情報(&A)..."_qs};
}

void TestMainFrame::menuBar()
{
    QFETCH(int, index);
    QFETCH(QString, title);
    QFETCH(QStringList, items);
    Fixture f;
    const QList<QAction *> menus = f.frame->menuBar()->actions();
    QCOMPARE(menus.size(), 4);
    QCOMPARE(menus[index]->text(), title);
    QCOMPARE(Items(menus[index]->menu()), items);
}

void TestMainFrame::toolBar()
{
    Fixture f;
    QToolBar *bar = f.frame->ToolBar();
    QCOMPARE(bar->toolButtonStyle(), Qt::ToolButtonTextUnderIcon);
    QCOMPARE(bar->iconSize(), QSize(20, 20));
    QStringList buttons;
    for (QAction *action : bar->actions()) {
        if (action->isSeparator()) {
            buttons << "-";
            continue;
        }
        buttons << action->iconText();
        QVERIFY(!action->icon().isNull());
        QVERIFY(bar->widgetForAction(action)->minimumWidth() >= 48);
    }
    QCOMPARE(buttons, (QStringList{u"追加"_qs, u"削除"_qs, u"編集"_qs, u"ログ表示"_qs, "-", u"上へ"_qs, u"下へ"_qs, "-",
                                   u"テスト"_qs, u"全テスト"_qs, u"更新"_qs, u"全更新"_qs, u"中止"_qs}));
    // The texts under the pictures are the tool bar's own; the menus keep theirs.
    QCOMPARE(f.action(C::UpdateAll)->text(), u"全更新(&S)"_qs);
}

void TestMainFrame::oneActionPerCommand()
{
    Fixture f;
    QToolBar *bar = f.frame->ToolBar();
    const QList<QAction *> menus = f.frame->menuBar()->actions();
    // The tool bar's 追加 is the menu's 追加, and its shortcut works from anywhere in the window.
    QVERIFY(bar->actions().contains(f.action(C::AddSetting)));
    QVERIFY(menus[0]->menu()->actions().contains(f.action(C::AddSetting)));
    QCOMPARE(f.action(C::AddSetting)->shortcutContext(), Qt::WindowShortcut);
    f.view->state.count = 0;
    f.frame->show();
    QVERIFY(QTest::qWaitForWindowActive(f.frame.get()));
    QTest::keyClick(f.frame.get(), Qt::Key_N, Qt::ControlModifier);
    QTest::keyClick(f.frame.get(), Qt::Key_T, Qt::ControlModifier);   // テスト: nothing selected, disabled
    QCOMPARE(f.view->executed, QList<CommandId>{C::AddSetting});
}

void TestMainFrame::promptsAndToolTips_data()
{
    QTest::addColumn<int>("command");
    QTest::addColumn<QString>("prompt");
    QTest::addColumn<QString>("toolTip");
    QTest::newRow("32771") << 32771 << u"選択されているフォルダ設定を編集します"_qs << u"設定編集"_qs;
    QTest::newRow("32775") << 32775 << u"実行中の更新処理を中止します"_qs << u"中止"_qs;
    QTest::newRow("32780") << 32780 << u"開く"_qs << u"開く"_qs;
    QTest::newRow("32805") << 32805 << u"更新終了後、コンピュータをシャットダウンします。"_qs << u"更新終了後にシャットダウン"_qs;
    QTest::newRow("57665") << 57665 << u"Orvane を終了します"_qs << u"終了"_qs;
}

void TestMainFrame::promptsAndToolTips()
{
    QFETCH(int, command);
    QFETCH(QString, prompt);
    QFETCH(QString, toolTip);
    Fixture f;
    QAction *action = f.action(CommandId(command));
    QVERIFY(action);
    QCOMPARE(action->statusTip(), prompt);
    QCOMPARE(action->toolTip(), toolTip);
    // Highlighting it shows the prompt in the one pane.
    QStatusTipEvent tip(action->statusTip());
    QCoreApplication::sendEvent(f.frame.get(), &tip);
    QCOMPARE(f.frame->PaneText(), prompt);
}

void TestMainFrame::statusText_data()
{
    // Messages in turn: a word and a path, "<null>" for a null pointer.
    QTest::addColumn<QStringList>("words");
    QTest::addColumn<QStringList>("paths");
    QTest::addColumn<QString>("pane");

    const QString null = "<null>";
    QTest::newRow("both padded") << QStringList{u"バックアップ中"_qs} << QStringList{"/a/b"}
                                 << u"バックアップ中"_qs + QString(3, u' ') + "/a/b" + QString(26, u' ');
    QTest::newRow("a null path keeps the path")
        << QStringList{"copy", "check"} << QStringList{"/one", null} << "check     /one" + QString(26, u' ');
    QTest::newRow("a null word keeps the word")
        << QStringList{"copy", null} << QStringList{"/one", "/two"} << "copy      /two" + QString(26, u' ');
    QTest::newRow("an empty path clears it")
        << QStringList{"copy", u"終了しました"_qs} << QStringList{"/one", ""} << u"終了しました"_qs + QString(4 + 30, u' ');
    QTest::newRow("a long word pushes the path, nothing is cut")
        << QStringList{"abcdefghijklmn"} << QStringList{"/p"} << "abcdefghijklmn/p" + QString(28, u' ');
    const QString longPath = "/" + QString(40, u'x');
    QTest::newRow("a long path is not cut") << QStringList{"w"} << QStringList{longPath} << "w" + QString(9, u' ') + longPath;
    QTest::newRow("both null at first") << QStringList{null} << QStringList{null} << QString(40, u' ');
}

void TestMainFrame::statusText()
{
    QFETCH(QStringList, words);
    QFETCH(QStringList, paths);
    QFETCH(QString, pane);
    Fixture f;
    for (int i = 0; i < words.size(); ++i) {
        const auto part = [](const QString &text) { return text == "<null>" ? std::nullopt : std::optional<QString>(text); };
        f.frame->SetStatusText(part(words[i]), part(paths[i]));
    }
    QCOMPARE(f.frame->PaneText(), pane);
}

void TestMainFrame::idleTextWhenNothingIsHighlighted()
{
    Fixture f;
    QCOMPARE(f.frame->PaneText(), u"Orvane Unicode"_qs);
    f.frame->SetStatusText(u"コピー"_qs, u"/a"_qs);
    QStatusTipEvent highlighted(u"フォルダ設定を追加します"_qs);
    QCoreApplication::sendEvent(f.frame.get(), &highlighted);
    QStatusTipEvent nothing(QString{});
    QCoreApplication::sendEvent(f.frame.get(), &nothing);
    QCOMPARE(f.frame->PaneText(), u"Orvane Unicode"_qs);
    // The next message brings the remembered parts back.
    f.frame->SetStatusText(std::nullopt, std::nullopt);
    QCOMPARE(f.frame->PaneText(), CMainFrame::FormatStatusText(u"コピー"_qs, u"/a"_qs));
}

void TestMainFrame::initialPlacement_data()
{
    QTest::addColumn<QList<int>>("rectangle");   // left, top, right, bottom
    QTest::addColumn<QRect>("expected");         // null: the desktop places the window
    const QRect none;
    QTest::newRow("all four non-zero") << QList<int>{100, 80, 740, 560} << QRect(100, 80, 640, 480);
    QTest::newRow("nothing stored") << QList<int>{0, 0, 0, 0} << none;
    QTest::newRow("left 0: a window at the left edge") << QList<int>{0, 50, 640, 530} << none;
    QTest::newRow("top 0") << QList<int>{50, 0, 690, 480} << none;
    QTest::newRow("log-off placement 0 0 640 480") << QList<int>{0, 0, 640, 480} << none;
    QTest::newRow("negative but on screen") << QList<int>{-8, -8, 1000, 700} << QRect(-8, -8, 1008, 708);
    QTest::newRow("right before left") << QList<int>{500, 80, 100, 560} << none;
    QTest::newRow("no height") << QList<int>{100, 80, 740, 80} << none;
    QTest::newRow("beyond every screen") << QList<int>{5000, 5000, 5640, 5480} << none;
    QTest::newRow("hardly a corner on screen") << QList<int>{1900, 1060, 2540, 1540} << none;
    QTest::newRow("on the second screen") << QList<int>{2000, 100, 2640, 580} << QRect(2000, 100, 640, 480);
    QTest::newRow("damaged: the width overflows")
        << QList<int>{-2147483647, 10, 2147483647, 500} << none;
}

void TestMainFrame::initialPlacement()
{
    QFETCH(QList<int>, rectangle);
    QFETCH(QRect, expected);
    WindowLayout layout;
    layout.left = rectangle[0];
    layout.top = rectangle[1];
    layout.right = rectangle[2];
    layout.bottom = rectangle[3];
    const QList<QRect> screens{QRect(0, 0, 1920, 1080), QRect(1920, 0, 1280, 1024)};
    const std::optional<QRect> placement = CMainFrame::InitialPlacement(layout, screens);
    QCOMPARE(placement.value_or(QRect()), expected);
}

void TestMainFrame::savedRectangleOpensTheWindow()
{
    WindowLayout layout;
    layout.left = 60;
    layout.top = 40;
    layout.right = 760;
    layout.bottom = 460;
    Fixture f(true, layout);
    f.frame->show();
    QVERIFY(QTest::qWaitForWindowExposed(f.frame.get()));
    QCOMPARE(f.frame->pos(), QPoint(60, 40));
    QCOMPARE(f.frame->size(), QSize(700, 420));
}

void TestMainFrame::onlyTheNormalStateIsRecorded()
{
    Fixture f;
    f.frame->show();
    QVERIFY(QTest::qWaitForWindowExposed(f.frame.get()));
    f.frame->move(30, 20);
    f.frame->resize(760, 420);
    QTRY_COMPARE(f.config.Layout().left, 30);
    const WindowLayout normal = f.config.Layout();
    QCOMPARE(normal.right - normal.left, 760);
    QCOMPARE(normal.bottom - normal.top, 420);

    f.frame->showMaximized();
    QTRY_VERIFY(f.frame->isMaximized());
    QTest::qWait(50);
    f.frame->close();
    QCOMPARE(f.config.Layout(), normal);

    Fixture g;
    g.frame->show();
    QVERIFY(QTest::qWaitForWindowExposed(g.frame.get()));
    g.frame->move(70, 60);
    QTRY_COMPARE(g.config.Layout().left, 70);
    const WindowLayout before = g.config.Layout();
    g.frame->showMinimized();
    g.frame->move(300, 300);
    QTest::qWait(50);
    QCOMPARE(g.config.Layout(), before);
}

void TestMainFrame::minimising_data()
{
    QTest::addColumn<bool>("minimizeOnTrayOnly");
    QTest::addColumn<bool>("trayAvailable");
    QTest::addColumn<QString>("state");
    QTest::newRow("into the notification area") << true << true << "hidden";
    QTest::newRow("option clear: minimised") << false << true << "minimized";
    QTest::newRow("no notification area: never hidden") << true << false << "minimized";
}

void TestMainFrame::minimising()
{
    QFETCH(bool, minimizeOnTrayOnly);
    QFETCH(bool, trayAvailable);
    QFETCH(QString, state);
    Fixture f(trayAvailable);
    f.config.Options().MinimizeOnTrayOnly = minimizeOnTrayOnly;
    f.frame->show();
    QVERIFY(QTest::qWaitForWindowExposed(f.frame.get()));
    f.frame->showMinimized();
    QTRY_COMPARE(f.frame->WindowStateText(), state);
    QTest::qWait(50);
    QCOMPARE(f.frame->WindowStateText(), state);
}

void TestMainFrame::startState_data()
{
    QTest::addColumn<bool>("startHidden");
    QTest::addColumn<bool>("trayAvailable");
    QTest::addColumn<QString>("state");
    QTest::newRow("shown") << false << true << "normal";
    QTest::newRow("icon: only the icon") << true << true << "hidden";
    QTest::newRow("icon without a notification area: minimised") << true << false << "minimized";
}

void TestMainFrame::startState()
{
    QFETCH(bool, startHidden);
    QFETCH(bool, trayAvailable);
    QFETCH(QString, state);
    Fixture f(trayAvailable);
    f.frame->ShowInitially(startHidden);
    QTRY_COMPARE(f.frame->WindowStateText(), state);
}

void TestMainFrame::trayDoubleClickBringsTheWindowBack()
{
    Fixture f;
    f.config.Options().MinimizeOnTrayOnly = true;
    f.frame->show();
    QVERIFY(QTest::qWaitForWindowExposed(f.frame.get()));
    f.frame->move(120, 90);
    QTRY_COMPARE(f.config.Layout().left, 120);
    f.frame->showMinimized();
    QTRY_COMPARE(f.frame->WindowStateText(), u"hidden"_qs);
    Q_EMIT f.frame->Tray()->DoubleClicked();
    QTRY_COMPARE(f.frame->WindowStateText(), u"normal"_qs);
    QCOMPARE(f.frame->pos(), QPoint(120, 90));

    // Without the option the window is minimised, and the double click restores it.
    f.config.Options().MinimizeOnTrayOnly = false;
    f.frame->showMinimized();
    QTRY_COMPARE(f.frame->WindowStateText(), u"minimized"_qs);
    Q_EMIT f.frame->Tray()->DoubleClicked();
    QTRY_COMPARE(f.frame->WindowStateText(), u"normal"_qs);
}

void TestMainFrame::afterRunCommands_data()
{
    // Steps: "box N" picks item N of the after-run box, "exit" and "shutdown" the two menu
    // commands. Then the box's item and the two check marks.
    QTest::addColumn<QStringList>("steps");
    QTest::addColumn<int>("box");
    QTest::addColumn<bool>("exitChecked");
    QTest::addColumn<bool>("shutdownChecked");
    QTest::addColumn<bool>("message");

    QTest::newRow("exit once") << QStringList{"exit"} << 2 << true << false << false;
    QTest::newRow("exit twice") << QStringList{"exit", "exit"} << 0 << false << false << false;
    QTest::newRow("message, then exit") << QStringList{"box 1", "exit"} << 2 << true << false << true;
    QTest::newRow("message, then exit twice: the message stays") << QStringList{"box 1", "exit", "exit"} << 1 << false << false << true;
    QTest::newRow("shutdown while exit is set") << QStringList{"exit", "shutdown"} << 3 << false << true << false;
    QTest::newRow("exit while shutdown is set") << QStringList{"shutdown", "exit"} << 2 << true << false << false;
    QTest::newRow("the box's shutdown clears exit") << QStringList{"exit", "box 3"} << 3 << false << true << false;
    QTest::newRow("the box's nothing clears all") << QStringList{"shutdown", "box 0"} << 0 << false << false << false;
}

void TestMainFrame::afterRunCommands()
{
    QFETCH(QStringList, steps);
    QFETCH(int, box);
    QFETCH(bool, exitChecked);
    QFETCH(bool, shutdownChecked);
    QFETCH(bool, message);
    Fixture f;
    for (const QString &step : steps) {
        if (step == "exit")
            f.action(C::ExitAfterRun)->trigger();
        else if (step == "shutdown")
            f.action(C::ShutdownAfterRun)->trigger();
        else
            f.bar()->AfterRunBox()->setCurrentIndex(step.section(u' ', 1).toInt());
        f.frame->UpdateCommandStates();
    }
    QCOMPARE(f.bar()->AfterRunBox()->currentIndex(), box);
    QCOMPARE(f.action(C::ExitAfterRun)->isChecked(), exitChecked);
    QCOMPARE(f.action(C::ShutdownAfterRun)->isChecked(), shutdownChecked);
    QCOMPARE(f.flags.AfterRunExit.load(), exitChecked);
    QCOMPARE(f.flags.AfterRunShutdown.load(), shutdownChecked);
    QCOMPARE(f.flags.AfterRunMessage.load(), message);
}

void TestMainFrame::afterRunBox_data()
{
    QTest::addColumn<int>("index");
    QTest::addColumn<QString>("text");
    QTest::addColumn<bool>("message");
    QTest::addColumn<bool>("exit");
    QTest::addColumn<bool>("shutdown");
    QTest::newRow("0") << 0 << u"何もしない"_qs << false << false << false;
    QTest::newRow("1") << 1 << u"メッセージ表示"_qs << true << false << false;
    QTest::newRow("2") << 2 << u"プログラム終了"_qs << false << true << false;
    QTest::newRow("3") << 3 << u"シャットダウン"_qs << false << false << true;
}

void TestMainFrame::afterRunBox()
{
    QFETCH(int, index);
    QFETCH(QString, text);
    QFETCH(bool, message);
    QFETCH(bool, exit);
    QFETCH(bool, shutdown);
    Fixture f;
    QCOMPARE(f.bar()->AfterRunBox()->count(), 4);
    QCOMPARE(f.bar()->AfterRunBox()->itemText(index), text);
    // From every other choice to this one: exactly its flag.
    for (int from = 0; from < 4; ++from) {
        f.bar()->AfterRunBox()->setCurrentIndex(from);
        f.bar()->AfterRunBox()->setCurrentIndex(index);
        QCOMPARE(f.flags.AfterRunMessage.load(), message);
        QCOMPARE(f.flags.AfterRunExit.load(), exit);
        QCOMPARE(f.flags.AfterRunShutdown.load(), shutdown);
        f.bar()->ShowAfterRun();
        QCOMPARE(f.bar()->AfterRunBox()->currentIndex(), index);
    }
}

void TestMainFrame::enableRulesFollowTheView_data()
{
    QTest::addColumn<bool>("running");
    QTest::addColumn<bool>("autoMode");
    QTest::addColumn<QStringList>("trayItems");
    QTest::addColumn<bool>("projectBox");
    QTest::addColumn<bool>("afterRunBox");
    QTest::newRow("idle") << false << false << QStringList{u"開く(&O)"_qs, u"環境設定(&E)..."_qs, u"終了(&X)"_qs} << true << true;
    QTest::newRow("during a run: only 開く") << true << false << QStringList{u"開く(&O)"_qs} << false << true;
    QTest::newRow("unattended start, idle") << false << true << QStringList{u"開く(&O)"_qs, u"環境設定(&E)..."_qs, u"終了(&X)"_qs} << true << false;
    QTest::newRow("unattended start, running") << true << true << QStringList{u"開く(&O)"_qs} << false << false;
}

void TestMainFrame::enableRulesFollowTheView()
{
    QFETCH(bool, running);
    QFETCH(bool, autoMode);
    QFETCH(QStringList, trayItems);
    QFETCH(bool, projectBox);
    QFETCH(bool, afterRunBox);
    Fixture f;
    f.flags.AutoMode = autoMode;
    f.view->state = {.running = running, .selectedRow = 0, .count = 2};
    // Whenever the interface is idle the rules are asked again.
    RunEventLoop(30);
    QCOMPARE(EnabledItems(f.frame->TrayMenu()), trayItems);
    QCOMPARE(f.bar()->ProjectBox()->isEnabled(), projectBox);
    QCOMPARE(f.bar()->EditButton()->isEnabled(), projectBox);
    QCOMPARE(f.bar()->AfterRunBox()->isEnabled(), afterRunBox);
    QCOMPARE(f.action(C::Exit)->isEnabled(), !running);
    QCOMPARE(f.action(C::Stop)->isEnabled(), running);
    QCOMPARE(f.action(C::UpdateSelected)->isEnabled(), !running);
    QVERIFY(f.action(C::ExitAfterRun)->isEnabled());
    QVERIFY(f.action(C::ShutdownAfterRun)->isEnabled());
    QVERIFY(f.action(C::About)->isEnabled());
}

void TestMainFrame::commandsGoToTheView()
{
    Fixture f;
    f.view->state = {.selectedRow = 0, .count = 1};
    f.frame->UpdateCommandStates();
    for (const CommandId command : {C::AddSetting, C::UpdateSelected, C::Options, C::OpenManual})
        f.action(command)->trigger();
    // The frame's own commands stay with the frame.
    f.action(C::ExitAfterRun)->trigger();
    f.action(C::SelectProject)->trigger();
    f.action(C::ShowWindow)->trigger();
    QCOMPARE(f.view->executed, (QList<CommandId>{C::AddSetting, C::UpdateSelected, C::Options, C::OpenManual}));
}

void TestMainFrame::closingDuringARunIsRefused()
{
    Fixture f;
    QSignalSpy closed(f.frame.get(), &CMainFrame::Closed);
    f.frame->show();
    QVERIFY(QTest::qWaitForWindowExposed(f.frame.get()));
    f.frame->SetCloseEnabled(false);
    QVERIFY(!f.action(C::Exit)->isEnabled());
    QVERIFY(!f.frame->close());
    f.frame->SetCloseEnabled(true);
    f.view->state.running = true;
    QVERIFY(!f.frame->close());
    QCOMPARE(closed.count(), 0);
    QCOMPARE(f.view->saves, 0);
    QVERIFY(f.frame->isVisible());
}

void TestMainFrame::closingSavesAndEnds()
{
    Fixture f;
    QSignalSpy closed(f.frame.get(), &CMainFrame::Closed);
    f.frame->ShowInitially(true);   // only the icon: 終了 from its menu still ends the program
    f.frame->TrayMenu()->actions().last()->trigger();
    QCOMPARE(closed.count(), 1);
    QCOMPARE(f.view->saves, 1);
    // A second request while the program ends saves nothing again.
    f.frame->close();
    QCOMPARE(closed.count(), 1);
    QCOMPARE(f.view->saves, 1);
}

void TestMainFrame::projectBox()
{
    Fixture f;
    f.config.SetActiveProject(7);   // outside the list: the first becomes active
    f.frame->FirstShow();
    QComboBox *box = f.bar()->ProjectBox();
    QCOMPARE(box->count(), 3);
    QCOMPARE(box->itemText(0), u"1: デフォルト"_qs);
    QCOMPARE(box->itemText(2), u"3: 写真"_qs);
    QCOMPARE(box->currentIndex(), 0);
    QCOMPARE(f.config.ActiveProject(), 0);
    QVERIFY(f.view->switchedTo.isEmpty());

    box->setCurrentIndex(2);
    QCOMPARE(f.view->switchedTo, QList<int>{2});
    QCOMPARE(box->currentIndex(), 2);
    // A switch the view did not make leaves the box on the active project.
    f.view->refuseSwitch = true;
    box->setCurrentIndex(1);
    QCOMPARE(f.view->switchedTo, (QList<int>{2, 1}));
    QCOMPARE(box->currentIndex(), 2);
}

void TestMainFrame::selectProjectFocusesTheBox()
{
    Fixture f;
    f.frame->show();
    QVERIFY(QTest::qWaitForWindowActive(f.frame.get()));
    QTest::keyClick(f.frame.get(), Qt::Key_P, Qt::ControlModifier);
    QTRY_VERIFY(f.bar()->ProjectBox()->hasFocus());
    // Alt+A reaches the after-run box through its label.
    QTest::keyClick(f.frame.get(), Qt::Key_A, Qt::AltModifier);
    QTRY_VERIFY(f.bar()->AfterRunBox()->hasFocus());
    // During a run 32799 is refused.
    f.view->state.running = true;
    f.frame->UpdateCommandStates();
    QTest::keyClick(f.frame.get(), Qt::Key_P, Qt::ControlModifier);
    QTest::qWait(20);
    QVERIFY(!f.bar()->ProjectBox()->hasFocus());
}

void TestMainFrame::dialogBarLabelsAndTabOrder()
{
    Fixture f;
    QMap<QString, QWidget *> buddies;
    for (const QLabel *label : f.bar()->findChildren<QLabel *>())
        buddies.insert(label->text(), label->buddy());
    QCOMPARE(buddies.value(u"プロジェクト(&P):"_qs), f.bar()->ProjectBox());
    QCOMPARE(buddies.value(u"更新終了後の処理(&A):"_qs), f.bar()->AfterRunBox());
    QCOMPARE(f.bar()->EditButton()->text(), u"編集(&E)"_qs);
    QCOMPARE(f.bar()->ProjectBox()->nextInFocusChain(), f.bar()->EditButton());
    for (QWidget *control : {static_cast<QWidget *>(f.bar()->ProjectBox()), static_cast<QWidget *>(f.bar()->EditButton()),
                             static_cast<QWidget *>(f.bar()->AfterRunBox())})
        QVERIFY(control->focusPolicy() & Qt::TabFocus);
}

void TestMainFrame::trayIconAnimation()
{
    bool running = false;
    CTrayIcon tray([&] { return running; });
    QCOMPARE(tray.ToolTip(), u"Orvane Unicode"_qs);
    QList<int> shown;
    const auto tick = [&] {
        tray.Tick();
        shown << tray.IconId();
    };
    tick();
    running = true;
    for (int i = 0; i < 6; ++i)
        tick();
    running = false;
    tick();
    tick();
    QCOMPARE(shown, (QList<int>{128, 147, 148, 149, 150, 147, 148, 128, 128}));
    QCOMPARE(tray.Frame(), -1);
}

void TestMainFrame::firstShowHappensOnce()
{
    Fixture f;
    f.frame->FirstShow();
    f.frame->FirstShow();
    QCOMPARE(f.view->firstShown, 1);
}

void TestMainFrame::captionStaysTheTitle()
{
    Fixture f;
    f.frame->show();
    QVERIFY(QTest::qWaitForWindowExposed(f.frame.get()));
    QCOMPARE(f.frame->windowTitle(), u"Orvane Unicode"_qs);
    f.frame->FirstShow();
    f.frame->SetStatusText(u"コピー"_qs, u"/x"_qs);
    QCOMPARE(f.frame->windowTitle(), u"Orvane Unicode"_qs);
}

void TestMainFrame::aboutBoxShowsTheVersionLine()
{
    Fixture f;
    f.frame->show();
    QVERIFY(QTest::qWaitForWindowExposed(f.frame.get()));
    QString shown;
    QString title;
    QTimer::singleShot(0, [&] {
        auto *about = qobject_cast<CDlgAbout *>(QApplication::activeModalWidget());
        if (!about)
            return;
        shown = about->ShownVersionLine();
        title = about->windowTitle();
        about->accept();
    });
    f.action(C::About)->trigger();
    QCOMPARE(title, u"バージョン情報"_qs);
    QVERIFY2(shown.startsWith(u"Orvane Unicode Ver."_qs), qPrintable(shown));
    QVERIFY(shown.endsWith(u" (x64)"_qs));
    QCOMPARE(shown, CDlgAbout::VersionLine());
}

QTEST_MAIN(TestMainFrame)
#include "tst_mainframe.moc"
