#pragma once

#include "app/MainFrame.h"
#include "app/SingleInstance.h"
#include "app/StartupWords.h"
#include "model/AppFlags.h"

#include <QObject>
#include <QStringList>

#include <memory>
#include <optional>

class CConfiguration;
class CInstanceLock;
class CMessageBoxes;
class COrvaneView;
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
    };

    COrvaneApp();
    explicit COrvaneApp(Setup setup);
    ~COrvaneApp() override;

    // Start-up. None when the program goes on with its window; else the exit code to end with
    // at once (a second copy, a cancelled first-start question, an INI file that cannot be
    // written, a configuration in use).
    std::optional<int> Start(const QStringList &arguments);
    // The end of the program: the global save (not for a start that ended early, nor for a
    // log-off start), the release of the single instance and of the configuration lock. The
    // exit code: the result of the last run.
    int End();

    // Where the INI files are: $ORVANE_PROGRAM_DIR when it is set (the tests' temporary
    // folders), else the program's own folder; ending in "/".
    static QString ProgramFolder();

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
    bool m_secondCopy = false;
    bool m_loaded = false;   // the configuration was loaded, so the end saves it
};
