#include "app/OrvaneApp.h"
#include "app/ToolDialogBar.h"
#include "config/Configuration.h"
#include "config/SettingsStore.h"
#include "model/MirroringDefine.h"
#include "platform/InstanceLock.h"
#include "ui/OrvaneView.h"

#include "ConfigTestSupport.h"
#include "TestSupport.h"

#include <QComboBox>
#include <QDir>
#include <QTemporaryDir>
#include <QtTest>

#include <memory>

using testsupport::ReadFile;

namespace {

// A program folder, a user configuration folder and a runtime folder, all temporary, for one
// start of the program in this process.
class Workspace {
public:
    Workspace()
    {
        QDir().mkpath(ProgramDir());
        QDir().mkpath(ConfigHome());
        QDir().mkpath(Runtime());
        m_savedProgram = qgetenv("ORVANE_PROGRAM_DIR");
        m_savedConfig = qgetenv("XDG_CONFIG_HOME");
        qputenv("ORVANE_PROGRAM_DIR", QFile::encodeName(ProgramDir()));
        qputenv("XDG_CONFIG_HOME", QFile::encodeName(ConfigHome()));
    }
    ~Workspace()
    {
        qputenv("ORVANE_PROGRAM_DIR", m_savedProgram);
        qputenv("XDG_CONFIG_HOME", m_savedConfig);
    }

    QString ProgramDir() const { return m_dir.filePath("program"); }
    QString ConfigHome() const { return m_dir.filePath("xdg"); }
    QString Runtime() const { return m_dir.filePath("run"); }
    QString RegistryPath() const { return ConfigHome() + "/ZENTREL/Orvane Unicode/registry.sqlite3"; }
    QString Ini(const QString &name) const { return ProgramDir() + "/" + name + ".ini"; }

    // Stores projects of the given names in <name>.ini, the last-used being active.
    void WriteIni(const QString &name, const QStringList &projects, int active)
    {
        AppFlags flags;
        ScriptedPresenter boxes;
        CConfiguration config(flags, boxes, RegistryPath());
        config.Store().SetIniPath(Ini(name));
        config.LoadGlobalSettings();
        config.Projects().Clear();
        for (const QString &project : projects)
            config.Projects().AddProject(project);
        config.SetActiveProject(active);
        QVERIFY(config.SaveGlobalSettings());
    }

    // One project whose only folder setting copies master/ to backup/, marked for 全更新.
    void WriteIniWithSetting(const QString &name)
    {
        WriteIni(name, {"A"}, 0);
        AppFlags flags;
        ScriptedPresenter boxes;
        CConfiguration config(flags, boxes, RegistryPath());
        config.Store().SetIniPath(Ini(name));
        config.LoadGlobalSettings();
        CMirroringDefine table;
        CFolderSetting &setting = table.Records()[0];
        setting.Name = "S1";
        setting.Master = m_dir.filePath("master") + "/";
        setting.Backup = m_dir.filePath("backup") + "/";
        setting.AutoExec = true;
        QVERIFY(testsupport::WriteFile(setting.Master + "file.txt", "content"));
        QVERIFY(config.SaveProjectSettings(table, 1, 0));
    }
    QString Backup(const QString &name) const { return m_dir.filePath("backup/" + name); }

    // Everything below the folder, as relative paths.
    QStringList Files(const QString &folder) const
    {
        QStringList files;
        QDirIterator it(folder, QDir::Files | QDir::Hidden | QDir::System, QDirIterator::Subdirectories);
        while (it.hasNext())
            files << QDir(folder).relativeFilePath(it.next());
        files.sort();
        return files;
    }

    std::unique_ptr<COrvaneApp> App(bool trayAvailable = true)
    {
        COrvaneApp::Setup setup;
        setup.boxes = &boxes;
        setup.trayAvailable = [trayAvailable] { return trayAvailable; };
        setup.instanceName = m_dir.filePath("run/instance");
        return std::make_unique<COrvaneApp>(setup);
    }

    ScriptedPresenter boxes;

private:
    QTemporaryDir m_dir;
    QByteArray m_savedProgram;
    QByteArray m_savedConfig;
};

QStringList Arguments(const QStringList &words)
{
    return QStringList{"orvane"} + words;
}

} // namespace

