#include "ui/OrvaneView.h"

#include "config/Configuration.h"
#include "engine/RunHost.h"
#include "model/AppFlags.h"
#include "platform/Text.h"
#include "res/StringIds.h"
#include "ui/ApplyEnvironment.h"
#include "ui/DocumentDrop.h"
#include "ui/MessageBoxes.h"
#include "ui/PaneGeometry.h"
#include "ui/ReportList.h"
#include "ui/RunController.h"
#include "ui/SetupList.h"
#include "ui/SetupListModel.h"
#include "ui/dialogs/DlgDefineSheet.h"
#include "ui/dialogs/DlgProjectEdit.h"
#include "ui/dialogs/DlgSetEnvironment.h"

#include <QMouseEvent>
#include <QPainter>
#include <QRubberBand>
#include <QTimer>

#include <algorithm>

namespace {

// Texts the program holds itself; the string table has no numbers for them.
const QString AskDelete = QStringLiteral(u"%s を削除してもよろしいですか？");
const QString AskDeleteCaption = QStringLiteral(u"削除確認");
const QString CopySuffix = QStringLiteral(u"のコピー");
const QString AutoMarkCaption = QStringLiteral(u"自動更新の変更");
const QString SheetCaption = QStringLiteral(u"フォルダ設定");
const QString AddedMessage = QStringLiteral(u"新しいフォルダ設定(%s)を作成しました。\n\n"
                                            u"設定内容の確認のために、初回は実際のファイル操作を行わない\n"
                                            u"[テスト] モードで実行してみることをお薦めします。");
const QString AddedCaption = QStringLiteral(u"フォルダ設定の作成");

constexpr int AutoStartDelay = 500;   // milliseconds after the first showing

// The frame reads a null text as "keep this part"; what a run sends without a path clears it.
QString Shown(const QString &part)
{
    return part.isNull() ? QStringLiteral("") : part;
}

} // namespace

COrvaneView::COrvaneView(CConfiguration &config, AppFlags &flags, FileSystem &disk, QWidget *parent)
    : QWidget(parent), m_config(config), m_flags(flags), m_ownBoxes(std::make_unique<CMessageBoxes>(this))
{
    m_boxes = m_ownBoxes.get();
    // The view paints its frames and the divider itself; the lists cover the rest.
    setAttribute(Qt::WA_OpaquePaintEvent);
    setMouseTracking(true);

    m_setupModel = new CSetupListModel(m_table, this);
    m_setupList = new CSetupList(*this, config.Layout().setupListWidths, this);
    m_setupList->setObjectName(QStringLiteral("setupList"));
    m_setupList->setModel(m_setupModel);
    m_reportList = new CReportList(config.Layout().reportListWidths, this);
    m_reportList->setObjectName(QStringLiteral("reportList"));
    m_runs = new CRunController(flags, disk, *m_reportList, this);
    m_marker = new QRubberBand(QRubberBand::Line, this);
    m_marker->hide();
    setFocusProxy(m_setupList);
    // One pending start however often it is asked for: several dropped files start one run.
    m_autoStart = new QTimer(this);
    m_autoStart->setSingleShot(true);
    m_autoStart->setInterval(AutoStartDelay);
    connect(m_autoStart, &QTimer::timeout, this, &COrvaneView::StartUnattendedRun);

    // Posted: the list finishes its handling of the click before the view answers it.
    connect(m_setupModel, &CSetupListModel::AutoMarkChanged, this, &COrvaneView::OnAutoMarkChanged,
            Qt::QueuedConnection);
    connect(m_setupList->selectionModel(), &QItemSelectionModel::selectionChanged, this,
            &COrvaneView::CommandStatesChanged);
    connect(m_runs, &CRunController::StatusTextChanged, this,
            [this](const QString &text, const QString &path) { emit StatusTextChanged(Shown(text), Shown(path)); });
    connect(m_runs, &CRunController::SettingUpdated, this, &COrvaneView::OnSettingUpdated);
    connect(m_runs, &CRunController::RunningChanged, this, &COrvaneView::OnRunningChanged);
    connect(m_runs, &CRunController::CloseEnabledChanged, this, &COrvaneView::CloseEnabledChanged);
    // Posted, as a close message is: the receiver may destroy this view and the run's host.
    connect(m_runs, &CRunController::CloseRequested, this, &COrvaneView::CloseRequested, Qt::QueuedConnection);

    LoadActiveProject();
    RefillSettingList();
}

