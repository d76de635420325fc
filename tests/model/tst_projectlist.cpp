#include "model/MirroringDefine.h"
#include "model/ProjectList.h"

#include <QtTest>

#include <functional>

namespace {

std::vector<CFolderSetting> Settings(const QString &tag, int count)
{
    std::vector<CFolderSetting> records(static_cast<size_t>(count));
    for (int i = 0; i < count; ++i)
        records[size_t(i)].Name = QStringLiteral("%1/%2").arg(tag).arg(i);
    return records;
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

QTEST_APPLESS_MAIN(TestProjectList)
#include "tst_projectlist.moc"
