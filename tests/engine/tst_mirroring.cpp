#include "RunFixture.h"

#include "platform/FileNames.h"

#include <QtTest>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

using testsupport::ReadFile;
using testsupport::TreeListing;
using testsupport::WriteFile;

namespace {

const QDateTime T0 = QDateTime::fromSecsSinceEpoch(1700000000);

QStringList Sorted(QStringList list)
{
    list.sort();
    return list;
}

// A master and a backup that differ in every way a run knows: new, changed, equal and newer
// files, folders a large one among them, items of the other kind, a log inside the master tree.
void MakeMixedTrees(const RunFixture &fixture)
{
    const auto master = [&](const QString &name, const QByteArray &data, qint64 offset) {
        QVERIFY(WriteFile(fixture.MasterPath(name), data, T0.addSecs(offset)));
    };
    const auto backup = [&](const QString &name, const QByteArray &data, qint64 offset) {
        QVERIFY(WriteFile(fixture.BackupPath(name), data, T0.addSecs(offset)));
    };
    master("a.txt", "a", 0);
    master("b.txt", "new b", 100);
    backup("b.txt", "old b", 0);
    master("same.txt", "s", 0);
    backup("same.txt", "s", 0);
    master("newer.txt", "n", 0);
    backup("newer.txt", "n2", 100);
    for (int i = 0; i < 100; ++i) {
        const QString name = QStringLiteral("many/f%1.dat").arg(i);
        master(name, QByteArray(i, 'm'), i);
        if (i % 3 == 0)
            backup(name, QByteArray(i, 'm'), i);
        else if (i % 3 == 1)
            backup(name, QByteArray(i + 1, 'b'), 0);
    }
    master("d/e/f/g.txt", "g", 0);
    master("x/inside.txt", "i", 0);
    backup("x", "a file where the master has a folder", 0);
    master("y", "a file where the backup has a folder", 0);
    backup("y/z.txt", "z", 0);
    backup("old/one.txt", "1", 0);
    backup("old/sub/two.txt", "2", 0);
    backup("extra.txt", "e", 0);
}

// The trees below root as a run left them; the folders' times are those of the moment they
// were made, and the log's content is a log of that run.
QStringList Outcome(const QString &root)
{
    QStringList lines;
    for (const QString &line : TreeListing(root)) {
        const QStringList parts = line.split(u' ');
        if (parts.first().endsWith(QStringLiteral("run.log")))
            lines << parts.first();
        else
            lines << (parts.at(1) == u"d" ? parts.first() + QStringLiteral(" d") : line);
    }
    return lines;
}

} // namespace

class TestMirroring : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void init();
    void firstBackupCopiesTheTreeWithTimes();
    void unchangedRescanReportsNothing();
    void changedFilesAreUpdated_data();
    void changedFilesAreUpdated();
    void newerBackupIsSkippedUnlessOverWrite();
    void deletionsRunFilesFirstAndFoldersAfterContent();
    void mirroringOffKeepsExtraFiles();
    void mirroringFirstResolvesAFileWhereAFolderBelongs();
    void folderWhereAFileBelongsIsReportedInTheBackupPass();
    void fileFilters_data();
    void fileFilters();
    void folderFilters_data();
    void folderFilters();
    void deleteIgnoreTargetRemovesNonTargets();
    void sizeFilterSkipsLargeFiles();
    void dateFilterSinceLastRun();
    void subDirOffHandlesOnlyTheRoot();
    void dateFolderIsASubfolderOfTheBackup();
    void testRunChangesNothing();
    void symbolicLinksAreCopiedAsLinks();
    void caseFixNeedsRenameCapital();
    void deleteConfirmationAnswers();
    void stopDuringFilesLeavesTheRest();
    void invalidNamesAreCopiedOrRefused();
    void recycleBinDeletionGoesToTheTrash();
    void folderTimesAreCopiedWhenAsked_data();
    void folderTimesAreCopiedWhenAsked();
    void readAheadDecidesAsTheWalkAlone_data();
    void readAheadDecidesAsTheWalkAlone();

private:
    std::unique_ptr<RunFixture> f;
};

void TestMirroring::init()
{
    qputenv("TZ", "UTC");
    tzset();
    f = std::make_unique<RunFixture>();
}

