#include "app/FirstStartQuestion.h"
#include "config/Configuration.h"
#include "config/SettingsStore.h"
#include "model/AppFlags.h"
#include "platform/RegistryDatabase.h"

#include "ConfigTestSupport.h"
#include "TestSupport.h"

#include <QtTest>

#include <memory>

using testsupport::ReadFile;

namespace {

const QString SaveKey = CSettingsStore::RegistryRoot() + "\\Save";

// One start of the program on the files of a temporary folder.
struct Start {
    AppFlags flags;
    ScriptedPresenter boxes;
    std::unique_ptr<CConfiguration> config;

    Start(const QTemporaryDir &dir, std::initializer_list<MessageAnswer> answers = {}, bool forceIni = false, bool logoff = false)
    {
        flags.ForceIni = forceIni;
        flags.LogoffMode = logoff;
        boxes.answers = answers;
        config = std::make_unique<CConfiguration>(flags, boxes, dir.filePath("config/registry.sqlite3"));
        config->Store().SetIniPath(dir.filePath("program/orvane.ini"));
        QDir().mkpath(dir.filePath("program"));
    }
    CSettingsStore &store() { return config->Store(); }
    // The decision of start-up: stored choice, or the question.
    bool Decide() { return CFirstStartQuestion(store(), flags, boxes).Decide(); }
};

QString IniPath(const QTemporaryDir &dir)
{
    return dir.filePath("program/orvane.ini");
}

QString RegistryPath(const QTemporaryDir &dir)
{
    return dir.filePath("config/registry.sqlite3");
}

// -1 when the copy is missing.
qint32 RegistryCopy(const QTemporaryDir &dir)
{
    CRegistryDatabase db(RegistryPath(dir));
    return ReadRegistryDword(db, SaveKey, "SaveRegistory", -1);
}

qint32 IniCopy(const QTemporaryDir &dir)
{
    ScriptedPresenter boxes;
    CSettingsStore store(boxes, RegistryPath(dir));
    store.SetIniPath(IniPath(dir));
    return store.ReadSettingInt("Save", "SaveRegistory", -1, true);
}

void StoreCopies(const QTemporaryDir &dir, qint32 registry, qint32 ini)
{
    if (registry != -1) {
        CRegistryDatabase db(RegistryPath(dir));
        db.WriteDword(SaveKey, "SaveRegistory", registry);
    }
    if (ini != -1) {
        Start start(dir);
        start.store().WriteSettingInt("Save", "SaveRegistory", ini, true);
    }
}

} // namespace

class TestFirstStart : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void questionAsksWithTheRightBox();
    void yesKeepsSettingsInTheRegistry();
    void noCreatesTheIniFileOnly();
    void answerThatCannotBeRecorded_data();
    void answerThatCannotBeRecorded();
    void cancelWritesNothing_data();
    void cancelWritesNothing();
    void storedChoiceIsUsedWithoutAsking_data();
    void storedChoiceIsUsedWithoutAsking();
    void forcedIniAsksNothing();
    void globalSaveKeepsEveryCopyCurrent_data();
    void globalSaveKeepsEveryCopyCurrent();
    void iniStartOverridesARegistryChoiceAtTheGlobalSave();
    void logoffStartSavesNothingGlobal();
    void cancelledStartSavesNothingGlobal();
};

void TestFirstStart::questionAsksWithTheRightBox()
{
    QTemporaryDir dir;
    Start start(dir, {MessageAnswer::Cancel});
    start.Decide();
    QCOMPARE(start.boxes.boxes.size(), size_t(1));
    const ScriptedPresenter::Box &box = start.boxes.boxes[0];
    QVERIFY(box.text.startsWith(u"Orvane をご利用いただき、ありがとうございます。\n"_qs));
    QVERIFY(box.text.contains(u"設定をレジストリに保存しますか？"_qs));
    QVERIFY(box.text.endsWith(u"[キャンセル] 選択せず、このままプログラムを終了します。"_qs));
    QCOMPARE(box.caption, QString("Orvane Unicode"));
    QCOMPARE(box.buttons, MessageButtons::YesNoCancel);
    QCOMPARE(box.icon, MessageIcon::Question);
    QCOMPARE(box.DefaultAnswer(), MessageAnswer::Cancel);
    QVERIFY(box.topMost);
}

