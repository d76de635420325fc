#pragma once

#include "ui/dialogs/DlgDefPage.h"

class CNumberEdit;
class QCheckBox;
class QComboBox;
class QLabel;
class QSpinBox;

// Page 動作設定: what a run does: subfolders, overwriting, dated folders, mirroring and its order,
// deleting, timestamps and what happens on errors.
class CDlgDefMode : public CDlgDefPage {
    Q_OBJECT

public:
    explicit CDlgDefMode(SheetServices &services, QWidget *parent = nullptr);

    QString Title() const override;

    // The deletion limit a newly ticked limit box offers.
    static constexpr int SuggestedDeleteLimit = 30;

protected:
    void ShowValues() override;
    void TakeValues() override;
    void CopyOtherFields(const CFolderSetting &from, CFolderSetting &to) const override;

private:
    void ApplyEnablingRules();

    QCheckBox *m_subDir;
    QCheckBox *m_overWrite;
    QCheckBox *m_makeDateDir;
    QCheckBox *m_mirroring;
    QComboBox *m_backupType;
    QCheckBox *m_deleteConf;
    QCheckBox *m_deleteRecycleBin;
    QCheckBox *m_limitDeletions;
    QSpinBox *m_deleteLimit;
    QLabel *m_deleteLimitText;
    QCheckBox *m_ntfsToFat;
    QLabel *m_plusMinus;
    CNumberEdit *m_leaveTime;
    QLabel *m_leaveTimeText;
    QCheckBox *m_copyFileTimeAll;
    QCheckBox *m_copyFolderTime;
    QCheckBox *m_checkFileName;
    QCheckBox *m_renameCapital;
    QCheckBox *m_errorLeave;
    QCheckBox *m_copyLockedFile;
    QCheckBox *m_errorNetPathRetry;
    CNumberEdit *m_netPathRetryCount;
    QLabel *m_retryText;
    QCheckBox *m_showSkipFile;
};
