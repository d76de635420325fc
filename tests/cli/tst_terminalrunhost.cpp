#include "cli/TerminalRunHost.h"
#include "platform/MessageBox.h"

#include <QTest>

#include <ctime>

namespace {

constexpr qint64 Jan31 = 1706742309;   // 2024-01-31 23:05:09 UTC

// A stream in memory that the test can read back.
class Capture {
public:
    Capture() : m_file(std::tmpfile()), m_stream(m_file) {}
    ~Capture() { std::fclose(m_file); }
    FILE *file() const { return m_file; }
    COutputStream *stream() { return &m_stream; }
    QString text() const
    {
        std::fflush(m_file);
        const long end = std::ftell(m_file);
        std::rewind(m_file);
        QByteArray bytes(end, '\0');
        const size_t got = std::fread(bytes.data(), 1, size_t(end), m_file);
        std::fseek(m_file, 0, SEEK_END);
        return QString::fromUtf8(bytes.left(qsizetype(got)));
    }

private:
    FILE *m_file;
    COutputStream m_stream;
};

// Input typed by the user, one line per answer.
class Typed : public Capture {
public:
    explicit Typed(const QByteArray &lines)
    {
        std::fwrite(lines.constData(), 1, size_t(lines.size()), file());
        std::rewind(file());
    }
};

struct Terminal {
    Capture out;
    Capture err;
    CTerminalRunHost::Streams streams(bool statusShown = false, bool quiet = false, bool interactive = false,
                                      FILE *in = nullptr)
    {
        CTerminalRunHost::Streams s;
        s.out = out.stream();
        s.err = err.stream();
        s.in = in;
        s.statusShown = statusShown;
        s.quiet = quiet;
        s.interactive = interactive;
        return s;
    }
};

} // namespace

class tst_TerminalRunHost : public QObject {
    Q_OBJECT

private slots:
    void initTestCase();
    void rowLine_data();
    void rowLine();
    void rowsStreamInOrder();
    void quietKeepsOnlyErrors();
    void statusOnlyOnTerminal();
    void messageTakesUnattendedAnswer();
    void messageAskedOnTerminal_data();
    void messageAskedOnTerminal();
    void deleteConfirmation_data();
    void deleteConfirmation();
    void cellWidth_data();
    void cellWidth();
};

void tst_TerminalRunHost::initTestCase()
{
    qputenv("TZ", "UTC");
    tzset();
}

