#include "engine/TargetFilter.h"
#include "model/FolderSetting.h"
#include "platform/BRegExp.h"

#include <QtTest>

#include <ctime>

class TestTargetFilter : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void filePattern_data();
    void filePattern();
    void folderItemPattern_data();
    void folderItemPattern();
    void folderPattern();
    void fileTarget_data();
    void fileTarget();
    void folderTarget_data();
    void folderTarget();
    void emptyListsFilterNothing();
    void refusedPatterns_data();
    void refusedPatterns();
    void sizeFilter_data();
    void sizeFilter();
    void dateFilter_data();
    void dateFilter();
    void dateFilterInvalidTime();
};

namespace {

struct Matchers {
    CBRegExp file;
    CBRegExp folder;
    CTargetFilter filter {file, folder};
    Matchers()
    {
        file.Create(true);
        folder.Create(true);
    }
};

CFolderSetting Targets(qint32 targetType, const QString &files, const QString &folders)
{
    CFolderSetting setting;
    setting.TargetType = targetType;
    setting.TargetFile = files;
    setting.TargetDirectory = folders;
    return setting;
}

// Seconds since 1970 of a local time today-independent date.
qint64 LocalSeconds(int year, int month, int day, int hour, int minute, int second)
{
    std::tm calendar {};
    calendar.tm_year = year - 1900;
    calendar.tm_mon = month - 1;
    calendar.tm_mday = day;
    calendar.tm_hour = hour;
    calendar.tm_min = minute;
    calendar.tm_sec = second;
    calendar.tm_isdst = -1;
    return qint64(std::mktime(&calendar));
}

} // namespace

void TestTargetFilter::filePattern_data()
{
    QTest::addColumn<QString>("targetFile");
    QTest::addColumn<QString>("pattern");
    QTest::newRow("two items") << "*.txt;temp.*" << "(^.*\\.txt|^temp\\..*)$";
    QTest::newRow("trailing separator dropped") << "*.txt;" << "(^.*\\.txt)$";
    QTest::newRow("lower-cased") << "*.TXT;Ａ?" << QStringLiteral("(^.*\\.txt|^ａ.)$");
    QTest::newRow("every special character escaped")
        << "$()+.[\\]^{|}" << "(^\\$\\(\\)\\+\\.\\[\\\\\\]\\^\\{\\|\\})$";
}

void TestTargetFilter::filePattern()
{
    QFETCH(QString, targetFile);
    QTEST(CTargetFilter::FilePattern(targetFile), "pattern");
}

void TestTargetFilter::folderItemPattern_data()
{
    QTest::addColumn<QString>("item");
    QTest::addColumn<QString>("pattern");
    QTest::newRow("name") << "temp" << "temp$";
    QTest::newRow("path") << "sample/temp" << "sample/temp$";
    QTest::newRow("path, other separator") << "sample\\temp" << "sample/temp$";
    QTest::newRow("folder and below") << "hoge/data/*" << "^hoge/data(/.*)?$";
    QTest::newRow("folder and below, other separator") << "hoge\\data\\*" << "^hoge/data(/.*)?$";
    QTest::newRow("any middle level") << "a/*/b" << "^a(/.*)?/b$";
    QTest::newRow("starts with") << "tmp*" << "^tmp.*$";
    QTest::newRow("trailing separator") << "data/" << "data/?$";
    QTest::newRow("trailing separator, other") << "data\\" << "data/?$";
    QTest::newRow("one character") << "a?c" << "^a.c$";
    QTest::newRow("star not after a separator") << "a/b*" << "^a/b.*$";
    QTest::newRow("dot escaped, case kept") << "My.Dir" << "My\\.Dir$";
    QTest::newRow("regular expression as written") << "re:^a\\\\b" << "^a\\\\b";
    QTest::newRow("RE: is no prefix") << "RE:x" << "RE:x$";
}

void TestTargetFilter::folderItemPattern()
{
    QFETCH(QString, item);
    QTEST(CTargetFilter::FolderItemPattern(item), "pattern");
}

void TestTargetFilter::folderPattern()
{
    QCOMPARE(CTargetFilter::FolderPattern(QStringLiteral(";temp;;hoge\\data\\*;re:^x;")),
             QStringLiteral("(temp$)|(^hoge/data(/.*)?$)|(^x)"));
}

