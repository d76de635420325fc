#include "ScriptedRunHost.h"

#include "engine/ChangeJournal.h"
#include "engine/FileOperations.h"
#include "engine/RunReporter.h"
#include "engine/RunState.h"
#include "engine/TargetFilter.h"
#include "engine/TreeWalk.h"
#include "model/AppFlags.h"
#include "model/FolderSetting.h"
#include "model/GlobalOptions.h"
#include "platform/BRegExp.h"
#include "platform/NoSnapshotProvider.h"
#include "platform/PosixFileSystem.h"
#include "platform/VssBackup.h"

#include <QtTest>

// The walk's decisions, built from its parts alone: no run driver, no worker.
class TestTreeWalk : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void compareFile_data();
    void compareFile();
};

void TestTreeWalk::compareFile_data()
{
    QTest::addColumn<bool>("ntfsToFat");
    QTest::addColumn<qint64>("masterSeconds");
    QTest::addColumn<int>("masterNanoseconds");
    QTest::addColumn<qint64>("backupSeconds");
    QTest::addColumn<quint64>("masterSize");
    QTest::addColumn<quint64>("backupSize");
    QTest::addColumn<Comparison>("expected");

    const qint64 t = 1700000000;
    const quint64 big = (quint64(4) << 30) + 10;
    QTest::newRow("fractions are dropped") << false << t << 900000000 << t << quint64(1) << quint64(1) << Comparison::Same;
    QTest::newRow("within the tolerance") << true << t + 2 << 0 << t << quint64(1) << quint64(1) << Comparison::Same;
    QTest::newRow("master newer beyond it") << true << t + 3 << 0 << t << quint64(1) << quint64(1) << Comparison::MasterNewer;
    QTest::newRow("backup newer beyond it") << true << t - 3 << 0 << t << quint64(1) << quint64(1) << Comparison::BackupNewer;
    QTest::newRow("no tolerance without the option") << false << t + 1 << 0 << t << quint64(1) << quint64(1)
                                                      << Comparison::MasterNewer;
    QTest::newRow("same time, sizes apart by 4 GiB") << false << t << 0 << t << quint64(10) << big << Comparison::SizeDiffers;
    QTest::newRow("before 1900 counts as 0") << false << qint64(-2208988801) << 0 << qint64(0) << quint64(1) << quint64(1)
                                             << Comparison::Same;
}

void TestTreeWalk::compareFile()
{
    QFETCH(bool, ntfsToFat);
    QFETCH(qint64, masterSeconds);
    QFETCH(int, masterNanoseconds);
    QFETCH(qint64, backupSeconds);
    QFETCH(quint64, masterSize);
    QFETCH(quint64, backupSize);
    QFETCH(Comparison, expected);

    CFolderSetting setting;
    setting.NtfsToFat = ntfsToFat;
    setting.LeaveTime = 2;
    std::atomic<bool> stop{false};
    CRunState state(false, stop);
    state.setting = &setting;
    ScriptedRunHost host;
    AppFlags flags;
    GlobalOptions options;
    CRunReporter reporter(host, state, flags, options);
    PosixFileSystem disk;
    CVssBackup shadowCopy(disk, std::make_unique<NoSnapshotProvider>(), [](const QString &) { return QString(); });
    CFileOperations operations(state, reporter, disk, shadowCopy);
    CBRegExp files, folders;
    CTargetFilter filter(files, folders);
    const CChangeJournal journal;
    const CTreeWalk walk(state, reporter, operations, filter, disk, journal);

    FileStatus master, backup;
    master.lastWrite = {masterSeconds, masterNanoseconds};
    master.size = masterSize;
    backup.lastWrite = {backupSeconds, 0};
    backup.size = backupSize;
    QCOMPARE(walk.CompareFile(master, backup), expected);
    QVERIFY(host.rows.isEmpty());
}

QTEST_GUILESS_MAIN(TestTreeWalk)
#include "tst_treewalk.moc"
