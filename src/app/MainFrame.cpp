#include "app/MainFrame.h"

#include "app/AppIcons.h"
#include "app/ToolDialogBar.h"
#include "app/TrayIcon.h"
#include "config/Configuration.h"
#include "model/AppFlags.h"
#include "model/WindowLayout.h"
#include "platform/Text.h"
#include "res/Menus.h"
#include "res/StringIds.h"
#include "ui/ViewCommands.h"
#include "ui/dialogs/DlgAbout.h"

#include <QAbstractEventDispatcher>
#include <QAction>
#include <QCloseEvent>
#include <QDragEnterEvent>
#include <QDropEvent>
#include <QGuiApplication>
#include <QLabel>
#include <QMenuBar>
#include <QMimeData>
#include <QScreen>
#include <QStatusBar>
#include <QStatusTipEvent>
#include <QSystemTrayIcon>
#include <QTimer>
#include <QToolBar>
#include <QToolButton>

#include <array>

namespace {

constexpr int ToolButtonWidth = 48;
constexpr QSize ToolBarImageSize(20, 20);
constexpr QSize DefaultSize(900, 640);
// Of a saved rectangle at least this much must lie on a screen, or the window could not be
// reached to move it back.
constexpr QSize MinimumOnScreen(64, 32);
// Anything larger is no window size but a damaged value.
constexpr qint64 MaxExtent = 100000;

struct Prompt {
    QString statusTip;
    QString toolTip;
};

// The string of a command: the status-bar prompt, LF, the tool tip.
Prompt PromptOf(CommandId command)
{
    const QString text = LoadResString(int(command));
    const qsizetype lf = text.indexOf(u'\n');
    if (lf < 0)
        return {text, QString()};
    return {text.left(lf), text.mid(lf + 1)};
}

constexpr Qt::WindowStates HiddenPlacement = Qt::WindowMinimized | Qt::WindowMaximized | Qt::WindowFullScreen;

} // namespace

CMainFrame::CMainFrame(CConfiguration &config, AppFlags &flags, TrayProbe trayAvailable, QWidget *parent)
    : QMainWindow(parent)
    , m_config(config)
    , m_flags(flags)
    , m_trayAvailable(trayAvailable ? std::move(trayAvailable) : TrayProbe(&QSystemTrayIcon::isSystemTrayAvailable))
{
    setWindowTitle(LoadResString(IDS_APP_TITLE));
    setWindowIcon(CAppIcons::Icon(CAppIcons::AppIcon));
    CreateActions();
    CreateMenus();
    CreateToolBar();
    CreateDialogBar();
    CreateStatusBar();
    CreateTray();
    setCentralWidget(new QWidget(this));
    // Files dragged from the file manager onto any part of the window that takes none itself.
    setAcceptDrops(true);

    QList<QRect> screens;
    for (const QScreen *screen : QGuiApplication::screens())
        screens << screen->availableGeometry();
    if (const std::optional<QRect> placement = InitialPlacement(config.Layout(), screens)) {
        move(placement->topLeft());
        resize(placement->size());
    } else {
        resize(DefaultSize);
    }

    // Idle: whenever the event loop is about to wait, the rules are asked again.
    if (QAbstractEventDispatcher *dispatcher = QAbstractEventDispatcher::instance())
        connect(dispatcher, &QAbstractEventDispatcher::aboutToBlock, this, &CMainFrame::UpdateCommandStates);
    UpdateCommandStates();
}

CMainFrame::~CMainFrame()
{
    // The view goes first, while the frame it reports to is still whole: its last save and
    // the signals of a run it stops arrive here.
    delete m_viewWidget;
    m_viewWidget = nullptr;
    m_view = nullptr;
}

QAction *CMainFrame::AddAction(CommandId command, const QString &text)
{
    if (QAction *existing = Action(command))
        return existing;
    auto *action = new QAction(text, this);
    const Prompt prompt = PromptOf(command);
    action->setStatusTip(prompt.statusTip);
    action->setToolTip(prompt.toolTip);
    action->setIconVisibleInMenu(false);
    action->setData(int(command));
    connect(action, &QAction::triggered, this, [this, command] { RunCommand(command); });
    m_actions.emplace(command, action);
    return action;
}

void CMainFrame::CreateActions()
{
    for (const Menu &menu : CMenus::MainMenu()) {
        for (const MenuItem &item : menu.items) {
            if (item.separator)
                continue;
            QAction *action = AddAction(item.command, item.Text());
            if (item.shortcut)
                action->setShortcut(QKeySequence(item.Shortcut()));
        }
    }
    // The icon's menu names some commands in its own words; its items stand in for these.
    for (const MenuItem &item : CMenus::TrayMenu()) {
        if (!item.separator)
            AddAction(item.command, item.Text());
    }
    for (const ToolButton &button : CMenus::ToolBar()) {
        if (button.separator)
            continue;
        QAction *action = AddAction(button.command, LoadResString(button.textId));
        action->setIconText(LoadResString(button.textId));
        action->setIcon(CAppIcons::ToolBarImage(button.image));
    }
    Action(CommandId::ExitAfterRun)->setCheckable(true);
    Action(CommandId::ShutdownAfterRun)->setCheckable(true);
}

