#include "app/SingleInstance.h"
#include "config/Configuration.h"
#include "model/AppFlags.h"
#include "platform/InstanceLock.h"
#include "platform/Paths.h"

#include "ConfigTestSupport.h"

#include <QDir>
#include <QLocalSocket>
#include <QProcess>
#include <QtTest>

#include <memory>
#include <unistd.h>

namespace {

// Temporary folders for the programs started here: the INI files, the user database, and the
// runtime folder where the running copy is found.
class Workspace {
public:
    Workspace()
    {
        for (const char *folder : {"program", "xdg", "run"})
            QDir().mkpath(m_dir.filePath(folder));
        QFile::setPermissions(m_dir.filePath("run"), QFileDevice::ReadOwner | QFileDevice::WriteOwner | QFileDevice::ExeOwner);
        m_environment.insert("ORVANE_PROGRAM_DIR", m_dir.filePath("program"));
        m_environment.insert("XDG_CONFIG_HOME", m_dir.filePath("xdg"));
        m_environment.insert("XDG_RUNTIME_DIR", m_dir.filePath("run"));
        m_environment.insert("QT_QPA_PLATFORM", "offscreen");
    }
    ~Workspace()
    {
        for (const std::unique_ptr<QProcess> &window : m_windows) {
            window->kill();
            window->waitForFinished(5000);
        }
    }

    QString InstanceName() const { return m_dir.filePath(QStringLiteral("run/Orvane Unicode-%1").arg(::getuid())); }
    QString Ini(const QString &name) const { return m_dir.filePath("program/" + name + ".ini"); }
    QStringList ProgramFiles() const { return QDir(m_dir.filePath("program")).entryList(QDir::Files); }

    // An INI file of one empty project: orvane-cli needs one to exist.
    void WriteIni(const QString &name)
    {
        AppFlags flags;
        ScriptedPresenter none;
        CConfiguration config(flags, none, m_dir.filePath("xdg/registry.sqlite3"));
        config.Store().SetIniPath(m_dir.filePath("program/" + name + ".ini"));
        config.LoadGlobalSettings();
        QVERIFY(config.SaveGlobalSettings());
    }

    std::optional<QString> Ask(InstanceRequest request) const { return CSingleInstance(InstanceName()).Send(request, 2000); }

    // Starts the window program and waits until it answers; null when it does not.
    QProcess *StartWindow(const QStringList &arguments)
    {
        auto window = std::make_unique<QProcess>();
        window->setProcessEnvironment(m_environment);
        window->start(QStringLiteral(ORVANE_PATH), arguments);
        if (!window->waitForStarted(10000))
            return nullptr;
        for (QDeadlineTimer deadline(20000); !deadline.hasExpired(); QTest::qWait(50)) {
            if (window->state() == QProcess::NotRunning)
                return nullptr;
            if (const std::optional<QString> state = Ask(InstanceRequest::State); state && *state != "none") {
                m_windows.push_back(std::move(window));
                return m_windows.back().get();
            }
        }
        return nullptr;
    }

    // Runs a program to its end: its exit code and its error stream.
    std::pair<int, QString> Run(const char *program, const QStringList &arguments) const
    {
        QProcess process;
        process.setProcessEnvironment(m_environment);
        process.start(QString::fromUtf8(program), arguments);
        if (!process.waitForFinished(30000) || process.exitStatus() != QProcess::NormalExit)
            return {-1, QString()};
        return {process.exitCode(), QString::fromUtf8(process.readAllStandardError())};
    }

private:
    QTemporaryDir m_dir;
    QProcessEnvironment m_environment = QProcessEnvironment::systemEnvironment();
    std::vector<std::unique_ptr<QProcess>> m_windows;
};

} // namespace

class TestSecondStart : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void secondStartShowsTheFirstWindow_data();
    void secondStartShowsTheFirstWindow();
    void crashedCopyAndStrangeRequests();
    void commandLineRunGoesToTheWindowThatHoldsTheConfiguration();
    void runtimeFolder_data();
    void runtimeFolder();
};

void TestSecondStart::secondStartShowsTheFirstWindow_data()
{
    QTest::addColumn<QStringList>("words");
    QTest::newRow("no words") << QStringList{};
    QTest::newRow("/auto") << QStringList{"/auto"};
    QTest::newRow("another INI file, log-off") << QStringList{"-ini=other", "/logoff"};
}

void TestSecondStart::secondStartShowsTheFirstWindow()
{
    QFETCH(QStringList, words);
    Workspace w;
    w.WriteIni("test");
    QProcess *first = w.StartWindow({"-ini=test", "/icon"});
    QVERIFY(first);
    // Only the icon, or minimised where the desktop has no notification area.
    const QString before = w.Ask(InstanceRequest::State).value_or("no answer");
    QVERIFY2(before == "hidden" || before == "minimized", qPrintable(before));
    const QStringList files = w.ProgramFiles();

    QCOMPARE(w.Run(ORVANE_PATH, words).first, 0);
    QCOMPARE(w.Ask(InstanceRequest::State), std::optional<QString>("normal"));
    QCOMPARE(first->state(), QProcess::Running);
    // The second copy read none of its words: no other INI file, no other lock.
    QCOMPARE(w.ProgramFiles(), files);
}

