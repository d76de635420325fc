#include "engine/FolderListing.h"
#include <QTest>

class TestFolderListing : public QObject {
    Q_OBJECT
private slots:
    void entries_data();
    void entries();
    void copiesAreApart();
};

// names: appended in this order; a name ending in "/" is a folder (the "/" dropped), one starting
// with "!" has invalid bytes on disk (the "!" dropped).
void TestFolderListing::entries_data()
{
    QTest::addColumn<QStringList>("names");

    QTest::newRow("empty") << QStringList{};
    QTest::newRow("kinds, validity, an empty name")
        << QStringList{"a.txt", "sub/", "", "!bad", "報告書.txt", "e\xCC\x81"};
    // Past the room a listing starts with, and names of the longest length: earlier names stay
    // where they were when the block grows.
    QStringList many;
    for (int i = 0; i < 300; ++i)
        many << (i % 7 == 0 ? QString(255, QChar(u'a' + i % 26)) : QStringLiteral("file%1").arg(i));
    QTest::newRow("grown many times") << many;
}

void TestFolderListing::entries()
{
    QFETCH(QStringList, names);
    CFolderListing listing;
    for (const QString &name : names) {
        const bool folder = name.endsWith(u'/');
        const bool invalid = name.startsWith(u'!');
        const QString plain = name.sliced(invalid ? 1 : 0).chopped(folder ? 1 : 0);
        listing.Append(plain, folder ? ItemKind::Folder : ItemKind::File, !invalid);
    }
    QCOMPARE(listing.Size(), names.size());
    for (qsizetype i = 0; i < names.size(); ++i) {
        const QString &name = names[i];
        const bool folder = name.endsWith(u'/');
        const bool invalid = name.startsWith(u'!');
        QCOMPARE(listing.NameAt(i).toString(), name.sliced(invalid ? 1 : 0).chopped(folder ? 1 : 0));
        QCOMPARE(listing.KindAt(i), folder ? ItemKind::Folder : ItemKind::File);
        QCOMPARE(listing.NameValidAt(i), !invalid);
    }
}

// The walk and the readers each hold a copy of one listing.
void TestFolderListing::copiesAreApart()
{
    CFolderListing first;
    first.Append(FolderEntry{QStringLiteral("kept"), ItemKind::Symlink, true});
    CFolderListing second = first;
    for (int i = 0; i < 100; ++i)
        second.Append(u"added", ItemKind::Folder);
    QCOMPARE(first.Size(), 1);
    QCOMPARE(first.NameAt(0), u"kept");
    QCOMPARE(first.KindAt(0), ItemKind::Symlink);
    QCOMPARE(second.NameAt(0), u"kept");
    first.Clear();
    QCOMPARE(first.Size(), 0);
    QCOMPARE(second.Size(), 101);
    QCOMPARE(second.NameAt(100), u"added");
}

QTEST_GUILESS_MAIN(TestFolderListing)
#include "tst_folderlisting.moc"
