#include "config/Configuration.h"
#include "config/IniFile.h"
#include "config/ProjectList.h"
#include "model/AppFlags.h"
#include "model/MirroringDefine.h"

#include "ConfigTestSupport.h"
#include "TestSupport.h"

#include <QtTest>

#include <functional>
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
        list.LoadAllProjects(*later);
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

class TestProjectList : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void namesAndDisplayNames();
    void addingStopsAtAThousand();
    void numbersOutsideTheListChangeNothing_data();
    void numbersOutsideTheListChangeNothing();
    void removeMovesTheFollowingProjectsUp();
    void copyOverwritesOrAppendsUpToAThousand();
    void swapExchangesNamesAndSettings();
    void copyNamesFromKeepsOneTablePerName();
    void setProjectKeepsAtMostAThousand();

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
};

void TestProjectList::namesAndDisplayNames()
{
    CProjectList list;
    list.AddProject(u"デフォルト"_qs);
    list.AddProject("x");
    QCOMPARE(list.DisplayName(0), u"1: デフォルト"_qs);
    QCOMPARE(list.DisplayName(1), QString("2: x"));
    QCOMPARE(list.Name(2), QString());
    QCOMPARE(list.DisplayName(-1), QString());
    QCOMPARE(list.FolderSettingCount(0), 0);
}

void TestProjectList::addingStopsAtAThousand()
{
    CProjectList list;
    for (int p = 0; p < 1000; ++p)
        QVERIFY(list.AddProject(QString::number(p)));
    QVERIFY(!list.AddProject("one too many"));
    QCOMPARE(list.Count(), 1000);
    QCOMPARE(list.Name(999), QString("999"));
}

void TestProjectList::numbersOutsideTheListChangeNothing_data()
{
    QTest::addColumn<std::function<void(CProjectList &)>>("operation");
    using Op = std::function<void(CProjectList &)>;
    for (int bad : {-1, 3, 1000}) {
        QTest::addRow("remove %d", bad) << Op([bad](CProjectList &l) { l.RemoveProject(bad); });
        QTest::addRow("copy from %d", bad) << Op([bad](CProjectList &l) { l.CopyProject(0, bad, false); });
        QTest::addRow("copy to %d", bad) << Op([bad](CProjectList &l) { l.CopyProject(bad, 1, true); });
        QTest::addRow("swap with %d", bad) << Op([bad](CProjectList &l) { l.SwapProjects(bad, 0); });
        QTest::addRow("rename %d", bad) << Op([bad](CProjectList &l) { l.RenameProject(bad, "x"); });
        QTest::addRow("set %d", bad) << Op([bad](CProjectList &l) { l.SetProject(bad, Settings("x", 3)); });
    }
    QTest::newRow("copy onto itself") << Op([](CProjectList &l) { l.CopyProject(1, 1, true); });
}

void TestProjectList::numbersOutsideTheListChangeNothing()
{
    QFETCH(std::function<void(CProjectList &)>, operation);
    CProjectList list;
    for (int p = 0; p < 3; ++p) {
        list.AddProject(QStringLiteral("P%1").arg(p));
        list.SetProject(p, Settings(list.Name(p), p + 1));
    }
    const QStringList before = Shape(list);
    operation(list);
    QCOMPARE(Shape(list), before);
}

void TestProjectList::removeMovesTheFollowingProjectsUp()
{
    CProjectList list;
    for (int p = 0; p < 5; ++p) {
        list.AddProject(QStringLiteral("P%1").arg(p));
        list.SetProject(p, Settings(list.Name(p), p + 1));
    }
    list.RemoveProject(2);
    QCOMPARE(Shape(list), (QStringList{"P0:1:P0/0", "P1:2:P1/0", "P3:4:P3/0", "P4:5:P4/0"}));
}

void TestProjectList::copyOverwritesOrAppendsUpToAThousand()
{
    CProjectList list;
    list.AddProject("five hundred");
    list.AddProject("six hundred");
    list.AddProject("empty");
    list.SetProject(0, Settings("a", 500));
    list.SetProject(1, Settings("b", 600));

    list.CopyProject(0, 1, true);
    const auto appended = list.FolderSettings(0);
    QCOMPARE(appended.size(), size_t(1000));
    QCOMPARE(appended[499].Name, QString("a/499"));
    QCOMPARE(appended[500].Name, QString("b/0"));
    QCOMPARE(appended[999].Name, QString("b/499"));
    QCOMPARE(list.Name(0), QString("six hundred"));
    QCOMPARE(list.FolderSettingCount(1), 600);   // the source stays as it was

    list.CopyProject(0, 1, true);                // full: nothing more fits
    QCOMPARE(list.FolderSettingCount(0), 1000);
    QCOMPARE(list.FolderSettings(0)[999].Name, QString("b/499"));

    list.CopyProject(1, 2, false);               // overwrite with an empty project
    QCOMPARE(Shape(list).mid(1), (QStringList{"empty:0:", "empty:0:"}));
}

void TestProjectList::swapExchangesNamesAndSettings()
{
    CProjectList list;
    list.AddProject("A");
    list.AddProject("B");
    list.SetProject(0, Settings("a", 2));
    list.SwapProjects(0, 1);
    QCOMPARE(Shape(list), (QStringList{"B:0:", "A:2:a/0"}));
    list.RenameProject(1, "C");
    QCOMPARE(Shape(list), (QStringList{"B:0:", "C:2:a/0"}));
}

