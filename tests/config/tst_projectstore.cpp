#include "config/Configuration.h"
#include "config/IniFile.h"
#include "model/AppFlags.h"
#include "model/MirroringDefine.h"
#include "model/ProjectList.h"

#include "ConfigTestSupport.h"
#include "TestSupport.h"

#include <QtTest>

#include <memory>

namespace {

std::vector<CFolderSetting> Settings(const QString &tag, int count)
{
    std::vector<CFolderSetting> records(static_cast<size_t>(count));
    for (int i = 0; i < count; ++i)
        records[size_t(i)].Name = QStringLiteral("%1/%2").arg(tag).arg(i);
    return records;
}

QStringList NamesOf(const CProjectList &list)
{
    QStringList names;
    for (int p = 0; p < list.Count(); ++p)
        names << list.Name(p);
    return names;
}

// "name:count:first setting" for each project, enough to see what went where.
QStringList Shape(const CProjectList &list)
{
    QStringList shape;
    for (int p = 0; p < list.Count(); ++p) {
        const auto settings = list.FolderSettings(p);
        shape << QStringLiteral("%1:%2:%3").arg(list.Name(p)).arg(settings.size())
                     .arg(settings.empty() ? QString() : settings.front().Name);
    }
    return shape;
}

// A store holding projects P0..P<n-1>, project p with p + 1 folder settings "P<p>/<i>".
struct StoredProjects {
    QTemporaryDir dir;
    AppFlags flags;
    ScriptedPresenter boxes;
    bool registry;
    std::unique_ptr<CConfiguration> config;

    StoredProjects(bool useRegistry, int n) : registry(useRegistry)
    {
        QDir().mkpath(dir.filePath("program"));
        config = Start();
        CProjectList &names = config->Projects();
        names.Clear();
        for (int p = 0; p < n; ++p) {
            names.AddProject(QStringLiteral("P%1").arg(p));
            config->SaveProjectSettings(Settings(names.Name(p), p + 1), p);
        }
        config->SaveGlobalSettings();
        config = Start();
    }
    std::unique_ptr<CConfiguration> Start()
    {
        auto started = std::make_unique<CConfiguration>(flags, boxes, dir.filePath("config/registry.sqlite3"));
        started->Store().SetIniPath(dir.filePath("program/orvane.ini"));
        started->Store().SetUseRegistry(registry);
        started->LoadGlobalSettings();
        return started;
    }
    // What a later start of the program finds in the store.
    QStringList StoredShape()
    {
        auto later = Start();
        CProjectList list;
        later->LoadAllProjects(list);
        return Shape(list);
    }
    bool HasStoredSection(const QString &section)
    {
        if (registry)
            return config->Store().Registry().KeyExists(CSettingsStore::RegistryRoot() + "\\" + section);
        return CIniFile::DecodeText(testsupport::ReadFile(dir.filePath("program/orvane.ini")))
            .contains("[" + section + "]\r\n");
    }
};

void AddBackEnds()
{
    QTest::addColumn<bool>("registry");
    QTest::newRow("INI") << false;
    QTest::newRow("registry") << true;
}

} // namespace

// Loading every project into the working list of the project dialog, and writing it back.
class TestProjectStore : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void loadAllProjectsReadsEveryProject_data() { AddBackEnds(); }
    void loadAllProjectsReadsEveryProject();
    void deletingProjectTwoOfFive_data() { AddBackEnds(); }
    void deletingProjectTwoOfFive();
    void deletingEveryProjectLeavesTheDefault_data() { AddBackEnds(); }
    void deletingEveryProjectLeavesTheDefault();
    void movingTheActiveProjectUp_data() { AddBackEnds(); }
    void movingTheActiveProjectUp();
    void deletingTheActiveLastProjects_data() { AddBackEnds(); }
    void deletingTheActiveLastProjects();
    void addedProjectIsLikeAnyOther_data() { AddBackEnds(); }
    void addedProjectIsLikeAnyOther();
    void failedApplySaysSoOnce_data() { AddBackEnds(); }
    void failedApplySaysSoOnce();
};

void TestProjectStore::loadAllProjectsReadsEveryProject()
{
    QFETCH(bool, registry);
    StoredProjects stored(registry, 5);
    CProjectList working;
    stored.config->LoadAllProjects(working);
    QCOMPARE(Shape(working), (QStringList{"P0:1:P0/0", "P1:2:P1/0", "P2:3:P2/0", "P3:4:P3/0", "P4:5:P4/0"}));
    QCOMPARE(working.FolderSettings(4)[4].Name, QString("P4/4"));
}