void TestTargetFilter::fileTarget_data()
{
    QTest::addColumn<qint32>("targetType");
    QTest::addColumn<QString>("targetFile");
    QTest::addColumn<QString>("path");
    QTest::addColumn<int>("code");
    QTest::newRow("include, lower case") << 0 << "*.TXT" << "readme.txt" << 1;
    QTest::newRow("include, upper case") << 0 << "*.TXT" << "READ.TXT" << 1;
    QTest::newRow("include, in a folder") << 0 << "*.TXT" << "sub/dir/a.Txt" << 1;
    QTest::newRow("include, other") << 0 << "*.TXT" << "readme.txt.bak" << 2;
    QTest::newRow("include, folder part not tested") << 0 << "*.TXT" << "x.txt/readme" << 2;
    QTest::newRow("include, type 2") << 2 << "*.TXT" << "a.doc" << 2;
    QTest::newRow("ignore, matched") << 1 << "*.TXT" << "readme.txt" << 3;
    QTest::newRow("ignore, other") << 1 << "*.TXT" << "readme.doc" << 4;
    QTest::newRow("ignore, type 3") << 3 << "*.TXT" << "READ.TXT" << 3;
    QTest::newRow("trailing separator") << 0 << "*.txt;" << "a.doc" << 2;
    QTest::newRow("second item anchored") << 0 << "*.txt;temp.*" << "mytemp.doc" << 2;
    QTest::newRow("second item") << 0 << "*.txt;temp.*" << "Temp.doc" << 1;
    QTest::newRow("one character") << 0 << "?.c" << "ab.c" << 2;
    QTest::newRow("backslash in a name") << 0 << "a\\b" << "a\\b" << 1;
    QTest::newRow("newline in a name") << 1 << "*.txt" << "a\nb.txt" << 3;
    QTest::newRow("name ends in newline") << 1 << "*.txt" << "a.txt\n" << 4;
}

void TestTargetFilter::fileTarget()
{
    QFETCH(qint32, targetType);
    QFETCH(QString, targetFile);
    QFETCH(QString, path);
    Matchers m;
    QVERIFY(m.filter.CompileFilePatterns(Targets(targetType, targetFile, QString())));
    const int code = int(m.filter.FileTarget(path));
    QTEST(code, "code");
    QCOMPARE(IsTarget(TargetCode(code)), code == 1 || code == 4);
}

void TestTargetFilter::folderTarget_data()
{
    QTest::addColumn<qint32>("targetType");
    QTest::addColumn<QString>("targetDirectory");
    QTest::addColumn<QStringList>("paths");
    QTest::addColumn<QList<int>>("codes");
    const QStringList tempPaths {"", "temp", "a/temp", "temp/sub", "mytemp", "TEMP"};
    QTest::newRow("include temp") << 0 << "temp" << tempPaths << QList<int> {2, 1, 1, 2, 1, 1};
    QTest::newRow("include temp/*")
        << 0 << "temp/*" << tempPaths << QList<int> {2, 1, 2, 1, 2, 1};
    QTest::newRow("include temp, type 3") << 3 << "temp" << QStringList {"temp", "x"} << QList<int> {1, 2};
    const QStringList hogePaths {"hoge", "hoge/other", "hoge/data", "hoge/data/x/y", "hoge/database",
                                 "a/hoge/data"};
    QTest::newRow("ignore hoge\\data\\*")
        << 1 << "hoge\\data\\*" << hogePaths << QList<int> {4, 4, 3, 3, 4, 4};
    QTest::newRow("ignore hoge/data/*, type 2")
        << 2 << "hoge/data/*" << hogePaths << QList<int> {4, 4, 3, 3, 4, 4};
    QTest::newRow("ignore sample\\temp")
        << 1 << "sample\\temp" << QStringList {"sample/temp", "x/sample/temp", "sample", "sampletemp"}
        << QList<int> {3, 3, 4, 4};
    QTest::newRow("ignore data\\")
        << 1 << "data\\" << QStringList {"data", "x/data", "data/x"} << QList<int> {3, 3, 4};
    QTest::newRow("ignore tmp*")
        << 1 << "tmp*" << QStringList {"tmp", "tmp1/sub", "a/tmp"} << QList<int> {3, 3, 4};
    QTest::newRow("ignore a\\*\\b")
        << 1 << "a\\*\\b" << QStringList {"a/b", "a/x/y/b", "a/xb", "c/a/b"} << QList<int> {3, 3, 4, 4};
    QTest::newRow("two items and a regular expression")
        << 1 << "cache;re:^build/" << QStringList {"x/cache", "build/out", "src/build/out", "src"}
        << QList<int> {3, 3, 4, 4};
}

