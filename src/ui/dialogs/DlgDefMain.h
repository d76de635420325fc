#pragma once

#include "ui/dialogs/DlgDefPage.h"

class CFileDropEdit;
class QCheckBox;
class QLineEdit;
class QPushButton;

// Page 一般: name, master and backup folder, the volume-label check and the automatic backup mark.
class CDlgDefMain : public CDlgDefPage {
    Q_OBJECT

public:
    explicit CDlgDefMain(SheetServices &services, QWidget *parent = nullptr);

    QString Title() const override;
    // The master folder as the page last gave it back; the base of dropped folder patterns.
    QString MasterText() const { return m_values.Master; }

protected:
    void ShowValues() override;

private:
    void ApplyVolumeRule();
    void ReadVolumeLabel();
    void Browse(CFileDropEdit *edit, int titleId);

    QLineEdit *m_name;
    CFileDropEdit *m_master;
    QPushButton *m_browseMaster;
    CFileDropEdit *m_backup;
    QPushButton *m_browseBackup;
    QCheckBox *m_checkVolume;
    QLineEdit *m_volume;
    QPushButton *m_readLabel;
    QCheckBox *m_volErrorSkip;
    QCheckBox *m_autoExec;
};
