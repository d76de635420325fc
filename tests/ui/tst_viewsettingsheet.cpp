#include "FakeEngine.h"
#include "SheetTestSupport.h"
#include "ViewTestSupport.h"

#include "res/CommandIds.h"
#include "ui/OrvaneView.h"
#include "ui/RunController.h"
#include "ui/SetupList.h"
#include "ui/dialogs/DlgDefMain.h"
#include "ui/dialogs/DlgDefMode.h"
#include "ui/dialogs/DlgDefineSheet.h"

#include <QCheckBox>
#include <QDialogButtonBox>
#include <QLineEdit>
#include <QPushButton>
#include <QTabWidget>
#include <QtTest>

// 追加 and 編集 of the main view through the folder setting sheet, checked in the store.
class TestViewSettingSheet : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void addAppendsAndSaves_data();
    void addAppendsAndSaves();
    void editRewritesTheRowAndSaves_data();
    void editRewritesTheRowAndSaves();
    void noSheetDuringARun_data();
    void noSheetDuringARun();
};

namespace {

using C = CommandId;

// Fills the sheet's name box and presses OK or Cancel.
std::function<void(CDlgDefineSheet *)> AnswerSheet(const QString &name, bool ok, QString *caption = nullptr)
{
    return [name, ok, caption](CDlgDefineSheet *sheet) {
        if (caption)
            *caption = sheet->windowTitle();
        if (!name.isNull())
            Control<QLineEdit>(sheet->MainPage(), QStringLiteral(u"名称(&N):"))->setText(name);
        if (ok)
            sheet->Buttons()->buttons().first()->click();
        else
            sheet->reject();
    };
}

} // namespace

void TestViewSettingSheet::addAppendsAndSaves_data()
{
    QTest::addColumn<int>("count");
    QTest::addColumn<bool>("ok");
    QTest::addColumn<bool>("added");
    QTest::newRow("ok") << 2 << true << true;
    QTest::newRow("ok into the last place") << 999 << true << true;
    QTest::newRow("cancel") << 2 << false << false;
    QTest::newRow("ok with a full table") << 1000 << true << false;
}

void TestViewSettingSheet::addAppendsAndSaves()
{
    QFETCH(int, count);
    QFETCH(bool, ok);
    QFETCH(bool, added);
    ViewEnv env(NamedSettings(count));
    const QByteArray before = testsupport::ReadFile(env.IniPath());
    COrvaneView view(*env.config, env.flags, env.disk);
    ScriptedPresenter boxes;
    view.SetMessageBoxPresenter(boxes);

    QString caption;
    OnNextDialog<CDlgDefineSheet>(AnswerSheet(QStringLiteral(u"写真"), ok, &caption));
    view.ExecuteCommand(C::AddSetting);
    QCOMPARE(caption, QStringLiteral(u"フォルダ設定"));
    if (!added) {
        QCOMPARE(view.Count(), count);
        QCOMPARE(testsupport::ReadFile(env.IniPath()), before);
        QVERIFY(boxes.boxes.empty());
        return;
    }
    CFolderSetting expected;
    expected.Name = QStringLiteral(u"写真");
    const std::vector<CFolderSetting> stored = env.Stored();
    QCOMPARE(int(stored.size()), count + 1);
    QVERIFY(stored.back() == expected);
    QCOMPARE(view.SetupList().model()->rowCount(), count + 1);
    QCOMPARE(view.SetupList().model()->index(count, 1).data().toString(), expected.Name);

    QCOMPARE(boxes.boxes.size(), size_t(1));
    const MessageBoxRequest &message = boxes.boxes.front();
    QCOMPARE(message.text, QStringLiteral(u"新しいフォルダ設定(写真)を作成しました。\n\n設定内容の確認のために、"
                                          u"初回は実際のファイル操作を行わない\n[テスト] モードで実行してみることをお薦めします。"));
    QCOMPARE(message.caption, QStringLiteral(u"フォルダ設定の作成"));
    QCOMPARE(message.icon, MessageIcon::Information);
    QCOMPARE(message.buttons, MessageButtons::Ok);
    QVERIFY(message.topMost);
}

