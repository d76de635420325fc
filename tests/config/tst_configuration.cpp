#include "config/Configuration.h"
#include "config/IniFile.h"
#include "model/AppFlags.h"
#include "model/FolderSettingField.h"
#include "model/MirroringDefine.h"

#include "ConfigTestSupport.h"
#include "TestSupport.h"

#include <QRegularExpression>
#include <QtTest>

#include <memory>

using testsupport::ReadFile;
using testsupport::WriteFile;

namespace {

const QString Root = CSettingsStore::RegistryRoot();

struct ConfigEnv {
    QTemporaryDir dir;
    AppFlags flags;
    ScriptedPresenter boxes;
    bool registry;
    std::unique_ptr<CConfiguration> config;

    explicit ConfigEnv(bool useRegistry) : registry(useRegistry)
    {
        QDir().mkpath(dir.filePath("program"));
        config = Fresh();
    }
    // The same files as a later start of the program sees them.
    std::unique_ptr<CConfiguration> Fresh()
    {
        auto made = std::make_unique<CConfiguration>(flags, boxes, registryPath());
        made->Store().SetIniPath(iniPath());
        made->Store().SetUseRegistry(registry);
        return made;
    }
    QString iniPath() const { return dir.filePath("program/orvane.ini"); }
    QString registryPath() const { return dir.filePath("config/registry.sqlite3"); }
    CSettingsStore &store() { return config->Store(); }
    // Whether the section exists in the store at all.
    bool HasSection(const QString &section)
    {
        if (registry)
            return store().Registry().KeyExists(Root + "\\" + section);
        return CIniFile::DecodeText(ReadFile(iniPath())).contains("[" + section + "]\r\n", Qt::CaseInsensitive);
    }
    bool HasKey(const QString &section, const QString &key)
    {
        return store().ReadSettingString(section, key, "\x01missing") != "\x01missing"
               || store().ReadSettingInt(section, key, -77777) != -77777;
    }
};

// Every field differs from its load default; times lie after 2038; texts hold what a line-based
// store could trip over.
CFolderSetting Distinct(int seed)
{
    const CFolderSetting defaults = CFolderSetting::WithLoadDefaults();
    CFolderSetting record = defaults;
    int n = seed * 100;
    for (const FolderSettingField &field : FolderSettingField::All()) {
        switch (field.FieldKind()) {
        case FolderSettingField::Kind::Flag:
            field.SetFromStoredInteger(record, field.StoredInteger(defaults) ? 0 : 1);
            break;
        case FolderSettingField::Kind::Integer:
            field.SetFromStoredInteger(record, ++n);
            break;
        case FolderSettingField::Kind::Time:
            field.SetFromStoredInteger(record, qint32(0xF0000000u + quint32(++n)));
            break;
        case FolderSettingField::Kind::Text:
            field.SetFromStoredText(record, (u"名前%1\t= ;[x] %TEMP%\\"_qs).arg(++n));
            break;
        case FolderSettingField::Kind::SizeThreshold:
            record.TargetFileSize = 500 + seed;
            record.TargetFileSizeUnit = 2;
            break;
        }
    }
    record.Volume.clear();   // and one empty text
    // A share in percent: a stored value out of range would be brought into it on loading.
    record.DeleteLimit = 1 + seed % CFolderSetting::DeleteLimitMaximum;
    return record;
}

std::vector<CFolderSetting> DistinctRecords(int count, int seed = 1)
{
    std::vector<CFolderSetting> records;
    for (int i = 0; i < count; ++i)
        records.push_back(Distinct(seed + i));
    return records;
}

void AddBackEnds()
{
    QTest::addColumn<bool>("registry");
    QTest::newRow("INI") << false;
    QTest::newRow("registry") << true;
}

} // namespace

