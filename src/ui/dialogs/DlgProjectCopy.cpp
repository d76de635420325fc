#include "ui/dialogs/DlgProjectCopy.h"

#include "model/ProjectList.h"
#include "platform/Shell.h"
#include "res/StringIds.h"

#include <QButtonGroup>
#include <QComboBox>
#include <QDialogButtonBox>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QPushButton>
#include <QRadioButton>
#include <QVBoxLayout>

#include <algorithm>

CDlgProjectCopy::CDlgProjectCopy(const CProjectList &projects, int source, MessageBoxPresenter &boxes, QWidget *parent)
    : QDialog(parent), m_boxes(boxes), m_source(source)
{
    setWindowTitle(QStringLiteral(u"プロジェクトのコピー"));

    auto *intro = new QLabel(QStringLiteral(u"選択されたプロジェクトの設定をコピーします。\n"
                                            u"コピー先のプロジェクト番号を選択して下さい。"), this);
    auto *sourceLabel = new QLabel(QStringLiteral(u"コピー元:"), this);
    auto *sourceText = new QLabel(projects.DisplayName(source), this);
    sourceText->setObjectName(QStringLiteral("source"));
    auto *destinationLabel = new QLabel(QStringLiteral(u"コピー先(&D):"), this);
    m_destinations = new QComboBox(this);
    m_destinations->setObjectName(QStringLiteral("destination"));
    for (int p = 0; p < projects.Count(); ++p)
        m_destinations->addItem(projects.DisplayName(p));
    // The project after the source, or the last one when the source is the last.
    m_destinations->setCurrentIndex(std::min(source + 1, projects.Count() - 1));
    destinationLabel->setBuddy(m_destinations);

    auto *modeLabel = new QLabel(QStringLiteral(u"処理モード:"), this);
    auto *overwrite = new QRadioButton(QStringLiteral(u"上書きコピー(&O)"), this);
    overwrite->setObjectName(QStringLiteral("overwrite"));
    m_append = new QRadioButton(QStringLiteral(u"追加コピー(&A)"), this);
    m_append->setObjectName(QStringLiteral("append"));
    auto *modes = new QButtonGroup(this);
    modes->addButton(overwrite);
    modes->addButton(m_append);
    overwrite->setChecked(true);

    auto *buttons = new QDialogButtonBox(this);
    QPushButton *copy = buttons->addButton(QStringLiteral(u"コピー実行(&C)"), QDialogButtonBox::AcceptRole);
    QPushButton *cancel = buttons->addButton(QStringLiteral(u"キャンセル"), QDialogButtonBox::RejectRole);
    copy->setObjectName(QStringLiteral("copy"));
    cancel->setObjectName(QStringLiteral("cancel"));
    // Enter cancels: a copy overwrites a project, so it is never the answer a stray key gives.
    copy->setAutoDefault(false);
    cancel->setDefault(true);
    connect(buttons, &QDialogButtonBox::accepted, this, &QDialog::accept);
    connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);

    auto *grid = new QGridLayout;
    grid->addWidget(sourceLabel, 0, 0);
    grid->addWidget(sourceText, 0, 1);
    grid->addWidget(destinationLabel, 1, 0);
    grid->addWidget(m_destinations, 1, 1);
    grid->addWidget(modeLabel, 2, 0, Qt::AlignTop);
    auto *modeColumn = new QVBoxLayout;
    modeColumn->addWidget(overwrite);
    modeColumn->addWidget(m_append);
    grid->addLayout(modeColumn, 2, 1);
    grid->setColumnStretch(1, 1);

    auto *layout = new QVBoxLayout(this);
    layout->addWidget(intro);
    layout->addLayout(grid);
    layout->addWidget(buttons);
    layout->setSizeConstraint(QLayout::SetFixedSize);
    m_destinations->setFocus();
}

CDlgProjectCopy::~CDlgProjectCopy() = default;

void CDlgProjectCopy::accept()
{
    const int destination = m_destinations->currentIndex();
    if (destination == m_source) {
        MessageBoxById(m_boxes, IDS_MSG_COPY_PROJECT_ONTO_ITSELF, IDS_CAPTION_COPY_PROJECT,
                       {.icon = MessageIcon::Error, .topMost = true});
        return;
    }
    m_destination = destination;
    m_mode = m_append->isChecked() ? ProjectCopyMode::Append : ProjectCopyMode::Overwrite;
    QDialog::accept();
}