void tst_TerminalRunHost::rowLine_data()
{
    QTest::addColumn<QString>("operation");
    QTest::addColumn<QString>("name");
    QTest::addColumn<qint64>("masterTime");
    QTest::addColumn<qint64>("backupTime");
    QTest::addColumn<bool>("sizeShown");
    QTest::addColumn<quint64>("size");
    QTest::addColumn<QString>("line");

    QTest::newRow("start row") << u"開始"_qs << u"--- 設定 ---"_qs << qint64(0) << qint64(0) << false << quint64(0)
                               << u"開始\t--- 設定 ---\t\t\t"_qs;
    QTest::newRow("both times 0 hide the size") << u"エラー"_qs << u"x"_qs << qint64(0) << qint64(0) << true
                                                << quint64(5) << u"エラー\tx\t\t\t"_qs;
    QTest::newRow("created: no backup time") << u"作成"_qs << u"a/b.txt"_qs << Jan31 << qint64(0) << true << quint64(1023)
                                             << u"作成\ta/b.txt\t2024/01/31 23:05:09\t--/--/-- --:--:--\t1,023 B"_qs;
    QTest::newRow("deleted: no master time") << u"削除"_qs << u"old.bin"_qs << qint64(0) << Jan31 + 1 << true
                                             << quint64(1536)
                                             << u"削除\told.bin\t--/--/-- --:--:--\t2024/01/31 23:05:10\t1.5 KB"_qs;
    QTest::newRow("folder rename: no size") << u"リネーム"_qs << u"Dir"_qs << Jan31 << Jan31 << false << quint64(0)
                                            << u"リネーム\tDir\t2024/01/31 23:05:09\t2024/01/31 23:05:09\t"_qs;
    QTest::newRow("error text ending in CR LF") << u"エラー"_qs << u"コピー失敗: Permission denied\r\n"_qs << qint64(0)
                                                << qint64(0) << false << quint64(0)
                                                << u"エラー\tコピー失敗: Permission denied\t\t\t"_qs;
    QTest::newRow("breaks and a tab inside a name") << u"作成"_qs << u"a\tb\r\nc.txt"_qs << Jan31 << qint64(0) << true
                                                    << quint64(0)
                                                    << u"作成\ta b  c.txt\t2024/01/31 23:05:09\t--/--/-- --:--:--\t0 B"_qs;
    QTest::newRow("escape, bell and DEL are shown, not acted on")
        << u"作成"_qs << u"a\x1b]0;pwned\x07" u"b\x7f"_qs << qint64(0) << qint64(0) << false << quint64(0)
        << u"作成\ta\\x1B]0;pwned\\x07b\\x7F\t\t\t"_qs;
    QTest::newRow("a C1 control and a direction override") << u"削除"_qs << u"x\u009b2Jy\u202etxt.exe"_qs << qint64(0)
                                                           << qint64(0) << false << quint64(0)
                                                           << u"削除\tx\\x9B2Jy\\u202Etxt.exe\t\t\t"_qs;
    QTest::newRow("leading blanks stay") << u"作成"_qs << u"  x "_qs << Jan31 << Jan31 << true << quint64(1ull << 40)
                                         << u"作成\t  x\t2024/01/31 23:05:09\t2024/01/31 23:05:09\t1.0 TB"_qs;
}

void tst_TerminalRunHost::rowLine()
{
    QFETCH(QString, operation);
    QFETCH(QString, name);
    QFETCH(qint64, masterTime);
    QFETCH(qint64, backupTime);
    QFETCH(bool, sizeShown);
    QFETCH(quint64, size);
    QFETCH(QString, line);
    const QString made = CTerminalRunHost::FormatRow(ReportRow{operation, name, masterTime, backupTime, sizeShown, size});
    QCOMPARE(made, line);
    QCOMPARE(made.count(u'\t'), 4);
}

void tst_TerminalRunHost::rowsStreamInOrder()
{
    Terminal t;
    CTerminalRunHost host(t.streams());
    host.AddReportRow(ReportRow{u"作成"_qs, u"one"_qs, Jan31, 0, true, 10});
    // Written as it comes, not held back until the run ends.
    QVERIFY(t.out.text().startsWith(u"作成\tone\t"_qs));
    host.AddReportRow(ReportRow{u"エラー"_qs, u"two\r\n"_qs});
    host.Finish();
    const QStringList lines = t.out.text().split(u'\n');
    QCOMPARE(lines.size(), 3);
    QVERIFY(lines[1].startsWith(u"エラー\ttwo\t"_qs));
    QCOMPARE(lines[2], QString());
    QCOMPARE(t.err.text(), QString());
}

void tst_TerminalRunHost::quietKeepsOnlyErrors()
{
    Terminal t;
    CTerminalRunHost host(t.streams(false, true));
    host.AddReportRow(ReportRow{u"作成"_qs, u"one"_qs, Jan31, 0, true, 10});
    host.AddReportRow(ReportRow{u"エラー"_qs, u"失敗"_qs});
    host.StatusText(u"バックアップ中…"_qs, u"one"_qs);
    QCOMPARE(host.MessageBox({.text = u"完了"_qs, .caption = u"情報"_qs}), MessageAnswer::Ok);
    QCOMPARE(host.MessageBox({.text = u"失敗しました"_qs, .caption = u"コピー"_qs, .buttons = MessageButtons::AbortRetryIgnore,
                              .icon = MessageIcon::Error, .unattended = MessageAnswer::Ignore}),
             MessageAnswer::Ignore);
    host.Finish();
    QCOMPARE(t.out.text(), QString());
    const QString err = t.err.text();
    QVERIFY(err.contains(u"エラー\t失敗"_qs));
    QVERIFY(err.contains(u"[コピー] 失敗しました"_qs));
    QVERIFY(!err.contains(u"完了"_qs));
    QVERIFY(!err.contains(u"バックアップ中"_qs));
}