void TestFirstStart::yesKeepsSettingsInTheRegistry()
{
    QTemporaryDir dir;
    {
        Start start(dir, {MessageAnswer::Yes});
        QVERIFY(start.Decide());
        QVERIFY(start.store().UseRegistry());
    }
    QCOMPARE(RegistryCopy(dir), 1);
    QVERIFY(!QFileInfo::exists(IniPath(dir)));

    Start next(dir);
    QVERIFY(next.Decide());
    QVERIFY(next.store().UseRegistry());
    QVERIFY(next.boxes.boxes.empty());
}

void TestFirstStart::noCreatesTheIniFileOnly()
{
    QTemporaryDir dir;
    {
        Start start(dir, {MessageAnswer::No});
        QVERIFY(start.Decide());
        QVERIFY(!start.store().UseRegistry());
    }
    QCOMPARE(ReadFile(IniPath(dir)), IniBytes("[Save]\r\nSaveRegistory=0\r\n"));
    QVERIFY(!QFileInfo::exists(RegistryPath(dir)));

    Start next(dir);
    next.store().SetUseRegistry(true);
    QVERIFY(next.Decide());
    QVERIFY(!next.store().UseRegistry());
    QVERIFY(next.boxes.boxes.empty());
}

void TestFirstStart::answerThatCannotBeRecorded_data()
{
    QTest::addColumn<MessageAnswer>("answer");
    QTest::addColumn<QString>("blockedFolder");   // a file holds its name
    QTest::addColumn<QString>("caption");
    QTest::newRow("Yes, the registry's folder is a file") << MessageAnswer::Yes << "config" << u"レジストリへの保存"_qs;
    QTest::newRow("No, the program's folder is a file") << MessageAnswer::No << "program" << u"INI ファイルのオープン"_qs;
}

void TestFirstStart::answerThatCannotBeRecorded()
{
    QFETCH(MessageAnswer, answer);
    QFETCH(QString, blockedFolder);
    QFETCH(QString, caption);
    QTemporaryDir dir;
    QVERIFY(testsupport::WriteFile(dir.filePath(blockedFolder), "not a folder"));
    Start start(dir, {answer});
    // The user is told, and this start goes on with the answer.
    QVERIFY(start.Decide());
    QCOMPARE(start.store().UseRegistry(), answer == MessageAnswer::Yes);
    QCOMPARE(start.boxes.boxes.size(), size_t(2));
    QCOMPARE(start.boxes.boxes[1].caption, caption);
    QCOMPARE(start.boxes.boxes[1].icon, MessageIcon::Error);
    // Nothing was stored, so the next start asks again.
    QVERIFY(QFile::remove(dir.filePath(blockedFolder)));
    Start next(dir, {MessageAnswer::Cancel});
    QVERIFY(!next.Decide());
    QCOMPARE(next.boxes.boxes.size(), size_t(1));
}

void TestFirstStart::cancelWritesNothing_data()
{
    QTest::addColumn<MessageAnswer>("answer");
    QTest::newRow("Cancel") << MessageAnswer::Cancel;
    QTest::newRow("no box could be shown") << MessageAnswer::None;
}

void TestFirstStart::cancelWritesNothing()
{
    QFETCH(MessageAnswer, answer);
    QTemporaryDir dir;
    Start start(dir, {answer});
    QVERIFY(!start.Decide());
    QVERIFY(!QFileInfo::exists(IniPath(dir)));
    QVERIFY(!QFileInfo::exists(QFileInfo(RegistryPath(dir)).path()));
}

void TestFirstStart::storedChoiceIsUsedWithoutAsking_data()
{
    QTest::addColumn<qint32>("registryCopy");
    QTest::addColumn<qint32>("iniCopy");
    QTest::addColumn<bool>("useRegistry");

    QTest::newRow("registry copy 1") << 1 << -1 << true;
    QTest::newRow("registry copy 0") << 0 << -1 << false;
    QTest::newRow("INI copy 1") << -1 << 1 << true;
    QTest::newRow("INI copy 0") << -1 << 0 << false;
    QTest::newRow("any other number counts as yes") << 7 << -1 << true;
    QTest::newRow("both: the registry decides, 0") << 0 << 1 << false;
    QTest::newRow("both: the registry decides, 1") << 1 << 0 << true;
}

