#include "platform/FileNames.h"

#include <QRandomGenerator>
#include <QtTest>

class TestFileNames : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void decode_data();
    void decode();
    void encode_data();
    void encode();
    void randomBytesRoundTrip();
};

namespace {

QString Escapes(std::initializer_list<uchar> bytes)
{
    QString text;
    for (uchar b : bytes)
        text += QChar(char16_t(0xDC00 + b));
    return text;
}

} // namespace

void TestFileNames::decode_data()
{
    QTest::addColumn<QByteArray>("bytes");
    QTest::addColumn<QString>("text");
    QTest::addColumn<bool>("valid");

    QTest::newRow("empty") << QByteArray() << QString() << true;
    QTest::newRow("ascii") << QByteArray("report-2024.txt") << QStringLiteral("report-2024.txt") << true;
    QTest::newRow("2 bytes") << QByteArray("caf\xC3\xA9") << QStringLiteral("caf\u00E9") << true;
    QTest::newRow("3 bytes") << QByteArray("\xE6\x97\xA5\xE6\x9C\xAC") << QStringLiteral("\u65E5\u672C") << true;
    QTest::newRow("4 bytes") << QByteArray("a\xF0\x9F\x98\x80") << QStringLiteral("a\U0001F600") << true;
    QTest::newRow("highest code point") << QByteArray("\xF4\x8F\xBF\xBF") << QStringLiteral("\U0010FFFF") << true;
    QTest::newRow("last before surrogates") << QByteArray("\xED\x9F\xBF") << QStringLiteral("\uD7FF") << true;
    QTest::newRow("first after surrogates") << QByteArray("\xEE\x80\x80") << QStringLiteral("\uE000") << true;
    QTest::newRow("latin-1 byte") << QByteArray("a\xFF" "b") << QLatin1String("a") + Escapes({0xFF}) + QLatin1String("b") << false;
    QTest::newRow("lone continuation") << QByteArray("\x80" "x") << Escapes({0x80}) + QLatin1String("x") << false;
    QTest::newRow("overlong slash") << QByteArray("\xC0\xAF") << Escapes({0xC0, 0xAF}) << false;
    QTest::newRow("overlong 3 bytes") << QByteArray("\xE0\x80\xAF") << Escapes({0xE0, 0x80, 0xAF}) << false;
    QTest::newRow("overlong 4 bytes") << QByteArray("\xF0\x80\x80\xAF") << Escapes({0xF0, 0x80, 0x80, 0xAF}) << false;
    QTest::newRow("encoded surrogate") << QByteArray("\xED\xA0\x80") << Escapes({0xED, 0xA0, 0x80}) << false;
    QTest::newRow("encoded escape") << QByteArray("\xED\xB2\x80") << Escapes({0xED, 0xB2, 0x80}) << false;
    QTest::newRow("above U+10FFFF") << QByteArray("\xF4\x90\x80\x80") << Escapes({0xF4, 0x90, 0x80, 0x80}) << false;
    QTest::newRow("lead F5") << QByteArray("\xF5\x80\x80\x80") << Escapes({0xF5, 0x80, 0x80, 0x80}) << false;
    QTest::newRow("truncated at end") << QByteArray("ab\xE6\x97") << QLatin1String("ab") + Escapes({0xE6, 0x97}) << false;
    QTest::newRow("truncated before ascii")
        << QByteArray("\xF0\x9F\x98" "a") << Escapes({0xF0, 0x9F, 0x98}) + QLatin1String("a") << false;
    QTest::newRow("truncated before valid")
        << QByteArray("\xE6\xC3\xA9") << Escapes({0xE6}) + QStringLiteral("\u00E9") << false;
}

void TestFileNames::decode()
{
    QFETCH(QByteArray, bytes);
    QFETCH(QString, text);
    QFETCH(bool, valid);
    bool decodedValid = !valid;
    QCOMPARE(DecodeFileName(bytes, &decodedValid), text);
    QCOMPARE(decodedValid, valid);
    bool encodable = false;
    QCOMPARE(EncodeFileName(text, &encodable), bytes);
    QVERIFY(encodable);
}

void TestFileNames::encode_data()
{
    QTest::addColumn<QString>("text");
    QTest::addColumn<QByteArray>("bytes");
    QTest::addColumn<bool>("valid");

    QTest::newRow("path") << QStringLiteral("/backup/\u65E5\u672C/a.txt") << QByteArray("/backup/\xE6\x97\xA5\xE6\x9C\xAC/a.txt") << true;
    QTest::newRow("pair") << QStringLiteral("\U0001F600") << QByteArray("\xF0\x9F\x98\x80") << true;
    QTest::newRow("escape stands for its byte") << Escapes({0x80, 0xFF}) << QByteArray("\x80\xFF") << true;
    QTest::newRow("lone high surrogate") << QString(QChar(char16_t(0xD83D))) + u'a' << QByteArray("\xED\xA0\xBD" "a") << false;
    QTest::newRow("low surrogate below escapes") << QString(QChar(char16_t(0xDC7F))) << QByteArray("\xED\xB1\xBF") << false;
}

void TestFileNames::encode()
{
    QFETCH(QString, text);
    QFETCH(QByteArray, bytes);
    QFETCH(bool, valid);
    bool encodable = !valid;
    QCOMPARE(EncodeFileName(text, &encodable), bytes);
    QCOMPARE(encodable, valid);
}

// Every byte string survives the trip; validity agrees with Qt's own strict decoder.
void TestFileNames::randomBytesRoundTrip()
{
    static const QByteArray Pieces[] = {"a", "/", "\xC3\xA9", "\xE6\x97\xA5", "\xF0\x9F\x98\x80", "\xED\xA0\x80",
                                        "\xC0\xAF", "\x80", "\xBF", "\xE6", "\xF4\x90", "\xFF", "\xC3"};
    QRandomGenerator random(20240131);
    for (int round = 0; round < 5000; ++round) {
        QByteArray bytes;
        const int length = random.bounded(24);
        for (int i = 0; i < length; ++i) {
            if (random.bounded(2) == 0)
                bytes += char(random.bounded(1, 256));
            else
                bytes += Pieces[random.bounded(int(std::size(Pieces)))];
        }
        bool valid = false;
        const QString text = DecodeFileName(bytes, &valid);
        bool encodable = false;
        QCOMPARE(EncodeFileName(text, &encodable), bytes);
        QVERIFY(encodable);
        QCOMPARE(valid, QString::fromUtf8(bytes).toUtf8() == bytes);
        if (valid)
            QCOMPARE(text, QString::fromUtf8(bytes));
    }
}

QTEST_APPLESS_MAIN(TestFileNames)
#include "tst_filenames.moc"
