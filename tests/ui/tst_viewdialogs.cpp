#include "ViewTestSupport.h"

#include "res/CommandIds.h"
#include "ui/OrvaneView.h"
#include "ui/SetupList.h"
#include "ui/dialogs/DlgProjectEdit.h"
#include "ui/dialogs/DlgSetEnvironment.h"
#include "ui/dialogs/FileChooser.h"

#include <QCheckBox>
#include <QLineEdit>
#include <QListWidget>
#include <QMenu>
#include <QPushButton>
#include <QSignalSpy>
#include <QTimer>
#include <QUrl>
#include <QtTest>

#include <functional>

namespace {

using C = CommandId;

// Acts on the modal dialog a command is about to open, from inside its event loop.
template <class Dialog>
void WhenOpen(std::function<void(Dialog &)> act, bool *seen)
{
    QTimer::singleShot(0, [act, seen] {
        auto *dialog = qobject_cast<Dialog *>(QApplication::activeModalWidget());
        *seen = dialog != nullptr;
        if (dialog)
            act(*dialog);
        else if (QWidget *other = QApplication::activeModalWidget())
            other->close();
    });
}

class CancelledChooser : public FileChooser {
public:
    std::optional<QString> ChooseFile(const FileChooserRequest &, QWidget *) override
    {
        ++asked;
        return std::nullopt;
    }
    int asked = 0;
};

// The main view over a stored configuration of three projects (2, 3 and 1 settings), with
// project 0 active and its message boxes answered from a script.
struct ViewWithProjects {
    ViewEnv env;
    ScriptedPresenter boxes;
    QList<QUrl> opened;
    std::unique_ptr<COrvaneView> view;

    explicit ViewWithProjects(int active = 0)
    {
        CConfiguration &config = *env.config;
        config.Projects().Clear();
        const int counts[] = {2, 3, 1};
        for (int p = 0; p < 3; ++p) {
            config.Projects().AddProject(QStringLiteral("P%1").arg(p));
            std::vector<CFolderSetting> settings;
            for (int i = 0; i < counts[p]; ++i)
                settings.push_back(Named(QStringLiteral("P%1/%2").arg(p).arg(i)));
            config.SaveProjectSettings(std::span<const CFolderSetting>(settings), p);
        }
        config.SaveGlobalSettings();
        config.SetActiveProject(active);
        view = std::make_unique<COrvaneView>(config, env.flags, env.disk);
        view->SetMessageBoxPresenter(boxes);
        view->SetUrlOpener([this](const QUrl &url) {
            opened << url;
            return true;
        });
    }
    CConfiguration &config() { return *env.config; }
    QStringList Names() const
    {
        QStringList names;
        for (int i = 0; i < view->Count(); ++i)
            names << view->Setting(i).Name;
        return names;
    }
    QByteArray Stored() const { return testsupport::ReadFile(env.IniPath()); }
};

} // namespace

// The commands of the main view that open the options, the project list, the compare tool and
// the desktop's programs.
class TestViewDialogs : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void optionsCancelledChangesNothing();
    void optionsOkSwitchesTheStore();
    void projectListOkShowsTheNewList_data();
    void projectListOkShowsTheNewList();
    void projectListCancelledChangesNothing();
    void launchesOfTheSelectedSetting();
    void compareToolWithoutTool();
    void compareToolMenuTexts();
};

void TestViewDialogs::optionsCancelledChangesNothing()
{
    ViewWithProjects v;
    v.view->SaveActiveProject();
    const QByteArray before = v.Stored();
    const GlobalOptions options = v.config().Options();
    CancelledChooser chooser;
    bool seen = false;
    v.boxes.answers = {MessageAnswer::Ok};
    WhenOpen<CDlgSetEnvironment>([&](CDlgSetEnvironment &dialog) {
        dialog.SetFileChooser(chooser);
        dialog.findChild<QCheckBox *>("useRegistry")->click();
        dialog.findChild<QCheckBox *>("outputLog")->click();
        dialog.findChild<QLineEdit *>("compareToolPath")->setText("kdiff3");
        dialog.findChild<QPushButton *>("browseTool")->click();
        dialog.reject();
    }, &seen);
    v.view->ExecuteCommand(C::Options);
    QVERIFY(seen);
    QCOMPARE(chooser.asked, 1);
    QCOMPARE(v.boxes.boxes.size(), size_t(1));   // the storage notice
    QCOMPARE(v.Stored(), before);
    QVERIFY(v.config().Options() == options);
    QVERIFY(!v.config().Store().UseRegistry());
    QVERIFY(!QFile::exists(v.env.dir.filePath("registry.sqlite3")));
}

void TestViewDialogs::optionsOkSwitchesTheStore()
{
    ViewWithProjects v;
    QSignalSpy states(v.view.get(), &COrvaneView::CommandStatesChanged);
    bool seen = false;
    v.boxes.answers = {MessageAnswer::Ok};
    WhenOpen<CDlgSetEnvironment>([&](CDlgSetEnvironment &dialog) {
        dialog.findChild<QCheckBox *>("useRegistry")->click();
        dialog.findChild<QCheckBox *>("outputLog")->click();
        dialog.accept();
    }, &seen);
    v.view->ExecuteCommand(C::Options);
    QVERIFY(seen);
    QVERIFY(v.config().Store().UseRegistry());
    QVERIFY(v.config().Options().OutputLog);
    QVERIFY(states.count() >= 1);
    QVERIFY(v.view->State().globalOutputLog);
    // Every project is in the user database now.
    CProjectList list;
    v.config().LoadAllProjects(list);
    QCOMPARE(list.FolderSettingCount(0), 2);
    QCOMPARE(list.FolderSettingCount(1), 3);
    QCOMPARE(list.FolderSettings(2).front().Name, u"P2/0"_qs);
}

