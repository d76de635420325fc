#pragma once

#include "model/GlobalOptions.h"

#include <QDialog>

#include <memory>

class CFileDropEdit;
class FileChooser;
class MessageBoxPresenter;
class QCheckBox;
class QLineEdit;
class QPushButton;

// The options: where the folder settings are stored, the tray and unattended-start choices, the
// common log file and the folder comparison tool. Edits a copy of the options; OK hands back
// every value of the dialog, Cancel nothing. Only clearing the log file acts at once.
class CDlgSetEnvironment : public QDialog {
    Q_OBJECT

public:
    CDlgSetEnvironment(const GlobalOptions &options, bool useRegistry, MessageBoxPresenter &boxes,
                       QWidget *parent = nullptr);
    ~CDlgSetEnvironment() override;

    // The file dialogs are the desktop's unless replaced.
    void SetFileChooser(FileChooser &chooser) { m_files = &chooser; }

    // The values of the dialog: the options it was given with its own controls' values.
    GlobalOptions Options() const;
    bool UseRegistry() const;

    void BrowseLogFile();
    void BrowseCompareTool();
    void ClearLogNow();
    // Enables the controls as the log switch, the errors-only switch and the log file allow.
    void UpdateEnabled();

private:
    void ShowStorageNotice(bool registry);
    QString ExpandedLogFileName() const;

    GlobalOptions m_options;
    MessageBoxPresenter &m_boxes;
    std::unique_ptr<FileChooser> m_ownFiles;
    FileChooser *m_files = nullptr;

    QCheckBox *m_useRegistry = nullptr;
    QCheckBox *m_minimizeOnTrayOnly = nullptr;
    QCheckBox *m_autoExitWhenError = nullptr;
    QCheckBox *m_outputLog = nullptr;
    CFileDropEdit *m_logFileName = nullptr;
    QPushButton *m_browseLog = nullptr;
    QCheckBox *m_writeLogImmediately = nullptr;
    QCheckBox *m_outputErrorOnly = nullptr;
    QCheckBox *m_outputSkipLog = nullptr;
    QCheckBox *m_clearLog = nullptr;
    QPushButton *m_clearLogNow = nullptr;
    QLineEdit *m_compareToolPath = nullptr;
    QPushButton *m_browseTool = nullptr;
    QLineEdit *m_compareToolParam = nullptr;
};
