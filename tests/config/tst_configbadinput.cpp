#include "config/Configuration.h"
#include "config/IniFile.h"
#include "model/AppFlags.h"
#include "model/MirroringDefine.h"

#include "ConfigTestSupport.h"
#include "TestSupport.h"

#include <QRandomGenerator>
#include <QtTest>

#include <memory>

using testsupport::ReadFile;
using testsupport::WriteFile;

namespace {

struct Env {
    QTemporaryDir dir;
    AppFlags flags;
    ScriptedPresenter boxes;
    bool registry;
    std::unique_ptr<CConfiguration> config;

    explicit Env(bool useRegistry) : registry(useRegistry)
    {
        QDir().mkpath(dir.filePath("program"));
        QDir().mkpath(dir.filePath("config"));
        config = std::make_unique<CConfiguration>(flags, boxes, registryPath());
        config->Store().SetIniPath(iniPath());
        config->Store().SetUseRegistry(registry);
    }
    QString iniPath() const { return dir.filePath("program/orvane.ini"); }
    QString registryPath() const { return dir.filePath("config/registry.sqlite3"); }
};

QByteArray RandomBytes(qsizetype size, quint32 seed)
{
    QByteArray bytes(size, Qt::Uninitialized);
    QRandomGenerator random(seed);
    random.fillRange(reinterpret_cast<quint32 *>(bytes.data()), size / 4);
    return bytes;
}

// What every damaged file below still holds, intact.
const QString Readable = "\r\n[Options]\r\nDivideY=300\r\nProjectCount=3\r\nListCount=1\r\n[Define 0]\r\nName=kept\r\n";

} // namespace

class TestConfigBadInput : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void damagedIniFileKeepsWhatCanBeRead_data();
    void damagedIniFileKeepsWhatCanBeRead();
    void lockedRegistryGivesDefaultsWithoutWaiting();
    void registryThatIsNoDatabaseGivesDefaults();
    void readOnlyProgramFolder();
    void outlandishCounts_data();
    void outlandishCounts();
    void longNames_data();
    void longNames();
};

void TestConfigBadInput::damagedIniFileKeepsWhatCanBeRead_data()
{
    QTest::addColumn<QByteArray>("content");
    const QByteArray garbage = RandomBytes(10 * 1024 * 1024, 7);
    QTest::newRow("odd number of bytes") << IniBytes(Readable) + "A";
    QTest::newRow("no byte-order mark") << Readable.toUtf8();
    QTest::newRow("lines without equals sign") << IniBytes("junk\r\n[Other]\r\nno value here\r\n" + Readable);
    QTest::newRow("sections without bracket") << IniBytes("[Options\r\nDivideY=1\r\n" + Readable + "[Define 0\r\nName=x\r\n");
    QTest::newRow("10 MB of garbage around it, with mark")
        << QByteArray("\xFF\xFE") + garbage + Utf16Le(Readable + "\r\n") + garbage;
    QTest::newRow("10 MB of garbage around it, no mark") << garbage + Readable.toLatin1() + "\r\n" + garbage;
    QTest::newRow("10 MB of zero bytes before it") << QByteArray("\xFF\xFE") + QByteArray(10 * 1024 * 1024, '\0') + Utf16Le(Readable);
}

void TestConfigBadInput::damagedIniFileKeepsWhatCanBeRead()
{
    QFETCH(QByteArray, content);
    Env env(false);
    QVERIFY(WriteFile(env.iniPath(), content));
    env.config->LoadGlobalSettings();
    CMirroringDefine table;
    QCOMPARE(env.config->LoadProjectSettings(table, 0), 1);
    QCOMPARE(env.config->Projects().Count(), 3);
    QCOMPARE(env.config->Options().DivideY, 300);
    QCOMPARE(table.Records()[0].Name, QString("kept"));
    QCOMPARE(table.Records()[0].Errors, -1);   // the rest of the setting: load defaults

    // Saving rewrites the file; what could be read survives it.
    env.config->SaveProjectSettings(table, 1, 0);
    env.config->SaveGlobalSettings();
    Env again(false);
    QVERIFY(QFile::remove(again.iniPath()) || true);
    QVERIFY(QFile::copy(env.iniPath(), again.iniPath()));
    again.config->LoadGlobalSettings();
    QCOMPARE(again.config->Projects().Count(), 3);
    QCOMPARE(again.config->LoadProjectSettings(table, 0), 1);
    QCOMPARE(table.Records()[0].Name, QString("kept"));
    QCOMPARE(again.config->Options().DivideY, 300);
    QVERIFY(env.boxes.boxes.empty());
}

