#include "app/HandoverProtocol.h"
#include "cli/TerminalRunHost.h"
#include "platform/InstanceLock.h"

#include <QDir>
#include <QLocalServer>
#include <QLocalSocket>
#include <QProcess>
#include <QTemporaryDir>
#include <QtTest>

#include <unistd.h>

namespace {

// The test as the window: it holds the configuration's lock, listens where orvane-cli looks
// for the window and follows a script. Steps: "> LINE" sends a line (tabs written as "|"),
// "< TEXT" waits until the caller has sent a line that begins so, "close" ends the connection,
// "hold" keeps it open and says nothing.
class FakeWindow : public QObject {
public:
    FakeWindow(const QString &name, QStringList script) : m_script(std::move(script))
    {
        QLocalServer::removeServer(name);
        m_listening = m_server.listen(name);
        connect(&m_server, &QLocalServer::newConnection, this, [this] {
            m_socket = m_server.nextPendingConnection();
            connect(m_socket, &QLocalSocket::readyRead, this, &FakeWindow::Read);
            Read();
        });
    }
    bool IsListening() const { return m_listening; }
    QStringList received;

private:
    void Read()
    {
        while (m_socket->canReadLine())
            received << QString::fromUtf8(m_socket->readLine()).chopped(1);
        Play();
    }
    void Play()
    {
        // The request comes first; the script begins after it.
        while (!received.isEmpty() && m_step < m_script.size()) {
            const QString step = m_script[m_step];
            if (step.startsWith("> ")) {
                m_socket->write(step.mid(2).replace(u'|', u'\t').toUtf8() + '\n');
                m_socket->flush();
            } else if (step.startsWith("< ")) {
                if (!received.last().startsWith(step.mid(2).replace(u'|', u'\t')))
                    return;
            } else if (step == "close") {
                m_socket->disconnectFromServer();
            } else if (step == "hold") {
                return;
            }
            ++m_step;
        }
    }

    QLocalServer m_server;
    QLocalSocket *m_socket = nullptr;
    QStringList m_script;
    qsizetype m_step = 0;
    bool m_listening = false;
};

} // namespace

class TestHandoverClient : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void windowAnswers_data();
    void windowAnswers();
};

void TestHandoverClient::windowAnswers_data()
{
    QTest::addColumn<QStringList>("arguments");
    QTest::addColumn<QStringList>("script");   // empty: no window listens
    QTest::addColumn<int>("exitCode");
    QTest::addColumn<QString>("out");
    QTest::addColumn<QString>("err");          // a part of the error stream
    QTest::addColumn<QString>("answer");       // a part of the last line the caller sent

    const QString row = u"row|更新|dir/a.txt|1706745909|1706745000|1|2048"_qs;
    const QString rowText = CTerminalRunHost::FormatRow({.operation = u"更新"_qs, .name = "dir/a.txt", .masterTime = 1706745909,
                                                         .backupTime = 1706745000, .sizeShown = true, .size = 2048}) + '\n';
    const QStringList none;
    QTest::newRow("rows, then the run's result") << none << QStringList{"> accepted", "> " + row, "> alive", "> end|3"} << 3 << rowText << "" << "run";
    QTest::newRow("a question: the unattended answer goes back")
        << none << QStringList{"> accepted", u"> message|1|読めません|コピー エラー|2|0|0|3"_qs, "< answer|1|", "> end|2"} << 2 << ""
        << u"[コピー エラー] 読めません\n  -> 中止/Abort"_qs << "answer\t1\t3";
    QTest::newRow("a delete question: the file stays")
        << none << QStringList{"> accepted", "> delete|7|old.txt|1 KB|2024/01/31", "< answer|7|", "> end|0"} << 0 << ""
        << u"ファイル名: old.txt"_qs << "answer\t7\t2";
    QTest::newRow("the window goes away during the run")
        << none << QStringList{"> accepted", "> " + row, "close"} << 69 << rowText << "The window went away during the run" << "run";
    QTest::newRow("the window falls silent")
        << none << QStringList{"> accepted", "hold"} << 69 << "" << "The window stopped answering" << "run";
    QTest::newRow("a line it does not understand") << none << QStringList{"> accepted", "> reboot|now"} << 69 << "" << "went away" << "run";
    QTest::newRow("a line longer than any the window sends")
        << none << QStringList{"> accepted", "> row|" + QString(CHandoverProtocol::MaxLine, u'x')} << 69 << "" << "went away" << "run";
    QTest::newRow("a result beyond the run's codes") << none << QStringList{"> accepted", "> end|9"} << 69 << "" << "went away" << "run";
    QTest::newRow("refused: a run is active") << none << QStringList{"> refused|busy"} << 75 << "" << "A run is active in the Orvane Unicode window" << "run";
    QTest::newRow("refused: a dialog is open") << none << QStringList{"> refused|dialog-open"} << 75 << "" << "A dialog is open in the Orvane Unicode window" << "run";
    QTest::newRow("refused: another configuration")
        << none << QStringList{"> refused|other-configuration"} << 75 << "" << "The configuration is open in the Orvane Unicode window" << "run";
    QTest::newRow("refused: no such setting") << QStringList{"--setting=4"} << QStringList{"> refused|no-setting|3|0|2"} << 64 << ""
                                              << "There is no folder setting 4 (project 1 has 2)." << "setting=3";
    QTest::newRow("a window that does not know runs") << none << QStringList{"> unknown", "close"} << 75 << "" << "is open in the Orvane Unicode window" << "run";
    QTest::newRow("no window at all") << none << QStringList{} << 75 << "" << "is open in the Orvane Unicode window" << "";
    QTest::newRow("the request carries the options")
        << QStringList{"--project=2", "--setting=3", "--setting=1", "--test", "--auto"} << QStringList{"> refused|busy"} << 75 << ""
        << "A run is active" << "\tproject=1\tsetting=2\tsetting=0\ttest\tauto";
}

