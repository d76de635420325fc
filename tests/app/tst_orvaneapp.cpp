#include "app/OrvaneApp.h"
#include "app/ToolDialogBar.h"
#include "config/Configuration.h"
#include "model/MirroringDefine.h"
#include "platform/InstanceLock.h"
#include "ui/OrvaneView.h"
#include "ui/RunController.h"
#include "ui/dialogs/DlgProjectEdit.h"

#include "../ui/FakeEngine.h"
#include "ConfigTestSupport.h"
#include "TestSupport.h"

#include <QComboBox>
#include <QDialog>
#include <QDir>
#include <QListWidget>
#include <QPushButton>
#include <QtTest>

#include <memory>

using testsupport::ReadFile;

namespace {

// The program's folder and the user's configuration folder, both temporary, for starts of the
// program in this process.
class Workspace {
public:
    Workspace() : m_program(qgetenv("ORVANE_PROGRAM_DIR")), m_config(qgetenv("XDG_CONFIG_HOME"))
    {
        QDir().mkpath(Path("program"));
        qputenv("ORVANE_PROGRAM_DIR", QFile::encodeName(Path("program")));
        qputenv("XDG_CONFIG_HOME", QFile::encodeName(Path("xdg")));
    }
    ~Workspace()
    {
        qputenv("ORVANE_PROGRAM_DIR", m_program);
        qputenv("XDG_CONFIG_HOME", m_config);
    }

    QString Path(const QString &name) const { return m_dir.filePath(name); }
    QString Ini(const QString &name) const { return Path("program/" + name + ".ini"); }
    QStringList Files() const
    {
        QStringList files;
        for (QDirIterator it(m_dir.path(), QDir::Files | QDir::Hidden, QDirIterator::Subdirectories); it.hasNext();)
            files << QDir(m_dir.path()).relativeFilePath(it.next());
        return files;
    }

    // test.ini with projects A, B and C, B active; A holds one setting from master/ to backup/
    // marked for 全更新.
    void WriteIni()
    {
        AppFlags flags;
        ScriptedPresenter none;
        CConfiguration config(flags, none, Path("xdg/registry.sqlite3"));
        config.Store().SetIniPath(Ini("test"));
        config.LoadGlobalSettings();
        config.Projects().Clear();
        for (const char *name : {"A", "B", "C"})
            config.Projects().AddProject(name);
        config.SetActiveProject(1);
        QVERIFY(config.SaveGlobalSettings());
        CMirroringDefine table;
        CFolderSetting &setting = table.Records()[0];
        setting.Name = "S1";
        setting.Master = Path("master/");
        setting.Backup = Path("backup/");
        setting.AutoExec = true;
        QVERIFY(testsupport::WriteFile(setting.Master + "file.txt", "content"));
        QVERIFY(config.SaveProjectSettings(table, 1, 0));
    }

    std::unique_ptr<COrvaneApp> App()
    {
        COrvaneApp::Setup setup;
        setup.boxes = &boxes;
        setup.trayAvailable = [] { return true; };
        setup.instanceName = Path("instance");
        // Never the machine's own power-off.
        setup.powerOff = [this] {
            ++powerOffs;
            return powerOffOutcome;
        };
        return std::make_unique<COrvaneApp>(setup);
    }

    ScriptedPresenter boxes;
    int powerOffs = 0;
    CPowerOff::Outcome powerOffOutcome = CPowerOff::Outcome::Requested;

private:
    QTemporaryDir m_dir;
    QByteArray m_program;
    QByteArray m_config;
};

} // namespace

class TestOrvaneApp : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void cancelledFirstStartWritesNothing_data();
    void cancelledFirstStartWritesNothing();
    void configurationHeldElsewhere();
    void activeProject_data();
    void activeProject();
    void endSavesTheLayoutAndGivesTheRunResult();
    void unattendedStartRunsAndEnds();
    void powerOffAtTheEnd_data();
    void powerOffAtTheEnd();
    void sessionEndsDuringARun();
    void handedOverRunsRefused_data();
    void handedOverRunsRefused();
    void editedProjectListReachesTheBox();
};

void TestOrvaneApp::cancelledFirstStartWritesNothing_data()
{
    QTest::addColumn<MessageAnswer>("answer");
    QTest::newRow("Cancel") << MessageAnswer::Cancel;
    QTest::newRow("the box closed without an answer") << MessageAnswer::None;
}