void TestConfigBadInput::lockedRegistryGivesDefaultsWithoutWaiting()
{
    Env env(true);
    env.config->LoadGlobalSettings();
    env.config->Projects().RenameProject(1, "stored");
    env.config->SaveGlobalSettings();
    env.config->SaveProjectSettings(std::vector<CFolderSetting>(3), 0);

    LockingProcess lock(env.registryPath(), "BEGIN EXCLUSIVE");
    QVERIFY(lock.locked());
    ManualClock clock;
    auto locked = std::make_unique<CConfiguration>(env.flags, env.boxes, env.registryPath());
    locked->Store().SetUseRegistry(true);
    locked->Store().Registry().SetClock(clock.Reader());
    locked->LoadGlobalSettings();
    QCOMPARE(locked->Projects().Count(), 32);
    QCOMPARE(locked->Projects().Name(1), u"(名称未設定)"_qs);
    CMirroringDefine table;
    QCOMPARE(locked->LoadProjectSettings(table, 0), 0);
    QVERIFY(env.boxes.boxes.empty());   // reading reports nothing
    locked->Projects().RenameProject(2, "lost");
    QVERIFY(!locked->SaveProjectSettings(std::vector<CFolderSetting>(1000), 0));
    QVERIFY(!locked->SaveGlobalSettings());
    QCOMPARE(locked->Projects().Name(2), QString("lost"));   // memory keeps what it has
    lock.Release();
    // One message for each save, not one for each of its thousands of values.
    QCOMPARE(env.boxes.boxes.size(), size_t(2));
    QCOMPARE(env.boxes.boxes[0].caption, u"レジストリへの保存"_qs);
    QVERIFY(env.boxes.boxes[0].text.contains(env.registryPath()));
    // Until the clock moves on, the store does not even look at the database: the whole load
    // and save above met the lock once, not once for each value.
    QCOMPARE(locked->LoadProjectSettings(table, 0), 0);
    clock.now += CRegistryDatabase::BusyBackoff;
    QCOMPARE(locked->LoadProjectSettings(table, 0), 3);

    // Nothing of the locked start reached the store; what was there before is still there.
    auto after = std::make_unique<CConfiguration>(env.flags, env.boxes, env.registryPath());
    after->Store().SetUseRegistry(true);
    after->LoadGlobalSettings();
    QCOMPARE(after->Projects().Name(1), QString("stored"));
    QCOMPARE(after->Projects().Name(2), u"(名称未設定)"_qs);
    QCOMPARE(after->LoadProjectSettings(table, 0), 3);
}

void TestConfigBadInput::registryThatIsNoDatabaseGivesDefaults()
{
    Env env(true);
    const QByteArray garbage = RandomBytes(64 * 1024, 3);
    QVERIFY(WriteFile(env.registryPath(), garbage));
    env.config->LoadGlobalSettings();
    QCOMPARE(env.config->Projects().Count(), 32);
    QVERIFY(env.boxes.boxes.empty());
    QVERIFY(!env.config->SaveProjectSettings(std::vector<CFolderSetting>(10), 0));
    QVERIFY(!env.config->SaveGlobalSettings());
    CMirroringDefine table;
    QCOMPARE(env.config->LoadProjectSettings(table, 0), 0);
    QCOMPARE(ReadFile(env.registryPath()), garbage);
    QCOMPARE(env.boxes.boxes.size(), size_t(2));
}

void TestConfigBadInput::readOnlyProgramFolder()
{
    Env env(false);
    ReadOnlyFolder readOnly(env.dir.filePath("program"));
    if (!readOnly.active())
        QSKIP("no way to make a folder refuse new files here");
    env.config->LoadGlobalSettings();
    QVERIFY(env.boxes.boxes.empty());   // reading reports nothing
    env.config->Projects().RenameProject(3, "mine");
    QVERIFY(!env.config->SaveProjectSettings(std::vector<CFolderSetting>(100), 0));
    QCOMPARE(env.boxes.boxes.size(), size_t(1));
    QVERIFY(env.boxes.boxes[0].text.contains(env.iniPath()));
    QVERIFY(!env.config->SaveGlobalSettings());
    QCOMPARE(env.boxes.boxes.size(), size_t(2));
    QCOMPARE(env.config->Projects().Name(3), QString("mine"));
    QVERIFY(!QFileInfo::exists(env.iniPath()));
}

