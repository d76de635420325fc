// The last result the folder-setting list shows for a record.

#include "model/FolderSetting.h"
#include "model/SettingListText.h"

#include <QTest>

#include <ctime>

namespace {

constexpr qint64 Jan31 = 1706742309;   // 2024-01-31 23:05:09 UTC

void SetTimeZone(const QByteArray &zone)
{
    qputenv("TZ", zone);
    tzset();
}

} // namespace

class tst_SettingListText : public QObject {
    Q_OBJECT

private slots:
    void init();
    void lastResult_data();
    void lastResult();
    void lastRunTimeIsLocal_data();
    void lastRunTimeIsLocal();
};

void tst_SettingListText::init()
{
    SetTimeZone("UTC0");
}

void tst_SettingListText::lastResult_data()
{
    QTest::addColumn<qint64>("lastExec");
    QTest::addColumn<int>("errors");
    QTest::addColumn<QString>("text");

    QTest::newRow("never ran") << qint64(0) << -1 << u"--/-- --:--:-- 不明"_qs;
    QTest::newRow("edited after a run") << Jan31 << -1 << u"01/31 23:05:09 不明"_qs;
    QTest::newRow("no errors") << Jan31 << 0 << u"01/31 23:05:09 正常終了"_qs;
    QTest::newRow("three errors") << Jan31 << 3 << u"01/31 23:05:09 3件のエラー"_qs;
    QTest::newRow("running: no time") << Jan31 << -2 << u"現在実行中!!"_qs;
    QTest::newRow("volume skip: no time") << Jan31 << -3 << u"スキップ"_qs;
    QTest::newRow("single digits are padded") << qint64(1704070861) << 0 << u"01/01 01:01:01 正常終了"_qs;
    QTest::newRow("past 2038") << qint64(4294967295LL) << 0 << u"02/07 06:28:15 正常終了"_qs;
}

void tst_SettingListText::lastResult()
{
    QFETCH(qint64, lastExec);
    QFETCH(int, errors);
    QFETCH(QString, text);
    CFolderSetting setting;
    setting.LastExec = lastExec;
    setting.Errors = errors;
    QCOMPARE(CSettingListText::LastResult(setting), text);
    QCOMPARE(CSettingListText::Text(setting, SettingListColumn::LastResult), text);
}

void tst_SettingListText::lastRunTimeIsLocal_data()
{
    QTest::addColumn<QByteArray>("zone");
    QTest::addColumn<QString>("time");

    QTest::newRow("UTC") << QByteArray("UTC0") << u"01/31 23:05:09"_qs;
    QTest::newRow("nine hours east: next day, next month") << QByteArray("JST-9") << u"02/01 08:05:09"_qs;
}

void tst_SettingListText::lastRunTimeIsLocal()
{
    QFETCH(QByteArray, zone);
    QFETCH(QString, time);
    SetTimeZone(zone);
    QCOMPARE(CSettingListText::LastRunTime(Jan31), time);
    QCOMPARE(CSettingListText::LastRunTime(0), u"--/-- --:--:--"_qs);
}

QTEST_APPLESS_MAIN(tst_SettingListText)
#include "tst_settinglisttext.moc"
