#include "ui/dialogs/DlgProjectEdit.h"

#include "config/Configuration.h"
#include "platform/Shell.h"
#include "platform/Text.h"
#include "res/StringIds.h"
#include "ui/WaitCursor.h"
#include "ui/dialogs/DlgNameChange.h"
#include "ui/dialogs/OkCancelButtons.h"

#include <QDialogButtonBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QListWidget>
#include <QPushButton>
#include <QVBoxLayout>

#include <algorithm>

namespace {

std::optional<QString> AskNameWithDialog(QWidget *parent, const QString &caption, const QString &name)
{
    CDlgNameChange dialog(name, caption, parent);
    if (dialog.exec() != QDialog::Accepted)
        return std::nullopt;
    return dialog.Name();
}

std::optional<CDlgProjectEdit::CopyChoice> AskCopyWithDialog(QWidget *parent, MessageBoxPresenter &boxes,
                                                             const CProjectList &projects, int source)
{
    CDlgProjectCopy dialog(projects, source, boxes, parent);
    if (dialog.exec() != QDialog::Accepted)
        return std::nullopt;
    return CDlgProjectEdit::CopyChoice{dialog.Destination(), dialog.Mode()};
}

} // namespace

CDlgProjectEdit::CDlgProjectEdit(CConfiguration &config, int activeProject, MessageBoxPresenter &boxes, QWidget *parent)
    : QDialog(parent), m_config(config), m_boxes(boxes)
{
    setWindowTitle(QStringLiteral(u"プロジェクトリストの編集"));
    m_askName = [this](const QString &caption, const QString &name) { return AskNameWithDialog(this, caption, name); };
    m_askCopy = [this](const CProjectList &projects, int source) {
        return AskCopyWithDialog(this, m_boxes, projects, source);
    };

    auto *label = new QLabel(QStringLiteral(u"プロジェクト(&P)："), this);
    m_list = new QListWidget(this);
    m_list->setObjectName(QStringLiteral("projects"));
    m_list->setSelectionMode(QAbstractItemView::ExtendedSelection);
    m_list->setMinimumSize(m_list->fontMetrics().averageCharWidth() * 36, m_list->fontMetrics().height() * 14);
    label->setBuddy(m_list);

    struct ButtonSpec {
        const char16_t *text;
        const char *name;
        void (CDlgProjectEdit::*action)();
        bool needsSelection;
    };
    static const ButtonSpec Specs[] = {
        {u"名称変更(&R)", "rename", &CDlgProjectEdit::Rename, true},
        {u"上へ(&U)", "up", nullptr, true},
        {u"下へ(&D)", "down", nullptr, true},
        {u"削除(&M)", "delete", &CDlgProjectEdit::DeleteSelected, true},
        {u"追加(&A)", "add", &CDlgProjectEdit::Add, false},
        {u"コピー(&C)", "copy", &CDlgProjectEdit::Copy, true},
    };
    auto *column = new QVBoxLayout;
    for (const ButtonSpec &spec : Specs) {
        auto *button = new QPushButton(QString::fromUtf16(spec.text), this);
        button->setObjectName(QString::fromLatin1(spec.name));
        column->addWidget(button);
        if (spec.needsSelection)
            m_selectionButtons.push_back(button);
        if (spec.action)
            connect(button, &QPushButton::clicked, this, spec.action);
    }
    connect(findChild<QPushButton *>(QStringLiteral("up")), &QPushButton::clicked, this,
            [this] { Move(MoveDirection::Up); });
    connect(findChild<QPushButton *>(QStringLiteral("down")), &QPushButton::clicked, this,
            [this] { Move(MoveDirection::Down); });
    column->addStretch(1);
    column->addSpacing(column->spacing() * 3);

    QDialogButtonBox *buttons = OkCancelButtons(this, Qt::Vertical);
    column->addWidget(buttons);

    auto *left = new QVBoxLayout;
    left->addWidget(label);
    left->addWidget(m_list, 1);
    auto *layout = new QHBoxLayout(this);
    layout->addLayout(left, 1);
    layout->addLayout(column);

    connect(m_list, &QListWidget::itemSelectionChanged, this, &CDlgProjectEdit::UpdateButtons);
    connect(m_list, &QListWidget::itemDoubleClicked, this, [this](QListWidgetItem *item) {
        SetCaret(m_list->row(item));
        Rename();
    });

    {
        CWaitCursor wait;
        m_config.LoadAllProjects(m_working);
    }
    // Nothing is selected yet: the active project becomes the only selected item, with the caret.
    Refill(activeProject);
}

CDlgProjectEdit::~CDlgProjectEdit() = default;

std::vector<bool> CDlgProjectEdit::SelectionState() const
{
    std::vector<bool> state(size_t(m_list->count()), false);
    for (int row = 0; row < m_list->count(); ++row)
        state[size_t(row)] = m_list->item(row)->isSelected();
    return state;
}

std::vector<int> CDlgProjectEdit::SelectedRows() const
{
    std::vector<int> rows;
    for (int row = 0; row < m_list->count(); ++row) {
        if (m_list->item(row)->isSelected())
            rows.push_back(row);
    }
    return rows;
}