void TestTargetFilter::folderTarget()
{
    QFETCH(qint32, targetType);
    QFETCH(QString, targetDirectory);
    QFETCH(QStringList, paths);
    QFETCH(QList<int>, codes);
    Matchers m;
    QVERIFY(m.filter.CompileFolderPatterns(Targets(targetType, QString(), targetDirectory)));
    QCOMPARE(m.filter.FailedList(), TargetPatternList::None);
    QList<int> actual;
    for (const QString &path : paths)
        actual += int(m.filter.FolderTarget(path));
    QCOMPARE(actual, codes);
}

void TestTargetFilter::emptyListsFilterNothing()
{
    Matchers m;
    QVERIFY(m.filter.CompileFilePatterns(Targets(0, QStringLiteral("*.txt"), QStringLiteral("temp"))));
    QVERIFY(m.filter.CompileFolderPatterns(Targets(0, QStringLiteral("*.txt"), QStringLiteral("temp"))));
    QCOMPARE(m.filter.FileTarget(u"a.doc"), TargetCode::NotIncluded);
    // The next setting has no lists: the matchers keep their patterns but are not asked.
    const CFolderSetting next = Targets(0, QString(), QStringLiteral(";;"));
    QVERIFY(m.filter.CompileFilePatterns(next));
    QVERIFY(m.filter.CompileFolderPatterns(next));
    QCOMPARE(m.filter.FileTarget(u"a.doc"), TargetCode::NoFilter);
    QCOMPARE(m.filter.FolderTarget(u"x"), TargetCode::NoFilter);
    QVERIFY(m.folder.Test(u"temp"));
    QVERIFY(m.filter.CompileFilePatterns(Targets(1, QStringLiteral(";"), QString())));
    QCOMPARE(m.filter.FileTarget(u"a.doc"), TargetCode::NoFilter);
}

void TestTargetFilter::refusedPatterns_data()
{
    QTest::addColumn<QString>("targetFile");
    QTest::addColumn<QString>("targetDirectory");
    QTest::addColumn<TargetPatternList>("failed");
    QTest::newRow("folder item re:(") << "*.txt" << "temp;re:(;other" << TargetPatternList::Folders;
    QTest::newRow("folder item re:[") << "" << "re:[" << TargetPatternList::Folders;
    QTest::newRow("items that clash only together")
        << "" << "re:(?<n>a);re:(?<n>b)" << TargetPatternList::Folders;
    QTest::newRow("wildcards never fail") << "[({*?})]" << "[({*?})]\\$^" << TargetPatternList::None;
}

void TestTargetFilter::refusedPatterns()
{
    QFETCH(QString, targetFile);
    QFETCH(QString, targetDirectory);
    QFETCH(TargetPatternList, failed);
    Matchers m;
    const CFolderSetting setting = Targets(1, targetFile, targetDirectory);
    QVERIFY(m.filter.CompileFilePatterns(setting));
    QCOMPARE(m.filter.CompileFolderPatterns(setting), failed == TargetPatternList::None);
    QCOMPARE(m.filter.FailedList(), failed);
}