void TestMirroring::firstBackupCopiesTheTreeWithTimes()
{
    QVERIFY(WriteFile(f->MasterPath("a.txt"), "alpha", T0));
    QVERIFY(WriteFile(f->MasterPath("sub/b.txt"), "beta", T0.addSecs(60)));
    QVERIFY(WriteFile(f->MasterPath("sub/deep/写真.jpg"), QByteArray(5000, 'x'), T0.addSecs(120)));
    CFolderSetting s = f->Setting();
    QVERIFY(f->RunOne(s));

    QCOMPARE(f->host.RowTexts().first(), QStringLiteral(u"開始 --------------- 設定 ---------------"));
    QCOMPARE(f->host.BodyRows(), QStringList({QStringLiteral(u"フォルダ作成 ../backup"), QStringLiteral(u"作成 a.txt"),
                                              QStringLiteral(u"フォルダ作成 sub"), QStringLiteral(u"作成 sub/b.txt"),
                                              QStringLiteral(u"フォルダ作成 sub/deep"),
                                              QStringLiteral(u"作成 sub/deep/写真.jpg")}));
    const ReportRow &end = f->host.rows.last();
    QCOMPARE(end.operation, QStringLiteral(u"終了"));
    QCOMPARE(end.name, QString(34, u'-'));   // as wide as the title in the host's font
    const ReportRow &created = f->host.rows[2];
    QCOMPARE(created.masterTime, T0.toSecsSinceEpoch());
    QCOMPARE(created.backupTime, 0);
    QVERIFY(created.sizeShown);
    QCOMPARE(created.size, quint64(5));

    QCOMPARE(ReadFile(f->BackupPath("sub/deep/写真.jpg")), QByteArray(5000, 'x'));
    QCOMPARE(QFileInfo(f->BackupPath("sub/b.txt")).lastModified(), T0.addSecs(60));
    QCOMPARE(s.Errors, 0);
    QVERIFY(s.LastExec > 0);
    QCOMPARE(f->Result(), 0);
    QVERIFY(f->flags.AnySettingCompleted);
    QCOMPARE(f->host.errorsAtUpdate, QList<int>({-2, 0}));
    QVERIFY(f->host.closeEnabled);
    QCOMPARE(f->host.disabledCloseCount, 1);
    QVERIFY(!f->running);
    QCOMPARE(f->host.statusTexts.last(), QStringLiteral(u"終了しました|"));
}

void TestMirroring::unchangedRescanReportsNothing()
{
    QVERIFY(WriteFile(f->MasterPath("a.txt"), "alpha", T0));
    QVERIFY(WriteFile(f->MasterPath("x/y/z.txt"), "z", T0));
    CFolderSetting s = f->Setting();
    QVERIFY(f->RunOne(s));
    const QStringList before = TreeListing(f->backup);
    QVERIFY(f->RunOne(s));
    QCOMPARE(f->host.BodyRows(), QStringList());
    QCOMPARE(f->host.rows.size(), 2);
    QCOMPARE(TreeListing(f->backup), before);
}

void TestMirroring::changedFilesAreUpdated_data()
{
    QTest::addColumn<QByteArray>("newContent");
    QTest::addColumn<int>("secondsLater");
    QTest::addColumn<bool>("ntfsToFat");
    QTest::addColumn<bool>("updated");
    QTest::newRow("newer master") << QByteArray("ALPHA") << 10 << true << true;
    QTest::newRow("within the tolerance") << QByteArray("ALPHA") << 2 << true << false;
    QTest::newRow("just past the tolerance") << QByteArray("ALPHA") << 3 << true << true;
    QTest::newRow("tolerance off") << QByteArray("ALPHA") << 1 << false << true;
    QTest::newRow("same time, other size") << QByteArray("alphabet") << 0 << true << true;
    QTest::newRow("same time and size, other bytes") << QByteArray("ALPHA") << 0 << true << false;
}

