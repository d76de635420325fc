#pragma once

#include "app/HandoverProtocol.h"
#include "cli/CommandLine.h"
#include "cli/OutputStream.h"
#include "model/AppFlags.h"
#include "platform/MessageBox.h"

#include <QString>

#include <cstdio>
#include <optional>
#include <vector>

class CConfiguration;
class CInstanceLock;
class CMirroringDefine;
class CTerminalRunHost;
struct RunEnvironment;

// The commands of orvane-cli on the engine and the stored configuration, as the main window
// uses them; only what the windows would show goes to the terminal instead.
class CCliApplication : private MessageBoxPresenter {
public:
    static constexpr int ExitUsage = 64;            // EX_USAGE
    static constexpr int ExitWindowLost = 69;       // EX_UNAVAILABLE: the window went away during a run it took over
    static constexpr int ExitOsError = 71;          // EX_OSERR: SIGPIPE could not be ignored
    static constexpr int ExitCannotLock = 73;       // EX_CANTCREAT: no lock file can be made beside the store
    // EX_IOERR: rows or messages could not be written, or the run's results could not be saved
    static constexpr int ExitIoError = 74;
    static constexpr int ExitInUse = 75;            // EX_TEMPFAIL: another program holds the configuration
    static constexpr int ExitNoConfiguration = 78;  // EX_CONFIG

    CCliApplication(FILE *out = stdout, FILE *err = stderr);
    ~CCliApplication() override;

    // The exit code of the whole program for its arguments (without the program's name), once
    // everything has been written out.
    int Main(const QStringList &arguments);
    int Execute(const CliOptions &options);
    // Where the window listens: the single-instance socket of this user. Tests give their own.
    void SetWindowName(const QString &name) { m_windowName = name; }
    // The end of the help: where the manual, the INI files and the user database are.
    static QString FilesText();

private:
    int RunStored(const CliOptions &options);
    int Mirror(const CliOptions &options);
    int List(const CliOptions &options);

    // Fixes the back-end as start-up does, but from the stored choice alone: the first-start
    // question is never asked here. An exit code when there is nothing to use.
    std::optional<int> OpenConfiguration(CConfiguration &config, const CliOptions &options);
    // A project index that is not in the list is a usage error here, never the first project.
    std::optional<int> CheckProject(const CConfiguration &config, const CliOptions &options);
    // One run as the main view starts it; the run's result code.
    int RunOnce(CTerminalRunHost &host, RunEnvironment &environment, std::vector<CFolderSetting> settings, int first,
                bool autoOnly, bool test, bool &stopped);
    int Refuse(int code, const QString &japanese, const QString &english);
    int RefuseInUse(const QString &lockPath);
    // The configuration is the window's: the window is asked to carry out the run and this
    // program shows it as its own. Without a window that takes it, the configuration is in use.
    int HandOverToWindow(const CliOptions &options, const QString &lockPath);
    int HandoverRefused(HandoverRefusal refusal, const QStringList &details, const QString &lockPath, const CliOptions &options);
    // The lock file of the configuration cannot be made (not: someone else holds it).
    int RefuseUnlockable(const CInstanceLock &lock, bool ini);
    // Flushes both streams. Lost output turns the result of a command that ran (a run's 0 to 4,
    // list, help) into ExitIoError; a refusal keeps its own code, which says more.
    int CheckOutput(int code);
    void Complain(const QString &japanese, const QString &english);
    // Saves the active project as the main view does at each setting update; says so on the
    // error stream when that failed.
    bool SaveRunResults(CConfiguration &config, const CMirroringDefine &table, int count, int project);

    MessageAnswer ShowMessageBox(const MessageBoxRequest &request) override;

    COutputStream m_out;
    COutputStream m_err;
    AppFlags m_flags;
    QString m_windowName;
    bool m_savingRunResults = false;   // a failed save is told in one line, not as a box
};