class TestConfiguration : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void keyBuilders_data();
    void keyBuilders();
    void backupName();
    void scanIntegers_data();
    void scanIntegers();

    void everyFieldRoundTrips_data();
    void everyFieldRoundTrips();
    void projectSaveWritesKeysInOrder();
    void projectOptionsRoundTrip_data() { AddBackEnds(); }
    void projectOptionsRoundTrip();
    void globalStateRoundTrips_data() { AddBackEnds(); }
    void globalStateRoundTrips();
    void emptyStoreLoadsDefaults_data() { AddBackEnds(); }
    void emptyStoreLoadsDefaults();
    void savingTheEmptyStoreWritesOnlyProjectZerosName();
    void savingTheEmptyStoreLeavesNoProjectKeys();
    void namedEmptyProjectKeepsItsSection_data() { AddBackEnds(); }
    void namedEmptyProjectKeepsItsSection();
    void unnamedAgainStaysUnnamed_data() { AddBackEnds(); }
    void unnamedAgainStaysUnnamed();
    void shrinkingAProjectLeavesTheLastSection_data() { AddBackEnds(); }
    void shrinkingAProjectLeavesTheLastSection();
    void countKeyOnlyWhereNeeded_data() { AddBackEnds(); }
    void countKeyOnlyWhereNeeded();
    void deleteProjectSettingsRemovesEverything_data() { AddBackEnds(); }
    void deleteProjectSettingsRemovesEverything();
    void loadRules_data();
    void loadRules();
    void layoutTextsSupplyOnlyWhatTheyHold();
    void logoffModeUsesPlaceholders();
    void activeProjectRules();
    void savingManySettingsIsOneWrite_data() { AddBackEnds(); }
    void savingManySettingsIsOneWrite();

    void convertsACp932File();
    void convertsTinyFiles_data();
    void convertsTinyFiles();
    void leavesUtf16AndRegistryAlone();
    void conversionNeverEmptiesWithoutABackup();
};

void TestConfiguration::keyBuilders_data()
{
    QTest::addColumn<int>("p");
    QTest::addColumn<int>("i");
    QTest::addColumn<QString>("define");
    QTest::addColumn<QString>("listCount");
    QTest::addColumn<QString>("project");

    QTest::newRow("0/0") << 0 << 0 << "Define 0" << "ListCount" << "Options";
    QTest::newRow("0/9") << 0 << 9 << "Define 9" << "ListCount" << "Options";
    QTest::newRow("0/10") << 0 << 10 << "Define10" << "ListCount" << "Options";
    QTest::newRow("0/999") << 0 << 999 << "Define999" << "ListCount" << "Options";
    QTest::newRow("1/0") << 1 << 0 << "Project\\001\\Define 0" << "Project\\001\\ListCount" << "Project\\001\\";
    QTest::newRow("12/9") << 12 << 9 << "Project\\012\\Define 9" << "Project\\012\\ListCount" << "Project\\012\\";
    QTest::newRow("12/10") << 12 << 10 << "Project\\012\\Define10" << "Project\\012\\ListCount" << "Project\\012\\";
    QTest::newRow("999/999") << 999 << 999 << "Project\\999\\Define999" << "Project\\999\\ListCount" << "Project\\999\\";
}

void TestConfiguration::keyBuilders()
{
    QFETCH(int, p);
    QFETCH(int, i);
    QFETCH(QString, define);
    QFETCH(QString, listCount);
    QFETCH(QString, project);
    QCOMPARE(CConfiguration::DefineSection(p, i), define);
    QCOMPARE(CConfiguration::ListCountKey(p), listCount);
    QCOMPARE(CConfiguration::ProjectSection(p), project);
}

void TestConfiguration::backupName()
{
    const QDateTime time(QDate(2024, 3, 5), QTime(9, 7, 3));
    QCOMPARE(CConfiguration::BackupNameFor("/opt/x.ini", time), QString("/opt/x.ini.20240305090703.bak"));
}

void TestConfiguration::scanIntegers_data()
{
    QTest::addColumn<QString>("text");
    QTest::addColumn<QChar>("separator");
    QTest::addColumn<QList<int>>("expected");

    const QList<int> untouched{9, 9, 9, 9, 9};
    QTest::newRow("five") << "40,240,280,280,160" << QChar(u',') << QList<int>{40, 240, 280, 280, 160};
    QTest::newRow("two") << "10,20" << QChar(u',') << QList<int>{10, 20, 9, 9, 9};
    QTest::newRow("blank after a comma") << "1, 2" << QChar(u',') << QList<int>{1, 2, 9, 9, 9};
    QTest::newRow("blank before a comma stops") << "1 ,2" << QChar(u',') << QList<int>{1, 9, 9, 9, 9};
    QTest::newRow("signs") << "-5,+6" << QChar(u',') << QList<int>{-5, 6, 9, 9, 9};
    QTest::newRow("text first") << "a,2" << QChar(u',') << untouched;
    QTest::newRow("empty") << "" << QChar(u',') << untouched;
    QTest::newRow("more than five") << "1,2,3,4,5,6" << QChar(u',') << QList<int>{1, 2, 3, 4, 5};
    QTest::newRow("32 bits") << "4294967295" << QChar(u',') << QList<int>{-1, 9, 9, 9, 9};
    QTest::newRow("blank-separated") << "1 2   3\t4" << QChar(u' ') << QList<int>{1, 2, 3, 4, 9};
    QTest::newRow("blank-separated, no blanks") << "1-2" << QChar(u' ') << QList<int>{1, -2, 9, 9, 9};
}

