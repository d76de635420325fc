#include "app/HandoverProtocol.h"
#include "platform/InstanceLock.h"

#include "ProgramWorkspace.h"
#include "TestSupport.h"

#include <QLocalSocket>
#include <QtTest>

namespace {

// The rows a run printed, with the rule of each end row left out: its length follows the
// font of whoever measured the title (the window's list, or the terminal's cells).
QStringList Rows(const QByteArray &out)
{
    QStringList rows = QString::fromUtf8(out).split(u'\n', Qt::SkipEmptyParts);
    for (QString &row : rows) {
        if (row.startsWith(u"終了\t"_qs))
            row = u"終了\t<rule>"_qs + row.mid(row.indexOf(u'\t', 3));
    }
    return rows;
}

// The test itself as the caller, speaking the lines of the protocol.
class Caller {
public:
    explicit Caller(const QString &window) { m_socket.connectToServer(window); }

    bool Send(const QByteArray &line)
    {
        m_socket.write(line);
        return m_socket.waitForConnected(5000) && m_socket.waitForBytesWritten(5000);
    }
    // The next line that is not "alive"; none when the window closed or said nothing for 15 s.
    std::optional<HandoverLine> Next()
    {
        for (;;) {
            while (!m_socket.canReadLine()) {
                if (!m_socket.waitForReadyRead(15000))
                    return std::nullopt;
            }
            const std::optional<HandoverLine> line = CHandoverProtocol::Parse(m_socket.readLine());
            if (!line || line->word != HandoverWord::Alive)
                return line;
        }
    }
    // Lines up to the next question or the end.
    std::optional<HandoverLine> NextQuestionOrEnd()
    {
        for (;;) {
            std::optional<HandoverLine> line = Next();
            if (!line || line->word == HandoverWord::Message || line->word == HandoverWord::Delete || line->word == HandoverWord::End)
                return line;
        }
    }
    void Answer(const QString &id, int value) { Send(CHandoverProtocol::Line(HandoverWord::Answer, {id, QString::number(value)})); }
    void Close() { m_socket.abort(); }
    bool Closed() { return m_socket.state() == QLocalSocket::UnconnectedState || !m_socket.waitForReadyRead(15000); }

private:
    QLocalSocket m_socket;
};

} // namespace

class TestHandover : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void commandLineRunThroughTheWindow_data();
    void commandLineRunThroughTheWindow();
    void secondRequestWhileARunIsActive();
    void runOfAnotherProject();
    void callerThatGoesAwayStopsTheRun();
    void requestsTheWindowRefuses_data();
    void requestsTheWindowRefuses();
};

void TestHandover::commandLineRunThroughTheWindow_data()
{
    // table: the settings of project 1 ("ok": runs; "off": not marked for 全更新; "missing":
    // its master folder does not exist). Each case runs through the window and then, with the
    // window gone, by orvane-cli itself: both print the same rows and messages.
    QTest::addColumn<QStringList>("table");
    QTest::addColumn<QStringList>("arguments");
    QTest::addColumn<int>("exitCode");
    QTest::newRow("全テスト: the marked settings") << QStringList{"ok", "off", "ok"} << QStringList{"--test"} << 0;
    QTest::newRow("listed settings, in the given order") << QStringList{"ok", "off", "ok"} << QStringList{"--test", "--setting=3", "--setting=2"} << 0;
    QTest::newRow("a failing setting: its message and result") << QStringList{"ok", "missing"} << QStringList{"--test"} << 4;
    QTest::newRow("--quiet: only errors") << QStringList{"missing"} << QStringList{"--test", "--quiet"} << 4;
}

