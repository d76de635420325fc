#pragma once

#include "model/FolderSetting.h"
#include "ui/dialogs/SheetServices.h"

#include <QDialog>

#include <memory>

class CDlgDefLog;
class CDlgDefMain;
class CDlgDefMode;
class CDlgDefPage;
class CDlgDefSchedule;
class CDlgDefTarget;
class CMessageBoxes;
class QDialogButtonBox;
class QTabWidget;
struct NumberProblem;

// The property sheet in which a folder setting is created or changed: five pages, OK and Cancel.
// It edits its own copy of the setting; only OK writes the edited fields into a result record.
class CDlgDefineSheet : public QDialog {
    Q_OBJECT

public:
    CDlgDefineSheet(const QString &caption, const CFolderSetting &source, SheetServices services = {},
                    QWidget *parent = nullptr);
    ~CDlgDefineSheet() override;

    // Runs the sheet on the source; on OK writes the result (source and result may be one record)
    // and returns true, on Cancel leaves the result alone and returns false.
    static bool EditFolderSetting(QWidget *parent, const QString &caption, const CFolderSetting &source,
                                  CFolderSetting &result, SheetServices services = {});

    // The fields the sheet edits, from its pages, and LastExec from the source; every other field
    // keeps the result's own value, and Target is put in lower case.
    void WriteResult(CFolderSetting &result) const;

    // Closes with OK once the current page accepts its number boxes.
    void accept() override;

    QTabWidget *Tabs() const { return m_tabs; }
    QDialogButtonBox *Buttons() const { return m_buttons; }
    CDlgDefMain *MainPage() const { return m_main; }
    CDlgDefMode *ModePage() const { return m_mode; }
    CDlgDefTarget *TargetPage() const { return m_target; }
    CDlgDefLog *LogPage() const { return m_log; }
    CDlgDefSchedule *SchedulePage() const { return m_schedule; }

private:
    CDlgDefPage *PageAt(int index) const;
    void TabChanged(int index);
    void ShowProblem(const NumberProblem &problem);

    SheetServices m_services;
    std::unique_ptr<CMessageBoxes> m_ownMessages;
    qint64 m_lastExec;
    QTabWidget *m_tabs;
    QDialogButtonBox *m_buttons;
    CDlgDefMain *m_main;
    CDlgDefMode *m_mode;
    CDlgDefTarget *m_target;
    CDlgDefLog *m_log;
    CDlgDefSchedule *m_schedule;
    int m_currentPage = 0;
};