class TestOrvaneApp : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void cancelledFirstStartWritesNothing_data();
    void cancelledFirstStartWritesNothing();
    void firstStartAnswerIsUsed_data();
    void firstStartAnswerIsUsed();
    void configurationInUse_data();
    void configurationInUse();
    void activeProjectIndex_data();
    void activeProjectIndex();
    void logoffStartSavesNothing();
    void windowStateAtStart_data();
    void windowStateAtStart();
    void endSavesTheLayoutAndGivesTheRunResult();
    void unattendedStartFixesTheAfterRunBox_data();
    void unattendedStartFixesTheAfterRunBox();
    void viewSignalsReachTheFrame();
    void autoStartRunsAndEnds();
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
    QCOMPARE(app->Start(Arguments({})), std::optional<int>(0));
    QCOMPARE(w.boxes.boxes.size(), size_t(1));
    QVERIFY(!app->Frame());
    QVERIFY(app->Flags().LogoffMode);
    QCOMPARE(app->End(), 0);
    app.reset();
    QCOMPARE(w.Files(w.ProgramDir()), QStringList{});
    QCOMPARE(w.Files(w.ConfigHome()), QStringList{});
}

void TestOrvaneApp::firstStartAnswerIsUsed_data()
{
    QTest::addColumn<MessageAnswer>("answer");
    QTest::addColumn<bool>("registry");
    QTest::newRow("Yes: the registry") << MessageAnswer::Yes << true;
    QTest::newRow("No: the INI file") << MessageAnswer::No << false;
}

void TestOrvaneApp::firstStartAnswerIsUsed()
{
    QFETCH(MessageAnswer, answer);
    QFETCH(bool, registry);
    Workspace w;
    w.boxes.answers = {answer};
    auto app = w.App();
    QCOMPARE(app->Start(Arguments({})), std::nullopt);
    QVERIFY(app->Frame());
    // The window holds the lock of the store it uses.
    CInstanceLock other(CInstanceLock::LockPathFor(registry ? w.RegistryPath() : w.Ini("orvane")));
    QCOMPARE(other.TryLock(), CInstanceLock::Result::HeldElsewhere);
    QCOMPARE(app->End(), 0);
    QCOMPARE(other.TryLock(), CInstanceLock::Result::Acquired);
    app.reset();
    // The end saved the projects into the chosen store only.
    QCOMPARE(QFileInfo::exists(w.Ini("orvane")), !registry);
    QCOMPARE(QFileInfo::exists(w.RegistryPath()), registry);
}

void TestOrvaneApp::configurationInUse_data()
{
    QTest::addColumn<bool>("registry");
    QTest::newRow("INI file") << false;
    QTest::newRow("registry") << true;
}

void TestOrvaneApp::configurationInUse()
{
    QFETCH(bool, registry);
    Workspace w;
    QStringList words;
    QString store;
    if (registry) {
        // A start that chose the registry before.
        w.boxes.answers = {MessageAnswer::Yes};
        auto first = w.App();
        QCOMPARE(first->Start(Arguments({})), std::nullopt);
        first->End();
        store = w.RegistryPath();
    } else {
        w.WriteIni("test", {"A", "B"}, 1);
        words = {"-ini=test"};
        store = w.Ini("test");
    }
    w.boxes.boxes.clear();
    const QByteArray before = ReadFile(store);

    // orvane-cli run holds it.
    CInstanceLock held(CInstanceLock::LockPathFor(store));
    QCOMPARE(held.TryLock(), CInstanceLock::Result::Acquired);
    auto app = w.App();
    QCOMPARE(app->Start(Arguments(words)), std::optional<int>(COrvaneApp::ExitConfigurationInUse));
    QVERIFY(!app->Frame());
    QCOMPARE(w.boxes.boxes.size(), size_t(1));
    const MessageBoxRequest &box = w.boxes.boxes[0];
    QCOMPARE(box.icon, MessageIcon::Error);
    QVERIFY2(box.text.contains(u"別のプログラム (orvane-cli run など) が使用しています"_qs), qPrintable(box.text));
    QVERIFY(box.text.contains(CInstanceLock::LockPathFor(store)));
    app->End();
    app.reset();
    QCOMPARE(ReadFile(store), before);
}

