#include "platform/BRegExp.h"

#include <QtTest>

class TestBRegExp : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void test_data();
    void test();
    void refusedPattern_data();
    void refusedPattern();
    void createTwiceKeepsEngine();
    void unusableBeforeCreateAndAfterRelease();
    void invalidUtf16Subject();
    void longSubject();
};

void TestBRegExp::test_data()
{
    QTest::addColumn<QString>("pattern");
    QTest::addColumn<bool>("ignoreCase");
    QTest::addColumn<QString>("text");
    QTest::addColumn<bool>("matches");

    const QString txt = QStringLiteral("(^.*\\.txt)$");
    QTest::newRow("upper-case name") << txt << true << "README.TXT" << true;
    QTest::newRow("lower-case name") << txt << true << "a.txt" << true;
    QTest::newRow("other extension after it") << txt << true << "a.txt.bak" << false;
    QTest::newRow("case counts when asked") << txt << false << "README.TXT" << false;
    QTest::newRow("search: whole text") << "data$" << true << "data" << true;
    QTest::newRow("search: end of a path") << "data$" << true << "old/mydata" << true;
    QTest::newRow("search: not at the end") << "data$" << true << "data/old" << false;
    QTest::newRow("^ anchors the start") << "^temp" << true << "mytemp" << false;
    QTest::newRow("$ not before a final newline") << "data$" << true << "data\n" << false;
    QTest::newRow("name ending in newline") << txt << true << "a.txt\n" << false;
    QTest::newRow(". covers a newline") << txt << true << "a\nb.txt" << true;
    QTest::newRow("full-width letters fold") << QStringLiteral("^ａｂ$") << true << QStringLiteral("ＡＢ") << true;
    QTest::newRow("full-width, case counts") << QStringLiteral("^ａｂ$") << false << QStringLiteral("ＡＢ") << false;
    QTest::newRow("kana have no case") << QStringLiteral("バックアップ$") << true << QStringLiteral("古いバックアップ") << true;
    QTest::newRow("hiragana is not katakana") << QStringLiteral("ばっく") << true << QStringLiteral("バック") << false;
    QTest::newRow("\\u escape") << "^\\u0041$" << true << "a" << true;
    QTest::newRow("\\x escape") << "^\\x41$" << false << "A" << true;
    QTest::newRow("empty alternative matches empty text only") << "(^a|^)$" << true << "" << true;
    QTest::newRow("empty text") << "(^a)$" << true << "" << false;
    QTest::newRow("optional separator") << "data/?$" << true << "x/data" << true;
}

void TestBRegExp::test()
{
    QFETCH(QString, pattern);
    QFETCH(bool, ignoreCase);
    QFETCH(QString, text);
    CBRegExp regExp;
    QVERIFY(regExp.Create(ignoreCase));
    QVERIFY(regExp.ErrorText().isEmpty());
    QVERIFY(regExp.SetPattern(pattern));
    QTEST(regExp.Test(text), "matches");
}

void TestBRegExp::refusedPattern_data()
{
    QTest::addColumn<QString>("pattern");
    QTest::newRow("open group") << "(";
    QTest::newRow("open class") << "[";
    QTest::newRow("close group") << "a)";
    QTest::newRow("nothing to repeat") << "*a";
    QTest::newRow("trailing backslash") << "a\\";
    QTest::newRow("lone surrogate") << QString(QChar(0xD800));
}

void TestBRegExp::refusedPattern()
{
    QFETCH(QString, pattern);
    CBRegExp regExp;
    QVERIFY(regExp.Create(true));
    QVERIFY(regExp.SetPattern(QStringLiteral("a")));
    QVERIFY(!regExp.SetPattern(pattern));
    // The refused pattern replaced the old one: nothing matches until a pattern is accepted.
    QVERIFY(!regExp.Test(u"a"));
    QVERIFY(!regExp.Test(pattern));
    QVERIFY(regExp.SetPattern(QStringLiteral("b$")));
    QVERIFY(regExp.Test(u"ab"));
}

void TestBRegExp::createTwiceKeepsEngine()
{
    CBRegExp regExp;
    QVERIFY(regExp.Create(true));
    QVERIFY(regExp.SetPattern(QStringLiteral("^abc$")));
    // The second call creates nothing: the pattern and the case mode stay.
    QVERIFY(regExp.Create(false));
    QVERIFY(regExp.Test(u"ABC"));
    QVERIFY(regExp.SetPattern(QStringLiteral("^abc$")));
    QVERIFY(regExp.Test(u"ABC"));
}

void TestBRegExp::unusableBeforeCreateAndAfterRelease()
{
    CBRegExp regExp;
    QVERIFY(!regExp.SetPattern(QStringLiteral("a")));
    QVERIFY(!regExp.Test(u"a"));
    QVERIFY(regExp.Create(true));
    QVERIFY(regExp.SetPattern(QStringLiteral("a")));
    regExp.Release();
    QVERIFY(!regExp.Test(u"a"));
    regExp.Release();
    QVERIFY(regExp.Create(false));
    QVERIFY(regExp.SetPattern(QStringLiteral("a")));
    QVERIFY(regExp.Test(u"xa"));
    QVERIFY(!regExp.Test(u"A"));
}

void TestBRegExp::invalidUtf16Subject()
{
    CBRegExp regExp;
    QVERIFY(regExp.Create(true));
    const QString lone = QString(QChar(0xDC00));
    QVERIFY(regExp.SetPattern(QStringLiteral("\\.txt$")));
    // The valid part after a broken unit is still searched.
    QVERIFY(regExp.Test(QStringLiteral("a") + lone + QStringLiteral("b.TXT")));
    QVERIFY(!regExp.Test(QStringLiteral("a.txt") + lone));
    QVERIFY(regExp.SetPattern(QStringLiteral("(^.*\\.txt)$")));
    QVERIFY(regExp.Test(u"a.txt"));
    QVERIFY(!regExp.Test(QStringLiteral("a") + lone + QStringLiteral(".txt")));
    QVERIFY(!regExp.Test(lone));
}

void TestBRegExp::longSubject()
{
    CBRegExp regExp;
    QVERIFY(regExp.Create(true));
    QVERIFY(regExp.SetPattern(QStringLiteral("(^.*\\.txt|^temp\\..*)$")));
    const QString longName = QString(20000, u'x');
    QVERIFY(regExp.Test(longName + QStringLiteral(".txt")));
    QVERIFY(!regExp.Test(longName + QStringLiteral(".tx")));
    QVERIFY(regExp.Test(QStringLiteral("temp.") + longName));
}

QTEST_APPLESS_MAIN(TestBRegExp)
#include "tst_bregexp.moc"
