#include "platform/RegistryDatabase.h"

#include "ConfigTestSupport.h"
#include "TestSupport.h"

#include <QTemporaryDir>
#include <QtTest>

#include <climits>
#include <csignal>
#include <sqlite3.h>
#include <sys/wait.h>
#include <unistd.h>

using testsupport::ReadFile;
using testsupport::WriteFile;
using Type = CRegistryDatabase::ValueType;

namespace {

std::optional<qint32> Dword(CRegistryDatabase &db, const QString &key, const QString &name)
{
    const auto value = db.ReadValue(key, name);
    if (!value || value->type != Type::Dword)
        return std::nullopt;
    return value->dword;
}

std::optional<QString> Text(CRegistryDatabase &db, const QString &key, const QString &name)
{
    const auto value = db.ReadValue(key, name);
    if (!value || value->type != Type::String)
        return std::nullopt;
    return value->text;
}

} // namespace

class TestRegistryDatabase : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void init();

    void keysNestAndNamesIgnoreCase_data();
    void keysNestAndNamesIgnoreCase();
    void valuesRoundTrip_data();
    void valuesRoundTrip();
    void aValueChangesItsTypeWhenRewritten();
    void deletesValuesAndLeafKeysOnly();
    void readingCreatesNothingAndWritingCreatesTheFolder();
    void writeOutsideBatchIsCommittedAtOnce();
    void batchIsOneTransaction();
    void seesWhatAnotherConnectionWrote();
    void readRegistryDword_data();
    void readRegistryDword();

    void lockOfAnotherProcessIsWaitedForOnce_data();
    void lockOfAnotherProcessIsWaitedForOnce();
    void clockCanBeReplacedAndPutBack();
    void fileThatIsNoDatabaseIsLeftAlone_data();
    void fileThatIsNoDatabaseIsLeftAlone();

private:
    QString path() const { return m_dir.filePath(QStringLiteral("cfg/registry.sqlite3")); }
    QTemporaryDir m_dir;
};

void TestRegistryDatabase::init()
{
    QFile::remove(path());
}

void TestRegistryDatabase::keysNestAndNamesIgnoreCase_data()
{
    QTest::addColumn<QString>("writtenKey");
    QTest::addColumn<QString>("writtenName");
    QTest::addColumn<QString>("readKey");
    QTest::addColumn<QString>("readName");

    QTest::newRow("other case") << "Software\\Orvane\\Options" << "DivideY" << "SOFTWARE\\orvane\\OPTIONS" << "dividey";
    QTest::newRow("non-ASCII case") << "Software\\Ärger" << "Größe" << "software\\ärger" << "GRÖßE";
    QTest::newRow("trailing backslash adds no level") << "A\\Project\\001\\" << "ProjectName" << "a\\project\\001" << "projectname";
    QTest::newRow("empty parts add no level") << "A\\\\B" << "v" << "A\\B" << "V";
    QTest::newRow("backslash in a value name is a character") << "A" << "Project\\001\\ListCount" << "A" << "project\\001\\listcount";
}

void TestRegistryDatabase::keysNestAndNamesIgnoreCase()
{
    QFETCH(QString, writtenKey);
    QFETCH(QString, writtenName);
    QFETCH(QString, readKey);
    QFETCH(QString, readName);
    {
        CRegistryDatabase db(path());
        QVERIFY(db.WriteDword(writtenKey, writtenName, 7));
    }
    CRegistryDatabase db(path());
    QCOMPARE(Dword(db, readKey, readName), std::optional(7));
    QVERIFY(db.KeyExists(readKey.section(u'\\', 0, 0)));
}

void TestRegistryDatabase::valuesRoundTrip_data()
{
    QTest::addColumn<bool>("isText");
    QTest::addColumn<qint32>("number");
    QTest::addColumn<QString>("text");

    QTest::newRow("zero") << false << 0 << QString();
    QTest::newRow("-1") << false << -1 << QString();
    QTest::newRow("lowest") << false << INT_MIN << QString();
    QTest::newRow("highest") << false << INT_MAX << QString();
    QTest::newRow("empty text") << true << 0 << QString("");
    QTest::newRow("Japanese, tab, = and ;") << true << 0 << QString(u"日本語\tA=B;C"_qs);
    QTest::newRow("line breaks") << true << 0 << QString("a\r\nb");
    QTest::newRow("zero code unit") << true << 0 << QString("a") + QChar(0) + "b";
    QTest::newRow("5000 characters") << true << 0 << QString(5000, u'漢');
    QTest::newRow("outside the BMP") << true << 0 << QString(u"😀"_qs);
}