void TestMirroring::changedFilesAreUpdated()
{
    QFETCH(QByteArray, newContent);
    QFETCH(int, secondsLater);
    QFETCH(bool, ntfsToFat);
    QFETCH(bool, updated);
    QVERIFY(WriteFile(f->MasterPath("a.txt"), "alpha", T0));
    CFolderSetting s = f->Setting();
    s.NtfsToFat = ntfsToFat;
    QVERIFY(f->RunOne(s));
    QVERIFY(WriteFile(f->MasterPath("a.txt"), newContent, T0.addSecs(secondsLater)));
    QVERIFY(f->RunOne(s));
    QCOMPARE(f->host.BodyRows(), updated ? QStringList{QStringLiteral(u"更新 a.txt")} : QStringList());
    QCOMPARE(ReadFile(f->BackupPath("a.txt")) == newContent, updated);
    if (updated)
        QCOMPARE(f->host.rows[1].backupTime, T0.toSecsSinceEpoch());   // the backup's time before the copy
}

void TestMirroring::newerBackupIsSkippedUnlessOverWrite()
{
    QVERIFY(WriteFile(f->MasterPath("a.txt"), "master", T0));
    QVERIFY(WriteFile(f->BackupPath("a.txt"), "backup", T0.addSecs(100)));
    CFolderSetting s = f->Setting();
    s.OverWrite = false;
    QVERIFY(f->RunOne(s));
    QCOMPARE(f->host.BodyRows(), QStringList{QStringLiteral(u"スキップ a.txt")});
    QCOMPARE(ReadFile(f->BackupPath("a.txt")), QByteArray("backup"));
    s.OverWrite = true;
    QVERIFY(f->RunOne(s));
    QCOMPARE(f->host.BodyRows(), QStringList{QStringLiteral(u"更新 a.txt")});
    QCOMPARE(ReadFile(f->BackupPath("a.txt")), QByteArray("master"));
}

void TestMirroring::deletionsRunFilesFirstAndFoldersAfterContent()
{
    QVERIFY(WriteFile(f->MasterPath("keep.txt"), "k", T0));
    QVERIFY(WriteFile(f->BackupPath("keep.txt"), "k", T0));
    QVERIFY(WriteFile(f->BackupPath("old/a.txt"), "a", T0));
    QVERIFY(WriteFile(f->BackupPath("old/sub/b.txt"), "b", T0));
    CFolderSetting s = f->Setting();
    QVERIFY(f->RunOne(s));
    QCOMPARE(f->host.BodyRows(), QStringList({QStringLiteral(u"削除 old/a.txt"), QStringLiteral(u"削除 old/sub/b.txt"),
                                              QStringLiteral(u"フォルダ削除 old/sub"), QStringLiteral(u"フォルダ削除 old")}));
    QVERIFY(!QFileInfo::exists(f->BackupPath("old")));
    QVERIFY(QFileInfo::exists(f->BackupPath("keep.txt")));
    const ReportRow &deleted = f->host.rows[1];
    QCOMPARE(deleted.masterTime, 0);
    QCOMPARE(deleted.backupTime, T0.toSecsSinceEpoch());
    QCOMPARE(deleted.size, quint64(1));
}

void TestMirroring::mirroringOffKeepsExtraFiles()
{
    QVERIFY(WriteFile(f->BackupPath("extra.txt"), "e", T0));
    CFolderSetting s = f->Setting();
    s.Mirroring = false;
    QVERIFY(f->RunOne(s));
    QCOMPARE(f->host.BodyRows(), QStringList());
    QVERIFY(QFileInfo::exists(f->BackupPath("extra.txt")));
}

void TestMirroring::mirroringFirstResolvesAFileWhereAFolderBelongs()
{
    QVERIFY(WriteFile(f->MasterPath("data/x.txt"), "x", T0));
    QVERIFY(WriteFile(f->BackupPath("data"), "a file in the way", T0));
    CFolderSetting s = f->Setting();
    s.BackupType = BackupOrder::MirroringFirst;
    const QStringList before = TreeListing(f->dir.path());
    QVERIFY(f->RunOne(s, true));
    const QStringList expected = {QStringLiteral(u"削除 data"), QStringLiteral(u"フォルダ作成 data"),
                                  QStringLiteral(u"作成 data/x.txt")};
    QCOMPARE(f->host.BodyRows(), expected);
    QCOMPARE(TreeListing(f->dir.path()), before);
    QCOMPARE(f->Result(), 0);

    QVERIFY(f->RunOne(s));
    QCOMPARE(f->host.BodyRows(), expected);
    QCOMPARE(ReadFile(f->BackupPath("data/x.txt")), QByteArray("x"));
    QCOMPARE(s.Errors, 0);
}