void TestHandover::commandLineRunThroughTheWindow()
{
    QFETCH(QStringList, table);
    QFETCH(QStringList, arguments);
    QFETCH(int, exitCode);
    ProgramWorkspace w;
    std::vector<CFolderSetting> settings;
    for (qsizetype i = 0; i < table.size(); ++i) {
        settings.push_back(w.Setting(QStringLiteral("S%1").arg(i + 1), table[i] != "missing"));
        settings.back().AutoExec = table[i] != "off";
    }
    w.WriteIni("test", settings);
    QProcess *window = w.StartWindow({"-ini=test"});
    QVERIFY(window);
    const QStringList run = QStringList{"run", "--ini=test"} + arguments;
    const ProgramWorkspace::Finished handed = w.Run(ORVANE_CLI_PATH, run);
    QCOMPARE(handed.code, exitCode);
    QVERIFY2(!Rows(handed.out).isEmpty() || arguments.contains("--quiet"), handed.err.constData());
    QCOMPARE(window->state(), QProcess::Running);

    window->kill();
    QVERIFY(window->waitForFinished(10000));
    const ProgramWorkspace::Finished own = w.Run(ORVANE_CLI_PATH, run);
    QCOMPARE(own.code, exitCode);
    QCOMPARE(Rows(handed.out), Rows(own.out));
    QCOMPARE(QString::fromUtf8(handed.err), QString::fromUtf8(own.err));
}

void TestHandover::secondRequestWhileARunIsActive()
{
    ProgramWorkspace w;
    w.WriteIni("test", {w.Setting("S1"), w.Setting("S2", false)});
    QVERIFY(w.StartWindow({"-ini=test"}));
    HandoverRequest request{.lockPath = CInstanceLock::LockPathFor(w.Ini("test"))};

    // A real run that stops at the failing second setting and waits for this caller's answer.
    Caller first(w.InstanceName());
    QVERIFY(first.Send(CHandoverProtocol::RequestLine(request)));
    QCOMPARE(first.Next()->word, HandoverWord::Accepted);
    const std::optional<HandoverLine> question = first.NextQuestionOrEnd();
    QVERIFY(question);
    QCOMPARE(question->word, HandoverWord::Message);
    QVERIFY(w.BackedUp("S1"));

    // Meanwhile the window takes no other run: orvane-cli says so and ends with 75 ...
    const ProgramWorkspace::Finished refused = w.Run(ORVANE_CLI_PATH, {"run", "--ini=test"});
    QCOMPARE(refused.code, 75);
    QVERIFY2(refused.err.contains("A run is active in the Orvane Unicode window"), refused.err.constData());
    QVERIFY(refused.out.isEmpty());
    // ... and so does the window to a caller of its own words.
    Caller second(w.InstanceName());
    QVERIFY(second.Send(CHandoverProtocol::RequestLine(request)));
    const std::optional<HandoverLine> busy = second.Next();
    QVERIFY(busy);
    QCOMPARE(busy->word, HandoverWord::Refused);
    QCOMPARE(busy->fields, QStringList{"busy"});
    QVERIFY(second.Closed());

    // The first run goes on with its answers and ends with its result.
    std::optional<HandoverLine> line = question;
    while (line && line->word == HandoverWord::Message) {
        first.Answer(line->fields.front(), int(MessageAnswer::Ok));
        line = first.NextQuestionOrEnd();
    }
    QVERIFY(line);
    QCOMPARE(line->word, HandoverWord::End);
    QCOMPARE(line->fields, QStringList{"4"});
    QVERIFY(first.Closed());
    // The window saved what the run recorded.
    const std::vector<CFolderSetting> stored = w.StoredSettings("test");
    QVERIFY(stored[0].LastExec > 0);
    QCOMPARE(stored[0].Errors, 0);
}

void TestHandover::runOfAnotherProject()
{
    ProgramWorkspace w;
    w.WriteIni("test", {w.Setting("S1")}, {}, 0);
    w.WriteIni("test", {w.Setting("S2")}, {}, 1);
    QProcess *window = w.StartWindow({"-ini=test", "/project=1"});
    QVERIFY(window);
    // The window shows the asked project and runs its settings, and saves what the run recorded
    // into that project, not into the one it showed before.
    const ProgramWorkspace::Finished handed = w.Run(ORVANE_CLI_PATH, {"run", "--ini=test", "--project=2"});
    QCOMPARE(handed.code, 0);
    QVERIFY(handed.out.contains("S2"));
    QVERIFY(w.BackedUp("S2"));
    QVERIFY(!w.BackedUp("S1"));
    QTRY_VERIFY(w.StoredSettings("test", 1).front().LastExec > 0);
    QCOMPARE(w.StoredSettings("test", 0).front().LastExec, 0);
    QCOMPARE(w.StoredSettings("test", 0).front().Name, "S1");
    QCOMPARE(window->state(), QProcess::Running);
}

