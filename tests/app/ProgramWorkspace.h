#pragma once

#include "app/SingleInstance.h"
#include "config/Configuration.h"
#include "model/AppFlags.h"
#include "model/MirroringDefine.h"

#include "ConfigTestSupport.h"

#include <QDeadlineTimer>
#include <QDir>
#include <QProcess>
#include <QTemporaryDir>
#include <QtTest>

#include <memory>
#include <vector>

#include <unistd.h>

// Temporary folders for the programs a test starts: the INI files, the user database, the
// runtime folder where the window is found; and the environment that points the programs there.
// The system bus is a path where nothing listens unless the test gives its own bus, so no
// program started here can reach the machine's power-off.
class ProgramWorkspace {
public:
    struct Finished {
        int code = -1;   // -1: did not end in time, or crashed
        QByteArray out;
        QByteArray err;
    };

    ProgramWorkspace()
    {
        for (const char *folder : {"program", "xdg", "run"})
            QDir().mkpath(m_dir.filePath(folder));
        QFile::setPermissions(m_dir.filePath("run"), QFileDevice::ReadOwner | QFileDevice::WriteOwner | QFileDevice::ExeOwner);
        m_environment.insert("ORVANE_PROGRAM_DIR", m_dir.filePath("program"));
        m_environment.insert("XDG_CONFIG_HOME", m_dir.filePath("xdg"));
        m_environment.insert("XDG_RUNTIME_DIR", m_dir.filePath("run"));
        m_environment.insert("QT_QPA_PLATFORM", "offscreen");
        SetBus("unix:path=" + m_dir.filePath("no-bus"));
    }
    ~ProgramWorkspace()
    {
        for (const std::unique_ptr<QProcess> &process : m_processes) {
            if (process->state() == QProcess::NotRunning)
                continue;
            process->kill();
            process->waitForFinished(5000);
        }
    }

    QString Path(const QString &name) const { return m_dir.filePath(name); }
    QString Ini(const QString &name) const { return Path("program/" + name + ".ini"); }
    QString InstanceName() const { return Path(QStringLiteral("run/Orvane Unicode-%1").arg(::getuid())); }

    // The bus the programs take for the system's (and the session's) from now on.
    void SetBus(const QString &address)
    {
        m_environment.insert("DBUS_SYSTEM_BUS_ADDRESS", address);
        m_environment.insert("DBUS_SESSION_BUS_ADDRESS", address);
    }

    // NAME.ini whose project (from 0) holds these settings, and these options.
    void WriteIni(const QString &name, const std::vector<CFolderSetting> &settings, const GlobalOptions &options = {},
                  int project = 0)
    {
        AppFlags flags;
        ScriptedPresenter none;
        CConfiguration config(flags, none, Path("xdg/registry.sqlite3"));
        config.Store().SetIniPath(Ini(name));
        config.LoadGlobalSettings();
        config.Options() = options;
        QVERIFY(config.SaveGlobalSettings());
        CMirroringDefine table;
        std::copy(settings.begin(), settings.end(), table.Records());
        QVERIFY(config.SaveProjectSettings(table, int(settings.size()), project));
    }

    // The settings of a project of NAME.ini as they are stored now.
    std::vector<CFolderSetting> StoredSettings(const QString &name, int project = 0)
    {
        AppFlags flags;
        flags.ForceIni = true;
        ScriptedPresenter none;
        CConfiguration config(flags, none, Path("xdg/registry.sqlite3"));
        config.Store().SetIniPath(Ini(name));
        config.LoadGlobalSettings();
        CMirroringDefine table;
        const int count = config.LoadProjectSettings(table, project);
        return {table.Records(), table.Records() + count};
    }

    // A setting from master/NAME to backup/NAME, marked for 全更新, with one file in its master.
    CFolderSetting Setting(const QString &name, bool masterExists = true)
    {
        CFolderSetting setting;
        setting.Name = name;
        setting.Master = Path("master/" + name + "/");
        setting.Backup = Path("backup/" + name + "/");
        setting.AutoExec = true;
        if (masterExists) {
            QDir().mkpath(setting.Master);
            QFile file(setting.Master + "file.txt");
            if (!file.open(QIODevice::WriteOnly) || file.write("content") != 7)
                qWarning("cannot write %s", qPrintable(file.fileName()));
        }
        return setting;
    }
    bool BackedUp(const QString &name) const { return QFileInfo::exists(Path("backup/" + name + "/file.txt")); }

    // Starts a program that the workspace ends at the latest when it goes.
    QProcess *Start(const QString &program, const QStringList &arguments)
    {
        auto process = std::make_unique<QProcess>();
        process->setProcessEnvironment(m_environment);
        process->start(program, arguments);
        if (!process->waitForStarted(10000))
            return nullptr;
        m_processes.push_back(std::move(process));
        return m_processes.back().get();
    }

    // Starts the window program and waits until it answers on its socket; null when it does not.
    QProcess *StartWindow(const QStringList &arguments)
    {
        QProcess *window = Start(QStringLiteral(ORVANE_PATH), arguments);
        for (QDeadlineTimer deadline(20000); window && !deadline.hasExpired(); QTest::qWait(50)) {
            if (window->state() == QProcess::NotRunning)
                return nullptr;
            const std::optional<QString> state = CSingleInstance(InstanceName()).Send(InstanceRequest::State, 2000);
            if (state && *state != "none")
                return window;
        }
        return nullptr;
    }

    // Runs a program to its end.
    Finished Run(const QString &program, const QStringList &arguments, int timeoutMs = 30000) const
    {
        QProcess process;
        process.setProcessEnvironment(m_environment);
        process.start(program, arguments);
        return Wait(process, timeoutMs);
    }

    static Finished Wait(QProcess &process, int timeoutMs = 30000)
    {
        Finished finished;
        if (process.waitForFinished(timeoutMs) && process.exitStatus() == QProcess::NormalExit)
            finished.code = process.exitCode();
        finished.out = process.readAllStandardOutput();
        finished.err = process.readAllStandardError();
        return finished;
    }

    QProcessEnvironment &Environment() { return m_environment; }

private:
    QTemporaryDir m_dir;
    QProcessEnvironment m_environment = QProcessEnvironment::systemEnvironment();
    std::vector<std::unique_ptr<QProcess>> m_processes;
};