void TestRegistryDatabase::valuesRoundTrip()
{
    QFETCH(bool, isText);
    QFETCH(qint32, number);
    QFETCH(QString, text);
    {
        CRegistryDatabase db(path());
        QVERIFY(isText ? db.WriteString("K", "v", text) : db.WriteDword("K", "v", number));
    }
    CRegistryDatabase db(path());
    if (isText)
        QCOMPARE(Text(db, "K", "v"), std::optional(text));
    else
        QCOMPARE(Dword(db, "K", "v"), std::optional(number));
}

void TestRegistryDatabase::aValueChangesItsTypeWhenRewritten()
{
    CRegistryDatabase db(path());
    db.WriteDword("K", "v", 1);
    db.WriteString("K", "V", "text");
    QCOMPARE(Dword(db, "K", "v"), std::nullopt);
    QCOMPARE(Text(db, "K", "v"), std::optional(QStringLiteral("text")));
}

void TestRegistryDatabase::deletesValuesAndLeafKeysOnly()
{
    CRegistryDatabase db(path());
    db.WriteString("Root\\Project\\001", "ProjectName", "P");
    db.WriteDword("Root\\Project\\001\\Define 0", "Errors", 0);
    db.WriteDword("Root\\Project\\001", "Other", 1);

    QVERIFY(db.DeleteValue("root\\project\\001", "OTHER"));
    QCOMPARE(Dword(db, "Root\\Project\\001", "Other"), std::nullopt);
    QVERIFY(db.DeleteValue("Root\\Missing", "x"));

    // A key with nested keys stays, values and all; that is no failure.
    QVERIFY(db.HasSubKeys("Root\\Project\\001\\"));
    QVERIFY(db.DeleteKey("Root\\Project\\001\\"));
    QCOMPARE(Text(db, "Root\\Project\\001", "ProjectName"), std::optional(QStringLiteral("P")));

    QVERIFY(db.DeleteKey("root\\project\\001\\define 0"));
    QVERIFY(!db.KeyExists("Root\\Project\\001\\Define 0"));
    QVERIFY(!db.HasSubKeys("Root\\Project\\001"));
    QVERIFY(db.DeleteKey("Root\\Project\\001"));
    QVERIFY(!db.KeyExists("Root\\Project\\001"));
    QVERIFY(db.KeyExists("Root\\Project"));
    QVERIFY(db.DeleteKey("Root\\Never"));
    QVERIFY(!db.DeleteKey(""));

    CRegistryDatabase fresh(path());
    QVERIFY(!fresh.KeyExists("Root\\Project\\001"));
    // A key made again after its deletion is a new, empty one.
    fresh.WriteDword("Root\\Project\\001", "New", 1);
    QCOMPARE(Text(fresh, "Root\\Project\\001", "ProjectName"), std::nullopt);
}

void TestRegistryDatabase::readingCreatesNothingAndWritingCreatesTheFolder()
{
    const QString folder = QFileInfo(path()).path();
    QDir(folder).removeRecursively();
    CRegistryDatabase db(path());
    QCOMPARE(Dword(db, "K", "v"), std::nullopt);
    QVERIFY(!db.KeyExists("K"));
    QVERIFY(db.DeleteValue("K", "v"));
    QVERIFY(db.DeleteKey("K"));
    QVERIFY(!QFileInfo::exists(folder));
    QVERIFY(db.WriteDword("K", "v", 1));
    QVERIFY(QFileInfo::exists(path()));
}

void TestRegistryDatabase::writeOutsideBatchIsCommittedAtOnce()
{
    CRegistryDatabase db(path());
    CRegistryDatabase other(path());
    for (qint32 value : {1, 2, 3}) {
        QVERIFY(db.WriteDword("K", "v", value));
        QCOMPARE(Dword(other, "K", "v"), std::optional(value));
    }
}

