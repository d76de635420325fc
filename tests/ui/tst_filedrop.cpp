#include "TestSupport.h"
#include "ui/FileDrop.h"
#include "ui/FileDropEdit.h"
#include "ui/FileDropListBox.h"

#include <QDir>
#include <QDropEvent>
#include <QMimeData>
#include <QTemporaryDir>
#include <QUrl>
#include <QtTest>

// Files and folders dropped from the file manager, as the text boxes and pattern lists take them.
class TestFileDrop : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void initTestCase();
    void convert_data();
    void convert();
    void takeDrop_data();
    void takeDrop();
    void editTakesTheFirstItem_data();
    void editTakesTheFirstItem();
    void listAddsEveryItemInSortedPlaces();
    void itemsThatAreNoLocalFilesAreNotTaken();

private:
    QString Path(const QString &relative) const { return m_dir.path() + u'/' + relative; }
    QString Expand(QString text) const { return text.replace(QStringLiteral("$T"), m_dir.path()); }
    static std::unique_ptr<QMimeData> UrlData(const QStringList &paths);
    static void Drop(QWidget *target, const QMimeData &data);

    QTemporaryDir m_dir;
};

enum Mode { Folder = 1, Name = 2, Relative = 4 };

void TestFileDrop::initTestCase()
{
    QVERIFY(m_dir.isValid());
    for (const char *file : {"work/report.txt", "data/sub/f.txt", "b.txt", "A.txt"})
        QVERIFY(testsupport::WriteFile(Path(QString::fromUtf8(file)), "x"));
    for (const char *folder : {"DATA/sub/x", "other/x", "database", "work"})
        QVERIFY(QDir().mkpath(Path(QString::fromUtf8(folder))));
}

std::unique_ptr<QMimeData> TestFileDrop::UrlData(const QStringList &paths)
{
    auto data = std::make_unique<QMimeData>();
    QList<QUrl> urls;
    for (const QString &path : paths)
        urls << (path.startsWith(u'/') ? QUrl::fromLocalFile(path) : QUrl(path));
    data->setUrls(urls);
    return data;
}

void TestFileDrop::Drop(QWidget *target, const QMimeData &data)
{
    QDragEnterEvent enter(QPoint(5, 5), Qt::CopyAction, &data, Qt::LeftButton, Qt::NoModifier);
    QCoreApplication::sendEvent(target, &enter);
    QVERIFY(enter.isAccepted());
    QDropEvent drop(QPointF(5, 5), Qt::CopyAction, &data, Qt::LeftButton, Qt::NoModifier);
    QCoreApplication::sendEvent(target, &drop);
}

void TestFileDrop::convert_data()
{
    QTest::addColumn<int>("modes");
    QTest::addColumn<QString>("base");
    QTest::addColumn<QString>("item");
    QTest::addColumn<QString>("expected");
    QTest::newRow("folder mode: a file gives its folder") << int(Folder) << "" << "$T/work/report.txt" << "$T/work";
    QTest::newRow("folder mode: a folder stays") << int(Folder) << "" << "$T/work" << "$T/work";
    QTest::newRow("no mode: a file stays whole") << 0 << "" << "$T/work/report.txt" << "$T/work/report.txt";
    QTest::newRow("name mode: a file gives its name") << int(Name) << "" << "$T/work/report.txt" << "report.txt";
    QTest::newRow("name mode: a folder gives nothing") << int(Name) << "" << "$T/work" << "";
    QTest::newRow("relative: below the base, case aside") << (Folder | Relative) << "$T/data" << "$T/DATA/sub/x"
                                                          << "sub/x";
    QTest::newRow("relative: a file below the base gives its folder") << (Folder | Relative) << "$T/data"
                                                                      << "$T/data/sub/f.txt" << "sub";
    QTest::newRow("relative: outside the base, the last part") << (Folder | Relative) << "$T/data" << "$T/other/x"
                                                               << "x";
    QTest::newRow("relative: a longer name is not below the base") << (Folder | Relative) << "$T/data"
                                                                   << "$T/database" << "database";
    QTest::newRow("relative: the base itself gives nothing") << (Folder | Relative) << "$T/data" << "$T/data" << "";
    QTest::newRow("relative: no base, the last part") << (Folder | Relative) << "" << "$T/DATA/sub/x" << "x";
    QTest::newRow("relative: the root as base") << int(Relative) << "/" << "$T/other/x" << "$T/other/x";
    QTest::newRow("vanished item counts as a folder: folder mode keeps it")
        << int(Folder) << "" << "$T/gone/y.txt" << "$T/gone/y.txt";
    QTest::newRow("vanished item counts as a folder: name mode leaves it out")
        << int(Name) << "" << "$T/gone/y.txt" << "";
}