void TestConfiguration::scanIntegers()
{
    QFETCH(QString, text);
    QFETCH(QChar, separator);
    QFETCH(QList<int>, expected);
    std::array<qint32, 5> values{9, 9, 9, 9, 9};
    CConfiguration::ScanIntegers(text, separator, values);
    QCOMPARE(QList<int>(values.begin(), values.end()), expected);
}

void TestConfiguration::everyFieldRoundTrips_data()
{
    QTest::addColumn<bool>("registry");
    QTest::addColumn<int>("project");
    for (bool registry : {false, true}) {
        for (int project : {0, 12})
            QTest::addRow("%s, project %d", registry ? "registry" : "INI", project) << registry << project;
    }
}

void TestConfiguration::everyFieldRoundTrips()
{
    QFETCH(bool, registry);
    QFETCH(int, project);
    ConfigEnv env(registry);
    const std::vector<CFolderSetting> saved = DistinctRecords(12);
    env.config->SaveProjectSettings(saved, project);

    CMirroringDefine table;
    QCOMPARE(env.Fresh()->LoadProjectSettings(table, project), 12);
    QCOMPARE(table.Count(), 12);
    for (int i = 0; i < 12; ++i) {
        const CFolderSetting &loaded = table.Records()[i];
        for (const FolderSettingField &field : FolderSettingField::All())
            QVERIFY2(field.StoredText(loaded) == field.StoredText(saved[i]), qPrintable(field.Key().toString()));
        QVERIFY(loaded == saved[i]);
    }
    QCOMPARE(table.Records()[0].LastExec, qint64(0xF0000000u) + 101);   // after 2038, unsigned
    QCOMPARE(table.Records()[12], CFolderSetting());                    // beyond the count: untouched
}

void TestConfiguration::projectSaveWritesKeysInOrder()
{
    ConfigEnv env(false);
    env.config->SaveProjectSettings(DistinctRecords(1), 0);
    const QString text = CIniFile::DecodeText(ReadFile(env.iniPath()));
    QStringList keys;
    for (const QString &line : text.split("\r\n")) {
        if (line.contains(u'='))
            keys << line.section(u'=', 0, 0);
    }
    QStringList expected{"OutputLog", "LogFileName", "OutputErrorOnly", "OutputSkipLog", "ClearLog",
                         "WriteLogImmediately", "CompareToolPath", "CompareToolParam", "DivideY", "ListCount"};
    for (const FolderSettingField &field : FolderSettingField::All())
        expected << field.Key().toString();
    QCOMPARE(keys, expected);
    QVERIFY(text.contains("\r\nTargetFileSize=501MB\r\n"));
    QVERIFY(text.startsWith("[Options]\r\n"));
    QVERIFY(text.contains("\r\n[Define 0]\r\nLastExec=-268435355\r\n"));
}

void TestConfiguration::projectOptionsRoundTrip()
{
    QFETCH(bool, registry);
    ConfigEnv env(registry);
    GlobalOptions &options = env.config->Options();
    options.OutputLog = true;
    options.LogFileName = u"%USERPROFILE%\\ログ\t;=.log"_qs;
    options.OutputErrorOnly = true;
    options.OutputSkipLog = false;
    options.ClearLog = true;
    options.WriteLogImmediately = true;
    options.CompareToolPath = "";
    options.CompareToolParam = "-x %b %m";
    options.DivideY = -5;
    const GlobalOptions saved = options;
    env.config->SaveProjectSettings(std::span<const CFolderSetting>(), 3);

    auto fresh = env.Fresh();
    CMirroringDefine table;
    fresh->LoadProjectSettings(table, 0);
    QVERIFY(fresh->Options() == saved);
}

void TestConfiguration::globalStateRoundTrips()
{
    QFETCH(bool, registry);
    ConfigEnv env(registry);
    env.config->LoadGlobalSettings();
    env.config->Options().MinimizeOnTrayOnly = true;
    env.config->Options().AutoExitWhenError = true;
    env.config->SetActiveProject(2);
    WindowLayout &layout = env.config->Layout();
    layout.left = -10;
    layout.top = 20;
    layout.right = 1930;
    layout.bottom = 1100;
    layout.setupListWidths = {1, 2, 3, 4, 5};
    layout.reportListWidths = {-6, 7, 8, 9, 10};
    CProjectList &projects = env.config->Projects();
    while (projects.Count() > 3)
        projects.RemoveProject(projects.Count() - 1);
    projects.RenameProject(1, u"仕事\t= ;"_qs);
    projects.RenameProject(2, "");
    env.config->SaveGlobalSettings();

    auto fresh = env.Fresh();
    fresh->LoadGlobalSettings();
    QVERIFY(fresh->Options().MinimizeOnTrayOnly);
    QVERIFY(fresh->Options().AutoExitWhenError);
    QCOMPARE(fresh->ActiveProject(), 2);
    QVERIFY(fresh->Layout() == layout);
    QCOMPARE(fresh->Projects().Count(), 3);
    QCOMPARE(fresh->Projects().Name(0), u"デフォルト"_qs);
    QCOMPARE(fresh->Projects().Name(1), u"仕事\t= ;"_qs);
    QCOMPARE(fresh->Projects().Name(2), QString(""));
}