void TestProjectStore::deletingProjectTwoOfFive()
{
    QFETCH(bool, registry);
    StoredProjects stored(registry, 5);
    CProjectList working;
    stored.config->LoadAllProjects(working);
    working.RemoveProject(2);
    QVERIFY(stored.config->ApplyToStore(working));

    QCOMPARE(NamesOf(stored.config->Projects()), (QStringList{"P0", "P1", "P3", "P4"}));
    QVERIFY(!stored.HasStoredSection("Project\\004\\Define 0"));
    QVERIFY(!stored.HasStoredSection("Project\\004\\Define 4"));
    QCOMPARE(stored.config->StoredFolderSettingCount(4), 0);
    // The names reach the store at the end of the program.
    stored.config->SaveGlobalSettings();
    QCOMPARE(stored.StoredShape(), (QStringList{"P0:1:P0/0", "P1:2:P1/0", "P3:4:P3/0", "P4:5:P4/0"}));
}

void TestProjectStore::deletingEveryProjectLeavesTheDefault()
{
    QFETCH(bool, registry);
    StoredProjects stored(registry, 5);
    CProjectList working;
    stored.config->LoadAllProjects(working);
    while (working.Count() > 0)
        working.RemoveProject(0);
    QVERIFY(stored.config->ApplyToStore(working));
    QCOMPARE(NamesOf(stored.config->Projects()), QStringList{u"デフォルト"_qs});
    for (int p = 0; p < 5; ++p) {
        QCOMPARE(stored.config->StoredFolderSettingCount(p), 0);
        QVERIFY(!stored.HasStoredSection(CConfiguration::DefineSection(p, 0)));
    }
    stored.config->SaveGlobalSettings();
    QCOMPARE(stored.StoredShape(), QStringList{u"デフォルト:0:"_qs});
}

void TestProjectStore::movingTheActiveProjectUp()
{
    QFETCH(bool, registry);
    StoredProjects stored(registry, 5);
    stored.config->SetActiveProject(2);
    CProjectList working;
    stored.config->LoadAllProjects(working);
    working.SwapProjects(1, 2);
    QVERIFY(stored.config->ApplyToStore(working));
    stored.config->BringActiveProjectIntoRange();
    // The number stays; the project that now has it is active.
    QCOMPARE(stored.config->ActiveProject(), 2);
    CMirroringDefine table;
    QCOMPARE(stored.config->LoadProjectSettings(table, 2), 2);
    QCOMPARE(table.Records()[0].Name, QString("P1/0"));
    QCOMPARE(stored.config->Projects().Name(2), QString("P1"));
}

void TestProjectStore::deletingTheActiveLastProjects()
{
    QFETCH(bool, registry);
    StoredProjects stored(registry, 5);
    stored.config->SetActiveProject(4);
    CProjectList working;
    stored.config->LoadAllProjects(working);
    working.RemoveProject(4);
    working.RemoveProject(3);
    QVERIFY(stored.config->ApplyToStore(working));
    stored.config->BringActiveProjectIntoRange();
    QCOMPARE(stored.config->ActiveProject(), 0);
    stored.config->SaveGlobalSettings();
    QCOMPARE(stored.StoredShape(), (QStringList{"P0:1:P0/0", "P1:2:P1/0", "P2:3:P2/0"}));
}

void TestProjectStore::addedProjectIsLikeAnyOther()
{
    QFETCH(bool, registry);
    StoredProjects stored(registry, 3);
    CProjectList working;
    stored.config->LoadAllProjects(working);
    QVERIFY(working.AddProject("New"));
    working.CopyProject(3, 2, true);   // P2's three settings, and P2's name
    working.RenameProject(3, "Copy");
    working.SwapProjects(3, 0);
    working.AddProject("Gone");
    working.RemoveProject(4);
    QVERIFY(stored.config->ApplyToStore(working));
    stored.config->SaveGlobalSettings();
    QCOMPARE(stored.StoredShape(), (QStringList{"Copy:3:P2/0", "P1:2:P1/0", "P2:3:P2/0", "P0:1:P0/0"}));
}

void TestProjectStore::failedApplySaysSoOnce()
{
    QFETCH(bool, registry);
    StoredProjects stored(registry, 3);
    CProjectList working;
    stored.config->LoadAllProjects(working);
    working.RemoveProject(0);
    {
        FileSizeLimit limit(16);
        if (!limit.active())
            QSKIP("no file size limit here");
        QVERIFY(!stored.config->ApplyToStore(working));
    }
    // One message for the whole list, not one for each project or value.
    QCOMPARE(stored.boxes.boxes.size(), size_t(1));
    QVERIFY(stored.boxes.boxes[0].text.contains(registry ? stored.dir.filePath("config/registry.sqlite3")
                                                         : stored.dir.filePath("program/orvane.ini")));
    // Applied again once the disk takes it, the list arrives whole.
    QVERIFY(stored.config->ApplyToStore(working));
    QVERIFY(stored.config->SaveGlobalSettings());
    QCOMPARE(stored.boxes.boxes.size(), size_t(1));
    QCOMPARE(stored.StoredShape(), (QStringList{"P1:2:P1/0", "P2:3:P2/0"}));
}

QTEST_APPLESS_MAIN(TestProjectStore)
#include "tst_projectstore.moc"