COrvaneView::~COrvaneView()
{
    // A run still active is stopped first; the results it sends meanwhile are saved too.
    m_runs->Shutdown();
    SaveActiveProject();
    // The lists go before the table their model reads: the base class would hide them, and
    // lay them out, after the table is gone.
    delete m_runs;
    delete m_setupList;
    delete m_reportList;
    delete m_setupModel;
}

// ---------------------------------------------------------------------------------------------
// Commands

ViewState COrvaneView::State() const
{
    const int selected = SelectedRow();
    const bool hasSelection = selected >= 0 && selected < Count();
    return {.running = m_runs->IsRunning(),
            .stopRequested = m_runs->StopRequested(),
            .selectedRow = selected,
            .count = Count(),
            .globalOutputLog = m_config.Options().OutputLog,
            .selectedOutputLog = hasSelection && Setting(selected).OutputLog};
}

void COrvaneView::ExecuteCommand(CommandId command)
{
    using C = CommandId;
    using Handler = void (*)(COrvaneView &);
    struct Entry {
        CommandId command;
        Handler handler;
    };
    // Commands that are not here are the frame's (project box, window, after-run marks, exit, about).
    static constexpr Entry Handlers[] = {
        {C::AddSetting, [](COrvaneView &view) { view.AddSetting(); }},
        {C::EditSetting, [](COrvaneView &view) { view.EditSelected(); }},
        {C::DeleteSetting, [](COrvaneView &view) { view.DeleteSelected(); }},
        {C::CopySetting, [](COrvaneView &view) { view.CopySelected(); }},
        {C::MoveUp, [](COrvaneView &view) { view.MoveSelected(-1); }},
        {C::MoveDown, [](COrvaneView &view) { view.MoveSelected(+1); }},
        {C::FocusSettingList, [](COrvaneView &view) { view.FocusSettingList(); }},
        {C::TestSelected, [](COrvaneView &view) { view.StartRun(true, false); }},
        {C::TestAll, [](COrvaneView &view) { view.StartRun(true, true); }},
        {C::UpdateSelected, [](COrvaneView &view) { view.StartRun(false, false); }},
        {C::UpdateAll, [](COrvaneView &view) { view.StartRun(false, true); }},
        {C::Stop, [](COrvaneView &view) { view.StopRun(); }},
        {C::Options, [](COrvaneView &view) { view.EditOptions(); }},
        {C::EditProjectList, [](COrvaneView &view) { view.EditProjectList(); }},
        {C::EditProjectsButton, [](COrvaneView &view) { view.EditProjectList(); }},
        {C::StartCompareTool,
         [](COrvaneView &view) { view.Launches().StartCompareTool(view.m_config.Options(), *view.SelectedSetting()); }},
        {C::OpenMasterFolder, [](COrvaneView &view) { view.Launches().OpenMasterFolder(*view.SelectedSetting()); }},
        {C::OpenBackupFolder, [](COrvaneView &view) { view.Launches().OpenBackupFolder(*view.SelectedSetting()); }},
        {C::OpenLogFile,
         [](COrvaneView &view) { view.Launches().OpenLogFile(view.SelectedSetting(), view.m_config.Options()); }},
        {C::OpenManual, [](COrvaneView &view) { view.Launches().OpenManual(); }},
    };
    if (!CommandState(command, State()))
        return;
    for (const Entry &entry : Handlers) {
        if (entry.command == command) {
            entry.handler(*this);
            return;
        }
    }
}

void COrvaneView::AddSetting()
{
    CFolderSetting added;
    if (!CDlgDefineSheet::EditFolderSetting(this, SheetCaption, added, added))
        return;
    const int count = Count();
    if (count >= CMirroringDefine::Capacity)
        return;
    added.LastExec = 0;
    m_table.Records()[count] = added;
    m_table.SetCount(count + 1);
    m_setupModel->AddRow();
    SaveActiveProject();
    emit CommandStatesChanged();
    m_boxes->ShowMessageBox({.text = FormatPrintf(AddedMessage, {added.Name}),
                             .caption = AddedCaption,
                             .buttons = MessageButtons::Ok,
                             .icon = MessageIcon::Information,
                             .topMost = true});
}

