#include "app/AppIcons.h"
#include "app/MainFrame.h"
#include "app/ToolDialogBar.h"
#include "app/TrayIcon.h"
#include "config/Configuration.h"
#include "model/AppFlags.h"
#include "model/WindowLayout.h"
#include "ui/ViewCommands.h"

#include "ConfigTestSupport.h"

#include <QAction>
#include <QComboBox>
#include <QMenu>
#include <QMenuBar>
#include <QMimeData>
#include <QPushButton>
#include <QStatusTipEvent>
#include <QToolBar>
#include <QtTest>

#include <memory>

namespace {

using C = CommandId;

// The view as the frame sees it: a state the test sets, and what the frame asked of it.
class FakeView : public QWidget, public ViewCommands {
public:
    ViewState state;
    QList<CommandId> executed;
    CConfiguration *config = nullptr;
    bool refuseSwitch = false;
    int saves = 0;

    ViewState State() const override { return state; }
    void ExecuteCommand(CommandId command) override { executed << command; }
    void SwitchToProject(int project) override
    {
        if (!refuseSwitch)
            config->SetActiveProject(project);
    }
    void FirstShown() override {}
    void StopRun() override {}
    bool SaveActiveProject() override { return ++saves; }
    QString MenuText(CommandId command, bool withShortcut) const override
    {
        if (command != C::StartCompareTool)
            return QString();
        menuTextAsked = withShortcut ? 1 : 0;
        return compareText;
    }
    QString compareText;
    mutable int menuTextAsked = -1;   // 1: with the shortcut, 0: without
    // Items whose path ends in ".txt" open; the others are refused.
    bool OpenDocument(const QUrl &item) override
    {
        documents << item.toLocalFile();
        return item.toLocalFile().endsWith(u".txt"_qs);
    }
    QStringList documents;
};

// A frame with its view over a configuration of three projects in memory.
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
        config.Layout() = layout;
        view->config = &config;
        frame = std::make_unique<CMainFrame>(config, flags, [this] { return tray; });
        frame->SetView(view, view);
    }
    QAction *action(CommandId command) const { return frame->Action(command); }
    CToolDialogBar *bar() const { return frame->DialogBar(); }
    void showAndWait() { frame->show(); QVERIFY(QTest::qWaitForWindowActive(frame.get())); }
};

// "text<TAB>shortcut" per item, "-" for a separator; with onlyEnabled the enabled texts alone.
QStringList Items(const QMenu *menu, bool onlyEnabled = false)
{
    QStringList items;
    for (const QAction *action : menu->actions()) {
        if (onlyEnabled) {
            if (!action->isSeparator() && action->isEnabled())
                items << action->text();
        } else {
            items << (action->isSeparator() ? u"-"_qs
                      : action->shortcut().isEmpty() ? action->text()
                                                     : action->text() + u'\t' + action->shortcut().toString());
        }
    }
    return items;
}

// As the program's event loop runs: waiting for events, so that it goes idle.
void RunEventLoop(int ms)
{
    QEventLoop loop;
    QTimer::singleShot(ms, &loop, &QEventLoop::quit);
    loop.exec();
}

} // namespace

class TestMainFrame : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void menuBar_data();
    void menuBar();
    void toolBar();
    void keyboard();
    void statusText_data();
    void statusText();
    void initialPlacement_data();
    void initialPlacement();
    void onlyTheNormalStateIsRecorded();
    void hidingInTheNotificationArea_data();
    void hidingInTheNotificationArea();
    void afterRunChoices_data();
    void afterRunChoices();
    void enableRulesDuringARun_data();
    void enableRulesDuringARun();
    void projectBox();
    void editButtonAsksForTheProjectList();
    void compareToolItemNamesTheTool_data();
    void compareToolItemNamesTheTool();
    void droppedFilesGoToTheViewInOrder_data();
    void droppedFilesGoToTheViewInOrder();
    void trayIconAnimation();
};