void CMainFrame::CreateMenus()
{
    for (const Menu &menu : CMenus::MainMenu()) {
        QMenu *popup = menuBar()->addMenu(menu.Title());
        for (const MenuItem &item : menu.items) {
            if (item.separator)
                popup->addSeparator();
            else
                popup->addAction(Action(item.command));
        }
        connect(popup, &QMenu::aboutToShow, this, [this, popup] {
            UpdateCommandStates();
            UpdateMenuTexts(popup);
        });
    }
}

void CMainFrame::UpdateMenuTexts(QMenu *menu)
{
    if (!m_view)
        return;
    for (QAction *action : menu->actions()) {
        if (action->isSeparator() || !action->data().isValid())
            continue;
        QString text = m_view->MenuText(CommandId(action->data().toInt()), true);
        if (text.isEmpty())
            continue;
        // The text says itself whether the shortcut shows: without one the menu adds none.
        if (!text.contains(u'\t'))
            text += u'\t';
        action->setText(text);
    }
}

void CMainFrame::CreateToolBar()
{
    m_toolBar = addToolBar(QStringLiteral(u"ツール バー"));
    m_toolBar->setObjectName(QStringLiteral("toolBar"));
    m_toolBar->setMovable(false);
    m_toolBar->setIconSize(ToolBarImageSize);
    m_toolBar->setToolButtonStyle(Qt::ToolButtonTextUnderIcon);
    for (const ToolButton &button : CMenus::ToolBar()) {
        if (button.separator) {
            m_toolBar->addSeparator();
            continue;
        }
        QAction *action = Action(button.command);
        m_toolBar->addAction(action);
        if (QWidget *widget = m_toolBar->widgetForAction(action))
            widget->setMinimumWidth(ToolButtonWidth);
    }
}

void CMainFrame::CreateDialogBar()
{
    addToolBarBreak(Qt::TopToolBarArea);
    m_barHost = addToolBar(QStringLiteral(u"ダイアログ バー"));
    m_barHost->setObjectName(QStringLiteral("dialogBar"));
    m_barHost->setMovable(false);
    m_bar = new CToolDialogBar(m_flags, m_barHost);
    m_barHost->addWidget(m_bar);
    m_bar->FillAfterRunBox();
    m_bar->ShowAfterRun();
    connect(m_bar, &CToolDialogBar::ProjectChosen, this, &CMainFrame::ProjectChosen);
    connect(m_bar, &CToolDialogBar::EditProjectsClicked, this, [this] { RunCommand(CommandId::EditProjectsButton); });
}

void CMainFrame::CreateStatusBar()
{
    m_pane = new QLabel(LoadResString(IDS_STATUS_IDLE), this);
    m_pane->setObjectName(QStringLiteral("statusPane"));
    m_pane->setTextFormat(Qt::PlainText);
    m_pane->setMinimumWidth(1);
    statusBar()->addWidget(m_pane, 1);
}

void CMainFrame::CreateTray()
{
    m_trayMenu = new QMenu(this);
    for (const MenuItem &item : CMenus::TrayMenu()) {
        if (item.separator) {
            m_trayMenu->addSeparator();
            continue;
        }
        QAction *command = Action(item.command);
        auto *entry = new QAction(item.Text(), m_trayMenu);
        entry->setEnabled(command->isEnabled());
        connect(command, &QAction::enabledChanged, entry, &QAction::setEnabled);
        connect(entry, &QAction::triggered, command, &QAction::trigger);
        m_trayMenu->addAction(entry);
    }
    connect(m_trayMenu, &QMenu::aboutToShow, this, &CMainFrame::UpdateCommandStates);
    m_tray = new CTrayIcon([this] { return State().running; }, this);
    m_tray->SetMenu(m_trayMenu);
    connect(m_tray, &CTrayIcon::DoubleClicked, this, &CMainFrame::RestoreFromTray);
}

void CMainFrame::SetView(QWidget *view, ViewCommands *commands)
{
    m_view = commands;
    if (view && view != m_viewWidget) {
        m_viewWidget = view;
        setCentralWidget(view);
    }
    UpdateCommandStates();
}

void CMainFrame::FirstShow()
{
    if (m_firstShown)
        return;
    m_firstShown = true;
    m_tray->Add();
    m_bar->FillProjectBox(m_config);
    if (m_view)
        m_view->FirstShown();
    UpdateCommandStates();
}

