#pragma once

#include "res/CommandIds.h"
#include "ui/CommandState.h"

#include <QList>
#include <QMainWindow>
#include <QRect>
#include <QString>
#include <QUrl>

#include <functional>
#include <map>
#include <optional>

struct AppFlags;
struct WindowLayout;
class CConfiguration;
class CToolDialogBar;
class CTrayIcon;
class QLabel;
class QMenu;
class QToolBar;
class ViewCommands;

// The program's one top-level window: menu bar, tool bar, the dialog bar with the project and
// after-run boxes, the main view, and a status bar of one pane; and the notification-area icon.
// Every command is one QAction, shared by the menus, the tool bar, the shortcuts and the icon's
// menu; whether it is enabled comes from CommandState, asked when a menu opens, whenever the
// interface is idle and again before the command runs. Its caption is always the title alone.
class CMainFrame : public QMainWindow {
    Q_OBJECT

public:
    // Whether the desktop has a notification area now.
    using TrayProbe = std::function<bool()>;

    // trayAvailable: none asks the desktop.
    CMainFrame(CConfiguration &config, AppFlags &flags, TrayProbe trayAvailable = {}, QWidget *parent = nullptr);
    ~CMainFrame() override;

    // The view in the middle and what the frame asks of it; the frame does not own commands.
    void SetView(QWidget *view, ViewCommands *commands);
    // Once, when the program has started: adds the notification-area icon, fills the project
    // box and tells the view. Also for a start that shows only the icon.
    void FirstShow();
    // The window's state at start-up: hidden when only the icon is to show (or minimised where
    // the desktop has no notification area, so the window can always be reached), else shown.
    void ShowInitially(bool startHidden);

    QAction *Action(CommandId command) const;
    CToolDialogBar *DialogBar() const { return m_bar; }
    CTrayIcon *Tray() const { return m_tray; }
    QToolBar *ToolBar() const { return m_toolBar; }
    QMenu *TrayMenu() const { return m_trayMenu; }

    // The status text of a run: a word (none keeps the previous one) and a path (likewise).
    void SetStatusText(const std::optional<QString> &word, const std::optional<QString> &path);
    QString PaneText() const;
    // "%-10s%-30s": each part padded with blanks, never cut.
    static QString FormatStatusText(const QString &word, const QString &path);

    // The view closes the door while a run is active.
    void SetCloseEnabled(bool enabled);
    // The desktop session ends: the window closes when asked, also while a stopped run finishes.
    void SetSessionEnding() { m_sessionEnding = true; }
    bool CloseEnabled() const { return m_closeEnabled; }
    // Enabled states and check marks from the rules, changing only what differs.
    void UpdateCommandStates();

    // 開く: shows the window as it was and brings it forward.
    void ShowWindowCommand();
    // A double click on the icon: a minimised window is restored, a hidden one shown.
    void RestoreFromTray();
    // A later start of the program: the window in its normal size, in front.
    void ShowNormally();
    // Files dropped on the window, in drop order: the window comes forward and the view opens
    // each as the program's document (or says why it cannot); every opened one starts the
    // icon's clock again.
    void OpenDroppedItems(const QList<QUrl> &items);
    // "hidden", "minimized", "maximized" or "normal".
    QString WindowStateText() const;

    bool TrayAvailable() const;

    // Where the window opens: the saved rectangle when all four values are non-zero, it has an
    // area, and enough of it lies on one of the screens to be grabbed; else the desktop decides.
    static std::optional<QRect> InitialPlacement(const WindowLayout &layout, const QList<QRect> &screens);

Q_SIGNALS:
    // The window has closed for good: the program ends.
    void Closed();

protected:
    bool event(QEvent *event) override;
    void changeEvent(QEvent *event) override;
    void closeEvent(QCloseEvent *event) override;
    void moveEvent(QMoveEvent *event) override;
    void resizeEvent(QResizeEvent *event) override;
    void dragEnterEvent(QDragEnterEvent *event) override;
    void dragMoveEvent(QDragMoveEvent *event) override;
    void dropEvent(QDropEvent *event) override;
    QMenu *createPopupMenu() override;

private:
    void CreateActions();
    void CreateMenus();
    void CreateToolBar();
    void CreateDialogBar();
    void CreateStatusBar();
    void CreateTray();
    QAction *AddAction(CommandId command, const QString &text);
    // Items whose text depends on the settings take it from the view as the menu opens.
    void UpdateMenuTexts(QMenu *menu);

    ViewState State() const;
    bool Enabled(CommandId command, const ViewState &state) const;
    void RunCommand(CommandId command);
    void FocusProjectBox();
    void ToggleExitAfterRun();
    void ToggleShutdownAfterRun();
    void ShowAbout();
    void ExitProgram();
    void SyncAfterRunChecks();
    void ProjectChosen(int project);
    void RecordPlacement();
    void HideToTray();

    CConfiguration &m_config;
    AppFlags &m_flags;
    TrayProbe m_trayAvailable;
    QWidget *m_viewWidget = nullptr;
    ViewCommands *m_view = nullptr;
    std::map<CommandId, QAction *> m_actions;
    QToolBar *m_toolBar = nullptr;
    QToolBar *m_barHost = nullptr;
    CToolDialogBar *m_bar = nullptr;
    QLabel *m_pane = nullptr;
    QMenu *m_trayMenu = nullptr;
    CTrayIcon *m_tray = nullptr;
    QString m_statusWord;
    QString m_statusPath;
    bool m_closeEnabled = true;
    bool m_firstShown = false;
    bool m_closed = false;   // the program ends; a second close request changes nothing
    bool m_sessionEnding = false;
};
