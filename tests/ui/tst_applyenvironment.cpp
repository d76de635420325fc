#include "model/GlobalOptions.h"
#include "model/MirroringDefine.h"
#include "platform/InstanceLock.h"
#include "ui/ApplyEnvironment.h"

#include "StoredConfiguration.h"

#include <QtTest>

namespace {

const QString OptionsKey = CSettingsStore::RegistryRoot() + QStringLiteral("\\Options");

// Every project with every field of every folder setting, as the configuration reads them now.
std::vector<std::vector<CFolderSetting>> Everything(CConfiguration &config)
{
    CProjectList list;
    config.LoadAllProjects(list);
    std::vector<std::vector<CFolderSetting>> projects;
    for (int p = 0; p < list.Count(); ++p) {
        const auto settings = list.FolderSettings(p);
        projects.emplace_back(settings.begin(), settings.end());
    }
    return projects;
}

// The main view's part: its table of the active project, saved into the store in use.
struct ActiveTable {
    CConfiguration &config;
    CMirroringDefine table;
    int saves = 0;

    explicit ActiveTable(CConfiguration &from) : config(from) { config.LoadProjectSettings(table, config.ActiveProject()); }
    std::function<bool()> Saver()
    {
        return [this] {
            ++saves;
            return config.SaveProjectSettings(table, table.Count(), config.ActiveProject());
        };
    }
};

// Another program (orvane-cli run) that checks the lock beside a store: free, or held.
bool Held(const QString &storePath)
{
    CInstanceLock other(CInstanceLock::LockPathFor(storePath));
    return other.TryLock() == CInstanceLock::Result::HeldElsewhere;
}

} // namespace

class TestApplyEnvironment : public QObject {
    Q_OBJECT

private slots:
    void switchCarriesEveryProjectBothWays();
    void noSwitchWritesOnlyTheActiveProject();
    void optionsReachTheNewStore();
    void failedSwitchStaysWithTheOldStore();
    void switchMovesTheLock_data();
    void switchMovesTheLock();
};

void TestApplyEnvironment::switchCarriesEveryProjectBothWays()
{
    StoredConfiguration stored(false, {5, 0, 2});
    CConfiguration &config = *stored.config;
    config.SetActiveProject(0);
    const auto before = Everything(config);
    QCOMPARE(before.size(), size_t(3));
    const QByteArray iniBefore = testsupport::ReadFile(stored.IniPath());
    ActiveTable view(config);
    // The view changed the active project after the dialog opened: that state goes over too.
    view.table.Records()[1].Name = QStringLiteral("edited");
    auto expected = before;
    expected[0][1].Name = QStringLiteral("edited");

    QVERIFY(ApplyEnvironment(config, config.Options(), true, view.Saver(), stored.boxes));
    QVERIFY(stored.boxes.boxes.empty());
    QVERIFY(config.Store().UseRegistry());
    QCOMPARE(view.saves, 1);
    // The INI file keeps its content; the registry holds every project.
    QCOMPARE(testsupport::ReadFile(stored.IniPath()), iniBefore);
    CRegistryDatabase &registry = config.Store().Registry();
    QCOMPARE(registry.ReadValue(OptionsKey, "ListCount").value_or(CRegistryDatabase::Value{}).dword, 5);
    QCOMPARE(registry.ReadValue(OptionsKey, "Project\\002\\ListCount").value_or(CRegistryDatabase::Value{}).dword, 2);
    QVERIFY(!registry.ReadValue(OptionsKey, "Project\\001\\ListCount"));
    QVERIFY(!registry.KeyExists(CSettingsStore::RegistryRoot() + "\\Project\\001"));
    QVERIFY(Everything(config) == expected);

    // And back to the INI file: what the registry held arrives there, the registry stays.
    const QByteArray registryBefore = testsupport::ReadFile(stored.RegistryPath());
    ActiveTable back(config);
    QVERIFY(ApplyEnvironment(config, config.Options(), false, back.Saver(), stored.boxes));
    QVERIFY(!config.Store().UseRegistry());
    QVERIFY(Everything(config) == expected);
    QCOMPARE(testsupport::ReadFile(stored.RegistryPath()), registryBefore);
    QVERIFY(!CIniFile::DecodeText(testsupport::ReadFile(stored.IniPath())).contains("Project\\001\\ListCount"));

    // A later start on the INI file finds the same.
    config.SaveGlobalSettings();
    auto later = stored.Start();
    QVERIFY(Everything(*later) == expected);
}

void TestApplyEnvironment::noSwitchWritesOnlyTheActiveProject()
{
    StoredConfiguration stored(false, {1, 2, 3});
    CConfiguration &config = *stored.config;
    config.SetActiveProject(2);
    ActiveTable view(config);
    view.table.SetCount(1);
    QVERIFY(ApplyEnvironment(config, config.Options(), false, view.Saver(), stored.boxes));
    QCOMPARE(view.saves, 1);
    QVERIFY(!QFile::exists(stored.RegistryPath()));
    QCOMPARE(stored.StoredShape(config), (QStringList{"P0:1:P0/0", "P1:2:P1/0", "P2:1:P2/0"}));
}