void TestMirroring::folderWhereAFileBelongsIsReportedInTheBackupPass()
{
    QVERIFY(WriteFile(f->MasterPath("item"), "file", T0));
    QVERIFY(QDir().mkpath(f->BackupPath("item")));
    CFolderSetting s = f->Setting();
    s.Mirroring = false;
    QVERIFY(f->RunOne(s));
    QCOMPARE(f->host.BodyRows().size(), 1);
    QVERIFY(f->host.BodyRows().first().startsWith(QStringLiteral(u"エラー ファイル存在チェックに失敗: ファイルと同名のフォルダが存在します。")));
    QCOMPARE(f->host.questions.first().text,
             QStringLiteral(u"ファイル存在チェック：%1\n\nファイルと同名のフォルダが存在します。").arg(f->BackupPath("item")));
    QCOMPARE(s.Errors, 1);
    QCOMPARE(f->Result(), 3);
}

void TestMirroring::fileFilters_data()
{
    QTest::addColumn<QString>("patterns");
    QTest::addColumn<int>("targetType");
    QTest::addColumn<QStringList>("copied");
    QTest::newRow("include *.TXT") << "*.TXT" << 0 << QStringList{"READ.TXT", "readme.txt"};
    QTest::newRow("ignore *.TXT") << "*.TXT" << 1 << QStringList{"image.png", "notes.txt.bak"};
    QTest::newRow("trailing separator") << "*.png;" << 0 << QStringList{"image.png"};
    QTest::newRow("two patterns") << "*.png;read*" << 2 << QStringList{"READ.TXT", "image.png", "readme.txt"};
}

void TestMirroring::fileFilters()
{
    QFETCH(QString, patterns);
    QFETCH(int, targetType);
    QFETCH(QStringList, copied);
    for (const char *name : {"readme.txt", "READ.TXT", "image.png", "notes.txt.bak"})
        QVERIFY(WriteFile(f->MasterPath(QString::fromUtf8(name)), "x", T0));
    CFolderSetting s = f->Setting();
    s.TargetFile = patterns;
    s.TargetType = targetType;
    QVERIFY(f->RunOne(s));
    QCOMPARE(Sorted(QDir(f->backup).entryList(QDir::Files)), copied);
}

void TestMirroring::folderFilters_data()
{
    QTest::addColumn<QString>("patterns");
    QTest::addColumn<int>("targetType");
    QTest::addColumn<QStringList>("copied");
    QTest::newRow("include temp: top-level temp folders only")
        << "temp" << 0 << QStringList{"mytemp/f.txt", "temp/f.txt"};
    QTest::newRow("include temp/* reaches below") << "temp/*" << 0 << QStringList{"temp/f.txt", "temp/sub/f.txt"};
    QTest::newRow("ignore hoge/data/*")
        << "hoge/data/*" << 1 << QStringList{"a/temp/f.txt", "f.txt", "hoge/f.txt", "hoge/other/f.txt", "mytemp/f.txt", "temp/f.txt", "temp/sub/f.txt"};
    QTest::newRow("windows separators still work")
        << "hoge\\data\\*" << 1 << QStringList{"a/temp/f.txt", "f.txt", "hoge/f.txt", "hoge/other/f.txt", "mytemp/f.txt", "temp/f.txt", "temp/sub/f.txt"};
}

void TestMirroring::folderFilters()
{
    QFETCH(QString, patterns);
    QFETCH(int, targetType);
    QFETCH(QStringList, copied);
    for (const char *name : {"f.txt", "temp/f.txt", "temp/sub/f.txt", "mytemp/f.txt", "a/temp/f.txt", "hoge/f.txt",
                             "hoge/other/f.txt", "hoge/data/f.txt", "hoge/data/deep/f.txt"})
        QVERIFY(WriteFile(f->MasterPath(QString::fromUtf8(name)), "x", T0));
    CFolderSetting s = f->Setting();
    s.TargetDirectory = patterns;
    s.TargetType = targetType;
    QVERIFY(f->RunOne(s));
    QStringList files;
    for (const QString &line : TreeListing(f->backup)) {
        if (line.section(u' ', 1, 1) == u"f")
            files << line.section(u' ', 0, 0);
    }
    QCOMPARE(files, copied);
}