void TestMainFrame::menuBar_data()
{
    QTest::addColumn<int>("index");
    QTest::addColumn<QString>("title");
    QTest::addColumn<QStringList>("items");
    QTest::newRow("フォルダ設定") << 0 << u"フォルダ設定(&F)"_qs
        << QStringList{u"プロジェクトの選択(&S)\tCtrl+P"_qs, u"プロジェクトリストの編集(&E)\tCtrl+R"_qs, "-",
                       u"選択(&F)"_qs, u"追加(&A)\tCtrl+N"_qs, u"削除(&D)\tDel"_qs, u"編集(&I)"_qs, u"コピー(&C)"_qs, "-",
                       u"上へ(&U)\tCtrl+Up"_qs, u"下へ(&W)\tCtrl+Down"_qs, "-", u"ログファイルを開く(&L)"_qs, "-", u"終了(&X)"_qs};
    QTest::newRow("バックアップ") << 1 << u"バックアップ(&B)"_qs
        << QStringList{u"テスト(&T)\tCtrl+T"_qs, u"全テスト(&E)\tCtrl+E"_qs, u"更新(&O)\tCtrl+U"_qs, u"全更新(&S)\tCtrl+A"_qs,
                       u"中止(&B)\tEsc"_qs, "-", u"更新終了後にプログラム終了(&X)"_qs, u"更新終了後にシャットダウン(&D)"_qs};
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
    QStringList buttons;
    QList<QImage> pictures;
    for (QAction *action : bar->actions()) {
        buttons << (action->isSeparator() ? u"-"_qs : action->iconText());
        if (!action->isSeparator())
            pictures << action->icon().pixmap(20, 20).toImage();
    }
    QCOMPARE(buttons, (QStringList{u"追加"_qs, u"削除"_qs, u"編集"_qs, u"ログ表示"_qs, "-", u"上へ"_qs, u"下へ"_qs, "-",
                                   u"テスト"_qs, u"全テスト"_qs, u"更新"_qs, u"全更新"_qs, u"中止"_qs}));
    // Each button has a picture of its own, drawn from the compiled-in resources.
    for (int i = 0; i < pictures.size(); ++i) {
        QVERIFY2(pictures[i].pixelColor(10, 10).alpha() > 0 || pictures[i].pixelColor(10, 6).alpha() > 0,
                 qPrintable(buttons[i]));
        for (int j = i + 1; j < pictures.size(); ++j)
            QVERIFY(pictures[i] != pictures[j]);
    }
    // The tool tip is the part after the LF of the command's string; the menu keeps its text.
    QCOMPARE(f.action(C::EditSetting)->toolTip(), u"設定編集"_qs);
    QCOMPARE(f.action(C::EditSetting)->text(), u"編集(&I)"_qs);
}

void TestMainFrame::keyboard()
{
    Fixture f;
    f.showAndWait();
    // Shortcuts reach the view's commands that are enabled, and only those.
    QTest::keyClick(f.frame.get(), Qt::Key_N, Qt::ControlModifier);
    QTest::keyClick(f.frame.get(), Qt::Key_T, Qt::ControlModifier);   // テスト: nothing selected
    QCOMPARE(f.view->executed, QList<CommandId>{C::AddSetting});
    // Ctrl+P moves to the project box; the labels' mnemonics reach their boxes.
    QTest::keyClick(f.frame.get(), Qt::Key_P, Qt::ControlModifier);
    QTRY_VERIFY(f.bar()->ProjectBox()->hasFocus());
    QTest::keyClick(f.frame.get(), Qt::Key_A, Qt::AltModifier);
    QTRY_VERIFY(f.bar()->AfterRunBox()->hasFocus());
    // During a run 32799 is refused, also when its enabled state was not looked at since.
    f.view->state.running = true;
    f.action(C::SelectProject)->trigger();
    QVERIFY(f.bar()->AfterRunBox()->hasFocus());
}