// The result starts as a new record, so the row shows the last result as unknown until the next
// run; Target, which no page edits, is carried over instead of being lost.
void COrvaneView::EditSelected()
{
    const int row = SelectedRow();
    CFolderSetting edited;
    edited.Target = Setting(row).Target;
    if (!CDlgDefineSheet::EditFolderSetting(this, SheetCaption, Setting(row), edited))
        return;
    if (row >= Count())
        return;
    m_table.Records()[row] = edited;
    m_setupModel->RewriteRow(row);
    SaveActiveProject();
    emit CommandStatesChanged();
}

void COrvaneView::DeleteSelected()
{
    const int row = SelectedRow();
    const MessageBoxRequest question{.text = FormatPrintf(AskDelete, {Setting(row).Name}),
                                     .caption = AskDeleteCaption,
                                     .buttons = MessageButtons::YesNo,
                                     .icon = MessageIcon::Question,
                                     .topMost = true,
                                     .unattended = MessageAnswer::No};
    if (m_boxes->ShowMessageBox(question) != MessageAnswer::Yes)
        return;
    // The question let other events in: act only on what was asked about, and only if still allowed.
    if (!CommandState(CommandId::DeleteSetting, State()) || SelectedRow() != row)
        return;
    CFolderSetting *records = m_table.Records();
    const int count = Count();
    std::copy(records + row + 1, records + count, records + row);
    records[count - 1] = CFolderSetting();
    m_table.SetCount(count - 1);
    m_setupModel->RemoveRow(row);
    // No other row takes over the selection: the next command should not hit a neighbour.
    m_setupList->selectionModel()->clearSelection();
    SaveActiveProject();
    emit CommandStatesChanged();
}

void COrvaneView::CopySelected()
{
    const int count = Count();
    if (count >= CMirroringDefine::Capacity)
        return;
    CFolderSetting copy = Setting(SelectedRow());
    copy.Name += CopySuffix;
    copy.LastExec = 0;
    m_table.Records()[count] = copy;
    m_table.SetCount(count + 1);
    m_setupModel->AddRow();
    SaveActiveProject();
    emit CommandStatesChanged();
}

void COrvaneView::MoveSelected(int step)
{
    const int row = SelectedRow();
    const int target = row + step;
    std::swap(m_table.Records()[row], m_table.Records()[target]);
    RefillSettingList();
    // Selected and focused where it went, without scrolling the list to it.
    m_setupList->setAutoScroll(false);
    SelectRow(target);
    m_setupList->setAutoScroll(true);
    SaveActiveProject();
    emit CommandStatesChanged();
}

void COrvaneView::FocusSettingList()
{
    m_setupList->setFocus(Qt::ShortcutFocusReason);
    if (SelectedRow() < 0 && Count() > 0)
        SelectRow(0);
}

void COrvaneView::StartRun(bool test, bool all)
{
    RunOrder order{.test = test, .autoOnly = all, .settings = {}, .first = 0, .options = m_config.Options()};
    const CFolderSetting *records = m_table.Records();
    if (all) {
        order.settings.assign(records, records + Count());
    } else {
        order.first = SelectedRow();
        order.settings.push_back(records[order.first]);
    }
    if (!m_runs->Start(std::move(order)))
        qWarning("The run could not be started: no worker thread.");
}

void COrvaneView::StartUnattendedRun()
{
    // 全更新, also on a project without folder settings, where the command is disabled: that run
    // ends at once like one with nothing due, so that an unattended start ends the program
    // instead of leaving it open with nothing to do.
    if (m_runs->IsRunning())
        return;
    StartRun(false, true);
}

void COrvaneView::EditOptions()
{
    SaveActiveProject();
    CDlgSetEnvironment dialog(m_config.Options(), m_config.Store().UseRegistry(), *m_boxes, this);
    if (dialog.exec() != QDialog::Accepted)
        return;
    ApplyEnvironment(m_config, dialog.Options(), dialog.UseRegistry(), [this] { return SaveActiveProject(); }, *m_boxes,
                     m_configurationLock);
    // The global log decides whether ログファイルを開く is enabled.
    emit CommandStatesChanged();
}

