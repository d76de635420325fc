#pragma once

#include <QString>
#include <QStringList>

#include <functional>
#include <optional>

struct CFolderSetting;
struct GlobalOptions;
class MessageBoxPresenter;
class QUrl;

// What the main window starts outside the program: the folder comparison tool on the selected
// setting's folders, and the desktop's default program for a folder, a log file or the manual.
// Nothing here waits for what it started.
class CLaunches {
public:
    // Opens a URL with the desktop's default program; true when it was handed over.
    using UrlOpener = std::function<bool(const QUrl &url)>;

    // opener: none opens through the desktop (QDesktopServices).
    explicit CLaunches(MessageBoxPresenter &boxes, UrlOpener opener = {});
    virtual ~CLaunches();

    // The expanded tool path, a blank, the expanded parameters; then every "%m" replaced by the
    // expanded master folder in double quotes, and every "%b" of the result by the backup folder
    // likewise. Case-sensitive: "%M" stays.
    static QString CompareCommandLine(const GlobalOptions &options, const CFolderSetting &setting);
    // The program and its arguments, split as a shell splits words: double quotes group a
    // folder with blanks into one argument (three quotes in a row stand for one quote).
    static QStringList SplitCommandLine(const QString &commandLine);
    // The menu item of the tool: "<name> を起動(&W)", with "\tCtrl+W" where the menu shows the
    // shortcut, or the text that says no tool is set.
    static QString CompareMenuText(const QString &toolPath, bool withShortcut);
    // The log that 32785 opens: the selected setting's own, else the global one, else none.
    static std::optional<QString> LogFileToOpen(const CFolderSetting *selected, const GlobalOptions &options);
    // Orvane.txt beside the program, else where an installed program keeps it.
    static QString ManualPath();
    // Why the program of a command line cannot be started, as an errno value; 0 when it can
    // be found and may be executed.
    static int ProgramStartError(const QString &program);

    // Starts the tool on the setting's folders; says why when it is not set or cannot start.
    bool StartCompareTool(const GlobalOptions &options, const CFolderSetting &setting);
    void OpenMasterFolder(const CFolderSetting &setting);
    void OpenBackupFolder(const CFolderSetting &setting);
    // Nothing happens when no log applies.
    void OpenLogFile(const CFolderSetting *selected, const GlobalOptions &options);
    void OpenManual();
    // The desktop's default program for a path; what it cannot open it reports itself.
    void Open(const QString &path);

private:
    void ShowStartFailure(const QString &text);

    MessageBoxPresenter &m_boxes;
    UrlOpener m_opener;
};