void TestMainFrame::statusText_data()
{
    // Steps: "word|path" is a status text ("~" a null part), "?prompt" a highlighted command,
    // "?" nothing highlighted any more.
    QTest::addColumn<QStringList>("steps");
    QTest::addColumn<QString>("pane");
    const auto pad = [](int n) { return QString(n, u' '); };
    QTest::newRow("both padded") << QStringList{u"バックアップ中|/a/b"_qs} << u"バックアップ中"_qs + pad(3) + "/a/b" + pad(26);
    QTest::newRow("a null path keeps the path") << QStringList{"copy|/one", "check|~"} << "check     /one" + pad(26);
    QTest::newRow("a null word keeps the word") << QStringList{"copy|/one", "~|/two"} << "copy      /two" + pad(26);
    QTest::newRow("an empty path clears it") << QStringList{"copy|/one", u"終了しました|"_qs} << u"終了しました"_qs + pad(34);
    QTest::newRow("a long word pushes the path, nothing is cut") << QStringList{"abcdefghijklmn|/p"} << "abcdefghijklmn/p" + pad(28);
    QTest::newRow("a highlighted command's prompt") << QStringList{"copy|/one", u"?フォルダ設定を追加します"_qs}
                                                   << u"フォルダ設定を追加します"_qs;
    QTest::newRow("idle text when nothing is highlighted") << QStringList{"copy|/one", "?x", "?"} << "Orvane Unicode";
    QTest::newRow("the next message brings the parts back") << QStringList{"copy|/one", "?x", "?", "~|~"}
                                                           << "copy      /one" + pad(26);
}

void TestMainFrame::statusText()
{
    QFETCH(QStringList, steps);
    QFETCH(QString, pane);
    Fixture f;
    QCOMPARE(f.frame->PaneText(), u"Orvane Unicode"_qs);
    const auto part = [](const QString &text) { return text == "~" ? std::nullopt : std::optional<QString>(text); };
    for (const QString &step : steps) {
        if (step.startsWith(u'?')) {
            QStatusTipEvent tip(step.mid(1));
            QCoreApplication::sendEvent(f.frame.get(), &tip);
        } else {
            f.frame->SetStatusText(part(step.section(u'|', 0, 0)), part(step.section(u'|', 1)));
        }
    }
    QCOMPARE(f.frame->PaneText(), pane);
}

void TestMainFrame::initialPlacement_data()
{
    QTest::addColumn<QList<int>>("rectangle");   // left, top, right, bottom
    QTest::addColumn<QRect>("expected");         // null: the desktop places the window
    QTest::newRow("all four non-zero") << QList<int>{100, 80, 740, 560} << QRect(100, 80, 640, 480);
    QTest::newRow("nothing stored") << QList<int>{0, 0, 0, 0} << QRect();
    QTest::newRow("left 0: a window at the left edge") << QList<int>{0, 50, 640, 530} << QRect();
    QTest::newRow("log-off placement 0 0 640 480") << QList<int>{0, 0, 640, 480} << QRect();
    QTest::newRow("negative but on screen") << QList<int>{-8, -8, 1000, 700} << QRect(-8, -8, 1008, 708);
    QTest::newRow("right before left") << QList<int>{500, 80, 100, 560} << QRect();
    QTest::newRow("beyond every screen") << QList<int>{5000, 5000, 5640, 5480} << QRect();
    QTest::newRow("hardly a corner on screen") << QList<int>{1900, 1060, 2540, 1540} << QRect();
    QTest::newRow("on the second screen") << QList<int>{2000, 100, 2640, 580} << QRect(2000, 100, 640, 480);
    QTest::newRow("damaged: the width overflows") << QList<int>{-2147483647, 10, 2147483647, 500} << QRect();
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
    QCOMPARE(CMainFrame::InitialPlacement(layout, screens).value_or(QRect()), expected);
}

