#include "engine/FolderNames.h"
#include <QTest>

class TestFolderNames : public QObject {
    Q_OBJECT
private slots:
    void lookups_data();
    void lookups();
    void copiesAreApart();
};

// names: added in this order, each with the kind Folder when it ends in "/" (the "/" dropped).
void TestFolderNames::lookups_data()
{
    QTest::addColumn<QStringList>("names");
    QTest::addColumn<qsizetype>("reserved");    // entries announced before adding
    QTest::addColumn<QStringList>("order");     // what NameAt hands out
    QTest::addColumn<QStringList>("absent");

    QTest::newRow("empty") << QStringList{} << qsizetype(0) << QStringList{} << QStringList{"a", ""};
    QTest::newRow("case and prefixes differ") << QStringList{"a.txt", "A.txt", "a", "sub/", "a.tx"} << qsizetype(5)
                                              << QStringList{"a.txt", "A.txt", "a", "sub", "a.tx"}
                                              << QStringList{"a.TXT", "su", "sub/", "a.txt "};
    QTest::newRow("added twice: the last kind, the first place")
        << QStringList{"x", "y/", "x/", "y"} << qsizetype(0) << QStringList{"x", "y"} << QStringList{"z"};
    QTest::newRow("non-ASCII and empty") << QStringList{"報告書.txt", "", "é", "e\xCC\x81"} << qsizetype(2)
                                         << QStringList{"報告書.txt", "", "é", "e\xCC\x81"} << QStringList{"報告書"};
    QStringList many;
    for (int i = 0; i < 1000; ++i)
        many << QStringLiteral("file%1").arg(i);
    QTest::newRow("grown past what was announced") << many << qsizetype(3) << many
                                                   << QStringList{"file1000", "file", "file01"};
}

void TestFolderNames::lookups()
{
    QFETCH(QStringList, names);
    QFETCH(qsizetype, reserved);
    QFETCH(QStringList, order);
    QFETCH(QStringList, absent);

    CFolderNames folder;
    folder.Reserve(reserved, 0);
    QHash<QString, ItemKind> expected;
    for (const QString &name : names) {
        const bool isFolder = name.endsWith(u'/');
        const QString plain = isFolder ? name.chopped(1) : name;
        const ItemKind kind = isFolder ? ItemKind::Folder : ItemKind::File;
        folder.Add(plain, kind);
        expected.insert(plain, kind);
    }
    QCOMPARE(folder.Size(), order.size());
    for (qsizetype i = 0; i < order.size(); ++i) {
        QCOMPARE(folder.NameAt(i).toString(), order[i]);
        QCOMPARE(folder.KindAt(i), expected.value(order[i]));
        QCOMPARE(folder.Find(order[i]), expected.value(order[i]));
    }
    for (const QString &name : absent)
        QCOMPARE(folder.Find(name), std::nullopt);
}

void TestFolderNames::copiesAreApart()
{
    CFolderNames first;
    first.Add(u"kept", ItemKind::File);
    CFolderNames second = first;
    second.Add(u"added", ItemKind::Folder);
    second.Add(u"kept", ItemKind::Symlink);
    QCOMPARE(first.Size(), 1);
    QCOMPARE(first.Find(u"kept"), ItemKind::File);
    QCOMPARE(first.Find(u"added"), std::nullopt);
    QCOMPARE(second.Find(u"kept"), ItemKind::Symlink);
    first.Clear();
    QCOMPARE(first.Find(u"kept"), std::nullopt);
    QCOMPARE(second.Size(), 2);
}

QTEST_GUILESS_MAIN(TestFolderNames)
#include "tst_foldernames.moc"