void TestApplyEnvironment::optionsReachTheNewStore()
{
    StoredConfiguration stored(false, {1});
    CConfiguration &config = *stored.config;
    config.SetActiveProject(0);
    GlobalOptions chosen = config.Options();
    chosen.OutputLog = true;
    chosen.LogFileName = QStringLiteral("/logs/orvane.log");
    chosen.CompareToolPath = QStringLiteral("kdiff3");
    chosen.MinimizeOnTrayOnly = true;
    chosen.DivideY = 999;   // not the dialog's to change
    ActiveTable view(config);
    QVERIFY(ApplyEnvironment(config, chosen, true, view.Saver(), stored.boxes));

    CRegistryDatabase &registry = config.Store().Registry();
    QCOMPARE(registry.ReadValue(OptionsKey, "LogFileName").value_or(CRegistryDatabase::Value{}).text, QString("/logs/orvane.log"));
    QCOMPARE(registry.ReadValue(OptionsKey, "CompareToolPath").value_or(CRegistryDatabase::Value{}).text, QString("kdiff3"));
    QCOMPARE(registry.ReadValue(OptionsKey, "OutputLog").value_or(CRegistryDatabase::Value{}).dword, 1);
    QCOMPARE(config.Options().MinimizeOnTrayOnly, true);
    QCOMPARE(config.Options().DivideY, 192);
}

void TestApplyEnvironment::failedSwitchStaysWithTheOldStore()
{
    StoredConfiguration stored(true, {3, 0, 1});
    CConfiguration &config = *stored.config;
    config.SetActiveProject(0);
    const auto before = Everything(config);
    ReadOnlyFolder folder(stored.dir.filePath("program"));
    if (!folder.active())
        QSKIP("this system cannot refuse new files in a folder");
    ActiveTable view(config);
    auto lock = std::make_unique<CInstanceLock>(CInstanceLock::LockPathFor(stored.RegistryPath()));
    QCOMPARE(lock->TryLock(), CInstanceLock::Result::Acquired);

    QVERIFY(!ApplyEnvironment(config, config.Options(), false, view.Saver(), stored.boxes, &lock));
    QVERIFY(config.Store().UseRegistry());
    QCOMPARE(lock->Path(), CInstanceLock::LockPathFor(stored.RegistryPath()));
    QVERIFY(lock->IsLocked());
    QVERIFY(!QFile::exists(stored.IniPath()));
    // The store said why, then the switch that did not happen is explained.
    QVERIFY(stored.boxes.boxes.size() >= 2);
    QCOMPARE(stored.boxes.boxes.front().caption, u"INI ファイルのオープン"_qs);
    const MessageBoxRequest &last = stored.boxes.boxes.back();
    QCOMPARE(last.caption, u"フォルダ設定の保存先変更"_qs);
    QCOMPARE(last.icon, MessageIcon::Error);
    QVERIFY(last.text.contains(u"レジストリ"));
    QVERIFY(Everything(config) == before);
    QCOMPARE(view.saves, 2);   // once for the new store, once more for the old one
}

void TestApplyEnvironment::switchMovesTheLock_data()
{
    QTest::addColumn<bool>("newStoreInUse");
    QTest::newRow("new store free") << false;
    QTest::newRow("new store in use by another program") << true;
}

void TestApplyEnvironment::switchMovesTheLock()
{
    QFETCH(bool, newStoreInUse);
    StoredConfiguration stored(false, {2, 1});
    CConfiguration &config = *stored.config;
    config.SetActiveProject(0);
    const auto before = Everything(config);
    auto lock = std::make_unique<CInstanceLock>(CInstanceLock::LockPathFor(stored.IniPath()));
    QCOMPARE(lock->TryLock(), CInstanceLock::Result::Acquired);
    CInstanceLock other(CInstanceLock::LockPathFor(stored.RegistryPath()));
    if (newStoreInUse) {
        QVERIFY(QDir().mkpath(QFileInfo(stored.RegistryPath()).absolutePath()));
        QCOMPARE(other.TryLock(), CInstanceLock::Result::Acquired);
    }
    GlobalOptions chosen = config.Options();
    chosen.OutputLog = true;
    ActiveTable view(config);

    QVERIFY(ApplyEnvironment(config, chosen, true, view.Saver(), stored.boxes, &lock));
    other.Unlock();
    // The store in use is the one locked, and only that one.
    QCOMPARE(config.Store().UseRegistry(), !newStoreInUse);
    QCOMPARE(lock->Path(), CInstanceLock::LockPathFor(newStoreInUse ? stored.IniPath() : stored.RegistryPath()));
    QVERIFY(lock->IsLocked());
    QCOMPARE(Held(stored.RegistryPath()), !newStoreInUse);
    QCOMPARE(Held(stored.IniPath()), newStoreInUse);
    // A refused switch writes nothing into the store the other program uses, says why, and
    // still takes the other options over.
    QCOMPARE(QFile::exists(stored.RegistryPath()), !newStoreInUse);
    QCOMPARE(stored.boxes.boxes.size(), size_t(newStoreInUse ? 1 : 0));
    if (newStoreInUse) {
        QVERIFY(stored.boxes.boxes.front().text.contains(u"別のプログラム"));
        QVERIFY(stored.boxes.boxes.front().text.contains(u"INI ファイル"));
    }
    QVERIFY(config.Options().OutputLog);
    QVERIFY(Everything(config) == before);
}

QTEST_MAIN(TestApplyEnvironment)
#include "tst_applyenvironment.moc"
