#pragma once

#include "ui/dialogs/DlgDefPage.h"

class CFileDropEdit;
class QCheckBox;
class QPushButton;

// Page ログファイル: the setting's own log file and what goes into it.
class CDlgDefLog : public CDlgDefPage {
    Q_OBJECT

public:
    explicit CDlgDefLog(SheetServices &services, QWidget *parent = nullptr);

    QString Title() const override;

    // A file that "今すぐログをクリア" may empty: it exists and holds something.
    static bool IsClearableLog(const QString &path);

protected:
    void ShowValues() override;

private:
    void ApplyEnablingRule();
    void Browse();
    void ClearNow();

    QCheckBox *m_outputLog;
    CFileDropEdit *m_logFileName;
    QPushButton *m_browse;
    QCheckBox *m_writeLogImmediately;
    QCheckBox *m_outputErrorOnly;
    QCheckBox *m_outputSkipLog;
    QCheckBox *m_clearLog;
    QPushButton *m_clearNow;
};