void TestRegistryDatabase::batchIsOneTransaction()
{
    CRegistryDatabase db(path());
    db.WriteDword("K", "before", 1);
    CRegistryDatabase other(path());
    {
        CRegistryDatabase::Batch batch(db);
        for (int i = 0; i < 1000; ++i)
            QVERIFY(db.WriteDword(QStringLiteral("K\\Define%1").arg(i), "Errors", i));
        QVERIFY(db.DeleteKey("K\\Define5"));
        QCOMPARE(Dword(db, "K\\Define999", "Errors"), std::optional(999));
        // Nobody else sees a half-written batch.
        QCOMPARE(Dword(other, "K\\Define999", "Errors"), std::nullopt);
        QVERIFY(batch.Commit());
    }
    QCOMPARE(Dword(other, "K\\Define999", "Errors"), std::optional(999));
    QVERIFY(!other.KeyExists("K\\Define5"));
}

void TestRegistryDatabase::seesWhatAnotherConnectionWrote()
{
    CRegistryDatabase mine(path());
    mine.WriteDword("K", "v", 1);
    QCOMPARE(Dword(mine, "K", "v"), std::optional(1));
    QCOMPARE(Dword(mine, "K\\Sub", "v"), std::nullopt);
    CRegistryDatabase theirs(path());
    theirs.WriteDword("K", "v", 2);
    theirs.WriteDword("K\\Sub", "v", 3);
    QCOMPARE(Dword(mine, "K", "v"), std::optional(2));
    QCOMPARE(Dword(mine, "K\\Sub", "v"), std::optional(3));
}

void TestRegistryDatabase::readRegistryDword_data()
{
    QTest::addColumn<int>("kind");   // 0 none, 1 number, 2 text
    QTest::addColumn<qint32>("number");
    QTest::addColumn<QString>("text");
    QTest::addColumn<qint32>("expected");

    QTest::newRow("missing") << 0 << 0 << QString() << -1;
    QTest::newRow("number") << 1 << 1 << QString() << 1;
    QTest::newRow("number above 2^31") << 1 << qint32(0x80000001u) << QString() << qint32(0x80000001u);
    // Only a text of one code unit fits four bytes with its terminating zero.
    QTest::newRow("one-character text") << 2 << 0 << QString("a") << 0x61;
    QTest::newRow("empty text") << 2 << 0 << QString("") << 0;
    QTest::newRow("longer text") << 2 << 0 << QString("ab") << -1;
}

void TestRegistryDatabase::readRegistryDword()
{
    QFETCH(int, kind);
    QFETCH(qint32, number);
    QFETCH(QString, text);
    QFETCH(qint32, expected);
    CRegistryDatabase db(path());
    if (kind == 1)
        db.WriteDword("Software\\Z\\Save", "SaveRegistory", number);
    if (kind == 2)
        db.WriteString("Software\\Z\\Save", "SaveRegistory", text);
    QCOMPARE(ReadRegistryDword(db, "Software\\Z\\Save", "SaveRegistory", -1), expected);
    QCOMPARE(ReadRegistryDword(db, "Software\\Z\\Nothing", "SaveRegistory", -7), -7);
}

void TestRegistryDatabase::lockOfAnotherProcessIsWaitedForOnce_data()
{
    QTest::addColumn<QByteArray>("begin");
    QTest::addColumn<bool>("readable");   // whether reads get through while the lock is held

    QTest::newRow("write lock: writes are lost, reads go on") << QByteArray("BEGIN IMMEDIATE") << true;
    QTest::newRow("exclusive lock: everything gives defaults") << QByteArray("BEGIN EXCLUSIVE") << false;
}