void tst_TerminalRunHost::statusOnlyOnTerminal()
{
    Terminal off;
    CTerminalRunHost silent(off.streams(false));
    silent.StatusText(u"バックアップ中…"_qs, u"a.txt"_qs);
    silent.StatusText(u"終了しました"_qs, QString());
    silent.Finish();
    QCOMPARE(off.err.text(), QString());

    Terminal on;
    CTerminalRunHost shown(on.streams(true));
    shown.AddReportRow(ReportRow{u"作成"_qs, u"a.txt"_qs, Jan31, 0, true, 2048});
    shown.StatusText(u"バックアップ中…"_qs, u"a.txt"_qs);
    // Within the redraw interval: counted, not drawn.
    shown.StatusText(u"バックアップ中…"_qs, u"b.txt"_qs);
    const QString drawn = on.err.text();
    QVERIFY2(drawn.contains(u"a.txt"_qs) && !drawn.contains(u"b.txt"_qs), qPrintable(drawn));
    QVERIFY(drawn.startsWith(u"\r\x1b[K"_qs));
    shown.StatusText(u"終了しました"_qs, QString());
    shown.Finish();
    const QString all = on.err.text();
    const QString last = all.mid(all.lastIndexOf(u'\r'));
    // Files considered, rows, bytes copied, then the status text.
    QVERIFY2(last.contains(u"2 件 / 1 行 / 2.0 KB"_qs), qPrintable(last));
    QVERIFY(last.contains(u"終了しました"_qs));
    QVERIFY(all.endsWith(u'\n'));
    // The rows stay on the output, whatever the progress line does.
    QVERIFY(on.out.text().startsWith(u"作成\ta.txt"_qs));
}

void tst_TerminalRunHost::messageTakesUnattendedAnswer()
{
    Terminal t;
    CTerminalRunHost host(t.streams());
    QCOMPARE(host.MessageBox({.text = u"ファイルをコピーできません"_qs, .caption = u"コピー失敗"_qs,
                              .buttons = MessageButtons::AbortRetryIgnore, .icon = MessageIcon::Error, .defaultButton = 1,
                              .unattended = MessageAnswer::Abort}),
             MessageAnswer::Abort);
    QCOMPARE(host.MessageBox({.text = u"処理が中断されました。"_qs, .caption = u"中断"_qs, .icon = MessageIcon::Warning}),
             MessageAnswer::Ok);
    const QString err = t.err.text();
    QVERIFY(err.contains(u"[コピー失敗] ファイルをコピーできません\n"_qs));
    QVERIFY2(err.contains(u"-> 中止/Abort"_qs), qPrintable(err));
    QVERIFY(err.contains(u"[中断] 処理が中断されました。"_qs));
    QCOMPARE(host.ConfirmDelete(u"/b/x"_qs, u"1 バイト"_qs, u"2024/01/31 23:05:09"_qs), DeleteChoice::SkipThis);
}

void tst_TerminalRunHost::messageAskedOnTerminal_data()
{
    QTest::addColumn<QByteArray>("typed");
    QTest::addColumn<MessageButtons>("buttons");
    QTest::addColumn<int>("defaultButton");
    QTest::addColumn<MessageAnswer>("answer");

    const MessageButtons ari = MessageButtons::AbortRetryIgnore;
    QTest::newRow("retry") << QByteArray("r\n") << ari << 0 << MessageAnswer::Retry;
    QTest::newRow("ignore, upper case") << QByteArray("I\n") << ari << 0 << MessageAnswer::Ignore;
    QTest::newRow("unknown key asks again") << QByteArray("x\nabort\n") << ari << 0 << MessageAnswer::Abort;
    QTest::newRow("enter takes the default button") << QByteArray("\n") << ari << 2 << MessageAnswer::Ignore;
    QTest::newRow("enter, first button") << QByteArray("\n") << ari << 0 << MessageAnswer::Abort;
    QTest::newRow("end of input: unattended answer") << QByteArray() << ari << 0 << MessageAnswer::Cancel;
    QTest::newRow("yes no") << QByteArray("n\n") << MessageButtons::YesNo << 0 << MessageAnswer::No;
    QTest::newRow("a key the box lacks") << QByteArray("r\ny\n") << MessageButtons::YesNoCancel << 0 << MessageAnswer::Yes;
    QTest::newRow("ok box asks nothing") << QByteArray("r\n") << MessageButtons::Ok << 0 << MessageAnswer::Cancel;
}