void COrvaneView::EditProjectList()
{
    SaveActiveProject();
    CDlgProjectEdit dialog(m_config, m_config.ActiveProject(), *m_boxes, this);
    if (dialog.exec() != QDialog::Accepted)
        return;
    emit ProjectListChanged();
    // The active number stays; the project that has it now is loaded, or the first one when
    // the list has become shorter.
    m_config.BringActiveProjectIntoRange();
    LoadActiveProject();
    RefillSettingList();
}

CLaunches COrvaneView::Launches() const
{
    return CLaunches(*m_boxes, m_urlOpener);
}

const CFolderSetting *COrvaneView::SelectedSetting() const
{
    const int row = SelectedRow();
    return row >= 0 && row < Count() ? &Setting(row) : nullptr;
}

QString COrvaneView::MenuText(CommandId command, bool withShortcut) const
{
    if (command != CommandId::StartCompareTool)
        return QString();
    return CLaunches::CompareMenuText(m_config.Options().CompareToolPath, withShortcut);
}

void COrvaneView::StopRun()
{
    if (!m_runs->IsRunning() || m_runs->StopRequested())
        return;
    emit StatusTextChanged(LoadResString(IDS_STATUS_STOPPING), QStringLiteral(""));
    m_runs->RequestStop();
    emit CommandStatesChanged();
}

// ---------------------------------------------------------------------------------------------
// The table and the list

void COrvaneView::SwitchToProject(int project)
{
    const int active = m_config.ActiveProject();
    // The run publishes its results by position in this table: it stays while a run is active.
    if (m_runs->IsRunning() || project == active || project < 0 || project >= m_config.Projects().Count())
        return;
    SaveActiveProject();
    m_config.SetActiveProject(project);
    LoadActiveProject();
    RefillSettingList();
}

bool COrvaneView::SaveActiveProject()
{
    return m_config.SaveProjectSettings(m_table, Count(), std::max(0, m_config.ActiveProject()));
}

void COrvaneView::LoadActiveProject()
{
    m_config.LoadProjectSettings(m_table, std::max(0, m_config.ActiveProject()));
}

void COrvaneView::RefillSettingList()
{
    m_setupModel->Refill();
    m_setupList->selectionModel()->clear();
    emit CommandStatesChanged();
}

int COrvaneView::SelectedRow() const
{
    const QModelIndexList rows = m_setupList->selectionModel()->selectedRows();
    return rows.isEmpty() ? -1 : rows.front().row();
}

void COrvaneView::SelectRow(int row)
{
    const QModelIndex index = m_setupModel->index(row, 0);
    if (!index.isValid())
        return;
    m_setupList->selectionModel()->setCurrentIndex(
        index, QItemSelectionModel::ClearAndSelect | QItemSelectionModel::Rows);
}

int COrvaneView::DivideY() const
{
    return m_config.Options().DivideY;
}

bool COrvaneView::UnattendedStartPending() const
{
    return m_autoStart->isActive();
}

void COrvaneView::FirstShown()
{
    if (m_firstShown)
        return;
    m_firstShown = true;
    StartOver();
}

bool COrvaneView::OpenDocument(const QUrl &item)
{
    if (const std::optional<QString> refusal = DocumentDropRefusal(item)) {
        m_boxes->ShowMessageBox({.text = *refusal,
                                 .caption = LoadResString(IDS_APP_TITLE),
                                 .icon = MessageIcon::Error,
                                 .topMost = true});
        return false;
    }
    StartOver();
    return true;
}

void COrvaneView::StartOver()
{
    LayOut();
    RefillSettingList();
    // An active run keeps what it has completed so far: the after-run action depends on it,
    // and the next run starts afresh anyway.
    if (m_runs->IsRunning())
        return;
    m_flags.AnySettingCompleted = false;
    if (m_flags.AutoMode || m_flags.AfterRunExit)
        m_autoStart->start();
}

// ---------------------------------------------------------------------------------------------
// What a run sends

void COrvaneView::OnSettingUpdated(const SettingState &state)
{
    if (state.index < 0 || state.index >= Count())
        return;
    CFolderSetting &record = m_table.Records()[state.index];
    record.Errors = state.Errors;
    record.LastExec = state.LastExec;
    SelectRow(state.index);
    m_setupList->scrollTo(m_setupModel->index(state.index, 0));
    m_setupModel->RewriteRow(state.index);
    SaveActiveProject();
    emit CommandStatesChanged();
}

