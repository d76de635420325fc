#include "config/IniFile.h"
#include "config/SettingsStore.h"
#include "platform/Text.h"

#include "ConfigTestSupport.h"
#include "TestSupport.h"

#include <QtTest>

#include <cerrno>
#include <climits>
#include <memory>

using testsupport::ReadFile;
using testsupport::WriteFile;

namespace {

struct StoreEnv {
    QTemporaryDir dir;
    ScriptedPresenter boxes;
    std::unique_ptr<CSettingsStore> store;

    explicit StoreEnv(bool registry)
    {
        QDir().mkpath(programFolder());
        store = std::make_unique<CSettingsStore>(boxes, registryPath());
        store->SetIniPath(iniPath());
        store->SetUseRegistry(registry);
    }
    QString programFolder() const { return dir.filePath("program"); }
    QString iniPath() const { return dir.filePath("program/orvane.ini"); }
    QString registryPath() const { return dir.filePath("config/registry.sqlite3"); }
    // A second start of the program on the same files.
    std::unique_ptr<CSettingsStore> Reopen(bool registry)
    {
        auto again = std::make_unique<CSettingsStore>(boxes, registryPath());
        again->SetIniPath(iniPath());
        again->SetUseRegistry(registry);
        return again;
    }
};

QString Root()
{
    return CSettingsStore::RegistryRoot();
}

} // namespace

class TestSettingsStore : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void integersRoundTrip_data();
    void integersRoundTrip();
    void textsRoundTrip_data();
    void textsRoundTrip();
    void integersAreStoredAsSignedDecimalText();
    void parseIniInt_data();
    void parseIniInt();
    void missingAndMistypedValuesGiveTheDefault_data();
    void missingAndMistypedValuesGiveTheDefault();
    void sectionsNestInTheRegistryOnly();
    void deletingKeysAndSections_data();
    void deletingKeysAndSections();
    void forceIniBypassesTheRegistry();

    void buildIniPath_data();
    void buildIniPath();
    void iniFileExists();
    void prepareIniFile();
    void readingCreatesNoFile_data();
    void readingCreatesNoFile();
    void unwritableFolderIsReportedOncePerWriteOrBatch();
    void overlongIniPathIsNeverUsed();
    void batchWritesOnceInEachBackEnd_data();
    void batchWritesOnceInEachBackEnd();
};

void TestSettingsStore::integersRoundTrip_data()
{
    QTest::addColumn<bool>("registry");
    QTest::addColumn<qint32>("value");
    for (bool registry : {false, true}) {
        const char *backEnd = registry ? "registry" : "INI";
        for (qint32 value : {0, 1, -1, INT_MAX, INT_MIN, qint32(0x80000000u), qint32(0xFFFFFFFEu)})
            QTest::addRow("%s %d", backEnd, value) << registry << value;
    }
}

void TestSettingsStore::integersRoundTrip()
{
    QFETCH(bool, registry);
    QFETCH(qint32, value);
    StoreEnv env(registry);
    env.store->WriteSettingInt("Define 0", "LastExec", value);
    QCOMPARE(env.Reopen(registry)->ReadSettingInt("define 0", "lastexec", 12345), value);
}

void TestSettingsStore::textsRoundTrip_data()
{
    QTest::addColumn<bool>("registry");
    QTest::addColumn<QString>("text");
    QTest::addColumn<QString>("expected");

    const QString long3000 = QString(3000, u'字');
    QString surrogateAtLimit = QString(2046, u'a') + u"😀"_qs + "tail";
    for (bool registry : {false, true}) {
        const char *backEnd = registry ? "registry" : "INI";
        QTest::addRow("%s Japanese, tab, = and ;", backEnd) << registry << u"日本語\tA=B;C [x]"_qs << u"日本語\tA=B;C [x]"_qs;
        QTest::addRow("%s empty", backEnd) << registry << QString("") << QString("");
        QTest::addRow("%s blanks at both ends", backEnd) << registry << QString("  x  ") << QString("  x  ");
        QTest::addRow("%s path", backEnd) << registry << QString("C:\\Tools\\%USERPROFILE%\\x") << QString("C:\\Tools\\%USERPROFILE%\\x");
        QTest::addRow("%s 2047 characters", backEnd) << registry << QString(2047, u'b') << QString(2047, u'b');
        // The INI file gives at most 2047 characters, and never half of a character.
        QTest::addRow("%s 3000 characters", backEnd) << registry << long3000 << (registry ? long3000 : long3000.left(2047));
        QTest::addRow("%s pair across the limit", backEnd) << registry << surrogateAtLimit
                                                          << (registry ? surrogateAtLimit : surrogateAtLimit.left(2046));
    }
}