void TestHandover::callerThatGoesAwayStopsTheRun()
{
    ProgramWorkspace w;
    // The first setting asks before it deletes the backup's extra file; the second would run next.
    CFolderSetting asking = w.Setting("S1");
    asking.DeleteConf = true;
    QDir().mkpath(w.Path("backup/S1"));
    QVERIFY(testsupport::WriteFile(w.Path("backup/S1/extra.txt"), "extra"));
    w.WriteIni("test", {asking, w.Setting("S2")});
    QProcess *window = w.StartWindow({"-ini=test"});
    QVERIFY(window);
    {
        Caller caller(w.InstanceName());
        QVERIFY(caller.Send(CHandoverProtocol::RequestLine({.lockPath = CInstanceLock::LockPathFor(w.Ini("test"))})));
        QCOMPARE(caller.Next()->word, HandoverWord::Accepted);
        const std::optional<HandoverLine> question = caller.NextQuestionOrEnd();
        QVERIFY(question);
        QCOMPARE(question->word, HandoverWord::Delete);
        QCOMPARE(question->fields[1], w.Path("backup/S1/extra.txt"));
        caller.Close();
    }
    // The window stopped the run as 中止 does: the file stays, the second setting never ran;
    // and it takes the next run as before.
    QTRY_COMPARE(w.StoredSettings("test")[0].Errors != CFolderSetting::ErrorsRunning, true);
    QTest::qWait(1000);
    QVERIFY(!w.BackedUp("S2"));
    QCOMPARE(window->state(), QProcess::Running);
    QVERIFY(QFileInfo::exists(w.Path("backup/S1/extra.txt")));
    const ProgramWorkspace::Finished next = w.Run(ORVANE_CLI_PATH, {"run", "--ini=test", "--setting=2"});
    QCOMPARE(next.code, 0);
    QVERIFY(w.BackedUp("S2"));
    QVERIFY(next.out.contains(u"S2"_qs.toUtf8()));
}

void TestHandover::requestsTheWindowRefuses_data()
{
    QTest::addColumn<QStringList>("arguments");
    QTest::addColumn<int>("exitCode");
    QTest::addColumn<QString>("message");
    QTest::newRow("a project the window does not have") << QStringList{"--project=33"} << 64 << "There is no project 33 (1 to 32).";
    QTest::newRow("a setting the project does not have") << QStringList{"--setting=5"} << 64 << "There is no folder setting 5 (project 1 has 1).";
    QTest::newRow("another configuration, held by another program")
        << QStringList{"--ini=other"} << 75 << "The configuration is open in the Orvane Unicode window (or another program)";
}

void TestHandover::requestsTheWindowRefuses()
{
    QFETCH(QStringList, arguments);
    QFETCH(int, exitCode);
    QFETCH(QString, message);
    ProgramWorkspace w;
    w.WriteIni("test", {w.Setting("S1")});
    w.WriteIni("other", {w.Setting("S1")});
    CInstanceLock other(CInstanceLock::LockPathFor(w.Ini("other")));
    QCOMPARE(other.TryLock(), CInstanceLock::Result::Acquired);
    QVERIFY(w.StartWindow({"-ini=test"}));
    if (!arguments.front().startsWith("--ini"))
        arguments.prepend("--ini=test");
    const ProgramWorkspace::Finished refused = w.Run(ORVANE_CLI_PATH, QStringList{"run"} + arguments);
    QCOMPARE(refused.code, exitCode);
    QVERIFY2(QString::fromUtf8(refused.err).contains(message), refused.err.constData());
    QVERIFY(!w.BackedUp("S1"));
}

QTEST_GUILESS_MAIN(TestHandover)
#include "tst_handover.moc"