void TestOrvaneApp::cancelledFirstStartWritesNothing()
{
    QFETCH(MessageAnswer, answer);
    Workspace w;
    w.boxes.answers = {answer};
    auto app = w.App();
    QCOMPARE(app->Start({"orvane"}), std::optional<int>(0));
    QCOMPARE(w.boxes.boxes.size(), size_t(1));
    QVERIFY(!app->Frame());
    QCOMPARE(app->End(), 0);
    app.reset();
    // Not even the lock file of a configuration.
    QCOMPARE(w.Files(), QStringList{"instance.lock"});
}

void TestOrvaneApp::configurationHeldElsewhere()
{
    Workspace w;
    w.WriteIni();
    const QByteArray before = ReadFile(w.Ini("test"));
    // orvane-cli run has it.
    CInstanceLock held(CInstanceLock::LockPathFor(w.Ini("test")));
    QCOMPARE(held.TryLock(), CInstanceLock::Result::Acquired);
    auto app = w.App();
    QCOMPARE(app->Start({"orvane", "-ini=test"}), std::optional<int>(75));
    QVERIFY(!app->Frame());
    QCOMPARE(w.boxes.boxes.size(), size_t(1));
    QCOMPARE(w.boxes.boxes[0].icon, MessageIcon::Error);
    QVERIFY2(w.boxes.boxes[0].text.contains(u"別のプログラム (orvane-cli run など) が使用しています"_qs),
             qPrintable(w.boxes.boxes[0].text));
    app->End();
    QCOMPARE(ReadFile(w.Ini("test")), before);

    // Once it is free the window takes it for as long as it runs.
    held.Unlock();
    auto next = w.App();
    QCOMPARE(next->Start({"orvane", "-ini=test"}), std::nullopt);
    QCOMPARE(held.TryLock(), CInstanceLock::Result::HeldElsewhere);
    next->End();
    QCOMPARE(held.TryLock(), CInstanceLock::Result::Acquired);
}

void TestOrvaneApp::activeProject_data()
{
    QTest::addColumn<QString>("word");
    QTest::addColumn<int>("active");
    QTest::addColumn<int>("settings");
    QTest::newRow("the stored one") << "" << 1 << 0;
    QTest::newRow("/project=1") << "/project=1" << 0 << 1;
    QTest::newRow("/project=3") << "/project=3" << 2 << 0;
    QTest::newRow("/project=5 of 3: the first, and its settings") << "/project=5" << 0 << 1;
}

void TestOrvaneApp::activeProject()
{
    QFETCH(QString, word);
    QFETCH(int, active);
    QFETCH(int, settings);
    Workspace w;
    w.WriteIni();
    auto app = w.App();
    QCOMPARE(app->Start({"orvane", "-ini=test", word}), std::nullopt);
    QCOMPARE(app->Configuration()->ActiveProject(), active);
    QCOMPARE(app->Frame()->DialogBar()->ProjectBox()->currentIndex(), active);
    QCOMPARE(app->View()->Count(), settings);
    QVERIFY(w.boxes.boxes.empty());
    app->End();
}

void TestOrvaneApp::editedProjectListReachesTheBox()
{
    Workspace w;
    w.WriteIni();
    auto app = w.App();
    QCOMPARE(app->Start({"orvane", "-ini=test"}), std::nullopt);
    QCOMPARE(app->Configuration()->ActiveProject(), 1);
    // 編集 of the dialog bar: A, the first project, goes.
    bool seen = false;
    w.boxes.answers = {MessageAnswer::Yes};
    QTimer::singleShot(0, [&] {
        auto *dialog = qobject_cast<CDlgProjectEdit *>(QApplication::activeModalWidget());
        seen = dialog != nullptr;
        if (!dialog)
            return;
        dialog->List()->clearSelection();
        dialog->List()->item(0)->setSelected(true);
        dialog->DeleteSelected();
        dialog->accept();
    });
    app->Frame()->DialogBar()->EditButton()->click();
    QVERIFY(seen);
    QComboBox *box = app->Frame()->DialogBar()->ProjectBox();
    QCOMPARE(box->count(), 2);
    QCOMPARE(box->itemText(0), u"1: B"_qs);
    // The number stays active: the project that has it now, C, is shown.
    QCOMPARE(box->currentIndex(), 1);
    QCOMPARE(app->View()->Count(), 0);
    app->End();
}