void TestSettingsStore::textsRoundTrip()
{
    QFETCH(bool, registry);
    QFETCH(QString, text);
    QFETCH(QString, expected);
    StoreEnv env(registry);
    env.store->WriteSettingString("Project\\001\\Define 0", "Name", text);
    QCOMPARE(env.Reopen(registry)->ReadSettingString("Project\\001\\Define 0", "Name", "default"), expected);
}

void TestSettingsStore::integersAreStoredAsSignedDecimalText()
{
    StoreEnv env(false);
    env.store->WriteSettingInt("S", "a", qint32(0x80000000u));
    env.store->WriteSettingInt("S", "b", -1);
    QCOMPARE(ReadFile(env.iniPath()), IniBytes("[S]\r\na=-2147483648\r\nb=-1\r\n"));
}

void TestSettingsStore::parseIniInt_data()
{
    QTest::addColumn<QString>("text");
    QTest::addColumn<qint32>("expected");
    QTest::newRow("number") << "42" << 42;
    QTest::newRow("negative") << "-42" << -42;
    QTest::newRow("blanks first") << " \t7" << 7;
    QTest::newRow("text after the digits") << "12abc" << 12;
    QTest::newRow("no digit first") << "abc" << 0;
    QTest::newRow("empty") << "" << 0;
    QTest::newRow("only a minus sign") << "-" << 0;
    QTest::newRow("written unsigned") << "4294967295" << -1;
    QTest::newRow("2^31 written unsigned") << "2147483648" << qint32(0x80000000u);
    QTest::newRow("far too long keeps the low 32 bits") << "99999999999" << qint32(99999999999ll & 0xFFFFFFFF);
    QTest::newRow("full-width digits are no digits") << u"１２"_qs << 0;
}

void TestSettingsStore::parseIniInt()
{
    QFETCH(QString, text);
    QFETCH(qint32, expected);
    QCOMPARE(CSettingsStore::ParseIniInt(text), expected);
}

void TestSettingsStore::missingAndMistypedValuesGiveTheDefault_data()
{
    QTest::addColumn<bool>("registry");
    for (bool registry : {false, true})
        QTest::newRow(registry ? "registry" : "INI") << registry;
}

void TestSettingsStore::missingAndMistypedValuesGiveTheDefault()
{
    QFETCH(bool, registry);
    StoreEnv env(registry);
    QCOMPARE(env.store->ReadSettingInt("Nothing", "x", 17), 17);
    QCOMPARE(env.store->ReadSettingString("Nothing", "x", "dflt"), QString("dflt"));
    env.store->WriteSettingString("S", "text", "abc");
    env.store->WriteSettingInt("S", "number", 5);
    QCOMPARE(env.store->ReadSettingInt("S", "missing", 17), 17);
    if (registry) {
        // The registry keeps the type: a text is no number and a number no text.
        QCOMPARE(env.store->ReadSettingInt("S", "text", 17), 17);
        QCOMPARE(env.store->ReadSettingString("S", "number", "dflt"), QString("dflt"));
    } else {
        QCOMPARE(env.store->ReadSettingInt("S", "text", 17), 0);
        QCOMPARE(env.store->ReadSettingString("S", "number", "dflt"), QString("5"));
    }
}