void TestConfiguration::emptyStoreLoadsDefaults()
{
    QFETCH(bool, registry);
    ConfigEnv env(registry);
    env.config->LoadGlobalSettings();
    CMirroringDefine table;
    QCOMPARE(env.config->LoadProjectSettings(table, 0), 0);

    const CProjectList &projects = env.config->Projects();
    QCOMPARE(projects.Count(), 32);
    QCOMPARE(projects.Name(0), u"デフォルト"_qs);
    for (int p = 1; p < 32; ++p)
        QCOMPARE(projects.Name(p), u"(名称未設定)"_qs);
    QCOMPARE(env.config->ActiveProject(), 0);
    const GlobalOptions &options = env.config->Options();
    QCOMPARE(options.DivideY, 192);
    QCOMPARE(options.CompareToolPath, QString("meld"));
    QCOMPARE(options.CompareToolParam, QString("%m %b"));
    QVERIFY(options.OutputSkipLog);
    QVERIFY(!options.OutputLog && !options.ClearLog && !options.MinimizeOnTrayOnly);
    const WindowLayout &layout = env.config->Layout();
    QVERIFY(!layout.HasPlacement());
    QCOMPARE(layout.setupListWidths, (std::array<qint32, 5>{40, 240, 280, 280, 160}));
    QCOMPARE(layout.reportListWidths, (std::array<qint32, 5>{96, 528, 140, 140, 96}));
    QVERIFY(!QFileInfo::exists(env.iniPath()));
    QVERIFY(!QFileInfo::exists(env.registryPath()));
}

void TestConfiguration::savingTheEmptyStoreWritesOnlyProjectZerosName()
{
    ConfigEnv env(false);
    env.config->LoadGlobalSettings();
    env.config->SaveGlobalSettings();
    QCOMPARE(ReadFile(env.iniPath()), IniBytes(u"[Save]\r\nSaveRegistory=0\r\n"
                                               u"[Options]\r\nMinimizeOnTrayOnly=0\r\nAutoExitWhenError=0\r\n"
                                               u"ActiveProject=0\r\nProjectCount=32\r\nProjectName=デフォルト\r\n"
                                               u"[Window]\r\nMainWindow=0 0 0 0\r\n"
                                               u"SetupList=40,240,280,280,160\r\nReportList=96,528,140,140,96\r\n"_qs));
    auto fresh = env.Fresh();
    fresh->LoadGlobalSettings();
    QCOMPARE(fresh->Projects().Count(), 32);
    QCOMPARE(fresh->Projects().Name(31), u"(名称未設定)"_qs);
}

void TestConfiguration::savingTheEmptyStoreLeavesNoProjectKeys()
{
    ConfigEnv env(true);
    env.config->LoadGlobalSettings();
    env.config->SaveGlobalSettings();
    QVERIFY(!env.HasSection("Project"));
    QCOMPARE(env.store().ReadSettingString("Options", "ProjectName", ""), u"デフォルト"_qs);
    QCOMPARE(env.store().ReadSettingInt("Options", "ProjectCount", -1), 32);
    QVERIFY(!QFileInfo::exists(env.iniPath()));
}

void TestConfiguration::namedEmptyProjectKeepsItsSection()
{
    QFETCH(bool, registry);
    ConfigEnv env(registry);
    env.config->LoadGlobalSettings();
    env.config->Projects().RenameProject(4, "Mine");
    env.config->SaveGlobalSettings();
    QVERIFY(env.HasSection("Project\\004\\"));
    QVERIFY(!env.HasSection("Project\\005\\"));

    // Renamed back to the unnamed text, it leaves nothing behind again.
    env.config->Projects().RenameProject(4, u"(名称未設定)"_qs);
    env.config->SaveGlobalSettings();
    QVERIFY(!env.HasSection("Project\\004\\"));
}