void tst_TerminalRunHost::messageAskedOnTerminal()
{
    QFETCH(QByteArray, typed);
    QFETCH(MessageButtons, buttons);
    QFETCH(int, defaultButton);
    QFETCH(MessageAnswer, answer);
    Terminal t;
    Typed in(typed);
    CTerminalRunHost host(t.streams(false, false, true, in.file()));
    // IdCancel stands for "nobody answered", so each case shows where its answer came from.
    QCOMPARE(host.MessageBox({.text = u"本文"_qs, .caption = u"見出し"_qs, .buttons = buttons, .icon = MessageIcon::Error,
                              .defaultButton = defaultButton, .unattended = MessageAnswer::Cancel}),
             answer);
    QVERIFY(t.err.text().contains(u"[見出し] 本文"_qs));
}

void tst_TerminalRunHost::deleteConfirmation_data()
{
    QTest::addColumn<QByteArray>("typed");
    QTest::addColumn<int>("choice");

    QTest::newRow("delete") << QByteArray("d\n") << int(DeleteChoice::DeleteThis);
    QTest::newRow("enter deletes") << QByteArray("\n") << int(DeleteChoice::DeleteThis);
    QTest::newRow("all") << QByteArray("a\n") << int(DeleteChoice::DeleteAll);
    QTest::newRow("skip after a wrong key") << QByteArray("q\ns\n") << int(DeleteChoice::SkipThis);
    QTest::newRow("cancel") << QByteArray("c\n") << int(DeleteChoice::AbortRun);
    QTest::newRow("end of input stops") << QByteArray() << int(DeleteChoice::AbortRun);
}

void tst_TerminalRunHost::deleteConfirmation()
{
    QFETCH(QByteArray, typed);
    QFETCH(int, choice);
    Terminal t;
    Typed in(typed);
    CTerminalRunHost host(t.streams(false, false, true, in.file()));
    QCOMPARE(int(host.ConfirmDelete(u"/b/old.txt"_qs, u"1,234 バイト"_qs, u"2024/01/31 23:05:09"_qs)), choice);
    const QString err = t.err.text();
    QVERIFY(err.contains(u"/b/old.txt"_qs) && err.contains(u"1,234 バイト"_qs) && err.contains(u"2024/01/31"_qs));
}

void tst_TerminalRunHost::cellWidth_data()
{
    QTest::addColumn<QString>("text");
    QTest::addColumn<int>("width");

    QTest::newRow("ascii") << u"-----"_qs << 5;
    QTest::newRow("kanji and kana") << u"新しい設定"_qs << 10;
    QTest::newRow("mixed title") << u"--- 設定 ---"_qs << 12;
    QTest::newRow("half-width katakana") << u"ｱｲ"_qs << 2;
    QTest::newRow("full-width letters") << u"ＡＢ"_qs << 4;
    QTest::newRow("ideograph beyond the BMP") << QString::fromUcs4(U"\U00020B9F") << 2;
    QTest::newRow("empty") << QString() << 0;
}

void tst_TerminalRunHost::cellWidth()
{
    QFETCH(QString, text);
    QFETCH(int, width);
    QCOMPARE(CTerminalRunHost::CellWidth(text), width);
}

QTEST_APPLESS_MAIN(tst_TerminalRunHost)
#include "tst_terminalrunhost.moc"