void TestSettingsStore::sectionsNestInTheRegistryOnly()
{
    StoreEnv registry(true);
    registry.store->WriteSettingString("Project\\001\\", "ProjectName", "P");
    registry.store->WriteSettingString("Project\\001\\Define 0", "Name", "N");
    registry.store->WriteSettingInt("Options", "Project\\001\\ListCount", 1);
    CRegistryDatabase &db = registry.store->Registry();
    QCOMPARE(db.ReadValue(Root() + "\\Project\\001", "ProjectName")->text, QString("P"));
    QCOMPARE(db.ReadValue(Root() + "\\Project\\001\\Define 0", "Name")->text, QString("N"));
    QCOMPARE(db.ReadValue(Root() + "\\Options", "Project\\001\\ListCount")->dword, 1);
    QVERIFY(!db.KeyExists(Root() + "\\Options\\Project"));

    StoreEnv ini(false);
    ini.store->WriteSettingString("Project\\001\\", "ProjectName", "P");
    ini.store->WriteSettingString("Project\\001\\Define 0", "Name", "N");
    ini.store->WriteSettingInt("Options", "Project\\001\\ListCount", 1);
    QCOMPARE(ReadFile(ini.iniPath()), IniBytes("[Project\\001\\]\r\nProjectName=P\r\n"
                                               "[Project\\001\\Define 0]\r\nName=N\r\n"
                                               "[Options]\r\nProject\\001\\ListCount=1\r\n"));
    // Without its trailing backslash the INI section is another one.
    QCOMPARE(ini.store->ReadSettingString("Project\\001", "ProjectName", "none"), QString("none"));
    QCOMPARE(registry.store->ReadSettingString("Project\\001", "ProjectName", "none"), QString("P"));
}

void TestSettingsStore::deletingKeysAndSections_data()
{
    QTest::addColumn<bool>("registry");
    for (bool registry : {false, true})
        QTest::newRow(registry ? "registry" : "INI") << registry;
}

void TestSettingsStore::deletingKeysAndSections()
{
    QFETCH(bool, registry);
    StoreEnv env(registry);
    CSettingsStore &store = *env.store;
    store.WriteSettingString("Project\\001\\", "ProjectName", "P");
    store.WriteSettingString("Project\\001\\", "Other", "O");
    store.WriteSettingString("Project\\001\\Define 0", "Name", "N");

    store.DeleteSettingKey("project\\001\\", "OTHER");
    QCOMPARE(store.ReadSettingString("Project\\001\\", "Other", "gone"), QString("gone"));

    // The registry keeps a key that holds nested keys; the INI file has no nesting.
    store.DeleteSettingSection("Project\\001\\");
    QCOMPARE(store.ReadSettingString("Project\\001\\", "ProjectName", "gone"), registry ? QString("P") : QString("gone"));
    QCOMPARE(store.ReadSettingString("Project\\001\\Define 0", "Name", "gone"), QString("N"));

    store.DeleteSettingSection("Project\\001\\Define 0");
    store.DeleteSettingSection("Project\\001\\");
    auto again = env.Reopen(registry);
    QCOMPARE(again->ReadSettingString("Project\\001\\", "ProjectName", "gone"), QString("gone"));
    QCOMPARE(again->ReadSettingString("Project\\001\\Define 0", "Name", "gone"), QString("gone"));
    if (registry)
        QVERIFY(!again->Registry().KeyExists(Root() + "\\Project\\001"));
    else
        QCOMPARE(ReadFile(env.iniPath()), QByteArray("\xFF\xFE"));
}

void TestSettingsStore::forceIniBypassesTheRegistry()
{
    StoreEnv env(true);
    env.store->WriteSettingInt("Save", "SaveRegistory", 0, true);
    env.store->WriteSettingInt("Save", "SaveRegistory", 1);
    QCOMPARE(env.store->ReadSettingInt("Save", "SaveRegistory", -1, true), 0);
    QCOMPARE(env.store->ReadSettingInt("Save", "SaveRegistory", -1), 1);
    QCOMPARE(ReadFile(env.iniPath()), IniBytes("[Save]\r\nSaveRegistory=0\r\n"));
}

