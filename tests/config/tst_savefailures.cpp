#include "config/Configuration.h"
#include "config/SettingsStore.h"
#include "model/AppFlags.h"
#include "model/MirroringDefine.h"
#include "platform/Text.h"

#include "ConfigTestSupport.h"
#include "TestSupport.h"

#include <QtTest>

#include <cerrno>
#include <memory>
#include <optional>

using testsupport::WriteFile;

namespace {

enum class Fault { FolderIsAFile, FileSizeLimit, WriteLock, ExclusiveLock };

struct Env {
    QTemporaryDir dir;
    AppFlags flags;
    ScriptedPresenter boxes;
    bool registry;
    std::unique_ptr<CConfiguration> config;

    explicit Env(bool useRegistry) : registry(useRegistry)
    {
        QDir().mkpath(QFileInfo(iniPath()).path());
        config = Start();
    }
    QString iniPath() const { return dir.filePath("program/orvane.ini"); }
    QString registryPath() const { return dir.filePath("config/registry.sqlite3"); }
    QString storePath() const { return registry ? registryPath() : iniPath(); }
    QString storeFolder() const { return QFileInfo(storePath()).path(); }
    CSettingsStore &store() { return config->Store(); }
    // A start of the program on the same files.
    std::unique_ptr<CConfiguration> Start()
    {
        auto started = std::make_unique<CConfiguration>(flags, boxes, registryPath());
        started->Store().SetIniPath(iniPath());
        started->Store().SetUseRegistry(registry);
        started->LoadGlobalSettings();
        return started;
    }
};

// Keeps the store from being written for as long as it lives, or until repaired.
class BrokenStore {
public:
    BrokenStore(Env &env, Fault fault) : m_env(env)
    {
        switch (fault) {
        case Fault::FolderIsAFile:
            // Nothing is stored yet; a file holds the name of the store's folder.
            m_active = QDir(env.storeFolder()).removeRecursively() && WriteFile(env.storeFolder(), "not a folder");
            break;
        case Fault::FileSizeLimit:
            m_limit.emplace(16);
            m_active = m_limit->active();
            break;
        case Fault::WriteLock:
        case Fault::ExclusiveLock:
            m_lock.emplace(env.registryPath(), fault == Fault::WriteLock ? "BEGIN IMMEDIATE" : "BEGIN EXCLUSIVE");
            m_active = m_lock->locked();
            break;
        }
        m_fault = fault;
    }
    bool Repair()
    {
        if (m_limit)
            m_limit->Lift();
        if (m_lock) {
            m_lock->Release();
            QThread::msleep(2100);   // a database found locked is not tried again at once
        }
        return m_fault != Fault::FolderIsAFile
               || (QFile::remove(m_env.storeFolder()) && QDir().mkpath(m_env.storeFolder()));
    }
    bool active() const { return m_active; }

private:
    Env &m_env;
    Fault m_fault = Fault::FolderIsAFile;
    std::optional<FileSizeLimit> m_limit;
    std::optional<LockingProcess> m_lock;
    bool m_active = false;
};

std::vector<CFolderSetting> Named(int count)
{
    std::vector<CFolderSetting> records(size_t(count), CFolderSetting{});
    for (int i = 0; i < count; ++i)
        records[size_t(i)].Name = QStringLiteral("setting %1").arg(i);
    return records;
}

} // namespace

class TestSaveFailures : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void failedSaveIsReportedOnceAndRepeatedLater_data();
    void failedSaveIsReportedOnceAndRepeatedLater();
};

void TestSaveFailures::failedSaveIsReportedOnceAndRepeatedLater_data()
{
    QTest::addColumn<bool>("registry");
    QTest::addColumn<Fault>("fault");
    QTest::addColumn<bool>("failsAtOnce");     // a write inside a batch already knows
    QTest::addColumn<QString>("errorText");    // empty: any text

    QTest::newRow("INI, its folder is a file") << false << Fault::FolderIsAFile << true << SystemErrorText(ENOTDIR);
    QTest::newRow("INI, file size limit") << false << Fault::FileSizeLimit << false << SystemErrorText(EFBIG);
    QTest::newRow("registry, its folder is a file") << true << Fault::FolderIsAFile << true << SystemErrorText(ENOTDIR);
    QTest::newRow("registry, file size limit") << true << Fault::FileSizeLimit << true << SystemErrorText(EFBIG);
    QTest::newRow("registry, write lock of another process") << true << Fault::WriteLock << true
                                                             << QString("database is locked\r\n");
    QTest::newRow("registry, exclusive lock of another process") << true << Fault::ExclusiveLock << true
                                                                 << QString("database is locked\r\n");
}