void COrvaneView::OnAutoMarkChanged(int row)
{
    if (row < 0 || row >= Count())
        return;
    if (m_runs->IsRunning()) {
        m_boxes->ShowMessageBox({.text = LoadResString(IDS_MSG_NO_CHANGE_WHILE_RUNNING),
                                 .caption = AutoMarkCaption,
                                 .buttons = MessageButtons::Ok,
                                 .icon = MessageIcon::Error,
                                 .topMost = true});
        // The box shows the stored mark again.
        m_setupModel->RewriteRow(row);
        return;
    }
    CFolderSetting &record = m_table.Records()[row];
    record.AutoExec = !record.AutoExec;
    m_setupModel->RewriteRow(row);
    SaveActiveProject();
}

void COrvaneView::OnRunningChanged(bool running)
{
    emit RunningChanged(running);
    emit CommandStatesChanged();
}

// ---------------------------------------------------------------------------------------------
// The panes and the divider

void COrvaneView::SetDivider(int requested)
{
    m_config.Options().DivideY = CPaneGeometry::DividerPosition(requested, height());
}

void COrvaneView::LayOut()
{
    // A view of no size has no place for the divider: the stored one stays as it is.
    if (width() <= 0 || height() <= 0)
        return;
    SetDivider(DivideY());
    const int divideY = DivideY();
    if (const auto place = CPaneGeometry::ListRect(CPaneGeometry::UpperPane(divideY, size())))
        m_setupList->setGeometry(*place);
    if (const auto place = CPaneGeometry::ListRect(CPaneGeometry::LowerPane(divideY, size())))
        m_reportList->setGeometry(*place);
    update();
}

void COrvaneView::ShowMarker()
{
    m_marker->setGeometry(0, DivideY(), width(), CPaneGeometry::BarHeight);
    m_marker->show();
    m_marker->raise();
}

void COrvaneView::resizeEvent(QResizeEvent *event)
{
    QWidget::resizeEvent(event);
    LayOut();
}

void COrvaneView::paintEvent(QPaintEvent *)
{
    const int right = width();
    const int bottom = height();
    const int divideY = DivideY();
    const int lowerTop = divideY + CPaneGeometry::BarHeight;
    QPainter painter(this);
    painter.fillRect(rect(), palette().window());

    painter.setPen(QPen(Qt::black, 1));
    const auto outline = [&](int top, int lowest) {
        const QPoint corners[] = {{0, top}, {right - 1, top}, {right - 1, lowest}, {0, lowest}, {0, top}};
        painter.drawPolyline(corners, 5);
    };
    outline(0, divideY - 1);
    outline(lowerTop, bottom - 1);

    painter.fillRect(QRect(0, divideY, right, CPaneGeometry::BarHeight), QColor(0xC0, 0xC0, 0xC0));
    const int barBottom = lowerTop - 1;
    painter.setPen(QColor(0xFF, 0xFF, 0xFF));
    painter.drawLine(0, divideY, right - 1, divideY);
    painter.drawLine(0, divideY, 0, barBottom);
    painter.setPen(QColor(0x60, 0x60, 0x60));
    painter.drawLine(0, barBottom, right - 1, barBottom);
    painter.drawLine(right - 1, divideY, right - 1, barBottom);
}

void COrvaneView::mousePressEvent(QMouseEvent *event)
{
    // The lists cover the panes: what is left is the divider and the frames. The press grabs
    // the mouse until the button is released.
    if (event->button() != Qt::LeftButton || m_dragging)
        return QWidget::mousePressEvent(event);
    m_dragging = true;
    ShowMarker();
}

void COrvaneView::mouseMoveEvent(QMouseEvent *event)
{
    const int y = event->position().toPoint().y();
    const bool onBar = y >= DivideY() && y <= DivideY() + CPaneGeometry::BarHeight;
    setCursor(onBar ? Qt::SizeVerCursor : Qt::ArrowCursor);
    if (!m_dragging)
        return;
    SetDivider(y);
    ShowMarker();
}

void COrvaneView::mouseReleaseEvent(QMouseEvent *event)
{
    if (event->button() != Qt::LeftButton || !m_dragging)
        return QWidget::mouseReleaseEvent(event);
    m_marker->hide();
    m_dragging = false;
    LayOut();
}