void TestMirroring::deleteIgnoreTargetRemovesNonTargets()
{
    QVERIFY(WriteFile(f->MasterPath("kept/k.txt"), "k", T0));   // a master that is not empty
    QVERIFY(WriteFile(f->BackupPath("gone/a.txt"), "a", T0));
    QVERIFY(WriteFile(f->BackupPath("gone/b.doc"), "b", T0));
    CFolderSetting s = f->Setting();
    s.TargetFile = QStringLiteral("*.txt");
    s.TargetType = 0;
    QVERIFY(f->RunOne(s));
    // Without DeleteIgnoreTarget the non-target stays and the folder cannot be removed.
    QVERIFY(QFileInfo::exists(f->BackupPath("gone/b.doc")));
    QVERIFY(!QFileInfo::exists(f->BackupPath("gone/a.txt")));
    QCOMPARE(s.Errors, 1);
    QCOMPARE(f->Result(), 2);

    s.DeleteIgnoreTarget = true;
    QVERIFY(f->RunOne(s));
    QCOMPARE(f->host.BodyRows(), QStringList({QStringLiteral(u"削除 gone/b.doc"), QStringLiteral(u"フォルダ削除 gone")}));
    QVERIFY(!QFileInfo::exists(f->BackupPath("gone")));
}

void TestMirroring::sizeFilterSkipsLargeFiles()
{
    QVERIFY(WriteFile(f->MasterPath("small"), QByteArray(1023, 's'), T0));
    QVERIFY(WriteFile(f->MasterPath("large"), QByteArray(1024, 'l'), T0));
    CFolderSetting s = f->Setting();
    s.SkipTargetFileSize = true;
    s.TargetFileSize = 1;
    s.TargetFileSizeUnit = 1;
    QVERIFY(f->RunOne(s));
    QCOMPARE(Sorted(f->host.BodyRows()), Sorted({QStringLiteral(u"フォルダ作成 ../backup"), QStringLiteral(u"作成 small"),
                                                 QStringLiteral(u"スキップ large")}));
    QVERIFY(!QFileInfo::exists(f->BackupPath("large")));
    s.ShowSkipFile = false;
    QVERIFY(f->RunOne(s));
    QCOMPARE(f->host.BodyRows(), QStringList());
}

void TestMirroring::dateFilterSinceLastRun()
{
    QVERIFY(WriteFile(f->MasterPath("at"), "1", T0));
    QVERIFY(WriteFile(f->MasterPath("after"), "2", T0.addSecs(1)));
    CFolderSetting s = f->Setting();
    s.TargetDateType = 2;
    s.LastExec = T0.toSecsSinceEpoch();
    QVERIFY(f->RunOne(s));
    QVERIFY(QFileInfo::exists(f->BackupPath("after")));
    QVERIFY(!QFileInfo::exists(f->BackupPath("at")));
}

void TestMirroring::subDirOffHandlesOnlyTheRoot()
{
    QVERIFY(WriteFile(f->MasterPath("top.txt"), "t", T0));
    QVERIFY(WriteFile(f->MasterPath("sub/inner.txt"), "i", T0));
    QVERIFY(WriteFile(f->BackupPath("oldsub/x.txt"), "x", T0));
    CFolderSetting s = f->Setting();
    s.SubDir = false;
    QVERIFY(f->RunOne(s));
    QCOMPARE(f->host.BodyRows(), QStringList{QStringLiteral(u"作成 top.txt")});
    QVERIFY(QFileInfo::exists(f->BackupPath("oldsub/x.txt")));
}

void TestMirroring::dateFolderIsASubfolderOfTheBackup()
{
    QVERIFY(WriteFile(f->MasterPath("a.txt"), "a", T0));
    f->now = QDateTime(QDate(2024, 1, 31), QTime(10, 0));
    CFolderSetting s = f->Setting();
    s.Backup = f->backup.chopped(1);   // without the separator: still a subfolder
    s.MakeDateDir = true;
    QVERIFY(f->RunOne(s));
    QCOMPARE(f->host.BodyRows(), QStringList({QStringLiteral(u"フォルダ作成 ../20240131"), QStringLiteral(u"作成 a.txt")}));
    QVERIFY(QFileInfo::exists(f->BackupPath("20240131/a.txt")));
    QCOMPARE(s.Backup, f->backup.chopped(1));
    QCOMPARE(s.LastExec, f->now.toSecsSinceEpoch());
    QCOMPARE(s.Errors, 0);
}