void TestConfiguration::unnamedAgainStaysUnnamed()
{
    QFETCH(bool, registry);
    ConfigEnv env(registry);
    env.config->LoadGlobalSettings();
    env.config->Projects().RenameProject(3, "Old");
    env.config->SaveProjectSettings(DistinctRecords(5), 3);
    env.config->SaveGlobalSettings();
    // Emptied: the old settings' sections stay in the store, as sections beyond a count do.
    env.config->SaveProjectSettings(std::span<const CFolderSetting>(), 3);
    env.config->Projects().RenameProject(3, u"(名称未設定)"_qs);
    env.config->SaveGlobalSettings();

    auto fresh = env.Fresh();
    fresh->LoadGlobalSettings();
    QCOMPARE(fresh->Projects().Name(3), u"(名称未設定)"_qs);
}

void TestConfiguration::shrinkingAProjectLeavesTheLastSection()
{
    QFETCH(bool, registry);
    ConfigEnv env(registry);
    std::vector<CFolderSetting> records = DistinctRecords(5);
    env.config->SaveProjectSettings(records, 2);
    records.pop_back();
    env.config->SaveProjectSettings(records, 2);

    QCOMPARE(env.store().ReadSettingInt("Options", "Project\\002\\ListCount", -1), 4);
    QVERIFY(env.HasSection("Project\\002\\Define 4"));
    CMirroringDefine table;
    QCOMPARE(env.Fresh()->LoadProjectSettings(table, 2), 4);
    QVERIFY(table.Records()[3] == records[3]);
    QVERIFY(table.Records()[4] == CFolderSetting());
}

void TestConfiguration::countKeyOnlyWhereNeeded()
{
    QFETCH(bool, registry);
    ConfigEnv env(registry);
    env.config->SaveProjectSettings(std::span<const CFolderSetting>(), 0);
    QCOMPARE(env.store().ReadSettingInt("Options", "ListCount", -1), 0);

    env.config->SaveProjectSettings(DistinctRecords(2), 3);
    QCOMPARE(env.store().ReadSettingInt("Options", "Project\\003\\ListCount", -1), 2);
    env.config->SaveProjectSettings(std::span<const CFolderSetting>(), 3);
    QVERIFY(!env.HasKey("Options", "Project\\003\\ListCount"));
    QCOMPARE(env.config->StoredFolderSettingCount(3), 0);
}

void TestConfiguration::deleteProjectSettingsRemovesEverything()
{
    QFETCH(bool, registry);
    ConfigEnv env(registry);
    env.config->SaveProjectSettings(DistinctRecords(3), 0);
    env.config->SaveProjectSettings(DistinctRecords(4), 3);
    env.store().WriteSettingString("Options", "ProjectName", "Zero");
    env.store().WriteSettingString("Project\\003\\", "ProjectName", "Three");

    env.config->DeleteProjectSettings(4, 3);
    QVERIFY(!env.HasKey("Options", "Project\\003\\ListCount"));
    QVERIFY(!env.HasSection("Project\\003\\"));   // registry too: its settings went first
    for (int i = 0; i < 4; ++i)
        QVERIFY(!env.HasSection(CConfiguration::DefineSection(3, i)));

    env.config->DeleteProjectSettings(3, 0);
    QVERIFY(!env.HasKey("Options", "ProjectName"));
    QVERIFY(!env.HasKey("Options", "ListCount"));
    QVERIFY(!env.HasSection("Define 0"));
    QVERIFY(env.HasKey("Options", "DivideY"));   // the rest of "Options" stays
}

void TestConfiguration::loadRules_data()
{
    QTest::addColumn<QString>("lines");
    QTest::addColumn<QString>("key");
    QTest::addColumn<QString>("expected");   // the field's stored text after loading

    QTest::newRow("nothing stored: name") << "" << "Name" << u"無題"_qs;
    QTest::newRow("nothing stored: ClearLog") << "" << "ClearLog" << "0";
    QTest::newRow("nothing stored: Errors") << "" << "Errors" << "-1";
    QTest::newRow("nothing stored: NetPathRetryCount") << "" << "NetPathRetryCount" << "3";
    QTest::newRow("retry count 0") << "NetPathRetryCount=0" << "NetPathRetryCount" << "1";
    QTest::newRow("retry count -5") << "NetPathRetryCount=-5" << "NetPathRetryCount" << "1";
    QTest::newRow("running") << "Errors=-2" << "Errors" << "-1";
    QTest::newRow("volume skip") << "Errors=-3" << "Errors" << "-1";
    QTest::newRow("errors counted") << "Errors=5" << "Errors" << "5";
    QTest::newRow("2gb") << "TargetFileSize=2gb" << "TargetFileSize" << "2GB";
    QTest::newRow("100") << "TargetFileSize=100" << "TargetFileSize" << "100";
    QTest::newRow("empty size") << "TargetFileSize=" << "TargetFileSize" << "0";
    QTest::newRow("time after 2038, written signed") << "LastExec=-1" << "LastExec" << "-1";
    QTest::newRow("time written unsigned") << "TargetDate=4000000000" << "TargetDate" << QString::number(qint32(4000000000u));
    QTest::newRow("flag other than 1") << "AutoExec=7" << "AutoExec" << "1";
    QTest::newRow("flag not a number") << "AutoExec=yes" << "AutoExec" << "0";
}

