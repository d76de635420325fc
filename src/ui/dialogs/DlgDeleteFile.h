#pragma once

#include "engine/RunHost.h"

#include <QDialog>

class QLineEdit;
class QPushButton;

// The question a run asks before it deletes a backup file that has no master file: the file's
// path, date and size, read-only, and four answers. Enter deletes; Esc, 中止 and the close box
// stop the run. Shown without an owner and on top, while the run waits for the answer.
class CDlgDeleteFile : public QDialog {
    Q_OBJECT

public:
    explicit CDlgDeleteFile(QWidget *parent = nullptr);
    ~CDlgDeleteFile() override;

    void SetTexts(const QString &fileName, const QString &sizeText, const QString &dateText);
    // The answer; AbortRun until one of the buttons was pressed.
    DeleteChoice Choice() const { return m_choice; }

    QPushButton *Button(DeleteChoice choice) const;

public Q_SLOTS:
    void reject() override;

private:
    void Answer(DeleteChoice choice);

    DeleteChoice m_choice = DeleteChoice::AbortRun;
    QLineEdit *m_fileName;
    QLineEdit *m_dateText;
    QLineEdit *m_sizeText;
    QPushButton *m_buttons[4] = {};
};
