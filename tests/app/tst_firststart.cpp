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

using Decision = CFirstStartQuestion::Decision;

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
    Decision Decide() { return CFirstStartQuestion(store(), flags, boxes).Decide(); }
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
    void iniThatCannotBeWritten_data();
    void iniThatCannotBeWritten();
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
        QCOMPARE(start.Decide(), Decision::Go);
        QVERIFY(start.store().UseRegistry());
    }
    QCOMPARE(RegistryCopy(dir), 1);
    QVERIFY(!QFileInfo::exists(IniPath(dir)));

    Start next(dir);
    QCOMPARE(next.Decide(), Decision::Go);
    QVERIFY(next.store().UseRegistry());
    QVERIFY(next.boxes.boxes.empty());
}

void TestFirstStart::noCreatesTheIniFileOnly()
{
    QTemporaryDir dir;
    {
        Start start(dir, {MessageAnswer::No});
        QCOMPARE(start.Decide(), Decision::Go);
        QVERIFY(!start.store().UseRegistry());
    }
    QCOMPARE(ReadFile(IniPath(dir)), IniBytes("[Save]\r\nSaveRegistory=0\r\n"));
    QVERIFY(!QFileInfo::exists(RegistryPath(dir)));

    Start next(dir);
    next.store().SetUseRegistry(true);
    QCOMPARE(next.Decide(), Decision::Go);
    QVERIFY(!next.store().UseRegistry());
    QVERIFY(next.boxes.boxes.empty());
}

void TestFirstStart::answerThatCannotBeRecorded_data()
{
    QTest::addColumn<MessageAnswer>("answer");
    QTest::addColumn<QString>("blockedFolder");   // a file holds its name
    QTest::addColumn<QString>("caption");
    QTest::newRow("Yes, the registry's folder is a file") << MessageAnswer::Yes << "config" << u"レジストリへの保存"_qs;
    // No with a program folder that cannot take the INI file is found before anything is
    // written: iniThatCannotBeWritten.
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
    QCOMPARE(start.Decide(), Decision::Go);
    QCOMPARE(start.store().UseRegistry(), answer == MessageAnswer::Yes);
    QCOMPARE(start.boxes.boxes.size(), size_t(2));
    QCOMPARE(start.boxes.boxes[1].caption, caption);
    QCOMPARE(start.boxes.boxes[1].icon, MessageIcon::Error);
    // Nothing was stored, so the next start asks again.
    QVERIFY(QFile::remove(dir.filePath(blockedFolder)));
    Start next(dir, {MessageAnswer::Cancel});
    QCOMPARE(next.Decide(), Decision::Cancelled);
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
    QCOMPARE(start.Decide(), Decision::Cancelled);
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
    QCOMPARE(start.Decide(), Decision::Go);
    QCOMPARE(start.store().UseRegistry(), useRegistry);
    QVERIFY(start.boxes.boxes.empty());
    QCOMPARE(ReadFile(IniPath(dir)), iniBefore);
}

void TestFirstStart::forcedIniAsksNothing()
{
    QTemporaryDir dir;
    StoreCopies(dir, 1, -1);
    Start start(dir, {}, true);
    QCOMPARE(start.Decide(), Decision::Go);
    QVERIFY(start.boxes.boxes.empty());
    start.config->LoadGlobalSettings();
    QVERIFY(!start.store().UseRegistry());
}

void TestFirstStart::iniThatCannotBeWritten_data()
{
    QTest::addColumn<qint32>("registryBefore");   // -1: no copy
    QTest::addColumn<bool>("forceIni");
    QTest::addColumn<QList<MessageAnswer>>("answers");
    QTest::addColumn<Decision>("decision");
    QTest::addColumn<qint32>("registryAfter");
    QTest::addColumn<MessageIcon>("lastIcon");

    using A = MessageAnswer;
    QTest::newRow("first start, No, then the user database")
        << -1 << false << QList{A::No, A::Yes} << Decision::Go << 1 << MessageIcon::Warning;
    QTest::newRow("first start, No, then no store at all")
        << -1 << false << QList{A::No, A::No} << Decision::IniNotWritable << -1 << MessageIcon::Warning;
    QTest::newRow("first start, No, the offer closed unanswered")
        << -1 << false << QList{A::No, A::None} << Decision::IniNotWritable << -1 << MessageIcon::Warning;
    QTest::newRow("stored INI choice, switched to the user database")
        << 0 << false << QList{A::Yes} << Decision::Go << 1 << MessageIcon::Warning;
    QTest::newRow("stored INI choice, left as it was")
        << 0 << false << QList{A::No} << Decision::IniNotWritable << 0 << MessageIcon::Warning;
    QTest::newRow("ini= or logoff: told, and the stored registry choice stays")
        << 1 << true << QList<A>{} << Decision::IniNotWritable << 1 << MessageIcon::Error;
}

// The program's folder is a file here, which refuses the INI file to root as well; the same
// decisions with a folder that only its permissions close are tested as an ordinary user in
// tst_readonlyprogramfolder.
void TestFirstStart::iniThatCannotBeWritten()
{
    QFETCH(qint32, registryBefore);
    QFETCH(bool, forceIni);
    QFETCH(QList<MessageAnswer>, answers);
    QFETCH(Decision, decision);
    QFETCH(qint32, registryAfter);
    QFETCH(MessageIcon, lastIcon);
    QTemporaryDir dir;
    StoreCopies(dir, registryBefore, -1);
    QVERIFY(testsupport::WriteFile(dir.filePath("program"), "not a folder"));
    {
        Start start(dir, {}, forceIni);
        start.boxes.answers.assign(answers.begin(), answers.end());
        QCOMPARE(start.Decide(), decision);
        if (decision == Decision::Go)
            QVERIFY(start.store().UseRegistry());
        QCOMPARE(start.boxes.boxes.size(), size_t(forceIni ? 1 : answers.size()));
        // The last box says which folder refused the file, and where the settings can go instead.
        const ScriptedPresenter::Box &box = start.boxes.boxes.back();
        QCOMPARE(box.icon, lastIcon);
        QCOMPARE(box.caption, u"INI ファイルのオープン"_qs);
        QVERIFY2(box.text.contains(u"フォルダ %1 に書き込めません"_qs.arg(dir.filePath("program"))), qPrintable(box.text));
        QVERIFY2(box.text.contains(RegistryPath(dir)), qPrintable(box.text));
        QVERIFY2(box.text.contains(u"ポータブル版"_qs), qPrintable(box.text));
        if (!forceIni) {
            QCOMPARE(box.buttons, MessageButtons::YesNo);
            QCOMPARE(box.unattended, MessageAnswer::No);
        }
    }
    QCOMPARE(RegistryCopy(dir), registryAfter);
    QCOMPARE(ReadFile(dir.filePath("program")), QByteArray("not a folder"));
    if (registryBefore == -1 && registryAfter == -1)
        QVERIFY(!QFileInfo::exists(RegistryPath(dir)));
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
        QCOMPARE(start.Decide(), Decision::Go);
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
        QCOMPARE(start.Decide(), Decision::Go);
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
        QCOMPARE(start.Decide(), Decision::Cancelled);
        start.config->SetGlobalSaveSuppressed(true);
        start.config->SaveGlobalSettings();
    }
    QVERIFY(!QFileInfo::exists(IniPath(dir)));
    QVERIFY(!QFileInfo::exists(RegistryPath(dir)));
}

QTEST_APPLESS_MAIN(TestFirstStart)
#include "tst_firststart.moc"