void TestMirroring::testRunChangesNothing()
{
    QVERIFY(WriteFile(f->MasterPath("new.txt"), "n", T0));
    QVERIFY(WriteFile(f->MasterPath("changed.txt"), "new", T0.addSecs(100)));
    QVERIFY(WriteFile(f->MasterPath("dir/inner.txt"), "i", T0));
    QVERIFY(WriteFile(f->BackupPath("changed.txt"), "old", T0));
    QVERIFY(WriteFile(f->BackupPath("deleted.txt"), "d", T0));
    f->options.OutputLog = true;
    f->options.LogFileName = f->dir.path() + QStringLiteral("/run.log");
    CFolderSetting s = f->Setting();
    s.DeleteConf = true;
    s.CopyFolderTime = true;
    s.LastExec = 12345;
    const QStringList before = TreeListing(f->dir.path());
    QVERIFY(f->RunOne(s, true));
    QCOMPARE(TreeListing(f->dir.path()), before);
    QCOMPARE(f->host.rows.first().operation, QStringLiteral(u"テスト開始"));
    QCOMPARE(Sorted(f->host.BodyRows()),
             Sorted({QStringLiteral(u"作成 new.txt"), QStringLiteral(u"更新 changed.txt"), QStringLiteral(u"フォルダ作成 dir"),
                     QStringLiteral(u"作成 dir/inner.txt"), QStringLiteral(u"削除 deleted.txt")}));
    QCOMPARE(s.LastExec, 12345);
    QVERIFY(f->host.deleteQuestions.isEmpty());
    QVERIFY(!QFileInfo::exists(f->options.LogFileName));
}

void TestMirroring::symbolicLinksAreCopiedAsLinks()
{
    QVERIFY(WriteFile(f->dir.path() + "/outside/secret.txt", "s", T0));
    QVERIFY(QFile::link(f->dir.path() + "/outside", f->MasterPath("folderlink")));
    QVERIFY(QFile::link(QStringLiteral("missing-target"), f->MasterPath("dangling")));
    CFolderSetting s = f->Setting();
    QVERIFY(f->RunOne(s));
    QCOMPARE(QFileInfo(f->BackupPath("folderlink")).symLinkTarget(), f->dir.path() + "/outside");
    QVERIFY(QFileInfo(f->BackupPath("dangling")).isSymLink());
    QVERIFY(!QFileInfo::exists(f->BackupPath("folderlink/secret.txt")) || QFileInfo(f->BackupPath("folderlink")).isSymLink());
    QCOMPARE(s.Errors, 0);
    // A rescan sees the links as unchanged and never walks into them.
    QVERIFY(f->RunOne(s));
    QCOMPARE(f->host.BodyRows(), QStringList());
}

void TestMirroring::caseFixNeedsRenameCapital()
{
    // On a case-sensitive file system a name in other case is another file.
    QVERIFY(WriteFile(f->MasterPath("README.txt"), "r", T0));
    QVERIFY(WriteFile(f->BackupPath("readme.TXT"), "r", T0));
    CFolderSetting s = f->Setting();
    s.RenameCapital = true;
    QVERIFY(f->RunOne(s));
    QCOMPARE(f->host.BodyRows(), QStringList({QStringLiteral(u"作成 README.txt"), QStringLiteral(u"削除 readme.TXT")}));
}

