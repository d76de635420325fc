#include "app/HandoverProtocol.h"
#include "app/RelayRunHost.h"

#include "ScriptedRunHost.h"

#include <QtTest>

#include <future>
#include <thread>

class TestHandoverProtocol : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void fieldsSurviveTheLine_data();
    void fieldsSurviveTheLine();
    void brokenLines_data();
    void brokenLines();
    void requests_data();
    void requests();
    void rowsAndMessages();
    void fieldsOutOfRange_data();
    void fieldsOutOfRange();
    void relayAnswers_data();
    void relayAnswers();
};

void TestHandoverProtocol::fieldsSurviveTheLine_data()
{
    QTest::addColumn<QStringList>("fields");
    QTest::newRow("none") << QStringList{};
    QTest::newRow("an empty field") << QStringList{""};
    QTest::newRow("tabs and line ends") << QStringList{"a\tb", "line\r\nnext", "end\n"};
    QTest::newRow("backslashes that look like escapes") << QStringList{"C:\\temp\\new", "\\t", "\\\\n", "\\"};
    QTest::newRow("Japanese and beyond the BMP") << QStringList{u"バックアップ完了"_qs, u"😀.txt"_qs};
}

void TestHandoverProtocol::fieldsSurviveTheLine()
{
    QFETCH(QStringList, fields);
    const QByteArray line = CHandoverProtocol::Line(HandoverWord::Status, fields);
    // One line, however many breaks the fields hold.
    QCOMPARE(line.count('\n'), 1);
    QVERIFY(line.endsWith('\n'));
    QVERIFY(!line.contains('\r'));
    const std::optional<HandoverLine> parsed = CHandoverProtocol::Parse(line);
    QVERIFY(parsed);
    QCOMPARE(parsed->word, HandoverWord::Status);
    QCOMPARE(parsed->fields, fields);
}

void TestHandoverProtocol::brokenLines_data()
{
    QTest::addColumn<QByteArray>("line");
    QTest::newRow("empty") << QByteArray("\n");
    QTest::newRow("unknown word") << QByteArray("reboot\n");
    QTest::newRow("a word in capitals") << QByteArray("ROW\ta\n");
    QTest::newRow("unknown escape") << QByteArray("status\ta\\xb\t\n");
    QTest::newRow("backslash at the end") << QByteArray("status\tab\\\n");
    QTest::newRow("the state answer of the single instance") << QByteArray("normal\n");
}

void TestHandoverProtocol::brokenLines()
{
    QFETCH(QByteArray, line);
    QVERIFY(!CHandoverProtocol::Parse(line));
}

void TestHandoverProtocol::requests_data()
{
    QTest::addColumn<QByteArray>("line");
    QTest::addColumn<bool>("valid");
    QTest::addColumn<int>("project");   // -1: none
    QTest::addColumn<QList<int>>("settings");
    QTest::addColumn<QString>("switches");
    QTest::newRow("all of the active project") << QByteArray("run\tlock=/p/orvane.ini.lock\n") << true << -1 << QList<int>{} << "";
    QTest::newRow("project, settings in order, switches")
        << QByteArray("run\tlock=/p/x.ini.lock\tproject=2\tsetting=4\tsetting=0\ttest\tauto\tinteractive\tstatus\n") << true << 2
        << QList<int>{4, 0} << "test auto interactive status";
    QTest::newRow("a lock path with a tab") << QByteArray("run\tlock=/a\\tb.lock\n") << true << -1 << QList<int>{} << "";
    QTest::newRow("no lock") << QByteArray("run\tproject=1\n") << false << -1 << QList<int>{} << "";
    QTest::newRow("an empty lock") << QByteArray("run\tlock=\n") << false << -1 << QList<int>{} << "";
    QTest::newRow("a negative project") << QByteArray("run\tlock=/l\tproject=-1\n") << false << -1 << QList<int>{} << "";
    QTest::newRow("a project beyond 1000") << QByteArray("run\tlock=/l\tproject=1000\n") << false << -1 << QList<int>{} << "";
    QTest::newRow("two projects") << QByteArray("run\tlock=/l\tproject=1\tproject=2\n") << false << -1 << QList<int>{} << "";
    QTest::newRow("a setting with a sign") << QByteArray("run\tlock=/l\tsetting=+3\n") << false << -1 << QList<int>{} << "";
    QTest::newRow("a number too long for an int") << QByteArray("run\tlock=/l\tsetting=99999999999\n") << false << -1 << QList<int>{} << "";
    QTest::newRow("an unknown switch") << QByteArray("run\tlock=/l\tshutdown\n") << false << -1 << QList<int>{} << "";
    QTest::newRow("not a run") << QByteArray("row\tlock=/l\n") << false << -1 << QList<int>{} << "";
}

