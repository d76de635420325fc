#include "app/SingleInstance.h"
#include "config/Configuration.h"
#include "model/AppFlags.h"

#include "ConfigTestSupport.h"

#include <QDir>
#include <QProcess>
#include <QTemporaryDir>
#include <QtTest>

#include <memory>
#include <unistd.h>

namespace {

// Temporary folders for the programs started here: the INI files, the user database, and the
// runtime folder where the running copy can be found.
class Workspace {
public:
    Workspace()
    {
        QDir().mkpath(ProgramDir());
        QDir().mkpath(m_dir.filePath("xdg"));
        QDir().mkpath(m_dir.filePath("run"));
        QFile::setPermissions(m_dir.filePath("run"), QFileDevice::ReadOwner | QFileDevice::WriteOwner | QFileDevice::ExeOwner);
    }
    ~Workspace()
    {
        for (const std::unique_ptr<QProcess> &process : m_windows) {
            process->kill();
            process->waitForFinished(5000);
        }
    }

    QString ProgramDir() const { return m_dir.filePath("program"); }
    QString InstanceName() const { return m_dir.filePath(QStringLiteral("run/Orvane Unicode-%1").arg(::getuid())); }

    QProcessEnvironment Environment() const
    {
        QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
        environment.insert("ORVANE_PROGRAM_DIR", ProgramDir());
        environment.insert("XDG_CONFIG_HOME", m_dir.filePath("xdg"));
        environment.insert("XDG_RUNTIME_DIR", m_dir.filePath("run"));
        environment.insert("QT_QPA_PLATFORM", "offscreen");
        return environment;
    }

    // An INI file of one empty project, as orvane-cli needs one to exist.
    void WriteIni(const QString &name)
    {
        AppFlags flags;
        ScriptedPresenter boxes;
        CConfiguration config(flags, boxes, m_dir.filePath("xdg/registry.sqlite3"));
        config.Store().SetIniPath(ProgramDir() + "/" + name + ".ini");
        config.LoadGlobalSettings();
        config.Projects().Clear();
        config.Projects().AddProject("A");
        QVERIFY(config.SaveGlobalSettings());
    }

    // Starts the window program and waits until it answers; none when it does not.
    QProcess *StartWindow(const QStringList &arguments)
    {
        auto process = std::make_unique<QProcess>();
        process->setProcessEnvironment(Environment());
        process->setProcessChannelMode(QProcess::ForwardedErrorChannel);
        process->start(QStringLiteral(ORVANE_PATH), arguments);
        if (!process->waitForStarted(10000))
            return nullptr;
        QDeadlineTimer deadline(20000);
        while (!deadline.hasExpired()) {
            const std::optional<QString> state = Ask(InstanceRequest::State);
            if (state && *state != "none") {
                m_windows.push_back(std::move(process));
                return m_windows.back().get();
            }
            if (process->state() == QProcess::NotRunning)
                return nullptr;
            QTest::qWait(50);
        }
        return nullptr;
    }

    std::optional<QString> Ask(InstanceRequest request) const
    {
        CSingleInstance client(InstanceName());
        return client.Send(request, 2000);
    }

    struct Outcome {
        int code = -1;
        QString err;
    };
    Outcome Run(const char *program, const QStringList &arguments) const
    {
        QProcess process;
        process.setProcessEnvironment(Environment());
        process.start(QString::fromUtf8(program), arguments);
        if (!process.waitForFinished(30000)) {
            process.kill();
            process.waitForFinished();
            return {};
        }
        return {process.exitStatus() == QProcess::NormalExit ? process.exitCode() : -2,
                QString::fromUtf8(process.readAllStandardError())};
    }

    QStringList ProgramFiles() const { return QDir(ProgramDir()).entryList(QDir::Files, QDir::Name); }

private:
    QTemporaryDir m_dir;
    std::vector<std::unique_ptr<QProcess>> m_windows;
};

} // namespace

class TestSecondStart : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void secondStartShowsTheFirstWindow_data();
    void secondStartShowsTheFirstWindow();
    void crashedFirstCopyDoesNotBlock();
    void commandLineRunIsRefusedWhileTheWindowIsOpen();
};

void TestSecondStart::secondStartShowsTheFirstWindow_data()
{
    QTest::addColumn<QStringList>("words");
    QTest::newRow("no words") << QStringList{};
    QTest::newRow("/auto") << QStringList{"/auto"};
    QTest::newRow("another INI file, log-off") << QStringList{"-ini=other", "/logoff"};
    QTest::newRow("/shutdown /project=3") << QStringList{"/shutdown", "/project=3"};
}

void TestSecondStart::secondStartShowsTheFirstWindow()
{
    QFETCH(QStringList, words);
    Workspace w;
    w.WriteIni("test");
    QProcess *first = w.StartWindow({"-ini=test", "/icon"});
    QVERIFY(first);
    // Only the icon, or minimised where the desktop has no notification area.
    const std::optional<QString> before = w.Ask(InstanceRequest::State);
    QVERIFY2(before == "hidden" || before == "minimized", qPrintable(before.value_or("no answer")));
    const QStringList filesBefore = w.ProgramFiles();

    const Workspace::Outcome second = w.Run(ORVANE_PATH, words);
    QCOMPARE(second.code, 0);
    QCOMPARE(w.Ask(InstanceRequest::State), std::optional<QString>("normal"));
    QCOMPARE(first->state(), QProcess::Running);
    // The second copy read none of its words: no other INI file, no other lock.
    QCOMPARE(w.ProgramFiles(), filesBefore);
}

void TestSecondStart::crashedFirstCopyDoesNotBlock()
{
    Workspace w;
    w.WriteIni("test");
    QProcess *first = w.StartWindow({"-ini=test"});
    QVERIFY(first);
    first->kill();
    QVERIFY(first->waitForFinished(10000));
    // Its socket is left behind; the next start is the first copy again, not a second one.
    QVERIFY(QFileInfo::exists(w.InstanceName()));
    QProcess *next = w.StartWindow({"-ini=test"});
    QVERIFY(next);
    QCOMPARE(w.Ask(InstanceRequest::State), std::optional<QString>("normal"));
}

void TestSecondStart::commandLineRunIsRefusedWhileTheWindowIsOpen()
{
    Workspace w;
    w.WriteIni("test");
    QProcess *window = w.StartWindow({"-ini=test"});
    QVERIFY(window);
    const Workspace::Outcome refused = w.Run(ORVANE_CLI_PATH, {"run", "--ini=test"});
    QCOMPARE(refused.code, 75);
    QVERIFY2(refused.err.contains(u"この設定は Orvane Unicode のウィンドウ (または別のプログラム) が開いています。"_qs),
             qPrintable(refused.err));
    QVERIFY(refused.err.contains(u"The configuration is open in the Orvane Unicode window (or another program)"_qs));
    // Another configuration is not held by the window.
    w.WriteIni("other");
    QCOMPARE(w.Run(ORVANE_CLI_PATH, {"run", "--ini=other"}).code, 0);
    // Once the window is gone the configuration is free again.
    window->kill();
    QVERIFY(window->waitForFinished(10000));
    QCOMPARE(w.Run(ORVANE_CLI_PATH, {"run", "--ini=test"}).code, 0);
}

QTEST_GUILESS_MAIN(TestSecondStart)
#include "tst_secondstart.moc"