void TestConfiguration::loadRules()
{
    QFETCH(QString, lines);
    QFETCH(QString, key);
    QFETCH(QString, expected);
    ConfigEnv env(false);
    QVERIFY(WriteFile(env.iniPath(), IniBytes("[Options]\r\nListCount=1\r\n[Define 0]\r\n" + lines + "\r\n")));
    CMirroringDefine table;
    // The record loaded over held other values before: none of them may survive.
    table.Records()[0] = Distinct(3);
    QCOMPARE(env.config->LoadProjectSettings(table, 0), 1);
    const FolderSettingField *field = FolderSettingField::Find(key);
    QVERIFY(field);
    QCOMPARE(field->StoredText(table.Records()[0]), expected);
    if (lines.isEmpty())
        QVERIFY(table.Records()[0] == CFolderSetting::WithLoadDefaults());
    if (key == "LastExec")
        QCOMPARE(table.Records()[0].LastExec, qint64(0xFFFFFFFFu));
}

void TestConfiguration::layoutTextsSupplyOnlyWhatTheyHold()
{
    ConfigEnv env(false);
    QVERIFY(WriteFile(env.iniPath(), IniBytes("[Window]\r\nSetupList=10,20\r\nReportList=x\r\nMainWindow=5 6\r\n")));
    env.config->Layout().setupListWidths = {1, 2, 3, 4, 5};
    env.config->Layout().reportListWidths = {6, 7, 8, 9, 10};
    env.config->Layout().right = 99;
    env.config->LoadGlobalSettings();
    QCOMPARE(env.config->Layout().setupListWidths, (std::array<qint32, 5>{10, 20, 3, 4, 5}));
    QCOMPARE(env.config->Layout().reportListWidths, (std::array<qint32, 5>{6, 7, 8, 9, 10}));
    QCOMPARE(env.config->Layout().left, 5);
    QCOMPARE(env.config->Layout().top, 6);
    QCOMPARE(env.config->Layout().right, 99);
}

void TestConfiguration::logoffModeUsesPlaceholders()
{
    ConfigEnv env(true);
    env.flags.ForceIni = true;
    env.flags.LogoffMode = true;
    QVERIFY(WriteFile(env.iniPath(), IniBytes("[Options]\r\nProjectCount=3\r\nActiveProject=2\r\nMinimizeOnTrayOnly=1\r\n"
                                              "[Window]\r\nSetupList=1,1,1,1,1\r\nMainWindow=1 2 3 4\r\n")));
    const QByteArray before = ReadFile(env.iniPath());
    env.config->LoadGlobalSettings();
    QVERIFY(!env.store().UseRegistry());
    QVERIFY(env.config->Options().MinimizeOnTrayOnly);
    QCOMPARE(env.config->ActiveProject(), 0);
    QCOMPARE(env.config->Projects().Count(), 32);
    QCOMPARE(env.config->Projects().Name(31), u"ダミー設定"_qs);
    const WindowLayout &layout = env.config->Layout();
    QCOMPARE((std::array<qint32, 4>{layout.left, layout.top, layout.right, layout.bottom}), (std::array<qint32, 4>{0, 0, 640, 480}));
    QCOMPARE(layout.setupListWidths, (std::array<qint32, 5>{40, 240, 280, 280, 160}));
    env.config->SaveGlobalSettings();
    QCOMPARE(ReadFile(env.iniPath()), before);
    // The folder settings of the active project are still loaded and saved.
    env.config->SaveProjectSettings(DistinctRecords(1), 0);
    CMirroringDefine table;
    auto fresh = env.Fresh();
    fresh->LoadGlobalSettings();
    QCOMPARE(fresh->LoadProjectSettings(table, 0), 1);
}

void TestConfiguration::activeProjectRules()
{
    ConfigEnv env(false);
    QVERIFY(WriteFile(env.iniPath(), IniBytes("[Options]\r\nActiveProject=7\r\nProjectCount=10\r\n")));
    env.config->SetActiveProject(3);   // project= on the command line comes first
    env.config->LoadGlobalSettings();
    QCOMPARE(env.config->ActiveProject(), 3);

    auto stored = env.Fresh();
    stored->LoadGlobalSettings();
    QCOMPARE(stored->ActiveProject(), 7);
    stored->SetActiveProject(40);
    stored->SaveProjectCount(32);
    QCOMPARE(stored->Store().ReadSettingInt("Options", "ActiveProject", 0), -1);
    QCOMPARE(stored->Store().ReadSettingInt("Options", "ProjectCount", 0), 32);
    stored->BringActiveProjectIntoRange();
    QCOMPARE(stored->ActiveProject(), 0);
}