void CMainFrame::ShowInitially(bool startHidden)
{
    if (isMinimized()) {
        // Started minimised: only the icon shows, and the window comes back in its normal state.
        setWindowState(windowState() & ~Qt::WindowMinimized);
        startHidden = true;
    }
    if (!startHidden)
        show();
    else if (TrayAvailable())
        hide();
    else
        showMinimized();
}

QAction *CMainFrame::Action(CommandId command) const
{
    const auto found = m_actions.find(command);
    return found == m_actions.end() ? nullptr : found->second;
}

bool CMainFrame::TrayAvailable() const
{
    return m_trayAvailable();
}

ViewState CMainFrame::State() const
{
    return m_view ? m_view->State() : ViewState{};
}

bool CMainFrame::Enabled(CommandId command, const ViewState &state) const
{
    return CommandState(command, state) && (command != CommandId::Exit || m_closeEnabled);
}

void CMainFrame::UpdateCommandStates()
{
    const ViewState state = State();
    for (const auto &[command, action] : m_actions) {
        const bool enabled = Enabled(command, state);
        if (action->isEnabled() != enabled)
            action->setEnabled(enabled);
    }
    SyncAfterRunChecks();
    m_bar->UpdateEnabled(CommandState(CommandId::SelectProject, state), CommandState(CommandId::EditProjectsButton, state));
}

void CMainFrame::SyncAfterRunChecks()
{
    QAction *exit = Action(CommandId::ExitAfterRun);
    QAction *shutdown = Action(CommandId::ShutdownAfterRun);
    if (exit->isChecked() != m_flags.AfterRunExit)
        exit->setChecked(m_flags.AfterRunExit);
    if (shutdown->isChecked() != m_flags.AfterRunShutdown)
        shutdown->setChecked(m_flags.AfterRunShutdown);
}

void CMainFrame::RunCommand(CommandId command)
{
    using Handler = void (CMainFrame::*)();
    struct FrameCommand {
        CommandId command;
        Handler handler;
    };
    // The commands of the frame itself; every other one is the view's, which asks its rule again.
    static constexpr std::array FrameCommands{
        FrameCommand{CommandId::SelectProject, &CMainFrame::FocusProjectBox},
        FrameCommand{CommandId::ExitAfterRun, &CMainFrame::ToggleExitAfterRun},
        FrameCommand{CommandId::ShutdownAfterRun, &CMainFrame::ToggleShutdownAfterRun},
        FrameCommand{CommandId::About, &CMainFrame::ShowAbout},
        FrameCommand{CommandId::ShowWindow, &CMainFrame::ShowWindowCommand},
        FrameCommand{CommandId::Exit, &CMainFrame::ExitProgram},
    };
    for (const FrameCommand &entry : FrameCommands) {
        if (entry.command != command)
            continue;
        if (Enabled(command, State()))
            (this->*entry.handler)();
        else
            SyncAfterRunChecks();   // a refused toggle keeps its mark
        return;
    }
    if (m_view)
        m_view->ExecuteCommand(command);
}

void CMainFrame::FocusProjectBox()
{
    m_bar->FocusProjectBox();
}

void CMainFrame::ToggleExitAfterRun()
{
    m_flags.AfterRunExit = !m_flags.AfterRunExit;
    m_flags.AfterRunShutdown = false;
    m_bar->ShowAfterRun();
    SyncAfterRunChecks();
}

void CMainFrame::ToggleShutdownAfterRun()
{
    m_flags.AfterRunShutdown = !m_flags.AfterRunShutdown;
    m_flags.AfterRunExit = false;
    m_bar->ShowAfterRun();
    SyncAfterRunChecks();
}

void CMainFrame::ShowAbout()
{
    CDlgAbout about(this);
    about.exec();
}

void CMainFrame::ExitProgram()
{
    close();
}

void CMainFrame::ProjectChosen(int project)
{
    if (m_view)
        m_view->SwitchToProject(project);
    // The box shows the project that is active now, also when the switch did not happen.
    m_bar->ShowActiveProject(m_config.ActiveProject());
}

QString CMainFrame::FormatStatusText(const QString &word, const QString &path)
{
    return word.leftJustified(10, u' ') + path.leftJustified(30, u' ');
}

void CMainFrame::SetStatusText(const std::optional<QString> &word, const std::optional<QString> &path)
{
    if (word)
        m_statusWord = *word;
    if (path)
        m_statusPath = *path;
    m_pane->setText(FormatStatusText(m_statusWord, m_statusPath));
    m_pane->repaint();
}

QString CMainFrame::PaneText() const
{
    return m_pane->text();
}

void CMainFrame::SetCloseEnabled(bool enabled)
{
    m_closeEnabled = enabled;
    UpdateCommandStates();
}