void TestFirstStart::storedChoiceIsUsedWithoutAsking()
{
    QFETCH(qint32, registryCopy);
    QFETCH(qint32, iniCopy);
    QFETCH(bool, useRegistry);
    QTemporaryDir dir;
    StoreCopies(dir, registryCopy, iniCopy);
    const QByteArray iniBefore = ReadFile(IniPath(dir));
    Start start(dir);
    QVERIFY(start.Decide());
    QCOMPARE(start.store().UseRegistry(), useRegistry);
    QVERIFY(start.boxes.boxes.empty());
    QCOMPARE(ReadFile(IniPath(dir)), iniBefore);
}

void TestFirstStart::forcedIniAsksNothing()
{
    QTemporaryDir dir;
    StoreCopies(dir, 1, -1);
    Start start(dir, {}, true);
    QVERIFY(start.Decide());
    QVERIFY(start.boxes.boxes.empty());
    start.config->LoadGlobalSettings();
    QVERIFY(!start.store().UseRegistry());
}

void TestFirstStart::globalSaveKeepsEveryCopyCurrent_data()
{
    QTest::addColumn<qint32>("registryBefore");
    QTest::addColumn<qint32>("iniBefore");
    QTest::addColumn<bool>("useRegistry");
    QTest::addColumn<qint32>("registryAfter");
    QTest::addColumn<qint32>("iniAfter");

    QTest::newRow("registry user, no INI copy: no INI file appears") << 1 << -1 << true << 1 << -1;
    QTest::newRow("INI user, no registry copy: no registry value appears") << -1 << 0 << false << -1 << 0;
    QTest::newRow("switched to the registry: both copies say so") << 0 << 0 << true << 1 << 1;
    QTest::newRow("switched to the INI file: both copies say so") << 1 << 1 << false << 0 << 0;
    QTest::newRow("nothing stored, registry") << -1 << -1 << true << 1 << -1;
    QTest::newRow("nothing stored, INI file") << -1 << -1 << false << -1 << 0;
}

void TestFirstStart::globalSaveKeepsEveryCopyCurrent()
{
    QFETCH(qint32, registryBefore);
    QFETCH(qint32, iniBefore);
    QFETCH(bool, useRegistry);
    QFETCH(qint32, registryAfter);
    QFETCH(qint32, iniAfter);
    QTemporaryDir dir;
    StoreCopies(dir, registryBefore, iniBefore);
    {
        Start start(dir);
        start.store().SetUseRegistry(useRegistry);
        start.store().WriteStoreChoice();
    }
    QCOMPARE(RegistryCopy(dir), registryAfter);
    QCOMPARE(IniCopy(dir), iniAfter);
    QCOMPARE(QFileInfo::exists(IniPath(dir)), iniAfter != -1);
}

void TestFirstStart::iniStartOverridesARegistryChoiceAtTheGlobalSave()
{
    QTemporaryDir dir;
    StoreCopies(dir, 1, -1);
    {
        Start start(dir, {}, true);
        QVERIFY(start.Decide());
        start.config->LoadGlobalSettings();
        start.config->SaveGlobalSettings();
    }
    QCOMPARE(RegistryCopy(dir), 0);
    QCOMPARE(IniCopy(dir), 0);
}

void TestFirstStart::logoffStartSavesNothingGlobal()
{
    QTemporaryDir dir;
    StoreCopies(dir, 1, -1);
    {
        Start start(dir, {}, true, true);
        QVERIFY(start.Decide());
        start.config->LoadGlobalSettings();
        start.config->SaveGlobalSettings();
    }
    QCOMPARE(RegistryCopy(dir), 1);
    QVERIFY(!QFileInfo::exists(IniPath(dir)));
}

void TestFirstStart::cancelledStartSavesNothingGlobal()
{
    QTemporaryDir dir;
    {
        Start start(dir, {MessageAnswer::Cancel});
        QVERIFY(!start.Decide());
        start.config->SetGlobalSaveSuppressed(true);
        start.config->SaveGlobalSettings();
    }
    QVERIFY(!QFileInfo::exists(IniPath(dir)));
    QVERIFY(!QFileInfo::exists(RegistryPath(dir)));
}

QTEST_APPLESS_MAIN(TestFirstStart)
#include "tst_firststart.moc"