void TestSaveFailures::failedSaveIsReportedOnceAndRepeatedLater()
{
    QFETCH(bool, registry);
    QFETCH(Fault, fault);
    QFETCH(bool, failsAtOnce);
    QFETCH(QString, errorText);
    Env env(registry);
    if (fault != Fault::FolderIsAFile) {   // a store that exists and worked until now
        QVERIFY(env.config->SaveProjectSettings(Named(1), 0));
        QVERIFY(env.config->SaveGlobalSettings());
    }
    QVERIFY(env.boxes.boxes.empty());
    BrokenStore broken(env, fault);
    if (!broken.active())
        QSKIP("this fault cannot be made here");

    // A single write: its result and one message.
    QVERIFY(!env.store().WriteSettingInt("S", "single", 1));
    QCOMPARE(env.boxes.boxes.size(), size_t(1));
    const MessageBoxRequest box = env.boxes.boxes[0];
    QCOMPARE(box.icon, MessageIcon::Error);
    QCOMPARE(box.buttons, MessageButtons::Ok);
    if (registry) {
        QCOMPARE(box.caption, u"レジストリへの保存"_qs);
        QVERIFY(box.text.startsWith(u"レジストリに設定を保存できませんでした。\n"
                                    u"変更した設定はプログラムを終了するまで有効ですが、次回の起動時には元に戻ります。\n\n"
                                    u"ファイル名: "_qs + env.registryPath() + u"\nエラー: "_qs));
    } else {
        QCOMPARE(box.caption, u"INI ファイルのオープン"_qs);
        QVERIFY(box.text.startsWith(u"INI ファイルが開けません。\n設定が正常に保存できない可能性があります。\n\n"
                                    u"ファイル名: "_qs + env.iniPath() + u"\nエラー: "_qs));
    }
    const QString shownError = box.text.section(u"\nエラー: "_qs, 1);
    if (errorText.isEmpty())
        QVERIFY2(shownError.size() > 2, qPrintable(shownError));
    else
        QCOMPARE(shownError, errorText);
    QCOMPARE(env.store().LastFailure()->path, env.storePath());

    // A batch of many values: one message at its end, whatever its writes said on the way.
    {
        CSettingsStore::Batch batch(env.store());
        env.store().WriteSettingInt("S", "first", 1);
        QCOMPARE(env.store().WriteSettingInt("S", "second", 2), !failsAtOnce);
        for (int i = 0; i < 100; ++i)
            env.store().WriteSettingString("Define99", QString::number(i), "x");
        QCOMPARE(env.boxes.boxes.size(), size_t(1));
        QVERIFY(!batch.Commit());
    }
    QCOMPARE(env.boxes.boxes.size(), size_t(2));

    // The configuration's saves: each says so once, and memory keeps what it has.
    env.config->Options().DivideY = 321;
    env.config->Options().MinimizeOnTrayOnly = true;
    env.config->Projects().RenameProject(1, "kept");
    QVERIFY(!env.config->SaveProjectSettings(Named(3), 0));
    QVERIFY(!env.config->SaveGlobalSettings());
    QCOMPARE(env.boxes.boxes.size(), size_t(4));
    if (fault != Fault::FolderIsAFile) {   // deleting from a store that does not exist cannot fail
        QVERIFY(!env.config->DeleteProjectSettings(1, 0));
        QCOMPARE(env.boxes.boxes.size(), size_t(5));
    }
    QCOMPARE(env.config->Options().DivideY, 321);
    QCOMPARE(env.config->Projects().Name(1), QString("kept"));

    // Once the store works again, the next saves bring everything there, without a message.
    QVERIFY(broken.Repair());
    const size_t shown = env.boxes.boxes.size();
    QVERIFY(env.config->SaveProjectSettings(Named(3), 0));
    QVERIFY(env.config->SaveGlobalSettings());
    QCOMPARE(env.boxes.boxes.size(), shown);
    auto later = env.Start();
    CMirroringDefine table;
    QCOMPARE(later->LoadProjectSettings(table, 0), 3);
    QCOMPARE(table.Records()[2].Name, QString("setting 2"));
    QCOMPARE(later->Options().DivideY, 321);
    QVERIFY(later->Options().MinimizeOnTrayOnly);
    QCOMPARE(later->Projects().Name(1), QString("kept"));
}

QTEST_APPLESS_MAIN(TestSaveFailures)
#include "tst_savefailures.moc"