void TestMirroring::deleteConfirmationAnswers()
{
    QVERIFY(WriteFile(f->MasterPath("kept/k"), "k", T0));   // a master that is not empty
    for (const char *name : {"a", "b", "c"})
        QVERIFY(WriteFile(f->BackupPath(QString::fromUtf8(name)), QByteArray(1234567, 'x'), T0));
    CFolderSetting s = f->Setting();
    s.DeleteConf = true;
    f->host.deleteAnswers = {DeleteChoice::SkipThis, DeleteChoice::DeleteAll};
    QVERIFY(f->RunOne(s));
    QCOMPARE(f->host.deleteQuestions.size(), 2);
    QVERIFY(f->host.deleteQuestions.first().endsWith(QStringLiteral(u"|1,234,567 バイト|2023/11/14 22:13:20")));
    QCOMPARE(QDir(f->backup).entryList(QDir::Files).size(), 1);
    QCOMPARE(f->host.BodyRows().filter(QStringLiteral(u"スキップ")).size(), 1);
    QCOMPARE(f->host.BodyRows().filter(QStringLiteral(u"削除")).size(), 2);

    f->host.deleteAnswers = {DeleteChoice::AbortRun};
    QVERIFY(!f->RunOne(s));
    QCOMPARE(f->host.BodyRows(), QStringList());
    QCOMPARE(f->host.rows.last().operation, QStringLiteral(u"中断"));
    QCOMPARE(QDir(f->backup).entryList(QDir::Files).size(), 1);
    QCOMPARE(f->Result(), 1);
}

void TestMirroring::stopDuringFilesLeavesTheRest()
{
    QVERIFY(WriteFile(f->MasterPath("one.txt"), "1", T0));
    QVERIFY(WriteFile(f->MasterPath("sub/two.txt"), "2", T0));
    f->host.onStatus = [this](const QString &, const QString &path) {
        if (path == u"one.txt" && f->stopFlag)
            *f->stopFlag = true;
    };
    CFolderSetting s = f->Setting();
    QVERIFY(!f->RunOne(s));
    // Stopped while one.txt was being considered: it and everything after it is left.
    QCOMPARE(f->host.BodyRows(), QStringList({QStringLiteral(u"フォルダ作成 ../backup")}));
    QCOMPARE(QDir(f->backup).entryList(QDir::AllEntries | QDir::NoDotAndDotDot), QStringList());
    QCOMPARE(f->Result(), 1);
    QCOMPARE(f->host.questions.last().text, QStringLiteral(u"処理が中断されました。"));
}

void TestMirroring::invalidNamesAreCopiedOrRefused()
{
    const QByteArray rawName = QFile::encodeName(f->master) + "bad\xff\xfe.txt";
    const int fd = ::open(rawName.constData(), O_CREAT | O_WRONLY, 0644);
    QVERIFY(fd >= 0);
    QCOMPARE(::write(fd, "raw", 3), ssize_t(3));
    ::close(fd);
    QVERIFY(WriteFile(f->MasterPath("good.txt"), "g", T0));

    CFolderSetting s = f->Setting();
    s.CheckFileName = true;
    QVERIFY(f->RunOne(s));
    QCOMPARE(s.Errors, 1);
    QVERIFY(f->host.BodyRows().contains(QStringLiteral(u"エラー ファイル名／フォルダ名に不正な文字が含まれています。: ファイル名／フォルダ名に不正な文字が含まれています。")));
    QVERIFY(QFileInfo::exists(f->BackupPath("good.txt")));
    QCOMPARE(QDir(f->backup).entryList(QDir::Files).size(), 1);

    // Without the name check the file is backed up byte for byte under its own name.
    s.CheckFileName = false;
    QVERIFY(f->RunOne(s));
    QCOMPARE(s.Errors, 0);
    const QByteArray backupName = QFile::encodeName(f->backup) + "bad\xff\xfe.txt";
    struct stat status;
    QCOMPARE(::stat(backupName.constData(), &status), 0);
    QCOMPARE(status.st_size, off_t(3));
    // The temporary folder's own removal cannot spell such names.
    QCOMPARE(::unlink(rawName.constData()), 0);
    QCOMPARE(::unlink(backupName.constData()), 0);
}

void TestMirroring::recycleBinDeletionGoesToTheTrash()
{
    QTemporaryDir data;
    qputenv("XDG_DATA_HOME", (data.path() + "/share").toUtf8());
    QVERIFY(WriteFile(f->BackupPath("trash-me.txt"), "t", T0));
    QVERIFY(WriteFile(f->MasterPath("kept/k.txt"), "k", T0));   // a master that is not empty
    CFolderSetting s = f->Setting();
    s.DeleteRecycleBin = true;
    QVERIFY(f->RunOne(s));
    qunsetenv("XDG_DATA_HOME");
    QVERIFY(!QFileInfo::exists(f->BackupPath("trash-me.txt")));
    QVERIFY(QFileInfo::exists(data.path() + "/share/Trash/files/trash-me.txt"));
    QCOMPARE(s.Errors, 0);
}

