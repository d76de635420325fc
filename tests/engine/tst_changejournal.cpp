#include "FaultInjectingFileSystem.h"
#include "TestSupport.h"

#include "engine/ChangeJournal.h"
#include "engine/JournalingFileSystem.h"
#include "platform/PosixFileSystem.h"

#include <array>
#include <QTemporaryDir>
#include <QtTest>

using testsupport::WriteFile;

// What a run changed tells which of the reads made before are stale: the read path itself, a
// folder above it, or anything below it.
class TestChangeJournal : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void staleReads_data();
    void staleReads();
    void forgottenChangesMakeEarlierReadsStale();
    void everyChangeIsRecordedReadsAreNot_data();
    void everyChangeIsRecordedReadsAreNot();
};

void TestChangeJournal::staleReads_data()
{
    QTest::addColumn<QStringList>("before");   // recorded before the read
    QTest::addColumn<QStringList>("after");    // recorded after the read
    QTest::addColumn<QString>("read");
    QTest::addColumn<bool>("stale");

    QTest::newRow("nothing changed") << QStringList() << QStringList() << "/b/x.txt" << false;
    QTest::newRow("changed before the read") << QStringList{"/b/x.txt"} << QStringList() << "/b/x.txt" << false;
    QTest::newRow("the item itself") << QStringList() << QStringList{"/b/x.txt"} << "/b/x.txt" << true;
    QTest::newRow("the folder itself, with a separator") << QStringList() << QStringList{"/b/d/"} << "/b/d" << true;
    QTest::newRow("a folder above") << QStringList() << QStringList{"/b/d"} << "/b/d/e/x.txt" << true;
    QTest::newRow("the root") << QStringList() << QStringList{"/"} << "/b/x.txt" << true;
    QTest::newRow("something below the folder") << QStringList() << QStringList{"/b/d/e/x.txt"} << "/b/d/" << true;
    QTest::newRow("a sibling") << QStringList() << QStringList{"/b/y.txt"} << "/b/x.txt" << false;
    QTest::newRow("a longer name, not a folder above") << QStringList() << QStringList{"/b/dd"} << "/b/d/x.txt" << false;
    QTest::newRow("a shorter name, not below") << QStringList() << QStringList{"/b/d/x"} << "/b/d/xy" << false;
    QTest::newRow("a folder beside") << QStringList() << QStringList{"/b/e/x.txt"} << "/b/d/" << false;
    QTest::newRow("the other tree") << QStringList() << QStringList{"/m/x.txt"} << "/b/x.txt" << false;
    // "+" marks a folder made where there was none.
    QTest::newRow("a folder made above") << QStringList() << QStringList{"+/b/d"} << "/b/d/e/x.txt" << false;
    QTest::newRow("a folder made, itself") << QStringList() << QStringList{"+/b/d/"} << "/b/d" << true;
    QTest::newRow("a folder made below") << QStringList() << QStringList{"+/b/d/e"} << "/b/" << true;
    QTest::newRow("a folder made, then changed")
        << QStringList() << QStringList{"+/b/d", "/b/d"} << "/b/d/x.txt" << true;
    QTest::newRow("changed again after the read")
        << QStringList{"/b/x.txt"} << QStringList{"/b/x.txt"} << "/b/x.txt" << true;
}

void TestChangeJournal::staleReads()
{
    QFETCH(QStringList, before);
    QFETCH(QStringList, after);
    QFETCH(QString, read);
    CChangeJournal journal;
    for (const QString &path : before)
        journal.Record(path);
    const quint64 generation = journal.Generation();
    for (const QString &path : after) {
        if (path.startsWith(u'+'))
            journal.RecordCreated(path.mid(1));
        else
            journal.Record(path);
    }
    QTEST(journal.ChangedSince(read, generation), "stale");
    QCOMPARE(journal.Generation(), quint64(before.size() + after.size()));
    // The log the run keeps writing is never taken as it was read; the paths around it are.
    journal.RecordAlways(QStringLiteral("/b/run.log"));
    QVERIFY(journal.ChangedSince(QStringLiteral("/b/run.log"), journal.Generation()));
    QVERIFY(!journal.ChangedSince(QStringLiteral("/b/run.lo"), journal.Generation()));
    QTEST(journal.ChangedSince(read, generation), "stale");
}

void TestChangeJournal::forgottenChangesMakeEarlierReadsStale()
{
    CChangeJournal journal;
    const quint64 early = journal.Generation();
    journal.Record(QStringLiteral("/b/one.txt"));
    const quint64 middle = journal.Generation();
    for (qsizetype i = 0; i < CChangeJournal::Capacity; ++i)
        journal.Record(QStringLiteral("/b/f%1").arg(i));
    const quint64 late = journal.Generation();
    // Reads from before the forgotten changes may have missed them.
    QVERIFY(journal.ChangedSince(QStringLiteral("/elsewhere/x"), early));
    QVERIFY(journal.ChangedSince(QStringLiteral("/elsewhere/x"), middle));
    // Reads after them are judged by what is kept.
    QVERIFY(!journal.ChangedSince(QStringLiteral("/elsewhere/x"), late));
    journal.Record(QStringLiteral("/b/last"));
    QVERIFY(!journal.ChangedSince(QStringLiteral("/elsewhere/x"), late));
    QVERIFY(journal.ChangedSince(QStringLiteral("/b/last"), late));
    QVERIFY(journal.ChangedSince(QStringLiteral("/b/"), late));
    const quint64 recent = journal.Generation() - CChangeJournal::Capacity / 2;
    QVERIFY(journal.ChangedSince(QStringLiteral("/b/f%1").arg(CChangeJournal::Capacity - 1), recent));
    QVERIFY(!journal.ChangedSince(QStringLiteral("/b/f0"), recent));
}