void TestOrvaneApp::endSavesTheLayoutAndGivesTheRunResult()
{
    Workspace w;
    w.WriteIni();
    {
        auto app = w.App();
        QSignalSpy finished(app.get(), &COrvaneApp::Finished);
        QCOMPARE(app->Start({"orvane", "-ini=test", "/project=3"}), std::nullopt);
        CMainFrame *frame = app->Frame();
        QVERIFY(QTest::qWaitForWindowExposed(frame));
        frame->move(110, 70);
        QTRY_COMPARE(app->Configuration()->Layout().left, 110);
        // The view's status texts reach the status bar; a null part keeps what was there.
        Q_EMIT app->View()->StatusTextChanged(u"コピー"_qs, u"/a"_qs);
        Q_EMIT app->View()->StatusTextChanged(u"終了しました"_qs, QString());
        QCOMPARE(frame->PaneText(), CMainFrame::FormatStatusText(u"終了しました"_qs, u"/a"_qs));
        frame->Action(CommandId::Exit)->trigger();
        QCOMPARE(finished.count(), 1);
        app->Flags().LastRunResult = 3;
        QCOMPARE(app->End(), 3);
    }
    AppFlags flags;
    flags.ForceIni = true;
    ScriptedPresenter none;
    CConfiguration stored(flags, none, w.Path("xdg/registry.sqlite3"));
    stored.Store().SetIniPath(w.Ini("test"));
    stored.LoadGlobalSettings();
    QCOMPARE(stored.Layout().left, 110);
    QCOMPARE(stored.Layout().top, 70);
    QCOMPARE(stored.ActiveProject(), 2);
}

void TestOrvaneApp::unattendedStartRunsAndEnds()
{
    Workspace w;
    w.WriteIni();
    auto app = w.App();
    QSignalSpy finished(app.get(), &COrvaneApp::Finished);
    QCOMPARE(app->Start({"orvane", "-ini=test", "/project=1", "/auto", "/icon"}), std::nullopt);
    QComboBox *afterRun = app->Frame()->DialogBar()->AfterRunBox();
    QCOMPARE(afterRun->currentText(), u"プログラム終了"_qs);
    QVERIFY(!afterRun->isEnabled());
    // 全更新 half a second after the first showing; then the window closes by itself.
    QTRY_COMPARE_WITH_TIMEOUT(finished.count(), 1, 20000);
    QCOMPARE(ReadFile(w.Path("backup/file.txt")), QByteArray("content"));
    QCOMPARE(app->End(), 0);
    QVERIFY(w.boxes.boxes.empty());
}

void TestOrvaneApp::powerOffAtTheEnd_data()
{
    using O = CPowerOff::Outcome;
    QTest::addColumn<bool>("shutdown");
    QTest::addColumn<bool>("completed");   // the last run completed a setting
    QTest::addColumn<bool>("sessionEnded");
    QTest::addColumn<O>("outcome");
    QTest::addColumn<int>("powerOffs");
    QTest::addColumn<int>("exitCode");     // the last run's result is 3
    QTest::newRow("no after-run action") << false << true << false << O::Requested << 0 << 3;
    QTest::newRow("shut down, nothing completed") << true << false << false << O::Requested << 0 << 3;
    QTest::newRow("shut down after a completed setting") << true << true << false << O::Requested << 1 << 3;
    QTest::newRow("not allowed to power off: 0") << true << true << false << O::NotPermitted << 1 << 0;
    QTest::newRow("allowed, but PowerOff failed") << true << true << false << O::Failed << 1 << 3;
    QTest::newRow("the session ends: nothing powered off") << true << true << true << O::Requested << 0 << 3;
}

void TestOrvaneApp::powerOffAtTheEnd()
{
    QFETCH(bool, shutdown);
    QFETCH(bool, completed);
    QFETCH(bool, sessionEnded);
    QFETCH(CPowerOff::Outcome, outcome);
    QFETCH(int, powerOffs);
    QFETCH(int, exitCode);
    Workspace w;
    w.WriteIni();
    w.powerOffOutcome = outcome;
    auto app = w.App();
    QCOMPARE(app->Start({"orvane", "-ini=test"}), std::nullopt);
    app->Flags().AfterRunShutdown = shutdown;
    app->Flags().AnySettingCompleted = completed;
    app->Flags().LastRunResult = 3;
    if (sessionEnded)
        app->SessionEnding();
    QVERIFY(app->Frame()->close());
    QCOMPARE(w.powerOffs, 0);   // only at the very end, after the saves and releases
    QCOMPARE(app->End(), exitCode);
    QCOMPARE(w.powerOffs, powerOffs);
}