void TestMirroring::folderTimesAreCopiedWhenAsked_data()
{
    QTest::addColumn<bool>("copyFolderTime");
    QTest::newRow("on") << true;
    QTest::newRow("off") << false;
}

void TestMirroring::folderTimesAreCopiedWhenAsked()
{
    QFETCH(bool, copyFolderTime);
    QVERIFY(WriteFile(f->MasterPath("sub/x.txt"), "x", T0));
    QVERIFY(WriteFile(f->MasterPath("top.txt"), "t", T0));
    const FileTime earlier{T0.toSecsSinceEpoch() - 3600, 0};
    for (const QString &folder : {f->MasterPath("sub"), f->master})
        QVERIFY(f->posix.SetTimes(folder, earlier, earlier, nullptr));
    CFolderSetting s = f->Setting();
    s.CopyFolderTime = copyFolderTime;
    QVERIFY(f->RunOne(s));
    QCOMPARE(QFileInfo(f->BackupPath("sub")).lastModified() == T0.addSecs(-3600), copyFolderTime);
    QCOMPARE(QFileInfo(f->backup).lastModified() == T0.addSecs(-3600), copyFolderTime);
}

void TestMirroring::readAheadDecidesAsTheWalkAlone_data()
{
    QTest::addColumn<bool>("test");
    QTest::addColumn<int>("order");
    QTest::addColumn<QString>("stopAt");
    for (const bool test : {false, true}) {
        const char *run = test ? "test run" : "real run";
        QTest::addRow("%s, backup first", run) << test << int(BackupOrder::BackupFirst) << QString();
        QTest::addRow("%s, mirroring first", run) << test << int(BackupOrder::MirroringFirst) << QString();
        QTest::addRow("%s, stopped in the large folder", run)
            << test << int(BackupOrder::BackupFirst) << QStringLiteral("many/f77.dat");
        QTest::addRow("%s, stopped while deleting", run)
            << test << int(BackupOrder::MirroringFirst) << QStringLiteral("old/sub/two.txt");
    }
}

// Whether the walk reads everything itself or readers read ahead of it, a run decides, reports,
// logs and changes the same, in the same order, and so does the rescan after it.
void TestMirroring::readAheadDecidesAsTheWalkAlone()
{
    QFETCH(bool, test);
    QFETCH(int, order);
    QFETCH(QString, stopAt);
    QStringList outcome[2];
    for (const int readers : {0, 2}) {
        RunFixture fixture;
        fixture.readers = readers;
        MakeMixedTrees(fixture);
        fixture.options.OutputLog = true;
        fixture.options.LogFileName = fixture.master + QStringLiteral("run.log");
        fixture.host.onStatus = [&](const QString &, const QString &path) {
            if (!stopAt.isEmpty() && path == stopAt && fixture.stopFlag)
                *fixture.stopFlag = true;
        };
        CFolderSetting s = fixture.Setting();
        s.Mirroring = true;
        s.BackupType = BackupOrder(order);
        s.CopyFolderTime = true;
        QStringList &seen = outcome[readers ? 1 : 0];
        for (int round = 0; round < 2; ++round) {
            fixture.host.rows.clear();
            fixture.host.questions.clear();
            fixture.RunOne(s, test);
            seen << QStringLiteral("round %1: result %2, errors %3").arg(round).arg(fixture.Result()).arg(s.Errors);
            const QStringList rows = fixture.host.BodyRows();
            if (round == 0)
                QVERIFY(rows.size() > 3);
            seen << rows;
            for (const MessageBoxRequest &question : std::as_const(fixture.host.questions))
                seen << QString(question.text).replace(fixture.dir.path(), QStringLiteral("<dir>"));
            seen << Outcome(fixture.dir.path());
        }
    }
    QCOMPARE(outcome[1], outcome[0]);
}

QTEST_APPLESS_MAIN(TestMirroring)
#include "tst_mirroring.moc"
