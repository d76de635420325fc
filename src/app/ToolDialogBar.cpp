#include "app/ToolDialogBar.h"

#include "config/Configuration.h"
#include "model/AppFlags.h"
#include "platform/Text.h"
#include "res/StringIds.h"

#include <QComboBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QPushButton>
#include <QSignalBlocker>

#include <array>

namespace {

using AfterRun = CToolDialogBar::AfterRun;

struct AfterRunItem {
    AfterRun choice;
    int textId;
};

constexpr std::array AfterRunItems{
    AfterRunItem{AfterRun::Nothing, IDS_AFTER_RUN_NOTHING},
    AfterRunItem{AfterRun::Message, IDS_AFTER_RUN_MESSAGE},
    AfterRunItem{AfterRun::Exit, IDS_AFTER_RUN_EXIT},
    AfterRunItem{AfterRun::Shutdown, IDS_AFTER_RUN_SHUTDOWN},
};

QLabel *Label(const QString &text, QWidget *buddy, QWidget *parent)
{
    auto *label = new QLabel(text, parent);
    label->setBuddy(buddy);
    return label;
}

} // namespace

CToolDialogBar::CToolDialogBar(AppFlags &flags, QWidget *parent)
    : QWidget(parent)
    , m_flags(flags)
    , m_projects(new QComboBox(this))
    , m_edit(new QPushButton(QStringLiteral(u"編集(&E)"), this))
    , m_afterRun(new QComboBox(this))
{
    m_projects->setObjectName(QStringLiteral("projectBox"));
    m_afterRun->setObjectName(QStringLiteral("afterRunBox"));
    m_edit->setObjectName(QStringLiteral("editProjects"));
    m_projects->setSizeAdjustPolicy(QComboBox::AdjustToContents);
    m_projects->setMinimumContentsLength(16);
    m_afterRun->setSizeAdjustPolicy(QComboBox::AdjustToContents);
    m_edit->setAutoDefault(false);

    auto *layout = new QHBoxLayout(this);
    layout->setContentsMargins(6, 2, 6, 2);
    layout->addWidget(Label(QStringLiteral(u"プロジェクト(&P):"), m_projects, this));
    layout->addWidget(m_projects);
    layout->addWidget(m_edit);
    layout->addSpacing(16);
    layout->addWidget(Label(QStringLiteral(u"更新終了後の処理(&A):"), m_afterRun, this));
    layout->addWidget(m_afterRun);
    layout->addStretch(1);
    setTabOrder(m_projects, m_edit);
    setTabOrder(m_edit, m_afterRun);

    connect(m_projects, &QComboBox::currentIndexChanged, this, &CToolDialogBar::ProjectChosen);
    connect(m_edit, &QPushButton::clicked, this, &CToolDialogBar::EditProjectsClicked);
    connect(m_afterRun, &QComboBox::currentIndexChanged, this, &CToolDialogBar::AfterRunChosen);
}

CToolDialogBar::~CToolDialogBar() = default;

void CToolDialogBar::FillAfterRunBox()
{
    const QSignalBlocker blocker(m_afterRun);
    m_afterRun->clear();
    for (const AfterRunItem &item : AfterRunItems)
        m_afterRun->addItem(LoadResString(item.textId));
}

CToolDialogBar::AfterRun CToolDialogBar::AfterRunOf(const AppFlags &flags)
{
    if (flags.AfterRunShutdown)
        return AfterRun::Shutdown;
    if (flags.AfterRunExit)
        return AfterRun::Exit;
    return flags.AfterRunMessage ? AfterRun::Message : AfterRun::Nothing;
}

void CToolDialogBar::SetAfterRun(AppFlags &flags, AfterRun choice)
{
    flags.AfterRunMessage = choice == AfterRun::Message;
    flags.AfterRunExit = choice == AfterRun::Exit;
    flags.AfterRunShutdown = choice == AfterRun::Shutdown;
}

void CToolDialogBar::ShowAfterRun()
{
    const QSignalBlocker blocker(m_afterRun);
    m_afterRun->setCurrentIndex(int(AfterRunOf(m_flags)));
}

void CToolDialogBar::AfterRunChosen(int index)
{
    if (index >= 0 && index < int(AfterRunItems.size()))
        SetAfterRun(m_flags, AfterRunItems[index].choice);
}

void CToolDialogBar::FillProjectBox(CConfiguration &config)
{
    const QSignalBlocker blocker(m_projects);
    m_projects->clear();
    const CProjectList &projects = config.Projects();
    for (int p = 0; p < projects.Count(); ++p)
        m_projects->addItem(projects.DisplayName(p));
    if (config.ActiveProject() < 0 || config.ActiveProject() >= projects.Count())
        config.SetActiveProject(0);
    m_projects->setCurrentIndex(config.ActiveProject());
}

void CToolDialogBar::ShowActiveProject(int project)
{
    const QSignalBlocker blocker(m_projects);
    m_projects->setCurrentIndex(project);
}

void CToolDialogBar::FocusProjectBox()
{
    m_projects->setFocus(Qt::ShortcutFocusReason);
}

void CToolDialogBar::UpdateEnabled(bool projectsEnabled, bool editEnabled)
{
    // Only what changed: this runs whenever the interface is idle.
    if (m_projects->isEnabled() != projectsEnabled)
        m_projects->setEnabled(projectsEnabled);
    if (m_edit->isEnabled() != editEnabled)
        m_edit->setEnabled(editEnabled);
    const bool afterRunEnabled = !m_flags.AutoMode;
    if (m_afterRun->isEnabled() != afterRunEnabled)
        m_afterRun->setEnabled(afterRunEnabled);
}