void TestSecondStart::crashedCopyAndStrangeRequests()
{
    Workspace w;
    w.WriteIni("test");
    QProcess *first = w.StartWindow({"-ini=test"});
    QVERIFY(first);
    first->kill();
    QVERIFY(first->waitForFinished(10000));
    // Its socket is left behind; the next start is the first copy again, not a second one.
    QVERIFY(QFileInfo::exists(w.InstanceName()));
    QVERIFY(w.StartWindow({"-ini=test"}));

    // Words it does not know are answered as such; a line without end is cut off.
    QLocalSocket client;
    client.connectToServer(w.InstanceName());
    QVERIFY(client.waitForConnected(2000));
    client.write("reboot\nstate\n");
    QTRY_COMPARE(client.bytesAvailable(), qint64(sizeof "unknown\nnormal\n" - 1));
    QCOMPARE(client.readAll(), QByteArray("unknown\nnormal\n"));
    client.write(QByteArray(CSingleInstance::MaxLine * 2, 'x'));
    QTRY_COMPARE(client.state(), QLocalSocket::UnconnectedState);
    QCOMPARE(w.Ask(InstanceRequest::State), std::optional<QString>("normal"));
}

void TestSecondStart::commandLineRunGoesToTheWindowThatHoldsTheConfiguration()
{
    Workspace w;
    w.WriteIni("test");
    w.WriteIni("other");
    QProcess *window = w.StartWindow({"-ini=test"});
    QVERIFY(window);
    // The window carries out the run of its own configuration and stays open.
    const auto [handed, handedErr] = w.Run(ORVANE_CLI_PATH, {"run", "--ini=test"});
    QCOMPARE(handed, 0);
    QVERIFY2(handedErr.isEmpty(), qPrintable(handedErr));
    QCOMPARE(window->state(), QProcess::Running);
    // A configuration that a program without a window holds stays refused.
    CInstanceLock other(CInstanceLock::LockPathFor(w.Ini("other")));
    QCOMPARE(other.TryLock(), CInstanceLock::Result::Acquired);
    const auto [code, err] = w.Run(ORVANE_CLI_PATH, {"run", "--ini=other"});
    QCOMPARE(code, 75);
    QVERIFY2(err.contains(u"この設定は Orvane Unicode のウィンドウ (または別のプログラム) が開いています。"_qs), qPrintable(err));
    QVERIFY(err.contains(u"The configuration is open in the Orvane Unicode window (or another program)"_qs));
    other.Unlock();
    QCOMPARE(w.Run(ORVANE_CLI_PATH, {"run", "--ini=other"}).first, 0);
    window->kill();
    QVERIFY(window->waitForFinished(10000));
    QCOMPARE(w.Run(ORVANE_CLI_PATH, {"run", "--ini=test"}).first, 0);
}

void TestSecondStart::runtimeFolder_data()
{
    // Started by cron, orvane-cli has no XDG_RUNTIME_DIR, yet must find the window's socket.
    QTest::addColumn<QString>("environment");
    QTest::addColumn<QString>("own");      // "folder", "link" (to a folder), "file", "missing"
    QTest::addColumn<QString>("expected");  // "environment", "own" or "" (the temporary folder)
    QTest::newRow("the environment's") << "/env/run" << "folder" << "environment";
    QTest::newRow("none set: the user's own folder") << "" << "folder" << "own";
    QTest::newRow("none set, no folder of the user") << "" << "missing" << "";
    QTest::newRow("none set, a link in its place") << "" << "link" << "";
    QTest::newRow("none set, a file in its place") << "" << "file" << "";
}

void TestSecondStart::runtimeFolder()
{
    QFETCH(QString, environment);
    QFETCH(QString, own);
    QFETCH(QString, expected);
    QTemporaryDir dir;
    const QString path = dir.filePath("1000");
    QVERIFY(QDir().mkpath(dir.filePath("target")));
    if (own == "folder")
        QVERIFY(QDir().mkpath(path));
    else if (own == "link")
        QVERIFY(QFile::link(dir.filePath("target"), path));
    else if (own == "file")
        QVERIFY(QFile(path).open(QIODevice::WriteOnly));
    const QString found = RuntimeFolder(environment, path);
    QCOMPARE(found, expected == "environment" ? environment : expected == "own" ? path : QString());
}

QTEST_GUILESS_MAIN(TestSecondStart)
#include "tst_secondstart.moc"
