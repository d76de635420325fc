#include "platform/Text.h"

#include "Version.h"

#include <QRegularExpression>
#include <QtTest>

#include <cerrno>

class TestText : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void formatThousands_data();
    void formatThousands();
    void formatSize_data();
    void formatSize();
    void sizeSetting_data();
    void sizeSetting();
    void parseSizeSettingOfLongTexts();
    void systemErrorText();
    void lastErrorTextReadsErrno();
    void loadResString();
    void programVersionText();
    void toUtf8_data();
    void toUtf8();
};

void TestText::formatThousands_data()
{
    QTest::addColumn<quint64>("n");
    QTest::addColumn<QString>("text");
    QTest::newRow("zero") << quint64(0) << "0";
    QTest::newRow("999") << quint64(999) << "999";
    QTest::newRow("1000") << quint64(1000) << "1,000";
    QTest::newRow("inner zeros kept") << quint64(100000) << "100,000";
    QTest::newRow("1001001") << quint64(1001001) << "1,001,001";
    QTest::newRow("1234567") << quint64(1234567) << "1,234,567";
    QTest::newRow("largest") << std::numeric_limits<quint64>::max() << "18,446,744,073,709,551,615";
}

void TestText::formatThousands()
{
    QFETCH(quint64, n);
    QTEST(FormatThousands(n), "text");
}

void TestText::formatSize_data()
{
    QTest::addColumn<quint64>("n");
    QTest::addColumn<QString>("text");
    const quint64 K = 1024;
    QTest::newRow("0") << quint64(0) << "0 B";
    QTest::newRow("1023") << quint64(1023) << "1,023 B";
    QTest::newRow("1024") << K << "1.0 KB";
    QTest::newRow("1536") << quint64(1536) << "1.5 KB";
    QTest::newRow("1048575 is cut, not rounded") << K * K - 1 << "1,023.9 KB";
    QTest::newRow("1048576") << K * K << "1.0 MB";
    QTest::newRow("5 GiB") << quint64(5368709120) << "5.0 GB";
    QTest::newRow("1099511627775") << K * K * K * K - 1 << "1,023.9 GB";
    QTest::newRow("1099511627776") << K * K * K * K << "1.0 TB";
    QTest::newRow("1024^5") << K * K * K * K * K << "1,024.0 TB";
    QTest::newRow("largest") << std::numeric_limits<quint64>::max() << "16,777,215.9 TB";
}

void TestText::formatSize()
{
    QFETCH(quint64, n);
    QTEST(FormatSize(n), "text");
}

void TestText::sizeSetting_data()
{
    QTest::addColumn<QString>("text");
    QTest::addColumn<int>("value");
    QTest::addColumn<int>("unit");
    QTest::newRow("500MB") << "500MB" << 500 << 2;
    QTest::newRow("2gb") << "2gb" << 2 << 3;
    QTest::newRow("1024") << "1024" << 1024 << 0;
    QTest::newRow("blank before unit") << "10 KB" << 10 << 0;
    QTest::newRow("decimal point") << "1.5GB" << 15 << 3;
    QTest::newRow("empty") << "" << 0 << 0;
    QTest::newRow("unit only") << "kb" << 0 << 1;
    QTest::newRow("unit before digits") << "MB10" << 10 << 0;
    QTest::newRow("overflow saturates") << "99999999999KB" << 2147483647 << 1;
    QTest::newRow("leading zeros") << "000000000000000000042TB" << 42 << 4;
    QTest::newRow("largest fits") << "2147483647" << 2147483647 << 0;
    QTest::newRow("unknown unit") << "5PB" << 5 << 0;
    QTest::newRow("minus is not a sign") << "-5MB" << 5 << 2;
}

void TestText::sizeSetting()
{
    QFETCH(QString, text);
    QFETCH(int, value);
    QFETCH(int, unit);
    const SizeSetting parsed = ParseSizeSetting(text);
    QCOMPARE(parsed.value, value);
    QCOMPARE(parsed.unit, unit);
    // The stored form of what was read parses back to the same threshold.
    const SizeSetting again = ParseSizeSetting(FormatSizeSetting(parsed.value, parsed.unit));
    QCOMPARE(again.value, value);
    QCOMPARE(again.unit, unit);
}

void TestText::parseSizeSettingOfLongTexts()
{
    QCOMPARE(FormatSizeSetting(0, 0), QStringLiteral("0"));
    QCOMPARE(FormatSizeSetting(500, 2), QStringLiteral("500MB"));
    QCOMPARE(FormatSizeSetting(7, 9), QStringLiteral("7"));
    QCOMPARE(FormatSizeSetting(-1, 4), QStringLiteral("-1TB"));
    const SizeSetting digits = ParseSizeSetting(QString(100000, u'9') + QStringLiteral("GB"));
    QCOMPARE(digits.value, 2147483647);
    QCOMPARE(digits.unit, 3);
    const SizeSetting letters = ParseSizeSetting(QString(100000, u'x'));
    QCOMPARE(letters.value, 0);
    QCOMPARE(letters.unit, 0);
}

void TestText::systemErrorText()
{
    const QString denied = SystemErrorText(EACCES);
    QVERIFY(denied.size() > 2);
    QVERIFY(denied.endsWith(QStringLiteral("\r\n")));
    QVERIFY(!denied.chopped(2).contains(u'\n'));
    QVERIFY(SystemErrorText(ENOENT) != denied);
    QCOMPARE(SystemErrorText(99999), QString());
    QCOMPARE(SystemErrorText(-1), QString());
    QCOMPARE(SystemErrorText(std::numeric_limits<int>::max()), QString());
}

void TestText::lastErrorTextReadsErrno()
{
    int code = 0;
    errno = ENOSPC;
    const QString text = LastErrorText(&code);
    QCOMPARE(code, ENOSPC);
    QCOMPARE(text, SystemErrorText(ENOSPC));
}

void TestText::loadResString()
{
    QCOMPARE(LoadResString(57344), QStringLiteral("Orvane Unicode"));
    QCOMPARE(LoadResString(60100), QStringLiteral(u"開始"));
    QCOMPARE(LoadResString(0), QString());
    QCOMPARE(LoadResString(1), QString());
    QCOMPARE(LoadResString(-1), QString());
    QCOMPARE(LoadResString(std::numeric_limits<int>::max()), QString());
}

void TestText::programVersionText()
{
    const QString version = ProgramVersionText();
    QCOMPARE(version, QStringLiteral(ORVANE_VERSION_TEXT));
    QVERIFY(QRegularExpression(QStringLiteral("^\\d+\\.\\d+\\.\\d+$")).match(version).hasMatch());
}

void TestText::toUtf8_data()
{
    QTest::addColumn<QString>("text");
    QTest::addColumn<QByteArray>("bytes");
    QTest::newRow("empty") << QString() << QByteArray();
    QTest::newRow("ascii") << "-\r\n" << QByteArray("-\r\n");
    QTest::newRow("ideographic space and colon") << QStringLiteral(u"　：") << QByteArray("\xE3\x80\x80\xEF\xBC\x9A");
    QTest::newRow("outside the BMP takes four bytes") << QStringLiteral(u"a😀b") << QByteArray("a\xF0\x9F\x98\x80" "b");
    QTest::newRow("two supplementary characters") << QStringLiteral(u"𠮷𠮷") << QByteArray("\xF0\xA0\xAE\xB7\xF0\xA0\xAE\xB7");
}

void TestText::toUtf8()
{
    QFETCH(QString, text);
    QTEST(ToUtf8(text), "bytes");
}

QTEST_APPLESS_MAIN(TestText)
#include "tst_text.moc"