void TestViewDialogs::projectListOkShowsTheNewList_data()
{
    QTest::addColumn<int>("active");
    QTest::addColumn<int>("deleted");
    QTest::addColumn<int>("activeAfter");
    QTest::addColumn<QStringList>("shown");

    QTest::newRow("project 0 deleted: the next is number 0") << 0 << 0 << 0 << QStringList{"P1/0", "P1/1", "P1/2"};
    QTest::newRow("the active last one deleted: the first") << 2 << 2 << 0 << QStringList{"P0/0", "P0/1"};
    QTest::newRow("another one deleted") << 1 << 0 << 1 << QStringList{"P2/0"};
}

void TestViewDialogs::projectListOkShowsTheNewList()
{
    QFETCH(int, active);
    QFETCH(int, deleted);
    QFETCH(int, activeAfter);
    QFETCH(QStringList, shown);

    ViewWithProjects v(active);
    v.view->SelectRow(0);
    QStringList order;   // the project box is told before the view loads
    connect(v.view.get(), &COrvaneView::ProjectListChanged, this,
            [&] { order << QStringLiteral("box:%1").arg(v.view->Count()); });
    bool seen = false;
    v.boxes.answers = {MessageAnswer::Yes};
    WhenOpen<CDlgProjectEdit>([&](CDlgProjectEdit &dialog) {
        QListWidget *list = dialog.List();
        list->clearSelection();
        list->item(deleted)->setSelected(true);
        dialog.DeleteSelected();
        dialog.accept();
    }, &seen);
    v.view->ExecuteCommand(C::EditProjectList);
    QVERIFY(seen);
    QCOMPARE(order.size(), 1);
    QCOMPARE(v.config().Projects().Count(), 2);
    QCOMPARE(v.config().ActiveProject(), activeAfter);
    QCOMPARE(v.Names(), shown);
    QCOMPARE(v.view->SelectedRow(), -1);
}

void TestViewDialogs::projectListCancelledChangesNothing()
{
    ViewWithProjects v(1);
    QSignalSpy changed(v.view.get(), &COrvaneView::ProjectListChanged);
    v.view->SaveActiveProject();
    const QByteArray before = v.Stored();
    bool seen = false;
    v.boxes.answers = {MessageAnswer::Yes};
    WhenOpen<CDlgProjectEdit>([&](CDlgProjectEdit &dialog) {
        dialog.DeleteSelected();
        dialog.reject();
    }, &seen);
    v.view->ExecuteCommand(C::EditProjectsButton);
    QVERIFY(seen);
    QCOMPARE(changed.count(), 0);
    QCOMPARE(v.Stored(), before);
    QCOMPARE(v.config().Projects().Count(), 3);
    QCOMPARE(v.Names(), (QStringList{"P1/0", "P1/1", "P1/2"}));
}

void TestViewDialogs::launchesOfTheSelectedSetting()
{
    ViewWithProjects v;
    // Nothing selected: the commands of a setting do nothing; the manual opens.
    for (C command : {C::OpenMasterFolder, C::OpenBackupFolder, C::StartCompareTool, C::OpenLogFile})
        v.view->ExecuteCommand(command);
    QVERIFY(v.opened.isEmpty());
    v.view->ExecuteCommand(C::OpenManual);
    QCOMPARE(v.opened, QList<QUrl>{QUrl::fromLocalFile(QCoreApplication::applicationDirPath() + "/Orvane.txt")});

    v.opened.clear();
    v.view->SelectRow(1);
    v.view->ExecuteCommand(C::OpenMasterFolder);
    v.view->ExecuteCommand(C::OpenBackupFolder);
    v.config().Options().OutputLog = true;
    v.config().Options().LogFileName = QStringLiteral("/logs/all.log");
    v.view->ExecuteCommand(C::OpenLogFile);
    QCOMPARE(v.opened, (QList<QUrl>{QUrl::fromLocalFile("/master/P0/1"), QUrl::fromLocalFile("/backup/P0/1"),
                                    QUrl::fromLocalFile("/logs/all.log")}));
    QVERIFY(v.boxes.boxes.empty());
}

void TestViewDialogs::compareToolWithoutTool()
{
    ViewWithProjects v;
    v.config().Options().CompareToolPath.clear();
    v.view->SelectRow(0);
    v.view->ExecuteCommand(C::StartCompareTool);
    QCOMPARE(v.boxes.boxes.size(), size_t(1));
    QCOMPARE(v.boxes.boxes.front().caption, u"フォルダ比較ツールの起動"_qs);
    QCOMPARE(v.boxes.boxes.front().icon, MessageIcon::Warning);
}

void TestViewDialogs::compareToolMenuTexts()
{
    ViewWithProjects v;
    v.config().Options().CompareToolPath = QStringLiteral("/usr/bin/meld");
    QCOMPARE(v.view->MenuText(C::StartCompareTool, true), u"meld を起動(&W)\tCtrl+W"_qs);
    QCOMPARE(v.view->MenuText(C::Options, true), QString());
    v.view->SelectRow(0);
    std::unique_ptr<QMenu> menu(v.view->SetupList().CreateContextMenu(nullptr));
    QCOMPARE(menu->actions().last()->text(), u"meld を起動(&W)"_qs);
    QVERIFY(menu->actions().last()->isEnabled());
    v.config().Options().CompareToolPath.clear();
    menu.reset(v.view->SetupList().CreateContextMenu(nullptr));
    QCOMPARE(menu->actions().last()->text(), u"フォルダ比較ツールが設定されていません"_qs);
    QVERIFY(menu->actions().last()->isEnabled());
}

QTEST_MAIN(TestViewDialogs)
#include "tst_viewdialogs.moc"