void TestConfiguration::savingManySettingsIsOneWrite()
{
    QFETCH(bool, registry);
    ConfigEnv env(registry);
    env.store().WriteSettingInt("Options", "DivideY", 1);   // the files exist from here on
    const QString folder = QFileInfo(registry ? env.registryPath() : env.iniPath()).path();
    const QString watched = registry ? QString("registry.sqlite3-journal") : QString("orvane.ini");
    FolderEvents events(folder);
    QVERIFY(events.valid());
    const std::vector<CFolderSetting> records(1000, Distinct(1));
    env.config->SaveProjectSettings(records, 5);
    QCOMPARE(events.Count(watched), 1);
    CMirroringDefine table;
    auto fresh = env.Fresh();
    QCOMPARE(fresh->LoadProjectSettings(table, 5), 1000);
    QVERIFY(table.Records()[999] == records[999]);
    env.config->LoadGlobalSettings();
    env.config->SaveGlobalSettings();
    QCOMPARE(events.Count(watched), 1);
}

void TestConfiguration::convertsACp932File()
{
    ConfigEnv env(false);
    // As the Windows version wrote it: the system code page, blank lines between sections.
    QByteArray legacy = "[Save]\r\nSaveRegistory=0\r\n\r\n[Options]\r\nProjectCount=40\r\nActiveProject=35\r\n"
                        "ProjectName=\x8E\x64\x8E\x96\r\nListCount=2\r\nProject\\005\\ListCount=1\r\n"
                        "Project\\035\\ListCount=1\r\nDivideY=300\r\n\r\n"
                        "[Define 0]\r\nName=\x93\xFA\x96\x7B\r\nMaster=C:\\\x95\x5C\r\nLastExec=-1\r\n\r\n"
                        "[Define 1]\r\nName=B\r\n\r\n"
                        "[Project\\005\\]\r\nProjectName=\x83\x54\x83\x75\r\n\r\n"
                        "[Project\\005\\Define 0]\r\nName=five\r\nErrors=3\r\n\r\n"
                        "[Project\\035\\]\r\nProjectName=late\r\n\r\n"
                        "[Project\\035\\Define 0]\r\nName=thirty-five\r\n";
    QVERIFY(WriteFile(env.iniPath(), legacy));
    env.config->LoadGlobalSettings();
    QCOMPARE(env.config->Projects().Name(0), u"仕事"_qs);
    const QDateTime before = QDateTime::currentDateTime().addSecs(-1);
    env.config->ConvertIniToUnicode();
    const QDateTime after = QDateTime::currentDateTime().addSecs(1);

    // The copy keeps the old bytes and is named after the moment of the conversion.
    const QStringList copies = QDir(env.dir.filePath("program")).entryList({"orvane.ini.*.bak"});
    QCOMPARE(copies.size(), 1);
    QCOMPARE(ReadFile(env.dir.filePath("program/" + copies[0])), legacy);
    const QDateTime stamp = QDateTime::fromString(copies[0].mid(11, 14), "yyyyMMddHHmmss");
    QVERIFY(stamp >= before.addMSecs(-before.time().msec()) && stamp <= after);

    QCOMPARE(env.boxes.boxes.size(), size_t(1));
    QCOMPARE(env.boxes.boxes[0].text, u"INI ファイルのエンコードを変更しました。\n元の INI ファイルは以下のパスに保存しました。\n"_qs
                                          + env.dir.filePath("program/" + copies[0]));
    QCOMPARE(env.boxes.boxes[0].caption, u"INI ファイルのオープン"_qs);
    QCOMPARE(env.boxes.boxes[0].icon, MessageIcon::Information);

    QVERIFY(ReadFile(env.iniPath()).startsWith("\xFF\xFE"));
    auto fresh = env.Fresh();
    fresh->LoadGlobalSettings();
    QCOMPARE(fresh->Projects().Count(), 32);
    QCOMPARE(fresh->Projects().Name(0), u"仕事"_qs);
    QCOMPARE(fresh->Projects().Name(5), u"サブ"_qs);
    QCOMPARE(fresh->ActiveProject(), -1);   // 35 is gone with the projects from 32 on
    CMirroringDefine table;
    QCOMPARE(fresh->LoadProjectSettings(table, 0), 2);
    QCOMPARE(fresh->Options().DivideY, 300);
    QCOMPARE(table.Records()[0].Name, u"日本"_qs);
    QCOMPARE(table.Records()[0].Master, u"C:\\表"_qs);
    QCOMPARE(table.Records()[0].LastExec, qint64(0xFFFFFFFFu));
    QCOMPARE(fresh->LoadProjectSettings(table, 5), 1);
    QCOMPARE(table.Records()[0].Errors, 3);
    QCOMPARE(fresh->StoredFolderSettingCount(35), 0);
    QCOMPARE(fresh->Store().ReadSettingString("Project\\035\\", "ProjectName", "gone"), QString("gone"));
    // The memory holds what the new file holds.
    QCOMPARE(env.config->Projects().Count(), 32);
}