void TestConfigBadInput::outlandishCounts_data()
{
    QTest::addColumn<bool>("registry");
    QTest::addColumn<qint32>("stored");
    QTest::addColumn<int>("projects");
    QTest::addColumn<int>("settings");
    for (bool registry : {false, true}) {
        const char *backEnd = registry ? "registry" : "INI";
        QTest::addRow("%s 999999", backEnd) << registry << 999999 << 1000 << 1000;
        QTest::addRow("%s 1001", backEnd) << registry << 1001 << 1000 << 1000;
        QTest::addRow("%s -5", backEnd) << registry << -5 << 1 << 0;
        QTest::addRow("%s 0", backEnd) << registry << 0 << 1 << 0;
        QTest::addRow("%s lowest", backEnd) << registry << qint32(0x80000000u) << 1 << 0;
    }
}

void TestConfigBadInput::outlandishCounts()
{
    QFETCH(bool, registry);
    QFETCH(qint32, stored);
    QFETCH(int, projects);
    QFETCH(int, settings);
    Env env(registry);
    CSettingsStore &store = env.config->Store();
    store.WriteSettingInt("Options", "ProjectCount", stored);
    store.WriteSettingInt("Options", "ListCount", stored);
    store.WriteSettingInt("Options", "Project\\002\\ListCount", stored);
    store.WriteSettingString("Define999", "Name", "last");

    env.config->LoadGlobalSettings();
    QCOMPARE(env.config->Projects().Count(), projects);
    CMirroringDefine table;
    QCOMPARE(env.config->LoadProjectSettings(table, 0), settings);
    QCOMPARE(table.Count(), settings);
    if (settings == 1000)
        QCOMPARE(table.Records()[999].Name, QString("last"));
    std::vector<CFolderSetting> records(5000);
    QCOMPARE(env.config->LoadProjectSettings(records, 2), settings);
    // Saving more than a table holds writes no more than a table holds.
    records[999].Name = "last kept";
    records[1000].Name = "beyond";
    env.config->SaveProjectSettings(records, 4);
    QCOMPARE(store.ReadSettingInt("Options", "Project\\004\\ListCount", -1), 1000);
    QCOMPARE(store.ReadSettingString("Project\\004\\Define999", "Name", "none"), QString("last kept"));
    QCOMPARE(store.ReadSettingString("Project\\004\\Define1000", "Name", "none"), QString("none"));
    env.config->DeleteProjectSettings(stored, 4);
    QCOMPARE(store.ReadSettingString("Project\\004\\Define999", "Name", "none"), QString(stored > 0 ? "none" : "last kept"));
}

void TestConfigBadInput::longNames_data()
{
    QTest::addColumn<bool>("registry");
    QTest::newRow("INI") << false;
    QTest::newRow("registry") << true;
}

void TestConfigBadInput::longNames()
{
    QFETCH(bool, registry);
    Env env(registry);
    const QString name(5000, u'長');
    env.config->LoadGlobalSettings();
    env.config->Projects().RenameProject(1, name);
    std::vector<CFolderSetting> records(1);
    records[0].Name = name;
    records[0].Master = QString(5000, u'm');
    env.config->SaveProjectSettings(records, 1);
    env.config->SaveGlobalSettings();

    auto again = std::make_unique<CConfiguration>(env.flags, env.boxes, env.registryPath());
    again->Store().SetIniPath(env.iniPath());
    again->Store().SetUseRegistry(registry);
    again->LoadGlobalSettings();
    CMirroringDefine table;
    QCOMPARE(again->LoadProjectSettings(table, 1), 1);
    const int kept = registry ? 5000 : 2047;
    QCOMPARE(again->Projects().Name(1), name.left(kept));
    QCOMPARE(table.Records()[0].Name, name.left(kept));
    QCOMPARE(table.Records()[0].Master.size(), kept);
}

QTEST_APPLESS_MAIN(TestConfigBadInput)
#include "tst_configbadinput.moc"