void TestFileDrop::convert()
{
    QFETCH(int, modes);
    QFETCH(QString, base);
    QFETCH(QString, item);
    QFETCH(QString, expected);
    CFileDrop drop;
    drop.folderMode = modes & Folder;
    drop.nameMode = modes & Name;
    drop.relativeMode = modes & Relative;
    drop.basePath = Expand(base);
    expected = Expand(expected);
    // The root as base leaves the path without its leading separator.
    if (base == u"/")
        expected = expected.mid(1);
    QCOMPARE(drop.Convert(Expand(item)), expected);
}

void TestFileDrop::takeDrop_data()
{
    QTest::addColumn<int>("modes");
    QTest::addColumn<bool>("firstOnly");
    QTest::addColumn<QStringList>("items");
    QTest::addColumn<QStringList>("expected");
    QTest::newRow("first only of three folders") << int(Folder) << true
                                                 << QStringList{"$T/work", "$T/other/x", "$T/database"}
                                                 << QStringList{"$T/work"};
    QTest::newRow("a folder on the file list adds nothing") << int(Name) << false << QStringList{"$T/work"}
                                                            << QStringList{};
    QTest::newRow("two files and a folder give two names") << int(Name) << false
                                                           << QStringList{"$T/b.txt", "$T/work", "$T/A.txt"}
                                                           << QStringList{"b.txt", "A.txt"};
    QTest::newRow("a new drop forgets the last") << 0 << false << QStringList{} << QStringList{};
}

void TestFileDrop::takeDrop()
{
    QFETCH(int, modes);
    QFETCH(bool, firstOnly);
    QFETCH(QStringList, items);
    QFETCH(QStringList, expected);
    CFileDrop drop;
    drop.folderMode = modes & Folder;
    drop.nameMode = modes & Name;
    drop.TakeDrop({Path("b.txt")}, false);
    for (QString &item : items)
        item = Expand(item);
    for (QString &text : expected)
        text = Expand(text);
    drop.TakeDrop(items, firstOnly);
    QCOMPARE(drop.Items(), expected);
    QCOMPARE(drop.ItemCount(), expected.size());
}

void TestFileDrop::editTakesTheFirstItem_data()
{
    QTest::addColumn<int>("modes");
    QTest::addColumn<QStringList>("items");
    QTest::addColumn<QString>("expected");
    QTest::newRow("master folder box: a file gives its folder") << int(Folder) << QStringList{"$T/work/report.txt"}
                                                                << "$T/work";
    QTest::newRow("three folders: the first") << int(Folder) << QStringList{"$T/database", "$T/work"}
                                              << "$T/database";
    QTest::newRow("a folder on a name box keeps the text") << int(Name) << QStringList{"$T/work"} << "before";
}

void TestFileDrop::editTakesTheFirstItem()
{
    QFETCH(int, modes);
    QFETCH(QStringList, items);
    QFETCH(QString, expected);
    CFileDropEdit edit;
    edit.Drop().folderMode = modes & Folder;
    edit.Drop().nameMode = modes & Name;
    edit.setText(QStringLiteral("before"));
    QSignalSpy dropped(&edit, &CFileDropEdit::Dropped);
    for (QString &item : items)
        item = Expand(item);
    Drop(&edit, *UrlData(items));
    QCOMPARE(edit.text(), Expand(expected));
    QCOMPARE(dropped.size(), expected == u"before" ? 0 : 1);
}

void TestFileDrop::listAddsEveryItemInSortedPlaces()
{
    CFileDropListBox list;
    list.Drop().nameMode = true;
    list.AddEntry(QStringLiteral("c.txt"));
    list.AddEntry(QStringLiteral("B.txt"));
    Drop(list.viewport(), *UrlData({Path("b.txt"), Path("work"), Path("A.txt"), Path("b.txt")}));
    // Letters sort without regard to case; an entry already there is added again.
    QCOMPARE(list.Entries(), (QStringList{"A.txt", "B.txt", "b.txt", "b.txt", "c.txt"}));
}

void TestFileDrop::itemsThatAreNoLocalFilesAreNotTaken()
{
    const std::unique_ptr<QMimeData> web = UrlData({QStringLiteral("https://example.org/a.txt")});
    QVERIFY(!CFileDrop::CanTake(*web));
    const std::unique_ptr<QMimeData> mixed = UrlData({QStringLiteral("https://example.org/a.txt"), Path("b.txt")});
    QCOMPARE(CFileDrop::LocalPathsOf(*mixed), QStringList{Path("b.txt")});

    CFileDropListBox list;
    QDropEvent drop(QPointF(5, 5), Qt::CopyAction, web.get(), Qt::LeftButton, Qt::NoModifier);
    QCoreApplication::sendEvent(list.viewport(), &drop);
    QCOMPARE(list.count(), 0);
}

QTEST_MAIN(TestFileDrop)
#include "tst_filedrop.moc"