void TestViewSettingSheet::editRewritesTheRowAndSaves_data()
{
    QTest::addColumn<bool>("ok");
    QTest::newRow("ok") << true;
    QTest::newRow("cancel") << false;
}

void TestViewSettingSheet::editRewritesTheRowAndSaves()
{
    QFETCH(bool, ok);
    std::vector<CFolderSetting> settings = NamedSettings(3);
    CFolderSetting &edited = settings[1];
    edited.LastExec = 1706742309;
    edited.Errors = 3;
    edited.Target = QStringLiteral("Carried ALONG");
    edited.DeleteLimit = 25;
    edited.TargetDirectory = QStringLiteral("tmp;cache");
    ViewEnv env(settings);
    const QByteArray before = testsupport::ReadFile(env.IniPath());
    COrvaneView view(*env.config, env.flags, env.disk);
    view.SelectRow(1);

    OnNextDialog<CDlgDefineSheet>([ok](CDlgDefineSheet *sheet) {
        Control<QLineEdit>(sheet->MainPage(), QStringLiteral(u"名称(&N):"))->setText(QStringLiteral("renamed"));
        sheet->Tabs()->setCurrentWidget(sheet->ModePage());
        Control<QCheckBox>(sheet->ModePage(), QStringLiteral(u"可能ならごみ箱を使用する(&B)"))->click();
        if (ok)
            sheet->Buttons()->buttons().first()->click();
        else
            sheet->reject();
    });
    view.ExecuteCommand(C::EditSetting);
    if (!ok) {
        QCOMPARE(testsupport::ReadFile(env.IniPath()), before);
        QVERIFY(view.Setting(1) == settings[1]);
        return;
    }
    CFolderSetting expected = settings[1];
    expected.Name = QStringLiteral("renamed");
    expected.DeleteRecycleBin = true;
    expected.Errors = CFolderSetting::ErrorsUnknown;          // shown as unknown until the next run
    expected.Target = QStringLiteral("carried along");
    const std::vector<CFolderSetting> stored = env.Stored();
    QCOMPARE(int(stored.size()), 3);
    QVERIFY(stored[1] == expected);
    QVERIFY(stored[0] == settings[0]);
    QVERIFY(stored[2] == settings[2]);
    const QAbstractItemModel *model = view.SetupList().model();
    QCOMPARE(model->index(1, 1).data().toString(), QStringLiteral("renamed"));
    QVERIFY2(model->index(1, model->columnCount() - 1).data().toString().endsWith(QStringLiteral(u" 不明")),
             qPrintable(model->index(1, model->columnCount() - 1).data().toString()));
}

void TestViewSettingSheet::noSheetDuringARun_data()
{
    QTest::addColumn<int>("command");
    QTest::newRow("add") << int(C::AddSetting);
    QTest::newRow("edit") << int(C::EditSetting);
}

void TestViewSettingSheet::noSheetDuringARun()
{
    QFETCH(int, command);
    ViewEnv env(NamedSettings(2));
    COrvaneView view(*env.config, env.flags, env.disk);
    FakeEngine engine;
    engine.body = [&engine](RunRequest &request) { engine.WaitForRelease(request); };
    view.Runs().SetProcedure(engine.Procedure());
    view.ExecuteCommand(C::UpdateAll);
    QTRY_VERIFY(view.Runs().IsRunning());
    view.SelectRow(0);

    bool opened = false;
    OnNextDialog<CDlgDefineSheet>([&opened](CDlgDefineSheet *sheet) {
        opened = true;
        sheet->reject();
    });
    view.ExecuteCommand(CommandId(command));
    engine.release = true;
    QTRY_VERIFY(!view.Runs().IsRunning());
    QVERIFY(!opened);
    QCOMPARE(view.Count(), 2);
    // The armed watcher must not meet a later test's dialog.
    OnNextDialog<CDlgDefineSheet>([](CDlgDefineSheet *sheet) { sheet->reject(); });
}

QTEST_MAIN(TestViewSettingSheet)
#include "tst_viewsettingsheet.moc"