void TestProjectList::copyNamesFromKeepsOneTablePerName()
{
    CProjectList names;
    names.AddProject("x");
    names.AddProject("y");
    CProjectList list;
    for (int p = 0; p < 3; ++p) {
        list.AddProject("old");
        list.SetProject(p, Settings("s", 1));
    }
    list.CopyNamesFrom(names);
    QCOMPARE(Shape(list), (QStringList{"x:1:s/0", "y:1:s/0"}));
    names.AddProject("z");
    names.AddProject("w");
    list.CopyNamesFrom(names);
    QCOMPARE(Shape(list), (QStringList{"x:1:s/0", "y:1:s/0", "z:0:", "w:0:"}));
}

void TestProjectList::setProjectKeepsAtMostAThousand()
{
    CProjectList list;
    list.AddProject("x");
    list.SetProject(0, Settings("s", 1200));
    QCOMPARE(list.FolderSettingCount(0), 1000);
    CMirroringDefine table;
    table.Fill(Settings("t", 3).data(), 3, false);
    list.SetProject(0, table, 5000);
    QCOMPARE(list.FolderSettingCount(0), 1000);
    list.SetProject(0, table, -4);
    QCOMPARE(list.FolderSettingCount(0), 0);
    list.SetProject(0, table, 2);
    QCOMPARE(Shape(list), QStringList{"x:2:t/0"});
}

void TestProjectList::loadAllProjectsReadsEveryProject()
{
    QFETCH(bool, registry);
    StoredProjects stored(registry, 5);
    CProjectList working;
    working.LoadAllProjects(*stored.config);
    QCOMPARE(Shape(working), (QStringList{"P0:1:P0/0", "P1:2:P1/0", "P2:3:P2/0", "P3:4:P3/0", "P4:5:P4/0"}));
    QCOMPARE(working.FolderSettings(4)[4].Name, QString("P4/4"));
}

void TestProjectList::deletingProjectTwoOfFive()
{
    QFETCH(bool, registry);
    StoredProjects stored(registry, 5);
    CProjectList working;
    working.LoadAllProjects(*stored.config);
    working.RemoveProject(2);
    working.ApplyToStore(*stored.config);

    QCOMPARE(NamesOf(stored.config->Projects()), (QStringList{"P0", "P1", "P3", "P4"}));
    QVERIFY(!stored.HasStoredSection("Project\\004\\Define 0"));
    QVERIFY(!stored.HasStoredSection("Project\\004\\Define 4"));
    QCOMPARE(stored.config->StoredFolderSettingCount(4), 0);
    // The names reach the store at the end of the program.
    stored.config->SaveGlobalSettings();
    QCOMPARE(stored.StoredShape(), (QStringList{"P0:1:P0/0", "P1:2:P1/0", "P3:4:P3/0", "P4:5:P4/0"}));
}

void TestProjectList::deletingEveryProjectLeavesTheDefault()
{
    QFETCH(bool, registry);
    StoredProjects stored(registry, 5);
    CProjectList working;
    working.LoadAllProjects(*stored.config);
    while (working.Count() > 0)
        working.RemoveProject(0);
    working.ApplyToStore(*stored.config);
    QCOMPARE(NamesOf(stored.config->Projects()), QStringList{u"デフォルト"_qs});
    for (int p = 0; p < 5; ++p) {
        QCOMPARE(stored.config->StoredFolderSettingCount(p), 0);
        QVERIFY(!stored.HasStoredSection(CConfiguration::DefineSection(p, 0)));
    }
    stored.config->SaveGlobalSettings();
    QCOMPARE(stored.StoredShape(), QStringList{u"デフォルト:0:"_qs});
}

void TestProjectList::movingTheActiveProjectUp()
{
    QFETCH(bool, registry);
    StoredProjects stored(registry, 5);
    stored.config->SetActiveProject(2);
    CProjectList working;
    working.LoadAllProjects(*stored.config);
    working.SwapProjects(1, 2);
    working.ApplyToStore(*stored.config);
    stored.config->BringActiveProjectIntoRange();
    // The number stays; the project that now has it is active.
    QCOMPARE(stored.config->ActiveProject(), 2);
    CMirroringDefine table;
    QCOMPARE(stored.config->LoadProjectSettings(table, 2), 2);
    QCOMPARE(table.Records()[0].Name, QString("P1/0"));
    QCOMPARE(stored.config->Projects().Name(2), QString("P1"));
}

void TestProjectList::deletingTheActiveLastProjects()
{
    QFETCH(bool, registry);
    StoredProjects stored(registry, 5);
    stored.config->SetActiveProject(4);
    CProjectList working;
    working.LoadAllProjects(*stored.config);
    working.RemoveProject(4);
    working.RemoveProject(3);
    working.ApplyToStore(*stored.config);
    stored.config->BringActiveProjectIntoRange();
    QCOMPARE(stored.config->ActiveProject(), 0);
    stored.config->SaveGlobalSettings();
    QCOMPARE(stored.StoredShape(), (QStringList{"P0:1:P0/0", "P1:2:P1/0", "P2:3:P2/0"}));
}

void TestProjectList::addedProjectIsLikeAnyOther()
{
    QFETCH(bool, registry);
    StoredProjects stored(registry, 3);
    CProjectList working;
    working.LoadAllProjects(*stored.config);
    QVERIFY(working.AddProject("New"));
    working.CopyProject(3, 2, true);   // P2's three settings, and P2's name
    working.RenameProject(3, "Copy");
    working.SwapProjects(3, 0);
    working.AddProject("Gone");
    working.RemoveProject(4);
    working.ApplyToStore(*stored.config);
    stored.config->SaveGlobalSettings();
    QCOMPARE(stored.StoredShape(), (QStringList{"Copy:3:P2/0", "P1:2:P1/0", "P2:3:P2/0", "P0:1:P0/0"}));
}

QTEST_APPLESS_MAIN(TestProjectList)
#include "tst_projectlist.moc"