void TestConfiguration::convertsTinyFiles_data()
{
    QTest::addColumn<QByteArray>("content");
    QTest::newRow("empty") << QByteArray();
    QTest::newRow("one byte") << QByteArray("\xFF");
    QTest::newRow("UTF-8 without mark") << QByteArray("[Options]\r\nProjectName=\xE6\x97\xA5\r\n");
    QTest::newRow("big-endian UTF-16") << QByteArray("\xFE\xFF\0[\0O\0p\0t\0i\0o\0n\0s\0]\0\r\0\n"
                                                     "\0P\0r\0o\0j\0e\0c\0t\0N\0a\0m\0e\0=\x65\xE5", 50);
}

void TestConfiguration::convertsTinyFiles()
{
    QFETCH(QByteArray, content);
    ConfigEnv env(false);
    QVERIFY(WriteFile(env.iniPath(), content));
    env.config->LoadGlobalSettings();
    env.config->ConvertIniToUnicode();
    QCOMPARE(env.boxes.boxes.size(), size_t(1));
    const QString text = CIniFile::DecodeText(ReadFile(env.iniPath()));
    QVERIFY(ReadFile(env.iniPath()).startsWith("\xFF\xFE"));
    QVERIFY(text.contains("\r\nProjectCount=32\r\n"));
    const QString expectedName = content.size() > 2 ? u"日"_qs : u"デフォルト"_qs;
    QVERIFY(text.contains("\r\nProjectName=" + expectedName + "\r\n"));
    QCOMPARE(QDir(env.dir.filePath("program")).entryList({"orvane.ini.*.bak"}).size(), 1);
}

void TestConfiguration::leavesUtf16AndRegistryAlone()
{
    ConfigEnv ini(false);
    QVERIFY(WriteFile(ini.iniPath(), IniBytes("[Options]\r\nProjectCount=40\r\n")));
    ini.config->ConvertIniToUnicode();
    QVERIFY(ini.boxes.boxes.empty());
    QCOMPARE(ReadFile(ini.iniPath()), IniBytes("[Options]\r\nProjectCount=40\r\n"));

    ConfigEnv registry(true);
    QVERIFY(WriteFile(registry.iniPath(), "[Options]\r\n"));
    registry.config->ConvertIniToUnicode();
    QVERIFY(registry.boxes.boxes.empty());
    QCOMPARE(ReadFile(registry.iniPath()), QByteArray("[Options]\r\n"));

    ConfigEnv none(false);
    none.config->ConvertIniToUnicode();
    QVERIFY(!QFileInfo::exists(none.iniPath()));
    QVERIFY(none.boxes.boxes.empty());
}

void TestConfiguration::conversionNeverEmptiesWithoutABackup()
{
    ConfigEnv env(false);
    const QByteArray legacy = "[Options]\r\nProjectCount=5\r\nListCount=1\r\n[Define 0]\r\nName=A\r\n";
    QVERIFY(WriteFile(env.iniPath(), legacy));
    env.config->LoadGlobalSettings();
    {
        ReadOnlyFolder readOnly(env.dir.filePath("program"));
        if (!readOnly.active())
            QSKIP("no way to make a folder refuse new files here");
        env.config->ConvertIniToUnicode();
    }
    QCOMPARE(ReadFile(env.iniPath()), legacy);
    QCOMPARE(env.boxes.boxes.size(), size_t(1));
    QVERIFY(env.boxes.boxes[0].text.startsWith(u"INI ファイルが開けません。"_qs));
    QVERIFY(env.boxes.boxes[0].text.contains(".bak\n"));
    QCOMPARE(QDir(env.dir.filePath("program")).entryList(QDir::Files | QDir::Hidden), QStringList{"orvane.ini"});
}

QTEST_APPLESS_MAIN(TestConfiguration)
#include "tst_configuration.moc"