void TestOrvaneApp::activeProjectIndex_data()
{
    QTest::addColumn<QStringList>("words");
    QTest::addColumn<int>("active");
    QTest::newRow("the stored one") << QStringList{} << 2;
    QTest::newRow("/project=1") << QStringList{"/project=1"} << 0;
    QTest::newRow("/project=2") << QStringList{"/project=2"} << 1;
    QTest::newRow("/project=5 of 3: the first") << QStringList{"/project=5"} << 0;
    QTest::newRow("/project=1001: the first") << QStringList{"/project=1001"} << 0;
}

void TestOrvaneApp::activeProjectIndex()
{
    QFETCH(QStringList, words);
    QFETCH(int, active);
    Workspace w;
    w.WriteIni("test", {u"デフォルト"_qs, u"仕事"_qs, u"写真"_qs}, 2);
    auto app = w.App();
    QCOMPARE(app->Start(Arguments(QStringList{"-ini=test"} + words)), std::nullopt);
    QCOMPARE(app->Configuration()->ActiveProject(), active);
    QComboBox *box = app->Frame()->DialogBar()->ProjectBox();
    QCOMPARE(box->count(), 3);
    QCOMPARE(box->currentIndex(), active);
    QCOMPARE(box->itemText(0), u"1: デフォルト"_qs);
    QVERIFY(w.boxes.boxes.empty());
    app->End();
}

void TestOrvaneApp::logoffStartSavesNothing()
{
    Workspace w;
    auto app = w.App();
    QCOMPARE(app->Start(Arguments({"/logoff"})), std::nullopt);
    QVERIFY(w.boxes.boxes.empty());
    QCOMPARE(app->Configuration()->Store().IniPath(), w.Ini("mirror"));
    QCOMPARE(app->Configuration()->Projects().Count(), 32);
    QCOMPARE(app->Frame()->DialogBar()->ProjectBox()->itemText(31), u"32: ダミー設定"_qs);
    app->Frame()->move(200, 150);
    app->Frame()->close();
    app->End();
    app.reset();
    // The active project's folder settings are saved as always; nothing global is.
    ScriptedPresenter boxes;
    CSettingsStore store(boxes, w.RegistryPath());
    store.SetIniPath(w.Ini("mirror"));
    QCOMPARE(store.ReadSettingString("Window", "MainWindow", "none"), u"none"_qs);
    QCOMPARE(store.ReadSettingString("Window", "SetupList", "none"), u"none"_qs);
    QCOMPARE(store.ReadSettingInt("Options", "ProjectCount", -1), -1);
    QCOMPARE(store.ReadSettingString("Options", "ProjectName", "none"), u"none"_qs);
    QCOMPARE(w.Files(w.ConfigHome()), QStringList{});
}

void TestOrvaneApp::windowStateAtStart_data()
{
    QTest::addColumn<QStringList>("words");
    QTest::addColumn<bool>("tray");
    QTest::addColumn<QString>("state");
    QTest::newRow("shown") << QStringList{} << true << "normal";
    QTest::newRow("/icon: hidden") << QStringList{"/icon"} << true << "hidden";
    QTest::newRow("/start /icon: hidden") << QStringList{"/start", "/icon"} << true << "hidden";
    QTest::newRow("/icon without a notification area") << QStringList{"/icon"} << false << "minimized";
}

void TestOrvaneApp::windowStateAtStart()
{
    QFETCH(QStringList, words);
    QFETCH(bool, tray);
    QFETCH(QString, state);
    Workspace w;
    w.WriteIni("test", {"A"}, 0);
    auto app = w.App(tray);
    QCOMPARE(app->Start(Arguments(QStringList{"-ini=test"} + words)), std::nullopt);
    QTRY_COMPARE(app->Frame()->WindowStateText(), state);
    app->End();
}

