#pragma once

#include "ui/dialogs/DlgDefPage.h"

class CNumberEdit;
class QButtonGroup;

// Page スケジュール: when an unattended run takes the setting.
class CDlgDefSchedule : public CDlgDefPage {
    Q_OBJECT

public:
    explicit CDlgDefSchedule(SheetServices &services, QWidget *parent = nullptr);

    QString Title() const override;

protected:
    void ShowValues() override;
    void TakeValues() override;
    void CopyOtherFields(const CFolderSetting &from, CFolderSetting &to) const override;

private:
    void ApplyEnablingRule();

    QButtonGroup *m_scheduleType;
    CNumberEdit *m_scheduleTime;
};