void TestOrvaneApp::sessionEndsDuringARun()
{
    Workspace w;
    w.WriteIni();
    auto app = w.App();
    QSignalSpy finished(app.get(), &COrvaneApp::Finished);
    QCOMPARE(app->Start({"orvane", "-ini=test", "/project=1"}), std::nullopt);
    FakeEngine engine;
    engine.body = [&engine](RunRequest &request) { engine.WaitForRelease(request); };
    app->View()->Runs().SetProcedure(engine.Procedure());
    app->View()->ExecuteCommand(CommandId::UpdateAll);
    QTRY_VERIFY(app->View()->State().running);
    QVERIFY(!app->Frame()->close());
    app->Flags().AfterRunShutdown = true;
    app->Flags().AnySettingCompleted = true;

    app->SessionEnding();
    // The run is asked to stop as 中止 asks it, and the window lets itself be closed meanwhile.
    QVERIFY(app->View()->State().stopRequested);
    QVERIFY2(app->Frame()->PaneText().startsWith(u"中断しています"_qs), qPrintable(app->Frame()->PaneText()));
    QVERIFY(app->Frame()->close());
    QCOMPARE(finished.count(), 1);
    app->End();
    QCOMPARE(w.powerOffs, 0);
    QVERIFY(!app->View());
}

void TestOrvaneApp::handedOverRunsRefused_data()
{
    // The configuration has projects A (one setting), B (none, active) and C.
    using R = HandoverRefusal;
    QTest::addColumn<QString>("state");      // "idle", "running", "/start" (its run is still to come), "dialog"
    QTest::addColumn<QString>("lock");       // "own" or another lock file
    QTest::addColumn<int>("project");        // -1: the active one
    QTest::addColumn<QList<int>>("settings");
    QTest::addColumn<int>("refusal");        // -1: taken
    QTest::addColumn<QStringList>("details");
    QTest::newRow("all of the active project") << "idle" << "own" << -1 << QList<int>{} << -1 << QStringList{};
    QTest::newRow("a setting of another project, counted in the store") << "idle" << "own" << 0 << QList<int>{0} << -1 << QStringList{};
    QTest::newRow("another configuration") << "idle" << "other" << -1 << QList<int>{} << int(R::OtherConfiguration) << QStringList{};
    QTest::newRow("a run is active") << "running" << "own" << -1 << QList<int>{} << int(R::Busy) << QStringList{};
    QTest::newRow("a dialog is open") << "dialog" << "own" << -1 << QList<int>{} << int(R::DialogOpen) << QStringList{};
    QTest::newRow("the unattended start has not begun") << "/start" << "own" << -1 << QList<int>{} << int(R::Busy) << QStringList{};
    QTest::newRow("a fourth project of three") << "idle" << "own" << 3 << QList<int>{} << int(R::NoProject) << QStringList{"3"};
    QTest::newRow("a second setting of one") << "idle" << "own" << 0 << QList<int>{0, 1} << int(R::NoSetting) << QStringList{"1", "0", "1"};
    QTest::newRow("a setting of the empty active project") << "idle" << "own" << -1 << QList<int>{0} << int(R::NoSetting) << QStringList{"0", "1", "0"};
}

void TestOrvaneApp::handedOverRunsRefused()
{
    QFETCH(QString, state);
    QFETCH(QString, lock);
    QFETCH(int, project);
    QFETCH(QList<int>, settings);
    QFETCH(int, refusal);
    QFETCH(QStringList, details);
    Workspace w;
    w.WriteIni();
    auto app = w.App();
    QStringList words{"orvane", "-ini=test"};
    if (state == "/start")
        words << "/start";
    QCOMPARE(app->Start(words), std::nullopt);
    FakeEngine engine;
    engine.body = [&engine](RunRequest &request) { engine.WaitForRelease(request); };
    app->View()->Runs().SetProcedure(engine.Procedure());
    if (state == "running") {
        app->View()->Runs().Start({.autoOnly = true});
        QTRY_VERIFY(app->View()->State().running);
    }
    QDialog dialog;   // of no parent: it outlives the window, which goes at the end
    if (state == "dialog") {
        dialog.setWindowModality(Qt::ApplicationModal);
        dialog.show();
        QTRY_VERIFY(QApplication::activeModalWidget());
    }
    HandoverRequest request{.lockPath = lock == "own" ? CInstanceLock::LockPathFor(w.Ini("test")) : w.Ini("other") + ".lock"};
    if (project >= 0)
        request.project = project;
    request.settings = settings;
    const std::optional<COrvaneApp::Refusal> refused = app->RefusalFor(request);
    QCOMPARE(refused ? int(refused->reason) : -1, refusal);
    if (refused)
        QCOMPARE(refused->details, details);
    // A request that could not be read is refused whatever the state.
    QCOMPARE(app->RefusalFor(std::nullopt)->reason, HandoverRefusal::BadRequest);
    engine.release = true;
    QTRY_VERIFY(!app->View()->State().running);
    app->End();
}

QTEST_MAIN(TestOrvaneApp)
#include "tst_orvaneapp.moc"