void TestRegistryDatabase::lockOfAnotherProcessIsWaitedForOnce()
{
    QFETCH(QByteArray, begin);
    QFETCH(bool, readable);
    {
        CRegistryDatabase db(path());
        QVERIFY(db.WriteDword("K", "v", 1));
    }
    const std::optional<qint32> stored = readable ? std::optional(1) : std::nullopt;
    ManualClock clock;
    CRegistryDatabase db(path());
    db.SetClock(clock.Reader());
    LockingProcess lock(path(), begin.constData());
    QVERIFY(lock.locked());
    QCOMPARE(Dword(db, "K", "v"), stored);
    QVERIFY(!db.WriteDword("K", "w", 2));

    // With the clock standing still the database is not asked again, lock or no lock: a
    // locked database is waited for once, not once for each call.
    lock.Release();
    QVERIFY(!db.WriteDword("K", "w", 2));
    QCOMPARE(Dword(db, "K", "v"), stored);

    LockingProcess again(path(), begin.constData());
    QVERIFY(again.locked());
    {
        CRegistryDatabase::Batch batch(db);
        for (int i = 0; i < 1000; ++i) {
            QVERIFY(!db.WriteDword("K", QString::number(i), i));
            QCOMPARE(Dword(db, QStringLiteral("K\\%1").arg(i), "v"), std::nullopt);
        }
        QCOMPARE(Dword(db, "K", "v"), stored);
        QVERIFY(!batch.Commit());
    }
    again.Release();

    clock.now += CRegistryDatabase::BusyBackoff - std::chrono::milliseconds(1);
    QVERIFY(!db.WriteDword("K", "w", 2));
    QCOMPARE(Dword(db, "K", "v"), stored);
    clock.now += std::chrono::milliseconds(1);
    QCOMPARE(Dword(db, "K", "v"), std::optional(1));
    // Nothing written under the lock arrived.
    QCOMPARE(Dword(db, "K", "5"), std::nullopt);
    QCOMPARE(Dword(db, "K", "w"), std::nullopt);
    QVERIFY(db.WriteDword("K", "w", 2));
    QCOMPARE(Dword(db, "K", "w"), std::optional(2));
    CRegistryDatabase other(path());
    QCOMPARE(Dword(other, "K", "w"), std::optional(2));
}

void TestRegistryDatabase::clockCanBeReplacedAndPutBack()
{
    {
        CRegistryDatabase db(path());
        QVERIFY(db.WriteDword("K", "v", 1));
    }
    // Any clock will do, also one that reads earlier than the steady clock ever does.
    ManualClock clock;
    clock.now = CRegistryDatabase::TimePoint{} - std::chrono::hours(1);
    CRegistryDatabase db(path());
    db.SetClock(clock.Reader());
    QCOMPARE(Dword(db, "K", "v"), std::optional(1));
    {
        LockingProcess lock(path(), "BEGIN EXCLUSIVE");
        QVERIFY(lock.locked());
        QCOMPARE(Dword(db, "K", "v"), std::nullopt);
    }
    QCOMPARE(Dword(db, "K", "v"), std::nullopt);
    // The back-off began before the steady clock's start: on the steady clock it is over.
    db.SetClock(nullptr);
    QCOMPARE(Dword(db, "K", "v"), std::optional(1));
}

void TestRegistryDatabase::fileThatIsNoDatabaseIsLeftAlone_data()
{
    QTest::addColumn<QByteArray>("content");
    QTest::newRow("garbage") << QByteArray(100000, '\x5A');
    QTest::newRow("truncated database header") << QByteArray("SQLite format 3\0\x10\x00", 18);
}

void TestRegistryDatabase::fileThatIsNoDatabaseIsLeftAlone()
{
    QFETCH(QByteArray, content);
    QVERIFY(WriteFile(path(), content));
    CRegistryDatabase db(path());
    QCOMPARE(Dword(db, "K", "v"), std::nullopt);
    QVERIFY(!db.WriteDword("K", "v", 1));
    QVERIFY(!db.WriteString("K", "s", "x"));
    {
        CRegistryDatabase::Batch batch(db);
        db.WriteDword("K", "v", 1);
        QVERIFY(!batch.Commit());
    }
    QCOMPARE(ReadFile(path()), content);

    // A folder where the file should be: nothing works, nothing breaks.
    QFile::remove(path());
    QVERIFY(QDir().mkpath(path()));
    CRegistryDatabase folder(path());
    QCOMPARE(Dword(folder, "K", "v"), std::nullopt);
    QVERIFY(!folder.WriteDword("K", "v", 1));
    QDir(path()).removeRecursively();
}

QTEST_APPLESS_MAIN(TestRegistryDatabase)
#include "tst_registrydatabase.moc"