void TestChangeJournal::everyChangeIsRecordedReadsAreNot_data()
{
    QTest::addColumn<QString>("operation");
    QTest::addColumn<bool>("fails");
    QTest::addColumn<QStringList>("recorded");

    for (const bool fails : {false, true}) {
        const char *suffix = fails ? ", failed" : "";
        QTest::addRow("copy%s", suffix) << "copy" << fails << QStringList{"b/a.txt"};
        QTest::addRow("delete%s", suffix) << "delete" << fails << QStringList{"b/old.txt"};
        QTest::addRow("remove folder%s", suffix) << "remove" << fails << QStringList{"b/empty"};
        QTest::addRow("move%s", suffix) << "move" << fails << QStringList{"b/old.txt", "b/new.txt"};
        QTest::addRow("create folder%s", suffix) << "create" << fails << QStringList{"b/made"};
        QTest::addRow("writable%s", suffix) << "writable" << fails << QStringList{"b/old.txt"};
        QTest::addRow("times%s", suffix) << "times" << fails << QStringList{"b/old.txt"};
        QTest::addRow("folder attributes%s", suffix) << "attributes" << fails << QStringList{"b/empty"};
        QTest::addRow("trash%s", suffix) << "trash" << fails << QStringList{"b/old.txt"};
    }
    QTest::newRow("status") << "status" << false << QStringList();
    QTest::newRow("listing") << "list" << false << QStringList();
    QTest::newRow("statuses") << "statuses" << false << QStringList();
    QTest::newRow("actual name") << "name" << false << QStringList();
}

void TestChangeJournal::everyChangeIsRecordedReadsAreNot()
{
    QFETCH(QString, operation);
    QFETCH(bool, fails);
    QFETCH(QStringList, recorded);
    using Op = FaultInjectingFileSystem::Op;
    QTemporaryDir dir;
    const QString root = dir.path() + u'/';
    qputenv("XDG_DATA_HOME", QFile::encodeName(root + "data"));
    const auto restoreHome = qScopeGuard([] { qunsetenv("XDG_DATA_HOME"); });
    QVERIFY(WriteFile(root + "m/a.txt", "a"));
    QVERIFY(WriteFile(root + "b/old.txt", "o"));
    QVERIFY(QDir().mkpath(root + "b/empty"));
    PosixFileSystem posix;
    FaultInjectingFileSystem faults(posix);
    if (fails) {
        for (const Op op : {Op::CopyFile, Op::DeleteFile, Op::RemoveFolder, Op::Move, Op::CreateFolder,
                            Op::MakeWritable, Op::SetTimes, Op::CopyFolderAttributes, Op::MoveToTrash})
            faults.FailOnSuffix(op, QString(), EIO);
    }
    CChangeJournal journal;
    JournalingFileSystem disk(faults, journal);
    const quint64 before = journal.Generation();

    FsError error;
    bool done = true;
    if (operation == u"copy")
        done = disk.CopyFile(root + "m/a.txt", root + "b/a.txt", &error);
    else if (operation == u"delete")
        done = disk.DeleteFile(root + "b/old.txt", &error);
    else if (operation == u"remove")
        done = disk.RemoveFolder(root + "b/empty", &error);
    else if (operation == u"move")
        done = disk.Move(root + "b/old.txt", root + "b/new.txt", &error);
    else if (operation == u"create")
        done = disk.CreateFolder(root + "b/made", &error);
    else if (operation == u"writable")
        done = disk.MakeWritable(root + "b/old.txt", &error);
    else if (operation == u"times")
        done = disk.SetTimes(root + "b/old.txt", {1, 0}, {2, 0}, &error);
    else if (operation == u"attributes")
        done = disk.CopyFolderAttributes(root + "m", root + "b/empty", &error);
    else if (operation == u"trash")
        done = disk.MoveToTrash(root + "b/old.txt", &error);
    else if (operation == u"status")
        done = disk.Status(root + "b/old.txt", &error).has_value();
    else if (operation == u"list")
        done = disk.ListFolder(root + "b", [](const FolderEntry &) { return true; }, &error);
    else if (operation == u"statuses")
        disk.ReadStatuses(root + "b/", std::array{QStringView(u"old.txt")},
                          [&](qsizetype, const std::optional<FileStatus> &status, const FsError &) {
            done = status.has_value();
        });
    else if (operation == u"name")
        done = !disk.ActualName(root + "b/old.txt").isEmpty();
    else
        QFAIL("unknown operation");
    QCOMPARE(done, !fails);
    QCOMPARE(journal.Generation(), before + quint64(recorded.size()));
    for (const QString &path : recorded)
        QVERIFY2(journal.ChangedSince(root + path, before), qPrintable(path));
    QVERIFY(!journal.ChangedSince(root + "m/a.txt", before));
}

QTEST_APPLESS_MAIN(TestChangeJournal)
#include "tst_changejournal.moc"