void TestOrvaneApp::endSavesTheLayoutAndGivesTheRunResult()
{
    Workspace w;
    w.WriteIni("test", {"A", "B"}, 0);
    {
        auto app = w.App();
        QSignalSpy finished(app.get(), &COrvaneApp::Finished);
        QCOMPARE(app->Start(Arguments({"-ini=test", "/project=2"})), std::nullopt);
        CMainFrame *frame = app->Frame();
        QVERIFY(QTest::qWaitForWindowExposed(frame));
        frame->move(110, 70);
        frame->resize(800, 500);
        QTRY_COMPARE(app->Configuration()->Layout().left, 110);
        frame->Action(CommandId::Exit)->trigger();
        QCOMPARE(finished.count(), 1);
        app->Flags().LastRunResult = 3;
        QCOMPARE(app->End(), 3);
    }
    AppFlags flags;
    ScriptedPresenter boxes;
    CConfiguration stored(flags, boxes, w.RegistryPath());
    stored.Store().SetIniPath(w.Ini("test"));
    flags.ForceIni = true;
    stored.LoadGlobalSettings();
    QCOMPARE(stored.Layout().left, 110);
    QCOMPARE(stored.Layout().top, 70);
    QCOMPARE(stored.Layout().right, 910);
    QCOMPARE(stored.Layout().bottom, 570);
    QCOMPARE(stored.ActiveProject(), 1);
}

void TestOrvaneApp::unattendedStartFixesTheAfterRunBox_data()
{
    QTest::addColumn<QString>("word");
    QTest::addColumn<int>("item");
    QTest::newRow("/auto") << "/auto" << 2;
    QTest::newRow("/shutdown") << "/shutdown" << 3;
    QTest::newRow("/start") << "/start" << 0;
}

void TestOrvaneApp::unattendedStartFixesTheAfterRunBox()
{
    QFETCH(QString, word);
    QFETCH(int, item);
    Workspace w;
    w.WriteIni("test", {"A"}, 0);
    auto app = w.App();
    QCOMPARE(app->Start(Arguments({"-ini=test", word})), std::nullopt);
    QVERIFY(app->Flags().AutoMode);
    QComboBox *box = app->Frame()->DialogBar()->AfterRunBox();
    QCOMPARE(box->currentIndex(), item);
    QVERIFY(!box->isEnabled());
    app->End();
}

void TestOrvaneApp::viewSignalsReachTheFrame()
{
    Workspace w;
    w.WriteIni("test", {"A"}, 0);
    auto app = w.App();
    QCOMPARE(app->Start(Arguments({"-ini=test"})), std::nullopt);
    CMainFrame *frame = app->Frame();
    QCOMPARE(frame->centralWidget(), app->View());
    QSignalSpy finished(app.get(), &COrvaneApp::Finished);

    Q_EMIT app->View()->StatusTextChanged(u"コピー"_qs, u"/a/b"_qs);
    QCOMPARE(frame->PaneText(), CMainFrame::FormatStatusText(u"コピー"_qs, u"/a/b"_qs));
    Q_EMIT app->View()->StatusTextChanged(u"終了しました"_qs, QString());
    QCOMPARE(frame->PaneText(), CMainFrame::FormatStatusText(u"終了しました"_qs, u"/a/b"_qs));

    Q_EMIT app->View()->CloseEnabledChanged(false);
    QVERIFY(!frame->CloseEnabled());
    QVERIFY(!frame->Action(CommandId::Exit)->isEnabled());
    Q_EMIT app->View()->CloseEnabledChanged(true);
    QVERIFY(frame->Action(CommandId::Exit)->isEnabled());

    // The close request of a run is posted: the window closes once control returns.
    Q_EMIT app->View()->CloseRequested();
    QCOMPARE(finished.count(), 0);
    QTRY_COMPARE(finished.count(), 1);
    app->End();
}

void TestOrvaneApp::autoStartRunsAndEnds()
{
    Workspace w;
    w.WriteIniWithSetting("test");
    auto app = w.App();
    QSignalSpy finished(app.get(), &COrvaneApp::Finished);
    QCOMPARE(app->Start(Arguments({"-ini=test", "/auto", "/icon"})), std::nullopt);
    QCOMPARE(app->View()->Count(), 1);
    // 全更新 half a second after the first showing, then the window closes by itself.
    QTRY_COMPARE_WITH_TIMEOUT(finished.count(), 1, 20000);
    QCOMPARE(ReadFile(w.Backup("file.txt")), QByteArray("content"));
    QVERIFY(app->Flags().AnySettingCompleted);
    QCOMPARE(app->End(), 0);
    QVERIFY(w.boxes.boxes.empty());
}

QTEST_MAIN(TestOrvaneApp)
#include "tst_orvaneapp.moc"