void TestMainFrame::onlyTheNormalStateIsRecorded()
{
    WindowLayout saved;
    saved.left = 60;
    saved.top = 40;
    saved.right = 760;
    saved.bottom = 460;
    Fixture f(true, saved);
    f.showAndWait();
    QCOMPARE(f.frame->geometry().size(), QSize(700, 420));
    QCOMPARE(f.frame->pos(), QPoint(60, 40));
    f.frame->move(30, 20);
    QTRY_COMPARE(f.config.Layout().left, 30);
    const WindowLayout normal = f.config.Layout();
    QCOMPARE(normal.right, 730);
    // Maximising, minimising and closing keep the rectangle from before.
    f.frame->showMaximized();
    QTRY_VERIFY(f.frame->isMaximized());
    f.frame->showMinimized();
    f.frame->move(300, 300);
    RunEventLoop(30);
    QVERIFY(f.frame->close());
    QCOMPARE(f.config.Layout(), normal);
}

void TestMainFrame::hidingInTheNotificationArea_data()
{
    QTest::addColumn<bool>("startHidden");   // else shown, then minimised
    QTest::addColumn<bool>("minimizeOnTrayOnly");
    QTest::addColumn<bool>("trayAvailable");
    QTest::addColumn<QString>("state");
    QTest::newRow("minimised into the notification area") << false << true << true << "hidden";
    QTest::newRow("minimised, option clear") << false << false << true << "minimized";
    QTest::newRow("minimised, no notification area: never hidden") << false << true << false << "minimized";
    QTest::newRow("icon: only the icon") << true << false << true << "hidden";
    QTest::newRow("icon, no notification area: minimised") << true << false << false << "minimized";
}

void TestMainFrame::hidingInTheNotificationArea()
{
    QFETCH(bool, startHidden);
    QFETCH(bool, minimizeOnTrayOnly);
    QFETCH(bool, trayAvailable);
    QFETCH(QString, state);
    Fixture f(trayAvailable);
    f.config.Options().MinimizeOnTrayOnly = minimizeOnTrayOnly;
    f.frame->ShowInitially(startHidden);
    if (!startHidden) {
        QVERIFY(QTest::qWaitForWindowExposed(f.frame.get()));
        f.frame->showMinimized();
    }
    RunEventLoop(30);
    QCOMPARE(f.frame->WindowStateText(), state);
    // A double click on the icon brings the window back in its normal state.
    Q_EMIT f.frame->Tray()->DoubleClicked();
    QTRY_COMPARE(f.frame->WindowStateText(), u"normal"_qs);
}

void TestMainFrame::afterRunChoices_data()
{
    // Steps: "box N" picks item N of the after-run box, "exit" and "shutdown" are 32804, 32805.
    QTest::addColumn<QStringList>("steps");
    QTest::addColumn<int>("box");
    QTest::addColumn<bool>("exitChecked");
    QTest::addColumn<bool>("shutdownChecked");
    QTest::addColumn<bool>("message");
    QTest::newRow("exit once") << QStringList{"exit"} << 2 << true << false << false;
    QTest::newRow("exit twice") << QStringList{"exit", "exit"} << 0 << false << false << false;
    QTest::newRow("message, exit twice: the message stays") << QStringList{"box 1", "exit", "exit"} << 1 << false << false << true;
    QTest::newRow("message, then exit") << QStringList{"box 1", "exit"} << 2 << true << false << true;
    QTest::newRow("shutdown while exit is set") << QStringList{"exit", "shutdown"} << 3 << false << true << false;
    QTest::newRow("exit while shutdown is set") << QStringList{"shutdown", "exit"} << 2 << true << false << false;
    QTest::newRow("the box's shutdown clears exit") << QStringList{"exit", "box 3"} << 3 << false << true << false;
    QTest::newRow("the box's message clears shutdown") << QStringList{"shutdown", "box 1"} << 1 << false << false << true;
    QTest::newRow("the box's nothing clears all") << QStringList{"box 1", "exit", "box 0"} << 0 << false << false << false;
}