void TestHandoverProtocol::requests()
{
    QFETCH(QByteArray, line);
    QFETCH(bool, valid);
    QFETCH(int, project);
    QFETCH(QList<int>, settings);
    QFETCH(QString, switches);
    const std::optional<HandoverLine> parsed = CHandoverProtocol::Parse(line);
    const std::optional<HandoverRequest> request = parsed ? CHandoverProtocol::RequestOf(*parsed) : std::nullopt;
    QCOMPARE(request.has_value(), valid);
    if (!valid)
        return;
    QCOMPARE(request->project.value_or(-1), project);
    QCOMPARE(request->settings, settings);
    QStringList on;
    for (const auto &[name, flag] : {std::pair{"test", request->test}, {"auto", request->autoMode},
                                     {"interactive", request->interactive}, {"status", request->statusWanted}}) {
        if (flag)
            on << name;
    }
    QCOMPARE(on.join(u' '), switches);
    // What the caller writes is what the window reads.
    QCOMPARE(CHandoverProtocol::RequestOf(*CHandoverProtocol::Parse(CHandoverProtocol::RequestLine(*request))), request);
}

void TestHandoverProtocol::rowsAndMessages()
{
    const ReportRow row{.operation = u"更新"_qs, .name = "dir\tname\n.txt", .masterTime = 1706745909, .backupTime = -5,
                        .sizeShown = true, .size = 18446744073709551615ull};
    const auto rowBack = CHandoverProtocol::RowOf(CHandoverProtocol::Parse(CHandoverProtocol::Line(HandoverWord::Row, CHandoverProtocol::RowFields(row)))->fields);
    QVERIFY(rowBack);
    QCOMPARE(rowBack->operation, row.operation);
    QCOMPARE(rowBack->name, row.name);
    QCOMPARE(rowBack->masterTime, row.masterTime);
    QCOMPARE(rowBack->backupTime, row.backupTime);
    QCOMPARE(rowBack->sizeShown, true);
    QCOMPARE(rowBack->size, row.size);

    const MessageBoxRequest box{.text = "line 1\nline 2", .caption = u"中断"_qs, .buttons = MessageButtons::AbortRetryIgnore,
                                .icon = MessageIcon::Warning, .defaultButton = 2, .unattended = MessageAnswer::Abort};
    const auto boxBack = CHandoverProtocol::MessageOf(CHandoverProtocol::MessageFields(17, box));
    QVERIFY(boxBack);
    QCOMPARE(boxBack->first, 17);
    QCOMPARE(boxBack->second.text, box.text);
    QCOMPARE(boxBack->second.caption, box.caption);
    QCOMPARE(boxBack->second.buttons, box.buttons);
    QCOMPARE(boxBack->second.icon, box.icon);
    QCOMPARE(boxBack->second.defaultButton, 2);
    QCOMPARE(boxBack->second.unattended, MessageAnswer::Abort);
}