void TestSettingsStore::buildIniPath_data()
{
    QTest::addColumn<std::optional<QString>>("name");
    QTest::addColumn<QString>("expected");
    QTest::newRow("program name") << std::optional<QString>() << "/opt/orvane/orvane.ini";
    QTest::newRow("ini=settings") << std::optional<QString>("settings") << "/opt/orvane/settings.ini";
    QTest::newRow("ini=a.b") << std::optional<QString>("a.b") << "/opt/orvane/a.b.ini";
    QTest::newRow("logoff") << std::optional<QString>("mirror") << "/opt/orvane/mirror.ini";
    QTest::newRow("empty name") << std::optional<QString>("") << "/opt/orvane/.ini";
}

void TestSettingsStore::buildIniPath()
{
    QFETCH(std::optional<QString>, name);
    QFETCH(QString, expected);
    ModulePath program;
    program.fullPath = "/opt/orvane/orvane";
    program.folder = "/opt/orvane/";
    program.name = "orvane";
    QCOMPARE(CSettingsStore::BuildIniPath(program, name), expected);

    // The real one lies beside this executable, wherever the current folder is.
    const QString cwd = QDir::currentPath();
    QDir::setCurrent(QDir::tempPath());
    const QString real = CSettingsStore::BuildIniPath(std::optional<QString>("mirror"));
    QDir::setCurrent(cwd);
    QCOMPARE(real, QFileInfo(QFile::symLinkTarget("/proc/self/exe")).path() + "/mirror.ini");
}

void TestSettingsStore::iniFileExists()
{
    StoreEnv env(false);
    QVERIFY(!env.store->IniFileExists());
    QVERIFY(WriteFile(env.iniPath(), "x"));
    QVERIFY(env.store->IniFileExists());
    QFile::remove(env.iniPath());
    QVERIFY(QDir().mkpath(env.iniPath()));
    QVERIFY(env.store->IniFileExists());   // a folder of that name counts

    // 259 characters are a path, 260 are none.
    for (int length : {259, 260}) {
        const QString folder = env.dir.filePath("d");
        const QString name = QString(length - folder.size() - 1, u'n');
        const QString path = folder + "/" + name;
        QCOMPARE(path.size(), length);
        QVERIFY(WriteFile(path, "x"));
        env.store->SetIniPath(path);
        QCOMPARE(env.store->IniFileExists(), length < 260);
    }
}

void TestSettingsStore::prepareIniFile()
{
    StoreEnv env(false);
    QVERIFY(env.store->PrepareIniFile(false));
    QCOMPARE(ReadFile(env.iniPath()), QByteArray("\xFF\xFE"));
    env.store->WriteSettingInt("S", "k", 1);
    QVERIFY(env.store->PrepareIniFile(false));
    QCOMPARE(ReadFile(env.iniPath()), IniBytes("[S]\r\nk=1\r\n"));
    QVERIFY(env.store->PrepareIniFile(true));
    QCOMPARE(ReadFile(env.iniPath()), QByteArray("\xFF\xFE"));
    QCOMPARE(env.store->ReadSettingInt("S", "k", -1), -1);
    QVERIFY(env.boxes.boxes.empty());
}

void TestSettingsStore::readingCreatesNoFile_data()
{
    QTest::addColumn<bool>("registry");
    for (bool registry : {false, true})
        QTest::newRow(registry ? "registry" : "INI") << registry;
}

void TestSettingsStore::readingCreatesNoFile()
{
    QFETCH(bool, registry);
    StoreEnv env(registry);
    for (int i = 0; i < 3; ++i) {
        env.store->ReadSettingInt("Options", "ProjectCount", 32);
        env.store->ReadSettingString("Project\\001\\", "ProjectName", "x");
    }
    QVERIFY(!QFileInfo::exists(env.iniPath()));
    // Deleting from a registry that does not exist makes none.
    if (registry) {
        env.store->DeleteSettingKey("Options", "x");
        env.store->DeleteSettingSection("Options");
    }
    QVERIFY(!QFileInfo::exists(QFileInfo(env.registryPath()).path()));
}