int CDlgProjectEdit::Caret() const
{
    return m_list->currentRow();
}

void CDlgProjectEdit::SetCaret(int row)
{
    // The caret moves without touching the selection, as in a list of several selections.
    m_list->selectionModel()->setCurrentIndex(m_list->model()->index(row, 0), QItemSelectionModel::NoUpdate);
}

void CDlgProjectEdit::SelectCaretAlone()
{
    m_list->clearSelection();
    if (QListWidgetItem *item = m_list->item(Caret()))
        item->setSelected(true);
}

void CDlgProjectEdit::Refill(std::optional<int> caret)
{
    const std::vector<int> noted = SelectedRows();
    const int oldCaret = Caret();
    // Focus first: a list that receives the focus without a current item would pick one itself.
    m_list->setFocus();
    m_list->blockSignals(true);
    m_list->clear();
    for (int p = 0; p < m_working.Count(); ++p)
        m_list->addItem(m_working.DisplayName(p));
    const int count = m_list->count();
    for (int row : noted) {
        if (row < count)
            m_list->item(row)->setSelected(true);
    }
    const int wanted = caret ? std::min(*caret, count - 1) : oldCaret;
    if (wanted >= 0 && wanted < count)
        SetCaret(wanted);
    if (SelectedRows().empty() && count > 0) {
        const int row = wanted >= 0 && wanted < count ? wanted : 0;
        m_list->item(row)->setSelected(true);
        SetCaret(row);
    }
    m_list->blockSignals(false);
    UpdateButtons();
}

void CDlgProjectEdit::UpdateButtons()
{
    const bool any = !SelectedRows().empty();
    for (QPushButton *button : m_selectionButtons)
        button->setEnabled(any);
}

void CDlgProjectEdit::Add()
{
    if (m_working.Count() >= CProjectList::MaxProjects) {
        MessageBoxById(m_boxes, IDS_MSG_PROJECT_LIMIT, IDS_CAPTION_ADD_PROJECT,
                       {.icon = MessageIcon::Warning, .topMost = true});
        return;
    }
    const std::optional<QString> name = m_askName(LoadResString(IDS_CAPTION_ADD_PROJECT), LoadResString(IDS_PROJECT_UNNAMED));
    if (!name || !m_working.AddProject(*name))
        return;
    Refill(m_working.Count() - 1);
}

void CDlgProjectEdit::DeleteSelected()
{
    if (SelectedRows().empty())
        SelectCaretAlone();
    const std::vector<int> rows = SelectedRows();
    if (rows.empty())
        return;
    const MessageAnswer answer = MessageBoxById(m_boxes, IDS_ASK_DELETE_PROJECTS, IDS_CAPTION_DELETE_PROJECT,
                                                {.buttons = MessageButtons::YesNo,
                                                 .icon = MessageIcon::Question,
                                                 .defaultButton = 0,
                                                 .topMost = true,
                                                 .unattended = MessageAnswer::No});
    if (answer != MessageAnswer::Yes)
        return;
    // From the highest number down, so the numbers still to go stay valid.
    for (auto row = rows.rbegin(); row != rows.rend(); ++row)
        m_working.RemoveProject(*row);
    Refill(m_working.Count() == 0 ? 0 : rows.front());
}

void CDlgProjectEdit::Rename()
{
    const int row = Caret();
    if (row < 0 || row >= m_working.Count())
        return;
    SelectCaretAlone();
    const std::optional<QString> name = m_askName(QString(), m_working.Name(row));
    if (!name)
        return;
    m_working.RenameProject(row, *name);
    Refill(std::nullopt);
}

void CDlgProjectEdit::Copy()
{
    const int source = Caret();
    if (source < 0 || source >= m_working.Count())
        return;
    SelectCaretAlone();
    const std::optional<CopyChoice> choice = m_askCopy(m_working, source);
    if (!choice || choice->destination == source || choice->destination < 0
        || choice->destination >= m_working.Count())
        return;
    m_working.CopyProject(choice->destination, source, choice->mode == ProjectCopyMode::Append);
    MessageBoxById(m_boxes, IDS_MSG_PROJECT_COPIED, IDS_CAPTION_COPY_PROJECT,
                   {.icon = MessageIcon::Information, .topMost = true});
    Refill(source);
}

void CDlgProjectEdit::Move(MoveDirection direction)
{
    const SelectionMove move = MoveSelection(SelectionState(), Caret(), direction);
    for (const auto &[from, to] : move.swaps)
        m_working.SwapProjects(from, to);
    m_list->blockSignals(true);
    for (int row = 0; row < m_list->count() && size_t(row) < move.selected.size(); ++row)
        m_list->item(row)->setSelected(move.selected[size_t(row)]);
    m_list->blockSignals(false);
    Refill(move.caret);
}

void CDlgProjectEdit::accept()
{
    {
        CWaitCursor wait;
        m_stored = m_config.ApplyToStore(m_working);
    }
    QDialog::accept();
}