void TestTargetFilter::sizeFilter_data()
{
    QTest::addColumn<bool>("skip");
    QTest::addColumn<qint32>("value");
    QTest::addColumn<qint32>("unit");
    QTest::addColumn<quint64>("size");
    QTest::addColumn<bool>("processed");
    QTest::newRow("1 KB, 1023 bytes") << true << 1 << 1 << quint64(1023) << true;
    QTest::newRow("1 KB, 1024 bytes") << true << 1 << 1 << quint64(1024) << false;
    QTest::newRow("5 GB, 4.5 GiB") << true << 5 << 3 << quint64(4.5 * 1024 * 1024 * 1024) << true;
    QTest::newRow("5 GB, 5 GiB") << true << 5 << 3 << (quint64(5) << 30) << false;
    QTest::newRow("1 TB, 10 bytes") << true << 1 << 4 << quint64(10) << true;
    QTest::newRow("1 TB, 1 TiB") << true << 1 << 4 << (quint64(1) << 40) << false;
    QTest::newRow("3 GB in 32 bits would wrap") << true << 3 << 3 << (quint64(3) << 30) - 1 << true;
    QTest::newRow("off") << false << 1 << 0 << quint64(5) << true;
    QTest::newRow("threshold 0") << true << 0 << 1 << quint64(5) << true;
    QTest::newRow("threshold negative") << true << -1 << 1 << quint64(5) << true;
    QTest::newRow("beyond 64 bits skips nothing")
        << true << 2147483647 << 4 << ~quint64(0) << true;
    QTest::newRow("just inside 64 bits") << true << 16777215 << 4 << ~quint64(0) << false;
}

void TestTargetFilter::sizeFilter()
{
    QFETCH(bool, skip);
    QFETCH(qint32, value);
    QFETCH(qint32, unit);
    QFETCH(quint64, size);
    CFolderSetting setting;
    setting.SkipTargetFileSize = skip;
    setting.TargetFileSize = value;
    setting.TargetFileSizeUnit = unit;
    QTEST(CTargetFilter::SizeFilter(setting, size), "processed");
}

void TestTargetFilter::dateFilter_data()
{
    QTest::addColumn<qint32>("dateType");
    QTest::addColumn<qint64>("written");
    QTest::addColumn<qint64>("since");
    QTest::addColumn<bool>("processed");
    const qint64 noon = LocalSeconds(2024, 1, 31, 12, 0, 0);
    QTest::newRow("since last run, same second") << 2 << noon << noon << false;
    QTest::newRow("since last run, a second later") << 2 << noon + 1 << noon << true;
    QTest::newRow("since date, same second") << 1 << noon << noon << true;
    QTest::newRow("since date, a second before") << 1 << noon - 1 << noon << false;
    QTest::newRow("all files") << 0 << qint64(0) << noon << true;
    QTest::newRow("unknown type") << 7 << qint64(0) << noon << true;
    QTest::newRow("before 1900 counts as 0") << 1 << LocalSeconds(1890, 6, 1, 0, 0, 0) << noon << false;
    QTest::newRow("before 1900 counts as 0, since 1969") << 1 << LocalSeconds(1890, 6, 1, 0, 0, 0) << qint64(-1) << true;
    QTest::newRow("1950 counts as itself, since 1969") << 1 << LocalSeconds(1950, 6, 1, 0, 0, 0) << qint64(-1) << false;
    QTest::newRow("far in the future") << 1 << (qint64(1) << 40) + 5 << noon << true;
    QTest::newRow("just before the far future") << 2 << (qint64(1) << 40) - 1 << noon << true;
}

void TestTargetFilter::dateFilter()
{
    QFETCH(qint32, dateType);
    QFETCH(qint64, written);
    QFETCH(qint64, since);
    CFolderSetting setting;
    setting.TargetDateType = dateType;
    setting.LastExec = since;
    setting.TargetDate = since;
    const std::optional<bool> processed = CTargetFilter::DateFilter(setting, written);
    QVERIFY(processed.has_value());
    QTEST(*processed, "processed");
}

void TestTargetFilter::dateFilterInvalidTime()
{
    CFolderSetting setting;
    setting.TargetDateType = 0;
    QCOMPARE(CTargetFilter::DateFilter(setting, std::numeric_limits<qint64>::max()), std::nullopt);
    // 1890 has a calendar time: it is converted (to 0), not refused.
    setting.TargetDateType = 2;
    setting.LastExec = -1;
    QCOMPARE(CTargetFilter::DateFilter(setting, LocalSeconds(1890, 6, 1, 0, 0, 0)), std::optional(true));
}

QTEST_APPLESS_MAIN(TestTargetFilter)
#include "tst_targetfilter.moc"