void TestHandoverClient::windowAnswers()
{
    QFETCH(QStringList, arguments);
    QFETCH(QStringList, script);
    QFETCH(int, exitCode);
    QFETCH(QString, out);
    QFETCH(QString, err);
    QFETCH(QString, answer);

    QTemporaryDir dir;
    for (const char *folder : {"program", "run"})
        QDir().mkpath(dir.filePath(folder));
    QFile ini(dir.filePath("program/test.ini"));
    QVERIFY(ini.open(QIODevice::WriteOnly));
    ini.close();
    // The window holds the configuration.
    CInstanceLock lock(CInstanceLock::LockPathFor(ini.fileName()));
    QCOMPARE(lock.TryLock(), CInstanceLock::Result::Acquired);
    std::unique_ptr<FakeWindow> window;
    if (!script.isEmpty()) {
        window = std::make_unique<FakeWindow>(dir.filePath(QStringLiteral("run/Orvane Unicode-%1").arg(::getuid())), script);
        QVERIFY(window->IsListening());
    }

    QProcess cli;
    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    environment.insert("ORVANE_PROGRAM_DIR", dir.filePath("program"));
    environment.insert("XDG_CONFIG_HOME", dir.filePath("xdg"));
    environment.insert("XDG_RUNTIME_DIR", dir.filePath("run"));
    cli.setProcessEnvironment(environment);
    cli.start(ORVANE_CLI_PATH, QStringList{"run", "--ini=test"} + arguments);
    QVERIFY(cli.waitForStarted(10000));
    QTRY_COMPARE_WITH_TIMEOUT(cli.state(), QProcess::NotRunning, 30000);
    const QString stdOut = QString::fromUtf8(cli.readAllStandardOutput());
    const QString stdErr = QString::fromUtf8(cli.readAllStandardError());
    QCOMPARE(cli.exitStatus(), QProcess::NormalExit);
    QVERIFY2(cli.exitCode() == exitCode, qPrintable(QStringLiteral("%1: %2").arg(cli.exitCode()).arg(stdErr)));
    QCOMPARE(stdOut, out);
    QVERIFY2(stdErr.contains(err), qPrintable(stdErr));
    if (window) {
        QVERIFY(!window->received.isEmpty());
        QVERIFY2(window->received.last().contains(answer), qPrintable(window->received.join(u'\n')));
        // The request names the configuration the caller found taken.
        QVERIFY(window->received.front().startsWith("run\tlock=" + lock.Path()));
    }
}

QTEST_GUILESS_MAIN(TestHandoverClient)
#include "tst_handoverclient.moc"
