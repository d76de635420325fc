#include "model/FolderSetting.h"
#include "model/FolderSettingField.h"
#include "model/MirroringDefine.h"

#include <QtTest>

class TestFolderSetting : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void newAndLoadDefaultsDifferOnlyInNameAndClearLog();
    void loadRules_data();
    void loadRules();
    void everyKeyRoundTripsThroughItsStoredForm();
    void storedTimesAreUnsigned32Bit_data();
    void storedTimesAreUnsigned32Bit();
    void sizeThresholdText_data();
    void sizeThresholdText();
    void keysAreFoundWithoutRegardToCase();

    void fillAppendStopsAtCapacity();
    void fillReplacesFromIndexZero();
    void assignCopiesRecordsBeyondCount();
    void adoptTakesTableAndClampsCount();
};

void TestFolderSetting::newAndLoadDefaultsDifferOnlyInNameAndClearLog()
{
    const CFolderSetting created;
    QCOMPARE(created.Name, QStringLiteral(u"新しい設定"));
    QVERIFY(created.ClearLog);
    QCOMPARE(created.Errors, -1);
    QCOMPARE(created.TargetType, 1);
    QCOMPARE(created.NetPathRetryCount, 3);

    CFolderSetting loaded = CFolderSetting::WithLoadDefaults();
    QCOMPARE(loaded.Name, QStringLiteral(u"無題"));
    QVERIFY(!loaded.ClearLog);
    loaded.Name = created.Name;
    loaded.ClearLog = created.ClearLog;
    QVERIFY(loaded == created);
}

void TestFolderSetting::loadRules_data()
{
    QTest::addColumn<int>("retryCount");
    QTest::addColumn<int>("errors");
    QTest::addColumn<int>("expectedRetryCount");
    QTest::addColumn<int>("expectedErrors");

    QTest::newRow("valid values stay") << 5 << 7 << 5 << 7;
    QTest::newRow("zero retries become one") << 0 << 0 << 1 << 0;
    QTest::newRow("negative retries become one") << -5 << 0 << 1 << 0;
    QTest::newRow("running becomes unknown") << 3 << -2 << 3 << -1;
    QTest::newRow("volume skip becomes unknown") << 3 << -3 << 3 << -1;
    QTest::newRow("most negative becomes unknown") << 3 << std::numeric_limits<int>::min() << 3 << -1;
}

void TestFolderSetting::loadRules()
{
    QFETCH(int, retryCount);
    QFETCH(int, errors);
    CFolderSetting record;
    record.NetPathRetryCount = retryCount;
    record.Errors = errors;
    record.ApplyLoadRules();
    QTEST(record.NetPathRetryCount, "expectedRetryCount");
    QTEST(record.Errors, "expectedErrors");
}

void TestFolderSetting::everyKeyRoundTripsThroughItsStoredForm()
{
    // A record in which every field differs from the load defaults.
    CFolderSetting source;
    source.LastExec = 1700000000;
    source.AutoExec = false;
    source.Name = QStringLiteral(u"写真\tの=設定;");
    source.Master = QStringLiteral("%HOME%/master");
    source.Backup = QStringLiteral("/backup");
    source.Target = QStringLiteral("t");
    source.Volume = QStringLiteral("USB");
    source.Mirroring = false;
    source.BackupType = BackupOrder::MirroringFirst;
    source.DeleteConf = source.DeleteRecycleBin = true;
    source.OverWrite = source.SubDir = false;
    source.CheckVolume = source.VolErrorSkip = true;
    source.TargetType = 3;
    source.TargetFile = QStringLiteral("*.txt");
    source.TargetDirectory = QStringLiteral("tmp*");
    source.DeleteIgnoreTarget = source.SkipTargetFileSize = true;
    source.TargetFileSize = 500;
    source.TargetFileSizeUnit = 2;
    source.NtfsToFat = false;
    source.LeaveTime = 9;
    source.ErrorLeave = source.CopyLockedFile = source.ErrorNetPathRetry = true;
    source.NetPathRetryCount = 7;
    source.CheckFileName = source.CopyFileTimeAll = source.CopyFolderTime = source.RenameCapital = true;
    source.ShowSkipFile = false;
    source.MakeDateDir = true;
    source.TargetDateType = 2;
    source.TargetDate = 1600000000;
    source.ScheduleType = ScheduleKind::EveryHours;
    source.ScheduleTime = 24;
    source.OutputLog = source.OutputErrorOnly = true;
    source.OutputSkipLog = false;
    source.LogFileName = QStringLiteral("/tmp/x.log");
    source.ClearLog = source.WriteLogImmediately = true;
    source.Errors = 4;

    CFolderSetting target = CFolderSetting::WithLoadDefaults();
    QVERIFY(!(target == source));
    for (const FolderSettingField &field : FolderSettingField::All()) {
        if (field.IsStoredAsText())
            field.SetFromStoredText(target, field.StoredText(source));
        else
            field.SetFromStoredInteger(target, field.StoredInteger(source));
    }
    QVERIFY(target == source);
}

