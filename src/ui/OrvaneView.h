#pragma once

#include "model/MirroringDefine.h"
#include "ui/Launches.h"
#include "ui/ViewCommands.h"

#include <QWidget>

#include <memory>

struct AppFlags;
struct CFolderSetting;
struct SettingState;
class CConfiguration;
class CInstanceLock;
class CMessageBoxes;
class CReportList;
class CRunController;
class CSetupList;
class CSetupListModel;
class FileSystem;
class MessageBoxPresenter;
class QRubberBand;
class QTimer;
class QUrl;

// The client area of the main window: the folder settings of the active project in the upper
// list, the report of the current or last run in the lower one, a divider between them that the
// user drags. It keeps the active project's table, carries out the commands on it, starts and
// stops runs and takes each setting update of a run, saving the project after every change.
class COrvaneView : public QWidget, public ViewCommands {
    Q_OBJECT

public:
    COrvaneView(CConfiguration &config, AppFlags &flags, FileSystem &disk, QWidget *parent = nullptr);
    ~COrvaneView() override;

    ViewState State() const override;
    void ExecuteCommand(CommandId command) override;
    void SwitchToProject(int project) override;
    void FirstShown() override;
    bool OpenDocument(const QUrl &item) override;
    void StopRun() override;
    bool SaveActiveProject() override;
    QString MenuText(CommandId command, bool withShortcut) const override;

    // Reads the active project's folder settings into the table; the list shows them after
    // RefillSettingList.
    void LoadActiveProject();
    // One row per folder setting in use, in table order, none selected.
    void RefillSettingList();

    int Count() const { return m_table.Count(); }
    const CFolderSetting &Setting(int index) const { return m_table.Records()[index]; }
    // The selected row of the folder-setting list; -1 without one.
    int SelectedRow() const;
    void SelectRow(int row);
    // Top edge of the divider bar, in pixels from the top of the view.
    int DivideY() const;
    // An unattended start has shown the window and waits to begin its 全更新.
    bool UnattendedStartPending() const;

    CSetupList &SetupList() const { return *m_setupList; }
    CReportList &ReportList() const { return *m_reportList; }
    CRunController &Runs() const { return *m_runs; }

    // Who asks the view's own questions (the delete question, the refused auto mark); by
    // default real message boxes over the view.
    void SetMessageBoxPresenter(MessageBoxPresenter &presenter) { m_boxes = &presenter; }
    // How folders, log files and the manual are opened; by default with the desktop's programs.
    void SetUrlOpener(CLaunches::UrlOpener opener) { m_urlOpener = std::move(opener); }
    // The program's lock beside the store in use, which moves along when the options switch
    // the store; by default there is none.
    void SetConfigurationLock(std::unique_ptr<CInstanceLock> &lock) { m_configurationLock = &lock; }

Q_SIGNALS:
    // For the status bar: a null text keeps that part as it is, an empty one clears it.
    void StatusTextChanged(const QString &text, const QString &path);
    // Something an enable rule looks at changed: selection, count, a run, its stop.
    void CommandStatesChanged();
    void RunningChanged(bool running);
    // The main window may (not) be closed from its title bar.
    void CloseEnabledChanged(bool enabled);
    // A run ended with an after-run action: close the main window.
    void CloseRequested();
    // The project list was edited and stored: the project box shows it again (and brings the
    // active project into the list) before the view loads the active project.
    void ProjectListChanged();

protected:
    void paintEvent(QPaintEvent *event) override;
    void resizeEvent(QResizeEvent *event) override;
    void mousePressEvent(QMouseEvent *event) override;
    void mouseMoveEvent(QMouseEvent *event) override;
    void mouseReleaseEvent(QMouseEvent *event) override;

private:
    void LayOut();
    void SetDivider(int requested);
    void ShowMarker();
    // What the first showing does after the notification-area icon and the project box, and a
    // dropped document again: lay out, refill the list, and begin 全更新 half a second later for
    // an unattended start.
    void StartOver();

    void AddSetting();
    void EditSelected();
    void DeleteSelected();
    void CopySelected();
    void MoveSelected(int step);
    void FocusSettingList();
    void StartRun(bool test, bool all);
    void StartUnattendedRun();
    void EditOptions();
    void EditProjectList();
    // What the commands start outside the program, with the view's message boxes.
    CLaunches Launches() const;
    const CFolderSetting *SelectedSetting() const;
    void OnSettingUpdated(const SettingState &state);
    void OnAutoMarkChanged(int row);
    void OnRunningChanged(bool running);

    CConfiguration &m_config;
    AppFlags &m_flags;
    CMirroringDefine m_table;
    std::unique_ptr<CMessageBoxes> m_ownBoxes;
    MessageBoxPresenter *m_boxes = nullptr;
    std::unique_ptr<CInstanceLock> *m_configurationLock = nullptr;
    CSetupListModel *m_setupModel = nullptr;
    CSetupList *m_setupList = nullptr;
    CReportList *m_reportList = nullptr;
    CRunController *m_runs = nullptr;
    QRubberBand *m_marker = nullptr;
    QTimer *m_autoStart = nullptr;
    CLaunches::UrlOpener m_urlOpener;
    bool m_dragging = false;
    bool m_firstShown = false;
};