void TestSettingsStore::unwritableFolderIsReportedOncePerWriteOrBatch()
{
    StoreEnv env(false);
    ReadOnlyFolder readOnly(env.programFolder());
    if (!readOnly.active())
        QSKIP("no way to make a folder refuse new files here");
    env.store->WriteSettingInt("S", "a", 1);
    env.store->WriteSettingString("S", "b", "x");
    QCOMPARE(env.boxes.boxes.size(), size_t(2));
    const ScriptedPresenter::Box &box = env.boxes.boxes.front();
    const int expectedError = ::geteuid() == 0 ? EPERM : EACCES;
    QCOMPARE(box.text, u"INI ファイルが開けません。\n設定が正常に保存できない可能性があります。\n\nファイル名: "_qs
                           + env.iniPath() + u"\nエラー: "_qs + SystemErrorText(expectedError));
    QCOMPARE(box.caption, u"INI ファイルのオープン"_qs);
    QCOMPARE(box.buttons, MessageButtons::Ok);
    QCOMPARE(box.icon, MessageIcon::Error);

    {
        CSettingsStore::Batch batch(*env.store);
        for (int i = 0; i < 100; ++i)
            env.store->WriteSettingInt("S", QString::number(i), i);
        QVERIFY(!batch.Commit());
    }
    QCOMPARE(env.boxes.boxes.size(), size_t(3));
    QCOMPARE(env.store->ReadSettingInt("S", "a", -1), 1);   // the run goes on with what it has
    QVERIFY(!QFileInfo::exists(env.iniPath()));
}

void TestSettingsStore::overlongIniPathIsNeverUsed()
{
    StoreEnv env(false);
    const QString folder = env.dir.filePath("long/") + QString(200, u'd');
    const QString path = folder + "/" + QString(300 - folder.size() - 1, u'n');
    QCOMPARE(path.size(), 300);
    QVERIFY(WriteFile(path, IniBytes("[S]\r\nk=1\r\n")));
    env.store->SetIniPath(path);
    QCOMPARE(env.store->ReadSettingInt("S", "k", -1), -1);
    env.store->WriteSettingInt("S", "k", 2);
    QCOMPARE(ReadFile(path), IniBytes("[S]\r\nk=1\r\n"));
    QCOMPARE(env.boxes.boxes.size(), size_t(1));
    QVERIFY(env.boxes.boxes[0].text.endsWith(SystemErrorText(ENAMETOOLONG)));
}

void TestSettingsStore::batchWritesOnceInEachBackEnd_data()
{
    QTest::addColumn<bool>("registry");
    for (bool registry : {false, true})
        QTest::newRow(registry ? "registry" : "INI") << registry;
}

void TestSettingsStore::batchWritesOnceInEachBackEnd()
{
    QFETCH(bool, registry);
    StoreEnv env(registry);
    env.store->WriteSettingInt("S", "first", 1);   // makes the files, so the count below is of changes
    const QString folder = registry ? QFileInfo(env.registryPath()).path() : env.programFolder();
    const QString watched = registry ? QFileInfo(env.registryPath()).fileName() + "-journal" : QString("orvane.ini");
    FolderEvents events(folder);
    QVERIFY(events.valid());
    {
        CSettingsStore::Batch batch(*env.store);
        for (int i = 0; i < 1000; ++i)
            env.store->WriteSettingInt(QString::asprintf("Define%2d", i), "Errors", i);
        env.store->DeleteSettingKey("S", "first");
        if (!registry)   // the journal exists from the first write of a transaction on
            QCOMPARE(events.Count(watched), 0);
        QCOMPARE(env.Reopen(registry)->ReadSettingInt("Define999", "Errors", -1), -1);
        QVERIFY(batch.Commit());
    }
    QCOMPARE(events.Count(watched), 1);
    QCOMPARE(env.Reopen(registry)->ReadSettingInt("Define999", "Errors", -1), 999);
    // A write outside a batch reaches the disk before it returns.
    env.store->WriteSettingInt("S", "single", 5);
    QCOMPARE(events.Count(watched), 1);
    QCOMPARE(env.Reopen(registry)->ReadSettingInt("S", "single", -1), 5);
}

QTEST_APPLESS_MAIN(TestSettingsStore)
#include "tst_settingsstore.moc"