void CMainFrame::ShowWindowCommand()
{
    show();
    raise();
    activateWindow();
}

void CMainFrame::RestoreFromTray()
{
    if (isMinimized())
        setWindowState(windowState() & ~Qt::WindowMinimized);
    show();
    raise();
    activateWindow();
}

void CMainFrame::ShowNormally()
{
    showNormal();
    raise();
    activateWindow();
}

void CMainFrame::dragEnterEvent(QDragEnterEvent *event)
{
    if (event->mimeData()->hasUrls())
        event->acceptProposedAction();
    else
        QMainWindow::dragEnterEvent(event);
}

void CMainFrame::dragMoveEvent(QDragMoveEvent *event)
{
    if (event->mimeData()->hasUrls())
        event->acceptProposedAction();
    else
        QMainWindow::dragMoveEvent(event);
}

void CMainFrame::dropEvent(QDropEvent *event)
{
    const QList<QUrl> items = event->mimeData()->urls();
    if (items.isEmpty())
        return QMainWindow::dropEvent(event);
    event->acceptProposedAction();
    // Once the drop has ended: the file manager is not kept waiting while a message shows.
    QTimer::singleShot(0, this, [this, items] { OpenDroppedItems(items); });
}

void CMainFrame::OpenDroppedItems(const QList<QUrl> &items)
{
    raise();
    activateWindow();
    for (const QUrl &item : items) {
        if (m_view && m_view->OpenDocument(item))
            m_tray->RestartClock();
    }
}

QString CMainFrame::WindowStateText() const
{
    if (!isVisible())
        return QStringLiteral("hidden");
    if (isMinimized())
        return QStringLiteral("minimized");
    return isMaximized() ? QStringLiteral("maximized") : QStringLiteral("normal");
}

std::optional<QRect> CMainFrame::InitialPlacement(const WindowLayout &layout, const QList<QRect> &screens)
{
    if (!layout.HasPlacement())
        return std::nullopt;
    const qint64 width = qint64(layout.right) - layout.left;
    const qint64 height = qint64(layout.bottom) - layout.top;
    if (width <= 0 || height <= 0 || width > MaxExtent || height > MaxExtent)
        return std::nullopt;
    const QRect rect(layout.left, layout.top, int(width), int(height));
    for (const QRect &screen : screens) {
        const QRect visible = screen.intersected(rect);
        if (visible.width() >= MinimumOnScreen.width() && visible.height() >= MinimumOnScreen.height())
            return rect;
    }
    return std::nullopt;
}

void CMainFrame::RecordPlacement()
{
    // Only the normal state is remembered: a maximised or minimised window comes back to it.
    if (!isVisible() || (windowState() & HiddenPlacement))
        return;
    WindowLayout &layout = m_config.Layout();
    layout.left = x();
    layout.top = y();
    layout.right = x() + width();
    layout.bottom = y() + height();
}

void CMainFrame::moveEvent(QMoveEvent *event)
{
    QMainWindow::moveEvent(event);
    RecordPlacement();
}

void CMainFrame::resizeEvent(QResizeEvent *event)
{
    QMainWindow::resizeEvent(event);
    RecordPlacement();
}

bool CMainFrame::event(QEvent *event)
{
    // One pane: a highlighted command's prompt, the idle text when nothing is highlighted.
    if (event->type() == QEvent::StatusTip) {
        const QString tip = static_cast<QStatusTipEvent *>(event)->tip();
        m_pane->setText(tip.isEmpty() ? LoadResString(IDS_STATUS_IDLE) : tip);
        return true;
    }
    return QMainWindow::event(event);
}

void CMainFrame::changeEvent(QEvent *event)
{
    QMainWindow::changeEvent(event);
    if (event->type() == QEvent::WindowStateChange && isMinimized() && m_config.Options().MinimizeOnTrayOnly
        && TrayAvailable()) {
        // Hidden once the minimising is over; the icon stays.
        QTimer::singleShot(0, this, &CMainFrame::HideToTray);
    }
}

void CMainFrame::HideToTray()
{
    if (!isMinimized())
        return;
    hide();
    setWindowState(windowState() & ~Qt::WindowMinimized);
}

void CMainFrame::closeEvent(QCloseEvent *event)
{
    if (m_closed) {
        event->accept();
        return;
    }
    if ((!m_closeEnabled || State().running) && !m_sessionEnding) {
        event->ignore();
        return;
    }
    RecordPlacement();
    if (m_view)
        m_view->SaveActiveProject();
    m_tray->Remove();
    m_closed = true;
    event->accept();
    Q_EMIT Closed();
}

QMenu *CMainFrame::createPopupMenu()
{
    // The bars stay: no menu to hide them.
    return nullptr;
}