void TestHandoverProtocol::fieldsOutOfRange_data()
{
    QTest::addColumn<bool>("message");
    QTest::addColumn<QStringList>("fields");
    QTest::newRow("a row without its size") << false << QStringList{"op", "name", "0", "0", "0"};
    QTest::newRow("a row with a time that is no number") << false << QStringList{"op", "name", "yesterday", "0", "0", "0"};
    QTest::newRow("a row whose size flag is 2") << false << QStringList{"op", "name", "0", "0", "2", "0"};
    QTest::newRow("a row with a negative size") << false << QStringList{"op", "name", "0", "0", "1", "-1"};
    QTest::newRow("a message with buttons beyond the last kind") << true << QStringList{"1", "t", "c", "5", "0", "0", "1"};
    QTest::newRow("a message with an icon beyond the last kind") << true << QStringList{"1", "t", "c", "0", "4", "0", "1"};
    QTest::newRow("a message with a fourth default button") << true << QStringList{"1", "t", "c", "0", "0", "3", "1"};
    QTest::newRow("a message with an answer beyond No") << true << QStringList{"1", "t", "c", "0", "0", "0", "8"};
    QTest::newRow("a message without an id") << true << QStringList{"", "t", "c", "0", "0", "0", "1"};
    QTest::newRow("a message with a field too many") << true << QStringList{"1", "t", "c", "0", "0", "0", "1", "x"};
}

void TestHandoverProtocol::fieldsOutOfRange()
{
    QFETCH(bool, message);
    QFETCH(QStringList, fields);
    if (message)
        QVERIFY(!CHandoverProtocol::MessageOf(fields));
    else
        QVERIFY(!CHandoverProtocol::RowOf(fields));
}

void TestHandoverProtocol::relayAnswers_data()
{
    // The worker asks a question with three buttons; what the caller sends back, or that it
    // went away, decides the answer the run gets.
    QTest::addColumn<QString>("reply");
    QTest::addColumn<MessageAnswer>("answer");
    QTest::newRow("the caller's answer") << "answer 1 3" << MessageAnswer::Abort;
    QTest::newRow("an answer to another question is passed over") << "answer 2 6|answer 1 5" << MessageAnswer::Ignore;
    QTest::newRow("a value beyond the answers: the unattended one") << "answer 1 99" << MessageAnswer::Retry;
    QTest::newRow("the caller went away") << "gone" << MessageAnswer::Retry;
}

void TestHandoverProtocol::relayAnswers()
{
    QFETCH(QString, reply);
    QFETCH(MessageAnswer, answer);
    ScriptedRunHost window;
    CRelayRunHost relay(window, false);
    const MessageBoxRequest box{.text = "?", .buttons = MessageButtons::AbortRetryIgnore, .unattended = MessageAnswer::Retry};
    std::future<MessageAnswer> asked = std::async(std::launch::async, [&] {
        relay.AddReportRow({.operation = "row"});
        return relay.MessageBox(box);
    });
    // The row, then the question, in that order and nothing else.
    QByteArray output;
    QTRY_VERIFY((output += relay.TakeOutput()).count('\n') == 2);
    const QList<QByteArray> lines = output.split('\n');
    QCOMPARE(CHandoverProtocol::Parse(lines[0])->word, HandoverWord::Row);
    const std::optional<HandoverLine> question = CHandoverProtocol::Parse(lines[1]);
    QCOMPARE(question->word, HandoverWord::Message);
    QCOMPARE(question->fields.front(), "1");
    QCOMPARE(asked.wait_for(std::chrono::milliseconds(50)), std::future_status::timeout);
    for (const QString &step : reply.split(u'|')) {
        if (step == u"gone")
            relay.CallerGone();
        else
            relay.Answer(step.section(u' ', 1, 1).toInt(), step.section(u' ', 2, 2).toInt());
    }
    QCOMPARE(asked.get(), answer);
    // The window shows the row but never the question: it is the caller's.
    QCOMPARE(window.rows.size(), 1);
    QVERIFY(window.questions.empty());
    // Once the caller is gone, questions are answered at once and nothing waits in the outbox.
    relay.CallerGone();
    QCOMPARE(relay.ConfirmDelete("f", "1 KB", "today"), RunHost::UnansweredDelete);
    relay.AddReportRow({.operation = "late"});
    QVERIFY(relay.TakeOutput().isEmpty());
}

QTEST_GUILESS_MAIN(TestHandoverProtocol)
#include "tst_handoverprotocol.moc"