void TestMainFrame::afterRunChoices()
{
    QFETCH(QStringList, steps);
    QFETCH(int, box);
    QFETCH(bool, exitChecked);
    QFETCH(bool, shutdownChecked);
    QFETCH(bool, message);
    Fixture f;
    for (const QString &step : steps) {
        if (step == "exit" || step == "shutdown")
            f.action(step == "exit" ? C::ExitAfterRun : C::ShutdownAfterRun)->trigger();
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

void TestMainFrame::enableRulesDuringARun_data()
{
    QTest::addColumn<bool>("running");
    QTest::addColumn<bool>("autoMode");
    QTest::addColumn<QStringList>("trayItems");
    QTest::addColumn<bool>("afterRunBox");
    const QStringList all{u"開く(&O)"_qs, u"環境設定(&E)..."_qs, u"終了(&X)"_qs};
    QTest::newRow("idle") << false << false << all << true;
    QTest::newRow("during a run: only 開く") << true << false << QStringList{u"開く(&O)"_qs} << true;
    QTest::newRow("unattended start") << false << true << all << false;
}

void TestMainFrame::enableRulesDuringARun()
{
    QFETCH(bool, running);
    QFETCH(bool, autoMode);
    QFETCH(QStringList, trayItems);
    QFETCH(bool, afterRunBox);
    Fixture f;
    f.flags.AutoMode = autoMode;
    f.view->state = {.running = running, .selectedRow = 0, .count = 2};
    f.showAndWait();
    RunEventLoop(30);   // idle: the rules are asked again
    QCOMPARE(Items(f.frame->TrayMenu(), true), trayItems);
    QCOMPARE(f.bar()->ProjectBox()->isEnabled(), !running);
    QCOMPARE(f.bar()->EditButton()->isEnabled(), !running);
    QCOMPARE(f.bar()->AfterRunBox()->isEnabled(), afterRunBox);
    QCOMPARE(f.action(C::UpdateSelected)->isEnabled(), !running);
    QVERIFY(f.action(C::ShutdownAfterRun)->isEnabled());
    // The window does not close during a run, nor while the view keeps it shut.
    QCOMPARE(f.frame->close(), !running);
    QCOMPARE(f.view->saves, running ? 0 : 1);
}

void TestMainFrame::projectBox()
{
    Fixture f;
    f.config.SetActiveProject(7);   // outside the list: the first becomes active
    f.frame->FirstShow();
    QComboBox *box = f.bar()->ProjectBox();
    QCOMPARE(box->count(), 3);
    QCOMPARE(box->itemText(2), u"3: 写真"_qs);
    QCOMPARE(box->currentIndex(), 0);
    QCOMPARE(f.config.ActiveProject(), 0);
    box->setCurrentIndex(2);
    QCOMPARE(f.config.ActiveProject(), 2);
    // A switch the view did not make leaves the box on the active project.
    f.view->refuseSwitch = true;
    box->setCurrentIndex(1);
    QCOMPARE(box->currentIndex(), 2);
}

void TestMainFrame::editButtonAsksForTheProjectList()
{
    Fixture f;
    f.bar()->EditButton()->click();
    QCOMPARE(f.view->executed, QList<CommandId>{C::EditProjectsButton});
    // Refused while a run is active.
    f.view->executed.clear();
    f.view->state.running = true;
    f.frame->UpdateCommandStates();
    f.bar()->EditButton()->click();
    QVERIFY(f.view->executed.isEmpty());
}

void TestMainFrame::compareToolItemNamesTheTool_data()
{
    QTest::addColumn<QString>("computed");
    QTest::addColumn<QString>("shown");
    QTest::newRow("a tool") << u"meld を起動(&W)\tCtrl+W"_qs << u"meld を起動(&W)\tCtrl+W"_qs;
    // A text without the shortcut keeps the menu from adding the action's own.
    QTest::newRow("no tool") << u"フォルダ比較ツールが設定されていません"_qs << u"フォルダ比較ツールが設定されていません\t"_qs;
}

void TestMainFrame::compareToolItemNamesTheTool()
{
    QFETCH(QString, computed);
    QFETCH(QString, shown);
    Fixture f;
    QMenu *tools = f.frame->menuBar()->actions().at(2)->menu();
    f.view->compareText = computed;
    emit tools->aboutToShow();
    QCOMPARE(f.view->menuTextAsked, 1);
    QCOMPARE(f.action(C::StartCompareTool)->text(), shown);
    QCOMPARE(f.action(C::StartCompareTool)->shortcut(), QKeySequence("Ctrl+W"));
    // The other items keep their own texts.
    QCOMPARE(f.action(C::Options)->text(), u"オプション(&O)..."_qs);
}

void TestMainFrame::droppedFilesGoToTheViewInOrder_data()
{
    QTest::addColumn<QStringList>("paths");
    QTest::addColumn<bool>("clockStarted");
    QTest::newRow("one file") << QStringList{"/a/notes.txt"} << true;
    QTest::newRow("two files, in drop order") << QStringList{"/b/second.txt", "/a/first.txt"} << true;
    QTest::newRow("a folder") << QStringList{"/a/folder"} << false;
    QTest::newRow("a folder and a file") << QStringList{"/a/folder", "/a/notes.txt"} << true;
}

void TestMainFrame::droppedFilesGoToTheViewInOrder()
{
    QFETCH(QStringList, paths);
    QFETCH(bool, clockStarted);
    Fixture f;
    QVERIFY(f.frame->acceptDrops());
    QList<QUrl> urls;
    for (const QString &path : paths)
        urls << QUrl::fromLocalFile(path);
    QMimeData files;
    files.setUrls(urls);
    QDragEnterEvent enter(QPoint(5, 5), Qt::CopyAction, &files, Qt::LeftButton, {});
    QApplication::sendEvent(f.frame.get(), &enter);
    QVERIFY(enter.isAccepted());
    QDropEvent drop(QPointF(5, 5), Qt::CopyAction, &files, Qt::LeftButton, {});
    QApplication::sendEvent(f.frame.get(), &drop);
    QVERIFY(drop.isAccepted());
    QTRY_COMPARE(f.view->documents, paths);
    // The icon's clock starts again only for a file the view opened.
    QCOMPARE(f.frame->Tray()->ClockRunning(), clockStarted);

    // Text dragged from an editor is no file.
    QMimeData words;
    words.setText("just words");
    QDragEnterEvent wordsEnter(QPoint(5, 5), Qt::CopyAction, &words, Qt::LeftButton, {});
    QApplication::sendEvent(f.frame.get(), &wordsEnter);
    QVERIFY(!wordsEnter.isAccepted());
}

void TestMainFrame::trayIconAnimation()
{
    bool running = false;
    CTrayIcon tray([&] { return running; });
    QCOMPARE(tray.ToolTip(), u"Orvane Unicode"_qs);
    QList<int> shown;
    for (const bool run : {false, true, true, true, true, true, true, false, false}) {
        running = run;
        tray.Tick();
        shown << tray.IconId();
    }
    QCOMPARE(shown, (QList<int>{128, 147, 148, 149, 150, 147, 148, 128, 128}));
    // Five different pictures.
    QSet<QByteArray> pictures;
    for (const int id : shown) {
        const QImage image = CAppIcons::Icon(id).pixmap(32, 32).toImage();
        pictures.insert(QByteArray(reinterpret_cast<const char *>(image.constBits()), image.sizeInBytes()));
    }
    QCOMPARE(pictures.size(), 5);
}

QTEST_MAIN(TestMainFrame)
#include "tst_mainframe.moc"
