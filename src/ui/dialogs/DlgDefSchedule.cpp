#include "ui/dialogs/DlgDefSchedule.h"

#include "ui/dialogs/NumberEdit.h"

#include <QButtonGroup>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QRadioButton>
#include <QVBoxLayout>

CDlgDefSchedule::CDlgDefSchedule(SheetServices &services, QWidget *parent)
    : CDlgDefPage(services, parent), m_scheduleType(new QButtonGroup(this))
{
    auto *group = new QGroupBox(QStringLiteral(u"自動実行(/auto で起動)で実行された場合の動作設定(&A)"), this);
    auto *always = new QRadioButton(QStringLiteral(u"毎回実行する"), group);
    auto *daily = new QRadioButton(QStringLiteral(u"1 日に 1 回だけ実行する"), group);
    auto *hours = new QRadioButton(QStringLiteral(u"前回の実行から"), group);
    m_scheduleTime = new CNumberEdit(1, 240, group);
    m_scheduleTime->SetDigitsOnly(true);
    m_scheduleTime->setAccessibleName(QStringLiteral(u"前回の実行からの時間"));
    auto *hoursText = new QLabel(QStringLiteral(u"時間以上経過している場合"), group);
    hoursText->setBuddy(m_scheduleTime);
    m_scheduleType->addButton(always, int(ScheduleKind::Always));
    m_scheduleType->addButton(daily, int(ScheduleKind::OncePerDay));
    m_scheduleType->addButton(hours, int(ScheduleKind::EveryHours));

    auto *hoursRow = new QHBoxLayout;
    hoursRow->addWidget(hours);
    hoursRow->addWidget(m_scheduleTime);
    hoursRow->addWidget(hoursText);
    hoursRow->addStretch(1);
    auto *groupLayout = new QVBoxLayout(group);
    groupLayout->addWidget(always);
    groupLayout->addWidget(daily);
    groupLayout->addLayout(hoursRow);

    auto *layout = new QVBoxLayout(this);
    layout->addWidget(group);
    layout->addWidget(new QLabel(QStringLiteral(u"※[全更新] 等での実行時には、この設定は無視されます。"), this));
    layout->addStretch(1);

    m_bindings.Bind(m_scheduleTime, &CFolderSetting::ScheduleTime);
    connect(m_scheduleType, &QButtonGroup::idToggled, this, &CDlgDefSchedule::ApplyEnablingRule);
}

QString CDlgDefSchedule::Title() const
{
    return QStringLiteral(u"スケジュール");
}

void CDlgDefSchedule::ShowValues()
{
    CDlgDefPage::ShowValues();
    // A type the page does not know shows no choice.
    if (QAbstractButton *chosen = m_scheduleType->button(int(m_values.ScheduleType)))
        chosen->setChecked(true);
    ApplyEnablingRule();
}

void CDlgDefSchedule::TakeValues()
{
    CDlgDefPage::TakeValues();
    // Without a choice the stored type stays; every type the page does not know means "every time".
    if (m_scheduleType->checkedId() >= 0)
        m_values.ScheduleType = ScheduleKind(m_scheduleType->checkedId());
}

void CDlgDefSchedule::CopyOtherFields(const CFolderSetting &from, CFolderSetting &to) const
{
    to.ScheduleType = from.ScheduleType;
}

void CDlgDefSchedule::ApplyEnablingRule()
{
    m_scheduleTime->setEnabled(m_scheduleType->checkedId() == int(ScheduleKind::EveryHours));
}