void TestFolderSetting::storedTimesAreUnsigned32Bit_data()
{
    QTest::addColumn<qint64>("time");
    QTest::newRow("never") << qint64(0);
    QTest::newRow("2023") << qint64(1700000000);
    QTest::newRow("after 2038") << qint64(3000000000);
    QTest::newRow("last second of 2106") << qint64(4294967295);
}

void TestFolderSetting::storedTimesAreUnsigned32Bit()
{
    QFETCH(qint64, time);
    const FolderSettingField *field = FolderSettingField::Find(u"LastExec");
    QVERIFY(field);
    CFolderSetting source;
    source.LastExec = time;
    CFolderSetting target;
    field->SetFromStoredInteger(target, field->StoredInteger(source));
    QCOMPARE(target.LastExec, time);
    QCOMPARE(field->StoredText(source).toInt(), field->StoredInteger(source));
}

void TestFolderSetting::sizeThresholdText_data()
{
    QTest::addColumn<QString>("text");
    QTest::addColumn<int>("value");
    QTest::addColumn<int>("unit");
    QTest::newRow("lower-case unit") << QStringLiteral("2gb") << 2 << 3;
    QTest::newRow("bytes replace the old unit") << QStringLiteral("100") << 100 << 0;
    QTest::newRow("empty text") << QString() << 0 << 0;
    QTest::newRow("megabytes") << QStringLiteral("500MB") << 500 << 2;
}

void TestFolderSetting::sizeThresholdText()
{
    QFETCH(QString, text);
    const FolderSettingField *field = FolderSettingField::Find(u"TargetFileSize");
    QVERIFY(field);
    CFolderSetting record;
    record.TargetFileSize = 77;
    record.TargetFileSizeUnit = 4;
    field->SetFromStoredText(record, text);
    QTEST(record.TargetFileSize, "value");
    QTEST(record.TargetFileSizeUnit, "unit");
}

void TestFolderSetting::keysAreFoundWithoutRegardToCase()
{
    const auto fields = FolderSettingField::All();
    QCOMPARE(fields.size(), std::size_t(45));
    QCOMPARE(fields.front().Key(), u"LastExec");
    QCOMPARE(fields.back().Key(), u"DeleteLimit");
    QCOMPARE(FolderSettingField::Find(u"targetfile"), FolderSettingField::Find(u"TargetFile"));
    QVERIFY(FolderSettingField::Find(u"TargetFile") != FolderSettingField::Find(u"TargetFileSize"));
    QVERIFY(!FolderSettingField::Find(u"TargetFileSizeUnit"));
    QVERIFY(!FolderSettingField::Find(u""));
}

void TestFolderSetting::fillAppendStopsAtCapacity()
{
    CMirroringDefine table;
    table.SetCount(995);
    CFolderSetting records[10];
    for (int i = 0; i < 10; ++i)
        records[i].Name = QString::number(i);
    table.Fill(records, 10, true);
    QCOMPARE(table.Count(), 1000);
    QCOMPARE(table.Records()[995].Name, QStringLiteral("0"));
    QCOMPARE(table.Records()[999].Name, QStringLiteral("4"));
}

void TestFolderSetting::fillReplacesFromIndexZero()
{
    CMirroringDefine table;
    table.SetCount(600);
    CFolderSetting records[2];
    records[1].Name = QStringLiteral("second");
    table.Fill(records, 2, false);
    QCOMPARE(table.Count(), 2);
    QCOMPARE(table.Records()[1].Name, QStringLiteral("second"));
    table.Fill(records, -3, true);
    QCOMPARE(table.Count(), 2);
}

void TestFolderSetting::assignCopiesRecordsBeyondCount()
{
    CMirroringDefine source;
    source.Records()[0].Name = QStringLiteral("in use");
    source.Records()[7].Name = QStringLiteral("beyond count");
    source.SetCount(1);

    CMirroringDefine target;
    target.Records()[7].Name = QStringLiteral("stale");
    target.SetCount(20);
    target.Assign(source);
    QCOMPARE(target.Count(), 1);
    target.SetCount(8);
    QCOMPARE(target.Records()[7].Name, QStringLiteral("beyond count"));

    const CMirroringDefine copy(source);
    QCOMPARE(copy.Records()[7].Name, QStringLiteral("beyond count"));
    QVERIFY(copy.Records() != source.Records());
}

void TestFolderSetting::adoptTakesTableAndClampsCount()
{
    auto table = std::make_unique<CFolderSetting[]>(CMirroringDefine::Capacity);
    table[3].Name = QStringLiteral("adopted");
    CFolderSetting *raw = table.get();
    CMirroringDefine define;
    define.Adopt(std::move(table), 5000);
    QCOMPARE(define.Records(), raw);
    QCOMPARE(define.Count(), 1000);
    QCOMPARE(define.Records()[3].Name, QStringLiteral("adopted"));
}

QTEST_APPLESS_MAIN(TestFolderSetting)
#include "tst_foldersetting.moc"
