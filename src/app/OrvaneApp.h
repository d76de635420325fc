#pragma once

#include "app/HandoverProtocol.h"
#include "app/MainFrame.h"
#include "app/PowerOff.h"
#include "app/SingleInstance.h"
#include "app/StartupWords.h"
#include "model/AppFlags.h"

#include <QObject>
#include <QPointer>
#include <QStringList>

#include <memory>
#include <optional>

class CConfiguration;
class CInstanceLock;
class CMessageBoxes;
class COrvaneView;
class CRunHandover;
class MessageBoxPresenter;
class PosixFileSystem;

// The program from its start to its end: one copy per user, the words of the command line,
// where the configuration lives and its lock, loading it, the main window; and at the end the
// saves and the exit code.
class COrvaneApp : public QObject {
    Q_OBJECT

public:
    // The window could not have the configuration: orvane-cli run (or another program) has it.
    static constexpr int ExitConfigurationInUse = 75;
    // The settings were to go into an INI file in a folder this user cannot write (EX_CANTCREAT).
    static constexpr int ExitIniNotWritable = 73;

    struct Setup {
        MessageBoxPresenter *boxes = nullptr;      // none: real message boxes
        CMainFrame::TrayProbe trayAvailable;       // none: ask the desktop
        QString instanceName;                      // empty: the per-user default
        std::function<CPowerOff::Outcome()> powerOff;   // none: systemd-logind on the system bus
    };

    // Why a run that orvane-cli hands over is refused, with the details the caller shows.
    struct Refusal {
        HandoverRefusal reason;
        QStringList details;
    };

    COrvaneApp();
    explicit COrvaneApp(Setup setup);
    ~COrvaneApp() override;

    // Start-up. None when the program goes on with its window; else the exit code to end with
    // at once (a second copy, a cancelled first-start question, an INI file that cannot be
    // written, a configuration in use).
    std::optional<int> Start(const QStringList &arguments);
    // The end of the program: the global save (not for a start that ended early, nor for a
    // log-off start), the release of the single instance and of the configuration lock, and the
    // power-off when シャットダウン was chosen and the last run completed a setting. The exit
    // code: the result of the last run; 0 when the computer could not be powered off.
    int End();
    // The exit code of the end for the last run's result and the outcome of a power-off (none:
    // none was due).
    static int ExitCode(int lastRunResult, std::optional<CPowerOff::Outcome> powerOff);

    // The desktop session ends (log-out, shut-down): an active run is stopped as 中止 stops it,
    // the window lets itself be closed, and the end of the program powers nothing off.
    void SessionEnding();
    // A run handed over by orvane-cli, as a connection with its first line.
    void HandleRunRequest(QLocalSocket *connection, const QByteArray &line);
    // Whether the window takes that request now; none when it does.
    std::optional<Refusal> RefusalFor(const std::optional<HandoverRequest> &request) const;

    AppFlags &Flags() { return m_flags; }
    const StartupOptions &Options() const { return m_options; }
    CConfiguration *Configuration() const { return m_config.get(); }
    CMainFrame *Frame() const { return m_frame.get(); }
    COrvaneView *View() const { return m_view; }
    bool IsSecondCopy() const { return m_secondCopy; }

Q_SIGNALS:
    // The main window closed: the event loop may end.
    void Finished();

private:
    bool HandOver();
    std::optional<int> LockConfiguration();
    void CreateWindow();
    QString Answer(InstanceRequest request);
    bool HoldsConfiguration(const QString &lockPath) const;
    bool Busy() const;
    // The number of settings of a project, loaded aside when it is not the active one.
    int SettingCount(int project) const;
    bool PowerOffDue() const;

    Setup m_setup;
    AppFlags m_flags;
    StartupOptions m_options;
    std::unique_ptr<CMessageBoxes> m_ownBoxes;
    MessageBoxPresenter *m_boxes = nullptr;
    std::unique_ptr<CSingleInstance> m_instance;
    std::unique_ptr<CConfiguration> m_config;
    std::unique_ptr<CInstanceLock> m_lock;
    std::unique_ptr<PosixFileSystem> m_disk;
    // The view belongs to the frame and goes with it, before the configuration and the disk.
    std::unique_ptr<CMainFrame> m_frame;
    COrvaneView *m_view = nullptr;
    QPointer<CRunHandover> m_handover;
    bool m_secondCopy = false;
    bool m_loaded = false;   // the configuration was loaded, so the end saves it
    bool m_windowClosed = false;
    bool m_sessionEnding = false;
};
